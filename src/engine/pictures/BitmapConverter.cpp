#include "engine/pictures/BitmapConverter.h"

#include "engine/pictures/BgrToYuv420.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>

namespace orvel {
namespace {

constexpr AVPixelFormat kBitmapFormat = AV_PIX_FMT_BGR24;
// Buffer rows aligned for the scaler's vector code.
constexpr int kBufferAlign = 32;

bool UsableInput(AVPixelFormat format, int width, int height) {
    return format != AV_PIX_FMT_NONE && width > 0 && height > 0 && sws_isSupportedInput(format) > 0;
}

} // namespace

void CopyRows(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int rowBytes, int height) {
    for (int y = 0; y < height; ++y)
        std::memcpy(dst + static_cast<ptrdiff_t>(y) * dstStride, src + static_cast<ptrdiff_t>(y) * srcStride,
                    rowBytes);
}

namespace {

// The full-range formats are their plain twins with a range flag: the scaler is told the range
// itself, so both ways of stating it meet in one setting.
AVPixelFormat PlainFormat(AVPixelFormat format, bool& full) {
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        full = true;
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        full = true;
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        full = true;
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        full = true;
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        full = true;
        return AV_PIX_FMT_YUV411P;
    default:
        return format;
    }
}

// RGB samples have no range of their own; the flag would only confuse the scaler.
bool RangeApplies(AVPixelFormat format) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    return desc && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
}

} // namespace

bool FullRange(const AVFrame* frame) {
    if (!frame) return false;
    bool full = frame->color_range == AVCOL_RANGE_JPEG;
    PlainFormat(static_cast<AVPixelFormat>(frame->format), full);
    return full;
}

bool FullRange(const AVCodecParameters* par) {
    if (!par) return false;
    bool full = par->color_range == AVCOL_RANGE_JPEG;
    PlainFormat(static_cast<AVPixelFormat>(par->format), full);
    return full;
}

bool LimitedRangeFormat(AVPixelFormat format) {
    bool full = false;
    return RangeApplies(PlainFormat(format, full)) && !full;
}

bool CachedScaler(TCachedScaler& scaler, int srcW, int srcH, AVPixelFormat srcFormat, int dstW, int dstH,
                  AVPixelFormat dstFormat, bool srcFull, bool dstFull) {
    srcFormat = PlainFormat(srcFormat, srcFull);
    dstFormat = PlainFormat(dstFormat, dstFull);
    srcFull = srcFull && RangeApplies(srcFormat);
    dstFull = dstFull && RangeApplies(dstFormat);
    // Kept apart from the context: the scaler rewrites some of its own settings when it starts.
    const int64_t wanted[9] = {srcW, srcH, srcFormat, dstW, dstH, dstFormat, srcFull, dstFull, SWS_BICUBIC};
    static const char* const kNames[9] = {"srcw",       "srch",      "src_format", "dstw",     "dsth",
                                          "dst_format", "src_range", "dst_range",  "sws_flags"};
    if (scaler.context && std::equal(wanted, wanted + 9, scaler.madeFor)) return true;
    scaler.context.reset(sws_alloc_context());
    if (!scaler.context) return false;
    for (int i = 0; i < 9; ++i)
        if (av_opt_set_int(scaler.context.get(), kNames[i], wanted[i], 0) < 0) {
            scaler.reset();
            return false;
        }
    if (sws_init_context(scaler.context.get(), nullptr, nullptr) < 0) {
        scaler.reset();
        return false;
    }
    std::copy(wanted, wanted + 9, scaler.madeFor);
    return true;
}

bool TBitmapConverter::PictureToBitmap(const AVFrame* frame, Bitmap24& bitmap) {
    if (!frame) return false;
    return PictureToBitmap(frame->data, frame->linesize, static_cast<AVPixelFormat>(frame->format),
                           frame->width, frame->height, bitmap, FullRange(frame));
}

bool TBitmapConverter::PictureToBitmap(const uint8_t* const data[4], const int linesize[4],
                                       AVPixelFormat format, int width, int height, Bitmap24& bitmap,
                                       bool fullRange) {
    if (!data || !data[0] || !UsableInput(format, width, height)) return false;
    const int rowBytes = width * 3;
    if (format == kBitmapFormat) {
        // The picture already is a bitmap: its rows are copied as they are.
        bitmap.SetSize(width, height);
        CopyRows(data[0], linesize[0], bitmap.Bits(), bitmap.Stride(), rowBytes, height);
        return true;
    }
    if (!CachedScaler(toBitmap_, width, height, format, width, height, kBitmapFormat, fullRange))
        return false;
    const int need = av_image_get_buffer_size(kBitmapFormat, width, height, kBufferAlign);
    if (need <= 0) return false;
    if (need > bufferSize_) {
        buffer_.reset(static_cast<uint8_t*>(av_malloc(need + Bitmap24::kSpareBytes)));
        bufferSize_ = buffer_ ? need : 0;
        if (!buffer_) return false;
    }
    uint8_t* dst[4] = {};
    int dstLines[4] = {};
    if (av_image_fill_arrays(dst, dstLines, buffer_.get(), kBitmapFormat, width, height, kBufferAlign) < 0)
        return false;
    if (sws_scale(toBitmap_.get(), data, linesize, 0, height, dst, dstLines) != height) return false;
    bitmap.SetSize(width, height);
    CopyRows(dst[0], dstLines[0], bitmap.Bits(), bitmap.Stride(), rowBytes, height);
    return true;
}

bool TBitmapConverter::BitmapToPicture(const BitmapView& bitmap, AVFrame* frame) {
    if (!frame) return false;
    if (frame->buf[0] && av_frame_make_writable(frame) < 0) return false;
    return BitmapToPicture(bitmap, frame->data, frame->linesize, static_cast<AVPixelFormat>(frame->format),
                           frame->width, frame->height, FullRange(frame));
}

bool TBitmapConverter::BitmapToPicture(const BitmapView& bitmap, uint8_t* const data[4],
                                       const int linesize[4], AVPixelFormat format, int width, int height,
                                       bool fullRange) {
    if (bitmap.Empty() || !data || !data[0] || format == AV_PIX_FMT_NONE || width <= 0 || height <= 0 ||
        sws_isSupportedOutput(format) <= 0)
        return false;
    if (format == kBitmapFormat && bitmap.Width == width && bitmap.Height == height) {
        CopyRows(bitmap.Bits, bitmap.Stride, data[0], linesize[0], width * 3, height);
        return true;
    }
    if (!fullRange && bitmap.Width == width && bitmap.Height == height && BgrToYuv420Handles(format, width)) {
        BgrToYuv420Rows(bitmap.Bits, bitmap.Stride, width, height, 0, height, data, linesize);
        return true;
    }
    if (!CachedScaler(fromBitmap_, bitmap.Width, bitmap.Height, kBitmapFormat, width, height, format, false,
                      fullRange))
        return false;
    const uint8_t* src[4] = {bitmap.Bits, nullptr, nullptr, nullptr};
    const int srcLines[4] = {bitmap.Stride, 0, 0, 0};
    return sws_scale(fromBitmap_.get(), src, srcLines, 0, bitmap.Height, data, linesize) > 0;
}

void TBitmapConverter::Reset() {
    bitmap_.reset();
    buffer_.reset();
    bufferSize_ = 0;
    toBitmap_.reset();
    fromBitmap_.reset();
}

} // namespace orvel
