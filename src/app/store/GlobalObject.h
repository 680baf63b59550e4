#pragma once
// The one process-wide object of the application: where the two INI files are, the product
// strings and the web addresses. The main window creates it and frees it when it closes.
#include <filesystem>
#include <string>

namespace orvel {

inline constexpr const char* kProductName = "Orvel Video Converter";
inline constexpr const char* kSettingsFileName = "orvelkestrune.ini";
inline constexpr const char* kFormatFileName = "orvelvideoformat.ini";
inline constexpr const char* kAppDataFolderName = "orvel-video-converter";

// Folder of the running executable (through /proc/self/exe, so a relative start works too).
std::filesystem::path ExecutableDir();

// "LibAV" beside the executable: where the media libraries are looked for first.
std::string ExecutableLibraryFolder();

// "$HOME/kestrune": the fall-back output and snapshot folder.
std::string DefaultKestruneDir();
// A folder typed as "~" or "~/..." means the home folder, as in a shell; other paths stay.
std::string ExpandHomeFolder(const std::string& folder);

struct TAppPaths {
    std::string SettingsIniPath;
    std::string FormatIniPath;

    // The paths of the running program; creates the per-user settings folder when that is
    // where the settings go.
    static TAppPaths ForExecutable();
};

// Both files live beside the executable. A folder the user cannot write to (an installed
// program) moves the settings to the per-user configuration folder, and a format file that is
// not beside the executable is read from <prefix>/share, prefix being the executable's parent.
TAppPaths ResolveAppPaths(const std::filesystem::path& exeDir, bool exeDirWritable,
                          const std::string& xdgConfigHome, const std::string& home);

class TGlobalObject {
public:
    TGlobalObject();
    // Sets the two paths, the product name and the addresses as the main window does.
    explicit TGlobalObject(const TAppPaths& paths);

    const std::string& HelpUrl() const { return helpUrl_; }
    const std::string& SettingsIniPath() const { return settingsIniPath_; }
    const std::string& FormatIniPath() const { return formatIniPath_; }
    const std::string& ProductName() const { return productName_; }
    const std::string& VersionText() const { return versionText_; }
    const std::string& DownloadUrl() const { return downloadUrl_; }
    const std::string& WebSiteUrl() const { return webSiteUrl_; }

    // A path of 3 characters or fewer cannot name a file and is ignored.
    void SetSettingsIniPath(const std::string& value);
    void SetFormatIniPath(const std::string& value);
    // An empty value is ignored.
    void SetHelpUrl(const std::string& value);
    void SetProductName(const std::string& value);
    void SetVersionText(const std::string& value);
    void SetDownloadUrl(const std::string& value);
    void SetWebSiteUrl(const std::string& value);

    // The last count characters of text, or all of it when it is shorter.
    static std::string RightStr(const std::string& text, int count);
    // " major.minorpatchtweak " of the build, e.g. " 3.300 " for 3.3.0.0.
    static std::string GetFileVersionText();

private:
    std::string helpUrl_;
    std::string settingsIniPath_;
    std::string formatIniPath_;
    std::string productName_;
    std::string versionText_ = " ver 1.70 ";
    std::string downloadUrl_;
    std::string webSiteUrl_;
};

// The instance the main window created, or nullptr outside its lifetime.
TGlobalObject* GlobalObject();
void SetGlobalObject(TGlobalObject* object);

} // namespace orvel
