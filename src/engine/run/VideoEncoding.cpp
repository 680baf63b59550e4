// Video: per-frame processing of decoded pictures, the filter graph of each output stream,
// frame-rate synchronisation (drops and duplicates) and encoding.
#include "engine/foundation/FFmpegException.h"
#include "engine/foundation/FFmpegLogger.h"
#include "engine/pictures/BitmapConverter.h"
#include "engine/run/TranscodeLoop.h"
#include "engine/run/VideoFilterGraph.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>

namespace orvel {

void TCustomFFmpeg::Impl::Loop::PreProcessVideo(InputStream& is, AVFrame* frame, FrameContext& at) {
    at.decodedFrame = ++t.decodedFrames;
    // The picture is deinterlaced before anything draws on it; when that fails it goes on as decoded.
    if (s.Deinterlace && !DeinterlacePicture(is.deinterlacer, frame, is.st->time_base, r.deinterlaced.get()))
        FFLogger().Log(&t.self, llError, "Deinterlacing failed.");
    // Turned after deinterlacing (the fields lie in the stored rows) and before the hook, which
    // draws on the picture as it is shown.
    if (is.rotation != 0 && !is.turner.Turn(frame, is.rotation))
        FFLogger().Log(&t.self, llError, "Turning the picture upright failed.");
    if (t.customHook)
        RunCustomHook(at, frame);
    else if (s.FrameHooks.Enabled && av_frame_make_writable(frame) >= 0)
        ProcessFrameHooks(s.FrameHooks, frame, av_rescale_q(frame->pts, is.st->time_base, AV_TIME_BASE_Q));
}

void TCustomFFmpeg::Impl::Loop::SendVideo(OutputStream& os, InputStream& is, AVFrame* frame,
                                          const FrameContext& at) {
    VideoFilterGraph& g = os.filter;
    if (frame != nullptr && (frame->width != g.width || frame->height != g.height ||
                             frame->format != g.format || FullRange(frame) != g.fullRange)) {
        // A graph that was running gives what it still holds first; one that refuses the end
        // marker may still hold pictures, so the sink is read all the same.
        if (g.graph && av_buffersrc_add_frame_flags(g.src, nullptr, 0) < 0)
            FFLogger().Log(&t.self, llDebug, "the old filter graph refused its end marker");
        while (g.graph && av_buffersink_get_frame(g.sink, os.filtered.get()) >= 0) {
            DeliverPicture(os, os.filtered.get(), at, av_buffersink_get_time_base(g.sink));
            av_frame_unref(os.filtered.get());
        }
        FFLogger().Log(&t.self, llQuiet,
                       Format("Input Stream #%d.%d frame size changed to %dx%d, %s", is.file, is.index,
                              frame->width, frame->height,
                              av_get_pix_fmt_name(static_cast<AVPixelFormat>(frame->format))));
        VideoGraphInput in;
        in.width = frame->width;
        in.height = frame->height;
        in.format = static_cast<AVPixelFormat>(frame->format);
        in.timeBase = is.st->time_base;
        in.sar = frame->sample_aspect_ratio;
        in.fullRange = FullRange(frame);
        ReopenVideoFilterGraph(g, in, *os.spec, os.enc, s.ScalerFlags());
    }
    if (!g.graph) return;
    const int rc = av_buffersrc_add_frame_flags(g.src, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
    if (rc < 0 && frame != nullptr) throw FFmpegException("Error while filtering: " + ErrorText(rc));
    for (;;) {
        const int got = av_buffersink_get_frame(g.sink, os.filtered.get());
        if (got < 0) break;
        DeliverPicture(os, os.filtered.get(), at, av_buffersink_get_time_base(g.sink));
        av_frame_unref(os.filtered.get());
        if (Stopping()) break;
    }
}

void TCustomFFmpeg::Impl::Loop::EncodeVideo(OutputStream& os, const FrameContext& at, AVFrame* picture,
                                            AVRational tb) {
    // Input time in output frames.
    const double seconds = picture->pts != AV_NOPTS_VALUE ? picture->pts * av_q2d(tb) : at.pts / 1e6;
    // The frame counter starts at 0, so video that starts after the output does is preceded by
    // copies of its first picture.
    const double syncIpts = (seconds - OutputStart() / 1e6) / av_q2d(os.enc->time_base);

    int copies = 1;
    const bool vfr =
        s.VideoSyncMethod == 2 ||
        (s.VideoSyncMethod == -1 && (t.outputs[os.file].ctx->oformat->flags & AVFMT_VARIABLE_FPS));
    if (s.VideoSyncMethod == 0) {
        const int64_t wanted = llrint(syncIpts);
        os.syncOpts =
            os.lastWrittenPts != kNoTimestamp && wanted <= os.lastWrittenPts ? os.lastWrittenPts + 1 : wanted;
    } else {
        const double delta = syncIpts - static_cast<double>(os.syncOpts);
        if (delta < -1.1)
            copies = 0;
        else if (vfr) {
            if (delta <= -0.6)
                copies = 0;
            else if (delta > 0.6)
                os.syncOpts = llrint(syncIpts);
        } else if (delta > 1.1) {
            copies = static_cast<int>(llrint(delta));
        }
        if (copies == 0) {
            ++r.dropCount;
            r.dupDropSinceLog = true;
            if (s.Verbosity > 2) FFLogger().Log(&t.self, llVerbose, "*** drop!");
        } else if (copies > 1) {
            r.dupDropSinceLog = true;
            if (s.Verbosity > 2) FFLogger().Log(&t.self, llVerbose, Format("*** %d dup!", copies - 1));
        }
    }
    const int64_t left = static_cast<int64_t>(s.MaxFramesVideo) - os.frameNumber;
    if (copies > left) copies = static_cast<int>(std::max<int64_t>(left, 0));

    // Only copies written count as duplicates: a stop or the frame limit may cut them short.
    for (int i = 0; i < copies; ++i) {
        if (!PassGate()) return;
        EncodePicture(os, picture, at.decodedFrame);
        if (i > 0) ++r.dupCount;
    }
    // Kept to be held for its own duration when it turns out to be the last one. The picture
    // kept before is let go first: a reference over a held one would leak it.
    av_frame_unref(os.lastPicture.get());
    if (av_frame_ref(os.lastPicture.get(), picture) >= 0) {
        const int64_t lasts = at.nextPts != kNoTimestamp && at.nextPts > at.pts ? at.nextPts - at.pts : 0;
        os.lastPictureEnd = syncIpts + lasts / 1e6 / av_q2d(os.enc->time_base);
    }
}

void TCustomFFmpeg::Impl::Loop::EncodePicture(OutputStream& os, AVFrame* picture, int decodedFrame) {
    picture->pts = os.syncOpts;
    picture->pict_type = AV_PICTURE_TYPE_NONE;
    // A fixed quantiser reaches the encoder through each picture; with same quality the
    // decoded picture keeps its own.
    if ((os.enc->flags & AV_CODEC_FLAG_QSCALE) && !s.SameQuality) picture->quality = os.enc->global_quality;
    if (s.TopFieldFirst >= 0) {
        picture->interlaced_frame = 1;
        picture->top_field_first = s.TopFieldFirst;
    }
    const int rc = avcodec_send_frame(os.enc, picture);
    if (rc < 0) throw FFmpegException("Video encoding failed");
    os.encoderReached = os.syncOpts + 1;
    ReceivePackets(os);
    // The flags are read under their lock: the main thread may change them meanwhile.
    if (t.self.PreviewFlags() & (kPreviewWindow | kPreviewBitmap))
        Preview(picture, av_rescale_q(os.syncOpts, os.enc->time_base, AV_TIME_BASE_Q), decodedFrame);
    os.lastWrittenPts = os.syncOpts;
    ++os.syncOpts;
    ++os.frameNumber;
}

void TCustomFFmpeg::Impl::Loop::HoldLastPicture(OutputStream& os) {
    AVFrame* last = os.lastPicture.get();
    if (last->buf[0] == nullptr || s.VideoSyncMethod == 0 || os.lastPictureEnd < 0) return;
    double end = os.lastPictureEnd;
    const int64_t limit = RecordingTime();
    if (limit != INT64_MAX) end = std::min(end, limit / 1e6 / av_q2d(os.enc->time_base));
    const int64_t target = std::min<int64_t>(llrint(end), s.MaxFramesVideo);
    if (target <= os.syncOpts) return;
    const bool vfr =
        s.VideoSyncMethod == 2 ||
        (s.VideoSyncMethod == -1 && (t.outputs[os.file].ctx->oformat->flags & AVFMT_VARIABLE_FPS));
    // A variable rate needs the picture once more where it ends; a constant one every frame.
    if (vfr) os.syncOpts = target - 1;
    const int64_t copies = target - os.syncOpts;
    for (int64_t i = 0; i < copies; ++i) {
        if (!PassGate()) return;
        EncodePicture(os, last, t.decodedFrames);
        ++r.dupCount;
    }
}

void TCustomFFmpeg::Impl::Loop::FlushVideoEncoder(OutputStream& os) {
    if (avcodec_send_frame(os.enc, nullptr) < 0) return;
    ReceivePackets(os);
}

} // namespace orvel
