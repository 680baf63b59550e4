#include "player/AudioOutput.h"

#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace orvel {

const char* AudioDriverName(TAudioDriver driver) {
    // The sound server plays the part of the mixing back end, ALSA that of the direct device.
    switch (driver) {
    case adDirectSound:
        return "pulseaudio";
    case adWaveOut:
        return "alsa";
    default:
        return "";
    }
}

const char* VideoDriverName(TVideoDriver) {
    return "";
}

void MixSamples(uint8_t* dst, const uint8_t* src, int len, int volume, bool mute) {
    std::memset(dst, 0, static_cast<size_t>(len));
    if (mute || volume <= 0) return;
    SDL_MixAudioFormat(dst, src, AUDIO_S16SYS, static_cast<Uint32>(len),
                       volume > SDL_MIX_MAXVOLUME ? SDL_MIX_MAXVOLUME : volume);
}

bool AudioDevice::Open(int sampleRate, int channels, Fill fill, std::string& error) {
    Close();
    fill_ = std::move(fill);
    SDL_AudioSpec want{};
    SDL_AudioSpec have{};
    want.freq = sampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(channels);
    want.silence = 0;
    want.samples = kBufferSamples;
    want.callback = &AudioDevice::Callback;
    want.userdata = this;
    // No changes allowed: SDL converts to the device's format, so the callback always deals in
    // the format asked for.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        error = SDL_GetError();
        return false;
    }
    bufferBytes_ = static_cast<int>(have.size);
    return true;
}

void AudioDevice::Start() {
    if (device_) SDL_PauseAudioDevice(device_, 0);
}

void AudioDevice::Close() {
    if (device_) {
        SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
}

void SDLCALL AudioDevice::Callback(void* userdata, Uint8* stream, int len) {
    auto* self = static_cast<AudioDevice*>(userdata);
    if (self->fill_)
        self->fill_(stream, len);
    else
        std::memset(stream, 0, static_cast<size_t>(len));
}

bool SampleConverter::Convert(const AVFrame* frame, int outChannels, std::vector<uint8_t>& out,
                              std::string& error) {
    const bool same = swr_ && format_ == frame->format && rate_ == frame->sample_rate &&
                      outChannels_ == outChannels &&
                      av_channel_layout_compare(&layout_, &frame->ch_layout) == 0;
    if (!same) {
        Reset();
        AVChannelLayout inLayout{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC ||
            av_channel_layout_check(&frame->ch_layout) == 0)
            av_channel_layout_default(&inLayout,
                                      frame->ch_layout.nb_channels > 0 ? frame->ch_layout.nb_channels : 1);
        else
            av_channel_layout_copy(&inLayout, &frame->ch_layout);
        AVChannelLayout outLayout{};
        av_channel_layout_default(&outLayout, outChannels);
        SwrContext* raw = nullptr;
        const int rc =
            swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_S16, frame->sample_rate, &inLayout,
                                static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        av_channel_layout_uninit(&outLayout);
        SwrContextPtr swr(raw);
        if (rc < 0 || !swr || swr_init(swr.get()) < 0) {
            const char* name = av_get_sample_fmt_name(static_cast<AVSampleFormat>(frame->format));
            error = std::string("Cannot convert ") + (name ? name : "unknown") +
                    " sample format to s16 sample format";
            return false;
        }
        swr_ = std::move(swr);
        format_ = frame->format;
        rate_ = frame->sample_rate;
        av_channel_layout_copy(&layout_, &frame->ch_layout);
        outChannels_ = outChannels;
    }
    const int maxSamples = swr_get_out_samples(swr_.get(), frame->nb_samples);
    if (maxSamples < 0) {
        error = "av_audio_convert() failed";
        return false;
    }
    out.resize(static_cast<size_t>(maxSamples) * outChannels * 2);
    uint8_t* outPlanes[1] = {out.data()};
    const int got = swr_convert(swr_.get(), outPlanes, maxSamples,
                                const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (got < 0) {
        error = "av_audio_convert() failed";
        return false;
    }
    out.resize(static_cast<size_t>(got) * outChannels * 2);
    return true;
}

void SampleConverter::Reset() {
    swr_.reset();
    format_ = -1;
    rate_ = 0;
    av_channel_layout_uninit(&layout_);
    outChannels_ = 0;
}

} // namespace orvel
