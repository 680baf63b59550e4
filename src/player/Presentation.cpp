// Presentation side of a playback: clocks, the refresh thread, showing or dropping queued
// pictures, drawing with the aspect rule, subtitles, the audio waveform, the sound callback
// and the pause toggle.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/time.h>
}

#include "player/Playback.h"

namespace orvel {

double WallClock();

namespace {

YuvPicture PictureOf(const AVFrame* frame, int width, int height) {
    YuvPicture picture;
    for (int i = 0; i < 3; ++i) {
        picture.Planes[i] = frame->data[i];
        picture.Strides[i] = frame->linesize[i];
    }
    picture.Width = width;
    picture.Height = height;
    return picture;
}

} // namespace

double Playback::AudioClock() const {
    double clock = audioClock_;
    const int bytesPerSecond = audioRate_ * 2 * audioChannels_;
    if (bytesPerSecond > 0 && !audioSilent_)
        clock -= static_cast<double>(audioSize_ - audioIndexInBuffer_) / bytesPerSecond;
    // The device takes a whole buffer at once and plays it over the next buffer period: run
    // the clock on from the start of that buffer instead of jumping a buffer at a time.
    const double since = callbackWall_;
    if (paused_ || audioSilent_ || since <= 0) return clock;
    return std::min(clock, callbackClock_ + (WallClock() - since));
}

double Playback::VideoClock() const {
    if (paused_) return shownTime_;
    const double drift = shownDrift_;
    if (drift != 0) return WallClock() + drift;
    return static_cast<double>(startTime_) / 1000000.0;
}

double Playback::MasterClock() const {
    return audioIndex_ >= 0 ? AudioClock() : VideoClock();
}

void Playback::RefreshThread() {
    while (!abortRequest_) {
        if (!refreshPending_.exchange(true)) host_.PushEvent(pcRefresh);
        const int ms = audioIndex_ >= 0 && showMode_ != 0 ? 20 : 5;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

void Playback::TogglePause() {
    if (!host_.SeekDone().WaitFor(250)) host_.SeekDone().Set();
    if (abortRequest_) return;
    if (paused_) {
        const double now = WallClock();
        frameTimer_ = frameTimer_ + now + shownDrift_ - shownTime_;
        if (readPauseResult_ != AVERROR(ENOSYS)) shownTime_ = now + shownDrift_;
        shownDrift_ = shownTime_ - now;
        paused_ = false;
    } else {
        if (videoIndex_ >= 0) {
            if (!host_.PictureReady().WaitFor(250)) host_.PictureReady().Set();
            if (abortRequest_) return;
        }
        paused_ = true;
    }
}

PictureSlot* Playback::LockShownPicture(std::unique_lock<std::mutex>& lock) {
    int index;
    {
        std::lock_guard guard(pictureMutex_);
        index = shownIndex_ >= 0 ? shownIndex_ : (pending_.empty() ? -1 : pending_.front());
    }
    if (index < 0) return nullptr;
    lock = std::unique_lock(slots_[index].OverlayLock);
    if (!slots_[index].Overlay) return nullptr;
    return &slots_[index];
}

void Playback::Refresh(bool advancing) {
    if (videoIndex_ < 0) {
        if (audioIndex_ >= 0) {
            DrawDisplay();
            host_.UpdatePosition(*this);
        }
        return;
    }
    if (!advancing) {
        DrawDisplay();
        host_.UpdatePosition(*this);
        return;
    }
    bool positionWanted = true;
    for (;;) {
        bool dropAll;
        int queued;
        int index;
        double target = 0, nextTarget = 0;
        {
            // Targets are read under the lock a flush clears them with. The decoder ends the
            // seek's dropping before it queues the seek's first picture, so read with the queue
            // the mark never drops that picture, which a paused player would not replace.
            std::lock_guard lock(pictureMutex_);
            dropAll = dropAfterSeek_;
            queued = static_cast<int>(pending_.size());
            index = queued ? pending_.front() : -1;
            if (queued) target = slots_[index].Target;
            if (queued == 2) nextTarget = slots_[pending_[1]].Target;
        }
        if (queued == 0) break;
        PictureSlot& slot = slots_[index];
        const double now = WallClock();
        if (now < target) {
            positionWanted = false;
            break;
        }
        shownTime_ = slot.Pts;
        shownDrift_ = slot.Pts - now;
        shownPos_ = slot.Pos;
        if (queued < 2) nextTarget = target + videoClock_ - slot.Pts;
        if ((now > nextTarget && !captureDevice_) || dropAll) {
            skipFactor_ = skipFactor_ * 1.05f;
            if (queued == 2 || now > nextTarget + 0.5 || dropAll) {
                DropFirstPending();
                positionWanted = false;
                continue;
            }
        }
        if (subtitleIndex_ >= 0) AdvanceSubtitles();
        MarkShown(index);
        DrawDisplay();
        ++PicturesShown;
        break;
    }
    if (positionWanted) host_.UpdatePosition(*this);
}

void Playback::DropFirstPending() {
    std::lock_guard lock(pictureMutex_);
    pending_.pop_front();
    pictureCond_.notify_all();
    ++PicturesDropped;
}

void Playback::MarkShown(int index) {
    std::lock_guard lock(pictureMutex_);
    pending_.pop_front();
    shownIndex_ = index;
    pictureCond_.notify_all();
}

void Playback::AdvanceSubtitles() {
    std::lock_guard lock(subtitleMutex_);
    if (subtitleChanged_) {
        while (subQueued_ > 0)
            PopSubtitle();
        subtitleChanged_ = false;
        subtitleCond_.notify_all();
    } else if (subQueued_ > 0) {
        const SubtitlePicture& first = subtitles_[subReadIndex_];
        const SubtitlePicture* second =
            subQueued_ > 1 ? &subtitles_[(subReadIndex_ + 1) % kSubtitleSlots] : nullptr;
        const double shown = shownTime_;
        if (shown > first.Pts + first.Sub.end_display_time / 1000.0 ||
            (second && shown > second->Pts + second->Sub.start_display_time / 1000.0)) {
            PopSubtitle();
            subtitleCond_.notify_all();
        }
    }
}

void Playback::PopSubtitle() {
    FreeSubtitle(subtitles_[subReadIndex_]);
    subReadIndex_ = (subReadIndex_ + 1) % kSubtitleSlots;
    --subQueued_;
}

void Playback::OpenDisplay(bool force) {
    IDisplaySurface* surface = settings_.Surface;
    if (!surface || settings_.DisableDisplay) return;
    int width = 0, height = 0;
    host_.DisplayAreaSize(width, height);
    if (width <= 0) {
        if (videoIndex_ >= 0 && codedWidth_ > 0) {
            width = codedWidth_ & ~1;
            height = codedHeight_ & ~1;
        } else {
            width = 640;
            height = 480;
        }
    }
    if (!force && width == displayWidth_ && height == displayHeight_) return;
    if (!surface->OpenDisplay(width, height)) {
        Report("SDL: could not set video mode.", false);
        return;
    }
    displayWidth_ = width;
    displayHeight_ = height;
}

void Playback::Resize(int width, int height) {
    host_.SetDisplayAreaSize(width, height);
    OpenDisplay(false);
    if (paused_) Refresh(false);
}

void Playback::DrawDisplay() {
    if (!settings_.Surface || settings_.DisableDisplay) return;
    if (displayWidth_ == 0) OpenDisplay(false);
    if (displayWidth_ == 0) return;
    if (audioIndex_ >= 0 && showMode_ == 1) {
        DrawWaveform();
        return;
    }
    if (videoIndex_ < 0) return;
    int index;
    {
        std::lock_guard lock(pictureMutex_);
        index = shownIndex_;
    }
    if (index >= 0) DrawPicture(slots_[index]);
}

void Playback::DrawPicture(PictureSlot& slot) {
    std::lock_guard overlayLock(slot.OverlayLock);
    if (!slot.Overlay) return;
    const int dw = displayWidth_, dh = displayHeight_;
    const double aspect =
        PictureAspect(host_.PlaybackAspect(), dw, dh, slot.PixelAspect, slot.Width, slot.Height);
    if (subtitleIndex_ >= 0) {
        std::lock_guard lock(subtitleMutex_);
        if (subQueued_ > 0) {
            const SubtitlePicture& sp = subtitles_[subReadIndex_];
            if (slot.Pts >= sp.Pts + sp.Sub.start_display_time / 1000.0) BlendSubtitle(slot, sp.Sub);
        }
    }
    settings_.Surface->ShowPicture(PictureOf(slot.Overlay.get(), slot.Width, slot.Height),
                                   FitPicture(dw, dh, aspect));
}

void Playback::BlendSubtitle(PictureSlot& slot, const AVSubtitle& sub) {
    AVFrame* overlay = slot.Overlay.get();
    for (unsigned r = 0; r < sub.num_rects; ++r) {
        const AVSubtitleRect* rect = sub.rects[r];
        if (rect->type != SUBTITLE_BITMAP || !rect->data[0] || !rect->data[1]) continue;
        const auto* palette = reinterpret_cast<const uint32_t*>(rect->data[1]);
        const int x0 = std::clamp(rect->x, 0, slot.Width), y0 = std::clamp(rect->y, 0, slot.Height);
        const int x1 = std::clamp(rect->x + rect->w, 0, slot.Width);
        const int y1 = std::clamp(rect->y + rect->h, 0, slot.Height);
        auto entry = [&](int x, int y) {
            return palette[rect->data[0][(y - rect->y) * rect->linesize[0] + (x - rect->x)]];
        };
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const uint32_t c = entry(x, y);
                const int a = c >> 24, luma = (c >> 16) & 0xFF;
                uint8_t& old = overlay->data[0][y * overlay->linesize[0] + x];
                old = static_cast<uint8_t>((old * (255 - a) + luma * a) / 255);
            }
        // Each chroma sample covers up to 2 x 2 luma samples: average their alpha.
        for (int cy = y0 / 2; cy * 2 < y1; ++cy)
            for (int cx = x0 / 2; cx * 2 < x1; ++cx) {
                int n = 0, alpha = 0, sumU = 0, sumV = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        const int x = cx * 2 + dx, y = cy * 2 + dy;
                        if (x < x0 || x >= x1 || y < y0 || y >= y1) continue;
                        const uint32_t c = entry(x, y);
                        ++n;
                        alpha += c >> 24;
                        sumU += (c >> 8) & 0xFF;
                        sumV += c & 0xFF;
                    }
                if (n == 0) continue;
                const int average = alpha / n;
                uint8_t& u = overlay->data[1][cy * overlay->linesize[1] + cx];
                uint8_t& v = overlay->data[2][cy * overlay->linesize[2] + cx];
                u = static_cast<uint8_t>((u * n * (255 - average) + sumU * average) / (255 * n));
                v = static_cast<uint8_t>((v * n * (255 - average) + sumV * average) / (255 * n));
            }
    }
}

int Playback::Sample(int index) const {
    return sampleRing_[index].load(std::memory_order_relaxed);
}

void Playback::DrawWaveform() {
    const int width = displayWidth_, height = displayHeight_;
    const int channels = std::max(1, audioChannels_);
    if (!waveFrame_ || waveFrame_->width != width || waveFrame_->height != height) {
        waveFrame_ = MakeFrame();
        waveFrame_->format = AV_PIX_FMT_YUV420P;
        waveFrame_->width = width;
        waveFrame_->height = height;
        if (av_frame_get_buffer(waveFrame_.get(), 0) < 0) {
            waveFrame_.reset();
            return;
        }
    }
    int start;
    if (paused_) {
        start = lastStartIndex_;
    } else {
        const int n = 2 * channels;
        double delay = static_cast<double>(audioSize_ - audioIndexInBuffer_) / n;
        const int64_t last = host_.LastAudioCallback();
        if (last) delay -= static_cast<double>(audioRate_) * (av_gettime_relative() - last) / 1000000.0;
        delay += 2 * width;
        if (delay < width) delay = width;
        start = static_cast<int>((sampleIndex_ - static_cast<int64_t>(delay) * channels) % kSampleRing);
        if (start < 0) start += kSampleRing;
        // Start at a rising zero crossing so that a steady tone stands still on screen.
        int best = start, bestScore = INT32_MIN;
        for (int i = 0; i < 1000; i += channels) {
            const int at = (start - i + kSampleRing) % kSampleRing;
            const int a = Sample(at);
            const int b = Sample((at + 4 * channels) % kSampleRing);
            const int c = Sample((at + 5 * channels) % kSampleRing);
            const int d = Sample((at + 9 * channels) % kSampleRing);
            const int score = a - d;
            if (score > bestScore && (b ^ c) < 0) {
                bestScore = score;
                best = at;
            }
        }
        start = best;
        lastStartIndex_ = start;
    }
    AVFrame* f = waveFrame_.get();
    for (int y = 0; y < height; ++y)
        std::memset(f->data[0] + y * f->linesize[0], 16, width);
    for (int p = 1; p < 3; ++p)
        for (int y = 0; y < (height + 1) / 2; ++y)
            std::memset(f->data[p] + y * f->linesize[p], 128, (width + 1) / 2);
    auto plot = [&](int x, int y) {
        if (x >= 0 && x < width && y >= 0 && y < height) f->data[0][y * f->linesize[0] + x] = 235;
    };
    const int h = height / channels;
    const int h2 = h * 9 / 20;
    for (int ch = 0; ch < channels; ++ch) {
        int i = (start + ch) % kSampleRing;
        const int y1 = ch * h + h / 2;
        for (int x = 0; x < width; ++x) {
            const int y = (Sample(i) * h2) >> 15;
            if (y < 0)
                for (int k = 0; k < -y; ++k)
                    plot(x, y1 + y + k);
            else
                for (int k = 0; k < y; ++k)
                    plot(x, y1 + k);
            i = (i + channels) % kSampleRing;
        }
    }
    for (int ch = 1; ch < channels; ++ch)
        for (int x = 0; x < width; ++x)
            plot(x, ch * h);
    settings_.Surface->ShowPicture(PictureOf(f, width, height), DisplayRect{0, 0, width, height});
}

void Playback::AudioCallback(uint8_t* stream, int len) {
    host_.NoteAudioCallback();
    const double now = WallClock();
    const int requested = len;
    while (len > 0) {
        if (audioIndexInBuffer_ >= audioSize_) {
            double pts = 0;
            const int bytes = DecodeAudio(pts);
            if (audioQueue_.Aborted()) {
                std::memset(stream, 0, static_cast<size_t>(len));
                return;
            }
            if (bytes <= 0) {
                audioData_ = silence_.data();
                audioSize_ = static_cast<int>(silence_.size());
                audioSilent_ = true;
            } else {
                audioData_ = audioBuffer_.data();
                if (showMode_ == 1) {
                    const auto* samples = reinterpret_cast<const int16_t*>(audioData_);
                    int at = sampleIndex_;
                    for (int i = 0; i < bytes / 2; ++i) {
                        sampleRing_[at].store(samples[i], std::memory_order_relaxed);
                        at = (at + 1) % kSampleRing;
                    }
                    sampleIndex_ = at;
                }
                audioSize_ = bytes;
                audioSilent_ = false;
            }
            audioIndexInBuffer_ = 0;
        }
        const int chunk = std::min(len, audioSize_ - audioIndexInBuffer_);
        MixSamples(stream, audioData_ + audioIndexInBuffer_, chunk, host_.PlaybackVolume(),
                   host_.PlaybackMuted());
        len -= chunk;
        stream += chunk;
        audioIndexInBuffer_ += chunk;
    }
    const int bytesPerSecond = audioRate_ * 2 * audioChannels_;
    if (bytesPerSecond > 0) {
        callbackWall_ = 0; // no reader mixes the old time with the new clock
        callbackClock_ =
            audioClock_ - static_cast<double>(audioSize_ - audioIndexInBuffer_ + requested) / bytesPerSecond;
        callbackWall_ = now;
    }
}

} // namespace orvel
