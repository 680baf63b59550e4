#pragma once
// The effects step of a frame (colour adjustment, then exposure) as look-up tables. Built once for
// a set of values and applied to any number of frames, so a conversion builds its tables once per
// job instead of once per frame. Both parts run in one pass over the pixels: exposure only maps
// each byte through a table, so it folds into the last table of the adjustment.
#include "engine/pictures/Bitmap24.h"

#include <array>
#include <cstdint>
#include <vector>

namespace orvel {

class TColorEffects {
public:
    // No effect: Apply leaves every frame alone.
    TColorEffects() = default;
    // Colour adjustment when adjust is set (brightness, contrast, saturation as AdjustColors takes
    // them), then exposure when exposure is set.
    TColorEffects(bool adjust, int brightness, int contrast, int saturation, bool exposureOn, float exposure);

    // False when Apply would change no pixel, also for values that run but change nothing.
    bool Active() const { return kind_ != TKind::None; }

    // Changes every pixel of the frame in place. Large frames are shared out by rows among the
    // calling thread's strip workers; the result does not depend on how.
    void Apply(const BitmapView& frame) const;

private:
    enum class TKind { None, Bytes, Saturate };
    using ByteTable = std::array<uint8_t, 256>;

    void ApplyRows(const BitmapView& frame, int y0, int y1) const;

    TKind kind_ = TKind::None;
    ByteTable bytes_{}; // Bytes: every byte through this table; Saturate: the levels after it
    int saturation_ = 256;
    bool registerTables_ = false; // the passes of ByteTablePasses.h serve these values
    // Saturate without them: the grey level of a pixel from the sum of its three bytes, and the
    // final byte for each grey level and byte, at [grey * 256 + byte].
    std::array<uint8_t, 766> greyOfSum_{};
    std::vector<uint8_t> byGrey_;
};

} // namespace orvel
