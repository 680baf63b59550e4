// Our BGR24 -> YUV 4:2:0 converter against the scaler library's conversion of the same bitmap,
// byte for byte, whole and band by band.
#include "engine/pictures/BgrToYuv420.h"
#include "PictureTestSupport.h"
#include "engine/pictures/BitmapConverter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

extern "C" {
#include <libswscale/swscale.h>
}

namespace orvel {
namespace {

using testing::AllocFrame;

// Noise over every byte value, with a row of the extreme colours, where rounding and the weights'
// signs show most.
void PaintNoise(Bitmap24& bmp, int width, int height, uint32_t seed) {
    bmp.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x) {
            seed = seed * 1664525u + 1013904223u;
            bmp.Row(y)[x] = static_cast<uint8_t>(seed >> 24);
        }
    for (int x = 0; x < width; ++x)
        for (int k = 0; k < 3; ++k)
            bmp.Row(height / 2)[x * 3 + k] = ((x >> k) & 1) ? 255 : 0;
}

FramePtr ByScaler(const Bitmap24& bmp) {
    FramePtr frame = AllocFrame(AV_PIX_FMT_YUV420P, bmp.Width(), bmp.Height());
    TCachedScaler scaler;
    EXPECT_TRUE(CachedScaler(scaler, bmp.Width(), bmp.Height(), AV_PIX_FMT_BGR24, bmp.Width(), bmp.Height(),
                             AV_PIX_FMT_YUV420P));
    const uint8_t* src[4] = {bmp.Bits(), nullptr, nullptr, nullptr};
    const int lines[4] = {bmp.Stride(), 0, 0, 0};
    sws_scale(scaler.get(), src, lines, 0, bmp.Height(), frame->data, frame->linesize);
    return frame;
}

// First differing byte of the three planes, or "" when they are equal.
std::string FirstDifference(const AVFrame* a, const AVFrame* b) {
    for (int p = 0; p < 3; ++p) {
        const int rows = p == 0 ? a->height : (a->height + 1) / 2;
        const int bytes = p == 0 ? a->width : (a->width + 1) / 2;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < bytes; ++x)
                if (a->data[p][y * a->linesize[p] + x] != b->data[p][y * b->linesize[p] + x])
                    return "plane " + std::to_string(p) + " at (" + std::to_string(x) + ", " +
                           std::to_string(y) + ")";
    }
    return "";
}

TEST(BgrToYuv420, GivesTheScalersBytesWholeAndBandByBand) {
    if (!BgrToYuv420Handles(AV_PIX_FMT_YUV420P, 2)) GTEST_SKIP() << "the converter needs x86-64 with AVX2";
    // Heights of 1 to 5 rows meet the first and last row pairs; widths not a multiple of 16 or 32
    // end in the per-pixel tail.
    const struct {
        int width, height;
    } sizes[] = {{2, 1},   {2, 2},   {4, 3},  {6, 4},  {8, 5},     {16, 16},   {18, 7},    {30, 12},
                 {34, 33}, {48, 20}, {62, 9}, {96, 2}, {320, 240}, {322, 241}, {1282, 722}};
    for (const auto& size : sizes) {
        const std::string name = std::to_string(size.width) + "x" + std::to_string(size.height);
        Bitmap24 bmp;
        PaintNoise(bmp, size.width, size.height, static_cast<uint32_t>(size.width * 977 + size.height));
        const FramePtr expected = ByScaler(bmp);
        for (const int band : {size.height, 16, 2}) {
            FramePtr ours = AllocFrame(AV_PIX_FMT_YUV420P, size.width, size.height);
            for (int top = 0; top < size.height; top += band)
                BgrToYuv420Rows(bmp.Bits(), bmp.Stride(), size.width, size.height, top, band, ours->data,
                                ours->linesize);
            EXPECT_EQ(FirstDifference(ours.get(), expected.get()), "") << name << " in bands of " << band;
        }
    }
}

TEST(BgrToYuv420, LeavesOddWidthsAndOtherFormatsToTheScaler) {
    EXPECT_FALSE(BgrToYuv420Handles(AV_PIX_FMT_YUV420P, 161));
    EXPECT_FALSE(BgrToYuv420Handles(AV_PIX_FMT_YUVJ420P, 160));
    EXPECT_FALSE(BgrToYuv420Handles(AV_PIX_FMT_NV12, 160));
    EXPECT_FALSE(BgrToYuv420Handles(AV_PIX_FMT_YUV420P, 0));
}

} // namespace
} // namespace orvel
