#pragma once
// Choosing files to open, behind an interface so the windows that ask for files (Add, the
// watermark picture) are tested with a fake instead of a real file dialog.
#include <string>
#include <vector>

namespace orvel {

// One entry of the dialog's type list: the shown name and its patterns separated by ";"
// ("*.ra;*.ram"); patterns match without regard to case.
struct TFileFilter {
    std::string Name;
    std::string Patterns;
    bool operator==(const TFileFilter&) const = default;
};

struct TOpenFileRequest {
    std::string Caption;
    std::vector<TFileFilter> Filters;
    bool MultiSelect = false; // else at most one file is answered
    bool operator==(const TOpenFileRequest&) const = default;
};

class IOpenFileDialog {
public:
    virtual ~IOpenFileDialog() = default;
    // The chosen existing files in the dialog's order; empty when the user cancelled.
    virtual std::vector<std::string> OpenFiles(const TOpenFileRequest& request) = 0;
};

} // namespace orvel
