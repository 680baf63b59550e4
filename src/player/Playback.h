#pragma once
// One playback: the file being played, its reading and decoding threads, the picture queue and
// the presentation side (clocks, display refresh, sound). The player owns at most one.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/foundation/AVHandles.h"
#include "engine/pictures/BitmapConverter.h"
#include "engine/pictures/PictureTurner.h"
#include "player/AudioOutput.h"
#include "player/DisplaySurface.h"
#include "player/PacketQueue.h"
#include "player/PlaybackHost.h"

namespace orvel {

// A decoded picture waiting for (or on) the display, kept as planar YUV 4:2:0.
struct PictureSlot {
    double Pts = 0;    // seconds
    double Target = 0; // wall-clock seconds at which it is due
    int64_t Pos = -1;  // byte position in the file
    FramePtr Overlay;
    int Width = 0;
    int Height = 0;
    AVRational PixelAspect{0, 1};
    // Held while the decoder writes the picture and while it is read for a snapshot.
    std::mutex OverlayLock;
};

struct SubtitlePicture {
    double Pts = 0;
    AVSubtitle Sub{};
};

class Playback {
public:
    static constexpr int kPictureSlots = 2; // decoded pictures waiting for the display
    static constexpr int kSubtitleSlots = 4;
    static constexpr int kSampleRing = 131072; // samples kept for the waveform
    static constexpr int64_t kMaxQueueBytes = 15 * 1024 * 1024;
    static constexpr int64_t kMinAudioBytes = 320 * 1024;
    static constexpr int kMinFrames = 5;

    Playback(IPlaybackHost& host, TPlaybackSettings settings, std::string fileName, bool paused);
    ~Playback();
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    // Starts the reading thread and waits until the file is open (or failed). On failure
    // every thread has ended and the player's LastErrorMessage holds the reason.
    bool Start();
    // Ends every thread and closes the streams; safe to call twice.
    void End();

    void RequestSeek(int flags, bool wait, int64_t relative, int64_t target);

    // Clocks in seconds.
    double AudioClock() const;
    double VideoClock() const;
    double MasterClock() const;

    void TogglePause();
    // Shows the next picture when due (advancing) or draws the current one again.
    void Refresh(bool advancing);
    void OpenDisplay(bool force);
    void DrawDisplay();
    void Resize(int width, int height);

    // Read by the player.
    bool Paused() const { return paused_; }
    bool HasVideo() const { return videoIndex_ >= 0; }
    bool HasAudio() const { return audioIndex_ >= 0; }
    int VideoIndex() const { return videoIndex_; }
    int AudioIndex() const { return audioIndex_; }
    int SubtitleIndex() const { return subtitleIndex_; }
    bool StillImage() const { return stillImage_; }
    bool CaptureDevice() const { return captureDevice_; }
    bool Drained() const { return drained_; }
    bool ReadingPacket() const { return reading_; }
    bool Aborted() const { return abortRequest_; }
    int64_t StartTime() const { return startTime_; }
    int64_t Duration() const { return duration_; }
    int64_t AudioDuration() const { return audioDuration_; }
    AVFormatContext* Input() const { return input_.get(); }
    AVStream* VideoStream() const { return videoStream_; }
    // The video stream's picture size as shown, turned upright; -1 for both without video.
    void ShownSize(int& width, int& height) const;
    std::atomic<bool>& EndReported() { return endReported_; }
    // The picture on screen (or, before the first one is shown, the first one queued).
    // Returns the slot with its overlay locked, nullptr when there is none.
    PictureSlot* LockShownPicture(std::unique_lock<std::mutex>& lock);

    // Counters for measurements.
    std::atomic<int64_t> PicturesShown{0};
    std::atomic<int64_t> PicturesDropped{0};

