#include "app/store/SystemActions.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvel {

void TDesktopSystemActions::OpenFolder(const std::string& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

void TDesktopSystemActions::OpenAddress(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void TDesktopSystemActions::ShutDown() {
    char prog[] = "systemctl";
    char arg[] = "poweroff";
    char* argv[] = {prog, arg, nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, prog, nullptr, nullptr, argv, environ) == 0) waitpid(pid, nullptr, 0);
}

} // namespace orvel
