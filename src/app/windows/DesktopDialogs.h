#pragma once
// The dialogs of the desktop program as the main window opens them: how each is made, and the
// window they belong to. Belonging to the main window centres a dialog on it and keeps it off
// the taskbar; the main window is made after the dialogs' factories, so the owner is asked for
// when a dialog is first made.
#include "app/MainDialogs.h"

#include <functional>

class QWidget;

namespace orvel {

class TAppSettings;
class TFormatParamStore;
class IPlayerFactory;
class IOpenFileDialog;
class ISystemActions;
class IFolderChooser;
class IMessageBoxes;

struct TDesktopDialogParts {
    TAppSettings& Settings;
    TFormatParamStore& Formats;
    IPlayerFactory& Players;
    IOpenFileDialog& OpenDialog;
    ISystemActions& System;
    IFolderChooser& Folders;
    IMessageBoxes& Boxes;
    std::function<QWidget*()> Owner; // the main window, or nullptr before it exists
};

TMainDialogFactories DesktopDialogFactories(const TDesktopDialogParts& parts);

} // namespace orvel
