#include "editing/windows/frmCrop.h"

#include "EditingDialogsTestSupport.h"
#include "editing/windows/RectTracker.h"
#include "fixtures/Fixtures.h"
#include "ui/VideoPanel.h"

#include <QSpinBox>
#include <QTest>

using namespace orvel;
using namespace orvel::test;

namespace {

class CropWindowTest : public ::testing::Test {
protected:
    void SetUp() override { WindowApp(); }

    TfrmCrop& Open(const TlvFilesRecord& job) {
        window_ = std::make_unique<TfrmCrop>(players_); // made at each opening
        window_->Open(job);
        return *window_;
    }
    TOpeningFakePlayer& Player() { return players_.Last(); }
    static TlvFilesRecord Job() {
        TlvFilesRecord job;
        job.SourceFile = "/media/clip.avi";
        return job;
    }

    TOpeningFakeFactory players_;
    std::unique_ptr<TfrmCrop> window_;
};

} // namespace

TEST_F(CropWindowTest, OpeningPlacesTheRectangleOverThePicture) {
    TfrmCrop& w = Open(Job());
    EXPECT_EQ(w.size(), QSize(615, 435));
    EXPECT_EQ(w.windowTitle(), "Crop");
    EXPECT_EQ(Player().Calls.back(), "Open /media/clip.avi");
    EXPECT_EQ(Player().Screen, static_cast<IDisplaySurface*>(w.pan1));
    const QRect image = Control<QLabel>(&w, "imgPreview")->geometry();
    EXPECT_EQ(Control<RectTracker>(&w, "RectTracker")->geometry(),
              QRect(image.x() + 28, image.y() + 1, 314, 251));
    const TWindowState want{
        {"spedUp", {"0", true, false, true}},
        {"spedRight", {"0", true, false, true}},
        {"RectTracker", {"", true, false, true}},
        {"pan1", {"", true, false, false}},
        {"cmbZoom", {"Letterbox", true, false, false}},
        {"lblSourceName", {"/media/clip.avi", true, false, true}},
        {"lblLength", {"60.000 Second", true, false, true}},
        {"imgbtnPlay", {"", false, false, true}},
    };
    EXPECT_EQ(StateDifferences(WindowState(&w), want), "");
}

TEST_F(CropWindowTest, SpinArrowsAndOkStoreSourcePixels) {
    TfrmCrop& w = Open(Job());
    auto* up = Control<QSpinBox>(&w, "spedUp");
    for (int i = 0; i < 10; ++i)
        up->stepUp();
    EXPECT_EQ(Control<RectTracker>(&w, "RectTracker")->geometry().top(), w.Model().Display().Top + 10);
    QTest::mouseClick(Control<QPushButton>(&w, "btnOk"), Qt::LeftButton);
    ASSERT_TRUE(w.Result());
    EXPECT_EQ(w.Result()->CropUpInput, 10);
    EXPECT_EQ(w.Result()->CropTop, 22);
    EXPECT_EQ(w.Result()->ZoomMode, "lbox");
    EXPECT_EQ(Player().Calls.back(), "Stop wait");

    // Reopened, the rectangle comes back; Cancel hands nothing back.
    TfrmCrop& again = Open(*w.Result());
    EXPECT_EQ(Control<QSpinBox>(&again, "spedUp")->value(), 10);
    EXPECT_EQ(Control<RectTracker>(&again, "RectTracker")->geometry().top(),
              again.Model().Display().Top + 10);
    QTest::mouseClick(Control<QPushButton>(&again, "btnCancel"), Qt::LeftButton);
    EXPECT_FALSE(again.Result());
    EXPECT_EQ(Player().Calls.back(), "Stop wait");
}

