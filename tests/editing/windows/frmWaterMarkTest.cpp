#include "editing/windows/frmWaterMark.h"

#include "EditingDialogsTestSupport.h"
#include "editing/effects/EffectsRenderer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <filesystem>

using namespace orvel;
using namespace orvel::test;

namespace {

// Buttons are pressed with click(): synthetic mouse events leave a pointing device behind whose
// destruction after the application's crashes this test program on its way out.
class WaterMarkWindowTest : public ::testing::Test {
protected:
    void SetUp() override { WindowApp(); }

    TfrmWaterMark& Open(const TlvFilesRecord& job) {
        window_ = std::make_unique<TfrmWaterMark>(players_, files_);
        window_->Open(job);
        return *window_;
    }
    TOpeningFakePlayer& Player() { return players_.Last(); }
    static TlvFilesRecord Job() {
        TlvFilesRecord job;
        job.SourceFile = "/media/clip.avi";
        return job;
    }
    // The hook's drawing of one grey frame of the opened size.
    std::vector<uint8_t> Hooked() {
        Bitmap24 frame(Player().FrameWidth, Player().FrameHeight);
        FillGrey(frame);
        EXPECT_TRUE(Player().RaiseHook(frame, 0));
        return Pixels(frame);
    }
    std::vector<uint8_t> Decoded() {
        Bitmap24 frame(Player().FrameWidth, Player().FrameHeight);
        FillGrey(frame);
        return Pixels(frame);
    }

    TOpeningFakeFactory players_;
    TFakeOpenFileDialog files_;
    std::unique_ptr<TfrmWaterMark> window_;
};

} // namespace

TEST_F(WaterMarkWindowTest, OpeningShowsThePicturePageAndTheJob) {
    TfrmWaterMark& w = Open(Job());
    EXPECT_EQ(w.size(), QSize(786, 605));
    EXPECT_EQ(w.windowTitle(), "Water Mark  /media/clip.avi");
    EXPECT_EQ(Control<QTabWidget>(&w, "pageControl")->currentWidget(), Control<QWidget>(&w, "suiTabSheet2"));
    EXPECT_EQ(Player().ScreenSize, std::make_pair(364, 236));
    EXPECT_TRUE(Player().HookOn);
    auto* sizes = Control<QComboBox>(&w, "suiFontSizeCmb");
    EXPECT_EQ(sizes->count(), 64);
    EXPECT_EQ(sizes->itemText(63), "70");
    // Controls of the pages not shown count as hidden.
    const TWindowState want{
        {"trcTextHoriz", {"0", false, false, false}},
        {"trcImageHoriz", {"0", false, false, true}},
        {"edtImageAlpha", {"168", true, false, true}},
        {"rbTransparent1", {"Transparent style 1", true, true, true}},
        {"spedtBrightness", {"255", true, false, false}},
        {"trcContrast", {"0", true, false, false}},
        {"chkProcessText", {"Process  Added Text", true, false, false}},
        {"spdBtnPlay", {"", false, false, true}},
        {"lblLength", {"Duration:    00:01:00.000", true, false, true}},
    };
    EXPECT_EQ(StateDifferences(WindowState(&w), want), "");
}

TEST_F(WaterMarkWindowTest, ControlsReachThePreviewAndOk) {
    TfrmWaterMark& w = Open(Job());
    const std::vector<uint8_t> decoded = Decoded();
    EXPECT_NE(Hooked(), decoded) << "the inset crop outline is drawn";

    Control<QLineEdit>(&w, "edtFont")->setText("Orvel");
    EXPECT_TRUE(Control<QSlider>(&w, "trcTextHoriz")->isEnabled());
    Control<QSlider>(&w, "trcTextHoriz")->setValue(50);
    EXPECT_EQ(Control<QLineEdit>(&w, "edtTextHoriz")->text(), "50");
    const std::vector<uint8_t> withText = Hooked();
    Control<QSpinBox>(&w, "spedtBrightness")->setValue(400);
    EXPECT_EQ(Control<QSlider>(&w, "trcBrightness")->value(), 400);
    const std::vector<uint8_t> brighter = Hooked();
    EXPECT_NE(brighter, withText) << "each frame is drawn with the values current at that frame";

    Control<QPushButton>(&w, "btnOk")->click();
    ASSERT_TRUE(w.Result());
    EXPECT_EQ(w.Result()->WatermarkText, "Orvel");
    EXPECT_EQ(w.Result()->TextLeft, 360);
    EXPECT_EQ(w.Result()->TextHorzPos, 50);
    EXPECT_EQ(w.Result()->Brightness, 400);
    EXPECT_FALSE(Player().HookOn);
    EXPECT_EQ(Player().Calls.back(), "Stop wait");
}

TEST_F(WaterMarkWindowTest, NeutralValuesLeaveTheFrameAsDecodedApartFromTheOutline) {
    Open(Job());
    Bitmap24 expected(Player().FrameWidth, Player().FrameHeight);
    FillGrey(expected);
    DrawCropOutline(expected.View(), 0, 0, 0, 0, TCropOutline::Inset);
    EXPECT_EQ(Hooked(), Pixels(expected));
}

