// Pictures a phone stores lying, with the turn a player gives them in the display matrix: the
// output holds them upright, cropped and sized as shown, with no matrix to turn them again; a
// copied stream keeps its matrix.
#include "TranscodeSupport.h"
#include "engine/pictures/BitmapConverter.h"
#include "engine/pictures/PictureTurner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace orvel {
namespace {

using testing::Convert;
using testing::DecodeAll;
using testing::OutPath;

constexpr int kStoredW = 320, kStoredH = 240;
constexpr int kMark = 16; // side of the hook's mark

std::string TurnedClip(int rotation) {
    fixtures::ClipRecipe recipe;
    recipe.audioCodec.clear();
    recipe.seconds = 0.4;
    recipe.rotation = rotation;
    return fixtures::Generate(recipe);
}

int RotationOfVideo(const std::string& path) {
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0) return -1;
    int rotation = -1;
    if (avformat_find_stream_info(ctx, nullptr) >= 0) {
        const int index = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (index >= 0) rotation = DisplayRotation(ctx->streams[index]);
    }
    avformat_close_input(&ctx);
    return rotation;
}

struct Turn {
    int rotation;
    int cropTop; // in the shown picture's rows
    int width, height;
};

std::ostream& operator<<(std::ostream& os, const Turn& t) {
    return os << t.rotation << "deg-crop" << t.cropTop;
}

class UprightPictures : public ::testing::TestWithParam<Turn> {};

TEST_P(UprightPictures, OutputShowsThePictureAsAPlayerDoes) {
    const Turn turn = GetParam();
    const std::string output =
        OutPath("upright-" + std::to_string(turn.rotation) + "-" + std::to_string(turn.cropTop) + ".mp4");
    TCustomFFmpeg task;
    testing::Options options{{"vcodec", "mpeg4"}, {"qscale", "2"}};
    if (turn.cropTop > 0) options.push_back({"croptop", std::to_string(turn.cropTop)});
    // The hook draws on the upright picture: a grey mark in its bottom left corner, where a
    // player shows it.
    int hookW = 0, hookH = 0;
    task.OnHook = [&](TCustomFFmpeg&, THookInfo& info) {
        Bitmap24& b = *info.Bitmap;
        hookW = b.Width();
        hookH = b.Height();
        for (int y = b.Height() - kMark; y < b.Height(); ++y)
            std::fill_n(b.Row(y), kMark * 3, 128);
    };
    ASSERT_NO_THROW(Convert(task, {TurnedClip(turn.rotation)}, {}, output, options));
    EXPECT_EQ(hookW, turn.width);
    EXPECT_EQ(hookH, turn.height + turn.cropTop);

    EXPECT_EQ(RotationOfVideo(output), 0) << "an upright output must not be turned again";
    TBitmapConverter converter;
    Bitmap24 bitmap;
    int frames = 0, judged = 0, wrong = 0;
    DecodeAll(output, AVMEDIA_TYPE_VIDEO, [&](const AVFrame* frame) {
        if (frames++ > 0) return;
        EXPECT_EQ(frame->width, turn.width);
        EXPECT_EQ(frame->height, turn.height);
        ASSERT_TRUE(converter.PictureToBitmap(frame, bitmap));
        for (int v = 2; v < bitmap.Height(); v += 7)
            for (int u = 2; u < bitmap.Width(); u += 7) {
                if (u < kMark + 6 && v >= bitmap.Height() - kMark - 6) continue;
                int x = 0, y = 0;
                fixtures::StoredPoint(turn.rotation, u, v + turn.cropTop, kStoredW, kStoredH, x, y);
                if (!fixtures::ClearOfEdges(0, x, y, kStoredW, kStoredH, 6)) continue;
                const auto want = fixtures::ExpectedBgr(0, x, y, kStoredW, kStoredH);
                const uint8_t* got = bitmap.Row(v) + u * 3;
                ++judged;
                for (int c = 0; c < 3; ++c)
                    if (std::abs(got[c] - want[c]) > 40) {
                        ++wrong;
                        break;
                    }
            }
        const uint8_t* mark = bitmap.Row(bitmap.Height() - kMark / 2) + kMark / 2 * 3;
        EXPECT_NEAR(mark[0], 128, 20) << "the hook's mark";
    });
    ASSERT_GT(frames, 0);
    EXPECT_GT(judged, 300);
    EXPECT_EQ(wrong, 0) << "of " << judged << " points";
}

INSTANTIATE_TEST_SUITE_P(Engine, UprightPictures,
                         ::testing::Values(Turn{90, 0, kStoredH, kStoredW}, Turn{180, 0, kStoredW, kStoredH},
                                           Turn{270, 0, kStoredH, kStoredW},
                                           Turn{90, 40, kStoredH, kStoredW - 40}),
                         [](const auto& info) {
                             return "Turned" + std::to_string(info.param.rotation) + "Crop" +
                                    std::to_string(info.param.cropTop);
                         });

TEST(UprightPictures, CopiedStreamKeepsItsTurn) {
    const std::string output = OutPath("upright-copy.mp4");
    TCustomFFmpeg task;
    ASSERT_NO_THROW(Convert(task, {TurnedClip(90)}, {}, output, {{"vcodec", "copy"}}));
    EXPECT_EQ(RotationOfVideo(output), 90);
}

} // namespace
} // namespace orvel
