// Audio: conversion to the encoder's sample format, rate and channels, volume, audio sync,
// and cutting into the encoder's frame size through a FIFO.
#include "engine/foundation/FFmpegException.h"
#include "engine/foundation/FFmpegLogger.h"
#include "engine/run/TranscodeLoop.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <climits>
#include <cmath>

namespace orvel {

namespace {

// Audio sync leaves differences up to this many samples alone.
constexpr int kAudioSyncSlack = 50;

template <typename T, typename Wide>
void ScaleSamples(uint8_t* data, int count, int volume, Wide lo, Wide hi) {
    T* p = reinterpret_cast<T*>(data);
    for (int i = 0; i < count; ++i) {
        const Wide v = (static_cast<Wide>(p[i]) * volume + 128) >> 8;
        p[i] = static_cast<T>(std::clamp<Wide>(v, lo, hi));
    }
}

template <typename T> void ScaleFloat(uint8_t* data, int count, int volume) {
    T* p = reinterpret_cast<T*>(data);
    const T gain = static_cast<T>(volume) / 256;
    for (int i = 0; i < count; ++i)
        p[i] = std::clamp<T>(p[i] * gain, -1, 1);
}

// Volume 256 is unchanged; integer samples follow (s * volume + 128) / 256 with clipping.
void ApplyVolume(uint8_t** data, int samples, int channels, AVSampleFormat format, int volume) {
    const bool planar = av_sample_fmt_is_planar(format);
    const int planes = planar ? channels : 1;
    const int count = planar ? samples : samples * channels;
    for (int p = 0; p < planes; ++p) {
        switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_U8: {
            uint8_t* d = data[p];
            for (int i = 0; i < count; ++i) {
                const int v = (((d[i] - 128) * volume + 128) >> 8) + 128;
                d[i] = static_cast<uint8_t>(std::clamp(v, 0, 255));
            }
            break;
        }
        case AV_SAMPLE_FMT_S16:
            ScaleSamples<int16_t, int32_t>(data[p], count, volume, -32768, 32767);
            break;
        case AV_SAMPLE_FMT_S32:
            ScaleSamples<int32_t, int64_t>(data[p], count, volume, INT32_MIN, INT32_MAX);
            break;
        case AV_SAMPLE_FMT_FLT:
            ScaleFloat<float>(data[p], count, volume);
            break;
        case AV_SAMPLE_FMT_DBL:
            ScaleFloat<double>(data[p], count, volume);
            break;
        default:
            break;
        }
    }
}

} // namespace

