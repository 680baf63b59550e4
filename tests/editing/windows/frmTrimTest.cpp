#include "editing/windows/frmTrim.h"

#include "EditingDialogsTestSupport.h"
#include "ui/SelectionSlider.h"
#include "ui/VideoPanel.h"

#include <QLineEdit>
#include <QTest>

using namespace orvel;
using namespace orvel::test;

namespace {

constexpr int64_t kSec = 1'000'000;

class TrimWindowTest : public ::testing::Test {
protected:
    void SetUp() override { WindowApp(); }

    TfrmTrim& Open(const TlvFilesRecord& job) {
        if (!window_) window_ = std::make_unique<TfrmTrim>(players_);
        window_->Open(job);
        return *window_;
    }
    TOpeningFakePlayer& Player() { return players_.Last(); }

    static TlvFilesRecord Job(int64_t trimStart, int64_t trimLength) {
        TlvFilesRecord job;
        job.SourceFile = "/media/clip.avi";
        job.TrimStart = trimStart;
        job.TrimLength = trimLength;
        return job;
    }

    TOpeningFakeFactory players_;
    std::unique_ptr<TfrmTrim> window_;
};

} // namespace

TEST_F(TrimWindowTest, OpeningShowsTheJobAndPlaysIt) {
    TfrmTrim& w = Open(Job(10 * kSec, 20 * kSec));
    EXPECT_EQ(w.size(), QSize(615, 435));
    EXPECT_EQ(Player().Calls.back(), "Open /media/clip.avi");
    EXPECT_EQ(Player().Screen, static_cast<IDisplaySurface*>(Control<TVideoPanel>(&w, "imgPreview")));
    EXPECT_EQ(Player().ScreenSize, std::make_pair(372, 260));
    const TWindowState want{
        {"frmTrim", {"Trim", true, false, true}},
        {"edtStart", {"00:00:10.000", true, false, true}},
        {"edtEnd", {"00:00:30.000", true, false, true}},
        {"edtTrimLength", {"00:00:20.000", false, false, true}},
        {"lblSourceName", {"/media/clip.avi", true, false, true}},
        {"lblPTS", {"0.0", true, false, true}},
        {"lblLength", {"Duration:    00:01:00.000", true, false, true}},
        {"imgbtnPlay", {"", false, false, true}},
        {"imgbtnpause", {"||", true, false, true}},
        {"btnOk1", {"Ok", true, false, true}},
        {"btnReset", {"&Reset", true, false, true}},
        {"btnOk", {"Ok", true, false, true}},
        {"btnCancel", {"Cancel", true, false, true}},
    };
    EXPECT_EQ(StateDifferences(WindowState(&w), want), "");
    auto* slider = Control<TSelectionSlider>(&w, "trcPreview");
    EXPECT_EQ(slider->maximum(), slider->width());
    EXPECT_EQ(slider->SelStart(), slider->width() * 10 / 60);
    EXPECT_EQ(slider->SelEnd(), slider->width() * 30 / 60);
}

TEST_F(TrimWindowTest, ControlsTakeTimesAndOkHandsTheJobBack) {
    TfrmTrim& w = Open(Job(0, 0));
    Player().RaisePosition(1 * kSec);
    QTest::mouseClick(Control<QPushButton>(&w, "btnOk1"), Qt::LeftButton);
    Player().RaisePosition(3 * kSec);
    EXPECT_EQ(Control<QLabel>(&w, "lblPTS")->text(), "Time:    00:00:03.000");
    QTest::mouseClick(Control<QPushButton>(&w, "btnOk2"), Qt::LeftButton);
    EXPECT_EQ(Control<QLineEdit>(&w, "edtTrimLength")->text(), "00:00:02.000");
    QTest::mouseClick(Control<QPushButton>(&w, "btnOk"), Qt::LeftButton);
    ASSERT_TRUE(w.Result());
    EXPECT_EQ(w.Result()->TrimStart, 1 * kSec);
    EXPECT_EQ(w.Result()->TrimLength, 2 * kSec);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Player().Calls.back(), "Stop");

    // The kept dialog opens the next job afresh; Cancel hands nothing back.
    Open(Job(10 * kSec, 20 * kSec));
    EXPECT_EQ(players_.Made.size(), 1u);
    EXPECT_EQ(Control<QLineEdit>(&w, "edtStart")->text(), "00:00:10.000");
    QTest::mouseClick(Control<QPushButton>(&w, "btnDefault"), Qt::LeftButton);
    EXPECT_EQ(Control<QLineEdit>(&w, "edtEnd")->text(), "00:01:00.000");
    QTest::mouseClick(Control<QPushButton>(&w, "btnCancel"), Qt::LeftButton);
    EXPECT_FALSE(w.Result());
    EXPECT_EQ(Player().Calls.back(), "Stop");

    Open(Job(0, 0));
    w.close(); // the title bar's close button
    EXPECT_FALSE(w.Result());
    EXPECT_EQ(Player().Calls.back(), "Stop");
}