    // The presentation loop has handled the refresh the refresh thread asked for.
    void RefreshHandled() { refreshPending_ = false; }

private:
    // Reading side.
    void ReadThread();
    void ReadLoop();
    // Into the queue of the open stream it belongs to; packets of other streams are freed.
    void QueuePacket(PacketPtr packet);
    bool StreamOpen(int index);
    // The stream's decoder, open; nullptr, reported, when it does not open.
    CodecContextPtr OpenDecoder(const AVStream* st);
    // Sets the output channels and rate from the decoder; false, reported, without a device.
    bool OpenAudioDevice(const AVCodecContext& ctx);
    // Take an opened stream into play. False, the stream closed again, when the system refuses
    // its thread.
    bool StartVideoStream(int index, AVStream* st, CodecContextPtr ctx);
    void StartAudioStream(int index, AVStream* st, CodecContextPtr ctx);
    bool StartSubtitleStream(int index, AVStream* st, CodecContextPtr ctx);
    // False, reported, when the system refuses the thread.
    bool StartStreamThread(PlayerThread kind, std::thread& thread, std::function<void()> body);
    void StreamClose(int index);
    void CarryOutSeek();
    std::unique_lock<std::mutex> GuardStreamTable() const;
    bool QueuesFull() const;

    // Video side.
    void VideoThread();
    // 1 with a picture in frame, 0 for none (flush or dropped), -1 when aborted.
    int GetPicture(AVFrame* frame, bool& endOfFile);
    bool OutputPicture(AVFrame* frame, double pts, int64_t pos);
    // The picture ends before the target of the exact seek being carried out.
    bool BeforeExactTarget(const AVFrame* frame, double pts) const;
    bool CopyIntoSlot(PictureSlot& slot, const AVFrame* frame);
    void FlushVideo();
    bool OpenFile();
    double ComputeTarget(double pts);
    void SubtitleThread();

    // Audio side.
    int DecodeAudio(double& pts);
    void AudioCallback(uint8_t* stream, int len);

    // Presentation side.
    void RefreshThread();
    // Steps of Refresh, each under the picture lock: the first waiting picture is dropped, or
    // becomes the one on screen.
    void DropFirstPending();
    void MarkShown(int index);
    // Drops the subtitles a change of stream or the picture on screen has left behind.
    void AdvanceSubtitles();
    // Frees the oldest queued subtitle; the caller holds the subtitle lock.
    void PopSubtitle();
    void DrawPicture(PictureSlot& slot);
    void DrawWaveform();
    int Sample(int index) const; // from the waveform's sample ring
    void BlendSubtitle(PictureSlot& slot, const AVSubtitle& sub);
    void FreeSubtitle(SubtitlePicture& sp);

    bool WaitInSlices(const std::function<bool()>& done, int sliceMs);
    void Report(const std::string& text, bool stored);

    IPlaybackHost& host_;
    const TPlaybackSettings settings_;
    const std::string fileName_;

    std::atomic<int> openStatus_{0};
    std::thread readThread_, refreshThread_, videoThread_, subtitleThread_;
    std::atomic<bool> abortRequest_{false};
    std::atomic<bool> paused_{false};
    bool lastPaused_ = false;
    std::atomic<int> readPauseResult_{0};

    std::mutex seekMutex_;
    bool seekPending_ = false;
    int seekFlags_ = 0;
    int64_t seekTarget_ = 0;
    int64_t seekRelative_ = 0;
    bool seekExact_ = false;
    // Seconds: pictures ending at or before it are passed over after an exact seek; NaN after
    // any other.
    std::atomic<double> exactTarget_{std::numeric_limits<double>::quiet_NaN()};
    std::atomic<bool> pausedAtSeek_{false};
    std::atomic<bool> dropAfterSeek_{false};
    std::atomic<bool> flushSeen_{false};
    std::atomic<int> openPausedCount_{0};
    std::atomic<bool> reading_{false};
    std::atomic<bool> drained_{false};
    std::atomic<bool> readErrorReported_{false};
    std::atomic<bool> readThreadDone_{false};
    std::atomic<bool> endReported_{false};
    std::atomic<bool> refreshPending_{false};
    std::atomic<bool> eofMark_{false};
    bool stillImage_ = false;
    bool growingStreams_ = false; // the demuxer adds streams as it meets them
    bool captureDevice_ = false;

