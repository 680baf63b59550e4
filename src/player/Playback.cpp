// Reading and decoding side of a playback: the reading thread, stream open and close, the video
// and subtitle decoding threads with the picture queue, audio decoding and seeking.
#include "player/Playback.h"
#include "engine/foundation/StreamChoice.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/time.h>
}

#include "engine/component/MainThreadDispatcher.h"
#include "engine/foundation/CodecLock.h"
#include "engine/foundation/FFUtils.h"
#include "engine/foundation/FFmpegLogger.h"
#include "engine/foundation/UnicodeProtocol.h"

namespace orvel {
namespace {

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string Format(const char* format, const std::string& a) {
    char buffer[2048];
    std::snprintf(buffer, sizeof buffer, format, a.c_str());
    return buffer;
}

int InterruptCallback(void* opaque) {
    return static_cast<Playback*>(opaque)->Aborted() ? 1 : 0;
}

// Decoders open and close under the codec lock.
void CloseCodec(CodecContextPtr& ctx) {
    std::lock_guard lock(CodecLock());
    ctx.reset();
}

} // namespace

double WallClock() {
    return static_cast<double>(av_gettime_relative()) / 1000000.0;
}

Playback::Playback(IPlaybackHost& host, TPlaybackSettings settings, std::string fileName, bool paused)
    : host_(host), settings_(settings), fileName_(std::move(fileName)) {
    paused_ = paused;
    openPausedCount_ = paused ? 1 : 0;
    silence_.assign(1024, 0);
    audioFrame_ = MakeFrame();
}

Playback::~Playback() {
    End();
    input_.reset();
    for (auto& sp : subtitles_)
        FreeSubtitle(sp);
}

void Playback::Report(const std::string& text, bool stored) {
    host_.Report(text, stored);
}

bool Playback::WaitInSlices(const std::function<bool()>& done, int sliceMs) {
    const bool mainThread = MainThreadDispatcher().IsMainThread();
    const int step = std::min(sliceMs, 10);
    int waited = 0;
    while (!done()) {
        SleepMs(step);
        waited += step;
        if (mainThread && waited >= sliceMs) {
            ServeMainThread();
            waited = 0;
        }
    }
    return true;
}

bool Playback::Start() {
    if (!host_.TryStartThread(PlayerThread::Read, readThread_, [this] { ReadThread(); })) {
        Report(kThreadStartFailed, true);
        return false;
    }
    WaitInSlices([this] { return openStatus_ != 0; }, 10);
    if (openStatus_ == 1) {
        if (videoIndex_ < 0 && !settings_.DisableDisplay) showMode_ = 1;
        if (host_.TryStartThread(PlayerThread::Refresh, refreshThread_, [this] { RefreshThread(); }))
            return true;
        Report(kThreadStartFailed, true);
        End();
        return false;
    }
    WaitInSlices([this] { return openStatus_ != -1; }, 10);
    abortRequest_ = true;
    if (readThread_.joinable()) readThread_.join();
    return false;
}

void Playback::End() {
    abortRequest_ = true;
    // The reading thread may be handing a call (a log line) to this thread while it ends.
    if (readThread_.joinable()) WaitInSlices([this] { return readThreadDone_.load(); }, 10);
    if (readThread_.joinable()) readThread_.join();
    if (refreshThread_.joinable()) refreshThread_.join();
}

// ---------------------------------------------------------------------------------------------
// Reading thread

bool Playback::OpenFile() {
    AVFormatContext* ic = avformat_alloc_context();
    if (!ic) {
        host_.StoreError(ErrorText(fileName_, AVERROR(ENOMEM)));
        return false;
    }
    ic->interrupt_callback.callback = &InterruptCallback;
    ic->interrupt_callback.opaque = this;
    AVDictionary* options = nullptr;
    if (settings_.FrameWidth > 0 && settings_.FrameHeight > 0) {
        const std::string size =
            std::to_string(settings_.FrameWidth) + "x" + std::to_string(settings_.FrameHeight);
        av_dict_set(&options, "video_size", size.c_str(), 0);
    }
    const int err = OpenInput(&ic, InputUrl(fileName_), nullptr, &options);
    av_dict_free(&options);
    if (err < 0) {
        host_.StoreError(ErrorText(fileName_, err));
        return false;
    }
    input_.reset(ic);
    // Known before the probe, which may clear the mark once it has found the streams it expects.
    growingStreams_ = (ic->ctx_flags & AVFMTCTX_NOHEADER) != 0;
    int found;
    {
        std::lock_guard lock(CodecLock());
        found = avformat_find_stream_info(ic, nullptr);
    }
    if (found < 0) {
        host_.StoreError(Format("%s: could not find codec parameters", fileName_));
        return false;
    }
    // Where the probe stopped reading a stream, before the end-of-file mark is cleared.
    const int64_t probedEnd = ProbedEnd(ic);
    if (ic->pb) ic->pb->eof_reached = 0;
    const char* format = ic->iformat ? ic->iformat->name : "";
    stillImage_ = std::strcmp(format, "image2") == 0;
    captureDevice_ = std::strcmp(format, "vfwcap") == 0 || std::strcmp(format, "vfwcapture") == 0;
    startTime_ = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
    duration_ = ic->duration != AV_NOPTS_VALUE ? ic->duration : -1;

    // Counted before any stream is discarded: demuxers skip the packets of discarded streams.
    AnalysedPackets analysed;
    const ChosenStreams chosen =
        ChooseFileStreams(ic, probedEnd, analysed, settings_.DisableAudio, settings_.DisableVideo);
    for (unsigned i = 0; i < ic->nb_streams; ++i)
        ic->streams[i]->discard = AVDISCARD_ALL;
    const int video = chosen.Video, audio = chosen.Audio, subtitle = chosen.Subtitle;

    if (audio >= 0) StreamOpen(audio);
    if (video >= 0) StreamOpen(video);
    if (videoIndex_ < 0 && !settings_.DisableDisplay) showMode_ = 2;
    if (subtitle >= 0) StreamOpen(subtitle);
    if (videoIndex_ < 0 && audioIndex_ < 0) {
        host_.StoreError(Format("%s: could not open codecs, no stream to play.", fileName_));
        return false;
    }
    // What counting read is played first, as the reading loop would have queued it.
    for (PacketPtr& packet : analysed.Packets)
        QueuePacket(std::move(packet));
    host_.AttachProbe(ic);
    return true;
}

void Playback::ReadThread() {
    if (OpenFile()) {
        openStatus_ = 1;
        ReadLoop();
        // Reading has ended for good (a read error): a seek can no longer be carried out, and
        // one that waits for it is answered instead of waiting for ever.
        while (!abortRequest_) {
            {
                std::lock_guard lock(seekMutex_);
                if (seekPending_) {
                    seekPending_ = false;
                    host_.PictureReady().Set();
                    host_.SeekDone().Set();
                }
            }
            SleepMs(10);
        }
    }
    if (openStatus_ != 1) openStatus_ = -1;
    if (audioIndex_ >= 0) StreamClose(audioIndex_);
    if (videoIndex_ >= 0) StreamClose(videoIndex_);
    if (subtitleIndex_ >= 0) StreamClose(subtitleIndex_);
    host_.AttachProbe(nullptr);
    // The input itself is closed with the playback, so a host call racing with the end
    // never reads a closed input.
    if (openStatus_ == -1) openStatus_ = -2;
    readThreadDone_ = true;
}

bool Playback::QueuesFull() const {
    if (audioQueue_.Size() + videoQueue_.Size() + subtitleQueue_.Size() > kMaxQueueBytes) return true;
    return (audioIndex_ < 0 || audioQueue_.Size() > kMinAudioBytes) &&
           (videoIndex_ < 0 || videoQueue_.Count() > kMinFrames) &&
           (subtitleIndex_ < 0 || subtitleQueue_.Count() > kMinFrames);
}

void Playback::ReadLoop() {
    AVFormatContext* ic = input_.get();
    while (!abortRequest_) {
        if (paused_ != lastPaused_) {
            lastPaused_ = paused_;
            if (lastPaused_)
                readPauseResult_ = av_read_pause(ic);
            else
                av_read_play(ic);
        }
        bool seek;
        {
            std::lock_guard lock(seekMutex_);
            seek = seekPending_;
        }
        if (seek) CarryOutSeek();
        if (QueuesFull()) {
            SleepMs(10);
            continue;
        }
        // Only the demuxer's own end of file counts: the byte reader reaches its end while
        // packets read ahead during probing still wait to be returned.
        if (eofMark_) {
            if (videoIndex_ >= 0) {
                videoQueue_.PutEmpty(videoIndex_);
                // A short file is read to its end before a seek's first picture is decoded: that
                // picture, or the decoder found empty, answers a wait for it instead.
                if (!dropAfterSeek_) host_.PictureReady().Set();
            }
            SleepMs(10);
            if (audioQueue_.Size() + videoQueue_.Size() + subtitleQueue_.Size() == 0) drained_ = true;
            continue;
        }
        PacketPtr packet = MakePacket();
        reading_ = true;
        int ret;
        {
            const std::unique_lock<std::mutex> guard = GuardStreamTable();
            ret = av_read_frame(ic, packet.get());
        }
        reading_ = false;
        if (abortRequest_) break;
        if (ret < 0) {
            if (ret == AVERROR(EAGAIN)) {
                SleepMs(10);
                continue;
            }
            if (videoIndex_ >= 0 && (ret != AVERROR_EOF || !dropAfterSeek_)) host_.PictureReady().Set();
            if (!stillImage_ && !readErrorReported_.exchange(true)) {
                if (ret == AVERROR_EOF)
                    FFLogger().Log(host_.LogSender(), llInfo, Format("reach end of file: %s", fileName_));
                else
                    Report("error #" + std::to_string(ret) + " while reading file: " + fileName_, false);
            }
            if (ret == AVERROR_EOF) {
                eofMark_ = true;
                continue;
            }
            if (ic->pb && ic->pb->error) break;
            SleepMs(100);
            continue;
        }
        QueuePacket(std::move(packet));
    }
}

void Playback::QueuePacket(PacketPtr packet) {
    if (packet->stream_index == audioIndex_)
        audioQueue_.Put(std::move(packet));
    else if (packet->stream_index == videoIndex_)
        videoQueue_.Put(std::move(packet));
    else if (packet->stream_index == subtitleIndex_)
        subtitleQueue_.Put(std::move(packet));
}

// Demuxers without a header (TS, FLV) add a stream whenever they first meet one, reallocating
// the table the probe reads; their reads and seeks hold the probe's lock. Other inputs read
// freely, so a slow read of a stream never keeps the probe's readers waiting.
std::unique_lock<std::mutex> Playback::GuardStreamTable() const {
    if (growingStreams_) return host_.LockProbe();
    return {};
}

void Playback::CarryOutSeek() {
    bool exact;
    int flags;
    int64_t target, relative;
    {
        std::lock_guard lock(seekMutex_);
        flags = seekFlags_;
        target = seekTarget_;
        relative = seekRelative_;
        exact = seekExact_;
    }
    AVFormatContext* ic = input_.get();
    const int64_t lowest = relative > 0 ? target - relative + 2 : INT64_MIN;
    int64_t highest = relative < 0 ? target - relative - 2 : INT64_MAX;
    // Decoding runs forward only: an exact seek starts from a keyframe at or before the target.
    if (exact) {
        highest = target;
        flags |= AVSEEK_FLAG_BACKWARD;
    }
    int ret;
    {
        const std::unique_lock<std::mutex> guard = GuardStreamTable(); // a seek reads packets too
        ret = avformat_seek_file(ic, -1, lowest, target, highest, flags);
        if (ret < 0) ret = av_seek_frame(ic, -1, target, flags);
        if (ret < 0) ret = av_seek_frame(ic, -1, target, flags ^ AVSEEK_FLAG_BACKWARD);
    }
    if (ret < 0) {
        Report(Format("%s: error while seeking", fileName_), false);
        if (videoIndex_ >= 0) host_.PictureReady().Set();
    } else {
        if (audioIndex_ >= 0) {
            audioQueue_.Flush();
            audioQueue_.PutFlush();
        }
        if (subtitleIndex_ >= 0) {
            subtitleQueue_.Flush();
            subtitleQueue_.PutFlush();
        }
        if (videoIndex_ >= 0) {
            // Before the flush is queued: the decoder reads the target once it has flushed.
            exactTarget_ =
                exact ? static_cast<double>(target) / 1000000.0 : std::numeric_limits<double>::quiet_NaN();
            flushSeen_ = false;
            // Before the flush reaches the decoder: its first pictures after it are the seek's,
            // to be passed over up to an exact target rather than shown.
            dropAfterSeek_ = true;
            videoQueue_.Flush();
            videoQueue_.PutFlush();
            host_.PictureReady().Reset();
        }
    }
    readErrorReported_ = false;
    drained_ = false;
    {
        std::lock_guard lock(seekMutex_);
        seekPending_ = false;
    }
    dropAfterSeek_ = true;
    eofMark_ = false;
    host_.SeekDone().Set();
}

void Playback::RequestSeek(int flags, bool wait, int64_t relative, int64_t target) {
    {
        std::lock_guard lock(seekMutex_);
        if (seekPending_) return;
        pausedAtSeek_ = paused_.load();
        seekTarget_ = target;
        seekRelative_ = relative;
        seekFlags_ = flags & 0xF;
        seekExact_ = (flags & sfExact) != 0 && (flags & sfByte) == 0;
        host_.SeekDone().Reset();
        seekPending_ = true;
    }
    if (!wait) return;
    WaitInSlices([this] { return host_.SeekDone().IsSet() || abortRequest_; }, 100);
    if (videoIndex_ >= 0) WaitInSlices([this] { return host_.PictureReady().IsSet() || abortRequest_; }, 100);
}

// ---------------------------------------------------------------------------------------------
// Streams

bool Playback::StreamOpen(int index) {
    AVFormatContext* ic = input_.get();
    if (index < 0 || index >= static_cast<int>(ic->nb_streams)) return false;
    AVStream* st = ic->streams[index];
    CodecContextPtr ctx = OpenDecoder(st);
    if (!ctx) return false;
    const AVMediaType type = ctx->codec_type;
    if (type == AVMEDIA_TYPE_AUDIO && !OpenAudioDevice(*ctx)) {
        CloseCodec(ctx);
        return false;
    }
    st->discard = AVDISCARD_DEFAULT;
    switch (type) {
    case AVMEDIA_TYPE_VIDEO:
        return StartVideoStream(index, st, std::move(ctx));
    case AVMEDIA_TYPE_AUDIO:
        StartAudioStream(index, st, std::move(ctx));
        return true;
    case AVMEDIA_TYPE_SUBTITLE:
        return StartSubtitleStream(index, st, std::move(ctx));
    default:
        st->discard = AVDISCARD_ALL;
        CloseCodec(ctx);
        return false;
    }
}

CodecContextPtr Playback::OpenDecoder(const AVStream* st) {
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    int ret = -1;
    if (codec && ctx && avcodec_parameters_to_context(ctx.get(), st->codecpar) >= 0) {
        ctx->pkt_timebase = st->time_base;
        ctx->workaround_bugs = 1;
        ctx->lowres = 0;
        ctx->idct_algo = FF_IDCT_AUTO;
        ctx->error_concealment = 3;
        ctx->thread_count = 1;
        std::lock_guard lock(CodecLock());
        ret = avcodec_open2(ctx.get(), codec, nullptr);
    }
    if (ret >= 0) return ctx;
    Report("avcodec_open() failed.", false);
    CloseCodec(ctx);
    return nullptr;
}

bool Playback::OpenAudioDevice(const AVCodecContext& ctx) {
    const int channels = ctx.ch_layout.nb_channels;
    audioChannels_ = channels == 1 || channels == 2 ? channels : 2;
    audioRate_ = ctx.sample_rate;
    std::string error;
    if (audioRate_ <= 0 || !audioDevice_.Open(
                               audioRate_, audioChannels_,
                               [this](uint8_t* stream, int len) { AudioCallback(stream, len); }, error)) {
        Report("SDL_OpenAudio() failed: " + error, false);
        return false;
    }
    return true;
}

void Playback::ShownSize(int& width, int& height) const {
    width = height = -1;
    if (!videoStream_ || videoStream_->codecpar->width <= 0) return;
    const bool swap = SwapsSides(rotation_);
    width = swap ? videoStream_->codecpar->height : videoStream_->codecpar->width;
    height = swap ? videoStream_->codecpar->width : videoStream_->codecpar->height;
}

bool Playback::StartVideoStream(int index, AVStream* st, CodecContextPtr ctx) {
    videoIndex_ = index;
    videoStream_ = st;
    rotation_ = DisplayRotation(st);
    codedWidth_ = SwapsSides(rotation_) ? ctx->height : ctx->width;
    codedHeight_ = SwapsSides(rotation_) ? ctx->width : ctx->height;
    videoCodec_ = std::move(ctx);
    const AVRational rate = av_guess_frame_rate(input_.get(), st, nullptr);
    frameDuration_ = rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 0.04;
    videoQueue_.Start();
    videoQueue_.PutFlush();
    if (!StartStreamThread(PlayerThread::Video, videoThread_, [this] { VideoThread(); })) {
        StreamClose(index);
        videoStream_ = nullptr; // no other thread reads it before the file counts as open
        return false;
    }
    return true;
}

void Playback::StartAudioStream(int index, AVStream* st, CodecContextPtr ctx) {
    audioIndex_ = index;
    audioStream_ = st;
    audioDuration_ =
        st->duration != AV_NOPTS_VALUE ? av_rescale_q(st->duration, st->time_base, AV_TIME_BASE_Q) : -1;
    audioCodec_ = std::move(ctx);
    audioSize_ = 0;
    audioIndexInBuffer_ = 0;
    audioPacketSent_ = false;
    audioQueue_.Start();
    audioQueue_.PutFlush();
    audioDevice_.Start();
}

bool Playback::StartSubtitleStream(int index, AVStream* st, CodecContextPtr ctx) {
    subtitleIndex_ = index;
    subtitleStream_ = st;
    subtitleCodec_ = std::move(ctx);
    subtitleQueue_.Start();
    subtitleQueue_.PutFlush();
    if (!StartStreamThread(PlayerThread::Subtitle, subtitleThread_, [this] { SubtitleThread(); })) {
        StreamClose(index);
        subtitleStream_ = nullptr;
        return false;
    }
    return true;
}

bool Playback::StartStreamThread(PlayerThread kind, std::thread& thread, std::function<void()> body) {
    if (host_.TryStartThread(kind, thread, std::move(body))) return true;
    // Like a stream whose decoder does not open: the other streams still play.
    Report(kThreadStartFailed, false);
    return false;
}

void Playback::StreamClose(int index) {
    AVFormatContext* ic = input_.get();
    if (!ic || index < 0 || index >= static_cast<int>(ic->nb_streams)) return;
    CodecContextPtr* ctx = nullptr;
    if (index == videoIndex_) {
        videoQueue_.Abort();
        {
            std::lock_guard lock(pictureMutex_);
            pictureCond_.notify_all();
        }
        if (videoThread_.joinable()) videoThread_.join();
        videoQueue_.Flush();
        ctx = &videoCodec_;
        videoIndex_ = -1;
    } else if (index == audioIndex_) {
        audioQueue_.Abort();
        audioDevice_.Close();
        audioQueue_.Flush();
        sampleConverter_.Reset();
        ctx = &audioCodec_;
        audioIndex_ = -1;
        audioDuration_ = -1;
    } else if (index == subtitleIndex_) {
        subtitleQueue_.Abort();
        {
            std::lock_guard lock(subtitleMutex_);
            subtitleChanged_ = true;
            subtitleCond_.notify_all();
        }
        if (subtitleThread_.joinable()) subtitleThread_.join();
        subtitleQueue_.Flush();
        ctx = &subtitleCodec_;
        subtitleIndex_ = -1;
    } else {
        return;
    }
    ic->streams[index]->discard = AVDISCARD_ALL;
    std::lock_guard lock(CodecLock());
    ctx->reset();
}

// ---------------------------------------------------------------------------------------------
// Video

void Playback::FlushVideo() {
    avcodec_flush_buffers(videoCodec_.get());
    videoDraining_ = false;
    {
        std::unique_lock lock(pictureMutex_);
        for (auto& slot : slots_)
            slot.Target = 0;
        pictureCond_.wait(lock, [this] { return pending_.empty() || videoQueue_.Aborted(); });
    }
    shownPos_ = -1;
    ptsFaults_ = dtsFaults_ = 0;
    lastPts_ = lastDts_ = INT64_MIN;
    lastFrameTime_ = static_cast<double>(AV_NOPTS_VALUE);
    lastFrameDelay_ = 0;
    frameTimer_ = WallClock();
    skipFactor_ = 1;
    skipCount_ = 0;
    flushSeen_ = true;
}

int Playback::GetPicture(AVFrame* frame, bool& endOfFile) {
    AVCodecContext* ctx = videoCodec_.get();
    for (;;) {
        if (avcodec_receive_frame(ctx, frame) >= 0) {
            if (frame->pkt_dts != AV_NOPTS_VALUE) {
                dtsFaults_ += frame->pkt_dts <= lastDts_;
                lastDts_ = frame->pkt_dts;
            }
            if (frame->pts != AV_NOPTS_VALUE) {
                ptsFaults_ += frame->pts <= lastPts_;
                lastPts_ = frame->pts;
            }
            // The reordered time is right unless it has gone backwards more often than the
            // decoding time has.
            if (frame->pts != AV_NOPTS_VALUE &&
                (frame->pkt_dts == AV_NOPTS_VALUE || ptsFaults_ <= dtsFaults_))
                frame->best_effort_timestamp = frame->pts;
            else if (frame->pkt_dts != AV_NOPTS_VALUE)
                frame->best_effort_timestamp = frame->pkt_dts;
            else
                frame->best_effort_timestamp = AV_NOPTS_VALUE;
            skipCount_ += 1;
            const float factor = skipFactor_;
            if (skipCount_ >= factor) {
                skipCount_ -= std::max(1.0f, factor);
                return 1;
            }
            av_frame_unref(frame);
            ++PicturesDropped;
            continue;
        }
        QueuedPacket item;
        if (videoQueue_.Get(item, true) < 0) return -1;
        if (item.Flush) {
            FlushVideo();
            return 0;
        }
        if (item.IsEndOfFile()) {
            endOfFile = true;
            if (!videoDraining_) {
                avcodec_send_packet(ctx, nullptr);
                videoDraining_ = true;
            } else {
                host_.PictureReady().Set(); // drained: no picture is coming
            }
            if (!endReported_) host_.UpdatePosition(*this);
            continue; // pictures the decoder still holds come out first
        }
        if (videoDraining_) {
            // New data after the end (a seek without a flush cannot happen, but a live input
            // may grow): start the decoder afresh.
            avcodec_flush_buffers(ctx);
            videoDraining_ = false;
        }
        avcodec_send_packet(ctx, item.Packet.get());
    }
}

void Playback::VideoThread() {
    FramePtr frame = MakeFrame();
    if (!frame) return;
    const AVRational timeBase = videoStream_->time_base;
    for (;;) {
        while (paused_ && !videoQueue_.Aborted() && !pausedAtSeek_ && openPausedCount_ == 0)
            SleepMs(10);
        bool endOfFile = false;
        const int got = GetPicture(frame.get(), endOfFile);
        if (got < 0) break;
        if (got == 0) continue;
        // A picture without any time stamp is told apart from one at 0, the first after a seek
        // to the start, which must not take over the clock left from where playing was.
        const double pts = frame->best_effort_timestamp == AV_NOPTS_VALUE
                               ? std::numeric_limits<double>::quiet_NaN()
                               : static_cast<double>(frame->best_effort_timestamp) * av_q2d(timeBase);
        // Still waiting for the seek's first picture (which lets a paused decoder run): the
        // pictures before an exact target are decoded only to reach it.
        if (dropAfterSeek_ && flushSeen_ && BeforeExactTarget(frame.get(), pts)) {
            av_frame_unref(frame.get());
            continue;
        }
        if (dropAfterSeek_ && flushSeen_) {
            dropAfterSeek_ = false;
            pausedAtSeek_ = false;
        }
        // Turned here, so the hook, the snapshot and the screen all get the upright picture.
        if (rotation_ != 0) turner_.Turn(frame.get(), rotation_);
        const bool ok = OutputPicture(frame.get(), pts, frame->pkt_pos);
        av_frame_unref(frame.get());
        if (!ok) break;
        host_.PictureReady().Set();
        endReported_ = false;
        if (openPausedCount_ != 0) {
            if (openPausedCount_ > 1) {
                openPausedCount_ = 0;
                host_.RaiseOpenedPaused();
            } else {
                ++openPausedCount_;
            }
        }
    }
}

bool Playback::BeforeExactTarget(const AVFrame* frame, double pts) const {
    const double target = exactTarget_;
    // Without a time the picture cannot be placed: it is shown rather than the seek run on.
    if (std::isnan(target) || std::isnan(pts)) return false;
    const double span = frame->pkt_duration > 0
                            ? static_cast<double>(frame->pkt_duration) * av_q2d(videoStream_->time_base)
                            : frameDuration_;
    // A hundredth of a picture of slack: times rounded to microseconds must not skip the
    // picture that starts at the target.
    return pts + span * 0.99 <= target;
}

bool Playback::CopyIntoSlot(PictureSlot& slot, const AVFrame* frame) {
    AVFrame* overlay = slot.Overlay.get();
    // The slot holds limited range, as the screen and the snapshot read it: full-range pictures
    // (JPEG, phones) are converted, or their blacks and whites would be crushed and clipped.
    const bool full = FullRange(frame);
    if (frame->format == AV_PIX_FMT_YUV420P && !full) {
        av_image_copy(overlay->data, overlay->linesize, const_cast<const uint8_t**>(frame->data),
                      frame->linesize, AV_PIX_FMT_YUV420P, slot.Width, slot.Height);
        return true;
    }
    if (!CachedScaler(toYuv_, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                      slot.Width, slot.Height, AV_PIX_FMT_YUV420P, full))
        return false;
    sws_scale(toYuv_.get(), frame->data, frame->linesize, 0, frame->height, overlay->data, overlay->linesize);
    return true;
}

double Playback::ComputeTarget(double pts) {
    double delay = pts - lastFrameTime_;
    if (delay <= 0 || delay >= 10.0)
        delay = lastFrameDelay_;
    else
        lastFrameDelay_ = delay;
    lastFrameTime_ = pts;
    // Sound that is not playing (before its first data, after a seek, past its end) has a
    // standing clock: following it would race the pictures through or hold them back.
    if (audioIndex_ >= 0 && !audioSilent_) {
        const double diff = VideoClock() - MasterClock();
        if (std::fabs(diff) < 10.0) {
            const double threshold = std::max(0.01, delay);
            if (diff <= -threshold)
                delay = 0;
            else if (diff >= threshold)
                delay = 2 * delay;
        }
    }
    frameTimer_ = frameTimer_ + delay;
    return frameTimer_;
}

bool Playback::OutputPicture(AVFrame* frame, double pts, int64_t pos) {
    if (!std::isnan(pts))
        videoClock_ = pts;
    else
        pts = videoClock_;
    videoClock_ = videoClock_ + frameDuration_ * (1 + 0.5 * frame->repeat_pict);

    int index = -1;
    {
        std::unique_lock lock(pictureMutex_);
        if (static_cast<int>(pending_.size()) >= kPictureSlots && !refreshPending_)
            skipFactor_ = std::max(0.95f, skipFactor_ * 0.95f);
        pictureCond_.wait(lock, [this] {
            return static_cast<int>(pending_.size()) < kPictureSlots || videoQueue_.Aborted();
        });
        if (videoQueue_.Aborted()) return false;
        for (int i = 0; i <= kPictureSlots; ++i)
            if (i != shownIndex_ && std::find(pending_.begin(), pending_.end(), i) == pending_.end()) {
                index = i;
                break;
            }
    }
    PictureSlot& slot = slots_[index];
    // 4:2:0 planes round their chroma up, so odd sizes are kept: the last column and row are
    // part of the picture the hook and the snapshot see.
    const int width = frame->width;
    const int height = frame->height;
    bool allocated = false;
    {
        std::lock_guard overlayLock(slot.OverlayLock);
        if (!slot.Overlay || slot.Width != width || slot.Height != height) {
            slot.Overlay = MakeFrame();
            if (slot.Overlay) {
                slot.Overlay->format = AV_PIX_FMT_YUV420P;
                slot.Overlay->width = width;
                slot.Overlay->height = height;
                if (width <= 0 || height <= 0 || av_frame_get_buffer(slot.Overlay.get(), 0) < 0)
                    slot.Overlay.reset();
            }
            slot.Width = width;
            slot.Height = height;
            allocated = true;
        }
        if (slot.Overlay) {
            if (!CopyIntoSlot(slot, frame)) return true; // nothing to show for this picture
            slot.PixelAspect = frame->sample_aspect_ratio;
            host_.RunHook(*this, slot.Overlay.get(), pts);
            // Under the lock the snapshot reads the slot with: picture and time belong together.
            slot.Pts = pts;
            slot.Pos = pos;
        }
    }
    if (allocated) host_.PushEvent(pcAllocate);
    if (!slot.Overlay) return true; // the picture is lost
    std::lock_guard lock(pictureMutex_);
    slot.Target = ComputeTarget(pts);
    pending_.push_back(index);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Subtitles

void Playback::FreeSubtitle(SubtitlePicture& sp) {
    avsubtitle_free(&sp.Sub);
    sp.Sub = AVSubtitle{};
}

void Playback::SubtitleThread() {
    const AVRational timeBase = subtitleStream_->time_base;
    for (;;) {
        while (paused_ && !pausedAtSeek_ && !subtitleQueue_.Aborted())
            SleepMs(10);
        QueuedPacket item;
        if (subtitleQueue_.Get(item, true) < 0) break;
        if (item.Flush) {
            avcodec_flush_buffers(subtitleCodec_.get());
            continue;
        }
        {
            std::unique_lock lock(subtitleMutex_);
            subtitleCond_.wait(lock,
                               [this] { return subQueued_ < kSubtitleSlots || subtitleQueue_.Aborted(); });
        }
        if (subtitleQueue_.Aborted()) break;
        SubtitlePicture& sp = subtitles_[subWriteIndex_];
        const double pts =
            item.Packet->pts != AV_NOPTS_VALUE && timeBase.den ? item.Packet->pts * av_q2d(timeBase) : 0.0;
        int got = 0;
        FreeSubtitle(sp);
        if (avcodec_decode_subtitle2(subtitleCodec_.get(), &sp.Sub, &got, item.Packet.get()) < 0 || !got)
            continue;
        if (sp.Sub.format != 0) { // only bitmap subtitles are drawn
            FreeSubtitle(sp);
            continue;
        }
        sp.Pts = pts;
        // Palettes become Y, U, V and alpha once, so blending is a plain weighted sum.
        for (unsigned r = 0; r < sp.Sub.num_rects; ++r) {
            AVSubtitleRect* rect = sp.Sub.rects[r];
            if (!rect->data[1]) continue;
            auto* palette = reinterpret_cast<uint32_t*>(rect->data[1]);
            for (int i = 0; i < rect->nb_colors; ++i) {
                const uint32_t c = palette[i];
                const int a = (c >> 24) & 0xFF, red = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
                const int y = ((263 * red + 516 * g + 100 * b) >> 10) + 16;
                const int u = ((-152 * red - 298 * g + 450 * b) >> 10) + 128;
                const int v = ((450 * red - 377 * g - 73 * b) >> 10) + 128;
                palette[i] = (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(y) << 16) |
                             (static_cast<uint32_t>(u) << 8) | static_cast<uint32_t>(v);
            }
        }
        std::lock_guard lock(subtitleMutex_);
        subWriteIndex_ = (subWriteIndex_ + 1) % kSubtitleSlots;
        ++subQueued_;
    }
}

// ---------------------------------------------------------------------------------------------
// Audio

int Playback::DecodeAudio(double& pts) {
    AVCodecContext* ctx = audioCodec_.get();
    for (;;) {
        if (audioPacketSent_) {
            const int ret = avcodec_receive_frame(ctx, audioFrame_.get());
            if (ret >= 0) {
                AVFrame* frame = audioFrame_.get();
                if (frame->pts != AV_NOPTS_VALUE) audioClock_ = frame->pts * av_q2d(audioStream_->time_base);
                int bytes = 0;
                if (frame->format == AV_SAMPLE_FMT_S16 && frame->ch_layout.nb_channels == audioChannels_) {
                    bytes = frame->nb_samples * audioChannels_ * 2;
                    audioBuffer_.assign(frame->data[0], frame->data[0] + bytes);
                } else {
                    std::string error;
                    if (!sampleConverter_.Convert(frame, audioChannels_, audioBuffer_, error)) {
                        Report(error, false);
                        av_frame_unref(frame);
                        audioPacketSent_ = false;
                        continue;
                    }
                    bytes = static_cast<int>(audioBuffer_.size());
                }
                av_frame_unref(frame);
                if (bytes <= 0) continue;
                pts = audioClock_;
                audioClock_ = audioClock_ + static_cast<double>(bytes) / (2.0 * audioChannels_ * audioRate_);
                return bytes;
            }
            if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
                FFLogger().Log(host_.LogSender(), llInfo, "avcodec_decode_audio2() failed");
            audioPacketSent_ = false;
        }
        if (paused_ || audioQueue_.Aborted()) return -1;
        QueuedPacket item;
        if (audioQueue_.Get(item, false) <= 0) return -1;
        if (item.Flush) {
            avcodec_flush_buffers(ctx);
            continue;
        }
        if (avcodec_send_packet(ctx, item.Packet.get()) < 0) {
            FFLogger().Log(host_.LogSender(), llInfo, "avcodec_decode_audio2() failed");
            continue;
        }
        audioPacketSent_ = true;
    }
}

} // namespace orvel
