// The per-frame drawing hook, frame-rate synchronisation, progress reports and stopping.
#include "EngineLog.h"
#include "TranscodeSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace orvel {
namespace {

using fixtures::FixtureId;
using testing::Convert;
using testing::DecodeAll;
using testing::EngineLog;
using testing::OutPath;

// Luma at the middle of the first bar (white) of the first decoded picture.
int FirstBarLuma(const std::string& path)
{
    int luma = -1;
    DecodeAll(path, AVMEDIA_TYPE_VIDEO, [&](AVFrame* f) {
        if (luma < 0)
            luma = f->data[0][(f->height / 4) * f->linesize[0] + f->width / 16];
    });
    return luma;
}

std::string Hooked(const char* name, const TTaskHookHandler& hook)
{
    const std::string output = OutPath(std::string("hook-") + name + ".avi");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    task.OnHook = hook;
    Convert(task, {fixtures::Path(FixtureId::Mp4)}, {}, output, {{"vcodec", "mpeg4"}, {"qscale", "2"}, {"an", ""}});
    return output;
}

void PaintBlack(THookInfo& info)
{
    for (int y = 0; y < info.Bitmap->Height(); ++y)
        std::fill_n(info.Bitmap->Row(y), info.Bitmap->Width() * 3, 0);
}

TEST(HookTest, PaintingChangesTheFrameOnlyWithUpdate)
{
    EXPECT_GT(FirstBarLuma(Hooked("none", nullptr)), 200);
    EXPECT_LT(FirstBarLuma(Hooked("paint", [](TCustomFFmpeg&, THookInfo& i) { PaintBlack(i); })), 30);
    EXPECT_GT(FirstBarLuma(Hooked("noupdate", [](TCustomFFmpeg&, THookInfo& i) {
                  PaintBlack(i);
                  i.Update = false;
              })),
              200);
}

TEST(HookTest, StopHookOnTheFirstFrameIsCalledOnce)
{
    int calls = 0;
    int firstNumber = 0;
    Hooked("stop", [&](TCustomFFmpeg&, THookInfo& info) {
        if (calls++ == 0)
            firstNumber = info.FrameNumber;
        info.StopHook = true;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(firstNumber, 1);
}

TEST(HookTest, RaisingHookIsLoggedAndTheFrameWrittenUnchanged)
{
    EngineLog log;
    int calls = 0;
    const std::string output = Hooked("raise", [&](TCustomFFmpeg&, THookInfo& info) {
        ++calls;
        PaintBlack(info);
        throw std::runtime_error("brush broke");
    });
    EXPECT_GT(calls, 1); // the hook stays on
    EXPECT_GT(FirstBarLuma(output), 200);
    EXPECT_TRUE(log.Has(llError, "Error occurs OnCustomHook: brush broke"));
}

TEST(SyncTest, HigherOutputRateDuplicatesFrames)
{
    const std::string output = OutPath("dup.avi");
    TCustomFFmpeg task;
    task.SetVerbosity(3);
    EngineLog log;
    Convert(task, {fixtures::Path(FixtureId::Mp4)}, {}, output,
            {{"vcodec", "mpeg4"}, {"r", "30"}, {"vsync", "1"}, {"an", ""}});
    const int frames = DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {});
    EXPECT_NEAR(frames, 60, 2);
    EXPECT_TRUE(log.Contains(" dup="));
    EXPECT_TRUE(log.Contains("*** 1 dup!"));
}

TEST(ProgressTest, ReportsCarryEveryFieldAndTheLastHasFileIndexMinusOne)
{
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    task.SetProgressInterval(0);
    std::vector<TProgressInfo> reports;
    task.OnProgress = [&](TCustomFFmpeg&, TProgressInfo& info) { reports.push_back(info); };
    Convert(task, {fixtures::Path(FixtureId::Mp4)}, {}, OutPath("progress.avi"), {{"vcodec", "mpeg4"}});
    ASSERT_GT(reports.size(), 2u);
    for (size_t i = 0; i + 1 < reports.size(); ++i) {
        EXPECT_EQ(reports[i].FileIndex, 0);
        EXPECT_GE(reports[i].CurrentDuration, 10000);
        EXPECT_GT(reports[i].FrameNumber, 0);
    }
    const TProgressInfo& last = reports.back();
    EXPECT_EQ(last.FileIndex, -1);
    EXPECT_NEAR(last.FrameNumber, 50, 1);
    EXPECT_GT(last.CurrentSize, 0);
    EXPECT_GT(last.BitRate, 0);
    EXPECT_NEAR(last.CurrentDuration / 1e6, 2.0, 0.1);
    EXPECT_GT(last.TotalDuration, 1900000);
}

TEST(ProgressTest, NoReportWhileTheVideoOutputHasNoFrameButAudioOnlyReports)
{
    int videoReports = 0;
    {
        TCustomFFmpeg task;
        task.SetVerbosity(-1);
        task.SetProgressInterval(0);
        task.OnProgress = [&](TCustomFFmpeg&, TProgressInfo&) { ++videoReports; };
        Convert(task, {fixtures::Path(FixtureId::Mp4)}, {}, OutPath("noframes.avi"),
                {{"vcodec", "mpeg4"}, {"vframes", "0"}});
    }
    EXPECT_EQ(videoReports, 0);
    std::vector<TProgressInfo> audio;
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    task.SetProgressInterval(0);
    task.OnProgress = [&](TCustomFFmpeg&, TProgressInfo& info) { audio.push_back(info); };
    Convert(task, {fixtures::Path(FixtureId::Mp3)}, {}, OutPath("audio-progress.wav"), {});
    ASSERT_FALSE(audio.empty());
    EXPECT_EQ(audio.back().FrameNumber, -1);
    EXPECT_EQ(audio.back().FPS, -1);
    EXPECT_EQ(audio.back().FileIndex, -1);
}

TEST(ProgressTest, StopLeavesAPlayableFileAndFinishedFalse)
{
    const std::string output = OutPath("stopped.mp4");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    task.SetProgressInterval(0);
    task.OnProgress = [&](TCustomFFmpeg& t, TProgressInfo& info) {
        if (info.FrameNumber >= 10)
            t.RequestStop();
    };
    Convert(task, {fixtures::Path(FixtureId::Mp4)}, {}, output, {{"vcodec", "mpeg4"}});
    EXPECT_FALSE(task.Finished());
    const int frames = DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {});
    EXPECT_GE(frames, 10); // the trailer was written, or the file would not open
    EXPECT_LT(frames, 40);
}

} // namespace
} // namespace orvel
