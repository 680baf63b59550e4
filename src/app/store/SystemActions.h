#pragma once
// What the program asks of the desktop: open a folder or a web address, shut the machine down.
#include <string>

namespace orvel {

// Operations on the system after the last job. Tests give their own; nothing else may run the
// real shutdown.
class ISystemActions {
public:
    virtual ~ISystemActions() = default;
    virtual void OpenFolder(const std::string& folder) = 0;
    // A web address in the desktop's browser (the Help menu's links).
    virtual void OpenAddress(const std::string& url) = 0;
    virtual void ShutDown() = 0;
};

// The desktop's: the folder in the file browser, and "systemctl poweroff".
class TDesktopSystemActions : public ISystemActions {
public:
    void OpenFolder(const std::string& folder) override;
    void OpenAddress(const std::string& url) override;
    void ShutDown() override;
};

} // namespace orvel
