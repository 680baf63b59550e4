// Colour adjustment, exposure, picture blend and crop outline on small frames.
#include "EffectsTestSupport.h"
#include "editing/effects/ColorEffects.h"
#include "editing/effects/EffectsRenderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace orvel {
namespace {

using test::Bgr;
using test::GuardedFrame;

// One grey pixel per level: for grey pixels the saturation step is neutral, so each level shows
// the brightness and contrast curve directly.
std::vector<int> MapGreyLevels(const std::vector<int>& levels, auto&& op) {
    GuardedFrame frame(static_cast<int>(levels.size()), 1);
    for (size_t i = 0; i < levels.size(); ++i) {
        const auto v = static_cast<uint8_t>(levels[i]);
        frame.Set(static_cast<int>(i), 0, {v, v, v});
    }
    op(frame.View());
    EXPECT_TRUE(frame.GuardsIntact());
    std::vector<int> out;
    for (size_t i = 0; i < levels.size(); ++i) {
        const Bgr c = frame.At(static_cast<int>(i), 0);
        EXPECT_TRUE(c.b == c.g && c.g == c.r) << "grey pixel lost its greyness at level " << levels[i];
        out.push_back(c.b);
    }
    return out;
}

struct LevelCase {
    int brightness, contrast, saturation;
    std::vector<int> levels, expected;
};

class AdjustColorsLevels : public testing::TestWithParam<LevelCase> {};

TEST_P(AdjustColorsLevels, MapsLevelsAsDefined) {
    const LevelCase& c = GetParam();
    EXPECT_EQ(
        MapGreyLevels(c.levels,
                      [&](const BitmapView& v) { AdjustColors(v, c.brightness, c.contrast, c.saturation); }),
        c.expected);
}

const std::vector<int> kSix = {0, 50, 100, 170, 200, 255};

INSTANTIATE_TEST_SUITE_P(
    Curves, AdjustColorsLevels,
    testing::Values(LevelCase{256, 50, 256, kSix, {0, 0, 71, 170, 212, 255}},
                    LevelCase{256, -50, 256, kSix, {50, 85, 121, 170, 191, 230}},
                    LevelCase{256, -100, 256, kSix, {170, 170, 170, 170, 170, 170}},
                    LevelCase{0, 0, 256, kSix, {1, 1, 1, 1, 1, 1}},
                    LevelCase{512, 0, 256, {0, 1, 2, 100, 200, 255}, {0, 1, 3, 199, 255, 255}},
                    // 255 is not neutral once the adjustment runs: level 255 becomes 254 first.
                    LevelCase{255, 10, 255, {0, 1, 100, 200, 254, 255}, {0, 0, 98, 199, 254, 255}},
                    LevelCase{256, 10, 256, {0, 1, 100, 200, 254, 255}, {0, 0, 99, 200, 255, 255}}));

TEST(AdjustColors, ContrastHundredIsNinetyNine) {
    GuardedFrame a(37, 5), b(37, 5);
    a.FillRandom(1);
    b.FillRandom(1);
    AdjustColors(a.View(), 300, 100, 200);
    AdjustColors(b.View(), 300, 99, 200);
    EXPECT_EQ(a.Pixels(), b.Pixels());
}

TEST(AdjustColors, IdentityAtUnitGain) {
    GuardedFrame frame(33, 7);
    frame.FillRandom(2);
    const auto before = frame.Pixels();
    AdjustColors(frame.View(), 256, 0, 256);
    EXPECT_EQ(frame.Pixels(), before);
    EXPECT_TRUE(frame.GuardsIntact());
}

struct SaturationCase {
    int saturation;
    Bgr in, expected;
};

class AdjustColorsSaturation : public testing::TestWithParam<SaturationCase> {};

TEST_P(AdjustColorsSaturation, MovesBytesAroundTheirGrey) {
    const SaturationCase& c = GetParam();
    GuardedFrame frame(1, 1, c.in);
    AdjustColors(frame.View(), 256, 0, c.saturation);
    EXPECT_EQ(frame.At(0, 0), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, AdjustColorsSaturation,
    testing::Values(SaturationCase{0, {200, 100, 50}, {116, 116, 116}},
                    SaturationCase{512, {200, 100, 50}, {255, 84, 0}},
                    SaturationCase{0, {0, 0, 0}, {0, 0, 0}}, SaturationCase{512, {0, 0, 0}, {0, 0, 0}},
                    SaturationCase{0, {255, 255, 255}, {255, 255, 255}},
                    SaturationCase{512, {255, 255, 255}, {255, 255, 255}},
                    // Far outside the dialog's range: the byte that is its pixel's grey stays.
                    SaturationCase{5000000, {10, 130, 250}, {0, 130, 255}},
                    SaturationCase{-5000000, {10, 130, 250}, {255, 130, 0}}));

// Straight from the definition, one pixel at a time, as a check of the table-driven loop.
Bgr ReferenceAdjust(Bgr p, int brightness, int contrast, int saturation) {
    auto clamp = [](long long v) { return static_cast<int>(std::clamp<long long>(v, 0, 255)); };
    GuardedFrame levels(256, 1);
    for (int i = 0; i < 256; ++i)
        levels.Set(i, 0, {uint8_t(i), uint8_t(i), uint8_t(i)});
    AdjustColors(levels.View(), brightness, contrast, 256); // level table alone
    auto push = [&](int k) { return (static_cast<long long>(k + 1) * saturation) / 256; };
    const int g = (p.b + p.g + p.r) / 3;
    const long long m = g - push(g);
    auto one = [&](uint8_t c) { return levels.At(clamp(m + push(c)), 0).b; };
    return {one(p.b), one(p.g), one(p.r)};
}

TEST(AdjustColors, EveryPixelFollowsTheDefinition) {
    const int settings[][3] = {
        {255, 0, 255}, {300, 20, 400}, {100, -70, 0}, {-40, 150, 1000}, {256, 0, 70000}};
    for (const auto& s : settings) {
        GuardedFrame frame(29, 6);
        frame.FillRandom(3);
        GuardedFrame original = frame;
        AdjustColors(frame.View(), s[0], s[1], s[2]);
        for (int y = 0; y < frame.Height(); ++y)
            for (int x = 0; x < frame.Width(); ++x)
                ASSERT_EQ(frame.At(x, y), ReferenceAdjust(original.At(x, y), s[0], s[1], s[2]))
                    << "settings " << s[0] << "," << s[1] << "," << s[2] << " at " << x << "," << y;
        EXPECT_TRUE(frame.GuardsIntact());
    }
}

// A conversion runs colour adjustment and exposure as one pass, shared out by rows among threads
// on large frames. Every byte must come out as the two operations give it one after the other,
// row by row (rows this short are never shared out).
TEST(ColorEffects, OnePassEqualsAdjustmentThenExposure) {
    struct Case {
        int brightness, contrast, saturation, exposure;
    };
    for (const Case& c :
         {Case{320, 20, 300, 40}, Case{255, 0, 255, -100}, Case{256, 0, 256, 512}, Case{0, -100, 0, -255},
          Case{512, 100, 5000000, 100}, Case{300, 30, -5000000, 7}, Case{200, 10, 256, 0}}) {
        const bool adjust = c.brightness != 255 || c.contrast != 0 || c.saturation != 255;
        const bool exposure = c.exposure != 0;
        GuardedFrame expected(300, 171), frame(300, 171); // 150 KB: shared out among the threads
        expected.FillRandom(6);
        frame.FillRandom(6);
        for (int y = 0; y < expected.Height(); ++y) {
            const BitmapView all = expected.View();
            const BitmapView row{all.Row(y), all.Width, 1, all.Stride};
            if (adjust) AdjustColors(row, c.brightness, c.contrast, c.saturation);
            if (exposure) ApplyExposure(row, static_cast<float>(c.exposure));
        }
        const TColorEffects effects(adjust, c.brightness, c.contrast, c.saturation, exposure,
                                    static_cast<float>(c.exposure));
        EXPECT_TRUE(effects.Active());
        effects.Apply(frame.View());
        EXPECT_EQ(frame.Pixels(), expected.Pixels())
            << c.brightness << "," << c.contrast << "," << c.saturation << "," << c.exposure;
        EXPECT_TRUE(frame.GuardsIntact());
    }
}

TEST(ColorEffects, NothingActiveOrUnitGainLeavesTheFrameAlone) {
    for (const TColorEffects& none :
         {TColorEffects(false, 400, 50, 10, false, 90.0f), TColorEffects(true, 256, 0, 256, false, 90.0f)}) {
        GuardedFrame frame(300, 171);
        frame.FillRandom(7);
        const auto before = frame.Pixels();
        EXPECT_FALSE(none.Active());
        none.Apply(frame.View());
        EXPECT_EQ(frame.Pixels(), before);
    }
}

struct ExposureCase {
    float exposure;
    std::vector<int> expected;
};

class ApplyExposureLevels : public testing::TestWithParam<ExposureCase> {};

TEST_P(ApplyExposureLevels, MapsLevelsAsDefined) {
    const ExposureCase& c = GetParam();
    EXPECT_EQ(MapGreyLevels({0, 1, 64, 128, 192, 254, 255},
                            [&](const BitmapView& v) { ApplyExposure(v, c.exposure); }),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(Curves, ApplyExposureLevels,
                         testing::Values(ExposureCase{100, {0, 2, 125, 196, 235, 254, 255}},
                                         ExposureCase{512, {0, 8, 228, 252, 254, 255, 255}},
                                         ExposureCase{-100, {0, 0, 0, 0, 52, 251, 255}},
                                         ExposureCase{-255, {0, 0, 0, 0, 0, 203, 255}},
                                         ExposureCase{0, {0, 1, 64, 128, 192, 254, 255}},
                                         // Extreme values saturate instead of overflowing.
                                         ExposureCase{1e9f, {0, 255, 255, 255, 255, 255, 255}},
                                         ExposureCase{-1e9f, {0, 0, 0, 0, 0, 0, 255}}));

struct BlendCase {
    int style, alpha;
    uint8_t frame, picture, expected;
};

class BlendPictureBytes : public testing::TestWithParam<BlendCase> {};

TEST_P(BlendPictureBytes, CombinesFrameAndPicture) {
    const BlendCase& c = GetParam();
    // Wide enough that both the block loop and the byte tail take part.
    GuardedFrame frame(45, 2, {c.frame, c.frame, c.frame});
    GuardedFrame picture(45, 2, {c.picture, c.picture, c.picture});
    BlendPicture(frame.View(), picture.View(), 0, 0, c.alpha, c.style);
    const std::vector<uint8_t> pixels = frame.Pixels();
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [&](uint8_t v) { return v == c.expected; }))
        << "first byte " << int(pixels[0]) << ", last byte " << int(pixels.back());
    EXPECT_TRUE(frame.GuardsIntact());
}

INSTANTIATE_TEST_SUITE_P(Styles, BlendPictureBytes,
                         testing::Values(BlendCase{1, 168, 100, 200, 165}, BlendCase{1, 0, 100, 200, 100},
                                         BlendCase{1, 255, 100, 200, 199}, BlendCase{2, 168, 100, 200, 78},
                                         BlendCase{2, 0, 255, 255, 255}, BlendCase{2, 0, 90, 0, 0},
                                         BlendCase{7, 50, 100, 200, 78},
                                         // Opacity beyond the range is limited, not wrapped.
                                         BlendCase{1, 1000, 100, 200, 199}, BlendCase{1, -5, 100, 200, 100}));

TEST(BlendPicture, EveryByteFollowsTheFormula) {
    for (int style : {1, 2}) {
        GuardedFrame frame(41, 3), picture(41, 3);
        frame.FillRandom(4);
        picture.FillRandom(5);
        const std::vector<uint8_t> d = frame.Pixels(), s = picture.Pixels();
        BlendPicture(frame.View(), picture.View(), 0, 0, 77, style);
        const std::vector<uint8_t> out = frame.Pixels();
        for (size_t i = 0; i < out.size(); ++i) {
            const int want = style == 1 ? ((256 - 77) * d[i] + 77 * s[i]) / 256 : (d[i] * s[i]) / 255;
            ASSERT_EQ(out[i], want) << "style " << style << " byte " << i;
        }
    }
}

struct PlacementCase {
    int left, top;
};

class BlendPicturePlacement : public testing::TestWithParam<PlacementCase> {};

// Multiply by black paints exactly the pixels the picture covers, so the painted set must be
// the picture's rectangle cut to the frame, and nothing outside the frame may change.
TEST_P(BlendPicturePlacement, TouchesOnlyTheOverlap) {
    const PlacementCase& c = GetParam();
    constexpr int W = 10, H = 8, PW = 4, PH = 3;
    GuardedFrame frame(W, H, {200, 200, 200});
    GuardedFrame picture(PW, PH, {0, 0, 0});
    BlendPicture(frame.View(), picture.View(), c.left, c.top, 168, 2);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const bool covered = x >= c.left && x < c.left + PW && y >= c.top && y < c.top + PH;
            EXPECT_EQ(frame.At(x, y), (covered ? Bgr{0, 0, 0} : Bgr{200, 200, 200})) << x << "," << y;
        }
    EXPECT_TRUE(frame.GuardsIntact());
}

INSTANTIATE_TEST_SUITE_P(Edges, BlendPicturePlacement,
                         testing::Values(PlacementCase{0, 0}, PlacementCase{3, 2}, PlacementCase{6, 5},
                                         PlacementCase{8, 6}, PlacementCase{9, 0}, PlacementCase{10, 0},
                                         PlacementCase{0, 8}, PlacementCase{500, 500}, PlacementCase{-2, -1},
                                         PlacementCase{-4, 0}, PlacementCase{0, -3},
                                         PlacementCase{-100, -100}));

TEST(BlendPicture, ReadsThePictureFromItsCorner) {
    GuardedFrame frame(6, 4, {255, 255, 255});
    GuardedFrame picture(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            picture.Set(x, y, {uint8_t(10 * x), uint8_t(20 * y), 7});
    BlendPicture(frame.View(), picture.View(), 4, 3, 0, 2); // only picture pixels (0..1, 0) fit
    EXPECT_EQ(frame.At(4, 3), (Bgr{0, 0, 7}));
    EXPECT_EQ(frame.At(5, 3), (Bgr{10, 0, 7}));
    BlendPicture(frame.View(), picture.View(), -2, -1, 0, 2); // only picture pixel (2, 1) fits
    EXPECT_EQ(frame.At(0, 0), (Bgr{20, 20, 7}));
    EXPECT_EQ(frame.At(1, 0), (Bgr{255, 255, 255}));
}

struct OutlineCase {
    TCropOutline variant;
    int top, left, bottom, right;
    int x0, y0, x1, y1; // the outlined rectangle, right and bottom exclusive; x1 <= x0 = nothing
};

class CropOutline : public testing::TestWithParam<OutlineCase> {};

TEST_P(CropOutline, DrawsTwoPixelGreenBorderInsideTheKeptArea) {
    const OutlineCase& c = GetParam();
    constexpr int W = 32, H = 24;
    const Bgr grey{90, 90, 90}, green{0, 128, 0};
    GuardedFrame frame(W, H, grey);
    DrawCropOutline(frame.View(), c.top, c.left, c.bottom, c.right, c.variant);
    EXPECT_TRUE(frame.GuardsIntact());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const bool inside = x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1;
            const bool border = inside && (x < c.x0 + 2 || x >= c.x1 - 2 || y < c.y0 + 2 || y >= c.y1 - 2);
            ASSERT_EQ(frame.At(x, y), border ? green : grey) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Variants, CropOutline,
                         testing::Values(OutlineCase{TCropOutline::Plain, 0, 0, 0, 0, 0, 0, 32, 24},
                                         OutlineCase{TCropOutline::Plain, 2, 4, 6, 8, 4, 2, 24, 18},
                                         OutlineCase{TCropOutline::Inset, 0, 0, 0, 0, 1, 1, 30, 22},
                                         OutlineCase{TCropOutline::Inset, 2, 4, 6, 8, 5, 3, 22, 16},
                                         // A crop that keeps nothing draws nothing.
                                         OutlineCase{TCropOutline::Plain, 12, 0, 12, 0, 0, 0, 0, 0},
                                         OutlineCase{TCropOutline::Inset, 0, 20, 0, 20, 0, 0, 0, 0}));

} // namespace
} // namespace orvel
