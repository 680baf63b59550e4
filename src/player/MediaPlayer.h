#pragma once
// The player as the windows see it. TFFPlayer implements it; window tests put a fake in its
// place, and the player factory hands out players that keep "one plays at a time".
#include <cstdint>
#include <memory>
#include <string>

#include "engine/pictures/Bitmap24.h"
#include "player/DisplaySurface.h"
#include "player/PlayerTypes.h"

namespace orvel {

class IMediaPlayer {
public:
    virtual ~IMediaPlayer() = default;

    // Loads the player's libraries from folder (or finds them loaded); on failure the reason
    // is in LastErrorMessage.
    virtual bool LoadLibraries(const std::string& folder) = 0;
    // Plays fileName into screen (nullptr: no display area), paused after the first pictures
    // when paused is set. False on failure, with the reason in LastErrorMessage.
    virtual bool Open(const std::string& fileName, IDisplaySurface* screen, bool paused = false) = 0;
    virtual void Stop(bool waitForStop) = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual void Seek(TSeekFlags flags, bool wait, int64_t position) = 0;
    virtual void SeekRelative(TSeekFlags flags, bool wait, double offset) = 0;

    // Microseconds from the start of the file; -1 while nothing plays.
    virtual int64_t CurrentPosition() const = 0;
    // The picture on screen, owned by the player and valid until the next call; 0 x 0
    // without video.
    virtual Bitmap24& CurrentFrame() = 0;
    virtual bool Playing() const = 0;
    virtual bool Paused() const = 0;
    virtual std::string FileName() const = 0;
    virtual std::string LastErrorMessage() const = 0;

    virtual void SetAudioVolume(int volume) = 0; // 0..128
    virtual void SetMute(bool mute) = 0;
    virtual void SetAspectRatio(float aspect) = 0;
    // Every video picture goes through OnHook while set.
    virtual void SetHook(bool hook) = 0;

    // The four events; set them while nothing plays. OnHook runs on the decoding thread, the
    // others on the main thread.
    virtual void SetOnFileOpen(TFileOpenEvent handler) = 0;
    virtual void SetOnHook(THookEvent handler) = 0;
    virtual void SetOnPosition(TPositionEvent handler) = 0;
    virtual void SetOnState(TPlayStateEvent handler) = 0;
};

// Where windows get their players from, so each window's preview is created the same way and
// tests hand out fakes.
class IPlayerFactory {
public:
    virtual ~IPlayerFactory() = default;
    virtual std::unique_ptr<IMediaPlayer> CreatePlayer() = 0;
};

} // namespace orvel
