#pragma once
// The "Keyboard Shortcuts" window of the Help menu: every key of the main window, where it
// works and what it does.
#include <QDialog>

namespace orvel {

class TfrmShortcuts : public QDialog {
    Q_OBJECT
public:
    explicit TfrmShortcuts(QWidget* parent = nullptr);
};

} // namespace orvel
