#pragma once
// Picking a folder, behind an interface so windows that ask for one (the output folder, the
// snapshot folder) are tested with a fake instead of a real folder tree.
#include <optional>
#include <string>

namespace orvel {

class IFolderChooser {
public:
    virtual ~IFolderChooser() = default;
    // The chosen folder, or nothing when the user cancelled or closed the chooser.
    virtual std::optional<std::string> ChooseFolder() = 0;
};

} // namespace orvel
