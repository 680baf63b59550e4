// The pipelined run against the single-threaded one: the same job gives the same bytes, the same
// hook calls and the same progress reports in the same order; its extra threads keep the
// worker's scheduling; a stop ends every stage with the trailer written.
#include "TranscodeSupport.h"
#include "engine/component/FFmpeg.h"
#include "probe/AVProbe.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>
#include <tuple>

using namespace orvel;
using namespace orvel::testing;

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A box whose shade and place follow the frame number and the timestamp the hook is given, so a
// picture handed over with another frame's number or time changes the output.
void DrawBox(THookInfo& info) {
    Bitmap24& bmp = *info.Bitmap;
    const int side = std::min(bmp.Width(), bmp.Height()) / 4;
    const int64_t room = std::max(1, bmp.Width() - side);
    const int left = static_cast<int>(((info.PTS / 40000 * 4) % room + room) % room); // times may be negative
    const auto shade = static_cast<uint8_t>(info.FrameNumber * 7);
    for (int y = 0; y < side; ++y)
        std::memset(bmp.Row(y) + left * 3, shade, static_cast<size_t>(side) * 3);
}

struct Job {
    const char* name;
    std::string input;
    Options inputOptions;
    Options outputOptions;
    const char* extension;
    bool hook = false;
    bool twoPass = false;
};

struct Result {
    std::string bytes;
    std::string passLog;
    std::vector<std::string> hookCalls;
    std::vector<std::string> reports;
};

Result RunJob(const Job& job, bool pipelined) {
    const std::string tag = std::string(job.name) + (pipelined ? "-pipelined" : "-inline");
    const std::string output = OutPath(tag + "." + job.extension);
    const std::string passLog = OutPath(tag + "-pass");
    Result result;
    const int passes = job.twoPass ? 2 : 1;
    for (int pass = 1; pass <= passes; ++pass) {
        TCustomFFmpeg task;
        task.SetVerbosity(-1);
        task.SetPipelined(pipelined);
        task.SetProgressInterval(0); // a report after every packet: the whole sequence is compared
        if (job.hook)
            task.OnHook = [&](TCustomFFmpeg&, THookInfo& info) {
                result.hookCalls.push_back(std::to_string(info.FrameNumber) + "@" + std::to_string(info.PTS));
                DrawBox(info);
            };
        task.OnProgress = [&](TCustomFFmpeg&, const TProgressInfo& p) {
            result.reports.push_back(std::to_string(p.FileIndex) + " " + std::to_string(p.FrameNumber) + " " +
                                     std::to_string(p.CurrentSize) + " " + std::to_string(p.CurrentDuration));
        };
        Options out = job.outputOptions;
        if (job.twoPass) {
            out.push_back({"pass", std::to_string(pass)});
            out.push_back({"passlogfile", passLog});
        }
        Convert(task, {job.input}, job.inputOptions, output, out);
    }
    result.bytes = Bytes(output);
    if (job.twoPass) result.passLog = Bytes(passLog + "-0.log");
    return result;
}

// One input and one output, opened as the component opens them before a start.
void Open(TCustomFFmpeg& task, const std::string& input, const Options& options, const std::string& output) {
    task.OpenInput(input);
    Apply(task, options);
    task.OpenOutput(output, false);
}

template <class Done> void WaitUntil(Done done, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

std::string Detailed(double seconds) {
    fixtures::ClipRecipe recipe;
    recipe.seconds = seconds;
    recipe.detail = true;
    return fixtures::Generate(recipe);
}

} // namespace

TEST(PipelinedRun, GivesTheSameOutputAsTheSingleThreadedLoop) {
    const std::string clip = Detailed(3);
    const Options mpeg4 = {{"vcodec", "mpeg4"}, {"b", "600000"}, {"acodec", "aac"}, {"ab", "96000"}};
    const Job jobs[] = {
        {"video", clip, {}, mpeg4, "mp4"},
        // libx264 is left out: with threads of its own its stream depends on which of them
        // finishes first, so two runs of the same job may differ in either mode.
        {"video-mp3-avi", clip, {}, {{"vcodec", "mpeg4"}, {"s", "160x120"}, {"acodec", "libmp3lame"}}, "avi"},
        {"audio-only",
         fixtures::Path(fixtures::FixtureId::Mp3),
         {},
         {{"acodec", "aac"}, {"ar", "22050"}},
         "m4a"},
        {"audio-copied", clip, {}, {{"vcodec", "mpeg4"}, {"acodec", "copy"}}, "mp4"},
        {"hook-deinterlaced",
         clip,
         {},
         {{"vcodec", "mpeg4"}, {"deinterlace", ""}, {"acodec", "aac"}},
         "mp4",
         true},
        {"trimmed",
         clip,
         {{"ss", "0.8"}},
         {{"t", "1.2"}, {"vcodec", "mpeg4"}, {"acodec", "libmp3lame"}},
         "avi",
         true},
        {"two-pass", clip, {}, {{"vcodec", "mpeg4"}, {"b", "300000"}, {"an", ""}}, "avi", false, true},
    };
    for (const Job& job : jobs) {
        SCOPED_TRACE(job.name);
        const Result single = RunJob(job, false);
        const Result pipelined = RunJob(job, true);
        ASSERT_GT(single.bytes.size(), 1000u);
        EXPECT_TRUE(single.bytes == pipelined.bytes)
            << single.bytes.size() << " vs " << pipelined.bytes.size();
        EXPECT_EQ(single.passLog, pipelined.passLog);
        EXPECT_EQ(single.hookCalls, pipelined.hookCalls);
        EXPECT_EQ(single.reports, pipelined.reports);
        EXPECT_EQ(single.hookCalls.empty(), !job.hook);
    }
}

