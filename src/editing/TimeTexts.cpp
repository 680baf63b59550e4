#include "editing/TimeTexts.h"

#include "engine/foundation/FFUtils.h"
#include "engine/foundation/StringUtils.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace orvel {

std::string FormatMicroseconds(int64_t microseconds) {
    return TimeText(microseconds);
}

std::optional<int64_t> ParseMicroseconds(const std::string& text) {
    std::string t = text;
    t.erase(0, t.find_first_not_of(' '));
    t.erase(t.find_last_not_of(' ') + 1);
    std::string fraction;
    if (const size_t dot = t.find('.'); dot != std::string::npos) {
        fraction = t.substr(dot + 1);
        t.erase(dot);
        if (fraction.empty() || fraction.size() > 6) return std::nullopt;
    }
    const auto digits = [](const std::string& s) {
        return !s.empty() && s.size() <= 9 &&
               std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!fraction.empty() && !digits(fraction)) return std::nullopt;
    std::vector<int64_t> fields;
    for (size_t start = 0;;) {
        const size_t colon = t.find(':', start);
        const std::string field =
            t.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!digits(field)) return std::nullopt;
        fields.push_back(std::stoll(field));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    if (fields.size() > 3) return std::nullopt;
    int64_t seconds = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        // Only the first field may pass 59: "90" is ninety seconds, "1:90" is no time.
        if (i > 0 && fields[i] >= 60) return std::nullopt;
        seconds = seconds * 60 + fields[i];
    }
    fraction.resize(6, '0');
    return seconds * 1000000 + std::stoll(fraction);
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
