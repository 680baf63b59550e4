#include "editing/effects/TextMask.h"

#include "editing/effects/EffectsRenderer.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace orvel {
namespace {

// Larger texts are drawn directly: recording them would take more memory than it saves time.
constexpr int64_t kMaxBoxPixels = int64_t{1} << 17;
constexpr size_t kMaxLevelMaps = size_t{1} << 16;
constexpr int kLevelsPerDraw = 16; // divides 256

bool Identity(const std::array<uint8_t, 256 * 3>& map) {
    for (int v = 0; v < 256; ++v)
        for (int k = 0; k < 3; ++k)
            if (map[static_cast<size_t>(v) * 3 + k] != v) return false;
    return true;
}

} // namespace

bool TTextMask::Record(const std::string& text, const TWatermarkFont& font, int left, int top) {
    recorded_ = false;
    touched_.clear();
    maps_.clear();
    const TTextBounds ink = WatermarkTextBounds(text, font, left, top);
    if (ink.Width <= 0 || ink.Height <= 0) return false;
    // Glyphs may reach a little beyond the metrics; the box must hold every pixel drawing changes.
    int margin = 2 + ink.Height / 2;
    for (int attempt = 0; attempt < 3; ++attempt, margin *= 2) {
        const TTextBounds box{ink.Left - margin, ink.Top - margin, ink.Width + 2 * margin, ink.Height + 2 * margin};
        if (int64_t{box.Width} * box.Height > kMaxBoxPixels) return false;
        const TOutcome outcome = RecordInBox(text, font, left, top, box);
        if (outcome == TOutcome::Recorded) {
            recorded_ = true;
            return true;
        }
        if (outcome == TOutcome::Failed) break;
    }
    touched_.clear();
    maps_.clear();
    return false;
}

// Draws the text once over each grey level and sorts the box's pixels by what drawing did to
// them: pixels that came out alike at every level so far share one level map, and a pixel that
// comes out differently at a later level moves to a map of its own.
TTextMask::TOutcome TTextMask::RecordInBox(const std::string& text, const TWatermarkFont& font, int left, int top,
                            const TTextBounds& box) {
    touched_.clear();
    maps_.assign(1, TLevelMap{});
    const int w = box.Width, h = box.Height;
    const size_t rowBytes = static_cast<size_t>(w) * 3;
    // Several levels per drawing, one band of the canvas each, so that the painter is set up a
    // few times per text rather than once per level.
    Bitmap24 canvas(w, h * kLevelsPerDraw);
    std::vector<uint32_t> mapOf(static_cast<size_t>(w) * h, 0);
    std::vector<uint8_t> setAtLevel;
    std::unordered_map<uint64_t, uint32_t> splits; // (map, bytes found) -> map the pixel moves to
    for (int first = 0; first < 256; first += kLevelsPerDraw) {
        for (int y = 0; y < canvas.Height(); ++y)
            std::memset(canvas.Row(y), first + y / h, rowBytes);
        if (!DrawWatermarkTextCopies(canvas.View(), text, font, left - box.Left, top - box.Top, kLevelsPerDraw, h))
            return TOutcome::Failed;
        for (int v = first; v < first + kLevelsPerDraw; ++v) {
            setAtLevel.assign(maps_.size(), 0);
            splits.clear();
            const size_t at = static_cast<size_t>(v) * 3;
            for (int y = 0; y < h; ++y) {
                const uint8_t* p = canvas.Row((v - first) * h + y);
                for (int x = 0; x < w; ++x, p += 3) {
                    uint32_t& m = mapOf[static_cast<size_t>(y) * w + x];
                    if (!setAtLevel[m]) {
                        setAtLevel[m] = 1;
                        std::copy(p, p + 3, maps_[m].begin() + at);
                        continue;
                    }
                    if (std::equal(p, p + 3, maps_[m].begin() + at)) continue;
                    const uint64_t key = (uint64_t{m} << 24) | (uint64_t{p[0]} << 16) | (p[1] << 8) | p[2];
                    const auto found = splits.find(key);
                    if (found != splits.end()) {
                        m = found->second;
                        continue;
                    }
                    if (maps_.size() >= kMaxLevelMaps) return TOutcome::Failed;
                    const auto added = static_cast<uint32_t>(maps_.size());
                    maps_.push_back(maps_[m]); // same bytes at every level before this one
                    std::copy(p, p + 3, maps_.back().begin() + at);
                    setAtLevel.push_back(1);
                    splits.emplace(key, added);
                    m = added;
                }
            }
        }
    }

    std::vector<uint8_t> identity(maps_.size());
    for (size_t m = 0; m < maps_.size(); ++m)
        identity[m] = Identity(maps_[m]) ? 1 : 0;
    bool reachesEdge = false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t m = mapOf[static_cast<size_t>(y) * w + x];
            if (identity[m]) continue;
            touched_.push_back(TTouched{box.Left + x, box.Top + y, m});
            reachesEdge = reachesEdge || x == 0 || y == 0 || x == w - 1 || y == h - 1;
        }
    if (reachesEdge) return TOutcome::BoxTooSmall; // the drawing may go on beyond the box

    // A check on a busy background, where the three bytes of a pixel differ: the replay must give
    // what drawing gives, byte for byte, or the text is drawn directly from now on.
    uint32_t seed = 0x9E3779B9u;
    for (int y = 0; y < h; ++y)
        for (size_t i = 0; i < rowBytes; ++i) {
            seed = seed * 1664525u + 1013904223u;
            canvas.Row(y)[i] = static_cast<uint8_t>(seed >> 24);
        }
    Bitmap24 replayed(w, h);
    for (int y = 0; y < h; ++y)
        std::memcpy(replayed.Row(y), canvas.Row(y), rowBytes);
    const BitmapView drawn{canvas.Bits(), w, h, canvas.Stride()};
    if (!DrawWatermarkText(drawn, text, font, left - box.Left, top - box.Top)) return TOutcome::Failed;
    ApplyShifted(replayed.View(), box.Left, box.Top);
    for (int y = 0; y < h; ++y)
        if (std::memcmp(replayed.Row(y), canvas.Row(y), rowBytes) != 0) return TOutcome::Failed;
    return TOutcome::Recorded;
}

void TTextMask::Apply(const BitmapView& frame) const {
    if (recorded_) ApplyShifted(frame, 0, 0);
}

void TTextMask::ApplyShifted(const BitmapView& frame, int originX, int originY) const {
    if (frame.Empty()) return;
    for (const TTouched& t : touched_) {
        const int x = t.X - originX, y = t.Y - originY;
        if (x < 0 || y < 0 || x >= frame.Width || y >= frame.Height) continue;
        uint8_t* p = frame.Row(y) + static_cast<size_t>(x) * 3;
        const TLevelMap& map = maps_[t.LevelMap];
        p[0] = map[p[0] * 3u];
        p[1] = map[p[1] * 3u + 1];
        p[2] = map[p[2] * 3u + 2];
    }
}

} // namespace orvel