TEST_F(CropWindowTest, DraggingTheRectangle) {
    TfrmCrop& w = Open(Job());
    auto* tracker = Control<RectTracker>(&w, "RectTracker");
    const TCropRect d = w.Model().Display();
    // The left middle handle dragged 30 pixels right.
    const QPoint handle(2, (tracker->height() + 1) / 2 - 1);
    QTest::mousePress(tracker, Qt::LeftButton, {}, handle);
    QMouseEvent move(QEvent::MouseMove, QPointF(handle + QPoint(30, 0)),
                     tracker->mapToGlobal(QPointF(handle + QPoint(30, 0))), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(tracker, &move);
    QTest::mouseRelease(tracker, Qt::LeftButton, {}, handle + QPoint(30, 0));
    EXPECT_EQ(tracker->geometry(), QRect(d.Left + 30, d.Top, d.Width - 30, d.Height));
    EXPECT_EQ(Control<QSpinBox>(&w, "spedLeft")->value(), 30);
    EXPECT_EQ(Control<QSpinBox>(&w, "spedRight")->value(), 0);
}

TEST_F(CropWindowTest, TheHookDrawsAndTheTimerPaints) {
    TlvFilesRecord job = Job();
    job.Brightness = 400;
    job.CropTop = 20;
    TfrmCrop& w = Open(job);
    Bitmap24 frame(72, 58);
    FillGrey(frame);
    const std::vector<uint8_t> decoded = Pixels(frame);
    ASSERT_TRUE(Player().RaiseHook(frame, 0));
    EXPECT_NE(Pixels(frame), decoded);
    EXPECT_EQ(frame.Row(20)[1], 128) << "the crop outline (green) is drawn at the crop's top";
    w.TimerTimer();
    const QImage shown = Control<QLabel>(&w, "imgPreview")->pixmap().toImage();
    EXPECT_EQ(shown.pixelColor(2, 2), QColor(166, 202, 240)) << "the margin beside the picture";
    EXPECT_NE(shown.pixelColor(185, 126), QColor(166, 202, 240)) << "the picture";

    // Paused, frames pass as decoded.
    QTest::mouseClick(Control<QAbstractButton>(&w, "imgbtnpause"), Qt::LeftButton);
    FillGrey(frame);
    Player().RaiseHook(frame, 0);
    EXPECT_EQ(Pixels(frame), decoded);
}

TEST_F(CropWindowTest, AMissingOverlayPictureDoesNotFreezeThePreview) {
    TlvFilesRecord job = Job();
    job.WatermarkImage = "/no/such/logo.bmp";
    job.CropTop = 20;
    TfrmCrop& w = Open(job);
    Bitmap24 frame(72, 58);
    FillGrey(frame);
    EXPECT_THROW(Player().RaiseHook(frame, 0), std::runtime_error) << "the player still logs the failure";
    EXPECT_EQ(frame.Row(20)[1], 128) << "the crop outline is drawn all the same";
    w.TimerTimer();
    const QImage shown = Control<QLabel>(&w, "imgPreview")->pixmap().toImage();
    EXPECT_NE(shown.pixelColor(185, 126), QColor(166, 202, 240)) << "the frame is painted";
}

TEST_F(CropWindowTest, DetectBlackBarsProposesMarginsShownInSourcePixels) {
    // The test clip's last bar is near-black until the moving box crosses it: over the seconds
    // looked at, only the last 4 of 320 columns stay dark.
    players_.FrameWidth = 320;
    players_.FrameHeight = 240;
    TlvFilesRecord job = Job();
    job.SourceFile = fixtures::Path(fixtures::FixtureId::Mp4);
    TfrmCrop& w = Open(job);
    EXPECT_EQ(Control<QLabel>(&w, "lblSourceMargins")->text(),
              "In source pixels: top 0, bottom 0, left 0, right 0");
    Control<QPushButton>(&w, "btnDetect")->click();
    EXPECT_EQ(Control<QSpinBox>(&w, "spedRight")->value(), 4); // of 336 columns shown
    EXPECT_EQ(Control<QLabel>(&w, "lblSourceMargins")->text(),
              "In source pixels: top 0, bottom 0, left 0, right 4");
    const TCropRect d = w.Model().Display();
    EXPECT_EQ(Control<RectTracker>(&w, "RectTracker")->geometry(),
              QRect(d.Left, d.Top, d.Width - 4, d.Height));
    Control<QPushButton>(&w, "btnOk")->click();
    ASSERT_TRUE(w.Result());
    EXPECT_EQ(w.Result()->CropRight, 4);

    // A source that cannot be read says so.
    TfrmCrop& other = Open(Job());
    Control<QPushButton>(&other, "btnDetect")->click();
    EXPECT_EQ(Control<QLabel>(&other, "lblSourceMargins")->text(), "/media/clip.avi: cannot be read");
    EXPECT_EQ(Control<QSpinBox>(&other, "spedRight")->value(), 0);
}

TEST_F(CropWindowTest, AFileWithoutVideoDisablesCropping) {
    players_.FrameWidth = players_.FrameHeight = 0;
    TfrmCrop& w = Open(Job());
    EXPECT_FALSE(Control<RectTracker>(&w, "RectTracker")->isVisibleTo(&w));
    EXPECT_FALSE(Control<QSpinBox>(&w, "spedUp")->isEnabled());
    w.close();
    EXPECT_FALSE(w.Result());
    EXPECT_EQ(Player().Calls.back(), "Stop wait");
}

TEST(RectTrackerTest, ZonesAndDragRules) {
    using Z = RectTracker::TZone;
    const QSize size(65, 65);
    const std::pair<QPoint, Z> zones[] = {
        {{0, 0}, Z::TopLeft},       {{31, 2}, Z::Top},     {{64, 0}, Z::TopRight},   {{62, 31}, Z::Right},
        {{64, 64}, Z::BottomRight}, {{32, 62}, Z::Bottom}, {{1, 63}, Z::BottomLeft}, {{0, 33}, Z::Left},
        {{30, 30}, Z::Move},        {{1, 20}, Z::None},
    };
    for (const auto& [point, zone] : zones)
        EXPECT_EQ(RectTracker::ZoneAt(size, point), zone) << point.x() << "," << point.y();

    const QRect r(100, 100, 20, 20);
    EXPECT_EQ(RectTracker::Dragged(Z::Move, r, {5, -3}), QRect(105, 97, 20, 20));
    EXPECT_EQ(RectTracker::Dragged(Z::TopLeft, r, {15, 15}), QRect(110, 110, 10, 10)); // stops at 10
    EXPECT_EQ(RectTracker::Dragged(Z::Right, r, {-15, 0}), QRect(100, 100, 10, 20));
    EXPECT_EQ(RectTracker::Dragged(Z::Bottom, r, {40, 7}), QRect(100, 100, 20, 27)); // vertical only
    EXPECT_EQ(RectTracker::Dragged(Z::None, r, {5, 5}), r);
    EXPECT_EQ(RectTracker::CursorOf(Z::TopRight), Qt::SizeBDiagCursor);
}
