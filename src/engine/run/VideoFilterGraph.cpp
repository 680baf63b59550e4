// The picture path of an encoded video stream: buffer -> crop -> scale -> the user's chain ->
// a sink that only accepts the encoder's pixel format (which converts the format on the way);
// and the deinterlacer that decoded pictures go through first.
#include "engine/run/VideoFilterGraph.h"
#include "engine/foundation/FFmpegException.h"
#include "engine/pictures/BitmapConverter.h"
#include "engine/run/RunState.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace orvel {

namespace {

struct InOutDeleter {
    void operator()(AVFilterInOut* p) const { avfilter_inout_free(&p); }
};
using InOutPtr = std::unique_ptr<AVFilterInOut, InOutDeleter>;

// buffer -> chain -> a sink that takes only outFormat.
int Link(VideoFilterGraph& g, const VideoGraphInput& in, const std::string& chain, AVPixelFormat outFormat,
         int scalerFlags) {
    g = VideoFilterGraph{};
    g.graph.reset(avfilter_graph_alloc());
    if (!g.graph) return AVERROR(ENOMEM);
    g.graph->nb_threads = 1;
    const std::string swsOpts = Format("flags=0x%X", scalerFlags);
    g.graph->scale_sws_opts = av_strdup(swsOpts.c_str());

    const AVRational sar = in.sar.num > 0 ? in.sar : AVRational{0, 1};
    const std::string srcArgs = Format("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                                       in.width, in.height, static_cast<int>(in.format), in.timeBase.num,
                                       in.timeBase.den, sar.num, sar.den > 0 ? sar.den : 1);
    int rc = avfilter_graph_create_filter(&g.src, avfilter_get_by_name("buffer"), "src", srcArgs.c_str(),
                                          nullptr, g.graph.get());
    if (rc < 0) return rc;
    rc = avfilter_graph_create_filter(&g.sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                      g.graph.get());
    if (rc < 0) return rc;
    const AVPixelFormat formats[] = {outFormat, AV_PIX_FMT_NONE};
    rc = av_opt_set_int_list(g.sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    if (rc < 0) return rc;

    InOutPtr outputs(avfilter_inout_alloc());
    InOutPtr inputs(avfilter_inout_alloc());
    if (!outputs || !inputs) return AVERROR(ENOMEM);
    outputs->name = av_strdup("in");
    outputs->filter_ctx = g.src;
    outputs->pad_idx = 0;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = g.sink;
    inputs->pad_idx = 0;
    AVFilterInOut* o = outputs.release();
    AVFilterInOut* i = inputs.release();
    rc = avfilter_graph_parse_ptr(g.graph.get(), chain.c_str(), &i, &o, nullptr);
    avfilter_inout_free(&i);
    avfilter_inout_free(&o);
    if (rc < 0) return rc;
    rc = avfilter_graph_config(g.graph.get(), nullptr);
    if (rc < 0) return rc;
    g.width = in.width;
    g.height = in.height;
    g.format = in.format;
    g.fullRange = in.fullRange;
    return 0;
}

int Build(VideoFilterGraph& g, const VideoGraphInput& in, const OutputStreamSpec& spec, int targetW,
          int targetH, AVPixelFormat outFormat, int scalerFlags, bool fixSize) {
    // Crop bands that no longer fit a changed picture are dropped rather than failing.
    std::string chain;
    // Pictures marked full range in a format that does not say so would reach a limited-range
    // encoder as they are, blacks crushed and whites clipped; the yuvj formats are converted by
    // the format conversion itself.
    if (in.fullRange && LimitedRangeFormat(in.format) && LimitedRangeFormat(outFormat))
        chain += "scale=in_range=full:out_range=limited,";
    int width = in.width, height = in.height;
    const int cropW = in.width - spec.cropLeft - spec.cropRight;
    const int cropH = in.height - spec.cropTop - spec.cropBottom;
    const bool crop = spec.cropTop || spec.cropBottom || spec.cropLeft || spec.cropRight;
    if (crop && cropW > 0 && cropH > 0) {
        chain += Format("crop=%d:%d:%d:%d,", cropW, cropH, spec.cropLeft, spec.cropTop);
        width = cropW;
        height = cropH;
    }
    if (targetW > 0 && targetH > 0 && (width != targetW || height != targetH))
        chain += Format("scale=%d:%d,", targetW, targetH);
    if (!spec.filters.empty()) chain += spec.filters + ",";
    if (fixSize) chain += Format("scale=%d:%d,", targetW, targetH);
    if (chain.empty())
        chain = "null";
    else
        chain.pop_back();
    return Link(g, in, chain, outFormat, scalerFlags);
}

} // namespace

void OpenVideoFilterGraph(VideoFilterGraph& g, const VideoGraphInput& in, const OutputStreamSpec& spec,
                          AVCodecContext* enc, int scalerFlags) {
    const int rc = Build(g, in, spec, enc->width, enc->height, enc->pix_fmt, scalerFlags, false);
    if (rc < 0) {
        g = VideoFilterGraph{};
        if (spec.filters.empty()) throw FFmpegException("Cannot get resampling context");
        const std::string text = ErrorText(rc);
        throw FFmpegException(text.empty() ? "Error opening filters!" : "Error opening filters: " + text);
    }
    enc->width = av_buffersink_get_w(g.sink);
    enc->height = av_buffersink_get_h(g.sink);
}

void ReopenVideoFilterGraph(VideoFilterGraph& g, const VideoGraphInput& in, const OutputStreamSpec& spec,
                            const AVCodecContext* enc, int scalerFlags) {
    // The encoder is open: whatever the new picture is, the graph must end at its size.
    if (Build(g, in, spec, enc->width, enc->height, enc->pix_fmt, scalerFlags, true) < 0) {
        g = VideoFilterGraph{};
        throw FFmpegException("Cannot get resampling context");
    }
}

bool DeinterlacePicture(VideoFilterGraph& g, AVFrame* frame, AVRational timeBase, AVFrame* scratch) {
    // It works on 16x16 blocks and leaves a smaller picture untouched.
    constexpr int kSmallest = 16;
    if (frame->width < kSmallest || frame->height < kSmallest) return false;
    if (frame->width != g.width || frame->height != g.height || frame->format != g.format) {
        VideoGraphInput in;
        in.width = frame->width;
        in.height = frame->height;
        in.format = static_cast<AVPixelFormat>(frame->format);
        in.timeBase = timeBase;
        in.sar = frame->sample_aspect_ratio;
        // The postprocessing library's deinterlacer: a vertical (-1 4 2 4 -1) / 8 filter over each
        // picture on its own, so it gives every picture back at once, without waiting for the next.
        if (Link(g, in, "pp=fd", in.format, SWS_BICUBIC) < 0) {
            g = VideoFilterGraph{};
            g.width = frame->width; // not tried again until the picture changes
            g.height = frame->height;
            g.format = frame->format;
            return false;
        }
    }
    if (!g.graph || av_buffersrc_add_frame_flags(g.src, frame, AV_BUFFERSRC_FLAG_KEEP_REF) < 0) return false;
    if (av_buffersink_get_frame(g.sink, scratch) < 0) return false;
    av_frame_copy_props(scratch, frame);
    av_frame_unref(frame);
    av_frame_move_ref(frame, scratch);
    return true;
}

} // namespace orvel
