#include "app/windows/frmAbout.h"

#include "app/LibraryVersions.h"
#include "app/store/GlobalObject.h"
#include "formats/windows/CategoryIcons.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace orvel {

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle(QString("About ") + kProductName);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(16, 14, 16, 12);
    auto* head = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(CategoryIcon(26).scaled(40, 40, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    head->addWidget(icon, 0, Qt::AlignTop);
    auto* names = new QVBoxLayout;
    lblProduct = new QLabel(kProductName, this);
    lblProduct->setObjectName("lblProduct");
    QFont big = lblProduct->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    lblProduct->setFont(big);
    names->addWidget(lblProduct);
    // The version of this build, as the main window's caption shows it.
    lblVersion =
        new QLabel("Version " + QString::fromStdString(TGlobalObject::GetFileVersionText()).trimmed(), this);
    lblVersion->setObjectName("lblVersion");
    names->addWidget(lblVersion);
    head->addLayout(names, 1);
    root->addLayout(head);

    QString libraries = "Libraries in use:";
    for (const auto& [name, version] : LibraryVersions())
        libraries +=
            QString("\n    %1 %2").arg(QString::fromStdString(name), QString::fromStdString(version));
    lblLibraries = new QLabel(libraries, this);
    lblLibraries->setObjectName("lblLibraries");
    lblLibraries->setTextInteractionFlags(Qt::TextSelectableByMouse);
    root->addWidget(lblLibraries);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOk = new QPushButton("Ok", this);
    btnOk->setObjectName("btnOk");
    btnOk->setDefault(true);
    buttons->addWidget(btnOk);
    root->addLayout(buttons);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(sizeHint().expandedTo(QSize(320, 0)));
}

} // namespace orvel
