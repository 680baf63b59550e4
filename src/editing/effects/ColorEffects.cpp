// Table building for the effects step and the one pass that applies it. The inner loops are plain
// table look-ups and integer additions, so that a full-HD frame takes a few milliseconds.
#include "editing/effects/ColorEffects.h"

#include "editing/effects/RowPool.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

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

ByteTable IdentityTable() {
    ByteTable t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<uint8_t>(i);
    return t;
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

// Brightness is a gain of brightness / 256 around level 1, applied before the contrast; after
// both, each level goes through the next step's table.
ByteTable LevelTable(int brightness, const ByteTable& contrast, const ByteTable& next) {
    ByteTable t{};
    for (int j = 0; j < 256; ++j) {
        const int64_t v =
            (256 - static_cast<int64_t>(brightness) + static_cast<int64_t>(brightness) * j) / 256;
        t[j] = next[contrast[Clamp255(v)]];
    }
    return t;
}

ByteTable ExposureTable(float exposure) {
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
    return table;
}

// Beyond this magnitude every byte that differs from its pixel's grey level is already pushed
// to 0 or 255, so limiting the saturation changes no result and keeps the sums in 32 bits.
constexpr int kSaturationLimit = 65536;

// Replaces every byte of the rows through one table.
void MapRows(const BitmapView& frame, int y0, int y1, const ByteTable& table) {
    const size_t n = static_cast<size_t>(frame.Width) * 3;
    for (int y = y0; y < y1; ++y) {
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

// Grey level from the byte sum, then each byte through level(). Offset and Push are the table
// entry types; unsigned entries let the compiler index without sign extension.
template <class Offset, class Push, class Level>
void SaturateRows(const BitmapView& frame, int y0, int y1, const std::array<Offset, TColorEffects::kByteSums>& base,
                  const std::array<Push, 256>& push, Level level) {
    const size_t n = static_cast<size_t>(frame.Width) * 3;
    for (int y = y0; y < y1; ++y) {
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

TColorEffects::TColorEffects(bool adjust, int brightness, int contrast, int saturation, bool exposureOn,
                             float exposure) {
    const ByteTable last = exposureOn ? ExposureTable(exposure) : IdentityTable();
    if (!adjust) {
        if (exposureOn) {
            kind_ = TKind::Bytes;
            bytes_ = last;
        }
        return;
    }
    const ByteTable level = LevelTable(brightness, ContrastTable(contrast), last);
    const int s = std::clamp(saturation, -kSaturationLimit, kSaturationLimit);
    if (s == 256) { // every byte keeps its distance from the grey level: levels only
        kind_ = TKind::Bytes;
        bytes_ = level;
        return;
    }

    for (int k = 0; k < 256; ++k)
        signedPush_[k] = ((k + 1) * s) / 256;
    for (int sum = 0; sum < kByteSums; ++sum) {
        const int grey = sum / 3;
        signedBase_[sum] = grey - signedPush_[grey];
    }

    // base + push spans a small range for the dialog's saturations: shift both to start at 0
    // and fold the clamp into a widened level table, leaving plain look-ups per byte.
    const int32_t minBase = *std::min_element(signedBase_.begin(), signedBase_.end());
    const int32_t minPush = *std::min_element(signedPush_.begin(), signedPush_.end());
    const int32_t low = minBase + minPush;
    const int64_t span = int64_t{*std::max_element(signedBase_.begin(), signedBase_.end())} +
                         *std::max_element(signedPush_.begin(), signedPush_.end()) - low + 1;
    if (span > kWideLevels) {
        kind_ = TKind::SaturateClamped;
        bytes_ = level;
        return;
    }
    kind_ = TKind::Saturate;
    for (int i = 0; i < span; ++i)
        wide_[i] = level[Clamp255(i + low)];
    for (int i = 0; i < kByteSums; ++i)
        base_[i] = static_cast<uint32_t>(signedBase_[i] - minBase);
    for (int i = 0; i < 256; ++i)
        push_[i] = static_cast<uint32_t>(signedPush_[i] - minPush);
}

void TColorEffects::ApplyRows(const BitmapView& frame, int y0, int y1) const {
    switch (kind_) {
    case TKind::None: break;
    case TKind::Bytes: MapRows(frame, y0, y1, bytes_); break;
    case TKind::Saturate:
        SaturateRows(frame, y0, y1, base_, push_, [this](uint32_t v) { return wide_[v]; });
        break;
    case TKind::SaturateClamped:
        SaturateRows(frame, y0, y1, signedBase_, signedPush_, [this](int32_t v) { return bytes_[Clamp255(v)]; });
        break;
    }
}

void TColorEffects::Apply(const BitmapView& frame) const {
    if (kind_ == TKind::None || frame.Empty()) return;
    TRowPool::Shared().ForRows(frame.Height, static_cast<size_t>(frame.Width) * 3,
                               [&](int y0, int y1) { ApplyRows(frame, y0, y1); });
}

} // namespace orvel
