#include "auxiliary/windows/frmFileInfo.h"

#include "app/store/MessageBoxes.h"
#include "ui/Accessibility.h"
#include "ui/WindowGeometry.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>

namespace orvel {
namespace {

QLabel* NamedLabel(const char* name, const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

// Read-only edits on the tooltip colour, as the facts are for reading and copying only.
QLineEdit* FactEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    // A style sheet, since the colour schemes' sheet would override a palette's background.
    const QPalette palette = edit->palette();
    edit->setStyleSheet(
        QString("QLineEdit { background-color: %1; color: %2; }")
            .arg(palette.color(QPalette::ToolTipBase).name(), palette.color(QPalette::ToolTipText).name()));
    return edit;
}

// One fact: its caption label and its edit, with their names.
struct TFactRow {
    const char* CaptionName;
    const char* Caption;
    QLabel** CaptionLabel;
    const char* EditName;
    QLineEdit** Edit;
};

// A titled group of facts, each caption beside its edit.
QGroupBox* FactGroup(const char* name, const char* title, std::initializer_list<TFactRow> rows,
                     QWidget* parent) {
    auto* box = new QGroupBox(QString::fromLatin1(title), parent);
    box->setObjectName(QString::fromLatin1(name));
    auto* form = new QFormLayout(box);
    form->setHorizontalSpacing(12);
    form->setLabelAlignment(Qt::AlignLeft);
    form->setContentsMargins(14, 10, 14, 10);
    for (const TFactRow& row : rows) {
        *row.CaptionLabel = NamedLabel(row.CaptionName, row.Caption, box);
        *row.Edit = FactEdit(row.EditName, box);
        form->addRow(*row.CaptionLabel, *row.Edit);
        LabelControl(*row.CaptionLabel, *row.Edit);
        // "Format:" and "Bit Rate:" are in both groups; the name says which.
        (*row.Edit)->setAccessibleName(box->title().trimmed() + " " + (*row.Edit)->accessibleName());
    }
    return box;
}

} // namespace

TfrmFileInfo::TfrmFileInfo(std::string libraryFolder, IMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), model_(std::move(libraryFolder)), boxes_(boxes) {
    setObjectName("frmFileInfo");
    setWindowTitle("File infomation");
    CreateControls();
    RememberWindowGeometry(*this, std::string(), QSize(kFileInfoWidth, kFileInfoHeight));
    connect(btn1, &QPushButton::clicked, this, &TfrmFileInfo::btn1Click);
}

void TfrmFileInfo::CreateControls() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(12, 12, 12, 12);
    root->setSpacing(10);

    auto* file = new QFormLayout;
    file->setHorizontalSpacing(8);
    lbl1 = NamedLabel("lbl1", "File Name:", this);
    lblSourceName = NamedLabel("lblSourceName", "", this);
    lbl3 = NamedLabel("lbl3", "Duration:", this);
    lblFileLength = NamedLabel("lblFileLength", "", this);
    file->addRow(lbl1, lblSourceName);
    file->addRow(lbl3, lblFileLength);
    LabelControl(lbl1, lblSourceName);
    LabelControl(lbl3, lblFileLength);
    root->addLayout(file);

    grpbx1 = FactGroup("grpbx1", "Video ",
                       {{"lbl5", "Format:", &lbl5, "edtFormat", &edtFormat},
                        {"lbl6", "Resloution:", &lbl6, "edtResloution", &edtResloution},
                        {"lbl13", "Bit Rate:", &lbl13, "edtBitRate", &edtBitRate},
                        {"lbl7", "Frame Rate:", &lbl7, "edtFrameRate", &edtFrameRate},
                        {"lbl8", "Total Frame:", &lbl8, "edtTotalFrame", &edtTotalFrame}},
                       this);
    root->addWidget(grpbx1);
    grpbx2 = FactGroup("grpbx2", "Audio",
                       {{"lbl9", "Format:", &lbl9, "edtAudioForamt", &edtAudioForamt},
                        {"lbl12", "Bit Rate:", &lbl12, "edtAudioBitRate", &edtAudioBitRate},
                        {"lbl10", "Sample Rate:", &lbl10, "edtSampleRate", &edtSampleRate},
                        {"lbl11", "Channel:", &lbl11, "edtChannel", &edtChannel}},
                       this);
    root->addWidget(grpbx2);
    root->addStretch();
    // One caption column for both groups, so their edits line up.
    int captionWidth = 0;
    for (const QLabel* caption : {lbl5, lbl6, lbl13, lbl7, lbl8, lbl9, lbl12, lbl10, lbl11})
        captionWidth = std::max(captionWidth, caption->sizeHint().width());
    for (QLabel* caption : {lbl5, lbl6, lbl13, lbl7, lbl8, lbl9, lbl12, lbl10, lbl11})
        caption->setMinimumWidth(captionWidth);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btn1 = new QPushButton("&Ok", this);
    btn1->setObjectName("btn1");
    btn1->setDefault(true);
    buttons->addWidget(btn1);
    root->addLayout(buttons);
}

void TfrmFileInfo::ShowFile(const std::string& sourceFile) {
    SetSourceFile(sourceFile.empty() ? std::nullopt : std::optional<std::string>(sourceFile));
    exec();
}

void TfrmFileInfo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TfrmFileInfo::FormShow() {
    const std::string error = model_.FormShow(sourceFile_);
    Render(model_.View());
    if (!error.empty()) boxes_.Show(error, ApplicationTitle(), TMsgIcon::Warning, TMsgButtons::Ok);
}

void TfrmFileInfo::btn1Click() {
    accept();
}

void TfrmFileInfo::FormCloseQuery() {
    model_.FormCloseQuery();
}

// Every way of closing (the button, Escape, the close box) comes through here.
void TfrmFileInfo::done(int result) {
    FormCloseQuery();
    QDialog::done(result);
}

void TfrmFileInfo::Render(const TFileInfoView& view) {
    auto set = [](QWidget* w, const std::string& text) {
        const QString t = QString::fromStdString(text);
        if (auto* label = qobject_cast<QLabel*>(w)) label->setText(t);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            edit->setText(t);
            edit->setCursorPosition(0);
        }
    };
    set(lblSourceName, view.SourceName);
    set(lblFileLength, view.FileLength);
    set(edtFormat, view.Format);
    set(edtResloution, view.Resolution);
    set(edtBitRate, view.BitRate);
    set(edtFrameRate, view.FrameRate);
    set(edtTotalFrame, view.TotalFrame);
    set(edtAudioForamt, view.AudioFormat);
    set(edtAudioBitRate, view.AudioBitRate);
    set(edtSampleRate, view.SampleRate);
    set(edtChannel, view.Channel);
}

} // namespace orvel
