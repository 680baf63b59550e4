// Watermark text, BMP pictures, the layer order of a whole render and a job rendered frame after
// frame. Text needs fonts, so this program runs with a QGuiApplication on the offscreen platform.
#include "EffectsTestSupport.h"
#include "editing/effects/EffectsRenderer.h"
#include "editing/effects/JobEffectsRenderer.h"
#include "editing/effects/TextMask.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

namespace orvel {
namespace {

using test::Bgr;
using test::GuardedFrame;

class GuiEnvironment : public testing::Environment {
public:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[32] = "test_editing_effects";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

[[maybe_unused]] testing::Environment* const kGui = testing::AddGlobalTestEnvironment(new GuiEnvironment);

// Writes an uncompressed BMP: 24 bits, or 8 bits with a grey-ramp palette (index i = level i).
// A negative height stores the rows top-down.
void WriteBmp(const std::string& path, int width, int height, int bits,
              const std::function<Bgr(int, int)>& pixel) {
    const int rows = std::abs(height);
    const int stride = ((width * bits / 8) + 3) & ~3;
    const int palette = bits == 8 ? 256 * 4 : 0;
    const int offBits = 14 + 40 + palette;
    std::vector<uint8_t> f(static_cast<size_t>(offBits) + static_cast<size_t>(stride) * rows, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            f[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<uint32_t>(f.size()));
    put32(10, offBits);
    put32(14, 40);
    put32(18, width);
    put32(22, static_cast<uint32_t>(height));
    f[26] = 1;
    f[28] = static_cast<uint8_t>(bits);
    for (int i = 0; i < palette / 4; ++i)
        f[54 + i * 4] = f[55 + i * 4] = f[56 + i * 4] = static_cast<uint8_t>(i);
    for (int y = 0; y < rows; ++y) {
        const int fileRow = height > 0 ? rows - 1 - y : y;
        uint8_t* p = &f[static_cast<size_t>(offBits) + static_cast<size_t>(fileRow) * stride];
        for (int x = 0; x < width; ++x) {
            const Bgr c = pixel(x, y);
            if (bits == 8) {
                p[x] = c.g;
            } else {
                p[x * 3] = c.b;
                p[x * 3 + 1] = c.g;
                p[x * 3 + 2] = c.r;
            }
        }
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), f.size());
}

void WriteText(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class TempFiles : public testing::Test {
protected:
    std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }
    QTemporaryDir dir_;
};

// --- BMP pictures ------------------------------------------------------------------------------

struct BmpCase {
    const char* name;
    int width, height, bits;
};

class LoadBitmapFileGood : public TempFiles, public testing::WithParamInterface<BmpCase> {};

TEST_P(LoadBitmapFileGood, ReadsTopDownPixels) {
    const BmpCase& c = GetParam();
    auto pixel = [&](int x, int y) {
        if (c.bits == 8) return Bgr{uint8_t(x * 40 + y), uint8_t(x * 40 + y), uint8_t(x * 40 + y)};
        return Bgr{uint8_t(x * 40), uint8_t(y * 60), uint8_t(x + y)};
    };
    WriteBmp(Path("p.bmp"), c.width, c.height, c.bits, pixel);
    Bitmap24 picture;
    std::string error;
    ASSERT_TRUE(LoadBitmapFile(Path("p.bmp"), picture, error)) << error;
    ASSERT_EQ(picture.Width(), c.width);
    ASSERT_EQ(picture.Height(), std::abs(c.height));
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const uint8_t* p = picture.Row(y) + x * 3;
            ASSERT_EQ((Bgr{p[0], p[1], p[2]}), pixel(x, y)) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Kinds, LoadBitmapFileGood,
                         testing::Values(BmpCase{"bottom_up_odd_width", 5, 3, 24},
                                         BmpCase{"top_down", 4, -3, 24}, BmpCase{"palette", 5, 2, 8}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TempFiles, UnreadablePicturesAreReportedWithTheirPath) {
    QImage png(4, 4, QImage::Format_RGB32);
    png.fill(Qt::red);
    ASSERT_TRUE(png.save(QString::fromStdString(Path("png.bmp")), "PNG"));
    WriteText(Path("empty.bmp"), "");
    WriteText(Path("text.bmp"), "just some words");
    WriteBmp(Path("short.bmp"), 64, 64, 24, [](int, int) { return Bgr{}; });
    QFile::resize(QString::fromStdString(Path("short.bmp")), 200);
    WriteText(Path("header.bmp"), std::string("BM") + std::string(60, '\xff'));

    for (const char* name :
         {"missing.bmp", "png.bmp", "empty.bmp", "text.bmp", "short.bmp", "header.bmp", ""}) {
        const std::string path = name[0] ? Path(name) : dir_.path().toStdString(); // "" = the folder
        Bitmap24 picture;
        std::string error;
        EXPECT_FALSE(LoadBitmapFile(path, picture, error)) << name;
        EXPECT_NE(error.find(path), std::string::npos) << name << ": " << error;
    }
}

// A picture that cannot be read stops the render before the steps after it, and says why.
TEST_F(TempFiles, MissingPictureStopsTheRender) {
    GuardedFrame frame(40, 20, {100, 100, 100});
    const auto before = frame.Pixels();
    EffectSettings s;
    s.WatermarkImage = Path("gone.bmp");
    s.WatermarkText = "Hi";
    s.WatermarkFont.Color = 0xFFFFFF;
    s.Contrast = -100;
    s.ProcessImage = true; // picture, effects, text
    std::string error;
    EXPECT_FALSE(RenderJobEffects(frame.View(), s, &error));
    EXPECT_NE(error.find("gone.bmp"), std::string::npos) << error;
    EXPECT_EQ(frame.Pixels(), before);
}

TEST(RenderJobEffects, NeutralSettingsLeaveTheFrameAlone) {
    for (int neutral : {255, 256}) {
        GuardedFrame frame(31, 9);
        frame.FillRandom(11);
        const auto before = frame.Pixels();
        EffectSettings s;
        s.Brightness = s.Saturation = neutral;
        EXPECT_TRUE(RenderJobEffects(frame.View(), s));
        EXPECT_EQ(frame.Pixels(), before) << neutral;
    }
}

// --- text ----------------------------------------------------------------------------------------

struct Lit {
    int count = 0, minX = 1 << 30, minY = 1 << 30, maxX = -1, maxY = -1;
};

Lit LitPixels(const GuardedFrame& frame, Bgr background) {
    Lit lit;
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = 0; x < frame.Width(); ++x)
            if (!(frame.At(x, y) == background)) {
                ++lit.count;
                lit.minX = std::min(lit.minX, x);
                lit.minY = std::min(lit.minY, y);
                lit.maxX = std::max(lit.maxX, x);
                lit.maxY = std::max(lit.maxY, y);
            }
    return lit;
}

struct ColorCase {
    uint32_t color; // 0x00BBGGRR
    Bgr bytes;
};

class WatermarkTextColor : public testing::TestWithParam<ColorCase> {};

TEST_P(WatermarkTextColor, DrawsInTheFontColourBelowAndRightOfTheCorner) {
    const ColorCase& c = GetParam();
    GuardedFrame frame(80, 40);
    TWatermarkFont font;
    font.Size = 12;
    font.Color = c.color;
    ASSERT_TRUE(DrawWatermarkText(frame.View(), "HH", font, 6, 5));
    const Lit lit = LitPixels(frame, {});
    ASSERT_GT(lit.count, 10);
    EXPECT_GE(lit.minX, 6);
    EXPECT_GE(lit.minY, 5); // the cell's top, not the baseline, is at the given row
    EXPECT_LT(lit.maxY, 5 + 16);
    bool exact = false;
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = 0; x < frame.Width(); ++x) {
            const Bgr p = frame.At(x, y);
            exact = exact || p == c.bytes;
            // Over black, every drawn pixel is the colour at some coverage: channels that the
            // colour lacks stay 0, whatever the anti-aliasing.
            ASSERT_TRUE((c.bytes.b || !p.b) && (c.bytes.g || !p.g) && (c.bytes.r || !p.r)) << x << "," << y;
        }
    EXPECT_TRUE(exact);
}

INSTANTIATE_TEST_SUITE_P(Colours, WatermarkTextColor,
                         testing::Values(ColorCase{0x0000FF, {0, 0, 255}}, ColorCase{0xFF0000, {255, 0, 0}},
                                         ColorCase{0x00FF00, {0, 255, 0}}));

TEST(WatermarkText, StaysInsideTheFrame) {
    for (const auto& [left, top] : {std::pair{70, 30}, std::pair{-6, -8}, std::pair{-4, 30}}) {
        GuardedFrame frame(80, 40);
        TWatermarkFont font;
        font.Size = 20;
        font.Color = 0xFFFFFF;
        ASSERT_TRUE(DrawWatermarkText(frame.View(), "WWWW", font, left, top));
        EXPECT_GT(LitPixels(frame, {}).count, 0) << left << "," << top;
        EXPECT_TRUE(frame.GuardsIntact()) << left << "," << top;
    }
}

TEST(WatermarkText, EmptyTextDrawsNothing) {
    GuardedFrame frame(20, 10, {1, 2, 3});
    EXPECT_TRUE(DrawWatermarkText(frame.View(), "", TWatermarkFont{}, 0, 0));
    EXPECT_EQ(LitPixels(frame, {1, 2, 3}).count, 0);
}

// Longest horizontal run of lit pixels in any row.
int LongestRun(const GuardedFrame& frame) {
    int best = 0;
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = 0, run = 0; x < frame.Width(); ++x) {
            run = frame.At(x, y) == Bgr{} ? 0 : run + 1;
            best = std::max(best, run);
        }
    return best;
}

TEST(WatermarkText, StylesChangeTheDrawing) {
    auto draw = [](auto&& style) {
        auto frame = std::make_unique<GuardedFrame>(120, 40);
        TWatermarkFont font;
        font.Size = 16;
        font.Color = 0xFFFFFF;
        style(font);
        EXPECT_TRUE(DrawWatermarkText(frame->View(), "i i i i i i", font, 2, 2));
        return frame;
    };
    const auto plain = draw([](TWatermarkFont&) {});
    EXPECT_LT(LongestRun(*plain), 10);
    // Underline and strike-out join the letters with a line; bold and italic change the shapes.
    EXPECT_GT(LongestRun(*draw([](TWatermarkFont& f) { f.Underline = true; })), 40);
    EXPECT_GT(LongestRun(*draw([](TWatermarkFont& f) { f.StrikeOut = true; })), 40);
    EXPECT_GT(LitPixels(*draw([](TWatermarkFont& f) { f.Bold = true; }), {}).count,
              LitPixels(*plain, {}).count);
    EXPECT_NE(draw([](TWatermarkFont& f) { f.Italic = true; })->Pixels(), plain->Pixels());
}

// --- layer order ---------------------------------------------------------------------------------

struct OrderCase {
    bool processText, processImage;
    bool textFlattened, pictureFlattened;
};

class LayerOrderRender : public TempFiles, public testing::WithParamInterface<OrderCase> {};

// Contrast -100 turns every level into 170, so a layer drawn before the effects step ends up
// flat grey, and one drawn after keeps its colour.
TEST_P(LayerOrderRender, EffectsReachOnlyTheLayersBeforeThem) {
    const OrderCase& c = GetParam();
    WriteBmp(Path("red.bmp"), 20, 20, 24, [](int, int) { return Bgr{0, 0, 255}; });
    GuardedFrame frame(120, 40, {100, 100, 100});
    EffectSettings s;
    s.Contrast = -100;
    s.WatermarkText = "WWW";
    s.WatermarkFont.Size = 14;
    s.WatermarkFont.Bold = true;
    s.WatermarkFont.Color = 0xFFFFFF;
    s.TextLeft = 2;
    s.TextTop = 2;
    s.WatermarkImage = Path("red.bmp");
    s.ImageLeft = 90;
    s.ImageTop = 10;
    s.ImageAlpha = 255;
    s.ProcessText = c.processText;
    s.ProcessImage = c.processImage;
    std::string error;
    ASSERT_TRUE(RenderJobEffects(frame.View(), s, &error)) << error;

    const Bgr flat{170, 170, 170};
    int white = 0, other = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 85; ++x) {
            const Bgr p = frame.At(x, y);
            white += p == Bgr{255, 255, 255};
            other += !(p == flat);
        }
    if (c.textFlattened) {
        EXPECT_EQ(other, 0);
    } else {
        EXPECT_GT(white, 0);
    }
    // 170 under red at opacity 255: (1 * 170 + 255 * 255) / 256 = 254 for red, 0 for the rest.
    EXPECT_EQ(frame.At(95, 15), (c.pictureFlattened ? flat : Bgr{0, 0, 254}));
    EXPECT_EQ(frame.At(109, 29), (c.pictureFlattened ? flat : Bgr{0, 0, 254}));
    EXPECT_EQ(frame.At(110, 30), flat);
}

