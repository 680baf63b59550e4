#pragma once
// What a playback needs of its player: the values fixed when the file opens, the calls back
// into the player, and the few values the host may change while the file plays.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "player/DisplaySurface.h"
#include "player/PlayerThreads.h"
#include "player/Signal.h"

struct AVFormatContext;
struct AVFrame;

namespace orvel {

class Playback;

// Events of the presentation loop.
enum PresentCode {
    pcQuitSystem = 12,
    pcResize = 16,
    pcExpose = 17,
    pcAllocate = 24,
    pcRefresh = 25,
    pcQuit = 26,
    pcRedisplay = 27,
};

// Copied from the player's properties by Open; fixed for the playback's life.
struct TPlaybackSettings {
    IDisplaySurface* Surface = nullptr; // nullptr: no display area
    bool DisableAudio = false;
    bool DisableVideo = false;
    bool DisableDisplay = false;
    int FrameWidth = 0; // handed to the input format; 0 = not given
    int FrameHeight = 0;
};

class IPlaybackHost {
public:
    // The sender the playback's log lines name.
    virtual const void* LogSender() const = 0;
    virtual void Report(const std::string& text, bool stored) = 0;
    virtual void StoreError(const std::string& text) = 0;
    // nullptr detaches the probe.
    virtual void AttachProbe(AVFormatContext* input) = 0;
    // Held while the attached input's stream table may grow, so that the probe's readers never
    // meet it half reallocated.
    virtual std::unique_lock<std::mutex> LockProbe() const = 0;
    // The pause of a file opened paused, which must not come before psPlay.
    virtual void RaiseOpenedPaused() = 0;
    virtual void UpdatePosition(Playback& playback) = 0;
    virtual void RunHook(Playback& playback, AVFrame* overlay, double pts) = 0;
    virtual void NoteAudioCallback() = 0;
    virtual int64_t LastAudioCallback() const = 0;
    virtual void PushEvent(int code, int width = 0, int height = 0) = 0;
    // Set when a requested seek has been carried out, and when a new picture is queued (or
    // none can come); the player's waits watch them.
    virtual ManualResetSignal& SeekDone() = 0;
    virtual ManualResetSignal& PictureReady() = 0;
    // Starts one of the playback's threads; std::system_error when none can be made.
    virtual std::thread StartThread(PlayerThread kind, std::function<void()> body) = 0;
    // The same into thread; false, with thread untouched, when none can be made.
    bool TryStartThread(PlayerThread kind, std::thread& thread, std::function<void()> body) {
        try {
            thread = StartThread(kind, std::move(body));
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    }

    // Values that change while a file plays: the host sets the volume, mute and aspect at
    // any time, and the display area is sized after the file opened and at each resize.
    virtual int PlaybackVolume() const = 0;
    virtual bool PlaybackMuted() const = 0;
    virtual float PlaybackAspect() const = 0;
    virtual void DisplayAreaSize(int& width, int& height) const = 0;
    virtual void SetDisplayAreaSize(int width, int height) = 0;

protected:
    ~IPlaybackHost() = default;
};

} // namespace orvel
