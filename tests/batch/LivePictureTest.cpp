// The live picture's fit rule and drawing.
#include "batch/LivePicture.h"

#include <gtest/gtest.h>

using namespace orvel;

namespace {

TEST(LivePicture, FitRuleBarsRoundHalfToEven) {
    struct Case {
        int w, h;
        TFitRect fit;
    };
    const std::vector<Case> cases = {
        {1920, 1080, {8, 0, 373, 210}}, // 7.83 -> 8
        {640, 480, {54, 0, 281, 210}},  // 54.5 -> 54
        {778, 420, {0, 0, 389, 210}},   // same proportions: no bars
        {1000, 100, {0, 86, 389, 38}},  // wider: bars above and below (85.55 -> 86)
        {0, 480, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitIntoArea(c.w, c.h, kLivePictureWidth, kLivePictureHeight), c.fit) << c.w << "x" << c.h;
    // 55.5 -> 56: halves go to the even neighbour both ways.
    EXPECT_EQ(FitIntoArea(2, 2, 113, 2).Left, 56);
}

TEST(LivePicture, FrameDrawnInsideLightBlueBars) {
    Bitmap24 frame(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            uint8_t* p = frame.Row(y) + x * 3;
            p[0] = 0, p[1] = 0, p[2] = 255; // red
        }
    const QImage picture = LivePicture(frame);
    ASSERT_EQ(picture.size(), QSize(389, 210));
    EXPECT_EQ(picture.pixelColor(53, 100), kLivePictureBackground);
    EXPECT_EQ(picture.pixelColor(56, 100), QColor(255, 0, 0));
    EXPECT_EQ(picture.pixelColor(332, 100), QColor(255, 0, 0));
    EXPECT_EQ(picture.pixelColor(336, 100), kLivePictureBackground);
    const QImage empty = LivePicture(Bitmap24());
    EXPECT_EQ(empty.pixelColor(194, 105), kLivePictureBackground);
}

} // namespace
