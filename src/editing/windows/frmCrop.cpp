#include "editing/windows/frmCrop.h"

#include "app/store/AppSettings.h"
#include "editing/PreviewSeek.h"
#include "editing/windows/DialogControls.h"
#include "editing/windows/RectTracker.h"
#include "probe/BlackBars.h"
#include "ui/VideoPanel.h"
#include "ui/WindowGeometry.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <tuple>

namespace orvel {

using namespace dialog_controls;

namespace {
const QColor kPreviewBackground(166, 202, 240);
const QSize kCropSize(615, 435);
constexpr int kSpinRange = 100000; // the margins have no bounds of their own
} // namespace

TfrmCrop::TfrmCrop(IPlayerFactory& players, QWidget* parent)
    : TJobPreviewDialog(parent), FFPlayer(players.CreatePlayer()) {
    setObjectName("frmCrop");
    setWindowTitle("Crop");

    // The player's own surface lies hidden; the picture is painted from the hook's frame copy.
    pan1 = Named(new TVideoPanel(this), "pan1", {12, 40, 16, 16});
    pan1->hide();

    tabCrop = NewEditPage(this, "Crop", pageEdit);
    grpbxCrop = Named(new QGroupBox("Crop Size", tabCrop), "grpbxCrop", {8, 8, 200, 150});
    lblUp = NewLabel(grpbxCrop, "lblUp", "&Up", {14, 26, 60, 22});
    spedUp = NewArrowSpin(grpbxCrop, "spedUp", -1, kSpinRange, {84, 24, 90, 26});
    lblDown = NewLabel(grpbxCrop, "lblDown", "D&own", {14, 58, 60, 22});
    spedDown = NewArrowSpin(grpbxCrop, "spedDown", -1, kSpinRange, {84, 56, 90, 26});
    lblLeft = NewLabel(grpbxCrop, "lblLeft", "&Left", {14, 90, 60, 22});
    spedLeft = NewArrowSpin(grpbxCrop, "spedLeft", -1, kSpinRange, {84, 88, 90, 26});
    lblRight = NewLabel(grpbxCrop, "lblRight", "&Right", {14, 122, 60, 22});
    spedRight = NewArrowSpin(grpbxCrop, "spedRight", -1, kSpinRange, {84, 120, 90, 26});
    const std::tuple<QLabel*, QSpinBox*, const char*> margins[] = {{lblUp, spedUp, "Top margin"},
                                                                   {lblDown, spedDown, "Bottom margin"},
                                                                   {lblLeft, spedLeft, "Left margin"},
                                                                   {lblRight, spedRight, "Right margin"}};
    for (const auto& [label, spin, name] : margins) {
        label->setBuddy(spin);
        spin->setAccessibleName(name);
    }
    // The margins as Ok stores them, and a proposal from the source's black bars.
    lblSourceMargins = NewLabel(tabCrop, "lblSourceMargins", "", {8, 160, 204, 34});
    lblSourceMargins->setWordWrap(true);
    btnReset = NewButton(tabCrop, "btnReset", "Reset", {8, 198, 86, 28});
    btnDetect = NewButton(tabCrop, "btnDetect", "Detect &Black Bars", {8, 232, 150, 28});
    lblZoom = NewLabel(tabCrop, "lblZoom", "Zoom", {8, 230, 40, 22});
    cmbZoom = Named(new QComboBox(tabCrop), "cmbZoom", {52, 230, 120, 24});
    cmbZoom->addItems({"Full screen", "Letterbox"});
    lblZoom->hide();
    cmbZoom->hide();

    // The name gets the window's width: 50 characters do not fit in 290 pixels of this font.
    lbl2 = NewLabel(this, "lbl2", "Source File:", {8, 360, 90, 20});
    lblSourceName = NewLabel(this, "lblSourceName", "", {100, 360, 508, 20});
    imgPreview = Named(new QLabel(this), "imgPreview", {236, 32, 370, 253});
    imgPreview->setAccessibleName("Preview");
    rectTracker = new RectTracker(this);
    rectTracker->setAccessibleName("Crop rectangle");
    rectTracker->raise();
    trcPreview = Named(new QSlider(Qt::Horizontal, this), "trcPreview", {236, 292, 370, 22});
    trcPreview->setTickPosition(QSlider::NoTicks);
    trcPreview->setTickInterval(5);
    trcPreview->installEventFilter(this);
    trcPreview->setAccessibleName("Position");
    imgbtnPlay = NewPlayButton(this, "imgbtnPlay", true, {236, 320, 26, 26});
    imgbtnpause = NewPlayButton(this, "imgbtnpause", false, {264, 320, 26, 26});
    lbl1 = NewLabel(this, "lbl1", "Time:", {300, 324, 40, 20});
    lblPTS = NewLabel(this, "lblPTS", "", {342, 324, 90, 20});
    lblLength1 = NewLabel(this, "lblLength1", "Length:", {436, 324, 52, 20});
    lblLength = NewLabel(this, "lblLength", "", {490, 324, 118, 20});

    NewBottomButtons(this, btnDefault, btnOk, btnCancel);
    LayOutEditDialog(this, pageEdit, nullptr,
                     {24, imgPreview, 7, trcPreview, 6,
                      Row({{0, Fixed(imgbtnPlay)},
                           {2, Fixed(imgbtnpause)},
                           {10, Fixed(lbl1)},
                           {2, Elastic(lblPTS)},
                           {4, Fixed(lblLength1)},
                           {2, Elastic(lblLength)}})},
                     9, 14, Row({{0, Fixed(lbl2)}, {2, Elastic(lblSourceName)}}),
                     Row({{0, Fixed(btnDefault)}, {-1, nullptr}, {0, Fixed(btnOk)}, {6, Fixed(btnCancel)}}));
    imgPreview->installEventFilter(this); // a larger preview takes the rectangle along
    resize(kCropSize);
    RememberWindowGeometry(*this, TAppSettings::Current().Ini().FileName(), kCropSize);

    Timer = new QTimer(this);
    Timer->setObjectName("Timer");
    Timer->setInterval(100);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });

    connect(btnReset, &QPushButton::clicked, this, [this] { btnResetClick(); });
    connect(btnDetect, &QPushButton::clicked, this, [this] { btnDetectClick(); });
    connect(btnDefault, &QPushButton::clicked, this, [this] { btnResetClick(); });
    ConnectOkCancel(btnOk, btnCancel);
    connect(imgbtnPlay, &QToolButton::clicked, this, [this] { imgbtnPlayClick(); });
    connect(imgbtnpause, &QToolButton::clicked, this, [this] { imgbtnpauseClick(); });
    connect(trcPreview, &QSlider::valueChanged, this, [this](int v) { trcPreviewChange(v); });
    connect(rectTracker, &RectTracker::Pressed, this, [this] { RectTrackerMouseDown(); });
    connect(rectTracker, &RectTracker::Moved, this, [this] { RectTrackerMouseMove(); });
    const std::pair<QSpinBox*, TCropMargin> spins[] = {{spedUp, TCropMargin::Up},
                                                       {spedDown, TCropMargin::Down},
                                                       {spedLeft, TCropMargin::Left},
                                                       {spedRight, TCropMargin::Right}};
    for (const auto& [spin, margin] : spins)
        connect(spin, &QSpinBox::valueChanged, this,
                [this, margin = margin](int v) { spedChange(margin, v); });

    AttachPlayer(*FFPlayer);
    WatchPreviewKeys(*FFPlayer, imgbtnPlay, imgbtnpause, [this] { return model_.Duration(); },
                     {imgPreview, trcPreview, imgbtnPlay, imgbtnpause});
    FFPlayer->SetHook(true);
}

