#include "player/FFPlay.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <new>

#include <SDL2/SDL.h>

extern "C" {
#include <libavutil/time.h>
}

#include "engine/component/MainThreadDispatcher.h"
#include "engine/foundation/FFmpegException.h"
#include "engine/foundation/FFmpegLoader.h"
#include "engine/foundation/FFmpegLogger.h"
#include "player/AudioOutput.h"
#include "player/Playback.h"

namespace orvel {
namespace {

void ServeIfMainThread() {
    if (MainThreadDispatcher().IsMainThread()) ServeMainThread();
}

} // namespace

TCustomPlayer::TCustomPlayer() = default;

TCustomPlayer::~TCustomPlayer() {
    ShutDown();
}

void TCustomPlayer::ShutDown() {
    {
        std::lock_guard lock(handlersMutex_);
        onPosition_ = nullptr;
        onState_ = nullptr;
        onHook_ = nullptr;
    }
    Stop(true);
    if (eventThread_.joinable()) {
        eventThreadQuit_ = true;
        ring_.Pending().Set();
        // The event thread may be handing an event to this (main) thread.
        while (!eventThreadDone_) {
            ServeIfMainThread();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        eventThread_.join();
    }
}

void TCustomPlayer::SetOnFileOpen(TFileOpenEvent handler) {
    Replace(onFileOpen_, std::move(handler));
}
void TCustomPlayer::SetOnHook(THookEvent handler) {
    Replace(onHook_, std::move(handler));
}
void TCustomPlayer::SetOnPosition(TPositionEvent handler) {
    Replace(onPosition_, std::move(handler));
}
void TCustomPlayer::SetOnState(TPlayStateEvent handler) {
    Replace(onState_, std::move(handler));
}

void TCustomPlayer::SetAspectRatio(float value) {
    if (aspectRatio_ == value) return;
    aspectRatio_ = value;
    if (CurrentPlayback()) PushEvent(pcRedisplay);
}

std::shared_ptr<Playback> TCustomPlayer::CurrentPlayback() const {
    std::lock_guard lock(valuesMutex_);
    return playback_;
}

std::string TCustomPlayer::FileName() const {
    std::lock_guard lock(valuesMutex_);
    return fileName_;
}

std::string TCustomPlayer::LastErrorMessage() const {
    std::lock_guard lock(valuesMutex_);
    return lastError_;
}

bool TCustomPlayer::Playing() const {
    return CurrentPlayback() != nullptr;
}

bool TCustomPlayer::Paused() const {
    auto playback = CurrentPlayback();
    return playback && playback->Paused();
}

void TCustomPlayer::StoreError(const std::string& text) {
    std::lock_guard lock(valuesMutex_);
    lastError_ = text;
}

void TCustomPlayer::Report(const std::string& text, bool stored) {
    FFLogger().Log(this, llError, text);
    if (stored) StoreError(text);
}

std::string TCustomPlayer::ProbeInfoText() {
    std::lock_guard lock(probeMutex_);
    return probe_.Input() ? probe_.InfoText() : std::string();
}

void TCustomPlayer::AttachProbe(AVFormatContext* input) {
    std::lock_guard lock(probeMutex_);
    try {
        probe_.Attach(input);
    } catch (const FFmpegException& e) {
        FFLogger().Log(this, llError, e.what());
    }
}

bool TCustomPlayer::LibrariesLoaded() const {
    return FFLoader().AllLoaded(kPlayerLibraries);
}

bool TCustomPlayer::LoadLibraries(const std::string& folder) {
    FFLoader().SetLibraryFolder(folder);
    if (FFLoader().Load(kPlayerLibraries)) return true;
    StoreError(FFLoader().LastError());
    return false;
}

// ---------------------------------------------------------------------------------------------
// Audio system

bool TCustomPlayer::InitAudioSystem() {
    if (audioSystemUp_) return true;
    const char* driver = AudioDriverName(audioDriver_);
    // A normal-priority hint gives way to an SDL_AUDIODRIVER set in the environment.
    if (*driver)
        SDL_SetHint(SDL_HINT_AUDIODRIVER, driver);
    else
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    if (const char* name = SDL_GetCurrentAudioDriver())
        av_log(nullptr, AV_LOG_DEBUG, "using audio driver: %s\n", name);
    audioSystemUp_ = true;
    return true;
}

void TCustomPlayer::ShutdownAudioSystem() {
    if (audioSystemUp_.exchange(false)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// ---------------------------------------------------------------------------------------------
// Open and stop

bool TCustomPlayer::Open(const std::string& fileName, IDisplaySurface* screen, bool paused) {
    if (!LibrariesLoaded()) {
        Report("libav or libsdl not loaded.", true);
        return false;
    }
    Stop(true);
    // The previous file's last states reach the host before the new file's first, so a quick
    // re-open does not fold its psStop into the next psPlay.
    WaitForEventsDelivered(2000);
    if (!InitAudioSystem()) {
        ReportAudioSystemFailure(screen);
        return false;
    }
    if (disableDisplay_) disableVideo_ = true;
    ResetForNewFile(screen);
    std::shared_ptr<Playback> playback = CreatePlayback(fileName, screen, paused);
    bool started = playback && playback->Start();
    // The play thread waits at its gate until psPlay is raised below; the cleared signal lets a
    // Stop right after Open wait for it.
    playFinished_.Reset();
    playGate_.Reset();
    if (started && (!EnsureEventThread() || !StartPlayThread())) {
        Report(kThreadStartFailed, true);
        started = false; // the playback's own threads end with it below
    }
    if (!started) {
        AbandonOpen(playback);
        return false;
    }
    {
        std::lock_guard lock(valuesMutex_);
        playback_ = playback;
        fileName_ = fileName;
    }
    if (screen) screen->SetListener(this);
    AnnounceFileOpen();
    RaiseOpenedPlaying();
    playGate_.Set();
    return true;
}

void TCustomPlayer::ReportAudioSystemFailure(IDisplaySurface* screen) {
    char text[512];
    std::snprintf(text, sizeof text, "Could not initialize SDL with ScreenHandle(%u): %s",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(screen)), SDL_GetError());
    Report(text, true);
}

void TCustomPlayer::ResetForNewFile(IDisplaySurface* screen) {
    {
        std::lock_guard lock(eventsMutex_);
        events_.clear();
    }
    {
        std::lock_guard lock(surfaceMutex_);
        surface_ = screen;
    }
    {
        std::lock_guard lock(openStateMutex_);
        playRaised_ = openedPausePending_ = false;
    }
    // Before the new playback's video thread can hold the hook lock across the host's hook:
    // this thread must never wait for that lock (the hook may be handing a call to it).
    {
        std::lock_guard lock(hookMutex_);
        hookConverter_.Reset();
    }
}

std::shared_ptr<Playback> TCustomPlayer::CreatePlayback(const std::string& fileName, IDisplaySurface* screen,
                                                        bool paused) {
    try {
        return std::make_shared<Playback>(static_cast<IPlaybackHost&>(*this), PlaybackSettings(screen),
                                          fileName, paused);
    } catch (const std::bad_alloc&) {
        Report("av_mallocz() failed.", true); // a failed open, never the end of the process
    }
    return nullptr;
}

void TCustomPlayer::AbandonOpen(std::shared_ptr<Playback>& playback) {
    playGate_.Set();
    playFinished_.Set();
    playback.reset();
    ResetPlaybackValues();
    ShutdownAudioSystem();
    surface_ = nullptr;
}

void TCustomPlayer::AnnounceFileOpen() {
    if (triggerEventInMainThread_ && !MainThreadDispatcher().IsMainThread())
        RunInMainThread([this] { FileOpenNotification(); });
    else
        FileOpenNotification();
}

void TCustomPlayer::RaiseOpenedPlaying() {
    // psPlay here rather than in the play thread itself: it comes before any state the host
    // causes after Open returns.
    std::lock_guard lock(openStateMutex_);
    RaiseState(psPlay);
    playRaised_ = true;
    if (openedPausePending_) RaiseState(psPause);
}

bool TCustomPlayer::StartPlayThread() {
    return TryStartThread(PlayerThread::Play, playThread_, [this] { PlayThreadRun(); });
}

TPlaybackSettings TCustomPlayer::PlaybackSettings(IDisplaySurface* screen) const {
    return TPlaybackSettings{.Surface = screen,
                             .DisableAudio = disableAudio_,
                             .DisableVideo = disableVideo_,
                             .DisableDisplay = disableDisplay_,
                             .FrameWidth = frameWidth_,
                             .FrameHeight = frameHeight_};
}

void TCustomPlayer::FileOpenNotification() {
    snapshotConverter_.Reset();
    auto playback = CurrentPlayback();
    TFileOpenEvent handler = CopyOf(onFileOpen_);
    if (playback && handler) {
        const int64_t duration = playback->StillImage() ? 0 : playback->Duration();
        int width = -1, height = -1;
        playback->ShownSize(width, height);
        int screenWidth = screenWidth_, screenHeight = screenHeight_;
        handler(this, duration, width, height, screenWidth, screenHeight);
        screenWidth_ = screenWidth;
        screenHeight_ = screenHeight;
    }
    if (surface_ && (screenWidth_ == 0 || screenHeight_ == 0)) {
        int width = 0, height = 0;
        surface_->ClientSize(width, height);
        screenWidth_ = width;
        screenHeight_ = height;
    }
}

void TCustomPlayer::Stop(bool waitForStop) {
    if (auto playback = CurrentPlayback()) {
        if (playback->Paused()) playback->TogglePause();
        PushEvent(pcQuit);
        if (waitForStop) StopWait();
    }
    if (waitForStop) {
        JoinPlayThread();
        ShutdownAudioSystem();
    }
}

void TCustomPlayer::StopWait() {
    int attempts = 0;
    for (;;) {
        if (playFinished_.WaitFor(100)) return;
        ServeIfMainThread();
        if (!CurrentPlayback()) return;
        std::unique_lock<std::mutex> lock;
        if (!TryLockPlayer(lock, 100)) continue;
        ++attempts;
        auto playback = CurrentPlayback();
        if (!playback) return;
        if ((attempts > 10 && playback->ReadingPacket()) || attempts > 20) {
            EndPlayback();
            PushEvent(pcQuit); // lets the presentation loop see that the playback is gone
            return;
        }
        PushEvent(pcQuit);
    }
}

bool TCustomPlayer::TryLockPlayer(std::unique_lock<std::mutex>& lock, int timeoutMs) {
    // Polled: the thread sanitizer does not follow the call a timed lock waits in, and then
    // takes its release for one of a lock never held.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        lock = std::unique_lock(playerLock_, std::try_to_lock);
        if (lock.owns_lock()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TCustomPlayer::JoinPlayThread() {
    if (!playThread_.joinable() || playThread_.get_id() == std::this_thread::get_id()) return;
    // The play thread may be handing a call (a log line) to this thread before it ends.
    while (!playFinished_.WaitFor(10))
        ServeIfMainThread();
    playThread_.join();
}

void TCustomPlayer::EndPlayback() {
    std::shared_ptr<Playback> playback = CurrentPlayback();
    if (!playback) return;
    playback->End();
    {
        std::lock_guard lock(surfaceMutex_);
        if (surface_) surface_->SetListener(nullptr);
    }
    {
        std::lock_guard lock(valuesMutex_);
        playback_.reset();
    }
    ResetPlaybackValues();
    ShutdownAudioSystem();
}

void TCustomPlayer::ResetPlaybackValues() {
    currentPosition_ = -1;
    lastReported_ = INT64_MIN;
    seekDone_.Set();
}

// ---------------------------------------------------------------------------------------------
// Threads

void TCustomPlayer::PushEvent(int code, int width, int height) {
    std::lock_guard lock(eventsMutex_);
    events_.push_back(PresentEvent{code, width, height});
    eventsCond_.notify_one();
}

TCustomPlayer::PresentEvent TCustomPlayer::WaitEvent() {
    std::unique_lock lock(eventsMutex_);
    eventsCond_.wait(lock, [this] { return !events_.empty(); });
    PresentEvent event = events_.front();
    events_.pop_front();
    return event;
}

void TCustomPlayer::PlayThreadRun() {
    playGate_.Wait();
    try {
        for (;;) {
            const PresentEvent event = WaitEvent();
            std::lock_guard lock(playerLock_);
            auto playback = CurrentPlayback();
            if (!playback) {
                ShutdownAudioSystem();
                break;
            }
            if (event.Code == pcQuit || event.Code == pcQuitSystem) {
                EndPlayback();
                break;
            }
            switch (event.Code) {
            case pcResize:
                playback->Resize(event.Width, event.Height);
                break;
            case pcExpose:
                if (playback->Paused())
                    playback->Refresh(false);
                else
                    playback->DrawDisplay();
                break;
            case pcAllocate:
                playback->OpenDisplay(false);
                break;
            case pcRefresh:
                playback->Refresh(true);
                playback->RefreshHandled();
                break;
            case pcRedisplay:
                playback->OpenDisplay(true);
                playback->DrawDisplay();
                break;
            default:
                break;
            }
        }
    } catch (const std::exception& e) {
        FFLogger().Log(this, llFatal, std::string("PlayThread Exception: ") + e.what());
        std::lock_guard lock(playerLock_);
        EndPlayback();
    }
    RaiseState(psStop);
    playFinished_.Set();
}

bool TCustomPlayer::EnsureEventThread() {
    if (eventThread_.joinable()) return true;
    eventThreadQuit_ = false;
    eventThreadDone_ = false;
    return TryStartThread(PlayerThread::Event, eventThread_, [this] { EventThreadRun(); });
}

void TCustomPlayer::WaitForEventsDelivered(int timeoutMs) {
    // A handler that opens a file holds the event thread: waiting for it would never end.
    if (inHandler_ || !eventThread_.joinable()) return;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while ((!ring_.Empty() || delivering_) && std::chrono::steady_clock::now() < end) {
        ServeIfMainThread();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TCustomPlayer::EventThreadRun() {
    while (!eventThreadQuit_) {
        PlayerEvent event;
        for (;;) {
            delivering_ = true;
            if (eventThreadQuit_ || !ring_.Take(event)) {
                delivering_ = false;
                break;
            }
            auto deliver = [this, event] {
                if (event.Kind == PlayerEventKind::Position) {
                    if (TPositionEvent handler = CopyOf(onPosition_)) {
                        inHandler_ = true;
                        handler(this, event.Position);
                        inHandler_ = false;
                    }
                } else if (event.Kind == PlayerEventKind::State) {
                    if (TPlayStateEvent handler = CopyOf(onState_)) {
                        inHandler_ = true;
                        handler(this, event.State);
                        inHandler_ = false;
                    }
                }
            };
            try {
                if (triggerEventInMainThread_)
                    RunInMainThread(deliver);
                else
                    deliver();
            } catch (const std::exception& e) {
                inHandler_ = false;
                FFLogger().Log(this, llError, e.what());
            }
        }
        // The last event taken may have cleared the signal the quit request set.
        if (eventThreadQuit_) break;
        ring_.Pending().Wait();
    }
    eventThreadDone_ = true;
}

// ---------------------------------------------------------------------------------------------
// Called by the playback

void TCustomPlayer::RaiseState(TPlayState state) {
    const bool assigned = static_cast<bool>(CopyOf(onState_));
    if (assigned)
        ring_.Put(PlayerEvent{PlayerEventKind::State, state, 0});
    else if (state == psStop)
        ring_.Put(PlayerEvent{PlayerEventKind::StopDelivery, state, 0});
}

void TCustomPlayer::RaiseOpenedPaused() {
    std::lock_guard lock(openStateMutex_);
    if (playRaised_)
        RaiseState(psPause);
    else
        openedPausePending_ = true;
}

void TCustomPlayer::UpdatePosition(Playback& playback) {
    if (playback.StillImage()) return;
    // The presentation loop and the video decoder (at the end of the file) both update: one at a
    // time, or a position read earlier could be reported after a later one.
    std::lock_guard lock(positionMutex_);
    int64_t pos;
    if (playback.HasVideo()) {
        pos = std::llround(playback.VideoClock() * 1000000.0) - playback.StartTime();
    } else if (playback.HasAudio()) {
        pos = std::llround(playback.AudioClock() * 1000000.0) - playback.StartTime();
        const int64_t audioDuration = playback.AudioDuration();
        if (audioDuration > 0 && pos >= audioDuration && playback.Duration() > pos) pos = playback.Duration();
    } else {
        return;
    }
    currentPosition_ = pos;
    const int64_t duration = playback.Duration();
    if (duration > 0 && pos >= duration) {
        pos = duration;
        if (lastReported_ != duration) lastReported_ = 0;
    }
    const int64_t last = lastReported_;
    if (last == INT64_MIN || std::llabs(pos - last) > 10000) {
        lastReported_ = pos;
        const bool assigned = static_cast<bool>(CopyOf(onPosition_));
        if (assigned) ring_.Put(PlayerEvent{PlayerEventKind::Position, psPlay, pos});
    }
    if (!playback.CaptureDevice() && !playback.EndReported() && playback.Drained()) {
        if (playback.HasVideo()) playback.EndReported() = true;
        RaiseState(psEnd);
    }
}

void TCustomPlayer::NoteAudioCallback() {
    lastAudioCallback_ = av_gettime_relative();
}

void TCustomPlayer::RunHook(Playback& playback, AVFrame* overlay, double pts) {
    if (!hook_) return;
    THookEvent handler = CopyOf(onHook_);
    if (!handler) return;
    std::lock_guard lock(hookMutex_);
    Bitmap24& bitmap = hookConverter_.Bitmap();
    if (!hookConverter_.PictureToBitmap(overlay)) {
        FFLogger().Log(this, llError, "Cannot initialize the toRGB conversion context");
        return;
    }
    {
        std::lock_guard canvas(bitmap.CanvasLock());
        try {
            handler(this, bitmap, std::llround(pts * 1000000.0) - playback.StartTime());
        } catch (const std::exception& e) {
            FFLogger().Log(this, llError, std::string("Error occurs OnHook: ") + e.what());
            return;
        } catch (...) {
            FFLogger().Log(this, llError, "Error occurs OnHook: unknown error");
            return;
        }
    }
    // Only the rows the handler changed are converted back.
    if (!hookConverter_.BitmapToPicture(overlay))
        FFLogger().Log(this, llError, "Cannot initialize the fromRGB conversion context");
}

// ---------------------------------------------------------------------------------------------
// Host operations

void TCustomPlayer::Pause() {
    auto playback = CurrentPlayback();
    if (playback && !playback->Paused()) {
        playback->TogglePause();
        RaiseState(psPause);
    }
}

void TCustomPlayer::Resume() {
    auto playback = CurrentPlayback();
    if (playback && playback->Paused()) {
        playback->TogglePause();
        RaiseState(psResume);
    }
}

void TCustomPlayer::Seek(TSeekFlags flags, bool wait, int64_t position) {
    auto playback = CurrentPlayback();
    if (!playback) return;
    flags &= 0xF | sfExact;
    if (flags & sfByte) {
        playback->RequestSeek(flags & 0xF, wait, 0, position);
        return;
    }
    int64_t target = position;
    // Without a stated duration there is nothing to clamp to.
    if (playback->Duration() >= 0 && target > playback->Duration()) target = playback->Duration();
    target += playback->StartTime(); // 0 when the file states none
    playback->RequestSeek(flags, wait, position <= 0 ? 1 : 0, target);
}

void TCustomPlayer::SeekRelative(TSeekFlags flags, bool wait, double offset) {
    auto playback = CurrentPlayback();
    if (!playback) return;
    flags &= 0xF;
    AVFormatContext* ic = playback->Input();
    if (flags & sfByte) {
        const double distance = ic->bit_rate > 0 ? offset * ic->bit_rate / 8.0 : offset * 180000.0;
        const double target = static_cast<double>(ic->pb ? avio_tell(ic->pb) : 0) + distance;
        playback->RequestSeek(flags, wait, std::llround(distance), std::llround(target));
        return;
    }
    const double target = (playback->MasterClock() + offset) * 1000000.0;
    playback->RequestSeek(flags, wait, std::llround(offset * 1000000.0), std::llround(target));
}

Bitmap24& TCustomPlayer::CurrentFrame() {
    int64_t pts;
    return GetCurrentFrame(pts);
}

Bitmap24& TCustomPlayer::GetCurrentFrame(int64_t& pts) {
    Bitmap24& bitmap = snapshotConverter_.Bitmap();
    pts = -1;
    auto playback = CurrentPlayback();
    if (!playback || !playback->VideoStream()) {
        bitmap.SetSize(0, 0);
        return bitmap;
    }
    int width = 0, height = 0;
    playback->ShownSize(width, height);
    bitmap.SetSize(std::max(width, 0), std::max(height, 0));
    for (int y = 0; y < bitmap.Height(); ++y)
        std::memset(bitmap.Row(y), 0, static_cast<size_t>(bitmap.Width()) * 3);
    std::unique_lock<std::mutex> lock;
    if (PictureSlot* slot = playback->LockShownPicture(lock)) {
        pts = std::llround(slot->Pts * 1000000.0) - playback->StartTime();
        if (!snapshotConverter_.PictureToBitmap(slot->Overlay.get(), bitmap)) bitmap.SetSize(0, 0);
    }
    return bitmap;
}

TCustomPlayer::Statistics TCustomPlayer::GetStatistics() const {
    Statistics s;
    if (auto playback = CurrentPlayback()) {
        s.Shown = playback->PicturesShown;
        s.Dropped = playback->PicturesDropped;
        s.VideoStream = playback->VideoIndex();
        s.AudioStream = playback->AudioIndex();
        s.SubtitleStream = playback->SubtitleIndex();
        if (playback->HasAudio() && playback->HasVideo()) {
            s.HasBothClocks = true;
            s.ClockDifference = playback->AudioClock() - playback->VideoClock();
        }
    }
    return s;
}

void TCustomPlayer::DisplayResized(int width, int height) {
    PushEvent(pcResize, width, height);
}

void TCustomPlayer::DisplayExposed() {
    PushEvent(pcExpose);
}

} // namespace orvel
