#pragma once
// The roles a dialog plays for the window that opens it, so the opener knows the role and
// not the window.
#include <string>

namespace orvel {

// The file information window, about one source file.
class IFileInfoDialog {
public:
    virtual ~IFileInfoDialog() = default;
    virtual void ShowFile(const std::string& sourceFile) = 0;
};

// A dialog that reads and writes the settings itself (preferences, settings, about).
class IModalDialog {
public:
    virtual ~IModalDialog() = default;
    virtual void ShowModal() = 0;
};

} // namespace orvel
