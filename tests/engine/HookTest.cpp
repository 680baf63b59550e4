// The per-frame drawing hook, frame-rate synchronisation, progress reports and stopping.
#include "EngineLog.h"
#include "TranscodeSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>

namespace orvel {
namespace {

using fixtures::FixtureId;
using testing::Convert;
using testing::DecodeAll;
using testing::EngineLog;
using testing::OutPath;

// Luma at the middle of the first bar (white) of the first decoded picture.
int FirstBarLuma(const std::string& path) {
    int luma = -1;
    DecodeAll(path, AVMEDIA_TYPE_VIDEO, [&](AVFrame* f) {
        if (luma < 0) luma = f->data[0][(f->height / 4) * f->linesize[0] + f->width / 16];
    });
    return luma;
}

std::string Hooked(const char* name, const TTaskHookHandler& hook,
                   const testing::Options& options = {{"vcodec", "mpeg4"}, {"qscale", "2"}, {"an", ""}}) {
    const std::string output = OutPath(std::string("hook-") + name + ".avi");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    task.OnHook = hook;
    Convert(task, {fixtures::Path(FixtureId::Mp4)}, {}, output, options);
    return output;
}

void PaintBlack(THookInfo& info) {
    for (int y = 0; y < info.Bitmap->Height(); ++y)
        std::fill_n(info.Bitmap->Row(y), info.Bitmap->Width() * 3, 0);
}

TEST(HookTest, PaintingChangesTheFrameOnlyWithUpdate) {
    EXPECT_GT(FirstBarLuma(Hooked("none", nullptr)), 200);
    EXPECT_LT(FirstBarLuma(Hooked("paint", [](TCustomFFmpeg&, THookInfo& i) { PaintBlack(i); })), 30);
    EXPECT_GT(FirstBarLuma(Hooked("noupdate",
                                  [](TCustomFFmpeg&, THookInfo& i) {
                                      PaintBlack(i);
                                      i.Update = false;
                                  })),
              200);
}

// The luma plane of every picture, rows of width bytes.
struct Luma {
    int width = 0;
    std::vector<uint8_t> pixels;
    const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * width; }
    bool operator==(const Luma&) const = default;
};
std::vector<Luma> Lumas(const std::string& path) {
    std::vector<Luma> all;
    DecodeAll(path, AVMEDIA_TYPE_VIDEO, [&](AVFrame* f) {
        Luma l{f->width, std::vector<uint8_t>(static_cast<size_t>(f->width) * f->height)};
        for (int y = 0; y < f->height; ++y)
            std::copy_n(f->data[0] + y * f->linesize[0], f->width, l.pixels.begin() + y * f->width);
        all.push_back(std::move(l));
    });
    return all;
}

TEST(HookTest, OnlyWhatTheHandlerDrewReachesTheOutput) {
    // Written without loss, so every difference comes from the hook.
    const testing::Options raw = {{"vcodec", "rawvideo"}, {"an", ""}};
    const std::vector<Luma> plain = Lumas(Hooked("raw-none", nullptr, raw));
    const std::vector<Luma> idle = Lumas(Hooked(
        "raw-idle", [](TCustomFFmpeg&, THookInfo&) {}, raw));
    // A box over rows 100 to 131, like a watermark.
    const std::vector<Luma> box = Lumas(Hooked(
        "raw-box",
        [](TCustomFFmpeg&, THookInfo& info) {
            for (int y = 100; y < 132; ++y)
                std::fill_n(info.Bitmap->Row(y) + 40 * 3, 80 * 3, 0);
        },
        raw));
    ASSERT_GT(plain.size(), 40u);
    EXPECT_TRUE(idle == plain) << "a handler that draws nothing leaves every picture as it was";
    ASSERT_EQ(box.size(), plain.size());
    for (size_t i = 0; i < box.size(); ++i) {
        SCOPED_TRACE("picture " + std::to_string(i));
        const int width = plain[i].width;
        for (int y : {0, 95, 144, 239}) // outside the rows of the box's bands (96 to 143)
            ASSERT_TRUE(std::equal(box[i].Row(y), box[i].Row(y) + width, plain[i].Row(y))) << "row " << y;
        EXPECT_LT(box[i].Row(116)[80], 30);
        EXPECT_GT(std::abs(box[i].Row(116)[80] - plain[i].Row(116)[80]), 40);
    }
}

TEST(HookTest, StopHookOnTheFirstFrameIsCalledOnce) {
    int calls = 0;
    int firstNumber = 0;
    Hooked("stop", [&](TCustomFFmpeg&, THookInfo& info) {
        if (calls++ == 0) firstNumber = info.FrameNumber;
        info.StopHook = true;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(firstNumber, 1);
}

TEST(HookTest, RaisingHookIsLoggedAndTheFrameWrittenUnchanged) {
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

TEST(SyncTest, HigherOutputRateDuplicatesFrames) {
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

TEST(ProgressTest, ReportsCarryEveryFieldAndTheLastHasFileIndexMinusOne) {
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

TEST(ProgressTest, NoReportWhileTheVideoOutputHasNoFrameButAudioOnlyReports) {
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

// An output that receives nothing has no stream time: the report carries the far time, not a
// made-up hundredth of a second that would show a bit rate.
TEST(ProgressTest, WithNothingWrittenTheOutputTimeIsTheFarValue) {
    std::vector<TProgressInfo> reports;
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    task.SetProgressInterval(0);
    task.OnProgress = [&](TCustomFFmpeg&, TProgressInfo& info) { reports.push_back(info); };
    Convert(task, {fixtures::Path(FixtureId::Mp3)}, {}, OutPath("nothing-written.wav"), {{"ss", "10"}});
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().FileIndex, -1);
    EXPECT_EQ(reports.back().CurrentDuration, 10000000000LL * 1000000);
    EXPECT_LT(reports.back().BitRate, 0.001);
}

TEST(ProgressTest, StopLeavesAPlayableFileAndFinishedFalse) {
    const std::string output = OutPath("stopped.mp4");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    task.SetProgressInterval(0);
    task.OnProgress = [&](TCustomFFmpeg& t, TProgressInfo& info) {
        if (info.FrameNumber >= 10) t.RequestStop();
    };
    Convert(task, {fixtures::Path(FixtureId::Mp4)}, {}, output, {{"vcodec", "mpeg4"}});
    EXPECT_FALSE(task.Finished());
    const int frames = DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {});
    EXPECT_GE(frames, 10); // the trailer was written, or the file would not open
    EXPECT_LT(frames, 40);
}

} // namespace
} // namespace orvel
