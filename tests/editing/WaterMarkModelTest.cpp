#include "editing/WaterMarkModel.h"

#include <gtest/gtest.h>

#include <array>

using namespace orvel;

namespace {

const std::vector<std::string> kFonts{"DejaVu Sans", "DejaVu Serif", "Liberation Mono"};

TWaterMarkModel Opened(const TlvFilesRecord& job, int w = 720, int h = 576) {
    TWaterMarkModel model;
    model.FormShow(job, kFonts);
    model.FileOpen(60'000'000, w, h, 364);
    model.AfterOpen();
    return model;
}

TlvFilesRecord Stored(const TWaterMarkModel& model, TlvFilesRecord job = {}) {
    model.ApplyTo(job);
    return job;
}

} // namespace

TEST(WaterMarkModelTest, TextPlacedByPercentOfTheFrame) {
    TWaterMarkModel model = Opened({});
    EXPECT_FALSE(model.View().TextSlidersEnabled);
    model.SetTextHoriz(50); // an absent text's sliders do not move
    EXPECT_EQ(model.View().TextHoriz, 0);
    model.SetText("Orvel");
    model.SetTextHoriz(50);
    model.SetTextVert(33);
    model.SetFontSize(24);
    model.SetColorIndex(9); // Red
    model.SetStyle(TWaterMarkModel::TStyle::Bold, true);
    const TlvFilesRecord job = Stored(model);
    EXPECT_EQ(job.WatermarkText, "Orvel");
    EXPECT_EQ(job.TextLeft, 360);
    EXPECT_EQ(job.TextHorzPos, 50);
    EXPECT_EQ(job.TextTop, 190); // 576 * 0.33 = 190.08
    EXPECT_EQ(job.TextVertPos, 33);
    TWatermarkFont font;
    font.Name = "DejaVu Sans";
    font.Size = 24;
    font.Color = 0x0000FF;
    font.Bold = true;
    EXPECT_EQ(job.WatermarkFont, font);
    EXPECT_EQ(model.Settings().WatermarkFont, font);
    EXPECT_EQ(model.Settings().TextLeft, 360);

    // The empty text stores an empty text; its positions fall to 0.
    model.ClearText();
    const TlvFilesRecord cleared = Stored(model);
    EXPECT_EQ(cleared.WatermarkText, "");
    EXPECT_EQ((std::array{cleared.TextLeft, cleared.TextHorzPos, cleared.TextTop}), (std::array{0, 0, 0}));
}

TEST(WaterMarkModelTest, OpeningRestoresTheJob) {
    TlvFilesRecord job;
    job.SourceFile = "/media/clip.avi";
    job.WatermarkText = "Hello";
    job.WatermarkFont.Name = "Not Installed";
    job.WatermarkFont.Size = 90;
    job.WatermarkFont.Color = 0x123456;
    job.WatermarkFont.Italic = true;
    job.TextHorzPos = 20;
    job.TextVertPos = -3;
    job.WatermarkImage = "/media/logo.bmp";
    job.ImageHorzPos = 70;
    job.ImageVertPos = 10;
    job.ImageAlpha = 200;
    job.TransparentStyle = 7;
    job.Brightness = 400;
    job.Contrast = -20;
    job.Saturation = 100;
    job.Exposure = 30;
    job.ProcessImage = true;
    const TWaterMarkModel model = Opened(job, 640, 480);
    const TWaterMarkView& v = model.View();
    EXPECT_EQ(v.Title, "Water Mark  /media/clip.avi");
    EXPECT_EQ(v.TextVert, 0);
    EXPECT_EQ(v.TransparentStyle, 2);
    EXPECT_TRUE(v.Italic);
    EXPECT_TRUE(v.PictureSlidersEnabled);
    // A face, size or colour the lists lack is kept, so Ok writes the job's font back unchanged.
    const TlvFilesRecord stored = Stored(model);
    EXPECT_EQ(stored.WatermarkFont, job.WatermarkFont);
    EXPECT_EQ(stored.TransparentStyle, 2);
    EXPECT_EQ(stored.TextVertPos, 0);
    EXPECT_EQ((std::array{stored.Brightness, stored.Contrast, stored.Saturation, stored.Exposure}),
              (std::array{400, -20, 100, 30}));
    EXPECT_EQ(stored.ImageAlpha, 200);
    EXPECT_TRUE(stored.ProcessImage);
    EXPECT_FALSE(stored.ProcessText);
    // Pixels of the opened 640 x 480 frame.
    EXPECT_EQ((std::array{stored.TextLeft, stored.ImageLeft, stored.ImageTop}), (std::array{128, 448, 48}));

    // Without a text the lists show their first entries.
    const TWaterMarkModel plain = Opened({});
    EXPECT_EQ(plain.View().FontName, "DejaVu Sans");
    EXPECT_EQ(plain.View().FontSize, 7);
    EXPECT_EQ(plain.View().ColorIndex, 0);
    EXPECT_EQ(plain.FontSizes().front(), 7);
    EXPECT_EQ(plain.FontSizes().back(), 70);
}

