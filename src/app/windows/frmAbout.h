#pragma once
// The About window: the product's name and version and the versions of the libraries in use.
#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace orvel {

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    QLabel* lblProduct;
    QLabel* lblVersion;
    QLabel* lblLibraries;
    QPushButton* btnOk;
};

} // namespace orvel
