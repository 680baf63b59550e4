#include "app/store/GlobalObject.h"

#include <atomic>
#include <cstdlib>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace orvel {
namespace {

constexpr const char* kHelpUrl = "https://orvel-video-converter.example/help/";
constexpr const char* kWebSiteUrl = "https://orvel-video-converter.example/";
constexpr const char* kDownloadUrl = "https://orvel-video-converter.example/download/";

std::atomic<TGlobalObject*> g_globalObject{nullptr};

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string HomeDir() {
    std::string home = EnvOrEmpty("HOME");
    if (home.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    }
    return home;
}

} // namespace

fs::path ExecutableDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return fs::current_path(ec);
    return exe.parent_path();
}

std::string ExecutableLibraryFolder() {
    return (ExecutableDir() / "LibAV").string();
}

std::string ExpandHomeFolder(const std::string& folder) {
    if (folder.empty() || folder[0] != '~' || (folder.size() > 1 && folder[1] != '/')) return folder;
    const std::string home = HomeDir();
    return home.empty() ? folder : home + folder.substr(1);
}

std::string DefaultKestruneDir() {
    return (fs::path(HomeDir()) / "kestrune").string();
}

TAppPaths ResolveAppPaths(const fs::path& exeDir, bool exeDirWritable, const std::string& xdgConfigHome,
                          const std::string& home) {
    TAppPaths paths;
    if (exeDirWritable) {
        paths.SettingsIniPath = (exeDir / kSettingsFileName).string();
    } else {
        // XDG: a relative $XDG_CONFIG_HOME is invalid and is ignored.
        fs::path config = !xdgConfigHome.empty() && fs::path(xdgConfigHome).is_absolute()
                              ? fs::path(xdgConfigHome)
                              : fs::path(home) / ".config";
        paths.SettingsIniPath = (config / kAppDataFolderName / kSettingsFileName).string();
    }
    const fs::path beside = exeDir / kFormatFileName;
    const fs::path shared = exeDir.parent_path() / "share" / kAppDataFolderName / kFormatFileName;
    std::error_code ec;
    paths.FormatIniPath = (!fs::exists(beside, ec) && fs::exists(shared, ec) ? shared : beside).string();
    return paths;
}

TAppPaths TAppPaths::ForExecutable() {
    const fs::path dir = ExecutableDir();
    const bool writable = ::access(dir.c_str(), W_OK) == 0;
    TAppPaths paths = ResolveAppPaths(dir, writable, EnvOrEmpty("XDG_CONFIG_HOME"), HomeDir());
    if (!writable) {
        std::error_code ec;
        fs::create_directories(fs::path(paths.SettingsIniPath).parent_path(), ec);
    }
    return paths;
}

TGlobalObject::TGlobalObject() = default;

TGlobalObject::TGlobalObject(const TAppPaths& paths) {
    SetSettingsIniPath(paths.SettingsIniPath);
    SetFormatIniPath(paths.FormatIniPath);
    SetProductName(kProductName);
    SetHelpUrl(kHelpUrl);
    SetDownloadUrl(kDownloadUrl);
    SetWebSiteUrl(kWebSiteUrl);
}

namespace {

// Keeps the old value when the new one is not longer than minLength characters.
void AssignIfLonger(std::string& field, const std::string& value, std::size_t minLength) {
    if (value.size() > minLength) field = value;
}

} // namespace

void TGlobalObject::SetSettingsIniPath(const std::string& value) {
    AssignIfLonger(settingsIniPath_, value, 3);
}
void TGlobalObject::SetFormatIniPath(const std::string& value) {
    AssignIfLonger(formatIniPath_, value, 3);
}
void TGlobalObject::SetHelpUrl(const std::string& value) {
    AssignIfLonger(helpUrl_, value, 0);
}
void TGlobalObject::SetProductName(const std::string& value) {
    AssignIfLonger(productName_, value, 0);
}
void TGlobalObject::SetVersionText(const std::string& value) {
    AssignIfLonger(versionText_, value, 0);
}
void TGlobalObject::SetDownloadUrl(const std::string& value) {
    AssignIfLonger(downloadUrl_, value, 0);
}
void TGlobalObject::SetWebSiteUrl(const std::string& value) {
    AssignIfLonger(webSiteUrl_, value, 0);
}

std::string TGlobalObject::RightStr(const std::string& text, int count) {
    if (count <= 0) return {};
    const auto n = static_cast<std::size_t>(count);
    return n >= text.size() ? text : text.substr(text.size() - n);
}

std::string TGlobalObject::GetFileVersionText() {
    // Appended piece by piece: GCC 12 takes '" " + std::string' for an overlapping copy at -O3.
    std::string text = " ";
    text.append(std::to_string(ORVEL_VERSION_MAJOR)).append(".").append(std::to_string(ORVEL_VERSION_MINOR));
    text.append(std::to_string(ORVEL_VERSION_PATCH)).append(std::to_string(ORVEL_VERSION_TWEAK)).append(" ");
    return text;
}

TGlobalObject* GlobalObject() {
    return g_globalObject.load();
}
void SetGlobalObject(TGlobalObject* object) {
    g_globalObject.store(object);
}

} // namespace orvel
