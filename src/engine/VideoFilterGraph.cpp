// The picture path of an encoded video stream: buffer -> crop -> scale -> the user's chain ->
// a sink that only accepts the encoder's pixel format (which converts the format on the way).
#include "engine/FFmpegException.h"
#include "engine/RunState.h"
#include "engine/VideoFilterGraph.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

namespace orvel {

namespace {

struct InOutDeleter {
    void operator()(AVFilterInOut* p) const { avfilter_inout_free(&p); }
};
using InOutPtr = std::unique_ptr<AVFilterInOut, InOutDeleter>;

int Build(VideoFilterGraph& g, const VideoGraphInput& in, const OutputStreamSpec& spec, int targetW, int targetH,
          AVPixelFormat outFormat, int scalerFlags, bool fixSize, bool deinterlace)
{
    g = VideoFilterGraph{};
    g.graph.reset(avfilter_graph_alloc());
    if (!g.graph)
        return AVERROR(ENOMEM);
    g.graph->nb_threads = 1;
    const std::string swsOpts = Format("flags=0x%X", scalerFlags);
    g.graph->scale_sws_opts = av_strdup(swsOpts.c_str());

    const AVRational sar = in.sar.num > 0 ? in.sar : AVRational{0, 1};
    const std::string srcArgs =
        Format("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", in.width, in.height,
               static_cast<int>(in.format), in.timeBase.num, in.timeBase.den, sar.num, sar.den > 0 ? sar.den : 1);
    int rc = avfilter_graph_create_filter(&g.src, avfilter_get_by_name("buffer"), "src", srcArgs.c_str(), nullptr,
                                          g.graph.get());
    if (rc < 0)
        return rc;
    rc = avfilter_graph_create_filter(&g.sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                      g.graph.get());
    if (rc < 0)
        return rc;
    const AVPixelFormat formats[] = {outFormat, AV_PIX_FMT_NONE};
    rc = av_opt_set_int_list(g.sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    if (rc < 0)
        return rc;

    // Crop bands that no longer fit a changed picture are dropped rather than failing.
    // Deinterlacing works on the decoded picture, before any cropping or scaling.
    std::string chain = deinterlace ? "yadif," : "";
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
    if (!spec.filters.empty())
        chain += spec.filters + ",";
    if (fixSize)
        chain += Format("scale=%d:%d,", targetW, targetH);
    if (chain.empty())
        chain = "null";
    else
        chain.pop_back();

    InOutPtr outputs(avfilter_inout_alloc());
    InOutPtr inputs(avfilter_inout_alloc());
    if (!outputs || !inputs)
        return AVERROR(ENOMEM);
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
    if (rc < 0)
        return rc;
    rc = avfilter_graph_config(g.graph.get(), nullptr);
    if (rc < 0)
        return rc;
    g.width = in.width;
    g.height = in.height;
    g.format = in.format;
    return 0;
}

// Builds with the deinterlacer when asked, and without it when it cannot be set up.
int BuildWithFallback(VideoFilterGraph& g, const VideoGraphInput& in, const OutputStreamSpec& spec, int targetW,
                      int targetH, AVPixelFormat outFormat, int scalerFlags, bool fixSize)
{
    int rc = Build(g, in, spec, targetW, targetH, outFormat, scalerFlags, fixSize, in.deinterlace);
    if (rc >= 0 || !in.deinterlace)
        return rc;
    rc = Build(g, in, spec, targetW, targetH, outFormat, scalerFlags, fixSize, false);
    g.deinterlaceFailed = rc >= 0;
    return rc;
}

} // namespace

void OpenVideoFilterGraph(VideoFilterGraph& g, const VideoGraphInput& in, const OutputStreamSpec& spec,
                          AVCodecContext* enc, int scalerFlags)
{
    const int rc = BuildWithFallback(g, in, spec, enc->width, enc->height, enc->pix_fmt, scalerFlags, false);
    if (rc < 0) {
        g = VideoFilterGraph{};
        if (spec.filters.empty())
            throw FFmpegException("Cannot get resampling context");
        const std::string text = ErrorText(rc);
        throw FFmpegException(text.empty() ? "Error opening filters!" : "Error opening filters: " + text);
    }
    enc->width = av_buffersink_get_w(g.sink);
    enc->height = av_buffersink_get_h(g.sink);
}

void ReopenVideoFilterGraph(VideoFilterGraph& g, const VideoGraphInput& in, const OutputStreamSpec& spec,
                            const AVCodecContext* enc, int scalerFlags)
{
    // The encoder is open: whatever the new picture is, the graph must end at its size.
    if (BuildWithFallback(g, in, spec, enc->width, enc->height, enc->pix_fmt, scalerFlags, true) < 0) {
        g = VideoFilterGraph{};
        throw FFmpegException("Cannot get resampling context");
    }
}

} // namespace orvel
