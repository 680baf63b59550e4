#include "editing/windows/JobPreviewDialog.h"

#include "app/store/GlobalObject.h"
#include "editing/PreviewKeys.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

#include <optional>

namespace orvel {

namespace {

std::optional<TPreviewKey> PreviewKeyOf(const QKeyEvent& event) {
    if (event.modifiers() & ~Qt::KeypadModifier) return std::nullopt;
    switch (event.key()) {
    case Qt::Key_Space:
        return TPreviewKey::PlayPause;
    case Qt::Key_Left:
        return TPreviewKey::Back;
    case Qt::Key_Right:
        return TPreviewKey::Forward;
    case Qt::Key_Home:
        return TPreviewKey::Home;
    case Qt::Key_End:
        return TPreviewKey::End;
    default:
        return std::nullopt;
    }
}

} // namespace

void TJobPreviewDialog::btnOkClick() {
    if (!CanApply()) return;
    TlvFilesRecord edited = job_;
    ApplyEdits(edited);
    result_ = edited;
    accept();
}

void TJobPreviewDialog::btnCancelClick() {
    reject();
}

void TJobPreviewDialog::AttachPlayer(IMediaPlayer& player) {
    player.SetOnFileOpen([this](IMediaPlayer*, int64_t duration, int fw, int fh, int& sw, int& sh) {
        FFPlayerFileOpen(duration, fw, fh, sw, sh);
    });
    player.SetOnPosition([this](IMediaPlayer*, int64_t pts) {
        FFPlayerPosition(pts);
        if (steppingPicture_) {
            steppingPicture_ = false;
            TogglePlay();
        }
    });
    player.SetOnState([this](IMediaPlayer*, TPlayState state) { FFPlayerState(state); });
    player.SetOnHook([this](IMediaPlayer*, Bitmap24& frame, int64_t) { FFPlayerHook(frame); });
}

void TJobPreviewDialog::ConnectOkCancel(QPushButton* ok, QPushButton* cancel) {
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(cancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

void TJobPreviewDialog::WatchPreviewKeys(IMediaPlayer& player, QAbstractButton* play, QAbstractButton* pause,
                                         std::function<int64_t()> duration,
                                         std::initializer_list<QWidget*> watched) {
    keysPlayer_ = &player;
    playButton_ = play;
    pauseButton_ = pause;
    duration_ = std::move(duration);
    for (QWidget* widget : watched) {
        widget->installEventFilter(this);
        if (widget->focusPolicy() == Qt::NoFocus) widget->setFocusPolicy(Qt::StrongFocus);
    }
}

bool TJobPreviewDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched != this && keysPlayer_ &&
        PreviewKey(*static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TJobPreviewDialog::keyPressEvent(QKeyEvent* event) {
    if (PreviewKey(*event) || (event->modifiers() == Qt::NoModifier && DialogKey(event->key()))) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TJobPreviewDialog::DialogKey(int) {
    return false;
}

bool TJobPreviewDialog::CanApply() {
    return true;
}

void TJobPreviewDialog::TogglePlay() {
    if (pauseButton_ && pauseButton_->isEnabled())
        pauseButton_->click();
    else if (playButton_ && playButton_->isEnabled())
        playButton_->click();
}

bool TJobPreviewDialog::PreviewKey(const QKeyEvent& event) {
    const std::optional<TPreviewKey> key = PreviewKeyOf(event);
    if (!key || !keysPlayer_) return false;
    // Playing is when "pause" can be pressed.
    const bool playing = pauseButton_ && pauseButton_->isEnabled();
    const TPreviewMove move =
        PreviewKeyMove(*key, playing, keysPlayer_->CurrentPosition(), duration_ ? duration_() : 0);
    switch (move.Kind) {
    case TPreviewMove::TogglePlay:
        TogglePlay();
        break;
    case TPreviewMove::NextPicture:
        if (playButton_ && playButton_->isEnabled()) {
            steppingPicture_ = true;
            TogglePlay();
        }
        break;
    case TPreviewMove::SeekTo:
        keysPlayer_->Seek(move.Exact ? sfExact : 0, false, move.Target);
        break;
    }
    return true;
}

void TJobPreviewDialog::TakeJob(const TlvFilesRecord& job) {
    job_ = job;
    result_.reset();
}

bool TJobPreviewDialog::OpenSource(IMediaPlayer& player, IDisplaySurface* screen) const {
    return player.LoadLibraries(ExecutableLibraryFolder()) && player.Open(job_.SourceFile, screen);
}

bool TJobPreviewDialog::SliderReleased(const QWidget* slider, const QObject* watched, const QEvent* event) {
    if (watched != slider || event->type() != QEvent::MouseButtonRelease) return false;
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    return mouse->button() == Qt::LeftButton && slider->rect().contains(mouse->position().toPoint());
}

void TJobPreviewDialog::done(int result) {
    StopPreview(result == Accepted);
    if (result != Accepted) result_.reset();
    QDialog::done(result);
}

} // namespace orvel
