#include "probe/BlackBars.h"

#include "engine/foundation/AVHandles.h"
#include "engine/foundation/FFUtils.h"
#include "engine/foundation/UnicodeProtocol.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/dict.h>
}

#include <cstdlib>

namespace orvel {
namespace {

constexpr int kMostPictures = 250;

int MetadataInt(const AVFrame* frame, const char* key, int fallback) {
    const AVDictionaryEntry* entry = av_dict_get(frame->metadata, key, nullptr, 0);
    return entry ? std::atoi(entry->value) : fallback;
}

// buffer -> cropdetect -> buffersink for decoded pictures of the decoder's kind.
bool OpenGraph(FilterGraphPtr& graph, AVFilterContext*& source, AVFilterContext*& sink,
               const AVCodecContext& dec, AVRational timeBase) {
    graph.reset(avfilter_graph_alloc());
    if (!graph) return false;
    const AVRational sar = dec.sample_aspect_ratio.num > 0 ? dec.sample_aspect_ratio : AVRational{1, 1};
    const std::string args = "video_size=" + std::to_string(dec.width) + "x" + std::to_string(dec.height) +
                             ":pix_fmt=" + std::to_string(dec.pix_fmt) +
                             ":time_base=" + std::to_string(timeBase.num) + "/" +
                             std::to_string(timeBase.den) + ":pixel_aspect=" + std::to_string(sar.num) + "/" +
                             std::to_string(sar.den);
    AVFilterContext* detect = nullptr;
    // limit=32: luma up to 32 of 255 is a bar (black as encoders and converters leave it, noise and
    // all); round=2: even margins, as crops are stored; reset=0: the area found only grows.
    return avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", args.c_str(), nullptr,
                                        graph.get()) >= 0 &&
           avfilter_graph_create_filter(&detect, avfilter_get_by_name("cropdetect"), "detect",
                                        "limit=32:round=2:reset=0", nullptr, graph.get()) >= 0 &&
           avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                        graph.get()) >= 0 &&
           avfilter_link(source, 0, detect, 0) >= 0 && avfilter_link(detect, 0, sink, 0) >= 0 &&
           avfilter_graph_config(graph.get(), nullptr) >= 0;
}

} // namespace

std::optional<TBlackBars> DetectBlackBars(const std::string& fileName, int64_t from, int64_t span,
                                          std::string& error) {
    AVFormatContext* opened = nullptr;
    if (OpenInput(&opened, InputUrl(fileName), nullptr, nullptr) < 0) {
        error = FileNameOfUrl(fileName) + ": cannot be read";
        return std::nullopt;
    }
    InputFormatContextPtr input(opened);
    {
        auto lock = LockCodecs();
        if (avformat_find_stream_info(input.get(), nullptr) < 0) {
            error = FileNameOfUrl(fileName) + ": could not find codec parameters";
            return std::nullopt;
        }
    }
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (index < 0 || !decoder) {
        error = "The file has no video to look at.";
        return std::nullopt;
    }
    AVStream* stream = input->streams[index];
    CodecContextPtr dec(avcodec_alloc_context3(decoder));
    if (!dec || avcodec_parameters_to_context(dec.get(), stream->codecpar) < 0) {
        error = "Cannot set up the video decoder.";
        return std::nullopt;
    }
    {
        auto lock = LockCodecs();
        if (avcodec_open2(dec.get(), decoder, nullptr) < 0) {
            error = "Cannot open the video decoder.";
            return std::nullopt;
        }
    }
    const int64_t start = input->start_time == AV_NOPTS_VALUE ? 0 : input->start_time;
    if (from > 0) avformat_seek_file(input.get(), -1, INT64_MIN, start + from, start + from, 0);
    const int64_t end = av_rescale_q(start + from + span, AV_TIME_BASE_Q, stream->time_base);

    FilterGraphPtr graph;
    AVFilterContext *source = nullptr, *sink = nullptr;
    int graphWidth = 0, graphHeight = 0, graphFormat = -1;
    PacketPtr packet = MakePacket();
    FramePtr picture = MakeFrame(), detected = MakeFrame();
    std::optional<TBlackBars> found;
    int pictures = 0;
    bool past = false;
    const auto take = [&](AVFrame* frame) {
        // A picture of another size or kind starts the detection afresh.
        if (!graph || frame->width != graphWidth || frame->height != graphHeight ||
            frame->format != graphFormat) {
            dec->width = graphWidth = frame->width;
            dec->height = graphHeight = frame->height;
            dec->pix_fmt = static_cast<AVPixelFormat>(graphFormat = frame->format);
            if (!OpenGraph(graph, source, sink, *dec, stream->time_base)) return false;
            found.reset();
        }
        if (av_buffersrc_add_frame_flags(source, frame, AV_BUFFERSRC_FLAG_KEEP_REF) < 0) return false;
        while (av_buffersink_get_frame(sink, detected.get()) >= 0) {
            const int x1 = MetadataInt(detected.get(), "lavfi.cropdetect.x1", -1);
            const int x2 = MetadataInt(detected.get(), "lavfi.cropdetect.x2", -1);
            const int y1 = MetadataInt(detected.get(), "lavfi.cropdetect.y1", -1);
            const int y2 = MetadataInt(detected.get(), "lavfi.cropdetect.y2", -1);
            const int x = MetadataInt(detected.get(), "lavfi.cropdetect.x", -1);
            const int y = MetadataInt(detected.get(), "lavfi.cropdetect.y", -1);
            const int w = MetadataInt(detected.get(), "lavfi.cropdetect.w", -1);
            const int h = MetadataInt(detected.get(), "lavfi.cropdetect.h", -1);
            av_frame_unref(detected.get());
            // Nothing but black so far: the detection has no area to answer.
            if (x1 < 0 || x2 < x1 || y2 < y1 || w <= 0 || h <= 0 || x < 0 || y < 0) continue;
            found = TBlackBars{y, graphHeight - y - h, x, graphWidth - x - w, graphWidth, graphHeight};
        }
        return true;
    };
    while (!past && pictures < kMostPictures && av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == index) {
            if (packet->pts != AV_NOPTS_VALUE && packet->pts > end) past = true;
            if (avcodec_send_packet(dec.get(), packet.get()) >= 0) {
                while (avcodec_receive_frame(dec.get(), picture.get()) >= 0) {
                    const bool taken = take(picture.get());
                    av_frame_unref(picture.get());
                    ++pictures;
                    if (!taken) {
                        error = "The crop detection could not be set up.";
                        return std::nullopt;
                    }
                }
            }
        }
        av_packet_unref(packet.get());
    }
    if (!found) error = "No picture was found: the part looked at is black.";
    return found;
}

} // namespace orvel