TfrmCrop::~TfrmCrop() {
    FFPlayer->Stop(true);
}

void TfrmCrop::Open(const TlvFilesRecord& job) {
    TakeJob(job);
    frameWidth_ = frameHeight_ = 0;
    model_.FormShow(job);
    PublishHookSettings();
    PaintPreview({});
    Render(model_.View());
    show();
    imgPreview->setFocus(); // the preview's keys work at once
    if (!OpenSource(*FFPlayer, pan1)) {
        model_.OpenFailed();
    } else {
        const QRect image = imgPreview->geometry();
        model_.AfterOpen(frameWidth_, frameHeight_, {image.x(), image.y(), image.width(), image.height()},
                         model_.Duration());
        Bitmap24& current = FFPlayer->CurrentFrame();
        if (!current.Empty()) {
            std::lock_guard lock(current.CanvasLock());
            TFrameCopy first;
            first.Store(current.View());
            PaintPreview(first.Latest());
        }
    }
    PublishHookSettings();
    Render(model_.View());
    Timer->start();
}

void TfrmCrop::FFPlayerFileOpen(int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                                int& screenHeight) {
    frameWidth_ = frameWidth;
    frameHeight_ = frameHeight;
    model_.FileOpen(duration, trcPreview->width());
    {
        const QSignalBlocker block(trcPreview); // placed at the start without seeking
        trcPreview->setValue(0);
    }
    Render(model_.View());
}

