#pragma once
// Turns decoded pictures of any pixel format into the 24-bit BGR bitmaps the hooks draw on, and
// the drawn bitmap back into the picture's own format. One converter per thread that converts:
// it keeps its buffer and both scalers between frames, so frames of a stable size allocate
// nothing.
#include "engine/foundation/AVHandles.h"
#include "engine/pictures/Bitmap24.h"

#include <cstdint>
#include <memory>

namespace orvel {

// Copies height rows of rowBytes bytes between two row strides.
void CopyRows(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int rowBytes, int height);
// True for a picture whose samples span 0..255 (JPEG, many phones) rather than 16..235: a
// full-range pixel format or a frame marked so.
bool FullRange(const AVFrame* frame);
// The same for a stream's parameters, before any picture is decoded.
bool FullRange(const AVCodecParameters* par);
// True for the YUV and grey formats that hold 16..235 unless marked otherwise (not the yuvj
// formats, not RGB).
bool LimitedRangeFormat(AVPixelFormat format);
// A scaler kept between pictures, with the settings it was made for.
struct TCachedScaler {
    SwsContextPtr context;
    int64_t madeFor[9] = {};
    SwsContext* get() const { return context.get(); }
    void reset() { context.reset(); }
};
// Keeps scaler fitting the two sizes, formats and sample ranges (bicubic), making a new one only
// when they changed. The full-range pixel formats count as full range by themselves; the range
// flags matter for the YUV and grey formats only. False when none can be made; scaler is then
// empty.
bool CachedScaler(TCachedScaler& scaler, int srcW, int srcH, AVPixelFormat srcFormat, int dstW, int dstH,
                  AVPixelFormat dstFormat, bool srcFull = false, bool dstFull = false);

class TBitmapConverter {
public:
    TBitmapConverter() = default;
    TBitmapConverter(const TBitmapConverter&) = delete;
    TBitmapConverter& operator=(const TBitmapConverter&) = delete;

    // Picture -> bitmap (sized to the picture). False for an unusable format or size, or when no
    // scaler can be made for it; the bitmap is then left as it was.
    bool PictureToBitmap(const AVFrame* frame, Bitmap24& bitmap);
    // fullRange: the samples span 0..255 though the format does not say so.
    bool PictureToBitmap(const uint8_t* const data[4], const int linesize[4], AVPixelFormat format, int width,
                         int height, Bitmap24& bitmap, bool fullRange = false);
    // The converter's own bitmap, for callers that keep none.
    bool PictureToBitmap(const AVFrame* frame) { return PictureToBitmap(frame, Bitmap()); }
    Bitmap24& Bitmap() {
        if (!bitmap_) bitmap_ = std::make_unique<Bitmap24>();
        return *bitmap_;
    }

    // Bitmap -> picture in the picture's format and size (scaled when the bitmap's size
    // differs). A reference-counted frame is made writable first.
    bool BitmapToPicture(const BitmapView& bitmap, AVFrame* frame);
    bool BitmapToPicture(const BitmapView& bitmap, uint8_t* const data[4], const int linesize[4],
                         AVPixelFormat format, int width, int height, bool fullRange = false);

    // Frees the bitmap, the buffer and both scalers.
    void Reset();

private:
    std::unique_ptr<Bitmap24> bitmap_; // made at first use
    AvBufferPtr buffer_;               // the picture in BGR24 when it had to be scaled
    int bufferSize_ = 0;
    TCachedScaler toBitmap_;
    TCachedScaler fromBitmap_;
};

} // namespace orvel
