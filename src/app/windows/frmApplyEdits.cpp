#include "app/windows/frmApplyEdits.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace orvel {

TfrmApplyEdits::TfrmApplyEdits(QWidget* parent) : QDialog(parent) {
    setObjectName("frmApplyEdits");
    setWindowTitle("Apply Edits To");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Copy the crop, zoom, water mark and effects of this file to:", this));
    rbSelected = new QRadioButton("The &selected files", this);
    rbAll = new QRadioButton("&All files", this);
    ckTrim = new QCheckBox("Also the &trim", this);
    rbSelected->setObjectName("rbSelected");
    rbAll->setObjectName("rbAll");
    ckTrim->setObjectName("ckTrim");
    rbSelected->setChecked(true);
    for (QWidget* w :
         {static_cast<QWidget*>(rbSelected), static_cast<QWidget*>(rbAll), static_cast<QWidget*>(ckTrim)})
        layout->addWidget(w);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

} // namespace orvel
