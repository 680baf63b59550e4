#include "app/KeyboardShortcuts.h"

namespace orvel {

const std::vector<TKeyShortcut>& KeyboardShortcuts() {
    static const std::vector<TKeyShortcut> table = {
        {TKeyCommand::Add, "Ctrl+O", "Main window", "Add files"},
        {TKeyCommand::Start, "Ctrl+Return; Ctrl+Enter", "Main window", "Start converting the checked files"},
        {TKeyCommand::FileInfo, "Ctrl+I", "Main window", "Information about the selected file"},
        {TKeyCommand::Remove, "Del", "Job list", "Remove the selected files"},
        {TKeyCommand::SelectAll, "Ctrl+A", "Job list", "Select every file"},
        {TKeyCommand::ToggleChecks, "Space", "Job list", "Check or uncheck the selected files"},
        {TKeyCommand::MoveUp, "Alt+Up", "Job list",
         "Move the selected files up (dragging them also moves them)"},
        {TKeyCommand::MoveDown, "Alt+Down", "Job list", "Move the selected files down"},
        {TKeyCommand::OpenCatalog, "Alt+Down; F4", "Output format",
         "Open the format list (Alt+M goes to it); Up and Down move, typing jumps to a name"},
        {TKeyCommand::ChooseFormat, "Return; Enter", "Format list",
         "Choose the format, or open or close a category; Esc closes the list"},
        {TKeyCommand::PlayPause, "Space", "Preview", "Play or pause"},
        {TKeyCommand::StepBack, "Left", "Preview", "One picture back when paused, 5 seconds when playing"},
        {TKeyCommand::StepForward, "Right", "Preview",
         "One picture forward when paused, 5 seconds when playing"},
        {TKeyCommand::ToStart, "Home", "Preview", "Go to the start"},
        {TKeyCommand::ToEnd, "End", "Preview", "Go to the end"},
    };
    return table;
}

std::string ShortcutKeys(TKeyCommand command) {
    for (const TKeyShortcut& s : KeyboardShortcuts())
        if (s.Command == command) return s.Keys;
    return {};
}

} // namespace orvel
