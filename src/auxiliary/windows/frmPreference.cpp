#include "auxiliary/windows/frmPreference.h"

#include "app/store/FolderChooser.h"
#include "app/store/MessageBoxes.h"
#include "batch/BatchController.h"
#include "ui/Accessibility.h"
#include "ui/WindowGeometry.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace orvel {
namespace {

constexpr const char* kQualityHint =
    "Use Compression Quality to set the compression quality of the \n"
    "JPEG image when writing out a snapshot jpeg image. Higher compression \n"
    "results in a poorer picture quality, but a smaller file size. \n"
    "\n"
    " The higher the Compression Quality value (up to a maximum of 100), \n"
    "the better the image quality, but the larger the file size. \n"
    "The lower the Compression Quality value (to a minimum of 1),\n"
    " the smaller the resulting file size, but at the expense of picture quality.";

constexpr std::array<const char*, kPriorityItemCount> kPriorityItems = {"Idle", "Normal", "Lower", "Lowest"};

template <class T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// Two check boxes side by side, as wide as the larger needs.
QHBoxLayout* Pair(QCheckBox* first, QCheckBox* second) {
    auto* row = new QHBoxLayout;
    row->addWidget(first);
    row->addSpacing(24);
    row->addWidget(second);
    row->addStretch();
    return row;
}

} // namespace

TfrmPreference::TfrmPreference(TAppSettings settings, IFolderChooser& folderChooser, ISystemActions& system,
                               IMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), model_(std::move(settings)), folderChooser_(folderChooser), system_(system),
      boxes_(boxes) {
    setObjectName("frmPreference");
    setWindowTitle("Preference");
    CreateControls();
    RememberWindowGeometry(*this, model_.SettingsPath(), QSize(kPreferenceWidth, kPreferenceHeight));
    Connect();
}

void TfrmPreference::CreateControls() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(14, 12, 14, 12);
    root->setSpacing(10);

    grpbx2 = Named(new QGroupBox("Snapshot", this), "grpbx2");
    auto* grid = new QGridLayout(grpbx2);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);

    lbl1 = Named(new QLabel("Snapshot folder:", grpbx2), "lbl1");
    edtSnapDirectory = Named(new QLineEdit(grpbx2), "edtSnapDirectory");
    edtSnapDirectory->setReadOnly(true);
    // A style sheet, since the colour schemes' sheet would override a palette's background.
    edtSnapDirectory->setStyleSheet(QString("QLineEdit { background-color: %1; }")
                                        .arg(edtSnapDirectory->palette().color(QPalette::Midlight).name()));
    btnBrows = Named(new QPushButton("&Brows", grpbx2), "btnBrows");
    btnOpen = Named(new QPushButton("O&pen", grpbx2), "btnOpen"); // Alt+O is Ok's
    grid->addWidget(lbl1, 0, 0, 1, 4);
    LabelControl(lbl1, edtSnapDirectory);
    grid->addWidget(edtSnapDirectory, 1, 0, 1, 2);
    grid->addWidget(btnBrows, 1, 2);
    grid->addWidget(btnOpen, 1, 3);

    lbl2 = Named(new QLabel("Snapshot size:", grpbx2), "lbl2");
    ckSmallSize = Named(new QCheckBox("Small Size", grpbx2), "ckSmallSize");
    ckFullSize = Named(new QCheckBox("Full Size", grpbx2), "ckFullSize");
    grid->addWidget(lbl2, 2, 0);
    grid->addLayout(Pair(ckSmallSize, ckFullSize), 2, 1, 1, 3);

    lbl3 = Named(new QLabel("Snapshot format:", grpbx2), "lbl3");
    ckBmp = Named(new QCheckBox("BMP", grpbx2), "ckBmp");
    ckJpg = Named(new QCheckBox("JPG", grpbx2), "ckJpg");
    grid->addWidget(lbl3, 3, 0);
    grid->addLayout(Pair(ckBmp, ckJpg), 3, 1, 1, 3);

    lbl4 = Named(new QLabel("Jpg Compression Quality:", grpbx2), "lbl4");
    spedCmp = Named(new QSpinBox(grpbx2), "spedCmp");
    spedCmp->setRange(kJpgQualityMin, kJpgQualityMax);
    spedCmp->setSingleStep(1);
    spedCmp->findChild<QLineEdit*>()->setReadOnly(true); // changed with the arrows only
    spedCmp->setToolTip(kQualityHint);
    trcCmp = Named(new QSlider(Qt::Horizontal, grpbx2), "trcCmp");
    trcCmp->setRange(kJpgQualityMin, kJpgQualityMax);
    trcCmp->setTickPosition(QSlider::TicksBelow);
    trcCmp->setTickInterval(10);
    trcCmp->setPageStep(2);
    trcCmp->setSingleStep(1);
    lbl5 = Named(new QLabel("(The higher the value, the better the image quality.)", grpbx2), "lbl5");
    auto* quality = new QHBoxLayout;
    quality->addWidget(lbl4);
    quality->addWidget(spedCmp);
    quality->addStretch();
    grid->addLayout(quality, 4, 0, 1, 4);
    LabelControl(lbl4, spedCmp);
    trcCmp->setAccessibleName("Jpg Compression Quality slider");
    grid->addWidget(trcCmp, 5, 0, 1, 4);
    grid->addWidget(lbl5, 6, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    root->addWidget(grpbx2);

    rdGrpPriority = Named(new QGroupBox("Work priority", this), "rdGrpPriority");
    auto* items = new QHBoxLayout(rdGrpPriority);
    priorityItems = new QButtonGroup(this);
    for (int i = 0; i < kPriorityItemCount; ++i) {
        rdPriority[i] = new QRadioButton(kPriorityItems[i], rdGrpPriority);
        rdPriority[i]->setObjectName(QString("rdPriority%1").arg(i));
        priorityItems->addButton(rdPriority[i], i);
        items->addWidget(rdPriority[i], 1);
    }
    root->addWidget(rdGrpPriority);
    root->addStretch();

    auto* buttons = new QHBoxLayout;
    btnDefault = Named(new QPushButton("&Default", this), "btnDefault");
    btnOk = Named(new QPushButton("&Ok", this), "btnOk");
    btnCancel = Named(new QPushButton("&Cancel", this), "btnCancel");
    btnOk->setDefault(true);
    buttons->addWidget(btnDefault);
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    root->addLayout(buttons);
}

