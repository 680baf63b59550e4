// Full-range sources (JPEG pictures, phone video) converted to a limited-range output: blacks
// and whites arrive where they were shown, whether the source says its range by its pixel
// format or by a mark on the stream, and whether the hook drew on the pictures or not.
#include "TranscodeSupport.h"
#include "engine/pictures/BitmapConverter.h"

#include <gtest/gtest.h>

namespace orvel {
namespace {

using testing::Convert;
using testing::DecodeAll;
using testing::OutPath;

struct RangeSource {
    const char* name;
    const char* container;
    const char* codec;
    const char* pixelFormat;
    bool markedFull;
    bool hook;
};

std::ostream& operator<<(std::ostream& os, const RangeSource& c) {
    return os << c.name;
}

class FullRangeConversion : public ::testing::TestWithParam<RangeSource> {};

TEST_P(FullRangeConversion, BarsKeepTheirLevels) {
    const RangeSource& c = GetParam();
    fixtures::ClipRecipe recipe;
    recipe.container = c.container;
    recipe.videoCodec = c.codec;
    recipe.pixelFormat = c.pixelFormat;
    recipe.fullRange = c.markedFull;
    recipe.audioCodec.clear();
    recipe.seconds = 0.2;
    const std::string output = OutPath(std::string("range-") + c.name + ".avi");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    if (c.hook)
        // A small mark in the top rows: their band goes back through the hook's conversion.
        task.OnHook = [](TCustomFFmpeg&, THookInfo& info) {
            for (int y = 0; y < 4; ++y)
                std::fill_n(info.Bitmap->Row(y), 4 * 3, 128);
        };
    ASSERT_NO_THROW(
        Convert(task, {fixtures::Generate(recipe)}, {}, output, {{"vcodec", "mpeg4"}, {"qscale", "2"}}));
    TBitmapConverter converter;
    Bitmap24 bitmap;
    bool judged = false;
    DecodeAll(output, AVMEDIA_TYPE_VIDEO, [&](const AVFrame* frame) {
        if (judged) return;
        judged = true;
        ASSERT_TRUE(converter.PictureToBitmap(frame, bitmap));
        // Each bar's middle in a row of the hook's band and in one far below it.
        for (const int y : {8, 200})
            for (int bar = 0; bar < 8; ++bar) {
                const int x = bar * 40 + 20;
                const auto want = fixtures::ExpectedBgr(0, x, y, 320, 240);
                const uint8_t* got = bitmap.Row(y) + x * 3;
                for (int ch = 0; ch < 3; ++ch)
                    EXPECT_NEAR(got[ch], want[ch], 10) << "bar " << bar << " row " << y << " channel " << ch;
            }
    });
    EXPECT_TRUE(judged);
}

INSTANTIATE_TEST_SUITE_P(
    Engine, FullRangeConversion,
    ::testing::Values(RangeSource{"Mjpeg", "avi", "mjpeg", "yuvj420p", false, false},
                      RangeSource{"MjpegHooked", "avi", "mjpeg", "yuvj420p", false, true},
                      RangeSource{"Vp9MarkedFull", "webm", "libvpx-vp9", "", true, false},
                      RangeSource{"Vp9MarkedFullHooked", "webm", "libvpx-vp9", "", true, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orvel