void TCustomFFmpeg::Impl::Loop::SendAudio(OutputStream& os, const FrameContext& at, const AVFrame* frame) {
    AVCodecContext* enc = os.enc;
    const int outChannels = enc->ch_layout.nb_channels;
    if (frame != nullptr &&
        (!os.swr || frame->sample_rate != os.swrInRate || frame->format != os.swrInFormat ||
         av_channel_layout_compare(&frame->ch_layout, &os.swrInLayout) != 0)) {
        SwrContext* raw = nullptr;
        AVChannelLayout inLayout{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&inLayout, frame->ch_layout.nb_channels);
        else
            av_channel_layout_copy(&inLayout, &frame->ch_layout);
        int rc =
            swr_alloc_set_opts2(&raw, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &inLayout,
                                static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        SwrContextPtr swr(raw);
        // Drift compensation needs the resampler even when the rates match.
        if (rc >= 0 && s.AudioSyncMethod > 1) rc = av_opt_set_int(swr.get(), "flags", SWR_FLAG_RESAMPLE, 0);
        if (rc >= 0) rc = swr_init(swr.get());
        if (rc < 0)
            throw FFmpegException(Format("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                         frame->ch_layout.nb_channels, frame->sample_rate, outChannels,
                                         enc->sample_rate));
        os.swr = std::move(swr);
        os.swrInRate = frame->sample_rate;
        os.swrInFormat = frame->format;
        av_channel_layout_uninit(&os.swrInLayout);
        av_channel_layout_copy(&os.swrInLayout, &frame->ch_layout);
    }
    if (!os.swr) return;

    const int inSamples = frame != nullptr ? frame->nb_samples : 0;
    const int want = swr_get_out_samples(os.swr.get(), inSamples);
    if (want < 0) throw FFmpegException("Buffer sizes too large in do_audio_out");
    ReserveConverted(os, want);

    int discard = 0;
    if (frame != nullptr) {
        const int64_t silence = SyncAudio(os, at, discard);
        if (silence > 0) WriteSilence(os, silence);
    }

    const int got = swr_convert(
        os.swr.get(), os.convData, os.convCapacity,
        frame != nullptr ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, inSamples);
    if (got < 0) {
        if (s.ExitOnError) throw FFmpegException("av_audio_convert() failed");
        FFLogger().Log(&t.self, llError, "av_audio_convert() failed");
        return;
    }
    // Samples the sync discards come off the front of what this frame gave.
    const int skip = std::min(discard, got);
    if (got > skip) {
        if (s.AudioVolume != 256) ApplyVolume(os.convData, got, outChannels, enc->sample_fmt, s.AudioVolume);
        const bool planar = av_sample_fmt_is_planar(enc->sample_fmt);
        const int planes = planar ? outChannels : 1;
        const int offset = skip * av_get_bytes_per_sample(enc->sample_fmt) * (planar ? 1 : outChannels);
        os.convPlanes.resize(planes);
        for (int p = 0; p < planes; ++p)
            os.convPlanes[p] = os.convData[p] + offset;
        if (av_audio_fifo_write(os.fifo.get(), reinterpret_cast<void**>(os.convPlanes.data()), got - skip) <
            got - skip)
            throw FFmpegException("av_fifo_realloc2() failed");
    }
    EncodeAudioFifo(os, frame == nullptr);
}

void TCustomFFmpeg::Impl::Loop::ReserveConverted(OutputStream& os, int samples) {
    if (samples <= os.convCapacity) return;
    if (os.convData != nullptr) {
        av_freep(&os.convData[0]);
        av_freep(&os.convData);
    }
    os.convCapacity = 0;
    if (av_samples_alloc_array_and_samples(&os.convData, nullptr, os.enc->ch_layout.nb_channels, samples,
                                           os.enc->sample_fmt, 0) < 0)
        throw FFmpegException("Out of memory in do_audio_out");
    os.convCapacity = samples;
}

int64_t TCustomFFmpeg::Impl::Loop::SyncAudio(OutputStream& os, const FrameContext& at, int& discard) {
    const int rate = os.enc->sample_rate;
    // Where this frame's first sample belongs, against where it will land: samples sent, those
    // waiting in the FIFO and those still inside the resampler.
    const double inputSamples = (at.pts - OutputStart()) / 1e6 * rate;
    const int64_t queued = av_audio_fifo_size(os.fifo.get()) + swr_get_delay(os.swr.get(), rate);

    if (s.AudioSyncMethod == 0) {
        // The sample counter follows the input time: it starts there and skips gaps. It never
        // goes back, which would give the muxer timestamps out of order.
        const int64_t wanted = llrint(inputSamples) - queued;
        if (os.audioAtStart)
            os.syncOpts = std::max<int64_t>(0, wanted);
        else if (wanted - os.syncOpts > kAudioSyncSlack)
            os.syncOpts = wanted;
        os.audioAtStart = false;
        return 0;
    }

    const double delta = inputSamples - static_cast<double>(os.syncOpts + queued);
    if (std::fabs(delta) <= kAudioSyncSlack) return 0;
    if (os.audioAtStart || std::fabs(delta) > s.AudioDriftThreshold * rate) {
        os.audioAtStart = false;
        if (delta < 0) {
            discard = static_cast<int>(std::min<double>(-delta, INT_MAX));
            if (s.Verbosity > 2)
                FFLogger().Log(&t.self, llVerbose, Format("discarding %d audio samples", discard));
            return 0;
        }
        const int64_t silence = llrint(delta);
        if (s.Verbosity > 2)
            FFLogger().Log(&t.self, llVerbose,
                           Format("adding %d audio samples of silence", static_cast<int>(silence)));
        return silence;
    }
    if (s.AudioSyncMethod > 1) {
        const int comp = static_cast<int>(std::clamp<double>(delta, -s.AudioSyncMethod, s.AudioSyncMethod));
        if (s.Verbosity > 2)
            FFLogger().Log(
                &t.self, llVerbose,
                Format("compensating audio timestamp drift:%f compensation:%d in:%d", delta, comp, rate));
        if (swr_set_compensation(os.swr.get(), comp, rate) < 0)
            FFLogger().Log(&t.self, llError, "Cannot compensate audio timestamp drift");
    }
    return 0;
}

void TCustomFFmpeg::Impl::Loop::WriteSilence(OutputStream& os, int64_t samples) {
    // In pieces through the encoder, so that a long gap never sits whole in memory.
    const int chunk = std::max(os.convCapacity, 4096);
    ReserveConverted(os, chunk);
    av_samples_set_silence(os.convData, 0, chunk, os.enc->ch_layout.nb_channels, os.enc->sample_fmt);
    // Past the audio frame limit nothing is encoded any more, so nothing more is queued either.
    while (samples > 0 && !Stopping() && os.frameNumber < s.MaxFramesAudio) {
        const int n = static_cast<int>(std::min<int64_t>(samples, chunk));
        if (av_audio_fifo_write(os.fifo.get(), reinterpret_cast<void**>(os.convData), n) < n)
            throw FFmpegException("av_fifo_realloc2() failed");
        samples -= n;
        EncodeAudioFifo(os, false);
    }
}

void TCustomFFmpeg::Impl::Loop::EncodeAudioFifo(OutputStream& os, bool flush) {
    AVCodecContext* enc = os.enc;
    const bool fixed = enc->frame_size > 0 && !(enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    const int frameSize = fixed ? enc->frame_size : 1024;
    AVFrame* f = os.audioFrame.get();
    while (av_audio_fifo_size(os.fifo.get()) >= frameSize ||
           (flush && av_audio_fifo_size(os.fifo.get()) > 0)) {
        if (os.frameNumber >= s.MaxFramesAudio) break;
        const int n = std::min(frameSize, av_audio_fifo_size(os.fifo.get()));
        if (f->nb_samples != frameSize || f->data[0] == nullptr) {
            av_frame_unref(f);
            f->nb_samples = frameSize;
            f->format = enc->sample_fmt;
            f->sample_rate = enc->sample_rate;
            av_channel_layout_copy(&f->ch_layout, &enc->ch_layout);
            if (av_frame_get_buffer(f, 0) < 0) throw FFmpegException("Out of memory in do_audio_out");
        }
        if (av_frame_make_writable(f) < 0) throw FFmpegException("Out of memory in do_audio_out");
        av_audio_fifo_read(os.fifo.get(), reinterpret_cast<void**>(f->data), n);
        const int keep = f->nb_samples;
        f->nb_samples = n;
        f->pts = os.syncOpts;
        const int rc = avcodec_send_frame(enc, f);
        f->nb_samples = keep;
        if (rc < 0) throw FFmpegException("Audio encoding failed");
        ReceivePackets(os);
        os.syncOpts += n;
        ++os.frameNumber;
    }
    if (flush) {
        if (avcodec_send_frame(enc, nullptr) >= 0) ReceivePackets(os);
    }
}

} // namespace orvel
