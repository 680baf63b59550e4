#pragma once
// The main window's preview panel without its widgets: the stopped/playing/paused state, the
// player calls of each button and player event, and what the controls show.
#include "app/store/AppSettings.h"
#include "app/store/Snapshots.h"
#include "player/MediaPlayer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvel {

class ISystemActions;

struct TPreviewPanelView {
    bool PlayEnabled = true;
    bool PauseEnabled = false;
    bool StopEnabled = false;
    bool SnapEnabled = false;
    bool SeekEnabled = false;
    bool SeekSliderVisible = true; // hidden for a file of unknown length
    int SeekMaximum = 100;
    int SeekPosition = 0;
    std::string Time = "00:00:00";     // lblTime
    std::string Duration = "00:00:00"; // lblPTS
    int Volume = 64;
    bool Mute = false;
    bool operator==(const TPreviewPanelView&) const = default;
};

enum class TPlayStep {
    Resumed,     // the paused file plays on
    NoLibraries, // the player's libraries could not be loaded; the reason is in the log
    NeedFile,    // the host chooses the file and calls Open (or adds files first)
};

class TPreviewPanelModel {
public:
    // libraryFolder: where the player's libraries are loaded from.
    TPreviewPanelModel(IMediaPlayer& player, TAppSettings& settings, TSnapshotWriter& snapshots,
                       ISystemActions& system, std::string libraryFolder);

    // The stored volume and mute, into the view and the player.
    void RestoreVolume();

    TPlayStep Play();
    // Opens fileName on screen and shows the playing state (also when the open failed, so Stop
    // brings the buttons back).
    void Open(const std::string& fileName, IDisplaySurface* screen);
    void Pause();
    void Stop();
    bool Stopped() const { return stopped_; }
    bool Paused() const { return paused_; }

    // Player events. seekWidth: the seek bar's width in pixels, its maximum.
    void FileOpened(int64_t duration, int frameWidth, int frameHeight, const std::string& probeInfo,
                    int seekWidth);
    void Position(int64_t pts);
    void State(TPlayState state);

    // The keys of the focused picture. Left and right step one picture when paused, 5 seconds
    // when playing; Home and End go to the start and the last picture. Stopped: nothing.
    void Step(int direction);
    void ToStart();
    void ToEnd();
    // One picture's length of the open file (its frame rate), for the steps.
    void SetPictureDuration(int64_t microseconds);

    // The left button released over the seek bar at position.
    void SeekReleased(int position);
    // dragging: the slider's handle is held; the value is stored when it is released.
    void VolumeChanged(int volume, bool dragging);
    void VolumeReleased();
    void MuteClicked(bool mute);
    // Saves the current picture; answers whether anything was written.
    bool Snapshot();

    const TPreviewPanelView& View() const { return view_; }
    // Lines for the hidden log, taken once.
    std::vector<std::string> TakeLog();

private:
    void ShowStopped();
    void ShowPlaying();

    IMediaPlayer& player_;
    TAppSettings& settings_;
    TSnapshotWriter& snapshots_;
    ISystemActions& system_;
    std::string libraryFolder_;
    bool stopped_ = true;
    bool paused_ = false;
    int64_t duration_ = 0;
    int64_t pictureUs_ = 40000; // 25 pictures a second until the file says otherwise
    TPreviewPanelView view_;
    std::vector<std::string> log_;
};

} // namespace orvel
