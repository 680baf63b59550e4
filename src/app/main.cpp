#include "app/ErrorHandler.h"
#include "app/MessageBoxes.h"
#include "app/windows/fmMessageBoxes.h"
#include "app/windows/frmCover.h"
#include "app/windows/frmMain.h"
#include "engine/MainThreadDispatcher.h"
#include "ui/QtMainThreadDispatcher.h"

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
        TfrmMain mainWindow;
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
