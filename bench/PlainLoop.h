#pragma once
// A plain single-threaded decode -> filter -> encode loop written directly against the
// libraries: what a conversion task is measured against. Decoders and encoders get the same
// thread counts as the task's; pictures go through a filter graph (scale, and the output rate
// when it differs), sound through a resampler and a FIFO cut to the encoder's frame size.
#include "engine/component/CustomFFmpeg.h"
#include "engine/foundation/AVHandles.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <string>
#include <utility>
#include <vector>

namespace orvel::bench {

using NamedValues = std::vector<std::pair<std::string, std::string>>;

struct PlainJob {
    std::string videoCodec;
    int width = 0, height = 0;
    AVRational frameRate{25, 1};
    bool changeRate = false; // the output rate differs from the source's
    int64_t videoBitRate = 0;
    NamedValues videoOptions; // further encoder options (group size, rate control)
    std::string audioCodec;
    int sampleRate = 44100;
    int64_t audioBitRate = 0;
    NamedValues muxerOptions;
};

namespace plain {

struct Encoder {
    CodecContextPtr ctx;
    AVStream* st = nullptr;
};

inline AVDictionary* ToDictionary(const NamedValues& values) {
    AVDictionary* dict = nullptr;
    for (const auto& [name, value] : values)
        av_dict_set(&dict, name.c_str(), value.c_str(), 0);
    return dict;
}

inline void WritePackets(AVFormatContext* oc, Encoder& e, AVPacket* pkt) {
    while (avcodec_receive_packet(e.ctx.get(), pkt) >= 0) {
        av_packet_rescale_ts(pkt, e.ctx->time_base, e.st->time_base);
        pkt->stream_index = e.st->index;
        av_interleaved_write_frame(oc, pkt);
    }
}

inline bool OpenDecoder(AVFormatContext* ic, int index, CodecContextPtr& dec) {
    const AVCodec* codec = avcodec_find_decoder(ic->streams[index]->codecpar->codec_id);
    dec.reset(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(dec.get(), ic->streams[index]->codecpar);
    dec->pkt_timebase = ic->streams[index]->time_base;
    dec->thread_count = 3; // as the task's decoders
    return avcodec_open2(dec.get(), codec, nullptr) >= 0;
}

} // namespace plain

inline int RunPlainLoop(const std::string& in, const std::string& out, const PlainJob& job) {
    using namespace plain;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, in.c_str(), nullptr, nullptr) < 0) return 1;
    InputFormatContextPtr ic(raw);
    avformat_find_stream_info(ic.get(), nullptr);
    const int vi = av_find_best_stream(ic.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int ai = av_find_best_stream(ic.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    CodecContextPtr vd, ad;
    if (vi < 0 || ai < 0 || !OpenDecoder(ic.get(), vi, vd) || !OpenDecoder(ic.get(), ai, ad)) return 1;

    AVFormatContext* oraw = nullptr;
    avformat_alloc_output_context2(&oraw, nullptr, nullptr, out.c_str());
    if (oraw == nullptr) return 1;
    OutputFormatContextPtr oc(oraw);
    const bool globalHeader = oc->oformat->flags & AVFMT_GLOBALHEADER;

    Encoder ve, ae;
    const AVCodec* vcodec = avcodec_find_encoder_by_name(job.videoCodec.c_str());
    ve.ctx.reset(avcodec_alloc_context3(vcodec));
    ve.ctx->width = job.width;
    ve.ctx->height = job.height;
    ve.ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ve.ctx->time_base = av_inv_q(job.frameRate);
    ve.ctx->framerate = job.frameRate;
    ve.ctx->bit_rate = job.videoBitRate;
    ve.ctx->thread_count = 2;
    if (globalHeader) ve.ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* vopts = ToDictionary(job.videoOptions);
    const int vopen = avcodec_open2(ve.ctx.get(), vcodec, &vopts);
    av_dict_free(&vopts);
    if (vopen < 0) return 1;

    const AVCodec* acodec = avcodec_find_encoder_by_name(job.audioCodec.c_str());
    ae.ctx.reset(avcodec_alloc_context3(acodec));
    ae.ctx->sample_rate = job.sampleRate;
    ae.ctx->sample_fmt = acodec->sample_fmts[0];
    av_channel_layout_default(&ae.ctx->ch_layout, 2);
    ae.ctx->time_base = {1, job.sampleRate};
    ae.ctx->bit_rate = job.audioBitRate;
    ae.ctx->thread_count = 2;
    if (globalHeader) ae.ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(ae.ctx.get(), acodec, nullptr) < 0) return 1;
    for (Encoder* e : {&ve, &ae}) {
        e->st = avformat_new_stream(oc.get(), nullptr);
        avcodec_parameters_from_context(e->st->codecpar, e->ctx.get());
        e->st->time_base = e->ctx->time_base;
    }
    if (avio_open(&oc->pb, out.c_str(), AVIO_FLAG_WRITE) < 0) return 1;
    AVDictionary* mopts = ToDictionary(job.muxerOptions);
    const int header = avformat_write_header(oc.get(), &mopts);
    av_dict_free(&mopts);
    if (header < 0) return 1;

    // Pictures: scaled (bicubic, as the task does) and, when the rate changes, retimed.
    FilterGraphPtr graph(avfilter_graph_alloc());
    const AVRational vtb = ic->streams[vi]->time_base;
    const std::string srcArgs = "video_size=" + std::to_string(vd->width) + "x" + std::to_string(vd->height) +
                                ":pix_fmt=" + std::to_string(vd->pix_fmt) +
                                ":time_base=" + std::to_string(vtb.num) + "/" + std::to_string(vtb.den) +
                                ":pixel_aspect=1/1";
    AVFilterContext* src = nullptr;
    AVFilterContext* sink = nullptr;
    avfilter_graph_create_filter(&src, avfilter_get_by_name("buffer"), "in", srcArgs.c_str(), nullptr,
                                 graph.get());
    avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                 graph.get());
    std::string chain = "scale=" + std::to_string(job.width) + ":" + std::to_string(job.height) +
                        ":flags=bicubic,format=yuv420p";
    if (job.changeRate)
        chain += ",fps=" + std::to_string(job.frameRate.num) + "/" + std::to_string(job.frameRate.den);
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    outputs->name = av_strdup("in");
    outputs->filter_ctx = src;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    const int parsed = avfilter_graph_parse_ptr(graph.get(), chain.c_str(), &inputs, &outputs, nullptr);
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (parsed < 0 || avfilter_graph_config(graph.get(), nullptr) < 0) return 1;
    const AVRational sinkTb = av_buffersink_get_time_base(sink);