TEST(WaterMarkModelTest, ClearImageAndReset) {
    TlvFilesRecord job;
    job.WatermarkText = "T";
    job.TextHorzPos = 40;
    job.WatermarkImage = "/media/logo.bmp";
    job.ImageHorzPos = 50;
    job.ImageAlpha = 168;
    job.Brightness = 300;
    job.Contrast = 10;
    job.Saturation = 200;
    job.Exposure = -40;
    job.ProcessText = job.ProcessImage = true;
    TWaterMarkModel model = Opened(job);
    model.Reset();
    TlvFilesRecord reset = Stored(model);
    EXPECT_EQ((std::array{reset.Brightness, reset.Contrast, reset.Saturation, reset.Exposure}),
              (std::array{255, 0, 255, 0}));
    EXPECT_FALSE(reset.ProcessText || reset.ProcessImage);
    EXPECT_EQ(reset.WatermarkText, "T");
    EXPECT_EQ(reset.TextHorzPos, 40);
    EXPECT_EQ(reset.WatermarkImage, "/media/logo.bmp");
    EXPECT_EQ(reset.ImageHorzPos, 50);

    model.ClearImage();
    EXPECT_FALSE(model.View().PictureSlidersEnabled);
    const TlvFilesRecord cleared = Stored(model);
    EXPECT_EQ(cleared.WatermarkImage, "");
    EXPECT_EQ(cleared.ImageAlpha, 125);
    EXPECT_EQ((std::array{cleared.ImageHorzPos, cleared.ImageLeft}), (std::array{0, 0}));
}

TEST(WaterMarkModelTest, TitleShortening) {
    const std::string path55 = "/media/" + std::string(44, 'x') + ".avi";
    ASSERT_EQ(path55.size(), 55u);
    TlvFilesRecord job;
    job.SourceFile = path55;
    EXPECT_EQ(Opened(job).View().Title, "Water Mark  " + path55);
    job.SourceFile = "/media/" + std::string(45, 'x') + ".avi";
    EXPECT_EQ(Opened(job).View().Title, "Water Mark  " + job.SourceFile.substr(0, 50) + "...avi  ");
}

TEST(WaterMarkModelTest, WithoutAPictureTheJobKeepsItsPlaces) {
    TlvFilesRecord job;
    job.WatermarkText = "T";
    job.TextHorzPos = 50;
    job.TextLeft = 360;
    job.WatermarkImage = "/logo.bmp";
    job.ImageVertPos = 25;
    job.ImageTop = 144;
    // Nothing opened, or a file without video: no frame size to place the layers by.
    for (const int frameWidth : {-1, 0}) {
        TWaterMarkModel model;
        model.FormShow(job, kFonts);
        if (frameWidth == 0) model.FileOpen(60'000'000, 0, 0, 364);
        model.SetTextHoriz(80);
        model.SetText("Orvel");
        const TlvFilesRecord stored = Stored(model, job);
        EXPECT_EQ(stored.WatermarkText, "Orvel") << frameWidth;
        EXPECT_EQ(std::make_pair(stored.TextHorzPos, stored.TextLeft), std::make_pair(50, 360)) << frameWidth;
        EXPECT_EQ(std::make_pair(stored.ImageVertPos, stored.ImageTop), std::make_pair(25, 144))
            << frameWidth;
    }
}
