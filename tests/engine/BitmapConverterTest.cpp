#include "engine/pictures/BitmapConverter.h"
#include "PictureTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace orvel {
namespace {

using testing::AllocFrame;

struct Bgr {
    uint8_t b, g, r;
};
// Eight flat vertical bars: large areas of one colour survive chroma subsampling.
const Bgr kBars[] = {{235, 235, 235}, {16, 235, 235}, {235, 235, 16}, {16, 235, 16},
                     {235, 16, 235},  {16, 16, 235},  {235, 16, 16},  {16, 16, 16}};

void PaintBars(Bitmap24& bmp, int width, int height) {
    bmp.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Bgr& c = kBars[x * 8 / width];
            uint8_t* p = bmp.Row(y) + x * 3;
            p[0] = c.b, p[1] = c.g, p[2] = c.r;
        }
}

// Compares the middle of each bar, away from the blurred edges between bars.
void ExpectBars(const Bitmap24& bmp, int tolerance) {
    for (int bar = 0; bar < 8; ++bar) {
        const int x = bmp.Width() * (2 * bar + 1) / 16;
        for (int y : {0, bmp.Height() / 2, bmp.Height() - 1}) {
            const uint8_t* p = bmp.Row(y) + x * 3;
            EXPECT_LE(std::abs(p[0] - kBars[bar].b), tolerance) << "bar " << bar << " y " << y;
            EXPECT_LE(std::abs(p[1] - kBars[bar].g), tolerance) << "bar " << bar << " y " << y;
            EXPECT_LE(std::abs(p[2] - kBars[bar].r), tolerance) << "bar " << bar << " y " << y;
        }
    }
}

TEST(BitmapConverter, RoundTripThroughOtherFormatsKeepsThePicture) {
    const struct {
        AVPixelFormat format;
        int width, height;
        int tolerance;
    } cases[] = {
        {AV_PIX_FMT_YUV420P, 320, 240, 6}, {AV_PIX_FMT_YUV420P, 161, 97, 6}, {AV_PIX_FMT_NV12, 64, 48, 6},
        {AV_PIX_FMT_RGB24, 33, 17, 0},     {AV_PIX_FMT_YUV444P, 48, 32, 4},  {AV_PIX_FMT_RGBA, 40, 30, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(av_get_pix_fmt_name(c.format) + std::string(" ") + std::to_string(c.width));
        Bitmap24 source;
        PaintBars(source, c.width, c.height);
        FramePtr frame = AllocFrame(c.format, c.width, c.height);
        TBitmapConverter conv;
        ASSERT_TRUE(conv.BitmapToPicture(source.View(), frame.get()));
        Bitmap24 back;
        ASSERT_TRUE(conv.PictureToBitmap(frame.get(), back));
        ASSERT_EQ(back.Width(), c.width);
        ASSERT_EQ(back.Height(), c.height);
        ExpectBars(back, c.tolerance);
    }
}

TEST(BitmapConverter, Bgr24FramesAreCopiedExactlyWhateverTheirLineSize) {
    // Odd width: the frame's padded line size differs from the bitmap's.
    for (int width : {64, 63}) {
        Bitmap24 source;
        PaintBars(source, width, 10);
        source.Row(3)[5] = 77;
        FramePtr frame = AllocFrame(AV_PIX_FMT_BGR24, width, 10);
        TBitmapConverter conv;
        ASSERT_TRUE(conv.BitmapToPicture(source.View(), frame.get()));
        ASSERT_TRUE(conv.PictureToBitmap(frame.get()));
        const Bitmap24& back = conv.Bitmap();
        for (int y = 0; y < 10; ++y)
            ASSERT_EQ(0, std::memcmp(back.Row(y), source.Row(y), width * 3)) << "row " << y;
    }
}

TEST(BitmapConverter, FollowsSizeAndFormatChangesBetweenFrames) {
    // A converter reused across a stream that changes size must not keep a stale scaler.
    TBitmapConverter conv;
    Bitmap24 bmp;
    const struct {
        AVPixelFormat format;
        int width, height;
    } frames[] = {{AV_PIX_FMT_YUV420P, 320, 240},
                  {AV_PIX_FMT_YUV420P, 320, 240},
                  {AV_PIX_FMT_YUV420P, 64, 32},
                  {AV_PIX_FMT_NV12, 640, 360},
                  {AV_PIX_FMT_YUV420P, 64, 32}};
    for (const auto& f : frames) {
        Bitmap24 source;
        PaintBars(source, f.width, f.height);
        FramePtr frame = AllocFrame(f.format, f.width, f.height);
        ASSERT_TRUE(conv.BitmapToPicture(source.View(), frame.get()));
        ASSERT_TRUE(conv.PictureToBitmap(frame.get(), bmp));
        ASSERT_EQ(bmp.Width(), f.width);
        ExpectBars(bmp, 6);
    }
}

TEST(BitmapConverter, StableSizeKeepsTheSameMemory) {
    TBitmapConverter conv;
    FramePtr frame = AllocFrame(AV_PIX_FMT_YUV420P, 128, 96);
    Bitmap24 source;
    PaintBars(source, 128, 96);
    ASSERT_TRUE(conv.BitmapToPicture(source.View(), frame.get()));
    ASSERT_TRUE(conv.PictureToBitmap(frame.get()));
    const uint8_t* bits = conv.Bitmap().Bits();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(conv.PictureToBitmap(frame.get()));
        EXPECT_EQ(conv.Bitmap().Bits(), bits);
    }
}

TEST(BitmapConverter, BitmapOfAnotherSizeIsScaledToTheFrame) {
    Bitmap24 source;
    PaintBars(source, 160, 120);
    FramePtr frame = AllocFrame(AV_PIX_FMT_YUV420P, 320, 240);
    TBitmapConverter conv;
    ASSERT_TRUE(conv.BitmapToPicture(source.View(), frame.get()));
    Bitmap24 back;
    ASSERT_TRUE(conv.PictureToBitmap(frame.get(), back));
    EXPECT_EQ(back.Width(), 320);
    ExpectBars(back, 8);
}

TEST(BitmapConverter, RefusesUnusablePictures) {
    TBitmapConverter conv;
    Bitmap24 bmp;
    PaintBars(bmp, 8, 8);
    FramePtr frame = AllocFrame(AV_PIX_FMT_YUV420P, 16, 16);
    EXPECT_FALSE(conv.PictureToBitmap(nullptr, bmp));
    EXPECT_FALSE(conv.PictureToBitmap(frame->data, frame->linesize, AV_PIX_FMT_NONE, 16, 16, bmp));
    EXPECT_FALSE(conv.PictureToBitmap(frame->data, frame->linesize, AV_PIX_FMT_YUV420P, 0, 16, bmp));
    // A hardware surface format has no pixels to read.
    EXPECT_FALSE(conv.PictureToBitmap(frame->data, frame->linesize, AV_PIX_FMT_VAAPI, 16, 16, bmp));
    EXPECT_EQ(bmp.Width(), 8) << "a refused picture leaves the bitmap alone";
    EXPECT_FALSE(conv.BitmapToPicture(BitmapView{}, frame.get()));
    FramePtr empty = MakeFrame();
    EXPECT_FALSE(conv.BitmapToPicture(bmp.View(), empty.get()));
}

} // namespace
} // namespace orvel
