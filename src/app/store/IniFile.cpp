#include "app/store/IniFile.h"
#include "app/store/AtomicFile.h"
#include "engine/foundation/StringUtils.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <sstream>

namespace orvel {
namespace {

bool SameName(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// "[name]" gives name; anything else is not a section header.
std::optional<std::string> SectionName(const std::string& line) {
    const std::string t = Trim(line, " \t");
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']') return Trim(t.substr(1, t.size() - 2), " \t");
    return std::nullopt;
}

// "key=value" gives key and the value exactly as written; comments and other lines give nothing.
bool SplitEntry(const std::string& line, std::string& key, std::string& value) {
    const std::string t = Trim(line, " \t");
    if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[') return false;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(line.substr(0, eq), " \t");
    if (key.empty()) return false;
    value = line.substr(eq + 1);
    return true;
}

struct Location {
    int sectionLine = -1; // header line of the first matching section
    int sectionEnd = -1;  // first line after that section
    int keyLine = -1;
    std::string value;
};

Location Find(const std::vector<std::string>& lines, const std::string& section, const std::string& key) {
    Location loc;
    bool inside = false;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        if (auto name = SectionName(lines[i])) {
            if (inside) {
                loc.sectionEnd = i;
                return loc;
            }
            if (SameName(*name, section) && loc.sectionLine < 0) {
                inside = true;
                loc.sectionLine = i;
            }
            continue;
        }
        std::string k, v;
        if (inside && !key.empty() && loc.keyLine < 0 && SplitEntry(lines[i], k, v) && SameName(k, key)) {
            loc.keyLine = i;
            loc.value = v;
        }
    }
    if (inside) loc.sectionEnd = static_cast<int>(lines.size());
    return loc;
}

bool WriteLinesAtomically(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) {
        text += l;
        text += "\r\n";
    }
    return WriteFileAtomically(path, text);
}

} // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    const Location loc = Find(ReadLines(path_), section, key);
    return loc.keyLine >= 0 ? loc.value : def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    const std::string text = Trim(ReadString(section, key, ""), " \t");
    if (text.empty()) return def;
    const char* s = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long v;
    const bool neg = s[0] == '-';
    const char* digits = (s[0] == '-' || s[0] == '+') ? s + 1 : s;
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        v = std::strtoll(digits + 2, &end, 16);
        if (neg) v = -v;
    } else if (digits[0] == '$') {
        v = std::strtoll(digits + 1, &end, 16);
        if (neg) v = -v;
    } else {
        v = std::strtoll(s, &end, 10);
    }
    if (end == nullptr || *end != '\0' || end == digits || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
        return def;
    return static_cast<int>(v);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(const std::string& section) const {
    return Find(ReadLines(path_), section, "").sectionLine >= 0;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    return Find(ReadLines(path_), section, key).keyLine >= 0;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    const auto lines = ReadLines(path_);
    const Location loc = Find(lines, section, "");
    std::vector<std::string> keys;
    if (loc.sectionLine < 0) return keys;
    for (int i = loc.sectionLine + 1; i < loc.sectionEnd; ++i) {
        std::string k, v;
        if (SplitEntry(lines[i], k, v)) keys.push_back(k);
    }
    return keys;
}

namespace {

// Sets key=value in the lines; false when the value was already there.
bool SetEntry(std::vector<std::string>& lines, const std::string& section, const std::string& key,
              const std::string& value) {
    const Location loc = Find(lines, section, key);
    const std::string entry = key + "=" + value;
    if (loc.keyLine >= 0) {
        if (loc.value == value) return false;
        // The existing spelling of the key stays.
        const std::string& old = lines[loc.keyLine];
        lines[loc.keyLine] = old.substr(0, old.find('=') + 1) + value;
    } else if (loc.sectionLine >= 0) {
        // After the section's last entry, before trailing blank lines.
        int at = loc.sectionEnd;
        while (at > loc.sectionLine + 1 && Trim(lines[at - 1], " \t").empty())
            --at;
        lines.insert(lines.begin() + at, entry);
    } else {
        if (!lines.empty() && !Trim(lines.back(), " \t").empty()) lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    }
    return true;
}

} // namespace

bool TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    return WriteStrings(section, {{key, value}});
}

bool TIniFile::WriteStrings(const std::string& section,
                            const std::vector<std::pair<std::string, std::string>>& entries) {
    auto lines = ReadLines(path_);
    bool changed = false;
    for (const auto& [key, value] : entries)
        changed = SetEntry(lines, section, key, value) || changed;
    return !changed || WriteLinesAtomically(path_, lines);
}

bool TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    auto lines = ReadLines(path_);
    const Location loc = Find(lines, section, key);
    if (loc.keyLine < 0) return true;
    lines.erase(lines.begin() + loc.keyLine);
    return WriteLinesAtomically(path_, lines);
}

bool TIniFile::EraseSection(const std::string& section) {
    auto lines = ReadLines(path_);
    const Location loc = Find(lines, section, "");
    if (loc.sectionLine < 0) return true;
    lines.erase(lines.begin() + loc.sectionLine, lines.begin() + loc.sectionEnd);
    return WriteLinesAtomically(path_, lines);
}

bool TIniFile::RewriteSection(const std::string& section,
                              const std::vector<std::pair<std::string, std::string>>& entries) {
    auto lines = ReadLines(path_);
    const Location loc = Find(lines, section, "");
    std::vector<std::string> body;
    for (const auto& [key, value] : entries)
        body.push_back(key + "=" + value);
    if (loc.sectionLine < 0) {
        if (!lines.empty() && !Trim(lines.back(), " \t").empty()) lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.insert(lines.end(), body.begin(), body.end());
        return WriteLinesAtomically(path_, lines);
    }
    auto rewritten = [&](const std::string& key) {
        for (const auto& entry : entries)
            if (SameName(entry.first, key)) return true;
        return false;
    };
    int end = loc.sectionEnd;
    while (end > loc.sectionLine + 1 && Trim(lines[end - 1], " \t").empty())
        --end;
    for (int i = loc.sectionLine + 1; i < end; ++i) {
        std::string k, v;
        if (!SplitEntry(lines[i], k, v) || !rewritten(k)) body.push_back(lines[i]);
    }
    lines.erase(lines.begin() + loc.sectionLine + 1, lines.begin() + end);
    lines.insert(lines.begin() + loc.sectionLine + 1, body.begin(), body.end());
    return WriteLinesAtomically(path_, lines);
}

} // namespace orvel
