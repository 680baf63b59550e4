#pragma once
// Watermark text recorded once and replayed on every frame. Qt's text drawing changes each byte of
// a pixel by a fixed function of that byte alone (the coverage of the pixel and the text colour
// are fixed for a given text, font and position), so drawing the text over every grey level once
// records, per pixel, the byte Qt writes for each byte it finds. Replaying those tables gives the
// very bytes that drawing would give, without a painter, a font lookup or glyph work per frame.
// Each recording is checked once against drawing over a noisy background, where the bytes of a
// pixel differ; a text that fails the check is not recorded.
#include "editing/effects/WatermarkFont.h"
#include "engine/pictures/Bitmap24.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvel {

// The rectangle text drawn by DrawWatermarkText at (left, top) may cover, in frame pixels (from
// the font's metrics; glyphs may overhang it by a little). Defined beside DrawWatermarkText,
// which owns the conversion of the font. All zero when no GUI application provides fonts.
struct TTextBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};
TTextBounds WatermarkTextBounds(const std::string& text, const TWatermarkFont& font, int left, int top);
// DrawWatermarkText with one painter for several copies of the text, copy i at
// (left, top + i * rowStep).
bool DrawWatermarkTextCopies(const BitmapView& frame, const std::string& text, const TWatermarkFont& font,
                             int left, int top, int copies, int rowStep);

class TTextMask {
public:
    // Records the text as DrawWatermarkText draws it at (left, top). False when it cannot be
    // recorded exactly (no GUI application, a text too large to record, or a drawing that does not
    // behave per byte); callers then keep drawing the text directly.
    bool Record(const std::string& text, const TWatermarkFont& font, int left, int top);

    // The recorded text onto the frame, cut to it. Does nothing before a successful Record.
    void Apply(const BitmapView& frame) const;

    bool Recorded() const { return recorded_; }

private:
    enum class TOutcome { Recorded, BoxTooSmall, Failed };
    TOutcome RecordInBox(const std::string& text, const TWatermarkFont& font, int left, int top,
                         const TTextBounds& box);
    // Replays onto a bitmap whose pixel (0, 0) is frame pixel (originX, originY).
    void ApplyShifted(const BitmapView& frame, int originX, int originY) const;

    // Byte written for each byte found: entry level * 3 + k for byte k of a pixel.
    using TLevelMap = std::array<uint8_t, 256 * 3>;
    struct TTouched {
        int X, Y;          // frame pixels
        uint32_t LevelMap; // index into maps_
    };

    bool recorded_ = false;
    std::vector<TTouched> touched_; // row by row, so replay walks the frame forwards
    std::vector<TLevelMap> maps_;
};

} // namespace orvel
