#pragma once
// The time and name texts the editing dialogs show.
#include <cstdint>
#include <optional>
#include <string>

namespace orvel {

// "hh:mm:ss.mmm" of a microsecond count, hours not wrapped at 24 (3723456789 -> "01:02:03.456").
// A negative count gets a leading "-" rather than minus signs inside each field.
std::string FormatMicroseconds(int64_t microseconds);

// The microseconds of a typed time: "hh:mm:ss.mmm" as FormatMicroseconds writes it, or shorter
// ("mm:ss", "ss", with or without up to six decimals). Nothing for any other text, a negative
// time, or minutes or seconds of 60 and more after a larger field.
std::optional<int64_t> ParseMicroseconds(const std::string& text);

// "h:mm:ss" of whole seconds, hours unpadded (3723 -> "1:02:03"); negative values count as 0.
std::string FormatSeconds(int64_t seconds);

// "s.mmm Second" of a microsecond count (123456789 -> "123.456 Second"); unknown (negative) is 0.
std::string FormatSecondsLength(int64_t microseconds);

// The source path as a label or title shows it: whole when it has at most maxWhole characters,
// else its first head characters, "..", its extension (with the dot) and two spaces.
std::string ShortenedSourceName(const std::string& path, size_t maxWhole, size_t head);

} // namespace orvel
