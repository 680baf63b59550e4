#pragma once
// The built-in catalog of output formats: device families, disc formats and generic containers.
// A format is identified by its code, category index * 100 + entry index, which names the
// "formatInfo<code>" sections of the format definition file and of the settings file.
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace orvel {

struct TCatalogCategory {
    const char* Name;
    std::vector<const char*> Entries;
};

// The 28 categories in display order, with their entries in entry order.
const std::vector<TCatalogCategory>& FormatCatalog();

constexpr int kCatalogSlots = 51; // the name table is 51 x 51; unused slots are empty

inline int MakeFormatCode(int category, int entry) {
    return category * 100 + entry;
}
inline int CategoryOfCode(int code) {
    return code / 100;
}
inline int EntryOfCode(int code) {
    return code % 100;
}

// Every catalog code in category and entry order.
std::vector<int> AllFormatCodes();
// The display name of a code, or nothing when the code names no entry.
std::optional<std::string> FormatNameOfCode(int code);
// The extension a display name announces in its "(*.ext)" part, or nothing.
std::optional<std::string> ExtensionInName(const std::string& name);

// Text helpers shared by the format files: blanks and control characters off both ends, and
// ASCII lower case (names are compared that way).
std::string TrimFormatText(const std::string& text);
std::string LowerFormatText(std::string text);

// "formatInfo" + code: the section of both INI files for one format.
std::string FormatSection(int code);

// Keys of section "settings" (kSettingsSection, app/AppSettings.h) and the fall-backs their
// readers use.
inline constexpr const char* kListStateSection = "lstformat";
inline constexpr const char* kFormatCodeKey = "FormatCode";
inline constexpr const char* kFormatNameKey = "FormatName";
inline constexpr const char* kDefaultFormatCode = "1";
// Used when the catalog is filled or its list opened.
inline constexpr const char* kCatalogDefaultFormatName = "Apple iPod Video MPEG-4 Movie (*.mp4)";
// Used by the main window's first show and the settings dialog's opening.
inline constexpr const char* kWindowDefaultFormatName = "iPod Video MPEG-4";

// The 51 x 51 name table a list keeps beside its rows.
class TFormatNameTable {
public:
    void Clear();
    void StoreCategory(int category); // copies the catalog's names of that category
    const std::string& Name(int category, int entry) const;

private:
    std::array<std::array<std::string, kCatalogSlots>, kCatalogSlots> names_{};
};

} // namespace orvel
