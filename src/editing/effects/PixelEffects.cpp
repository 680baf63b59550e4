// The per-pixel operations callers use one at a time. The effects step proper (tables and pass)
// lives in TColorEffects; the blend and the crop outline only touch a rectangle of the frame.
#include "editing/effects/ColorEffects.h"
#include "editing/effects/EffectsRenderer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace orvel {

void AdjustColors(const BitmapView& frame, int brightness, int contrast, int saturation) {
    TColorEffects(true, brightness, contrast, saturation, false, 0.0f).Apply(frame);
}

void ApplyExposure(const BitmapView& frame, float exposure) {
    TColorEffects(false, 256, 0, 256, true, exposure).Apply(frame);
}

namespace {

// Fixed-length blocks let the compiler vectorise without a run-time trip count; the tail is
// handled byte by byte.
constexpr size_t kBlock = 32;

void MixRow(uint8_t* __restrict d, const uint8_t* __restrict s, size_t n, unsigned alpha) {
    const unsigned keep = 256 - alpha;
    size_t i = 0;
    for (; i + kBlock <= n; i += kBlock)
        for (size_t k = 0; k < kBlock; ++k)
            d[i + k] = static_cast<uint8_t>((keep * d[i + k] + alpha * s[i + k]) >> 8);
    for (; i < n; ++i)
        d[i] = static_cast<uint8_t>((keep * d[i] + alpha * s[i]) >> 8);
}

// x / 255 for 0 <= x <= 255 * 255, without a division.
inline unsigned Div255(unsigned x) {
    return (x + 1 + (x >> 8)) >> 8;
}

void MultiplyRow(uint8_t* __restrict d, const uint8_t* __restrict s, size_t n) {
    size_t i = 0;
    for (; i + kBlock <= n; i += kBlock)
        for (size_t k = 0; k < kBlock; ++k)
            d[i + k] = static_cast<uint8_t>(Div255(unsigned(d[i + k]) * s[i + k]));
    for (; i < n; ++i)
        d[i] = static_cast<uint8_t>(Div255(unsigned(d[i]) * s[i]));
}

// A row of pixels each weighted by its own opacity; with every opacity 255 the same bytes as
// MixRow and MultiplyRow give.
void BlendRowWithAlpha(uint8_t* d, const uint8_t* s, const uint8_t* opacity, size_t pixels, unsigned alpha,
                       int style) {
    for (size_t i = 0; i < pixels; ++i, d += 3, s += 3) {
        if (style == 1) {
            const unsigned w = Div255(opacity[i] * alpha), keep = 256 - w;
            for (int c = 0; c < 3; ++c)
                d[c] = static_cast<uint8_t>((keep * d[c] + w * s[c]) >> 8);
        } else {
            const unsigned w = opacity[i];
            for (int c = 0; c < 3; ++c)
                d[c] = static_cast<uint8_t>(Div255(d[c] * (255 - w) + Div255(unsigned(d[c]) * s[c]) * w));
        }
    }
}

} // namespace

void BlendPicture(const BitmapView& frame, const BitmapView& picture, int left, int top, int alpha, int style,
                  const uint8_t* pictureAlpha) {
    if (frame.Empty() || picture.Empty()) return;
    // Cut the picture to the frame on all four sides; a picture that starts above or left of
    // the frame must not reach memory before the frame's first row or pixel.
    const int64_t x0 = std::max<int64_t>(left, 0);
    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t x1 = std::min<int64_t>(static_cast<int64_t>(left) + picture.Width, frame.Width);
    const int64_t y1 = std::min<int64_t>(static_cast<int64_t>(top) + picture.Height, frame.Height);
    if (x1 <= x0 || y1 <= y0) return;

    const size_t bytes = static_cast<size_t>(x1 - x0) * 3;
    const int srcX = static_cast<int>(x0 - left);
    const int srcY = static_cast<int>(y0 - top);
    // Opacity outside 0..255 would overflow the byte; the dialog never produces it.
    const unsigned a = static_cast<unsigned>(std::clamp(alpha, 0, 255));
    for (int64_t y = y0; y < y1; ++y) {
        uint8_t* d = frame.Row(static_cast<int>(y)) + x0 * 3;
        const uint8_t* s = picture.Row(srcY + static_cast<int>(y - y0)) + static_cast<size_t>(srcX) * 3;
        if (pictureAlpha)
            BlendRowWithAlpha(d, s,
                              pictureAlpha + static_cast<size_t>(srcY + (y - y0)) * picture.Width + srcX,
                              static_cast<size_t>(x1 - x0), a, style);
        else if (style == 1)
            MixRow(d, s, bytes, a);
        else
            MultiplyRow(d, s, bytes);
    }
}

namespace {

// Fills [x0, x1) x [y0, y1), cut to the frame.
void FillRect(const BitmapView& frame, int64_t x0, int64_t y0, int64_t x1, int64_t y1, const uint8_t bgr[3]) {
    x0 = std::max<int64_t>(x0, 0);
    y0 = std::max<int64_t>(y0, 0);
    x1 = std::min<int64_t>(x1, frame.Width);
    y1 = std::min<int64_t>(y1, frame.Height);
    for (int64_t y = y0; y < y1; ++y) {
        uint8_t* p = frame.Row(static_cast<int>(y));
        for (int64_t x = x0; x < x1; ++x) {
            p[x * 3] = bgr[0];
            p[x * 3 + 1] = bgr[1];
            p[x * 3 + 2] = bgr[2];
        }
    }
}

} // namespace

void DrawCropOutline(const BitmapView& frame, int cropTop, int cropLeft, int cropBottom, int cropRight,
                     TCropOutline variant) {
    if (frame.Empty()) return;
    int64_t x0 = cropLeft, y0 = cropTop;
    int64_t x1 = static_cast<int64_t>(frame.Width) - cropRight;
    int64_t y1 = static_cast<int64_t>(frame.Height) - cropBottom;
    if (variant == TCropOutline::Inset) {
        x0 += 1;
        y0 += 1;
        x1 -= 2;
        y1 -= 2;
    }
    if (x1 <= x0 || y1 <= y0) return; // nothing is kept
    constexpr int64_t pen = 2;
    static constexpr uint8_t green[3] = {0, 128, 0}; // blue, green, red
    FillRect(frame, x0, y0, x1, std::min(y0 + pen, y1), green);
    FillRect(frame, x0, std::max(y1 - pen, y0), x1, y1, green);
    FillRect(frame, x0, y0, std::min(x0 + pen, x1), y1, green);
    FillRect(frame, std::max(x1 - pen, x0), y0, x1, y1, green);
}

} // namespace orvel