INSTANTIATE_TEST_SUITE_P(Flags, LayerOrderRender,
                         testing::Values(OrderCase{true, false, true, false},
                                         OrderCase{false, true, false, true},
                                         OrderCase{true, true, true, true},
                                         OrderCase{false, false, false, false}));

// --- one job, frame after frame -----------------------------------------------------------------

struct MaskCase {
    const char* name;
    const char* text;
    TWatermarkFont font;
    int left, top;
};

class TextMaskReplay : public testing::TestWithParam<MaskCase> {};

// Recorded text must replay to the bytes drawing gives, over any background, including where the
// text runs off the frame.
TEST_P(TextMaskReplay, GivesTheBytesDrawingGives) {
    const MaskCase& c = GetParam();
    const TWatermarkFont& font = c.font;
    TTextMask mask;
    ASSERT_TRUE(mask.Record(c.text, font, c.left, c.top));
    for (unsigned seed : {21u, 22u}) {
        GuardedFrame drawn(160, 48), replayed(160, 48);
        drawn.FillRandom(seed);
        replayed.FillRandom(seed);
        ASSERT_TRUE(DrawWatermarkText(drawn.View(), c.text, font, c.left, c.top));
        mask.Apply(replayed.View());
        EXPECT_EQ(replayed.Pixels(), drawn.Pixels()) << seed;
        EXPECT_TRUE(replayed.GuardsIntact());
    }
    GuardedFrame grey(160, 48, {128, 128, 128});
    mask.Apply(grey.View());
    EXPECT_GT(LitPixels(grey, {128, 128, 128}).count, 0) << "the text left no mark";
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, TextMaskReplay,
    testing::Values(
        MaskCase{"plain_black", "Orvel Video", {.Size = 8}, 4, 4},
        MaskCase{"mid_colour", "Wq|gjy", {.Size = 14, .Color = 0x3366CC}, 10, 6},
        MaskCase{"white_every_style",
                 "Ab 12",
                 {.Size = 18,
                  .Color = 0xFFFFFF,
                  .Bold = true,
                  .Italic = true,
                  .Underline = true,
                  .StrikeOut = true},
                 3,
                 2},
        MaskCase{"off_right_and_bottom", "WWWWWW", {.Size = 20, .Color = 0x20C040, .Bold = true}, 120, 36},
        MaskCase{"off_left_and_top", "WWW", {.Size = 20, .Color = 0xFF00FF, .Italic = true}, -9, -7},
        MaskCase{"line_break", "one\ntwo", {.Size = 12, .Color = 0x404040, .Underline = true}, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct JobCase {
    const char* name;
    void (*edit)(EffectSettings&);
};

class JobRendererFrames : public TempFiles, public testing::WithParamInterface<JobCase> {};

// The conversion keeps one renderer per job for the whole output. Its frames must be those that
// RenderJobEffects gives one at a time: while it draws the text and once it replays a recording,
// with the picture and the tables kept between frames.
TEST_P(JobRendererFrames, EqualRenderJobEffectsOnEveryFrame) {
    WriteBmp(Path("logo.bmp"), 30, 12, 24, [](int x, int y) {
        return Bgr{uint8_t(x * 8), uint8_t(y * 20), 200};
    });
    // Field by field: GCC 12 at -O3 takes a designated initialiser's default font name for
    // uninitialised.
    EffectSettings s;
    s.Brightness = 320;
    s.Contrast = 20;
    s.Saturation = 300;
    s.Exposure = 40;
    s.WatermarkText = "Orvel Wq";
    s.WatermarkFont.Size = 14;
    s.WatermarkFont.Color = 0x3366CC;
    s.TextLeft = 5;
    s.TextTop = 4;
    s.WatermarkImage = Path("logo.bmp");
    s.ImageLeft = 60;
    s.ImageTop = 20;
    GetParam().edit(s);
    TJobEffectsRenderer renderer(s);
    const int recordedFrom = TJobEffectsRenderer::kTextDrawsBeforeRecording;
    for (int frameNo = 0; frameNo <= recordedFrom + 2; ++frameNo) {
        GuardedFrame frame(120, 48);
        frame.FillRandom(30 + frameNo);
        std::string error;
        ASSERT_TRUE(renderer.Render(frame.View(), &error)) << error;
        if (frameNo > 1 && frameNo < recordedFrom - 1) continue; // compared at both ends only
        GuardedFrame expected(120, 48);
        expected.FillRandom(30 + frameNo);
        ASSERT_TRUE(RenderJobEffects(expected.View(), s, &error)) << error;
        EXPECT_EQ(frame.Pixels(), expected.Pixels()) << "frame " << frameNo;
        EXPECT_TRUE(frame.GuardsIntact());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, JobRendererFrames,
    testing::Values(JobCase{"effects_text_picture", [](EffectSettings&) {}},
                    JobCase{"text_effects_picture", [](EffectSettings& s) { s.ProcessText = true; }},
                    JobCase{"picture_effects_text",
                            [](EffectSettings& s) {
                                s.ProcessImage = true;
                                s.TransparentStyle = 2;
                            }},
                    JobCase{"text_picture_effects",
                            [](EffectSettings& s) { s.ProcessText = s.ProcessImage = true; }},
                    JobCase{"text_and_picture_over_the_edges",
                            [](EffectSettings& s) {
                                s.TextLeft = 100;
                                s.TextTop = 40;
                                s.ImageLeft = -10;
                                s.ImageTop = 40;
                                s.WatermarkFont.Italic = s.WatermarkFont.Underline = true;
                            }},
                    JobCase{"exposure_only",
                            [](EffectSettings& s) {
                                s.Brightness = s.Saturation = 255;
                                s.Contrast = 0;
                                s.WatermarkText.clear();
                                s.WatermarkImage.clear();
                            }}),
    [](const auto& info) { return std::string(info.param.name); });

// The picture is kept between frames only while its file stays the same: a picture rewritten,
// replaced or removed on disk shows in the very next frame.
TEST_F(TempFiles, JobRendererFollowsThePictureFile) {
    const std::string path = Path("logo.bmp");
    auto write = [&](int width, Bgr colour) {
        WriteBmp(path, width, 4, 24, [=](int, int) { return colour; });
    };
    EffectSettings s;
    s.WatermarkImage = path;
    s.ImageAlpha = 255;
    TJobEffectsRenderer renderer(s);
    auto render = [&](std::string* error = nullptr) {
        GuardedFrame frame(8, 4, {0, 0, 0});
        EXPECT_EQ(renderer.Render(frame.View(), error), error == nullptr);
        return frame.At(0, 0);
    };
    // Blended at opacity 255 over black: 255 * c / 256.
    write(4, {0, 0, 255});
    EXPECT_EQ(render(), (Bgr{0, 0, 254}));
    EXPECT_EQ(render(), (Bgr{0, 0, 254}));

    write(5, {255, 0, 0}); // another size
    EXPECT_EQ(render(), (Bgr{254, 0, 0}));

    write(5, {0, 255, 0}); // the same size, saved later
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(2));
    EXPECT_EQ(render(), (Bgr{0, 254, 0}));

    const std::string other = Path("other.bmp");
    WriteBmp(other, 5, 4, 24, [](int, int) { return Bgr{255, 255, 255}; });
    std::filesystem::rename(other, path); // replaced by another file
    EXPECT_EQ(render(), (Bgr{254, 254, 254}));

    std::filesystem::remove(path);
    for (int frame = 0; frame < 2; ++frame) {
        std::string error;
        render(&error);
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    write(4, {0, 0, 255});
    EXPECT_EQ(render(), (Bgr{0, 0, 254}));
}

// --- PNG pictures ------------------------------------------------------------------------------

TEST_F(TempFiles, PngPicturesBlendWithTheirOwnOpacity) {
    // Three pixels: opaque red, half-transparent red, transparent red.
    QImage png(3, 1, QImage::Format_ARGB32);
    png.setPixel(0, 0, qRgba(255, 0, 0, 255));
    png.setPixel(1, 0, qRgba(255, 0, 0, 128));
    png.setPixel(2, 0, qRgba(255, 0, 0, 0));
    ASSERT_TRUE(png.save(QString::fromStdString(Path("logo.png")), "PNG"));
    struct TCase {
        int style, alpha;
        Bgr opaque, half; // the third pixel always keeps the frame's grey
    };
    const TCase cases[] = {
        {1, 255, {0, 0, 254}, {50, 50, 177}}, // mixed by the pixel's opacity, as BMP pictures are
        {1, 128, {50, 50, 177}, {75, 75, 138}},
        {2, 168, {0, 0, 100}, {49, 49, 100}}, // multiplied, the slider's opacity not used
    };
    for (const TCase& c : cases) {
        GuardedFrame frame(4, 2, {100, 100, 100});
        EffectSettings s;
        s.WatermarkImage = Path("logo.png");
        s.ImageLeft = 1;
        s.ImageAlpha = c.alpha;
        s.TransparentStyle = c.style;
        std::string error;
        ASSERT_TRUE(RenderJobEffects(frame.View(), s, &error)) << error;
        SCOPED_TRACE(std::to_string(c.style) + "/" + std::to_string(c.alpha));
        EXPECT_EQ(frame.At(0, 0), (Bgr{100, 100, 100}));
        EXPECT_EQ(frame.At(1, 0), c.opaque);
        EXPECT_EQ(frame.At(2, 0), c.half);
        EXPECT_EQ(frame.At(3, 0), (Bgr{100, 100, 100}));
        EXPECT_EQ(frame.At(1, 1), (Bgr{100, 100, 100})) << "below the picture";
    }
}

} // namespace
} // namespace orvel
