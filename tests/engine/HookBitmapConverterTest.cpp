// The custom hook's conversions: what the handler gets, and that only what it changed goes back.
#include "engine/pictures/HookBitmapConverter.h"
#include "PictureTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace orvel {
namespace {

using testing::AllocFrame;

// Smooth gradients: any conversion of it stays within a few steps of it.
void PaintGradients(Bitmap24& bmp, int width, int height) {
    bmp.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = bmp.Row(y) + x * 3;
            p[0] = static_cast<uint8_t>(32 + x * 190 / width);
            p[1] = static_cast<uint8_t>(32 + y * 190 / height);
            p[2] = static_cast<uint8_t>(32 + (x + y) * 190 / (width + height));
        }
}

FramePtr Picture(AVPixelFormat format, int width, int height) {
    Bitmap24 source;
    PaintGradients(source, width, height);
    FramePtr frame = AllocFrame(format, width, height);
    TBitmapConverter conv;
    EXPECT_TRUE(conv.BitmapToPicture(source.View(), frame.get()));
    return frame;
}

// Rows of one plane of the picture, bytes that belong to pixels only.
struct PlaneRows {
    int rows;
    int bytes;
};
PlaneRows RowsOf(const AVFrame* f, int plane) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(f->format));
    const bool chroma = plane == 1 || plane == 2;
    const int rows = chroma ? AV_CEIL_RSHIFT(f->height, desc->log2_chroma_h) : f->height;
    int lines[4] = {};
    av_image_fill_linesizes(lines, static_cast<AVPixelFormat>(f->format), f->width);
    return {rows, lines[plane]};
}

// Picture rows [top, bottom) of every plane equal between a and b.
bool SameRows(const AVFrame* a, const AVFrame* b, int top, int bottom) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(a->format));
    for (int p = 0; p < 4 && a->data[p]; ++p) {
        const int shift = (p == 1 || p == 2) ? desc->log2_chroma_h : 0;
        const PlaneRows r = RowsOf(a, p);
        for (int y = top >> shift; y < std::min(r.rows, AV_CEIL_RSHIFT(bottom, shift)); ++y)
            if (std::memcmp(a->data[p] + y * a->linesize[p], b->data[p] + y * b->linesize[p], r.bytes) != 0)
                return false;
    }
    return true;
}

FramePtr Clone(const AVFrame* f) {
    FramePtr copy = AllocFrame(static_cast<AVPixelFormat>(f->format), f->width, f->height);
    EXPECT_EQ(av_frame_copy(copy.get(), f), 0);
    return copy;
}

void Fill(Bitmap24& bmp, int left, int top, int width, int height, uint8_t b, uint8_t g, uint8_t r) {
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x) {
            uint8_t* p = bmp.Row(y) + x * 3;
            p[0] = b, p[1] = g, p[2] = r;
        }
}

struct Case {
    AVPixelFormat format;
    int width, height;
    int tolerance = 6; // chroma subsampling and rounding
};
// Odd sizes leave a last band of 1 row (97) or of an odd height; BGR24 is copied, not scaled.
const Case kCases[] = {{AV_PIX_FMT_YUV420P, 320, 240},   {AV_PIX_FMT_YUV420P, 161, 97, 8},
                       {AV_PIX_FMT_NV12, 64, 50},        {AV_PIX_FMT_YUV422P, 48, 40},
                       {AV_PIX_FMT_YUVA420P, 40, 36, 8}, {AV_PIX_FMT_BGR24, 63, 33},
                       {AV_PIX_FMT_RGBA, 40, 30},        {AV_PIX_FMT_YUV410P, 64, 44, 12}};

std::string Name(const Case& c) {
    std::string name = av_get_pix_fmt_name(c.format);
    name.append(" ").append(std::to_string(c.width)).append("x").append(std::to_string(c.height));
    return name;
}

