#include "engine/pictures/PictureTurner.h"

#include "engine/foundation/FFUtils.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/display.h>
}

#include <cmath>

namespace orvel {

int DisplayRotation(const AVStream* st) {
    if (!st) return 0;
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!data || size < 9 * sizeof(int32_t)) return 0;
    // The matrix turns counter-clockwise; a player turns the other way to undo it.
    const double angle = av_display_rotation_get(reinterpret_cast<const int32_t*>(data));
    if (std::isnan(angle)) return 0;
    const long clockwise = std::lround(-angle);
    const long quarter = ((clockwise % 360) + 360) % 360;
    // Matrices are stored in fixed point; a turn a degree off is still the quarter turn meant.
    const long nearest = (quarter + 45) / 90 * 90 % 360;
    return std::labs(quarter - nearest) <= 1 || std::labs(quarter - nearest) >= 359
               ? static_cast<int>(nearest)
               : 0;
}

bool TPictureTurner::Build(const AVFrame* frame, int rotation) {
    graph_.reset(avfilter_graph_alloc());
    src_ = sink_ = nullptr;
    width_ = height_ = 0;
    if (!graph_) return false;
    graph_->nb_threads = 1;
    const AVRational sar = frame->sample_aspect_ratio.num > 0 ? frame->sample_aspect_ratio : AVRational{0, 1};
    const std::string args =
        StrFormat("video_size=%dx%d:pix_fmt=%d:time_base=1/1:pixel_aspect=%d/%d", frame->width, frame->height,
                  frame->format, sar.num, sar.den > 0 ? sar.den : 1);
    if (avfilter_graph_create_filter(&src_, avfilter_get_by_name("buffer"), "in", args.c_str(), nullptr,
                                     graph_.get()) < 0 ||
        avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                     graph_.get()) < 0)
        return false;
    struct Step {
        const char* filter;
        const char* args;
    };
    const Step clockwise[] = {{"transpose", "dir=clock"}};
    const Step half[] = {{"hflip", nullptr}, {"vflip", nullptr}};
    const Step counter[] = {{"transpose", "dir=cclock"}};
    const Step* steps = rotation == 90 ? clockwise : rotation == 180 ? half : counter;
    const int count = rotation == 180 ? 2 : 1;
    AVFilterContext* last = src_;
    for (int i = 0; i < count; ++i) {
        AVFilterContext* next = nullptr;
        if (avfilter_graph_create_filter(&next, avfilter_get_by_name(steps[i].filter), steps[i].filter,
                                         steps[i].args, nullptr, graph_.get()) < 0 ||
            avfilter_link(last, 0, next, 0) < 0)
            return false;
        last = next;
    }
    if (avfilter_link(last, 0, sink_, 0) < 0 || avfilter_graph_config(graph_.get(), nullptr) < 0)
        return false;
    width_ = frame->width;
    height_ = frame->height;
    format_ = frame->format;
    rotation_ = rotation;
    sar_ = frame->sample_aspect_ratio;
    return true;
}

bool TPictureTurner::Turn(AVFrame* frame, int rotation) {
    if (rotation != 90 && rotation != 180 && rotation != 270) return false;
    if (!frame || frame->width <= 0 || frame->height <= 0) return false;
    const bool same = graph_ && width_ == frame->width && height_ == frame->height &&
                      format_ == frame->format && rotation_ == rotation &&
                      av_cmp_q(sar_, frame->sample_aspect_ratio) == 0;
    if (!same && !Build(frame, rotation)) {
        graph_.reset();
        return false;
    }
    if (!turned_) turned_ = MakeFrame();
    if (!turned_ || av_buffersrc_add_frame_flags(src_, frame, AV_BUFFERSRC_FLAG_KEEP_REF) < 0) return false;
    if (av_buffersink_get_frame(sink_, turned_.get()) < 0) return false;
    av_frame_copy_props(turned_.get(), frame);
    // The turned picture is upright: a matrix the decoder attached would turn it once more.
    av_frame_remove_side_data(turned_.get(), AV_FRAME_DATA_DISPLAYMATRIX);
    const AVRational sar = frame->sample_aspect_ratio;
    if (SwapsSides(rotation) && sar.num > 0 && sar.den > 0)
        turned_->sample_aspect_ratio = AVRational{sar.den, sar.num};
    av_frame_unref(frame);
    av_frame_move_ref(frame, turned_.get());
    return true;
}

} // namespace orvel
