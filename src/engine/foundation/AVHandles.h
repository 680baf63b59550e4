#pragma once
// One owning handle per library type, so a failed open can neither leak nor double-free.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}
#include <memory>

namespace orvel {

// Closes an input and, for one opened from a "unicode:utf8:" address, its own byte I/O
// (engine/UnicodeProtocol.cpp).
void CloseInput(AVFormatContext** ctx);

struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
// Input contexts are closed, output contexts freed (their file is closed by the owner first).
struct InputFormatContextDeleter {
    void operator()(AVFormatContext* f) const { CloseInput(&f); }
};
struct OutputFormatContextDeleter {
    void operator()(AVFormatContext* f) const { avformat_free_context(f); }
};
struct FilterGraphDeleter {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct SwsContextDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrContextDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct AudioFifoDeleter {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct BsfContextDeleter {
    void operator()(AVBSFContext* b) const { av_bsf_free(&b); }
};
struct DictionaryDeleter {
    void operator()(AVDictionary* d) const { av_dict_free(&d); }
};
struct AvFreeDeleter {
    void operator()(void* p) const { av_free(p); }
};

using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using InputFormatContextPtr = std::unique_ptr<AVFormatContext, InputFormatContextDeleter>;
using OutputFormatContextPtr = std::unique_ptr<AVFormatContext, OutputFormatContextDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;
using BsfContextPtr = std::unique_ptr<AVBSFContext, BsfContextDeleter>;
using AvBufferPtr = std::unique_ptr<uint8_t, AvFreeDeleter>;

inline FramePtr MakeFrame() {
    return FramePtr(av_frame_alloc());
}
inline PacketPtr MakePacket() {
    return PacketPtr(av_packet_alloc());
}

} // namespace orvel
