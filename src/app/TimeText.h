#pragma once
// Times as the windows show them.
#include <cstdint>
#include <string>

namespace orvel {

// "hh:mm:ss.mmm" (hours padded to two digits, more when needed), e.g. "01:02:05.120".
std::string FormatMicroseconds(int64_t microseconds);
// Rounded to whole seconds, as "h:mm:ss" with the hours unpadded, e.g. "1:02:06".
std::string FormatWholeSeconds(int64_t microseconds);

} // namespace orvel