void TfrmCrop::FFPlayerPosition(int64_t position) {
    model_.Position(position);
    Render(model_.View());
}

void TfrmCrop::FFPlayerState(TPlayState state) {
    model_.State(state);
    PublishHookSettings();
    if (state == psEnd) {
        FFPlayer->Seek(0, false, 0);
        FFPlayer->Pause();
    }
    Render(model_.View());
}

void TfrmCrop::FFPlayerHook(Bitmap24& frame) {
    bool drawn = false;
    try {
        drawn = hook_.Render(frame.View());
    } catch (...) {
        // A missing overlay picture must not freeze the preview: the frame is shown as far as it
        // was drawn, and the player still hears of the failure.
        frameCopy_.Store(frame.View());
        throw;
    }
    if (drawn) frameCopy_.Store(frame.View());
}

void TfrmCrop::TimerTimer() {
    const QImage latest = frameCopy_.Latest();
    if (!latest.isNull()) PaintPreview(latest);
}

void TfrmCrop::PaintPreview(const QImage& picture) {
    QPixmap canvas(imgPreview->size());
    canvas.fill(kPreviewBackground);
    if (!picture.isNull()) {
        const TCropRect fit = FitPicture(picture.width(), picture.height(), canvas.width(), canvas.height());
        QPainter painter(&canvas);
        painter.drawImage(QRect(fit.Left, fit.Top, fit.Width, fit.Height), picture);
    }
    imgPreview->setPixmap(canvas);
}

void TfrmCrop::trcPreviewChange(int position) {
    // A drag seeks when the button is released (eventFilter), not at every step of it.
    if (QGuiApplication::mouseButtons() & Qt::LeftButton) return;
    (void)position;
    SeekToSlider();
}

void TfrmCrop::SeekToSlider() {
    const int maximum = trcPreview->maximum();
    if (maximum <= 0) return;
    const int64_t duration = model_.Duration();
    if (duration * trcPreview->value() / maximum <= 0) return;
    FFPlayer->Seek(0, false, SliderSeekPosition(trcPreview->value(), maximum, duration));
}

bool TfrmCrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgPreview && event->type() == QEvent::Resize) {
        const QRect image = imgPreview->geometry();
        model_.Relayout({image.x(), image.y(), image.width(), image.height()});
        Render(model_.View());
        PaintPreview(frameCopy_.Latest());
    }
    if (watched == trcPreview && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        QTimer::singleShot(0, this, [this] { SeekToSlider(); }); // after the slider took the release
    return TJobPreviewDialog::eventFilter(watched, event);
}