TEST(HookBitmapConverter, BitmapShowsThePictureWhateverTheNumberOfThreads) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(Name(c));
        FramePtr frame = Picture(c.format, c.width, c.height);
        Bitmap24 expected;
        PaintGradients(expected, c.width, c.height);
        THookBitmapConverter one(1), three(3);
        ASSERT_TRUE(one.PictureToBitmap(frame.get()));
        ASSERT_TRUE(three.PictureToBitmap(frame.get()));
        const Bitmap24& got = three.Bitmap();
        ASSERT_EQ(got.Width(), c.width);
        ASSERT_EQ(got.Height(), c.height);
        int worst = 0;
        for (int y = 0; y < c.height; ++y) {
            ASSERT_EQ(0, std::memcmp(got.Row(y), one.Bitmap().Row(y), c.width * 3)) << "row " << y;
            // The scaler's own handling of an odd width's right edge is not checked (a whole
            // conversion errs more there).
            for (int x = 0; x < (c.width % 2 ? c.width - 2 : c.width) * 3; ++x)
                worst = std::max(worst, std::abs(got.Row(y)[x] - expected.Row(y)[x]));
        }
        EXPECT_LE(worst, c.tolerance);
    }
}

TEST(HookBitmapConverter, UntouchedBitmapLeavesTheSharedPictureAlone) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(Name(c));
        FramePtr decoded = Picture(c.format, c.width, c.height);
        FramePtr before = Clone(decoded.get());
        FramePtr frame = MakeFrame();
        ASSERT_EQ(av_frame_ref(frame.get(), decoded.get()), 0); // as a decoder's reference picture is
        THookBitmapConverter conv(2);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(conv.PictureToBitmap(frame.get()));
            ASSERT_TRUE(conv.BitmapToPicture(frame.get()));
        }
        EXPECT_EQ(frame->data[0], decoded->data[0]) << "no private copy was made";
        EXPECT_TRUE(SameRows(frame.get(), before.get(), 0, c.height));
    }
}

TEST(HookBitmapConverter, OnlyTheBandsOfAChangedAreaGoBack) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(Name(c));
        FramePtr decoded = Picture(c.format, c.width, c.height);
        FramePtr before = Clone(decoded.get());
        // A small box from row 17 to 24: band 16..31 only.
        const int top = 17, rows = 8, left = c.width / 4, width = c.width / 3;
        FramePtr byParts[2];
        int i = 0;
        for (int parts : {1, 2}) {
            FramePtr frame = MakeFrame();
            ASSERT_EQ(av_frame_ref(frame.get(), decoded.get()), 0);
            THookBitmapConverter conv(parts);
            ASSERT_TRUE(conv.PictureToBitmap(frame.get()));
            Fill(conv.Bitmap(), left, top, width, rows, 16, 16, 16);
            ASSERT_TRUE(conv.BitmapToPicture(frame.get()));
            EXPECT_NE(frame->data[0], decoded->data[0]) << "drawn on a private copy";
            EXPECT_TRUE(SameRows(decoded.get(), before.get(), 0, c.height))
                << "the shared picture is untouched";
            EXPECT_TRUE(SameRows(frame.get(), before.get(), 0, 16));
            EXPECT_TRUE(SameRows(frame.get(), before.get(), 32, c.height));
            EXPECT_FALSE(SameRows(frame.get(), before.get(), 16, 32));
            // The box itself arrived: read it back through a whole conversion.
            TBitmapConverter whole;
            Bitmap24 back;
            ASSERT_TRUE(whole.PictureToBitmap(frame.get(), back));
            const uint8_t* p = back.Row(top + rows / 2) + (left + width / 2) * 3;
            EXPECT_LE(p[1], 24);
            byParts[i++] = std::move(frame);
        }
        EXPECT_TRUE(SameRows(byParts[0].get(), byParts[1].get(), 0, c.height)) << "threads change nothing";
    }
}

// Colour effects redraw every pixel: each band must come back from its own rows of the bitmap,
// whatever the bitmap's row padding (odd widths) and the height of the last band.
TEST(HookBitmapConverter, AWhollyRedrawnBitmapComesBackInItsColours) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(Name(c));
        FramePtr frame = Picture(c.format, c.width, c.height);
        THookBitmapConverter conv(2);
        ASSERT_TRUE(conv.PictureToBitmap(frame.get()));
        Bitmap24& drawn = conv.Bitmap();
        // The gradients mirrored left to right and top to bottom: every row differs from before.
        Bitmap24 mirrored;
        PaintGradients(mirrored, c.width, c.height);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                std::memcpy(drawn.Row(y) + x * 3, mirrored.Row(c.height - 1 - y) + (c.width - 1 - x) * 3, 3);
        ASSERT_TRUE(conv.BitmapToPicture(frame.get()));
        TBitmapConverter whole;
        Bitmap24 back;
        ASSERT_TRUE(whole.PictureToBitmap(frame.get(), back));
        // The scaler's own handling of an odd width's last pixels is not checked: its converter
        // for whole pixel pairs leaves the pixel before the odd last pair several steps off.
        int worst = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < (c.width % 2 ? c.width - 3 : c.width) * 3; ++x)
                worst = std::max(worst, std::abs(back.Row(y)[x] - drawn.Row(y)[x]));
        EXPECT_LE(worst, c.tolerance);
    }
}

