#pragma once
// The open-file dialog's filters for adding jobs, in the order the dialog lists them. Patterns
// match without regard to case, so "*.AVI" takes clip.avi.
#include "app/store/OpenFileDialog.h"

#include <string>
#include <vector>

namespace orvel {

const std::vector<TFileFilter>& AddFileFilters();
// True when the file's name matches one of the "All Supported ..." video or audio patterns.
bool IsSupportedMediaName(const std::string& fileName);

} // namespace orvel