void TfrmCrop::imgbtnPlayClick() {
    switch (model_.Play()) {
    case TCropModel::TPlayAction::Resume:
        FFPlayer->Resume();
        break;
    case TCropModel::TPlayAction::Reopen:
        model_.Reopened(FFPlayer->Open(job_.SourceFile, pan1));
        break;
    case TCropModel::TPlayAction::None:
        break;
    }
    PublishHookSettings();
    Render(model_.View());
}

void TfrmCrop::imgbtnpauseClick() {
    model_.Pause();
    PublishHookSettings();
    FFPlayer->Pause();
    Render(model_.View());
}

void TfrmCrop::RectTrackerMouseDown() {
    model_.TrackerPressed();
}

void TfrmCrop::RectTrackerMouseMove() {
    notice_.clear();
    const QRect g = rectTracker->geometry();
    model_.TrackerMoved({g.x(), g.y(), g.width(), g.height()});
    Render(model_.View());
}

void TfrmCrop::spedChange(TCropMargin margin, int value) {
    notice_.clear();
    model_.MarginChanged(margin, value);
    Render(model_.View());
}

void TfrmCrop::btnDetectClick() {
    // A few seconds from where the preview is: the opening seconds of a film are often black.
    constexpr int64_t kSpan = 3'000'000;
    std::string error;
    std::optional<TBlackBars> bars;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        bars =
            DetectBlackBars(job_.SourceFile, std::max<int64_t>(FFPlayer->CurrentPosition(), 0), kSpan, error);
        QApplication::restoreOverrideCursor();
    }
    if (!bars) {
        notice_ = error;
    } else if (!model_.ProposeSourceMargins(bars->Top, bars->Bottom, bars->Left, bars->Right)) {
        notice_ = "The bars found leave no picture to keep.";
    } else {
        notice_.clear();
        if (bars->Top + bars->Bottom + bars->Left + bars->Right == 0) notice_ = "No black bars were found.";
    }
    Render(model_.View());
}

void TfrmCrop::btnResetClick() {
    notice_.clear();
    model_.Reset();
    Render(model_.View());
}

void TfrmCrop::ApplyEdits(TlvFilesRecord& job) const {
    model_.ApplyTo(job);
}

void TfrmCrop::StopPreview(bool) {
    // The painting ends with the preview.
    Timer->stop();
    FFPlayer->Stop(true);
    frameCopy_.Clear();
}

void TfrmCrop::PublishHookSettings() {
    hook_.Publish(TPreviewSettings::FromRecord(job_, TCropOutline::Plain, model_.HookDraws()));
}

void TfrmCrop::Render(const TCropView& view) {
    const std::pair<QSpinBox*, int> spins[] = {
        {spedUp, view.Up}, {spedDown, view.Down}, {spedLeft, view.Left}, {spedRight, view.Right}};
    for (const auto& [spin, value] : spins) {
        const QSignalBlocker block(spin);
        spin->setValue(value);
        spin->setEnabled(view.CropEnabled);
    }
    rectTracker->setGeometry(view.Tracker.Left, view.Tracker.Top, view.Tracker.Width, view.Tracker.Height);
    rectTracker->setVisible(view.CropEnabled);
    rectTracker->setEnabled(view.CropEnabled);
    lblSourceName->setText(QString::fromStdString(view.SourceName));
    lblPTS->setText(QString::fromStdString(view.PTS));
    lblLength->setText(QString::fromStdString(view.Length));
    lblSourceMargins->setText(QString::fromStdString(notice_.empty() ? model_.SourceMarginsText() : notice_));
    btnDetect->setEnabled(view.CropEnabled);
    imgbtnPlay->setEnabled(view.PlayEnabled);
    imgbtnpause->setEnabled(view.PauseEnabled);
    {
        const QSignalBlocker block(trcPreview);
        trcPreview->setMaximum(view.SliderMax);
    }
    const QSignalBlocker block(cmbZoom);
    cmbZoom->setCurrentIndex(view.ZoomIndex);
}

} // namespace orvel
