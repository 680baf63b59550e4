// The preview panel's states and player calls, against the fake player.
#include "app/PreviewPanelModel.h"

#include "app/store/AppTestSupport.h"
#include "batch/FakeSystemActions.h"
#include "player/FakeMediaPlayer.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace orvel;
using namespace orvel::test;

namespace {

constexpr int64_t kSecond = 1000000;

class PreviewPanelModelTest : public ::testing::Test {
protected:
    TTempDir tmp;
    TAppSettings settings{tmp.File("settings.ini")};
    TFakeMessageBoxes boxes;
    TSnapshotWriter snapshots{settings, boxes, tmp.File("kestrune")};
    TFakeSystemActions system;
    TFakeMediaPlayer player;
    TPreviewPanelModel model{player, settings, snapshots, system, "/opt/LibAV"};

    void OpenClip() {
        ASSERT_EQ(model.Play(), TPlayStep::NeedFile);
        model.Open("/v/clip.avi", nullptr);
        model.FileOpened(10 * kSecond, 320, 240, "", 200);
    }
    static TPreviewPanelView Stopped() { return {}; }
    static TPreviewPanelView Playing() {
        TPreviewPanelView v;
        v.PlayEnabled = false;
        v.PauseEnabled = v.StopEnabled = v.SnapEnabled = v.SeekEnabled = true;
        return v;
    }
    static TPreviewPanelView Paused() {
        TPreviewPanelView v = Playing();
        v.PlayEnabled = true;
        v.PauseEnabled = false;
        return v;
    }
};

TEST_F(PreviewPanelModelTest, ButtonsFollowTheState) {
    struct Step {
        const char* name;
        std::function<void()> act;
        TPreviewPanelView expected;
    };
    const std::vector<Step> steps = {
        {"start", [] {}, Stopped()},
        {"play",
         [&] {
             model.Play();
             model.Open("/v/a.avi", nullptr);
         },
         Playing()},
        {"pause", [&] { model.Pause(); }, Paused()},
        {"pause again", [&] { model.Pause(); }, Paused()},
        {"play resumes", [&] { EXPECT_EQ(model.Play(), TPlayStep::Resumed); }, Playing()},
        {"stop", [&] { model.Stop(); }, Stopped()},
        {"stop again", [&] { model.Stop(); }, Stopped()},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(model.View(), s.expected) << s.name;
    }
    EXPECT_EQ(player.Calls, (std::vector<std::string>{"LoadLibraries /opt/LibAV", "Open /v/a.avi", "Pause",
                                                      "Resume", "Stop wait"}));
}

TEST_F(PreviewPanelModelTest, AFileThatCannotOpenStillShowsPlayingUntilStop) {
    player.OpenSucceeds = false;
    model.Play();
    model.Open("/v/broken.avi", nullptr);
    EXPECT_EQ(model.View(), Playing());
    EXPECT_EQ(model.TakeLog(), std::vector<std::string>{"Could not open file"});
    model.Stop();
    EXPECT_EQ(model.View(), Stopped());
}

TEST_F(PreviewPanelModelTest, LibrariesThatDoNotLoadOnlyGoToTheLog) {
    player.LibrariesLoad = false;
    EXPECT_EQ(model.Play(), TPlayStep::NoLibraries);
    EXPECT_EQ(model.View(), Stopped());
    EXPECT_EQ(model.TakeLog(), std::vector<std::string>{"libav or libsdl not loaded."});
    EXPECT_TRUE(model.TakeLog().empty());
}

TEST_F(PreviewPanelModelTest, FileOpenAndPositionTexts) {
    model.Play();
    model.Open("/v/long.avi", nullptr);
    model.FileOpened(3725600000, 640, 480, "Input #0, avi", 180);
    EXPECT_EQ(model.View().Duration, "1:02:06");
    EXPECT_EQ(model.View().SeekMaximum, 180);
    EXPECT_TRUE(model.View().SeekSliderVisible);
    EXPECT_EQ(model.TakeLog(),
              (std::vector<std::string>{"Input #0, avi", "duration: 3725.600000, frame size: 640x480"}));
    model.Position(3725120000);
    EXPECT_EQ(model.View().Time, "01:02:05.120");
    EXPECT_EQ(model.View().SeekPosition, 0); // the bar does not follow playback

    model.FileOpened(0, 640, 480, "", 180); // unknown length
    EXPECT_FALSE(model.View().SeekSliderVisible);
}

TEST_F(PreviewPanelModelTest, EndOfFileRewindsPausesAndShowsStopped) {
    OpenClip();
    model.Position(9 * kSecond);
    player.Calls.clear();
    model.State(psPause); // other states change nothing
    model.State(psEnd);
    model.Position(120000); // from the rewind to the start
    EXPECT_EQ(player.Calls, (std::vector<std::string>{"Seek 0 0", "Pause"}));
    TPreviewPanelView expected = Stopped();
    expected.SeekMaximum = 200;
    EXPECT_EQ(model.View(), expected);
    EXPECT_TRUE(player.Playing()); // still open, at its start
}

// The main window stops the player before an editing dialog, and another window's player stops
// this one: the panel must not keep showing a playing or paused file.
TEST_F(PreviewPanelModelTest, AStopFromOutsideShowsStopped) {
    for (const bool pausedFirst : {false, true}) {
        OpenClip();
        if (pausedFirst) model.Pause();
        model.State(psStop);
        TPreviewPanelView expected = Stopped();
        expected.SeekMaximum = 200;
        EXPECT_EQ(model.View(), expected) << pausedFirst;
        EXPECT_TRUE(model.Stopped());
        EXPECT_EQ(model.Play(), TPlayStep::NeedFile) << "Play opens again, it does not resume";
    }
}

// A step while paused must land on the neighbouring picture, not the keyframe before it; while
// playing it jumps five seconds, where a keyframe is near enough.
TEST_F(PreviewPanelModelTest, StepsWhilePausedSeekExactlyOnePicture) {
    OpenClip();
    model.SetPictureDuration(20000);
    player.RaisePosition(3 * kSecond);
    player.Calls.clear();
    model.Step(-1);
    model.Step(1);
    model.Pause();
    model.Step(-1);
    model.Step(1);
    EXPECT_EQ(player.Calls, (std::vector<std::string>{"SeekRelative 0 -5.000000", "SeekRelative 0 5.000000",
                                                      "Pause", "Seek 16 2980000", "Seek 16 3000000"}));
}

TEST_F(PreviewPanelModelTest, SeekOnReleaseGoesToTheSameFractionOfTheFile) {
    model.SeekReleased(50); // stopped: nothing
    OpenClip();
    player.Calls.clear();
    model.SeekReleased(50);  // a quarter of 200
    model.SeekReleased(199); // truncated, not rounded
    EXPECT_EQ(player.Calls, (std::vector<std::string>{"Seek 0 2500000", "Seek 0 9950000"}));
    EXPECT_EQ(model.View().SeekPosition, 199);
}

TEST_F(PreviewPanelModelTest, VolumeAndMuteReachThePlayerAndTheStoredKeys) {
    settings.SetVolume(90);
    settings.SetMute(true);
    model.RestoreVolume();
    EXPECT_EQ(player.Volume, 90);
    EXPECT_TRUE(player.Muted);
    EXPECT_TRUE(model.View().Mute);
    model.VolumeChanged(30, true);
    EXPECT_EQ(player.Volume, 30);
    EXPECT_EQ(settings.Volume(), 90); // a drag is stored on release
    model.VolumeReleased();
    EXPECT_EQ(settings.Volume(), 30);
    model.VolumeChanged(50, false); // a click, the wheel or a key
    EXPECT_EQ(settings.Volume(), 50);
    model.MuteClicked(false);
    EXPECT_FALSE(player.Muted);
    EXPECT_EQ(settings.MuteValue(), 0);
    EXPECT_TRUE(player.HookOn);
}

TEST_F(PreviewPanelModelTest, SnapshotWritesTheFilesAndOpensTheFolder) {
    settings.SetSnapOutPutDir(tmp.File("snaps"));
    OpenClip();
    EXPECT_FALSE(model.Snapshot()); // no picture yet
    EXPECT_TRUE(system.Calls.empty());
    player.Frame.SetSize(320, 240);
    std::fill(player.Frame.Bits(), player.Frame.Bits() + player.Frame.Stride() * 240, uint8_t{128});
    settings.SetSnapBmp(false);
    EXPECT_TRUE(model.Snapshot());
    EXPECT_EQ(system.Calls, std::vector<std::string>{"open " + tmp.File("snaps")});
    EXPECT_EQ(QImage(QString::fromStdString(tmp.File("snaps/Snapshot_full.jpg"))).size(), QSize(320, 240));
    EXPECT_EQ(QImage(QString::fromStdString(tmp.File("snaps/Snapshot_small.jpg"))).size(), QSize(243, 171));
}

} // namespace
