// A whole conversion task against a minimal direct use of the libraries doing the same work
// (decode H.264 + AAC, scale to 320x240, MPEG-4 768 kbit/s + AAC 128 kbit/s into MP4), and
// tasks with a custom hook against one without: a hook that draws nothing, one that draws a
// watermark-sized box and one that changes the whole picture. Two sources: flat colour bars,
// which decode and encode unusually cheaply, and the same with a drifting texture, which costs
// what camera footage costs. Each run is a child process, so its peak memory is its own; runs
// alternate and the ratios are printed per source.
#include "engine/AVHandles.h"
#include "engine/FFmpeg.h"
#include "fixtures/Fixtures.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace orvel;

namespace {

std::string Source(bool detail) {
    fixtures::ClipRecipe recipe;
    recipe.width = 1280;
    recipe.height = 720;
    recipe.seconds = 30;
    recipe.detail = detail;
    recipe.fileName = detail ? "bench-720p-30s-detail.mp4" : "bench-720p-30s.mp4";
    return fixtures::Generate(recipe);
}

enum class Hook { None, Idle, Box, Whole };

// A watermark-sized box near the bottom right corner, in a colour that changes per frame.
void DrawBox(THookInfo& info) {
    Bitmap24& bmp = *info.Bitmap;
    const int width = std::min(240, bmp.Width()), height = std::min(48, bmp.Height());
    const auto shade = static_cast<uint8_t>(info.FrameNumber * 5);
    for (int y = bmp.Height() - height - 16; y < bmp.Height() - 16; ++y)
        if (y >= 0)
            std::memset(bmp.Row(y) + (bmp.Width() - width) * 3, shade, static_cast<size_t>(width) * 3);
}

void Invert(THookInfo& info) {
    Bitmap24& bmp = *info.Bitmap;
    for (int y = 0; y < bmp.Height(); ++y) {
        uint8_t* row = bmp.Row(y);
        for (int x = 0; x < bmp.Width() * 3; ++x)
            row[x] = static_cast<uint8_t>(255 - row[x]);
    }
}

int RunTask(const std::string& in, const std::string& out, Hook hook) {
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    if (hook == Hook::Idle)
        task.OnHook = [](TCustomFFmpeg&, THookInfo& info) { info.Update = true; };
    else if (hook == Hook::Box)
        task.OnHook = [](TCustomFFmpeg&, THookInfo& info) { DrawBox(info); };
    else if (hook == Hook::Whole)
        task.OnHook = [](TCustomFFmpeg&, THookInfo& info) { Invert(info); };
    task.OpenInput(in);
    for (auto [n, v] : std::vector<std::pair<std::string, std::string>>{
             {"vcodec", "mpeg4"}, {"b", "768000"}, {"s", "320x240"}, {"acodec", "aac"}, {"ab", "128000"}})
        task.ParseOption(n, v);
    task.OpenOutput(out, false);
    task.Transcode();
    task.CloseCodecs();
    task.ReleaseFiles();
    return task.Finished() ? 0 : 1;
}

// The baseline: the same work written directly against the libraries.
struct Enc {
    CodecContextPtr ctx;
    AVStream* st = nullptr;
};

void Drain(AVFormatContext* oc, Enc& e, AVPacket* pkt) {
    while (avcodec_receive_packet(e.ctx.get(), pkt) >= 0) {
        av_packet_rescale_ts(pkt, e.ctx->time_base, e.st->time_base);
        pkt->stream_index = e.st->index;
        av_interleaved_write_frame(oc, pkt);
    }
}

int RunBaseline(const std::string& in, const std::string& out) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, in.c_str(), nullptr, nullptr) < 0) return 1;
    InputFormatContextPtr ic(raw);
    avformat_find_stream_info(ic.get(), nullptr);
    const int vi = av_find_best_stream(ic.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int ai = av_find_best_stream(ic.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    CodecContextPtr vd, ad;
    for (auto [idx, dec] : {std::pair{vi, &vd}, std::pair{ai, &ad}}) {
        const AVCodec* c = avcodec_find_decoder(ic->streams[idx]->codecpar->codec_id);
        dec->reset(avcodec_alloc_context3(c));
        avcodec_parameters_to_context(dec->get(), ic->streams[idx]->codecpar);
        (*dec)->pkt_timebase = ic->streams[idx]->time_base;
        (*dec)->thread_count = 2;
        avcodec_open2(dec->get(), c, nullptr);
    }
    AVFormatContext* oraw = nullptr;
    avformat_alloc_output_context2(&oraw, nullptr, nullptr, out.c_str());
    OutputFormatContextPtr oc(oraw);
    Enc ve, ae;
    ve.ctx.reset(avcodec_alloc_context3(avcodec_find_encoder(AV_CODEC_ID_MPEG4)));
    ve.ctx->width = 320;
    ve.ctx->height = 240;
    ve.ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ve.ctx->time_base = {1, 25};
    ve.ctx->framerate = {25, 1};
    ve.ctx->bit_rate = 768000;
    ve.ctx->thread_count = 2;
    ve.ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    avcodec_open2(ve.ctx.get(), nullptr, nullptr);
    ae.ctx.reset(avcodec_alloc_context3(avcodec_find_encoder(AV_CODEC_ID_AAC)));
    ae.ctx->sample_rate = 44100;
    ae.ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&ae.ctx->ch_layout, 2);
    ae.ctx->time_base = {1, 44100};
    ae.ctx->bit_rate = 128000;
    ae.ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    avcodec_open2(ae.ctx.get(), nullptr, nullptr);
    for (Enc* e : {&ve, &ae}) {
        e->st = avformat_new_stream(oc.get(), nullptr);
        avcodec_parameters_from_context(e->st->codecpar, e->ctx.get());
        e->st->time_base = e->ctx->time_base;
    }
    avio_open(&oc->pb, out.c_str(), AVIO_FLAG_WRITE);
    if (avformat_write_header(oc.get(), nullptr) < 0) return 1;

    SwsContextPtr sws(sws_getContext(vd->width, vd->height, vd->pix_fmt, 320, 240, AV_PIX_FMT_YUV420P,
                                     SWS_BICUBIC, nullptr, nullptr, nullptr));
    SwrContext* swrRaw = nullptr;
    swr_alloc_set_opts2(&swrRaw, &ae.ctx->ch_layout, AV_SAMPLE_FMT_FLTP, 44100, &ad->ch_layout,
                        ad->sample_fmt, ad->sample_rate, 0, nullptr);
    SwrContextPtr swr(swrRaw);
    swr_init(swr.get());
    AudioFifoPtr fifo(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 2, 4096));
    FramePtr frame = MakeFrame(), scaled = MakeFrame(), chunk = MakeFrame();
    scaled->format = AV_PIX_FMT_YUV420P;
    scaled->width = 320;
    scaled->height = 240;
    av_frame_get_buffer(scaled.get(), 0);
    chunk->nb_samples = ae.ctx->frame_size;
    chunk->format = AV_SAMPLE_FMT_FLTP;
    chunk->sample_rate = 44100;
    av_channel_layout_copy(&chunk->ch_layout, &ae.ctx->ch_layout);
    av_frame_get_buffer(chunk.get(), 0);
    PacketPtr pkt = MakePacket(), opkt = MakePacket();
    int64_t videoPts = 0, audioPts = 0;
    uint8_t** conv = nullptr;
    int convCap = 0;
    auto audioOut = [&](bool flush) {
        while (av_audio_fifo_size(fifo.get()) >= ae.ctx->frame_size ||
               (flush && av_audio_fifo_size(fifo.get()) > 0)) {
            av_frame_make_writable(chunk.get());
            const int n =
                av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(chunk->data), ae.ctx->frame_size);
            chunk->nb_samples = n;
            chunk->pts = audioPts;
            audioPts += n;
            avcodec_send_frame(ae.ctx.get(), chunk.get());
            chunk->nb_samples = ae.ctx->frame_size;
            Drain(oc.get(), ae, opkt.get());
        }
    };
    auto handle = [&](AVCodecContext* dec, bool video) {
        while (avcodec_receive_frame(dec, frame.get()) >= 0) {
            if (video) {
                av_frame_make_writable(scaled.get());
                sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, scaled->data,
                          scaled->linesize);
                scaled->pts = videoPts++;
                avcodec_send_frame(ve.ctx.get(), scaled.get());
                Drain(oc.get(), ve, opkt.get());
            } else {
                const int want = swr_get_out_samples(swr.get(), frame->nb_samples);
                if (want > convCap) {
                    if (conv) {
                        av_freep(&conv[0]);
                        av_freep(&conv);
                    }
                    av_samples_alloc_array_and_samples(&conv, nullptr, 2, want, AV_SAMPLE_FMT_FLTP, 0);
                    convCap = want;
                }
                const int got =
                    swr_convert(swr.get(), conv, convCap, const_cast<const uint8_t**>(frame->extended_data),
                                frame->nb_samples);
                av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(conv), got);
                audioOut(false);
            }
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(ic.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == vi) {
            avcodec_send_packet(vd.get(), pkt.get());
            handle(vd.get(), true);
        } else if (pkt->stream_index == ai) {
            avcodec_send_packet(ad.get(), pkt.get());
            handle(ad.get(), false);
        }
        av_packet_unref(pkt.get());
    }
    avcodec_send_packet(vd.get(), nullptr);
    handle(vd.get(), true);
    avcodec_send_packet(ad.get(), nullptr);
    handle(ad.get(), false);
    audioOut(true);
    avcodec_send_frame(ve.ctx.get(), nullptr);
    Drain(oc.get(), ve, opkt.get());
    avcodec_send_frame(ae.ctx.get(), nullptr);
    Drain(oc.get(), ae, opkt.get());
    av_write_trailer(oc.get());
    avio_closep(&oc->pb);
    if (conv) {
        av_freep(&conv[0]);
        av_freep(&conv);
    }
    return 0;
}