void TfrmPreference::Connect() {
    connect(btnBrows, &QPushButton::clicked, this, &TfrmPreference::btnBrowsClick);
    connect(btnOpen, &QPushButton::clicked, this, &TfrmPreference::btnOpenClick);
    connect(btnDefault, &QPushButton::clicked, this, &TfrmPreference::btnDefaultClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmPreference::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmPreference::btnCancelClick);
    connect(ckSmallSize, &QCheckBox::toggled, this, &TfrmPreference::ckSmallSizeClick);
    connect(ckFullSize, &QCheckBox::toggled, this, &TfrmPreference::ckFullSizeClick);
    connect(ckBmp, &QCheckBox::toggled, this, &TfrmPreference::ckBmpClick);
    connect(ckJpg, &QCheckBox::toggled, this, &TfrmPreference::ckJpgClick);
    connect(trcCmp, &QSlider::valueChanged, this, &TfrmPreference::trcCmpChange);
    connect(spedCmp, &QSpinBox::valueChanged, this, &TfrmPreference::spedCmpChange);
    connect(priorityItems, &QButtonGroup::idClicked, this, [this](int item) {
        model_.SetPriority(item);
        Render(model_.View());
    });
}

void TfrmPreference::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TfrmPreference::FormShow() {
    model_.FormShow();
    Render(model_.View());
}

void TfrmPreference::ReportUnsaved() {
    boxes_.Show("The settings could not be written to " + model_.SettingsPath() + ".", ApplicationTitle(),
                TMsgIcon::Warning, TMsgButtons::Ok);
}

void TfrmPreference::btnBrowsClick() {
    if (!model_.btnBrowsClick(folderChooser_.ChooseFolder())) ReportUnsaved();
    Render(model_.View());
}

void TfrmPreference::btnOpenClick() {
    if (const auto folder = model_.btnOpenClick()) system_.OpenFolder(*folder);
}

void TfrmPreference::btnDefaultClick() {
    model_.btnDefaultClick();
    Render(model_.View());
}

void TfrmPreference::btnOkClick() {
    // A file that cannot be written keeps the window open, so nothing looks stored that is not.
    if (!model_.btnOkClick()) {
        ReportUnsaved();
        return;
    }
    accept();
}

void TfrmPreference::btnCancelClick() {
    reject();
}

void TfrmPreference::ckSmallSizeClick() {
    model_.SetChecked(TPreferenceCheck::SmallSize, ckSmallSize->isChecked());
    Render(model_.View());
}
void TfrmPreference::ckFullSizeClick() {
    model_.SetChecked(TPreferenceCheck::FullSize, ckFullSize->isChecked());
    Render(model_.View());
}
void TfrmPreference::ckBmpClick() {
    model_.SetChecked(TPreferenceCheck::Bmp, ckBmp->isChecked());
    Render(model_.View());
}
void TfrmPreference::ckJpgClick() {
    model_.SetChecked(TPreferenceCheck::Jpg, ckJpg->isChecked());
    Render(model_.View());
}

void TfrmPreference::trcCmpChange() {
    model_.trcCmpChange(trcCmp->value());
    Render(model_.View());
}
void TfrmPreference::spedCmpChange() {
    model_.spedCmpChange(spedCmp->value());
    Render(model_.View());
}

void TfrmPreference::Render(const TPreferenceView& view) {
    // The widgets' own change signals would feed the model what it just said.
    const QSignalBlocker blockers[] = {QSignalBlocker(ckSmallSize), QSignalBlocker(ckFullSize),
                                       QSignalBlocker(ckBmp),       QSignalBlocker(ckJpg),
                                       QSignalBlocker(spedCmp),     QSignalBlocker(trcCmp)};
    edtSnapDirectory->setText(QString::fromStdString(view.SnapDirectory));
    ckSmallSize->setChecked(view.SmallSize);
    ckFullSize->setChecked(view.FullSize);
    ckBmp->setChecked(view.Bmp);
    ckJpg->setChecked(view.Jpg);
    spedCmp->setEnabled(view.QualityEnabled);
    trcCmp->setEnabled(view.QualityEnabled);
    spedCmp->setValue(view.SpinQuality);
    trcCmp->setValue(view.TrackQuality);
    // No choice is shown with every item unchecked, which an exclusive group does not allow.
    priorityItems->setExclusive(false);
    for (int i = 0; i < kPriorityItemCount; ++i)
        rdPriority[i]->setChecked(i == view.Priority);
    priorityItems->setExclusive(true);
}

} // namespace orvel
