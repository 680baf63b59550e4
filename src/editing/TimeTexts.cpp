#include "editing/TimeTexts.h"

#include "engine/foundation/FFUtils.h"
#include "engine/foundation/StringUtils.h"

#include <algorithm>
#include <cstdio>

namespace orvel {

std::string FormatMicroseconds(int64_t microseconds) {
    return TimeText(microseconds);
}

std::string FormatSeconds(int64_t seconds) {
    const int64_t s = std::max<int64_t>(seconds, 0);
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%.2d:%.2d", static_cast<long long>(s / 3600),
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    return text;
}

std::string FormatSecondsLength(int64_t microseconds) {
    const int64_t u = std::max<int64_t>(microseconds, 0);
    char text[48];
    std::snprintf(text, sizeof text, "%lld.%.3d Second", static_cast<long long>(u / 1000000),
                  static_cast<int>(u / 1000 % 1000));
    return text;
}

std::string ShortenedSourceName(const std::string& path, size_t maxWhole, size_t head) {
    if (Utf8Length(path) <= maxWhole) return path;
    return ShortenedPath(path, maxWhole, head) + "  ";
}

} // namespace orvel
