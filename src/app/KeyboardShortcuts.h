#pragma once
// Every key the main window answers besides the menus' and buttons' underlined letters: the
// one table the windows take their keys from and the "Keyboard Shortcuts" list shows.
#include <string>
#include <vector>

namespace orvel {

enum class TKeyCommand {
    Add,
    Start,
    Remove,
    SelectAll,
    ToggleChecks,
    MoveUp,
    MoveDown,
    FileInfo,
    OpenCatalog,
    ChooseFormat,
    PlayPause,
    StepBack,
    StepForward,
    ToStart,
    ToEnd,
};

struct TKeyShortcut {
    TKeyCommand Command;
    const char* Keys;  // Qt's portable key texts, e.g. "Ctrl+Return; Ctrl+Enter"
    const char* Where; // where the keys work
    const char* What;
};

const std::vector<TKeyShortcut>& KeyboardShortcuts();
// The keys of command; several are separated by "; ".
std::string ShortcutKeys(TKeyCommand command);

} // namespace orvel
