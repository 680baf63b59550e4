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
    EXPECT_FALSE(r.Effects().HasEffects());
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

TEST(JobEffects, TakesEveryEffectFieldOfTheJob) {
    EXPECT_FALSE(TlvFilesRecord{}.Effects().HasEffects());

    TlvFilesRecord r;
    r.WatermarkText = "text";
    r.WatermarkFont = TWatermarkFont{"Serif", 20, 0x123456, true, false, true, false};
    r.TextLeft = 1;
    r.TextTop = 2;
    r.TextHorzPos = 90;
    r.WatermarkImage = "/pictures/logo.bmp";
    r.ImageLeft = 3;
    r.ImageTop = 4;
    r.ImageVertPos = 91;
    r.ImageAlpha = 5;
    r.TransparentStyle = 2;
    r.Brightness = 6;
    r.Contrast = 7;
    r.Saturation = 8;
    r.Exposure = 9;
    r.ProcessText = true;
    r.ProcessImage = true;
    r.CropTop = 10;
    const EffectSettings want{6, 7, 8, 9,    "text", r.WatermarkFont, 1, 2, "/pictures/logo.bmp", 3,
                              4, 5, 2, true, true};
    EXPECT_EQ(r.Effects(), want);
}

// The batch controller switches the hook on, and the hook draws, only for a job whose values
// change a frame.
TEST(JobEffects, ActivityTests) {
    struct Case {
        const char* name;
        void (*edit)(TlvFilesRecord&);
        bool color, exposure, text, picture;
    };
    const Case cases[] = {
        {"brightness 256", [](TlvFilesRecord& r) { r.Brightness = 256; }, true, false, false, false},
        {"brightness 0", [](TlvFilesRecord& r) { r.Brightness = 0; }, true, false, false, false},
        {"contrast", [](TlvFilesRecord& r) { r.Contrast = -3; }, true, false, false, false},
        {"saturation", [](TlvFilesRecord& r) { r.Saturation = 254; }, true, false, false, false},
        {"exposure", [](TlvFilesRecord& r) { r.Exposure = 1; }, false, true, false, false},
        {"text", [](TlvFilesRecord& r) { r.WatermarkText = "(c)"; }, false, false, true, false},
        {"picture", [](TlvFilesRecord& r) { r.WatermarkImage = "/l.png"; }, false, false, false, true},
        // Positions, alpha, style and the process flags alone change nothing on a frame.
        {"inactive fields",
         [](TlvFilesRecord& r) {
             r.ImageAlpha = 10;
             r.TransparentStyle = 2;
             r.TextLeft = 5;
             r.ProcessText = r.ProcessImage = true;
             r.WatermarkFont.Bold = true;
         },
         false, false, false, false},
    };
    for (const Case& c : cases) {
        TlvFilesRecord record;
        c.edit(record);
        const EffectSettings r = record.Effects();
        EXPECT_EQ(r.ColorAdjustActive(), c.color) << c.name;
        EXPECT_EQ(r.ExposureActive(), c.exposure) << c.name;
        EXPECT_EQ(r.TextActive(), c.text) << c.name;
        EXPECT_EQ(r.PictureActive(), c.picture) << c.name;
        EXPECT_EQ(r.HasEffects(), c.color || c.exposure || c.text || c.picture) << c.name;
    }
}
