#include "app/windows/fmMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace orvel {

TMsgResult TQtMessageBoxes::Show(const std::string& text, const std::string& caption, TMsgIcon icon,
                                 TMsgButtons buttons) {
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
    case TMsgIcon::None:
        break;
    case TMsgIcon::Information:
        qtIcon = QMessageBox::Information;
        break;
    case TMsgIcon::Warning:
        qtIcon = QMessageBox::Warning;
        break;
    case TMsgIcon::Error:
        qtIcon = QMessageBox::Critical;
        break;
    case TMsgIcon::Question:
        qtIcon = QMessageBox::Question;
        break;
    }
    QMessageBox::StandardButtons qtButtons = QMessageBox::Ok;
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    switch (buttons) {
    case TMsgButtons::Ok:
        break;
    case TMsgButtons::OkCancel:
        qtButtons = QMessageBox::Ok | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        break;
    case TMsgButtons::YesNo:
        qtButtons = QMessageBox::Yes | QMessageBox::No;
        escape = QMessageBox::No;
        break;
    case TMsgButtons::YesNoCancel:
        qtButtons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        break;
    case TMsgButtons::StopGoOn:
        qtButtons = QMessageBox::NoButton;
        break;
    }
    QMessageBox box(qtIcon, QString::fromStdString(caption), QString::fromStdString(text), qtButtons,
                    QApplication::activeWindow());
    box.setEscapeButton(escape);
    if (buttons == TMsgButtons::StopGoOn) {
        // Going on is the answer an Enter or Esc pressed in haste gives.
        QPushButton* stop = box.addButton("&Stop the whole batch", QMessageBox::YesRole);
        QPushButton* goOn = box.addButton("&Go on", QMessageBox::NoRole);
        box.setDefaultButton(goOn);
        box.setEscapeButton(goOn);
        box.exec();
        return box.clickedButton() == stop ? TMsgResult::Yes : TMsgResult::No;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TMsgResult::Yes;
    case QMessageBox::No:
        return TMsgResult::No;
    case QMessageBox::Ok:
        return TMsgResult::Ok;
    default:
        return TMsgResult::Cancel;
    }
}

} // namespace orvel
