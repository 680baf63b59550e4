#include "batch/lvFilesRecord.h"
#include "editing/effects/EffectsRenderer.h"

#include <gtest/gtest.h>

#include <limits>

using namespace orvel;

TEST(lvFilesRecordTest, NewJobHasTheCreationValuesAndNoEffects) {
    const TlvFilesRecord r = NewFilesRecord(1, "/v/clip.avi", "/out/clip_(new)_ipod.mp4", 61'999'999, "pan");
    EXPECT_EQ(r.AddIndex, 1);
    EXPECT_EQ(r.SourceFile, "/v/clip.avi");
    EXPECT_EQ(r.DestFile, "/out/clip_(new)_ipod.mp4");
    EXPECT_EQ(r.DurationSec, 61);
    EXPECT_EQ(r.TrimStart, 0);
    EXPECT_EQ(r.TrimLength, 0);
    EXPECT_EQ(r.ZoomMode, "pan");
    for (int v : {r.CropTop, r.CropLeft, r.CropBottom, r.CropRight, r.CropUpInput, r.CropLeftInput,
                  r.CropDownInput, r.CropRightInput, r.TextLeft, r.TextTop, r.TextHorzPos, r.TextVertPos,
                  r.ImageLeft, r.ImageTop, r.ImageHorzPos, r.ImageVertPos, r.Contrast, r.Exposure})
        EXPECT_EQ(v, 0);
    EXPECT_EQ(r.WatermarkText, "");
    EXPECT_EQ(r.WatermarkImage, "");
    EXPECT_EQ(r.WatermarkFont, TWatermarkFont{});
    EXPECT_EQ(r.WatermarkFont.Name, "MS Sans Serif");
    EXPECT_EQ(r.WatermarkFont.Size, 8);
    EXPECT_EQ(r.WatermarkFont.Color, 0u);
    EXPECT_EQ(r.ImageAlpha, 168);
    EXPECT_EQ(r.TransparentStyle, 1);
    EXPECT_EQ(r.Brightness, 255);
    EXPECT_EQ(r.Saturation, 255);
    EXPECT_FALSE(r.ProcessText);
    EXPECT_FALSE(r.ProcessImage);
    EXPECT_FALSE(EffectSettings::FromRecord(r).HasEffects());
}

TEST(lvFilesRecordTest, DurationIsWholeSecondsAndNeverWraps) {
    struct Case {
        int64_t us;
        int sec;
    };
    for (const Case& c : {Case{0, 0}, Case{999'999, 0}, Case{1'000'000, 1}, Case{7'500'000, 7}, Case{-1, 0},
                          Case{std::numeric_limits<int64_t>::min(), 0},
                          Case{std::numeric_limits<int64_t>::max(), std::numeric_limits<int>::max()}})
        EXPECT_EQ(DurationSecFromMicroseconds(c.us), c.sec) << c.us;
}

TEST(lvFilesRecordTest, ProcessFlagsPlaceTheEffectsStep) {
    using S = TLayerStep;
    struct Case {
        bool text, image;
        TLayerOrder order;
    };
    for (const Case& c : {Case{true, false, {S::Text, S::Effects, S::Picture}},
                          Case{false, true, {S::Picture, S::Effects, S::Text}},
                          Case{true, true, {S::Text, S::Picture, S::Effects}},
                          Case{false, false, {S::Effects, S::Text, S::Picture}}}) {
        TlvFilesRecord r;
        r.ProcessText = c.text;
        r.ProcessImage = c.image;
        EXPECT_EQ(r.Layers(), c.order) << c.text << c.image;
    }
}

TEST(lvFilesRecordTest, TaskItemsMapTasksToCheckedRows) {
    TTaskItems items;
    items.Build({false, true, true, false, true});
    EXPECT_EQ(items.Rows(), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(items.RowOf(0), 1);
    EXPECT_EQ(items.RowOf(2), 4);
    EXPECT_EQ(items.RowOf(3), -1);
    EXPECT_EQ(items.RowOf(-1), -1);
    items.Build({false, false});
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(items.RowOf(0), -1);
}
