// The composition root: every collaborator of the windows is made here and handed to them.
#include "app/MainDialogs.h"
#include "app/store/AppSettings.h"
#include "app/store/ErrorHandler.h"
#include "app/store/MessageBoxes.h"
#include "app/windows/DesktopDialogs.h"
#include "app/windows/fmMessageBoxes.h"
#include "app/windows/frmCover.h"
#include "app/windows/frmMain.h"
#include "auxiliary/windows/fmDirectory.h"
#include "batch/BatchController.h"
#include "engine/component/FFmpegConverter.h"
#include "engine/component/MainThreadDispatcher.h"
#include "formats/FormatListModel.h"
#include "formats/FormatParams.h"
#include "player/PlayerArbiter.h"
#include "ui/QtMainThreadDispatcher.h"
#include "ui/QtOpenFileDialog.h"

#include <QApplication>
#include <QStyleFactory>

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

// A crash signal is not an exception and the program cannot go on after it; say what
// happened on stderr, then let the default action end the process.
void OnCrashSignal(int sig) {
    const char* name = sig == SIGSEGV  ? "segmentation fault"
                       : sig == SIGBUS ? "bus error"
                                       : "arithmetic fault";
    const char prefix[] = "Orvel Video Converter: ";
    (void)!::write(STDERR_FILENO, prefix, sizeof(prefix) - 1);
    (void)!::write(STDERR_FILENO, name, std::strlen(name));
    (void)!::write(STDERR_FILENO, "\n", 1);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

} // namespace

int main(int argc, char** argv) {
    using namespace orvel;
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE})
        std::signal(sig, OnCrashSignal);

    TGuardedApplication<QApplication> app(argc, argv);
    // Fusion draws with the palette alone, so every colour scheme looks the same everywhere.
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    TQtMessageBoxes boxes;
    SetMessageBoxes(&boxes);
    QtMainThreadDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);

    int result = 1;
    try {
        TfrmCover cover;
        cover.show();
        cover.repaint();
        QApplication::processEvents();

        SetApplicationTitle(kProductName);
        const TAppPaths paths = TAppPaths::ForExecutable();
        TAppSettings settings(paths.SettingsIniPath);
        TFormatParamStore formats(paths.FormatIniPath, paths.SettingsIniPath);
        TFormatListModel catalog(paths.SettingsIniPath);
        TFFmpegConverter converter;
        TFFPlayerFactory players;
        TQtOpenFileDialog openDialog;
        // The dialogs join here as they are built; until then their commands are disabled.
        TDesktopSystemActions system;
        TfmDirectory folders(boxes); // one chooser for every window that asks for a folder
        QWidget* owner = nullptr;    // the main window, once made
        TMainDialogs dialogs(DesktopDialogFactories({.Settings = settings,
                                                     .Formats = formats,
                                                     .Players = players,
                                                     .OpenDialog = openDialog,
                                                     .System = system,
                                                     .Folders = folders,
                                                     .Boxes = boxes,
                                                     .Owner = [&owner] { return owner; }}));
        TfrmMain mainWindow(TMainWindowParts{.Paths = paths,
                                             .Settings = settings,
                                             .Formats = formats,
                                             .Catalog = catalog,
                                             .Converter = converter,
                                             .Players = players,
                                             .Dialogs = dialogs,
                                             .Boxes = boxes,
                                             .System = system,
                                             .OpenDialog = openDialog,
                                             .Folders = folders});
        owner = &mainWindow;
        // The dialogs are the main window's children but their slots own them: they go first.
        struct TReleaseDialogs {
            TMainDialogs& Dialogs;
            ~TReleaseDialogs() { Dialogs.Release(); }
        } releaseDialogs{dialogs};
        cover.SetMainWindow(&mainWindow);
        mainWindow.show();
        result = QApplication::exec();
    } catch (...) {
        ReportUnhandledError(std::current_exception());
    }

    SetMainThreadDispatcher(nullptr);
    SetMessageBoxes(nullptr);
    return result;
}
