#pragma once
// Trimming, lower-casing and case-blind comparison of byte strings, for every floor of the
// program. ASCII only, like the option names, INI keys and format texts they serve.
#include <algorithm>
#include <cctype>
#include <filesystem>
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

// Characters of a UTF-8 text (file names are UTF-8 here), not bytes.
inline size_t Utf8Length(std::string_view text) {
    return static_cast<size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Byte offset after the first n characters, so a shortened text never ends inside a character.
inline size_t Utf8Prefix(std::string_view text, size_t n) {
    size_t pos = 0;
    for (size_t count = 0; pos < text.size() && count < n; ++count) {
        ++pos;
        while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80)
            ++pos;
    }
    return pos;
}

// A path as labels, titles and progress lines show it: whole when it has at most maxWhole
// characters, else its first head characters, ".." and its extension (with the dot).
inline std::string ShortenedPath(const std::string& path, size_t maxWhole, size_t head) {
    if (Utf8Length(path) <= maxWhole) return path;
    return path.substr(0, Utf8Prefix(path, head)) + ".." + std::filesystem::path(path).extension().string();
}

} // namespace orvel