TEST_F(TrimWindowTest, EndedPreviewShowsFramesWithoutEffectsUntilPlay) {
    TlvFilesRecord job = Job(0, 0);
    job.Brightness = 400;
    TfrmTrim& w = Open(job);
    Bitmap24 frame(64, 48);
    FillGrey(frame);
    const std::vector<uint8_t> decoded = Pixels(frame);
    ASSERT_TRUE(Player().RaiseHook(frame, 0));
    EXPECT_NE(Pixels(frame), decoded) << "the job's effects are drawn while playing";

    Player().RaiseEnd();
    const std::vector<std::string> tail(Player().Calls.end() - 2, Player().Calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Seek 4 0", "Pause"}));
    EXPECT_TRUE(Control<QAbstractButton>(&w, "imgbtnPlay")->isEnabled());
    EXPECT_FALSE(Control<QAbstractSlider>(&w, "trcPreview")->isEnabled());
    FillGrey(frame);
    Player().RaiseHook(frame, 0);
    EXPECT_EQ(Pixels(frame), decoded);

    QTest::mouseClick(Control<QAbstractButton>(&w, "imgbtnPlay"), Qt::LeftButton);
    EXPECT_EQ(Player().Calls.back(), "Resume");
    FillGrey(frame);
    Player().RaiseHook(frame, 0);
    EXPECT_NE(Pixels(frame), decoded);
}

TEST_F(TrimWindowTest, ReleasingTheButtonOverTheSliderSeeks) {
    TfrmTrim& w = Open(Job(0, 0));
    auto* slider = Control<TSelectionSlider>(&w, "trcPreview");
    slider->setValue(slider->maximum() / 2);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, slider->height() / 2));
    EXPECT_EQ(Player().Calls.back(), "Seek 0 " + std::to_string(30 * kSec));
    // A release elsewhere (the pointer dragged off the slider) does not seek.
    const size_t calls = Player().Calls.size();
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() + 40, 5));
    EXPECT_EQ(Player().Calls.size(), calls);
}

TEST_F(TrimWindowTest, LongSourceNameIsShortened) {
    TlvFilesRecord job = Job(0, 0);
    job.SourceFile = "/media/" + std::string(40, 'v') + ".avi"; // 51 characters
    ASSERT_EQ(job.SourceFile.size(), 51u);
    TfrmTrim& w = Open(job);
    EXPECT_EQ(Control<QLabel>(&w, "lblSourceName")->text().toStdString(),
              job.SourceFile.substr(0, 44) + "...avi  ");
}

TEST_F(TrimWindowTest, AFileThatCannotOpenShowsNoPreviewAndKeepsTheTrim) {
    players_.OpenSucceeds = false;
    TfrmTrim& w = Open(Job(10 * kSec, 20 * kSec));
    QTest::mouseClick(Control<QPushButton>(&w, "btnOk"), Qt::LeftButton);
    ASSERT_TRUE(w.Result());
    EXPECT_EQ(w.Result()->TrimStart, 10 * kSec);
    EXPECT_EQ(w.Result()->TrimLength, 20 * kSec);
}
