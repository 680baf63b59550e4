#include "editing/windows/JobPreviewDialog.h"

#include "app/store/GlobalObject.h"

#include <QMouseEvent>
#include <QPushButton>

namespace orvel {

void TJobPreviewDialog::btnOkClick() {
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
    player.SetOnPosition([this](IMediaPlayer*, int64_t pts) { FFPlayerPosition(pts); });
    player.SetOnState([this](IMediaPlayer*, TPlayState state) { FFPlayerState(state); });
    player.SetOnHook([this](IMediaPlayer*, Bitmap24& frame, int64_t) { FFPlayerHook(frame); });
}

void TJobPreviewDialog::ConnectOkCancel(QPushButton* ok, QPushButton* cancel) {
    connect(ok, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(cancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
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
