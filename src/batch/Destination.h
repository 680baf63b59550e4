#pragma once
// Names the file a job is converted into: the source's name with "_(new)" (or "_(new_N)" for the
// first free N) and an ending, in the output folder of the settings. An existing file is never
// chosen, so a conversion never overwrites one.
#include "app/store/MessageBoxes.h"

#include <functional>
#include <string>
#include <vector>

namespace orvel {

class TAppSettings;

// Endings: the add operation shows "_ipod." + extension, the conversion writes "." + extension.
inline std::string AddTimeEnding(const std::string& ext) {
    return "_ipod." + ext;
}
inline std::string StartEnding(const std::string& ext) {
    return "." + ext;
}

inline constexpr const char* kCannotCreateDirText = "Cannot create output directory:";
// "Cannot create output directory:<folder>.It will create default directory <default>!"
std::string CannotCreateDirMessage(const std::string& folder, const std::string& defaultDir);

// Extra names to treat as taken, for names handed out but not yet written (a batch names every
// output before the first one exists).
using TNameTaken = std::function<bool(const std::string& path)>;

// Creates the folder with its missing parents; true when it exists afterwards.
bool MakeOutputDir(const std::string& dir);

// The output folder of the settings ("OutPutDir", "~" standing for the home folder), created
// with its parents when missing. A
// folder that cannot be created is reported through boxes as a warning, then the default
// folder is created, stored as "OutPutDir" and used.
std::string PrepareOutputDir(TAppSettings& settings, IMessageBoxes& boxes, const std::string& defaultDir);

// The destination path for sourceFile with the given ending.
std::string DestinationFileName(const std::string& sourceFile, const std::string& ending,
                                TAppSettings& settings, IMessageBoxes& boxes, const std::string& defaultDir,
                                const TNameTaken& taken = {});

// The first free name in folder (no folder creation): base + "_(new)" + ending, then
// base + "_(new_N)" + ending.
std::string FreeDestinationName(const std::string& folder, const std::string& sourceFile,
                                const std::string& ending, const TNameTaken& taken = {});

// Taken: the names in named.
TNameTaken NamedAlready(const std::vector<std::string>& named);

} // namespace orvel
