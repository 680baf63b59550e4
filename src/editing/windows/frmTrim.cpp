#include "editing/windows/frmTrim.h"

#include "app/store/AppSettings.h"
#include "editing/windows/DialogControls.h"
#include "ui/SelectionSlider.h"
#include "ui/VideoPanel.h"
#include "ui/WindowGeometry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>

namespace orvel {

using namespace dialog_controls;

namespace {

const QSize kTrimSize(615, 435);

QLineEdit* NewTimeField(QWidget* parent, const char* name, const char* accessibleName, QRect geometry) {
    auto* edit = Named(new QLineEdit(parent), name, geometry);
    edit->setAccessibleName(QString::fromLatin1(accessibleName));
    return edit;
}

} // namespace

TfrmTrim::TfrmTrim(IPlayerFactory& players, QWidget* parent)
    : TJobPreviewDialog(parent), FFPlayer(players.CreatePlayer()) {
    setObjectName("frmTrim");
    setWindowTitle("Trim");

    tabCrop = NewEditPage(this, "Trim", pageEdit);
    // The two "Ok" buttons of the time rows have no mnemonic of their own: I and O do their work,
    // and Alt+S and Alt+E reach the fields.
    Label2 = NewLabel(tabCrop, "Label2", "Set &Start Time:", {10, 10, 200, 18});
    edtStart = NewTimeField(tabCrop, "edtStart", "Start time", {10, 30, 110, 24});
    Label2->setBuddy(edtStart);
    lbl4 = NewLabel(tabCrop, "lbl4", "(HH:MM:SS)", {126, 33, 86, 18});
    btnOk1 = NewButton(tabCrop, "btnOk1", "Ok", {10, 58, 70, 26});
    btnOk1->setAccessibleName("Start at the playing position");
    btnOk1->setToolTip("Start at the playing position (I)");
    Label1 = NewLabel(tabCrop, "Label1", "Set &End Time:", {10, 96, 200, 18});
    edtEnd = NewTimeField(tabCrop, "edtEnd", "End time", {10, 116, 110, 24});
    Label1->setBuddy(edtEnd);
    lbl5 = NewLabel(tabCrop, "lbl5", "(HH:MM:SS)", {126, 119, 86, 18});
    btnOk2 = NewButton(tabCrop, "btnOk2", "Ok", {10, 144, 70, 26});
    btnOk2->setAccessibleName("End at the playing position");
    btnOk2->setToolTip("End at the playing position (O)");
    Label3 = NewLabel(tabCrop, "Label3", "Trim Length:", {10, 182, 200, 18});
    edtTrimLength = NewTimeField(tabCrop, "edtTrimLength", "Trim length", {10, 202, 110, 24});
    edtTrimLength->setEnabled(false);
    {
        QPalette p = edtTrimLength->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            p.setColor(group, QPalette::Base, p.color(QPalette::Active, QPalette::Midlight));
            p.setColor(group, QPalette::Text, Qt::black);
        }
        edtTrimLength->setPalette(p);
    }
    lbl6 = NewLabel(tabCrop, "lbl6", "(HH:MM:SS)", {126, 205, 86, 18});
    btnReset = NewButton(tabCrop, "btnReset", "&Reset", {10, 236, 80, 26});
    // Why a typed time was not taken.
    lblTimeError = NewLabel(this, "lblTimeError", "", {8, 312, 222, 36});
    lblTimeError->setWordWrap(true);
    lblTimeError->setStyleSheet("color: #b00000");

