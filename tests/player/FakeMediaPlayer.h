#pragma once
// A player for window tests: it plays nothing, records what the window asked of it and raises
// the four events when the test says so, on the test's thread.
#include "player/MediaPlayer.h"

#include <functional>
#include <memory>

#include <string>
#include <vector>

namespace orvel::test {

class TFakeMediaPlayer : public IMediaPlayer {
public:
    // What the window asked, in order: "Open <file>", "Open paused <file>", "Stop wait",
    // "Stop", "Pause", "Resume", "Seek <flags> <position>", "SeekRelative <flags> <offset>".
    std::vector<std::string> Calls;
    // The answer of the next Open; on false LastErrorMessage gives OpenError.
    bool OpenSucceeds = true;
    std::string OpenError = "Could not open file";
    bool LibrariesLoad = true;
    Bitmap24 Frame; // what CurrentFrame answers
    // Runs at each Stop call before the player stops, to see what the host did before it.
    std::function<void(bool waitForStop)> WhenStopping;

    int Volume = 128;
    bool Muted = false;
    float Aspect = 0;
    bool HookOn = false;
    IDisplaySurface* Screen = nullptr;

    bool LoadLibraries(const std::string& folder) override {
        Calls.push_back("LoadLibraries " + folder);
        if (!LibrariesLoad) lastError_ = "libav or libsdl not loaded.";
        return LibrariesLoad;
    }
    bool Open(const std::string& fileName, IDisplaySurface* screen, bool paused) override {
        Calls.push_back(std::string(paused ? "Open paused " : "Open ") + fileName);
        Ended();
        if (!OpenSucceeds) {
            lastError_ = OpenError;
            return false;
        }
        fileName_ = fileName;
        Screen = screen;
        playing_ = true;
        paused_ = paused;
        return true;
    }
    void Stop(bool waitForStop) override {
        Calls.push_back(waitForStop ? "Stop wait" : "Stop");
        if (WhenStopping) WhenStopping(waitForStop);
        if (!playing_) return;
        Ended();
        RaiseState(psStop);
    }
    void Pause() override {
        Calls.push_back("Pause");
        if (playing_ && !paused_) {
            paused_ = true;
            RaiseState(psPause);
        }
    }
    void Resume() override {
        Calls.push_back("Resume");
        if (playing_ && paused_) {
            paused_ = false;
            RaiseState(psResume);
        }
    }
    void Seek(TSeekFlags flags, bool wait, int64_t position) override {
        Calls.push_back("Seek " + std::to_string(flags) + " " + std::to_string(position));
        if (playing_) position_ = position;
    }
    void SeekRelative(TSeekFlags flags, bool wait, double offset) override {
        Calls.push_back("SeekRelative " + std::to_string(flags) + " " + std::to_string(offset));
    }

    int64_t CurrentPosition() const override { return position_; }
    Bitmap24& CurrentFrame() override { return Frame; }
    bool Playing() const override { return playing_; }
    bool Paused() const override { return paused_; }
    std::string FileName() const override { return fileName_; }
    std::string LastErrorMessage() const override { return lastError_; }
    void SetAudioVolume(int volume) override { Volume = volume; }
    void SetMute(bool mute) override { Muted = mute; }
    void SetAspectRatio(float aspect) override { Aspect = aspect; }
    void SetHook(bool hook) override { HookOn = hook; }
    void SetOnFileOpen(TFileOpenEvent handler) override { onFileOpen_ = std::move(handler); }
    void SetOnHook(THookEvent handler) override { onHook_ = std::move(handler); }
    void SetOnPosition(TPositionEvent handler) override { onPosition_ = std::move(handler); }
    void SetOnState(TPlayStateEvent handler) override { onState_ = std::move(handler); }

    // The file-open notification and then psPlay, as a real open delivers them; answers the
    // display size the handler chose.
    std::pair<int, int> RaiseOpened(int64_t duration, int frameWidth, int frameHeight, int screenWidth = 0,
                                    int screenHeight = 0) {
        if (onFileOpen_) onFileOpen_(this, duration, frameWidth, frameHeight, screenWidth, screenHeight);
        RaiseState(psPlay);
        return {screenWidth, screenHeight};
    }
    void RaisePosition(int64_t pts) {
        position_ = pts;
        if (onPosition_) onPosition_(this, pts);
    }
    // Hands a picture to the hook when the hook is on, as the decoding thread does.
    bool RaiseHook(Bitmap24& bitmap, int64_t pts) {
        if (!HookOn || !onHook_) return false;
        onHook_(this, bitmap, pts);
        return true;
    }
    // The file played to its end; like the real player it keeps the playback (and the last
    // picture) until it is stopped.
    void RaiseEnd() { RaiseState(psEnd); }
    void RaiseState(TPlayState state) {
        if (onState_) onState_(this, state);
    }

private:
    void Ended() {
        playing_ = false;
        paused_ = false;
        position_ = -1;
    }

    bool playing_ = false;
    bool paused_ = false;
    int64_t position_ = -1;
    std::string fileName_;
    std::string lastError_;
    TFileOpenEvent onFileOpen_;
    THookEvent onHook_;
    TPositionEvent onPosition_;
    TPlayStateEvent onState_;
};

} // namespace orvel::test

namespace orvel::test {

// Hands out fake players and keeps a pointer to each, valid while its owner keeps it.
class TFakePlayerFactory : public IPlayerFactory {
public:
    std::unique_ptr<IMediaPlayer> CreatePlayer() override {
        auto player = std::make_unique<TFakeMediaPlayer>();
        player->LibrariesLoad = LibrariesLoad;
        Made.push_back(player.get());
        return player;
    }
    std::vector<TFakeMediaPlayer*> Made;
    bool LibrariesLoad = true; // what the players made from now on answer to LoadLibraries
};

} // namespace orvel::test
