#include "app/TimeText.h"

#include <cstdio>

namespace orvel {

std::string FormatMicroseconds(int64_t microseconds) {
    if (microseconds < 0) microseconds = 0;
    const int64_t ms = microseconds / 1000;
    char text[48];
    std::snprintf(text, sizeof text, "%.2lld:%.2d:%.2d.%.3d", static_cast<long long>(ms / 3600000),
                  static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                  static_cast<int>(ms % 1000));
    return text;
}

std::string FormatWholeSeconds(int64_t microseconds) {
    if (microseconds < 0) microseconds = 0;
    const int64_t s = (microseconds + 500000) / 1000000;
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%.2d:%.2d", static_cast<long long>(s / 3600),
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    return text;
}

} // namespace orvel
