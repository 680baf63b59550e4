#pragma once
// The player component: plays one media file at a time, with sound, into a display surface of
// its host, and reports the file, the playing position and state changes through events.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/pictures/Bitmap24.h"
#include "engine/pictures/BitmapConverter.h"
#include "engine/pictures/HookBitmapConverter.h"
#include "player/DisplaySurface.h"
#include "player/EventRing.h"
#include "player/MediaPlayer.h"
#include "player/PlaybackHost.h"
#include "player/PlayerThreads.h"
#include "player/PlayerTypes.h"
#include "player/Signal.h"
#include "probe/AVProbe.h"

namespace orvel {

class TCustomPlayer : public IMediaPlayer, private IDisplayListener, private IPlaybackHost {
public:
    static constexpr const char* kVersion = "2.3";

    TCustomPlayer();
    ~TCustomPlayer() override;
    TCustomPlayer(const TCustomPlayer&) = delete;
    TCustomPlayer& operator=(const TCustomPlayer&) = delete;

    // Properties.
    float AspectRatio() const { return aspectRatio_; }
    void SetAspectRatio(float value) override;
    TAudioDriver AudioDriver() const { return audioDriver_; }
    void SetAudioDriver(TAudioDriver value) { audioDriver_ = value; }
    int AudioVolume() const { return audioVolume_; }
    void SetAudioVolume(int value) override { audioVolume_ = value < 0 ? 0 : (value > 128 ? 128 : value); }
    bool DisableAudio() const { return disableAudio_; }
    void SetDisableAudio(bool value) { disableAudio_ = value; }
    bool DisableVideo() const { return disableVideo_; }
    void SetDisableVideo(bool value) { disableVideo_ = value; }
    bool DisableDisplay() const { return disableDisplay_; }
    void SetDisableDisplay(bool value) { disableDisplay_ = value; }
    bool Mute() const { return mute_; }
    void SetMute(bool value) override { mute_ = value; }
    int FrameWidth() const { return frameWidth_; }
    void SetFrameWidth(int value) { frameWidth_ = value; }
    int FrameHeight() const { return frameHeight_; }
    void SetFrameHeight(int value) { frameHeight_ = value; }
    bool Hook() const { return hook_; }
    void SetHook(bool value) override { hook_ = value; }
    int ScreenWidth() const { return screenWidth_; }
    void SetScreenWidth(int value) { screenWidth_ = value; }
    int ScreenHeight() const { return screenHeight_; }
    void SetScreenHeight(int value) { screenHeight_ = value; }
    bool TriggerEventInMainThread() const { return triggerEventInMainThread_; }
    void SetTriggerEventInMainThread(bool value) { triggerEventInMainThread_ = value; }
    TVideoDriver VideoDriver() const { return videoDriver_; }
    void SetVideoDriver(TVideoDriver value) { videoDriver_ = value; }
    std::string About;
    static std::string Version() { return kVersion; }

    // Events; set them while nothing plays.
    void SetOnFileOpen(TFileOpenEvent handler) override;
    void SetOnHook(THookEvent handler) override;
    void SetOnPosition(TPositionEvent handler) override;
    void SetOnState(TPlayStateEvent handler) override;

    bool LibrariesLoaded() const;
    bool LoadLibraries(const std::string& folder) override;

    // Plays fileName into screen (nullptr plays without a display area).
    bool Open(const std::string& fileName, IDisplaySurface* screen, bool paused = false) override;
    void Stop(bool waitForStop) override;
    void Pause() override;
    void Resume() override;
    void Seek(TSeekFlags flags, bool wait, int64_t position) override;
    void SeekRelative(TSeekFlags flags, bool wait, double offset) override;

    // The picture on screen as a 24-bit bitmap the player owns, valid until the next call,
    // Open or the player's destruction; 0 x 0 without video.
    Bitmap24& CurrentFrame() override;
    Bitmap24& GetCurrentFrame(int64_t& pts);

    int64_t CurrentPosition() const override { return currentPosition_; }
    std::string FileName() const override;
    std::string LastErrorMessage() const override;
    // Attached to the playing file's input while a file plays. The reading thread detaches it
    // when the playback ends, under LockProbe: read it while holding that lock (and call no
    // other operation of the player meanwhile), or use ProbeInfoText.
    TAVProbe& Probe() { return probe_; }
    std::unique_lock<std::mutex> LockProbe() const override { return std::unique_lock(probeMutex_); }
    std::string ProbeInfoText();
    bool Playing() const override;
    bool Paused() const override;

    // Pictures shown and dropped by the current playback, and its audio clock minus its video
    // clock in seconds (0 without both).
    struct Statistics {
        int64_t Shown = 0;
        int64_t Dropped = 0;
        double ClockDifference = 0;
        bool HasBothClocks = false;
        // The file's streams being played, -1 for none.
        int VideoStream = -1, AudioStream = -1, SubtitleStream = -1;
    };
    Statistics GetStatistics() const;

    // How the player starts its threads (tests refuse some); set it while nothing plays.
    void SetThreadStarter(ThreadStarter starter) { threadStarter_ = std::move(starter); }

protected:
    // Ends the playback and the event thread. The most derived class calls it first thing in
    // its destructor: the threads call into this object until then, and a base destructor
    // that has already begun changes the very object they call.
    void ShutDown();

private:
    // IDisplayListener
    void DisplayResized(int width, int height) override;
    void DisplayExposed() override;

    struct PresentEvent {
        int Code = 0;
        int Width = 0;
        int Height = 0;
    };
    PresentEvent WaitEvent();

