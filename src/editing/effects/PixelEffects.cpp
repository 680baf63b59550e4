// The per-pixel operations. Each one builds its 256-entry tables on the stack and then walks the
// frame row by row; the inner loops are plain table look-ups and integer arithmetic so that a
// full-HD frame takes a few milliseconds.
#include "editing/effects/EffectsRenderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace orvel {
namespace {

using ByteTable = std::array<uint8_t, 256>;

inline int Clamp255(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

inline uint8_t Clamp255(int64_t v) {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Rounds half to even and clamps; NaN (cannot happen for finite settings) counts as 0.
inline uint8_t RoundClamp255(double v) {
    v = std::nearbyint(v);
    if (!(v > 0)) return 0;
    return v >= 255 ? 255 : static_cast<uint8_t>(v);
}

size_t RowBytes(const BitmapView& frame) {
    return static_cast<size_t>(frame.Width) * 3;
}

// Replaces every byte of the frame through one table.
void MapBytes(const BitmapView& frame, const ByteTable& table) {
    const size_t n = RowBytes(frame);
    for (int y = 0; y < frame.Height; ++y) {
        uint8_t* p = frame.Row(y);
        size_t i = 0;
        // Four independent look-ups per step keep the load ports busy.
        for (; i + 4 <= n; i += 4) {
            const uint8_t a = table[p[i]], b = table[p[i + 1]], c = table[p[i + 2]], d = table[p[i + 3]];
            p[i] = a;
            p[i + 1] = b;
            p[i + 2] = c;
            p[i + 3] = d;
        }
        for (; i < n; ++i)
            p[i] = table[p[i]];
    }
}

// Contrast around level 170; the two branches use different constants on purpose, so that
// saved settings keep producing the same pictures.
ByteTable ContrastTable(int contrast) {
    if (contrast == 100) contrast = 99; // 1 / cos(pi / 2) would be infinite
    const double f =
        contrast > 0 ? 1.0 / std::cos(contrast * 0.015707963267948966) : std::cos(contrast * 0.015708);
    ByteTable t{};
    for (int i = 0; i < 256; ++i)
        t[i] = RoundClamp255((i - 170) * f + 170);
    return t;
}

// Brightness is a gain of brightness / 256 around level 1, applied before the contrast.
ByteTable LevelTable(int brightness, const ByteTable& contrast) {
    ByteTable t{};
    for (int j = 0; j < 256; ++j) {
        const int64_t v =
            (256 - static_cast<int64_t>(brightness) + static_cast<int64_t>(brightness) * j) / 256;
        t[j] = contrast[Clamp255(v)];
    }
    return t;
}

// Beyond this magnitude every byte that differs from its pixel's grey level is already pushed
// to 0 or 255, so limiting the saturation changes no result and keeps the sums in 32 bits.
constexpr int kSaturationLimit = 65536;

// Sums of the three bytes of a pixel: 0 .. 765.
constexpr int kByteSums = 766;

// Widened level table size; saturations up to about 1500 fit.
constexpr int kWideLevels = 4096;

// One pass over the pixels: grey level from the byte sum, then each byte through level().
// Offset and Push are the table entry types; unsigned entries let the compiler index without
// sign extension.
template <class Offset, class Push, class Level>
void SaturateRows(const BitmapView& frame, const std::array<Offset, kByteSums>& base,
                  const std::array<Push, 256>& push, Level level) {
    const size_t n = RowBytes(frame);
    for (int y = 0; y < frame.Height; ++y) {
        uint8_t* p = frame.Row(y);
        uint8_t* const end = p + n;
        for (; p != end; p += 3) {
            const unsigned c0 = p[0], c1 = p[1], c2 = p[2];
            const Offset m = base[c0 + c1 + c2];
            p[0] = level(m + push[c0]);
            p[1] = level(m + push[c1]);
            p[2] = level(m + push[c2]);
        }
    }
}

} // namespace

void AdjustColors(const BitmapView& frame, int brightness, int contrast, int saturation) {
    if (frame.Empty()) return;
    const ByteTable level = LevelTable(brightness, ContrastTable(contrast));
    const int s = std::clamp(saturation, -kSaturationLimit, kSaturationLimit);
    if (s == 256) { // every byte keeps its distance from the grey level: levels only
        MapBytes(frame, level);
        return;
    }

    std::array<int32_t, 256> push{}; // how far a byte moves away from the grey level
    for (int k = 0; k < 256; ++k)
        push[k] = ((k + 1) * s) / 256;
    std::array<int32_t, kByteSums> base{}; // indexed by the sum of the three bytes
    for (int sum = 0; sum < kByteSums; ++sum) {
        const int grey = sum / 3;
        base[sum] = grey - push[grey];
    }

    // base + push spans a small range for the dialog's saturations: shift both to start at 0
    // and fold the clamp into a widened level table, leaving plain look-ups per byte.
    const int32_t minBase = *std::min_element(base.begin(), base.end());
    const int32_t minPush = *std::min_element(push.begin(), push.end());
    const int32_t low = minBase + minPush;
    const int64_t span = int64_t{*std::max_element(base.begin(), base.end())} +
                         *std::max_element(push.begin(), push.end()) - low + 1;
    if (span <= kWideLevels) {
        std::array<uint8_t, kWideLevels> wide{};
        for (int i = 0; i < span; ++i)
            wide[i] = level[Clamp255(i + low)];
        std::array<uint32_t, kByteSums> baseFromZero{};
        for (int i = 0; i < kByteSums; ++i)
            baseFromZero[i] = static_cast<uint32_t>(base[i] - minBase);
        std::array<uint32_t, 256> pushFromZero{};
        for (int i = 0; i < 256; ++i)
            pushFromZero[i] = static_cast<uint32_t>(push[i] - minPush);
        SaturateRows(frame, baseFromZero, pushFromZero, [&](uint32_t v) { return wide[v]; });
    } else {
        SaturateRows(frame, base, push, [&](int32_t v) { return level[Clamp255(v)]; });
    }
}

void ApplyExposure(const BitmapView& frame, float exposure) {
    if (frame.Empty()) return;
    const double e = exposure;
    ByteTable table{};
    for (int i = 0; i < 256; ++i) {
        const double t = (i / -128.0) * (e / 128.0);
        // Limited so that a huge exposure cannot overflow the integer steps below.
        const double lifted = std::clamp(std::nearbyint(256.0 * (1.0 - std::exp(t))), -1e15, 1e15);
        const int64_t v = std::isnan(lifted) ? 0 : static_cast<int64_t>(lifted);
        const int64_t level = e >= 0 ? i + (v * (255 - i)) / 256 : i - ((-v) * (255 - i)) / 256;
        table[i] = Clamp255(level);
    }
    MapBytes(frame, table);
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

} // namespace

void BlendPicture(const BitmapView& frame, const BitmapView& picture, int left, int top, int alpha,
                  int style) {
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
        if (style == 1)
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