    // The name gets the window's width: 50 characters do not fit in 290 pixels of this font.
    lbl1 = NewLabel(this, "lbl1", "Source Name:", {8, 360, 90, 20});
    lblSourceName = NewLabel(this, "lblSourceName", "", {100, 360, 508, 20});
    imgPreview = Named(new TVideoPanel(this), "imgPreview", {236, 32, 372, 260});
    trcPreview = Named(new TSelectionSlider(this), "trcPreview", {236, 296, 372, 22});
    trcPreview->setSingleStep(1);
    trcPreview->setPageStep(1);
    trcPreview->installEventFilter(this);
    trcPreview->setAccessibleName("Position");
    imgPreview->setAccessibleName("Preview");
    imgbtnPlay = NewPlayButton(this, "imgbtnPlay", true, {236, 322, 26, 26});
    imgbtnpause = NewPlayButton(this, "imgbtnpause", false, {264, 322, 26, 26});
    lblPTS = NewLabel(this, "lblPTS", "", {298, 326, 150, 20});
    lblLength = NewLabel(this, "lblLength", "", {450, 326, 160, 20});

    NewBottomButtons(this, btnDefault, btnOk, btnCancel);
    LayOutEditDialog(this, pageEdit, lblTimeError,
                     {24, imgPreview, 4, trcPreview, 4,
                      Row({{0, Fixed(imgbtnPlay)},
                           {2, Fixed(imgbtnpause)},
                           {8, Elastic(lblPTS)},
                           {2, Elastic(lblLength)}})},
                     7, 12, Row({{0, Fixed(lbl1)}, {2, Elastic(lblSourceName)}}),
                     Row({{0, Fixed(btnDefault)}, {-1, nullptr}, {0, Fixed(btnOk)}, {6, Fixed(btnCancel)}}));
    resize(kTrimSize);
    RememberWindowGeometry(*this, TAppSettings::Current().Ini().FileName(), kTrimSize);

    connect(btnOk1, &QPushButton::clicked, this, [this] { btnOk1Click(); });
    connect(btnOk2, &QPushButton::clicked, this, [this] { btnOk2Click(); });
    connect(btnReset, &QPushButton::clicked, this, [this] { btnResetClick(); });
    connect(btnDefault, &QPushButton::clicked, this, [this] { btnResetClick(); });
    ConnectOkCancel(btnOk, btnCancel);
    connect(imgbtnPlay, &QToolButton::clicked, this, [this] { imgbtnPlayClick(); });
    connect(imgbtnpause, &QToolButton::clicked, this, [this] { imgbtnpauseClick(); });
    connect(trcPreview, &QSlider::valueChanged, this, [this](int value) { model_.SliderMoved(value); });

    connect(edtStart, &QLineEdit::editingFinished, this, [this] { edtStartTyped(); });
    connect(edtEnd, &QLineEdit::editingFinished, this, [this] { edtEndTyped(); });

    AttachPlayer(*FFPlayer);
    WatchPreviewKeys(*FFPlayer, imgbtnPlay, imgbtnpause, [this] { return model_.Duration(); },
                     {imgPreview, trcPreview, imgbtnPlay, imgbtnpause});
    FFPlayer->SetHook(true);
}

TfrmTrim::~TfrmTrim() {
    FFPlayer->Stop(true);
}

void TfrmTrim::Open(const TlvFilesRecord& job) {
    TakeJob(job);
    model_.FormShow();
    ShowTimeError({});
    for (QLineEdit* field : {edtStart, edtEnd})
        field->setModified(false);
    Render(model_.View());
    show();
    imgPreview->setFocus(); // the preview's keys, I and O work at once
    if (OpenSource(*FFPlayer, imgPreview)) model_.AfterOpen(job);
    PublishHookSettings();
    Render(model_.View());
}

void TfrmTrim::FFPlayerFileOpen(int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                                int& screenHeight) {
    model_.FileOpen(duration, trcPreview->width());
    screenWidth = imgPreview->width();
    screenHeight = imgPreview->height();
    PublishHookSettings();
    Render(model_.View());
}

void TfrmTrim::FFPlayerPosition(int64_t position) {
    model_.Position(position);
    Render(model_.View());
}

void TfrmTrim::FFPlayerState(TPlayState state) {
    if (state != psEnd) return;
    model_.Ended();
    PublishHookSettings();
    FFPlayer->Seek(sfAny, false, 0);
    FFPlayer->Pause();
    Render(model_.View());
}

void TfrmTrim::FFPlayerHook(Bitmap24& frame) {
    hook_.Render(frame.View());
}