// Chroma from every pixel: the scalers' fast path averages four pixels for chroma except in the
// first and last two rows of a picture, where it takes one. Rows converted back in pieces, by one
// thread or by several, must come out as the whole picture converted at once.
TEST(HookBitmapConverter, ARedrawnPictureGoesBackAsAWholeConversionWould) {
    const int width = 320, height = 240;
    for (const int parts : {1, 3}) {
        FramePtr frame = Picture(AV_PIX_FMT_YUV420P, width, height);
        THookBitmapConverter conv(parts);
        ASSERT_TRUE(conv.PictureToBitmap(frame.get()));
        Bitmap24& drawn = conv.Bitmap();
        uint32_t seed = 12345;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width * 3; ++x) {
                seed = seed * 1664525u + 1013904223u;
                drawn.Row(y)[x] = static_cast<uint8_t>(seed >> 24);
            }
        FramePtr expected = AllocFrame(AV_PIX_FMT_YUV420P, width, height);
        TBitmapConverter whole;
        ASSERT_TRUE(whole.BitmapToPicture(drawn.View(), expected.get()));
        ASSERT_TRUE(conv.BitmapToPicture(frame.get()));
        EXPECT_TRUE(SameRows(frame.get(), expected.get(), 0, height)) << parts << " threads";
    }
}

TEST(HookBitmapConverter, DrawingOnSharedPicturesReusesItsWorkPictures) {
    FramePtr decoded = Picture(AV_PIX_FMT_YUV420P, 64, 48);
    THookBitmapConverter conv(2);
    FramePtr held; // the pipeline still holds the previous picture while the next one is drawn on
    std::vector<const uint8_t*> used;
    for (int i = 0; i < 12; ++i) {
        FramePtr frame = MakeFrame();
        ASSERT_EQ(av_frame_ref(frame.get(), decoded.get()), 0);
        frame->pts = i;
        ASSERT_TRUE(conv.PictureToBitmap(frame.get()));
        Fill(conv.Bitmap(), 0, 0, 8, 8, 0, 0, 0);
        ASSERT_TRUE(conv.BitmapToPicture(frame.get()));
        EXPECT_EQ(frame->pts, i) << "the frame keeps its properties";
        EXPECT_NE(frame->data[0], decoded->data[0]);
        used.push_back(frame->data[0]);
        held = std::move(frame);
    }
    std::sort(used.begin(), used.end());
    EXPECT_EQ(std::unique(used.begin(), used.end()) - used.begin(), 2) << "two pictures take turns";
}

TEST(HookBitmapConverter, ChangesInEveryBandAndAResizedBitmapGoBack) {
    FramePtr frame = Picture(AV_PIX_FMT_YUV420P, 161, 97);
    THookBitmapConverter conv(2);
    ASSERT_TRUE(conv.PictureToBitmap(frame.get()));
    Fill(conv.Bitmap(), 0, 0, 161, 97, 255, 255, 255);
    ASSERT_TRUE(conv.BitmapToPicture(frame.get()));
    for (int y : {0, 48, 96}) // the last band holds one row
        EXPECT_GE(frame->data[0][y * frame->linesize[0] + 80], 230) << "row " << y;
    // A handler may hand back a bitmap of another size: it is scaled to the picture.
    ASSERT_TRUE(conv.PictureToBitmap(frame.get()));
    conv.Bitmap().SetSize(40, 30);
    Fill(conv.Bitmap(), 0, 0, 40, 30, 0, 0, 0);
    ASSERT_TRUE(conv.BitmapToPicture(frame.get()));
    EXPECT_LE(frame->data[0][50 * frame->linesize[0] + 80], 24);
}