    InputFormatContextPtr input_;
    // Written by the reading thread as streams open and close, read by every other thread.
    std::atomic<int> audioIndex_{-1}, videoIndex_{-1}, subtitleIndex_{-1};
    AVStream* audioStream_ = nullptr;
    AVStream* videoStream_ = nullptr;
    AVStream* subtitleStream_ = nullptr;
    CodecContextPtr audioCodec_, videoCodec_, subtitleCodec_;
    int64_t startTime_ = 0;
    int64_t duration_ = -1;
    std::atomic<int64_t> audioDuration_{-1};

    // Audio.
    PacketQueue audioQueue_;
    std::atomic<double> audioClock_{0};
    std::vector<uint8_t> audioBuffer_;
    std::vector<uint8_t> silence_;
    const uint8_t* audioData_ = nullptr;
    std::atomic<bool> audioSilent_{true};
    std::atomic<double> callbackClock_{0}; // audio clock at the start of the last device buffer
    std::atomic<double> callbackWall_{0};  // wall clock of the last callback
    std::atomic<int> audioSize_{0};
    std::atomic<int> audioIndexInBuffer_{0};
    bool audioPacketSent_ = false;
    FramePtr audioFrame_;
    SampleConverter sampleConverter_;
    AudioDevice audioDevice_;
    int audioChannels_ = 0;
    int audioRate_ = 0;

    // Video.
    PacketQueue videoQueue_;
    // One slot more than can wait, so the picture on screen stays intact for redraws and
    // snapshots while two more are decoded.
    PictureSlot slots_[kPictureSlots + 1];
    std::deque<int> pending_; // slots waiting for the display, oldest first
    int shownIndex_ = -1;     // slot on screen, -1 before the first
    std::mutex pictureMutex_;
    std::condition_variable pictureCond_;
    std::atomic<double> frameTimer_{0};
    double lastFrameTime_ = 0;
    double lastFrameDelay_ = 0;
    std::atomic<double> videoClock_{0}; // decoder's prediction of the next picture's time
    double frameDuration_ = 0.04;
    std::atomic<double> shownTime_{0};
    std::atomic<double> shownDrift_{0};
    std::atomic<int64_t> shownPos_{-1};
    std::atomic<float> skipFactor_{1};
    float skipCount_ = 0;
    int64_t ptsFaults_ = 0, dtsFaults_ = 0, lastPts_ = INT64_MIN, lastDts_ = INT64_MIN;
    TCachedScaler toYuv_;
    int rotation_ = 0; // the clockwise turn the stream's pictures are shown with
    TPictureTurner turner_;
    bool videoDraining_ = false;
    std::atomic<int> displayWidth_{0}, displayHeight_{0};
    // The decoder's picture size when the stream opened: the decoder's own fields change while
    // it decodes on another thread.
    std::atomic<int> codedWidth_{0}, codedHeight_{0};

    // Subtitles.
    PacketQueue subtitleQueue_;
    SubtitlePicture subtitles_[kSubtitleSlots];
    int subReadIndex_ = 0, subWriteIndex_ = 0, subQueued_ = 0;
    std::mutex subtitleMutex_;
    std::condition_variable subtitleCond_;
    std::atomic<bool> subtitleChanged_{false};

    // Waveform.
    std::atomic<int> showMode_{0};
    // Written by the sound callback, read by the presentation loop without a lock: a torn
    // waveform picture does no harm, a torn sample would be a data race.
    std::vector<std::atomic<int16_t>> sampleRing_ = std::vector<std::atomic<int16_t>>(kSampleRing);
    std::atomic<int> sampleIndex_{0};
    int lastStartIndex_ = 0;
    FramePtr waveFrame_;
};

} // namespace orvel
