#pragma once
// Running a conversion task the way the component drives it, and reading back what it wrote.
#include "engine/component/CustomFFmpeg.h"
#include "engine/foundation/FFmpegException.h"
#include "fixtures/Fixtures.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace orvel::testing {

using Options = std::vector<std::pair<std::string, std::string>>;

inline std::string OutPath(const std::string& name) {
    const std::string dir = fixtures::Dir() + "/engine-out";
    std::filesystem::create_directories(dir);
    return dir + "/" + name;
}

inline void Apply(TCustomFFmpeg& task, const Options& options) {
    for (const auto& [name, value] : options)
        task.ParseOption(name, value);
}

// Opens the inputs and the output, runs the task and releases it as the component does.
inline void Convert(TCustomFFmpeg& task, const std::vector<std::string>& inputs, const Options& inputOptions,
                    const std::string& output, const Options& outputOptions, bool join = false) {
    for (const std::string& in : inputs) {
        Apply(task, inputOptions);
        task.OpenInput(in);
    }
    Apply(task, outputOptions);
    task.OpenOutput(output, join);
    try {
        task.Transcode();
    } catch (...) {
        task.CloseCodecs();
        task.ReleaseFiles();
        throw;
    }
    task.CloseCodecs();
    task.ReleaseFiles();
}

struct ProbedStream {
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    std::string codec;
    int width = 0, height = 0;
    int sampleRate = 0, channels = 0;
    double seconds = 0;
};

struct Probed {
    std::string format;
    double seconds = 0;
    std::vector<ProbedStream> streams;
    const ProbedStream* First(AVMediaType type) const {
        for (const ProbedStream& s : streams)
            if (s.type == type) return &s;
        return nullptr;
    }
};

inline Probed Probe(const std::string& path) {
    Probed p;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0) return p;
    avformat_find_stream_info(ctx, nullptr);
    p.format = ctx->iformat->name;
    p.seconds = ctx->duration != AV_NOPTS_VALUE ? ctx->duration / 1e6 : 0;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        ProbedStream s;
        s.type = st->codecpar->codec_type;
        s.codec = avcodec_get_name(st->codecpar->codec_id);
        s.width = st->codecpar->width;
        s.height = st->codecpar->height;
        s.sampleRate = st->codecpar->sample_rate;
        s.channels = st->codecpar->ch_layout.nb_channels;
        s.seconds = st->duration != AV_NOPTS_VALUE ? st->duration * av_q2d(st->time_base) : p.seconds;
        p.streams.push_back(s);
    }
    avformat_close_input(&ctx);
    return p;
}

// Decodes every frame of the first stream of a type and hands it to fn.
template <typename Fn> int DecodeAll(const std::string& path, AVMediaType type, Fn fn) {
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0) return -1;
    avformat_find_stream_info(ctx, nullptr);
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(ctx, type, -1, -1, &codec, 0);
    int frames = 0;
    if (index >= 0) {
        AVCodecContext* dec = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(dec, ctx->streams[index]->codecpar);
        avcodec_open2(dec, codec, nullptr);
        AVPacket* pkt = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        auto drain = [&] {
            while (avcodec_receive_frame(dec, frame) >= 0) {
                fn(frame);
                ++frames;
                av_frame_unref(frame);
            }
        };
        while (av_read_frame(ctx, pkt) >= 0) {
            if (pkt->stream_index == index) {
                avcodec_send_packet(dec, pkt);
                drain();
            }
            av_packet_unref(pkt);
        }
        avcodec_send_packet(dec, nullptr);
        drain();
        av_frame_free(&frame);
        av_packet_free(&pkt);
        avcodec_free_context(&dec);
    }
    avformat_close_input(&ctx);
    return frames;
}

} // namespace orvel::testing
