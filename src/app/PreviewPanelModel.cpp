#include "app/PreviewPanelModel.h"

#include "batch/BatchController.h"
#include "editing/TimeTexts.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace orvel {

TPreviewPanelModel::TPreviewPanelModel(IMediaPlayer& player, TAppSettings& settings,
                                       TSnapshotWriter& snapshots, ISystemActions& system,
                                       std::string libraryFolder)
    : player_(player), settings_(settings), snapshots_(snapshots), system_(system),
      libraryFolder_(std::move(libraryFolder)) {
    player_.SetHook(true);
}

void TPreviewPanelModel::RestoreVolume() {
    view_.Volume = settings_.VolumeForSlider();
    if (const int mute = settings_.MuteValue(); mute == 0 || mute == 1) view_.Mute = mute == 1;
    player_.SetAudioVolume(view_.Volume);
    player_.SetMute(view_.Mute);
}

TPlayStep TPreviewPanelModel::Play() {
    if (paused_) {
        player_.Resume();
        paused_ = false;
        ShowPlaying();
        return TPlayStep::Resumed;
    }
    if (!player_.LoadLibraries(libraryFolder_)) {
        log_.push_back(player_.LastErrorMessage());
        return TPlayStep::NoLibraries;
    }
    return TPlayStep::NeedFile;
}

void TPreviewPanelModel::Open(const std::string& fileName, IDisplaySurface* screen) {
    if (!player_.Open(fileName, screen, false)) log_.push_back(player_.LastErrorMessage());
    stopped_ = false;
    paused_ = false;
    ShowPlaying();
}

void TPreviewPanelModel::Pause() {
    if (paused_) return;
    player_.Pause();
    paused_ = true;
    stopped_ = false;
    view_.PlayEnabled = true;
    view_.PauseEnabled = false;
    view_.StopEnabled = true;
    view_.SnapEnabled = true;
    view_.SeekEnabled = true;
}

void TPreviewPanelModel::Stop() {
    if (stopped_) return;
    player_.Stop(true);
    stopped_ = true;
    paused_ = false;
    ShowStopped();
}

void TPreviewPanelModel::ShowPlaying() {
    view_.PlayEnabled = false;
    view_.PauseEnabled = true;
    view_.StopEnabled = true;
    view_.SnapEnabled = true;
    view_.SeekEnabled = true;
}

void TPreviewPanelModel::ShowStopped() {
    view_.PlayEnabled = true;
    view_.PauseEnabled = false;
    view_.StopEnabled = false;
    view_.SnapEnabled = false;
    view_.SeekEnabled = false;
    view_.SeekPosition = 0;
    view_.Time = "00:00:00";
    view_.Duration = "00:00:00";
}

void TPreviewPanelModel::FileOpened(int64_t duration, int frameWidth, int frameHeight,
                                    const std::string& probeInfo, int seekWidth) {
    if (!probeInfo.empty()) log_.push_back(probeInfo);
    char line[96];
    std::snprintf(line, sizeof line, "duration: %f, frame size: %dx%d", static_cast<double>(duration) / 1e6,
                  frameWidth, frameHeight);
    log_.push_back(line);
    duration_ = duration;
    view_.Duration = FormatSeconds((duration + 500000) / 1000000); // rounded to whole seconds
    view_.SeekMaximum = seekWidth > 0 ? seekWidth : 1;
    view_.SeekSliderVisible = duration != 0;
    view_.SeekPosition = 0;
}

// Shown as stopped, the time stays at zero: the rewind after the end reports its position too.
void TPreviewPanelModel::Position(int64_t pts) {
    if (stopped_) return;
    view_.Time = FormatMicroseconds(pts);
}

// At the end the file stays open, paused at its start, while the panel shows it as stopped. A
// stop the panel did not ask for (another window's player, the main window before a dialog)
// shows the stopped state too, or Play would stay disabled.
void TPreviewPanelModel::State(TPlayState state) {
    if (state == psStop) {
        if (stopped_) return;
        stopped_ = true;
        paused_ = false;
        ShowStopped();
        return;
    }
    if (state != psEnd) return;
    player_.Seek(0, false, 0);
    player_.Pause();
    stopped_ = true;
    paused_ = false;
    ShowStopped();
}

void TPreviewPanelModel::Step(int direction) {
    if (stopped_) return;
    if (!paused_) {
        player_.SeekRelative(0, false, direction * 5.0);
        return;
    }
    // A plain seek would land on the keyframe before the neighbouring picture.
    const int64_t at = std::max<int64_t>(player_.CurrentPosition(), 0);
    player_.Seek(sfExact, false, std::max<int64_t>(at + direction * pictureUs_, 0));
}

void TPreviewPanelModel::ToStart() {
    if (!stopped_) player_.Seek(0, false, 0);
}

void TPreviewPanelModel::ToEnd() {
    if (!stopped_ && duration_ > 0) player_.Seek(0, false, std::max<int64_t>(duration_ - pictureUs_, 0));
}

void TPreviewPanelModel::SetPictureDuration(int64_t microseconds) {
    if (microseconds > 0) pictureUs_ = microseconds;
}

void TPreviewPanelModel::SeekReleased(int position) {
    if (!view_.SeekEnabled || view_.SeekMaximum <= 0) return;
    view_.SeekPosition = position;
    const double fraction = static_cast<double>(position) / view_.SeekMaximum;
    player_.Seek(0, false, static_cast<int64_t>(fraction * static_cast<double>(duration_)));
}

void TPreviewPanelModel::VolumeChanged(int volume, bool dragging) {
    view_.Volume = volume;
    player_.SetAudioVolume(volume);
    // A drag is stored once, on release; a click, the wheel or a key ends at once.
    if (!dragging) settings_.SetVolume(volume);
}

void TPreviewPanelModel::VolumeReleased() {
    settings_.SetVolume(view_.Volume);
}

void TPreviewPanelModel::MuteClicked(bool mute) {
    view_.Mute = mute;
    player_.SetMute(mute);
    settings_.SetMute(mute);
}

bool TPreviewPanelModel::Snapshot() {
    const Bitmap24& frame = player_.CurrentFrame();
    if (frame.Width() <= 0 || frame.Height() <= 0) return false;
    const QImage full = ImageOfBitmap(frame);
    const TSnapshotResult result =
        snapshots_.Save(full, StretchedPicture(full, kPreviewPanelWidth, kPreviewPanelHeight));
    if (result.Folder.empty()) return false;
    system_.OpenFolder(result.Folder);
    return !result.Files.empty();
}

std::vector<std::string> TPreviewPanelModel::TakeLog() {
    return std::exchange(log_, {});
}

} // namespace orvel