    SwrContext* swrRaw = nullptr;
    swr_alloc_set_opts2(&swrRaw, &ae.ctx->ch_layout, ae.ctx->sample_fmt, job.sampleRate, &ad->ch_layout,
                        ad->sample_fmt, ad->sample_rate, 0, nullptr);
    SwrContextPtr swr(swrRaw);
    swr_init(swr.get());
    const int frameSize = ae.ctx->frame_size > 0 ? ae.ctx->frame_size : 1024;
    AudioFifoPtr fifo(av_audio_fifo_alloc(ae.ctx->sample_fmt, 2, frameSize * 4));
    FramePtr frame = MakeFrame(), filtered = MakeFrame(), chunk = MakeFrame();
    chunk->nb_samples = frameSize;
    chunk->format = ae.ctx->sample_fmt;
    chunk->sample_rate = job.sampleRate;
    av_channel_layout_copy(&chunk->ch_layout, &ae.ctx->ch_layout);
    av_frame_get_buffer(chunk.get(), 0);
    PacketPtr pkt = MakePacket(), opkt = MakePacket();
    int64_t audioPts = 0;
    uint8_t** conv = nullptr;
    int convCap = 0;

    auto audioOut = [&](bool flush) {
        while (av_audio_fifo_size(fifo.get()) >= frameSize || (flush && av_audio_fifo_size(fifo.get()) > 0)) {
            av_frame_make_writable(chunk.get());
            const int n = av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(chunk->data), frameSize);
            chunk->nb_samples = n;
            chunk->pts = audioPts;
            audioPts += n;
            avcodec_send_frame(ae.ctx.get(), chunk.get());
            chunk->nb_samples = frameSize;
            WritePackets(oc.get(), ae, opkt.get());
        }
    };
    auto encodeFiltered = [&]() {
        while (av_buffersink_get_frame(sink, filtered.get()) >= 0) {
            filtered->pts = av_rescale_q(filtered->pts, sinkTb, ve.ctx->time_base);
            filtered->pict_type = AV_PICTURE_TYPE_NONE;
            avcodec_send_frame(ve.ctx.get(), filtered.get());
            WritePackets(oc.get(), ve, opkt.get());
            av_frame_unref(filtered.get());
        }
    };
    auto decoded = [&](AVCodecContext* dec, bool video) {
        while (avcodec_receive_frame(dec, frame.get()) >= 0) {
            if (video) {
                frame->pts = frame->best_effort_timestamp;
                if (av_buffersrc_add_frame_flags(src, frame.get(), 0) >= 0) encodeFiltered();
            } else {
                const int want = swr_get_out_samples(swr.get(), frame->nb_samples);
                if (want > convCap) {
                    if (conv) {
                        av_freep(&conv[0]);
                        av_freep(&conv);
                    }
                    av_samples_alloc_array_and_samples(&conv, nullptr, 2, want, ae.ctx->sample_fmt, 0);
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
            decoded(vd.get(), true);
        } else if (pkt->stream_index == ai) {
            avcodec_send_packet(ad.get(), pkt.get());
            decoded(ad.get(), false);
        }
        av_packet_unref(pkt.get());
    }
    avcodec_send_packet(vd.get(), nullptr);
    decoded(vd.get(), true);
    if (av_buffersrc_add_frame_flags(src, nullptr, 0) >= 0) encodeFiltered();
    avcodec_send_packet(ad.get(), nullptr);
    decoded(ad.get(), false);
    audioOut(true);
    avcodec_send_frame(ve.ctx.get(), nullptr);
    WritePackets(oc.get(), ve, opkt.get());
    avcodec_send_frame(ae.ctx.get(), nullptr);
    WritePackets(oc.get(), ae, opkt.get());
    av_write_trailer(oc.get());
    avio_closep(&oc->pb);
    if (conv) {
        av_freep(&conv[0]);
        av_freep(&conv);
    }
    return 0;
}

} // namespace orvel::bench
