#include "app/windows/PreviewPanel.h"

#include "probe/AVProbe.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QVBoxLayout>

namespace orvel {
namespace {

// The buttons take no focus, so the job list keeps its selection focus while they are used.
QPushButton* PlayerButton(QStyle::StandardPixmap icon, const QString& tip, QWidget* parent) {
    auto* button = new QPushButton(parent->style()->standardIcon(icon), QString(), parent);
    button->setToolTip(tip);
    button->setFixedSize(30, 26);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

// The probe's description of a file, for the hidden log, and one picture's length.
struct TOpenedFile {
    std::string Description;
    int64_t PictureUs = 0;
};
TOpenedFile DescriptionOf(const std::string& file) {
    try {
        TAVProbe probe;
        if (!probe.LoadFile(file)) return {};
        TOpenedFile opened{probe.InfoText(), 0};
        TVideoStreamInfo video;
        if (probe.VideoStreamIndex() >= 0 && probe.GetVideoStreamInfo(probe.VideoStreamIndex(), video) &&
            video.FrameRateNum > 0 && video.FrameRateDen > 0)
            opened.PictureUs = int64_t{1000000} * video.FrameRateDen / video.FrameRateNum;
        return opened;
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

TPreviewPanel::TPreviewPanel(IMediaPlayer& player, TAppSettings& settings, TSnapshotWriter& snapshots,
                             ISystemActions& system, std::string libraryFolder, QWidget* parent)
    : QGroupBox("Preview", parent), player_(player),
      model_(player, settings, snapshots, system, std::move(libraryFolder)) {
    CreateControls();
    ConnectPlayer();
    Render(model_.View());
}

TPreviewPanel::~TPreviewPanel() {
    // The player's events name this panel: none may arrive once it is gone.
    player_.SetOnFileOpen(nullptr);
    player_.SetOnPosition(nullptr);
    player_.SetOnState(nullptr);
}

void TPreviewPanel::CreateControls() {
    setObjectName("PreviewPanel");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(3);
    pan1 = new TVideoPanel(this);
    pan1->setFixedSize(kPreviewPanelWidth, kPreviewPanelHeight);
    layout->addWidget(pan1, 0, Qt::AlignHCenter);
    trcPreview = new QSlider(Qt::Horizontal, this);
    trcPreview->setTickPosition(QSlider::NoTicks);
    layout->addWidget(trcPreview);

    auto* times = new QHBoxLayout;
    lblTime = new QLabel(this);
    lblPTS = new QLabel(this);
    times->addWidget(lblTime);
    times->addStretch();
    times->addWidget(lblPTS);
    layout->addLayout(times);

    auto* controls = new QHBoxLayout;
    imgbtnPlay = PlayerButton(QStyle::SP_MediaPlay, "play", this);
    imgbtnPAuse = PlayerButton(QStyle::SP_MediaPause, "pause", this);
    imgbtnStop = PlayerButton(QStyle::SP_MediaStop, "stop", this);
    imgbtnSnap = PlayerButton(QStyle::SP_DialogSaveButton, "capture image", this);
    for (QPushButton* b : {imgbtnPlay, imgbtnPAuse, imgbtnStop, imgbtnSnap})
        controls->addWidget(b);
    controls->addStretch();
    ckMute = new QCheckBox("Mute", this);
    controls->addWidget(ckMute);
    layout->addLayout(controls);

    auto* volume = new QHBoxLayout;
    volume->addWidget(new QLabel("Volume", this));
    trcVolume = new QSlider(Qt::Horizontal, this);
    trcVolume->setRange(0, kMaxVolume);
    volume->addWidget(trcVolume, 1);
    layout->addLayout(volume);

    const std::pair<QObject*, const char*> named[] = {
        {pan1, "pan1"},
        {trcPreview, "trcPreview"},
        {lblTime, "lblTime"},
        {lblPTS, "lblPTS"},
        {imgbtnPlay, "imgbtnPlay"},
        {imgbtnPAuse, "imgbtnPAuse"},
        {imgbtnStop, "imgbtnStop"},
        {imgbtnSnap, "imgbtnSnap"},
        {ckMute, "ckMute"},
        {trcVolume, "trcVolume"},
    };
    for (const auto& [control, name] : named)
        control->setObjectName(name);

    connect(imgbtnPlay, &QPushButton::clicked, this, &TPreviewPanel::imgbtnPlayClick);
    connect(imgbtnPAuse, &QPushButton::clicked, this, &TPreviewPanel::imgbtnPAuseClick);
    connect(imgbtnStop, &QPushButton::clicked, this, &TPreviewPanel::imgbtnStopClick);
    connect(imgbtnSnap, &QPushButton::clicked, this, &TPreviewPanel::imgbtnSnapClick);
    trcPreview->installEventFilter(this);
    // The picture takes the keyboard: Space plays and pauses, the arrows, Home and End move.
    pan1->setFocusPolicy(Qt::StrongFocus);
    pan1->installEventFilter(this);
    const std::pair<QWidget*, const char*> spoken[] = {
        {pan1, "Preview picture"}, {trcPreview, "Position"}, {imgbtnPlay, "Play"},
        {imgbtnPAuse, "Pause"},    {imgbtnStop, "Stop"},     {imgbtnSnap, "Capture image"},
        {trcVolume, "Volume"}};
    for (const auto& [control, name] : spoken)
        control->setAccessibleName(name);
    connect(trcVolume, &QSlider::valueChanged, this, &TPreviewPanel::trcVolumeChange);
    connect(trcVolume, &QSlider::sliderReleased, this, &TPreviewPanel::trcVolumeReleased);
    connect(ckMute, &QCheckBox::clicked, this, &TPreviewPanel::ckMuteClick);
}

// The player raises these on the GUI thread; the hook (on the decoding thread) does nothing.
void TPreviewPanel::ConnectPlayer() {
    player_.SetOnHook([](IMediaPlayer*, Bitmap24&, int64_t) {});
    player_.SetOnFileOpen([this](IMediaPlayer*, int64_t duration, int frameWidth, int frameHeight,
                                 int& screenWidth, int& screenHeight) {
        screenWidth = pan1->width();
        screenHeight = pan1->height();
        const TOpenedFile opened = DescriptionOf(openFile_);
        model_.SetPictureDuration(opened.PictureUs);
        model_.FileOpened(duration, frameWidth, frameHeight, opened.Description, trcPreview->width());
        FlushLog();
        Render(model_.View());
    });
    player_.SetOnPosition([this](IMediaPlayer*, int64_t pts) {
        model_.Position(pts);
        Render(model_.View());
    });
    player_.SetOnState([this](IMediaPlayer*, TPlayState state) {
        model_.State(state);
        Render(model_.View());
        if (state == psEnd) pan1->update();
    });
}

void TPreviewPanel::Render(const TPreviewPanelView& view) {
    imgbtnPlay->setEnabled(view.PlayEnabled);
    imgbtnPAuse->setEnabled(view.PauseEnabled);
    imgbtnStop->setEnabled(view.StopEnabled);
    imgbtnSnap->setEnabled(view.SnapEnabled);
    trcPreview->setEnabled(view.SeekEnabled);
    // An unknown length shows the bar without its slider.
    trcPreview->setStyleSheet(view.SeekSliderVisible
                                  ? QString()
                                  : "QSlider::handle:horizontal { background: transparent; "
                                    "border: none; width: 0px; }");
    trcPreview->setRange(0, view.SeekMaximum);
    if (!trcPreview->isSliderDown()) trcPreview->setValue(view.SeekPosition);
    lblTime->setText(QString::fromStdString(view.Time));
    lblPTS->setText(QString::fromStdString(view.Duration));
    const QSignalBlocker blockVolume(trcVolume);
    trcVolume->setValue(view.Volume);
    ckMute->setChecked(view.Mute);
}

void TPreviewPanel::FlushLog() {
    for (const std::string& line : model_.TakeLog())
        emit LogLine(QString::fromStdString(line));
}

void TPreviewPanel::RestoreVolume() {
    model_.RestoreVolume();
    Render(model_.View());
}

void TPreviewPanel::imgbtnPlayClick() {
    if (model_.Play() == TPlayStep::NeedFile && host_) {
        if (host_->ListEmpty()) {
            host_->AddThenPlay();
        } else {
            openFile_ = host_->FileToPreview();
            if (!openFile_.empty()) model_.Open(openFile_, pan1);
        }
    }
    FlushLog();
    Render(model_.View());
}

void TPreviewPanel::imgbtnPAuseClick() {
    model_.Pause();
    Render(model_.View());
}

void TPreviewPanel::imgbtnStopClick() {
    model_.Stop();
    Render(model_.View());
    pan1->update();
}

void TPreviewPanel::imgbtnSnapClick() {
    model_.Snapshot();
}

bool TPreviewPanel::PictureKey(const QKeyEvent& key) {
    if (key.modifiers() != Qt::NoModifier) return false;
    switch (key.key()) {
    case Qt::Key_Space:
        if (imgbtnPAuse->isEnabled())
            imgbtnPAuseClick();
        else
            imgbtnPlayClick();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        model_.Step(key.key() == Qt::Key_Left ? -1 : 1);
        return true;
    case Qt::Key_Home:
        model_.ToStart();
        return true;
    case Qt::Key_End:
        model_.ToEnd();
        return true;
    default:
        return false;
    }
}

bool TPreviewPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pan1 && event->type() == QEvent::KeyPress)
        return PictureKey(*static_cast<QKeyEvent*>(event));
    if (watched == trcPreview && event->type() == QEvent::MouseButtonRelease && trcPreview->isEnabled()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && trcPreview->rect().contains(mouse->position().toPoint())) {
            trcPreview->setValue(QStyle::sliderValueFromPosition(trcPreview->minimum(), trcPreview->maximum(),
                                                                 mouse->position().toPoint().x(),
                                                                 trcPreview->width()));
            trcPreviewReleased();
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

void TPreviewPanel::trcPreviewReleased() {
    model_.SeekReleased(trcPreview->value());
    Render(model_.View());
}

void TPreviewPanel::trcVolumeChange(int volume) {
    model_.VolumeChanged(volume, trcVolume->isSliderDown());
}

void TPreviewPanel::trcVolumeReleased() {
    model_.VolumeReleased();
}

void TPreviewPanel::ckMuteClick(bool checked) {
    model_.MuteClicked(checked);
}

} // namespace orvel
