#pragma once
// The About window: the product's name and version and the versions of the libraries in use.
#include "app/store/DialogRoles.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace orvel {

class TfrmAbout : public QDialog, public IModalDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);
    void ShowModal() override { exec(); }

    QLabel* lblProduct;
    QLabel* lblVersion;
    QLabel* lblLibraries;
    QPushButton* btnOk;
};

} // namespace orvel
