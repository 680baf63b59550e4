#include "batch/Destination.h"

#include "app/store/AppSettings.h"
#include "app/store/GlobalObject.h"

#include <algorithm>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace orvel {

bool MakeOutputDir(const std::string& dir) {
    if (dir.empty()) return false;
    std::error_code ec;
    if (fs::is_directory(dir, ec)) return true;
    fs::create_directories(dir, ec);
    return fs::is_directory(dir, ec);
}

namespace {

bool Exists(const std::string& path) {
    std::error_code ec;
    // A dangling link counts as taken too: writing through it would create its target.
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

} // namespace

std::string CannotCreateDirMessage(const std::string& folder, const std::string& defaultDir) {
    return kCannotCreateDirText + folder + ".It will create default directory " + defaultDir + "!";
}

std::string PrepareOutputDir(TAppSettings& settings, IMessageBoxes& boxes, const std::string& defaultDir) {
    const std::string dir = ExpandHomeFolder(settings.OutPutDir());
    if (MakeOutputDir(dir)) return dir;
    boxes.Show(CannotCreateDirMessage(dir, defaultDir), "Warning", TMsgIcon::Warning, TMsgButtons::Ok);
    MakeOutputDir(defaultDir);
    settings.SetOutPutDir(defaultDir);
    // The name is formed in the folder that exists, so this job's output is not lost.
    return defaultDir;
}

std::string FreeDestinationName(const std::string& folder, const std::string& sourceFile,
                                const std::string& ending, const TNameTaken& taken) {
    std::string dir = folder;
    if (dir.empty() || dir.back() != '/') dir += '/';
    const std::string base = dir + fs::path(sourceFile).stem().string();
    auto isFree = [&](const std::string& name) { return !Exists(name) && !(taken && taken(name)); };
    std::string name = base + "_(new)" + ending;
    for (long n = 1; !isFree(name); ++n)
        name = base + "_(new_" + std::to_string(n) + ")" + ending;
    return name;
}

TNameTaken NamedAlready(const std::vector<std::string>& named) {
    return [&named](const std::string& path) {
        return std::find(named.begin(), named.end(), path) != named.end();
    };
}

std::string DestinationFileName(const std::string& sourceFile, const std::string& ending,
                                TAppSettings& settings, IMessageBoxes& boxes, const std::string& defaultDir,
                                const TNameTaken& taken) {
    return FreeDestinationName(PrepareOutputDir(settings, boxes, defaultDir), sourceFile, ending, taken);
}

} // namespace orvel
