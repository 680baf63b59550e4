#pragma once
// Trimming, lower-casing and case-blind comparison of byte strings, for every floor of the
// program. ASCII only, like the option names, INI keys and format texts they serve.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace orvel {

// What std::isspace calls white space in the C locale.
inline constexpr std::string_view kWhitespace = " \t\r\n\v\f";

// The text without the characters of `chars` at either end.
inline std::string Trim(std::string_view text, std::string_view chars = kWhitespace) {
    const size_t b = text.find_first_not_of(chars);
    if (b == std::string_view::npos) return {};
    return std::string(text.substr(b, text.find_last_not_of(chars) - b + 1));
}

inline std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Equal but for the case of ASCII letters.
inline bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace orvel