// The stage threads are started by the worker and take its scheduling: an idle-priority task
// draws (hook, picture stage) and encodes (progress, encoder stage) at idle priority too.
TEST(PipelinedRun, StageThreadsKeepTheWorkersScheduling) {
    struct Seen {
        int policy;
        int nice;
        std::thread::id thread;
    };
    const auto now = [] {
        errno = 0;
        const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        return Seen{sched_getscheduler(0), nice, std::this_thread::get_id()};
    };
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, 0);
    const struct {
        TThreadPriority priority;
        int policy;
        int nice;
    } cases[] = {{tpIdle, SCHED_IDLE, base}, {tpLowest, SCHED_OTHER, std::min(base + 10, 19)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.priority);
        auto task = std::make_shared<TFFmpeg>();
        task->SetVerbosity(-1);
        task->SetProgressInterval(0);
        std::mutex m;
        std::vector<Seen> hook, progress;
        task->OnHook = [&](TCustomFFmpeg&, THookInfo&) {
            std::lock_guard lock(m);
            hook.push_back(now());
        };
        task->OnProgress = [&](TCustomFFmpeg&, const TProgressInfo& p) {
            std::lock_guard lock(m);
            if (p.FileIndex >= 0) progress.push_back(now()); // the last report comes from the worker
        };
        std::atomic<bool> ended{false};
        task->OnTerminate = [&](TCustomFFmpeg&) { ended = true; };
        Open(*task, fixtures::Path(fixtures::FixtureId::Mp4), Options{{"vcodec", "mpeg4"}, {"an", ""}},
             OutPath("scheduled.avi"));
        task->Start(true, c.priority, false);
        WaitUntil([&] { return ended.load(); }, 120000);
        ASSERT_TRUE(ended);
        std::lock_guard lock(m);
        ASSERT_FALSE(hook.empty());
        ASSERT_FALSE(progress.empty());
        EXPECT_NE(hook[0].thread, progress[0].thread); // two stages indeed
        for (const auto* seen : {&hook, &progress})
            for (const Seen& s : *seen) {
                EXPECT_EQ(s.policy, c.policy);
                EXPECT_EQ(s.nice, c.nice);
            }
    }
}

// A stop ends reading, picture work and encoding; the trailer is written and the termination
// comes after every stage has ended.
TEST(PipelinedRun, StopEndsEveryStageWithTheTrailerWritten) {
    auto task = std::make_shared<TFFmpeg>();
    task->SetVerbosity(-1);
    std::atomic<int> hookCalls{0};
    std::atomic<bool> terminated{false};
    std::atomic<int> callsAfterTermination{0};
    task->OnHook = [&](TCustomFFmpeg&, THookInfo& info) {
        if (terminated) ++callsAfterTermination;
        if (++hookCalls == 5) task->RequestStop();
        DrawBox(info);
    };
    task->OnTerminate = [&](TCustomFFmpeg&) { terminated = true; };
    const std::string output = OutPath("stopped.mp4");
    Open(*task, Detailed(8), Options{{"vcodec", "mpeg4"}, {"acodec", "aac"}}, output);
    task->Start(false, tpNormal, false);
    EXPECT_TRUE(terminated);
    EXPECT_FALSE(task->Finished());
    // At most the pictures queued between the stages are offered after the stop.
    EXPECT_LE(hookCalls.load(), 5 + 4);
    EXPECT_EQ(callsAfterTermination.load(), 0);
    const Probed probed = Probe(output);
    EXPECT_EQ(probed.format, "mov,mp4,m4a,3gp,3g2,mj2"); // readable: the index was written
    const ProbedStream* video = probed.First(AVMEDIA_TYPE_VIDEO);
    const ProbedStream* audio = probed.First(AVMEDIA_TYPE_AUDIO);
    ASSERT_NE(video, nullptr);
    ASSERT_NE(audio, nullptr);
    // The sound queued behind the pictures is let go with them: it ends near the picture.
    EXPECT_LT(audio->seconds, video->seconds + 0.3);
}

// A pause holds every stage: no picture reaches the hook, no report is raised and nothing is
// written until the task is resumed; then it finishes.
TEST(PipelinedRun, PauseHoldsEveryStage) {
    auto task = std::make_shared<TFFmpeg>();
    task->SetVerbosity(-1);
    task->SetProgressInterval(0);
    std::atomic<int> hookCalls{0}, reports{0};
    std::atomic<bool> ended{false};
    task->OnHook = [&](TCustomFFmpeg&, THookInfo&) { ++hookCalls; };
    task->OnProgress = [&](TCustomFFmpeg&, const TProgressInfo&) {
        if (++reports == 1) task->Pause();
    };
    task->OnTerminate = [&](TCustomFFmpeg&) { ended = true; };
    const std::string output = OutPath("paused.avi");
    Open(*task, Detailed(4), Options{{"vcodec", "mpeg4"}, {"acodec", "libmp3lame"}}, output);
    task->Start(true, tpNormal, false);
    WaitUntil([&] { return reports > 0; }, 60000);
    ASSERT_GT(reports.load(), 0);
    // Each stage finishes the item it holds and stops at its gate; on a busy machine that may
    // take a moment, so wait until everything stands still, then check that it stays still.
    auto state = [&] {
        return std::make_tuple(hookCalls.load(), reports.load(), std::filesystem::file_size(output));
    };
    auto seen = state();
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        if (state() == seen) break;
        seen = state();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_EQ(state(), seen);
    EXPECT_FALSE(ended);
    task->Resume();
    WaitUntil([&] { return ended.load(); }, 120000);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(task->Finished());
    EXPECT_GT(hookCalls.load(), std::get<0>(seen));
}