TEST(HookBitmapConverter, FollowsSizeChangesAndKeepsItsMemoryWhileTheSizeStays) {
    THookBitmapConverter conv(2);
    const Case frames[] = {{AV_PIX_FMT_YUV420P, 320, 240},
                           {AV_PIX_FMT_YUV420P, 64, 32},
                           {AV_PIX_FMT_NV12, 640, 360},
                           {AV_PIX_FMT_YUV420P, 64, 32}};
    for (const Case& c : frames) {
        SCOPED_TRACE(Name(c));
        FramePtr frame = Picture(c.format, c.width, c.height);
        FramePtr before = Clone(frame.get());
        ASSERT_TRUE(conv.PictureToBitmap(frame.get()));
        const uint8_t* bits = conv.Bitmap().Bits();
        EXPECT_EQ(conv.Bitmap().Width(), c.width);
        Fill(conv.Bitmap(), 0, c.height - 4, 8, 4, 0, 0, 0);
        ASSERT_TRUE(conv.BitmapToPicture(frame.get()));
        EXPECT_TRUE(SameRows(frame.get(), before.get(), 0, (c.height - 4) / 16 * 16));
        ASSERT_TRUE(conv.PictureToBitmap(frame.get()));
        EXPECT_EQ(conv.Bitmap().Bits(), bits);
    }
}

TEST(HookBitmapConverter, RefusesPicturesWithoutPixels) {
    THookBitmapConverter conv;
    FramePtr empty = MakeFrame();
    EXPECT_FALSE(conv.PictureToBitmap(nullptr));
    EXPECT_FALSE(conv.PictureToBitmap(empty.get()));
    FramePtr hw = AllocFrame(AV_PIX_FMT_YUV420P, 16, 16);
    hw->format = AV_PIX_FMT_VAAPI;
    EXPECT_FALSE(conv.PictureToBitmap(hw.get()));
    EXPECT_FALSE(conv.BitmapToPicture(empty.get()));
}

// Phones and JPEG pictures use the full 0..255 range, said by the pixel format or by the frame
// alone: the hook must see their blacks and whites as they are and write its drawing back in
// the same range, not clip them as if they were 16..235.
TEST(HookBitmapConverter, FullRangePicturesKeepTheirRangeBothWays) {
    struct RangeCase {
        const char* name;
        AVPixelFormat format;
        AVColorRange range;
        uint8_t dark, light;           // luma of the picture's top and bottom halves
        uint8_t drawnDark, drawnLight; // luma of grey 8 and grey 247 drawn by the hook
    };
    const RangeCase cases[] = {
        {"yuvj420p", AV_PIX_FMT_YUVJ420P, AVCOL_RANGE_UNSPECIFIED, 4, 250, 8, 247},
        {"yuv420p marked full", AV_PIX_FMT_YUV420P, AVCOL_RANGE_JPEG, 4, 250, 8, 247},
        {"yuv422p marked full", AV_PIX_FMT_YUV422P, AVCOL_RANGE_JPEG, 4, 250, 8, 247},
        {"yuv420p limited", AV_PIX_FMT_YUV420P, AVCOL_RANGE_MPEG, 20, 231, 23, 228},
    };
    const int width = 64, height = 64;
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        FramePtr frame = AllocFrame(c.format, width, height);
        frame->color_range = c.range;
        const int chromaRows = c.format == AV_PIX_FMT_YUV422P ? height : height / 2;
        for (int y = 0; y < height; ++y)
            std::memset(frame->data[0] + y * frame->linesize[0], y < height / 2 ? c.dark : c.light, width);
        for (int p = 1; p <= 2; ++p)
            for (int y = 0; y < chromaRows; ++y)
                std::memset(frame->data[p] + y * frame->linesize[p], 128, width / 2);
        THookBitmapConverter conv(2);
        ASSERT_TRUE(conv.PictureToBitmap(frame.get()));
        Bitmap24& bmp = conv.Bitmap();
        EXPECT_NEAR(bmp.Row(4)[30], 5, 2) << "black as shown";
        EXPECT_NEAR(bmp.Row(60)[30], 250, 2) << "white as shown";

        Fill(bmp, 0, 0, width, 8, 8, 8, 8);
        Fill(bmp, 0, height - 8, width, 8, 247, 247, 247);
        ASSERT_TRUE(conv.BitmapToPicture(frame.get()));
        EXPECT_NEAR(frame->data[0][2 * frame->linesize[0] + 10], c.drawnDark, 2);
        EXPECT_NEAR(frame->data[0][(height - 2) * frame->linesize[0] + 10], c.drawnLight, 2);
    }
}

} // namespace
} // namespace orvel