struct Sample {
    double seconds = 0;
    double cpuSeconds = 0; // user + system of every thread: less moved by other load on the machine
    long maxRssKb = 0;
};

struct Mode {
    const char* name;
    Hook hook;
    bool baseline;
};
const Mode kModes[] = {{"baseline", Hook::None, true},
                       {"task", Hook::None, false},
                       {"hook", Hook::Idle, false},
                       {"hook-box", Hook::Box, false},
                       {"hook-whole", Hook::Whole, false}};
constexpr int kModeCount = sizeof(kModes) / sizeof(kModes[0]);

Sample RunChild(const Mode& mode, const std::string& in) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string out = fixtures::Dir() + "/bench-out-" + mode.name + ".mp4";
        _exit(mode.baseline ? RunBaseline(in, out) : RunTask(in, out, mode.hook));
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Sample s;
    s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    s.maxRssKb = usage.ru_maxrss;
    s.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "run %s failed\n", mode.name);
    return s;
}

void Measure(const char* label, const std::string& in, int rounds) {
    Sample best[kModeCount];
    for (auto& b : best)
        b.seconds = b.cpuSeconds = 1e9;
    for (int r = 0; r < rounds; ++r) {
        for (int m = 0; m < kModeCount; ++m) {
            const Sample s = RunChild(kModes[m], in);
            std::printf("%s round %d %-10s %.3f s (cpu %.3f s), peak %ld kB\n", label, r, kModes[m].name,
                        s.seconds, s.cpuSeconds, s.maxRssKb);
            best[m].seconds = std::min(best[m].seconds, s.seconds);
            best[m].cpuSeconds = std::min(best[m].cpuSeconds, s.cpuSeconds);
            best[m].maxRssKb = std::max(best[m].maxRssKb, s.maxRssKb);
        }
    }
    auto ratio = [&](const char* what, int a, int b, const char* target) {
        std::printf("[%s] %-26s time %.3f %s, cpu %.3f\n", label, what, best[a].seconds / best[b].seconds,
                    target, best[a].cpuSeconds / best[b].cpuSeconds);
    };
    ratio("task / baseline", 1, 0, "(target <= 1.05)");
    ratio("hook / no hook", 2, 1, "(target <= 1.20)");
    std::printf("[%s] %-26s %.3f (target <= 1.2)\n", label, "task / baseline memory",
                static_cast<double>(best[1].maxRssKb) / static_cast<double>(best[0].maxRssKb));
    ratio("box hook / no hook", 3, 1, "");
    ratio("whole hook / no hook", 4, 1, "");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::string flat = Source(false);
    const std::string detail = Source(true);
    Measure("flat", flat, rounds);
    Measure("detail", detail, rounds);
    return 0;
}
