// The application's per-frame drawing hook and the preview bitmaps, both through 24-bit BGR
// bitmaps converted from and back into the decoded picture.
#include "engine/foundation/FFmpegLogger.h"
#include "engine/run/TranscodeLoop.h"

extern "C" {
#include <libavutil/time.h>
}

#include <exception>
#include <mutex>

namespace orvel {

namespace {
// Preview flags of every task are read and changed under one lock.
std::recursive_mutex& PreviewLock() {
    static std::recursive_mutex lock;
    return lock;
}
} // namespace

int TCustomFFmpeg::PreviewFlags() const {
    std::lock_guard lock(PreviewLock());
    return impl_->previewFlags;
}

void TCustomFFmpeg::SetPreviewFlags(int flags) {
    std::lock_guard lock(PreviewLock());
    impl_->previewFlags = flags;
}

void TCustomFFmpeg::Impl::Loop::RunCustomHook(const FrameContext& at, AVFrame* frame) {
    if (!t.self.OnHook) {
        t.customHook = false;
        return;
    }
    Bitmap24& bitmap = t.hookBitmap.Bitmap();
    if (!t.hookBitmap.PictureToBitmap(frame)) {
        FFLogger().Log(&t.self, llError, "Cannot initialize the toRGB conversion context");
        t.customHook = false;
        return;
    }
    THookInfo info;
    info.Bitmap = &bitmap;
    info.FrameNumber = at.decodedFrame;
    info.PTS = at.pts;
    info.Update = true;
    info.StopHook = false;
    try {
        t.self.OnHook(t.self, info);
    } catch (const std::exception& e) {
        FFLogger().Log(&t.self, llError, std::string("Error occurs OnCustomHook: ") + e.what());
        info.Update = false;
    } catch (...) {
        FFLogger().Log(&t.self, llError, "Error occurs OnCustomHook: unknown error");
        info.Update = false;
    }
    // Only the rows the handler changed are converted back; a handler that drew nothing leaves
    // the picture untouched.
    if (info.Update && !t.hookBitmap.BitmapToPicture(frame)) {
        FFLogger().Log(&t.self, llError, "Cannot initialize the fromRGB conversion context");
        info.StopHook = true;
    }
    if (info.StopHook) {
        t.customHook = false;
        s.FrameHooks.Enabled = false;
    }
}

void TCustomFFmpeg::Impl::Loop::Preview(const AVFrame* picture, int64_t pts, int decodedFrame) {
    const int64_t now = av_gettime_relative();
    if (t.lastPreview != 0 && now - t.lastPreview <= 100000) return;
    int flags;
    {
        std::lock_guard lock(PreviewLock());
        flags = t.previewFlags;
    }
    // The lock is not held across the handler: it may run in the main thread (the worker waits
    // for it) and may change the flags there.
    const auto dropFlag = [this](int flag) {
        std::lock_guard lock(PreviewLock());
        t.previewFlags &= ~flag;
    };
    if ((flags & kPreviewBitmap) && t.self.OnPreview) {
        t.lastPreview = now;
        if (!t.previewBitmap.PictureToBitmap(picture)) {
            FFLogger().Log(&t.self, llError, "Cannot initialize the toRGB conversion context");
            dropFlag(kPreviewBitmap);
            return;
        }
        TPreviewInfo info;
        info.Bitmap = &t.previewBitmap.Bitmap();
        info.FrameNumber = decodedFrame;
        info.PTS = pts;
        t.self.OnPreview(t.self, info);
    } else if (flags & kPreviewWindow) {
        // No preview window exists in this build: the flag is dropped for the task.
        dropFlag(kPreviewWindow);
    }
}

} // namespace orvel
