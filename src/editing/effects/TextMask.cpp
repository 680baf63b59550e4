#include "editing/effects/TextMask.h"

#include "editing/effects/EffectsRenderer.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace orvel {
namespace {

// Larger texts are drawn directly: recording them would take more memory than it saves time.
constexpr int64_t kMaxBoxPixels = int64_t{1} << 17;
constexpr size_t kMaxTouched = size_t{1} << 15;
constexpr int kLevelsPerDraw = 32; // divides 256

const std::array<uint8_t, 256 * 3>& IdentityMap() {
    static const auto map = [] {
        std::array<uint8_t, 256 * 3> m{};
        for (size_t i = 0; i < m.size(); ++i)
            m[i] = static_cast<uint8_t>(i / 3);
        return m;
    }();
    return map;
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
        const TTextBounds box{ink.Left - margin, ink.Top - margin, ink.Width + 2 * margin,
                              ink.Height + 2 * margin};
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

// Draws the text once over each grey level and keeps, for every pixel that drawing changes at
// some level, the bytes it came out with at each level; pixels that came out alike at every level
// then share one level map.
TTextMask::TOutcome TTextMask::RecordInBox(const std::string& text, const TWatermarkFont& font, int left,
                                           int top, const TTextBounds& box) {
    touched_.clear();
    maps_.clear();
    const int w = box.Width, h = box.Height;
    const size_t rowBytes = static_cast<size_t>(w) * 3;
    // Several levels per drawing, one band of the canvas each, so that the painter is set up a
    // few times per text rather than once per level.
    Bitmap24 canvas(w, h * kLevelsPerDraw);
    std::vector<uint8_t> plain(rowBytes);
    // Per pixel of the box: its entry in found, or -1 while drawing has left it alone.
    std::vector<int32_t> entryOf(static_cast<size_t>(w) * h, -1);
    std::vector<uint8_t> rowTouched(static_cast<size_t>(h), 0);
    std::vector<TLevelMap> found;
    std::vector<TTouched> where;
    found.reserve(std::min<size_t>(entryOf.size() / 2, kMaxTouched));
    where.reserve(found.capacity());
    for (int first = 0; first < 256; first += kLevelsPerDraw) {
        for (int y = 0; y < canvas.Height(); ++y)
            std::memset(canvas.Row(y), first + y / h, rowBytes);
        if (!DrawWatermarkTextCopies(canvas.View(), text, font, left - box.Left, top - box.Top,
                                     kLevelsPerDraw, h))
            return TOutcome::Failed;
        for (int v = first; v < first + kLevelsPerDraw; ++v) {
            std::memset(plain.data(), v, rowBytes);
            const size_t at = static_cast<size_t>(v) * 3;
            for (int y = 0; y < h; ++y) {
                const uint8_t* p = canvas.Row((v - first) * h + y);
                if (!rowTouched[y] && std::memcmp(p, plain.data(), rowBytes) == 0) continue;
                rowTouched[y] = 1;
                int32_t* entries = &entryOf[static_cast<size_t>(y) * w];
                for (int x = 0; x < w; ++x, p += 3) {
                    int32_t e = entries[x];
                    if (e < 0) {
                        if (p[0] == v && p[1] == v && p[2] == v) continue;
                        if (found.size() >= kMaxTouched) return TOutcome::Failed;
                        e = entries[x] = static_cast<int32_t>(found.size());
                        // Left alone at every level before this one.
                        found.push_back(IdentityMap());
                        where.push_back(TTouched{box.Left + x, box.Top + y, 0});
                        if (x == 0 || y == 0 || x == w - 1 || y == h - 1)
                            return TOutcome::BoxTooSmall; // the drawing may go on beyond the box
                    }
                    std::copy(p, p + 3, found[static_cast<size_t>(e)].begin() + at);
                }
            }
        }
    }

    // One level map per way of changing a pixel: a text has a few hundred of them.
    std::unordered_map<std::string_view, uint32_t> mapOf;
    for (size_t e = 0; e < found.size(); ++e) {
        const std::string_view bytes(reinterpret_cast<const char*>(found[e].data()), found[e].size());
        const auto [it, added] = mapOf.emplace(bytes, static_cast<uint32_t>(maps_.size()));
        if (added) maps_.push_back(found[e]);
        where[e].LevelMap = it->second;
    }
    std::sort(where.begin(), where.end(),
              [](const TTouched& a, const TTouched& b) { return a.Y != b.Y ? a.Y < b.Y : a.X < b.X; });
    touched_ = std::move(where);

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
