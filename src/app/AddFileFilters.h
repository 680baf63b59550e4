#pragma once
// The open-file dialog's filters for adding jobs, in the order the dialog lists them. Patterns
// match without regard to case, so "*.AVI" takes clip.avi.
#include <string>
#include <vector>

namespace orvel {

struct TFileFilter {
    const char* Name;
    const char* Patterns; // "*.avi;*.mp4"
};

const std::vector<TFileFilter>& AddFileFilters();
// The filters as a file dialog takes them, one per entry: the name, then its patterns in
// parentheses, each in lower and upper case ("AVI files (*.avi) (*.avi *.AVI)"); a dialog shows
// only the name.
std::vector<std::string> AddFileDialogFilters();
// True when the file's name matches one of the "All Supported ..." video or audio patterns.
bool IsSupportedMediaName(const std::string& fileName);

} // namespace orvel
