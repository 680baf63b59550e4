// Table building for the effects step and the one pass that applies it. The inner loops are plain
// table look-ups, so that a full-HD frame takes a few milliseconds.
#include "editing/effects/ColorEffects.h"

#include "editing/effects/ByteTablePasses.h"

#include "engine/pictures/StripWorkers.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace orvel {
namespace {

using ByteTable = std::array<uint8_t, 256>;

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

// Grey level from the byte sum, then each byte through its grey level's row of the table.
void SaturateRows(const BitmapView& frame, int y0, int y1, const uint8_t* greyOfSum, const uint8_t* byGrey) {
    const size_t n = static_cast<size_t>(frame.Width) * 3;
    for (int y = y0; y < y1; ++y) {
        uint8_t* p = frame.Row(y);
        uint8_t* const end = p + n;
        for (; p != end; p += 3) {
            const unsigned c0 = p[0], c1 = p[1], c2 = p[2];
            const uint8_t* row = byGrey + (size_t{greyOfSum[c0 + c1 + c2]} << 8);
            p[0] = row[c0];
            p[1] = row[c1];
            p[2] = row[c2];
        }
    }
}

} // namespace

TColorEffects::TColorEffects(bool adjust, int brightness, int contrast, int saturation, bool exposureOn,
                             float exposure) {
    const ByteTable last = exposureOn ? ExposureTable(exposure) : IdentityTable();
    const ByteTable level = adjust ? LevelTable(brightness, ContrastTable(contrast), last) : last;
    if (!adjust || saturation == 256) { // every byte keeps its distance from the grey level
        // A table that maps every level to itself (brightness 256, contrast 0, saturation 256)
        // changes no pixel: no pass at all.
        if (level != IdentityTable()) {
            kind_ = TKind::Bytes;
            bytes_ = level;
            registerTables_ = ByteTablePassesAvailable();
        }
        return;
    }
    kind_ = TKind::Saturate;
    bytes_ = level;
    saturation_ = saturation;
    registerTables_ = ByteTablePassesAvailable() && saturation >= 0 && saturation <= kMaxVbmiSaturation;
    if (registerTables_) return;

    // How far a byte moves away from its pixel's grey level; 64 bits hold any int saturation.
    std::array<int64_t, 256> push{};
    for (int k = 0; k < 256; ++k)
        push[k] = ((k + 1) * static_cast<int64_t>(saturation)) / 256;
    for (int sum = 0; sum < static_cast<int>(greyOfSum_.size()); ++sum)
        greyOfSum_[sum] = static_cast<uint8_t>(sum / 3);
    byGrey_.resize(256 * 256);
    for (int grey = 0; grey < 256; ++grey) {
        const int64_t m = grey - push[grey];
        for (int c = 0; c < 256; ++c)
            byGrey_[static_cast<size_t>(grey) * 256 + c] = level[Clamp255(m + push[c])];
    }
}

void TColorEffects::ApplyRows(const BitmapView& frame, int y0, int y1) const {
    switch (kind_) {
    case TKind::None:
        break;
    case TKind::Bytes:
        if (registerTables_) {
            for (int y = y0; y < y1; ++y)
                MapBytesVbmi(frame.Row(y), static_cast<size_t>(frame.Width) * 3, bytes_.data());
        } else {
            MapRows(frame, y0, y1, bytes_);
        }
        break;
    case TKind::Saturate:
        if (registerTables_) {
            for (int y = y0; y < y1; ++y)
                SaturatePixelsVbmi(frame.Row(y), static_cast<size_t>(frame.Width), saturation_,
                                   bytes_.data());
        } else {
            SaturateRows(frame, y0, y1, greyOfSum_.data(), byGrey_.data());
        }
        break;
    }
}

void TColorEffects::Apply(const BitmapView& frame) const {
    if (kind_ == TKind::None || frame.Empty()) return;
    TStripWorkers::OfThisThread().ForRows(frame.Height, static_cast<size_t>(frame.Width) * 3,
                                          [&](int y0, int y1) { ApplyRows(frame, y0, y1); });
}

} // namespace orvel
