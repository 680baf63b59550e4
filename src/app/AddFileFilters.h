#pragma once
// The open-file dialog's filters for adding jobs, in the order the dialog lists them. Patterns
// match without regard to case, so "*.AVI" takes clip.avi.
#include "app/store/OpenFileDialog.h"

#include <string>
#include <vector>

namespace orvel {

const std::vector<TFileFilter>& AddFileFilters();
// True when the file's name ends in an extension one of the filters names ("*.*" aside).
bool IsSupportedMediaName(const std::string& fileName);
// The paths with each folder replaced by the media files anywhere below it (sorted per folder);
// files stay as they are.
std::vector<std::string> MediaFilesIn(const std::vector<std::string>& paths);

} // namespace orvel
