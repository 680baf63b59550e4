#pragma once
// INI store: the file is opened, read or written, and closed around every access, so every
// reader sees the latest write. Section and key names match without regard to case; a missing
// file, section or key is never an error. Values are kept exactly as written.
#include <string>
#include <utility>
#include <vector>

namespace orvel {

class TIniFile {
public:
    explicit TIniFile(std::string path) : path_(std::move(path)) {}
    const std::string& FileName() const { return path_; }

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // Text that is not a whole integer (decimal or "0x" hex) yields the default.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    std::vector<std::string> ReadSection(const std::string& section) const; // key names in order

    // Writes go to a new file that then replaces the old one, so a crash mid-write never
    // leaves a truncated settings file. Lines the store does not understand are kept.
    // Returns false when the file could not be written.
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Several keys of one section in one replacement of the file: all are written or none.
    bool WriteStrings(const std::string& section,
                      const std::vector<std::pair<std::string, std::string>>& entries);
    bool WriteInteger(const std::string& section, const std::string& key, int value);
    bool WriteBool(const std::string& section, const std::string& key, bool value);
    bool DeleteKey(const std::string& section, const std::string& key);
    bool EraseSection(const std::string& section);
    // The section anew in one replacement of the file: these entries first, in this order, then
    // the section's other lines as they were. All are written or none.
    bool RewriteSection(const std::string& section,
                        const std::vector<std::pair<std::string, std::string>>& entries);

private:
    std::string path_;
};

} // namespace orvel