void TfrmTrim::btnOk1Click() {
    ShowTimeError({});
    edtStart->setModified(false);
    model_.TakeStart(FFPlayer->CurrentPosition());
    Render(model_.View());
}

void TfrmTrim::btnOk2Click() {
    ShowTimeError({});
    edtEnd->setModified(false);
    model_.TakeEnd(FFPlayer->CurrentPosition());
    Render(model_.View());
}

void TfrmTrim::edtStartTyped() {
    if (!edtStart->isModified()) return;
    Typed(edtStart, model_.TypeStart(edtStart->text().toStdString()));
}

void TfrmTrim::edtEndTyped() {
    if (!edtEnd->isModified()) return;
    Typed(edtEnd, model_.TypeEnd(edtEnd->text().toStdString()));
}

void TfrmTrim::Typed(QLineEdit* field, const std::string& problem) {
    ShowTimeError(problem);
    if (!problem.empty()) return; // the text stays for the user to mend
    field->setModified(false);
    Render(model_.View());
}

void TfrmTrim::ShowTimeError(const std::string& problem) {
    lblTimeError->setText(QString::fromStdString(problem));
}

bool TfrmTrim::CanApply() {
    // A time still being typed is taken first; one that cannot be taken keeps the dialog open.
    edtStartTyped();
    if (edtStart->isModified()) {
        edtStart->setFocus();
        return false;
    }
    edtEndTyped();
    if (edtEnd->isModified()) {
        edtEnd->setFocus();
        return false;
    }
    return true;
}

bool TfrmTrim::DialogKey(int key) {
    if (key == Qt::Key_I)
        btnOk1Click();
    else if (key == Qt::Key_O)
        btnOk2Click();
    else
        return false;
    return true;
}

void TfrmTrim::btnResetClick() {
    model_.Reset();
    Render(model_.View());
}

void TfrmTrim::imgbtnPlayClick() {
    FFPlayer->Resume();
    model_.Play();
    PublishHookSettings();
    Render(model_.View());
}

void TfrmTrim::imgbtnpauseClick() {
    FFPlayer->Pause();
    model_.Pause();
    Render(model_.View());
}

void TfrmTrim::trcPreviewRelease() {
    FFPlayer->Seek(0, false, model_.SeekTarget(trcPreview->value()));
}

void TfrmTrim::ApplyEdits(TlvFilesRecord& job) const {
    model_.ApplyTo(job);
}

void TfrmTrim::StopPreview(bool) {
    FFPlayer->Stop(false);
}

bool TfrmTrim::eventFilter(QObject* watched, QEvent* event) {
    if (SliderReleased(trcPreview, watched, event)) trcPreviewRelease();
    return TJobPreviewDialog::eventFilter(watched, event);
}

void TfrmTrim::PublishHookSettings() {
    hook_.Publish(TPreviewSettings::FromRecord(job_, TCropOutline::Plain, model_.HookDraws()));
}

void TfrmTrim::Render(const TTrimView& view) {
    // A time being typed is not overwritten by the playing position's updates.
    if (!edtStart->isModified()) edtStart->setText(QString::fromStdString(view.Start));
    if (!edtEnd->isModified()) edtEnd->setText(QString::fromStdString(view.End));
    edtTrimLength->setText(QString::fromStdString(view.TrimLength));
    lblSourceName->setText(QString::fromStdString(view.SourceName));
    lblPTS->setText(QString::fromStdString(view.PTS));
    lblLength->setText(QString::fromStdString(view.Length));
    {
        const QSignalBlocker block(trcPreview);
        trcPreview->setMaximum(view.SliderMax);
        trcPreview->setValue(view.SliderPos);
    }
    trcPreview->SetSelection(view.SelStart, view.SelEnd);
    trcPreview->SetThumbShown(view.ThumbShown);
    trcPreview->setEnabled(view.SliderEnabled);
    imgbtnPlay->setEnabled(view.PlayEnabled);
    imgbtnpause->setEnabled(view.PauseEnabled);
}

} // namespace orvel
