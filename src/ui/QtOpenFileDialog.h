#pragma once
// The open-file dialog of the desktop program: Qt's own file dialog, modal over the active
// window, with the type list's patterns matched without regard to case.
#include "app/store/OpenFileDialog.h"

#include <QString>
#include <QStringList>

namespace orvel {

// "*.AVI;*.avm;" -> {"*.[aA][vV][iI]", "*.[aA][vV][mM]"}; "*.*" means every file, also one
// without a dot in its name.
QStringList CaseFreePatterns(const std::string& patterns);

class TQtOpenFileDialog : public IOpenFileDialog {
public:
    std::vector<std::string> OpenFiles(const TOpenFileRequest& request) override;
};

} // namespace orvel
