// The editing dialogs as a user sees them, each playing a fixture through the real player and
// written to <build>/screens/ to be looked at: trim with a selection, crop with a rectangle,
// watermark with a text and a picture.
#include "editing/windows/frmCrop.h"
#include "editing/windows/frmTrim.h"
#include "editing/windows/frmWaterMark.h"
#include "player/PlayerArbiter.h"
#include "ui/QtMainThreadDispatcher.h"
#include "ui/VideoPanel.h"

#include "EditingDialogsTestSupport.h"
#include "fixtures/Fixtures.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <filesystem>

using namespace orvel;
using namespace orvel::test;

namespace {

// A 6 s clip with the fixture's bars and moving box, large enough for the crop's fit.
std::string TourClip() {
    fixtures::ClipRecipe r;
    r.container = "avi";
    r.videoCodec = "mpeg4";
    r.audioCodec = "libmp3lame";
    r.width = 640;
    r.height = 360;
    r.seconds = 6;
    return fixtures::Generate(r);
}

// True when the picture holds more than one colour: a frame, not an empty panel.
bool ShowsAPicture(const QImage& image) {
    if (image.isNull()) return false;
    const QRgb first = image.pixel(image.width() / 2, image.height() / 2);
    for (int y = 0; y < image.height(); y += 5)
        for (int x = 0; x < image.width(); x += 5)
            if (image.pixel(x, y) != first) return true;
    return false;
}

class EditingDialogsTour : public ::testing::Test {
protected:
    void SetUp() override {
        WindowApp();
        SetMainThreadDispatcher(&dispatcher);
        job.SourceFile = TourClip();
        job.ZoomMode = "full";
    }
    void TearDown() override { SetMainThreadDispatcher(nullptr); }

    QtMainThreadDispatcher dispatcher;
    TFFPlayerFactory players;
    TlvFilesRecord job;
};

TEST_F(EditingDialogsTour, TrimWithASelection) {
    TfrmTrim trim(players);
    trim.Open(job);
    ASSERT_TRUE(WaitUntil([&] { return trim.Player().CurrentPosition() > 1'200'000; }));
    trim.btnOk1->click(); // start where it plays now
    ASSERT_TRUE(WaitUntil([&] { return trim.Player().CurrentPosition() > 3'500'000; }));
    trim.btnOk2->click();
    ProcessFor(300);
    EXPECT_FALSE(trim.edtTrimLength->text().isEmpty());
    EXPECT_TRUE(ShowsAPicture(trim.imgPreview->CurrentImage()));
    EXPECT_TRUE(SaveTourScreen(trim, "frmTrim"));
    trim.btnCancel->click();
}

TEST_F(EditingDialogsTour, CropWithARectangle) {
    TfrmCrop crop(players);
    crop.Open(job);
    crop.spedUp->setValue(30);
    crop.spedDown->setValue(20);
    crop.spedLeft->setValue(40);
    crop.spedRight->setValue(60);
    ProcessFor(1500);
    EXPECT_TRUE(ShowsAPicture(crop.imgPreview->pixmap().toImage()));
    EXPECT_TRUE(SaveTourScreen(crop, "frmCrop"));
    crop.btnCancel->click();
}

TEST_F(EditingDialogsTour, WatermarkWithTextAndPicture) {
    TTempDir tmp;
    QImage logo(96, 64, QImage::Format_RGB888);
    logo.fill(QColor(250, 160, 20));
    {
        QPainter painter(&logo);
        painter.setBrush(QColor(20, 60, 200));
        painter.drawEllipse(QRect(24, 8, 48, 48));
    }
    const std::string logoFile = tmp.File("logo.bmp");
    ASSERT_TRUE(logo.save(QString::fromStdString(logoFile), "BMP"));

    TFakeOpenFileDialog files;
    files.Answers = {{logoFile}};
    TfrmWaterMark mark(players, files);
    mark.Open(job);
    mark.btnBrows->click();
    mark.trcImageHoriz->setValue(75);
    mark.trcImageVert->setValue(15);
    mark.edtFont->setText("Orvel Video");
    mark.suiFontSizeCmb->setCurrentText("28");
    mark.suiColorBoxcmb->setCurrentIndex(9); // Red
    mark.trcTextHoriz->setValue(10);
    mark.trcTextVert->setValue(80);
    mark.spedtBrightness->setValue(300);
    ProcessFor(1500);
    EXPECT_TRUE(ShowsAPicture(mark.imgPreview->CurrentImage()));
    auto* pages = mark.pageControl;
    const struct {
        int page;
        const char* name;
    } shots[] = {
        {pages->currentIndex(), "frmWaterMark"}, {0, "frmWaterMark_text"}, {2, "frmWaterMark_effect"}};
    for (const auto& shot : shots) {
        pages->setCurrentIndex(shot.page);
        ProcessFor(200);
        EXPECT_TRUE(SaveTourScreen(mark, shot.name)) << shot.name;
    }
    mark.btnCancel->click();
}

} // namespace
