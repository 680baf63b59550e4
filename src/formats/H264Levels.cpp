#include "formats/H264Levels.h"

#include <cmath>

namespace orvel {
namespace {

// Macroblocks a second, macroblocks a frame, bit rate (kbit/s) and buffer (kbit), the
// Baseline and Main profile figures (High admits a quarter more rate; the lower figure holds
// for every profile).
struct TLevelLimits {
    int Level;
    long long MacroblocksPerSecond;
    long long MacroblocksPerFrame;
    long long KbitPerSecond;
    long long BufferKbit;
};

constexpr TLevelLimits kLevels[] = {
    {10, 1485, 99, 64, 175},
    {11, 3000, 396, 192, 500},
    {12, 6000, 396, 384, 1000},
    {13, 11880, 396, 768, 2000},
    {20, 11880, 396, 2000, 2000},
    {21, 19800, 792, 4000, 4000},
    {22, 20250, 1620, 4000, 4000},
    {30, 40500, 1620, 10000, 10000},
    {31, 108000, 3600, 14000, 14000},
    {32, 216000, 5120, 20000, 20000},
    {40, 245760, 8192, 20000, 25000},
    {41, 245760, 8192, 50000, 62500},
    {42, 522240, 8704, 50000, 62500},
    {50, 589824, 22080, 135000, 135000},
    {51, 983040, 36864, 240000, 240000},
    {52, 2073600, 36864, 240000, 240000},
};

bool Admits(const TLevelLimits& l, const TH264Stream& s) {
    const long long mbWide = (s.Width + 15) / 16, mbHigh = (s.Height + 15) / 16;
    const long long perFrame = mbWide * mbHigh;
    // Neither side may pass the square root of eight times the frame limit.
    const double side = std::sqrt(8.0 * static_cast<double>(l.MacroblocksPerFrame));
    return perFrame <= l.MacroblocksPerFrame && mbWide <= side && mbHigh <= side &&
           static_cast<double>(perFrame) * s.FrameRate <= static_cast<double>(l.MacroblocksPerSecond) &&
           s.BitRate <= l.KbitPerSecond * 1000 && s.BufferSize <= l.BufferKbit * 1000;
}

const TLevelLimits* LimitsOf(int level) {
    for (const TLevelLimits& l : kLevels)
        if (l.Level == level) return &l;
    return nullptr;
}

} // namespace

int LowestH264Level(const TH264Stream& stream) {
    for (const TLevelLimits& l : kLevels)
        if (Admits(l, stream)) return l.Level;
    return 0;
}

bool H264LevelAdmits(int level, const TH264Stream& stream) {
    const TLevelLimits* l = LimitsOf(level);
    return l && Admits(*l, stream);
}

long long H264LevelBitRate(int level) {
    const TLevelLimits* l = LimitsOf(level);
    return l ? l->KbitPerSecond * 1000 : 0;
}

long long H264LevelBufferSize(int level) {
    const TLevelLimits* l = LimitsOf(level);
    return l ? l->BufferKbit * 1000 : 0;
}

} // namespace orvel
