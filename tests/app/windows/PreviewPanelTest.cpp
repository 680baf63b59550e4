// The preview panel's widgets over the fake player: what each button and player event shows.
#include "app/windows/PreviewPanel.h"

#include "batch/FakeSystemActions.h"
#include "player/FakeMediaPlayer.h"
#include "ui/WindowTestKit.h"

#include <QSignalSpy>
#include <QTest>

using namespace orvel;
using namespace orvel::test;

namespace {

class FakeHost : public IPreviewHost {
public:
    std::vector<std::string> Files;
    int Adds = 0;
    bool ListEmpty() const override { return Files.empty(); }
    std::string FileToPreview() override { return Files.front(); }
    void AddThenPlay() override { ++Adds; }
};

class PreviewPanelTest : public ::testing::Test {
protected:
    QApplication& app = WindowApp(); // before any widget
    TTempDir tmp;
    TAppSettings settings{tmp.File("settings.ini")};
    TFakeMessageBoxes boxes;
    TSnapshotWriter snapshots{settings, boxes, tmp.File("kestrune")};
    TFakeSystemActions system;
    TFakeMediaPlayer player;
    FakeHost host;
    TPreviewPanel panel{player, settings, snapshots, system, "/opt/LibAV"};

    void SetUp() override {
        panel.SetHost(&host);
        panel.resize(268, 300);
        panel.show();
    }
    TWindowState Buttons(bool play, bool pause, bool stop, bool snap, bool seek) {
        const auto state = WindowState(&panel);
        auto pick = [&](const char* name, bool enabled) {
            TControlState s = state.at(name);
            s.Enabled = enabled;
            return std::pair<std::string, TControlState>{name, s};
        };
        return {pick("imgbtnPlay", play), pick("imgbtnPAuse", pause), pick("imgbtnStop", stop),
                pick("imgbtnSnap", snap), pick("trcPreview", seek)};
    }
    void Click(const char* name) { Control<QAbstractButton>(&panel, name)->click(); }
    std::string Label(const char* name) { return Control<QLabel>(&panel, name)->text().toStdString(); }
};

TEST_F(PreviewPanelTest, PlaysTheHostsFileAndShowsItsTimes) {
    host.Files = {"/v/clip.avi"};
    QSignalSpy log(&panel, &TPreviewPanel::LogLine);
    EXPECT_EQ(StateDifferences(WindowState(&panel), Buttons(true, false, false, false, false)), "");
    Click("imgbtnPlay");
    EXPECT_EQ(player.Calls.back(), "Open /v/clip.avi");
    EXPECT_EQ(player.Screen, panel.Screen());
    EXPECT_EQ(StateDifferences(WindowState(&panel), Buttons(false, true, true, true, true)), "");

    const auto [w, h] = player.RaiseOpened(3725600000, 640, 480);
    EXPECT_EQ(std::pair(w, h), std::pair(243, 171)); // drawn at the panel's size
    EXPECT_EQ(Label("lblPTS"), "1:02:06");
    ASSERT_GE(log.count(), 1);
    EXPECT_EQ(log.back().at(0).toString(), "duration: 3725.600000, frame size: 640x480");
    player.RaisePosition(3725120000);
    EXPECT_EQ(Label("lblTime"), "01:02:05.120");

    Click("imgbtnPAuse");
    EXPECT_EQ(StateDifferences(WindowState(&panel), Buttons(true, false, true, true, true)), "");
    Click("imgbtnPlay");
    EXPECT_EQ(player.Calls.back(), "Resume");

    player.RaiseEnd();
    EXPECT_EQ(StateDifferences(WindowState(&panel), Buttons(true, false, false, false, false)), "");
    EXPECT_EQ(Label("lblTime"), "00:00:00");
    EXPECT_EQ(Label("lblPTS"), "00:00:00");
}

TEST_F(PreviewPanelTest, ReleasingTheMouseOverTheSeekBarSeeksThere) {
    host.Files = {"/v/clip.avi"};
    Click("imgbtnPlay");
    player.RaiseOpened(10000000, 320, 240);
    auto* bar = Control<QSlider>(&panel, "trcPreview");
    EXPECT_EQ(bar->maximum(), bar->width());
    player.Calls.clear();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() / 2));
    ASSERT_EQ(player.Calls.size(), 1u);
    const int64_t target = std::stoll(player.Calls[0].substr(std::string("Seek 0 ").size()));
    EXPECT_NEAR(target, 5000000, 300000);
}

// The picture takes the keyboard focus and the player's keys.
TEST_F(PreviewPanelTest, ThePictureAnswersThePlayersKeys) {
    host.Files = {"/v/clip.avi"};
    QWidget* picture = panel.Screen();
    EXPECT_EQ(picture->focusPolicy(), Qt::StrongFocus);
    EXPECT_FALSE(picture->accessibleName().isEmpty());
    QTest::keyClick(picture, Qt::Key_Right); // stopped: nothing
    QTest::keyClick(picture, Qt::Key_Space);
    EXPECT_EQ(player.Calls.back(), "Open /v/clip.avi");
    player.RaiseOpened(10000000, 320, 240);
    player.RaisePosition(2000000);
    player.Calls.clear();
    QTest::keyClick(picture, Qt::Key_Right); // playing: 5 seconds
    QTest::keyClick(picture, Qt::Key_Space); // pauses
    QTest::keyClick(picture, Qt::Key_Left);  // paused: exactly one picture (25 a second without a frame rate)
    QTest::keyClick(picture, Qt::Key_Home);
    QTest::keyClick(picture, Qt::Key_End);
    EXPECT_EQ(player.Calls, (std::vector<std::string>{"SeekRelative 0 5.000000", "Pause", "Seek 16 1960000",
                                                      "Seek 0 0", "Seek 0 9960000"}));
    QTest::keyClick(picture, Qt::Key_Space);
    EXPECT_EQ(player.Calls.back(), "Resume");
}

TEST_F(PreviewPanelTest, PlayOnAnEmptyListAddsFirst) {
    Click("imgbtnPlay");
    EXPECT_EQ(host.Adds, 1);
    EXPECT_EQ(player.Calls, std::vector<std::string>{"LoadLibraries /opt/LibAV"});
    EXPECT_EQ(StateDifferences(WindowState(&panel), Buttons(true, false, false, false, false)), "");
}

TEST_F(PreviewPanelTest, VolumeAndMuteControls) {
    settings.SetVolume(100);
    settings.SetMute(true);
    panel.RestoreVolume();
    EXPECT_EQ(Control<QSlider>(&panel, "trcVolume")->value(), 100);
    EXPECT_TRUE(Control<QCheckBox>(&panel, "ckMute")->isChecked());
    Control<QSlider>(&panel, "trcVolume")->setValue(40);
    EXPECT_EQ(player.Volume, 40);
    panel.trcVolumeReleased();
    EXPECT_EQ(settings.Volume(), 40);
    // Keys and the wheel change the value without a release; each change is kept.
    auto* volume = Control<QSlider>(&panel, "trcVolume");
    volume->setFocus();
    QTest::keyClick(volume, Qt::Key_End);
    EXPECT_EQ(settings.Volume(), volume->maximum());
    QWheelEvent wheel(QPointF(5, 5), volume->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(volume, &wheel);
    EXPECT_LT(volume->value(), volume->maximum());
    EXPECT_EQ(settings.Volume(), volume->value());
    Click("ckMute");
    EXPECT_FALSE(player.Muted);
    EXPECT_EQ(settings.MuteValue(), 0);
}

} // namespace