TEST_F(WaterMarkWindowTest, PictureChosenClearedAndUnreadable) {
    TfrmWaterMark& w = Open(Job());
    files_.Answers.push_back({"/no/such/logo.bmp"});
    Control<QPushButton>(&w, "btnBrows")->click();
    ASSERT_EQ(files_.Requests.size(), 1u);
    EXPECT_EQ(files_.Requests[0].Filters.at(1), (TFileFilter{"Bitmap files (*.bmp)", "*.bmp"}));
    EXPECT_EQ(files_.Requests[0].Filters.at(0).Patterns, "*.bmp;*.png");
    EXPECT_EQ(Control<QLineEdit>(&w, "edtAddImage")->text(), "/no/such/logo.bmp");
    EXPECT_TRUE(Control<QSlider>(&w, "trcImageAlpha")->isEnabled());
    // A picture that cannot be read fails the frame; the player logs it and shows it as decoded.
    Bitmap24 frame(Player().FrameWidth, Player().FrameHeight);
    FillGrey(frame);
    EXPECT_THROW(Player().RaiseHook(frame, 0), std::runtime_error);

    Control<QPushButton>(&w, "btnClearImage")->click();
    EXPECT_EQ(Control<QSlider>(&w, "trcImageAlpha")->value(), 125);
    EXPECT_EQ(Control<QLineEdit>(&w, "edtImageAlpha")->text(), "125");
    EXPECT_FALSE(Control<QSlider>(&w, "trcImageAlpha")->isEnabled());
    EXPECT_NO_THROW(Hooked());
    w.close();
    EXPECT_FALSE(w.Result());
    EXPECT_EQ(Player().Calls.back(), "Stop");
}

TEST_F(WaterMarkWindowTest, ResetChangesOnlyTheEffects) {
    TlvFilesRecord job = Job();
    job.WatermarkText = "T";
    job.TextHorzPos = 30;
    job.Brightness = 300;
    job.Exposure = 50;
    job.ProcessText = true;
    TfrmWaterMark& w = Open(job);
    EXPECT_EQ(Control<QLineEdit>(&w, "edtFont")->text(), "T");
    Control<QPushButton>(&w, "btnReset")->click();
    const TWindowState want{
        {"spedtBrightness", {"255", true, false, false}},
        {"spedtExposure", {"0", true, false, false}},
        {"chkProcessText", {"Process  Added Text", true, false, false}},
        {"trcTextHoriz", {"30", true, false, false}},
        {"edtFont", {"T", true, false, false}},
    };
    EXPECT_EQ(StateDifferences(WindowState(&w), want), "");
    Control<QPushButton>(&w, "btnClearText")->click();
    EXPECT_EQ(Control<QLineEdit>(&w, "edtTextHoriz")->text(), "0");
    EXPECT_FALSE(Control<QSlider>(&w, "trcTextHoriz")->isEnabled());
    Control<QPushButton>(&w, "btnCancel")->click();
    EXPECT_FALSE(w.Result());
}

TEST_F(WaterMarkWindowTest, TextAndPictureAreDraggedOnThePreview) {
    TlvFilesRecord job = Job();
    job.WatermarkText = "Orvel";
    job.WatermarkImage = "/logo.bmp";
    job.ImageHorzPos = 80;
    TfrmWaterMark& w = Open(job);
    auto* preview = Control<QWidget>(&w, "imgPreview"); // 364 x 236, no picture shown yet
    const auto drag = [&](QPointF from, QPointF to) {
        const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
            QMouseEvent event(type, at, preview->mapToGlobal(at), button, held, {});
            QApplication::sendEvent(preview, &event);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    };
    // The picture page is shown: the picture moves, 10 % of the width right and 25 % down.
    drag({300, 10}, {300 + 36.4, 10 + 59});
    EXPECT_EQ(Control<QLineEdit>(&w, "edtImageHoriz")->text(), "90");
    EXPECT_EQ(Control<QSlider>(&w, "trcImageVert")->value(), 25);
    // On the effects page the layer nearer the press moves: the text, at the top left; it stays
    // inside the frame.
    Control<QTabWidget>(&w, "pageControl")->setCurrentIndex(2);
    drag({5, 5}, {5 - 50, 5 + 23.6});
    EXPECT_EQ(Control<QLineEdit>(&w, "edtTextHoriz")->text(), "0");
    EXPECT_EQ(Control<QLineEdit>(&w, "edtTextVert")->text(), "10");
    Control<QPushButton>(&w, "btnOk")->click();
    ASSERT_TRUE(w.Result());
    EXPECT_EQ(w.Result()->ImageLeft, 648); // 90 % of 720
    EXPECT_EQ(w.Result()->TextTop, 57);    // 10 % of 576
}