    std::shared_ptr<Playback> CurrentPlayback() const;
    // Handlers may be replaced while threads call them: each call works on a copy.
    template <class Handler> Handler CopyOf(const Handler& handler) const {
        std::lock_guard lock(handlersMutex_);
        return handler;
    }
    template <class Handler> void Replace(Handler& slot, Handler handler) {
        std::lock_guard lock(handlersMutex_);
        slot = std::move(handler);
    }
    void EndPlayback();
    void ResetPlaybackValues();
    bool InitAudioSystem();
    void ShutdownAudioSystem();
    void StopWait();
    void JoinPlayThread();
    void FileOpenNotification();
    void PlayThreadRun();
    void EventThreadRun();
    bool EnsureEventThread();
    bool StartPlayThread();
    std::thread StartThread(PlayerThread kind, std::function<void()> body) override {
        return threadStarter_(kind, std::move(body));
    }
    // Holds playerLock_ once it is free within the time; false otherwise.
    bool TryLockPlayer(std::unique_lock<std::mutex>& lock, int timeoutMs);
    void WaitForEventsDelivered(int timeoutMs);

    void RaiseState(TPlayState state);
    // The values Open hands to a new playback.
    TPlaybackSettings PlaybackSettings(IDisplaySurface* screen) const;
    // Steps of Open.
    void ReportAudioSystemFailure(IDisplaySurface* screen);
    // Forgets the previous file's queued events, open state and hook picture.
    void ResetForNewFile(IDisplaySurface* screen);
    // nullptr, reported, when memory runs out.
    std::shared_ptr<Playback> CreatePlayback(const std::string& fileName, IDisplaySurface* screen,
                                             bool paused);
    // A failed open: lets a waiting Stop through and ends the playback and the audio system.
    void AbandonOpen(std::shared_ptr<Playback>& playback);
    // OnFileOpen, in the main thread when the player is told to deliver there.
    void AnnounceFileOpen();
    void RaiseOpenedPlaying();

    // IPlaybackHost: called by the playback.
    const void* LogSender() const override { return this; }
    void Report(const std::string& text, bool stored) override;
    void StoreError(const std::string& text) override;
    void AttachProbe(AVFormatContext* input) override;
    void RaiseOpenedPaused() override;
    void UpdatePosition(Playback& playback) override;
    void RunHook(Playback& playback, AVFrame* overlay, double pts) override;
    void NoteAudioCallback() override;
    int64_t LastAudioCallback() const override { return lastAudioCallback_; }
    void PushEvent(int code, int width = 0, int height = 0) override;
    ManualResetSignal& SeekDone() override { return seekDone_; }
    ManualResetSignal& PictureReady() override { return pictureReady_; }
    int PlaybackVolume() const override { return audioVolume_; }
    bool PlaybackMuted() const override { return mute_; }
    float PlaybackAspect() const override { return aspectRatio_; }
    void DisplayAreaSize(int& width, int& height) const override {
        width = screenWidth_;
        height = screenHeight_;
    }
    void SetDisplayAreaSize(int width, int height) override {
        screenWidth_ = width;
        screenHeight_ = height;
    }

    // Properties.
    std::atomic<float> aspectRatio_{0};
    std::atomic<TAudioDriver> audioDriver_{adDefault};
    std::atomic<int> audioVolume_{128};
    std::atomic<bool> disableAudio_{false}, disableVideo_{false}, disableDisplay_{false}, mute_{false};
    std::atomic<int> frameWidth_{0}, frameHeight_{0};
    std::atomic<bool> hook_{false};
    std::atomic<int> screenWidth_{0}, screenHeight_{0};
    std::atomic<bool> triggerEventInMainThread_{true};
    std::atomic<TVideoDriver> videoDriver_{vdDefault};

    mutable std::mutex handlersMutex_;
    TFileOpenEvent onFileOpen_;
    THookEvent onHook_;
    TPositionEvent onPosition_;
    TPlayStateEvent onState_;

    mutable std::mutex valuesMutex_; // file name, last error, playback pointer
    std::string fileName_;
    std::string lastError_;
    std::shared_ptr<Playback> playback_;
    IDisplaySurface* surface_ = nullptr;
    TAVProbe probe_;
    mutable std::mutex probeMutex_; // attaching and detaching the probe, and readers of it
    std::mutex surfaceMutex_;

    std::mutex playerLock_;
    // Opened by Open once psPlay is raised: the play thread then starts its loop.
    ManualResetSignal playGate_{true};
    ManualResetSignal seekDone_{true};
    ManualResetSignal pictureReady_{true};
    ManualResetSignal playFinished_{true};
    EventRing ring_;
    std::atomic<int64_t> currentPosition_{-1};
    std::mutex positionMutex_; // computing and reporting one position
    std::atomic<int64_t> lastReported_{INT64_MIN};
    std::atomic<int64_t> lastAudioCallback_{0};
    std::atomic<bool> audioSystemUp_{false};
    std::mutex openStateMutex_;
    bool playRaised_ = false;
    bool openedPausePending_ = false;

    std::mutex eventsMutex_;
    std::condition_variable eventsCond_;
    std::deque<PresentEvent> events_;

    std::thread playThread_;
    std::thread eventThread_;
    std::atomic<bool> eventThreadQuit_{false};
    std::atomic<bool> eventThreadDone_{false};
    std::atomic<bool> delivering_{false};
    std::atomic<bool> inHandler_{false};

    std::mutex hookMutex_;
    THookBitmapConverter hookConverter_;
    TBitmapConverter snapshotConverter_;
    ThreadStarter threadStarter_ = StartSystemThread;
};

class TFFPlayer final : public TCustomPlayer {
public:
    TFFPlayer() = default;
    ~TFFPlayer() override { ShutDown(); }
    TFFPlayer(const TFFPlayer&) = delete;
    TFFPlayer& operator=(const TFFPlayer&) = delete;
};

} // namespace orvel
