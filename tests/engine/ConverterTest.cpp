// The conversion component: its settings, task list refusals and limits, and whole batches run
// synchronously and in worker threads with pause, resume and stop.
#include "engine/component/FFmpegConverter.h"
#include "engine/component/MainThreadDispatcher.h"
#include "fixtures/Fixtures.h"
#include "probe/AVProbe.h"
#include "support/DeadlockWatch.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <stdexcept>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orvel {
namespace {

namespace fs = std::filesystem;
using fixtures::FixtureId;

constexpr int kEndTimeoutMs = 240000; // generous: the thread-sanitizer build is slow

std::string OutDir(const std::string& name) {
    const fs::path dir = fs::path(ORVEL_BINARY_DIR) / "converter-test" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

// A clip long enough that a conversion is still running when the test acts on it; larger
// pictures where the test must act while the pipelined task, which converts the small clip in
// about a tenth of a second, is still under way.
std::string LongClip(int width = 320, int height = 240) {
    fixtures::ClipRecipe recipe;
    recipe.container = "avi";
    recipe.videoCodec = "mpeg4";
    recipe.audioCodec = "mp2";
    recipe.seconds = 12.0;
    recipe.width = width;
    recipe.height = height;
    return fixtures::Generate(recipe);
}

TOutputOptions AviOutput() {
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    o.AudioCodec = "mp2";
    return o;
}

// Collects a batch's events; the test thread is the main thread of a queued dispatcher.
class Recorder {
public:
    explicit Recorder(TFFmpegConverter& converter) {
        EXPECT_TRUE(converter.LoadLibraries("")) << converter.LastErrorMessage();
        SetMainThreadDispatcher(&dispatcher_);
        converter.OnTerminate = [this](TCustomFFmpegConverter*, const TTerminateInfo& info) {
            std::lock_guard lock(mutex_);
            terminated_.push_back(info);
        };
        converter.OnProgress = [this](TCustomFFmpegConverter* sender, PProgressInfo info) {
            bool first;
            {
                std::lock_guard lock(mutex_);
                progress_.push_back(info->TaskIndex);
                first = progress_.size() == 1;
            }
            if (pauseAtFirstProgress_ && first) sender->Pause();
        };
    }
    ~Recorder() { SetMainThreadDispatcher(nullptr); }

    void PauseAtFirstProgress() { pauseAtFirstProgress_ = true; }
    bool ServeUntil(const std::function<bool()>& pred, int timeoutMs = kEndTimeoutMs) {
        return dispatcher_.ServeUntil(pred, timeoutMs);
    }
    bool WaitForEnd() {
        return ServeUntil([this] {
            std::lock_guard lock(mutex_);
            return !terminated_.empty() && terminated_.back().TaskIndex == -1;
        });
    }
    bool WaitForProgress() {
        return ServeUntil([this] { return ProgressCount() > 0; });
    }
    std::vector<TTerminateInfo> Terminated() {
        std::lock_guard lock(mutex_);
        return terminated_;
    }
    std::vector<int> Progress() {
        std::lock_guard lock(mutex_);
        return progress_;
    }
    size_t ProgressCount() {
        std::lock_guard lock(mutex_);
        return progress_.size();
    }

private:
    QueuedDispatcher dispatcher_;
    std::mutex mutex_;
    std::vector<TTerminateInfo> terminated_;
    std::vector<int> progress_;
    std::atomic<bool> pauseAtFirstProgress_{false};
};

// Adds a task converting `input` into dir/name with the given options.
int AddConversion(TFFmpegConverter& c, const std::string& input, const std::string& output,
                  const TOutputOptions& options = AviOutput()) {
    const int index = c.AddTask(input);
    EXPECT_GE(index, 0) << c.LastErrorMessage();
    if (index >= 0) {
        EXPECT_TRUE(c.SetOutputFile(index, output, &options)) << c.LastErrorMessage();
    }
    return index;
}

std::vector<AVCodecID> StreamCodecs(const std::string& file, AVMediaType type) {
    AVFormatContext* ctx = nullptr;
    std::vector<AVCodecID> ids;
    if (avformat_open_input(&ctx, file.c_str(), nullptr, nullptr) < 0) return ids;
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        if (ctx->streams[i]->codecpar->codec_type == type) ids.push_back(ctx->streams[i]->codecpar->codec_id);
    avformat_close_input(&ctx);
    return ids;
}

TEST(ConverterSettings, DefaultsAndProgressIntervalFloor) {
    TFFmpegConverter c;
    EXPECT_EQ(TFFmpegConverter::Version(), "3.3");
    EXPECT_EQ(c.ProgressInterval(), 500);
    EXPECT_TRUE(c.TriggerEventInMainThread());
    EXPECT_EQ(c.ThreadPriority(), tpNormal);
    for (auto [written, read] : {std::pair{50, 100}, {99, 100}, {100, 100}, {250, 250}, {-5, 100}}) {
        c.SetProgressInterval(written);
        EXPECT_EQ(c.ProgressInterval(), read) << written;
    }
}

TEST(ConverterTasks, MissingInputLeavesNoTask) {
    TFFmpegConverter c;
    ASSERT_TRUE(c.LoadLibraries("")) << c.LastErrorMessage();
    const std::string missing = OutDir("missing") + "/no-such-file.avi";
    EXPECT_EQ(c.AddTask(missing), -1);
    EXPECT_EQ(c.TaskCount(), 0);
    EXPECT_NE(c.LastErrorMessage().find("No such file or directory"), std::string::npos)
        << c.LastErrorMessage();
}

TEST(ConverterTasks, TwentyOutputsAtMost) {
    TFFmpegConverter c;
    ASSERT_TRUE(c.LoadLibraries("")) << c.LastErrorMessage();
    const std::string dir = OutDir("limit");
    const int t = c.AddTask(fixtures::Path(FixtureId::Mp4));
    ASSERT_EQ(t, 0) << c.LastErrorMessage();
    // The task's input is readable through its probe without opening the file again.
    ASSERT_NE(c.GetTaskProbe(t, 0), nullptr);
    EXPECT_EQ(c.GetTaskProbe(t, 0)->VideoStreamCount(), 1);
    EXPECT_FALSE(c.GetTaskProbe(t, 0)->OwnsInput());
    EXPECT_EQ(c.GetTaskProbe(t, 1), nullptr);
    for (int i = 0; i < 20; ++i) {
        const TOutputOptions o = AviOutput();
        ASSERT_TRUE(c.SetOutputFile(t, dir + "/out" + std::to_string(i) + ".avi", &o))
            << c.LastErrorMessage();
    }
    EXPECT_FALSE(c.SetOutputFile(t, dir + "/out20.avi"));
    EXPECT_EQ(c.LastErrorMessage(), "max output files 20 reached");
    EXPECT_FALSE(fs::exists(dir + "/out20.avi"));
    // A task that does not exist is reported the same way, never thrown out of the call.
    for (int bad : {-1, 1}) {
        EXPECT_FALSE(c.SetOutputFile(bad, dir + "/bad.avi")) << bad;
        EXPECT_EQ(c.LastErrorMessage(), "List index out of bounds (" + std::to_string(bad) + ")");
    }
}

TEST(ConverterTasks, TaskWithoutOutputFailsWithoutRunning) {
    TFFmpegConverter c;
    Recorder r(c);
    ASSERT_EQ(c.AddTask(fixtures::Path(FixtureId::Mp4)), 0) << c.LastErrorMessage();
    c.StartTask(0);
    const auto events = r.Terminated();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].TaskIndex, 0);
    EXPECT_TRUE(events[0].Exception);
    EXPECT_FALSE(events[0].Finished);
    EXPECT_EQ(events[0].ExceptionMsg, "At least one output file must be specified");
    EXPECT_EQ(events[1].TaskIndex, -1);
    EXPECT_TRUE(events[1].Finished);
    EXPECT_EQ(r.ProgressCount(), 0u);
}

// A failing task in the middle of a threaded batch ends alone; the next one still runs.
TEST(ConverterTasks, FailedTaskDoesNotStopTheBatch) {
    TFFmpegConverter c;
    Recorder r(c);
    const std::string dir = OutDir("failed-middle");
    const std::string input = fixtures::Path(FixtureId::Mp4);
    ASSERT_EQ(AddConversion(c, input, dir + "/0.avi"), 0);
    ASSERT_EQ(c.AddTask(input), 1); // no output
    ASSERT_EQ(AddConversion(c, input, dir + "/2.avi"), 2);
    c.StartTask(1);
    ASSERT_TRUE(r.WaitForEnd());
    const auto events = r.Terminated();
    ASSERT_EQ(events.size(), 4u);
    const bool expectedException[] = {false, true, false};
    for (int i = 0; i < 3; ++i) {
        const TTerminateInfo& e = events[static_cast<size_t>(i)];
        EXPECT_EQ(e.TaskIndex, i);
        EXPECT_EQ(e.Exception, expectedException[i]) << e.ExceptionMsg;
        EXPECT_EQ(e.Finished, !expectedException[i]);
    }
    EXPECT_EQ(events[3].TaskIndex, -1);
    EXPECT_EQ(StreamCodecs(dir + "/2.avi", AVMEDIA_TYPE_VIDEO).size(), 1u);
}

// Three tasks with 0 (in the caller), 1 and 2 worker threads: each task reports once, having
// converted its file, and the end-of-batch report comes last.
class ConverterBatch : public testing::TestWithParam<int> {};

TEST_P(ConverterBatch, EveryTaskEndsThenTheBatch) {
    const int threads = GetParam();
    TFFmpegConverter c;
    c.SetProgressInterval(100);
    Recorder r(c);
    const std::string dir = OutDir("batch" + std::to_string(threads));
    const std::string input = fixtures::Path(FixtureId::Mp4);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(AddConversion(c, input, dir + "/out" + std::to_string(i) + ".avi"), i);

    c.StartTask(threads);
    if (threads == 0) {
        EXPECT_EQ(r.Terminated().size(), 4u) << "synchronous start returns after the batch";
    }
    ASSERT_TRUE(r.WaitForEnd());
    EXPECT_TRUE(c.AllDone());

    const auto events = r.Terminated();
    ASSERT_EQ(events.size(), 4u);
    std::vector<int> order;
    for (const TTerminateInfo& e : events) {
        order.push_back(e.TaskIndex);
        EXPECT_TRUE(e.Finished) << e.TaskIndex;
        EXPECT_FALSE(e.Exception) << e.ExceptionMsg;
    }
    EXPECT_EQ(order.back(), -1);
    if (threads <= 1) {
        EXPECT_EQ(order, (std::vector<int>{0, 1, 2, -1}));
        // One after another: once a task reports progress, the earlier ones never do again.
        const auto progress = r.Progress();
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        for (int i = 0; i < 3; ++i)
            EXPECT_NE(std::find(progress.begin(), progress.end(), i), progress.end()) << i;
    } else {
        std::sort(order.begin(), order.end());
        EXPECT_EQ(order, (std::vector<int>{-1, 0, 1, 2}));
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(StreamCodecs(dir + "/out" + std::to_string(i) + ".avi", AVMEDIA_TYPE_VIDEO).size(), 1u);

    c.ClearTasks();
    EXPECT_EQ(c.TaskCount(), 0);
    EXPECT_FALSE(c.Working());
}

INSTANTIATE_TEST_SUITE_P(ThreadCounts, ConverterBatch, testing::Values(0, 1, 2));

// The application clears the tasks from its end-of-batch handler; the batch counts as ended by
// then, in either mode.
TEST(ConverterControl, EndOfBatchHandlerMayClearTheTasks) {
    for (const int threads : {0, 1}) {
        SCOPED_TRACE(threads);
        TFFmpegConverter c;
        Recorder r(c);
        std::atomic<bool> cleared{false};
        const TTerminateEvent record = c.OnTerminate;
        c.OnTerminate = [&](TCustomFFmpegConverter* sender, const TTerminateInfo& info) {
            if (info.TaskIndex == -1) {
                sender->ClearTasks();
                cleared = sender->TaskCount() == 0 && !sender->Working();
            }
            record(sender, info);
        };
        const std::string dir = OutDir("clear-at-end" + std::to_string(threads));
        for (int i = 0; i < 2; ++i)
            ASSERT_EQ(
                AddConversion(c, fixtures::Path(FixtureId::Mp4), dir + "/" + std::to_string(i) + ".avi"), i);
        c.StartTask(threads);
        ASSERT_TRUE(r.WaitForEnd());
        EXPECT_TRUE(cleared);
        EXPECT_EQ(r.Terminated().size(), 3u);
    }
}

// The progress window's close: a stop with waiting while the end-of-batch handler, in its own
// thread, clears the tasks and the threads that reported them.
TEST(ConverterControl, StopWithWaitingWhileTheEndOfBatchHandlerClearsTheTasks) {
    TFFmpegConverter c;
    c.SetProgressInterval(100);
    Recorder r(c);
    const TTerminateEvent record = c.OnTerminate;
    c.OnTerminate = [&](TCustomFFmpegConverter* sender, const TTerminateInfo& info) {
        if (info.TaskIndex == -1) sender->ClearTasks();
        record(sender, info);
    };
    const std::string dir = OutDir("stop-while-clearing");
    const std::string input = LongClip();
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(AddConversion(c, input, dir + "/out" + std::to_string(i) + ".avi"), i);
    c.StartTask(1);
    ASSERT_TRUE(r.WaitForProgress());
    {
        testsupport::DeadlockWatch watch("Stop(true) while the tasks are cleared", std::chrono::seconds(120));
        c.Stop(true);
    }
    ASSERT_TRUE(r.WaitForEnd());
    EXPECT_EQ(r.Terminated().size(), 5u);
    EXPECT_EQ(c.TaskCount(), 0);
    EXPECT_FALSE(c.Working());
}

// Tasks that never ran report nothing when they are removed or freed; only Stop reports them.
TEST(ConverterControl, RemovingAnUnstartedTaskRaisesNoEvent) {
    TFFmpegConverter c;
    Recorder r(c);
    const std::string dir = OutDir("remove");
    ASSERT_EQ(AddConversion(c, fixtures::Path(FixtureId::Mp4), dir + "/a.avi"), 0);
    ASSERT_EQ(AddConversion(c, fixtures::Path(FixtureId::Mp4), dir + "/b.avi"), 1);
    c.RemoveTask(0);
    EXPECT_EQ(c.TaskCount(), 1);
    EXPECT_THROW(c.RemoveTask(1), std::out_of_range);
    c.ClearTasks();
    r.ServeUntil([] { return false; }, 100);
    EXPECT_TRUE(r.Terminated().empty());
}

// Waits, serving nothing, until the condition holds; false after ten seconds.
bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 1000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

// The end-of-batch report waits behind the task's report; once the events are detached it must
// not reach the handler the application has dropped.
TEST(ConverterControl, DetachEventsDropsReportsAlreadyOnTheirWay) {
    std::atomic<int> calls{0};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    {
        TFFmpegConverter c;
        ASSERT_TRUE(c.LoadLibraries("")) << c.LastErrorMessage();
        c.SetTriggerEventInMainThread(false);
        c.OnTerminate = [&](TCustomFFmpegConverter*, const TTerminateInfo&) {
            if (calls++ == 0) released.wait();
        };
        ASSERT_EQ(AddConversion(c, fixtures::Path(FixtureId::Wav), OutDir("detach") + "/a.avi"), 0);
        c.StartTask(1);
        ASSERT_TRUE(WaitFor([&] { return calls.load() == 1; }));
        // AllDone waits for the terminate lock, so both reports have been handed on by now.
        ASSERT_TRUE(WaitFor([&] { return c.AllDone(); }));
        c.DetachEvents();
        release.set_value();
    } // the component joins its delivery threads
    EXPECT_EQ(calls.load(), 1);
}

// Preview flags change while a task runs; the worker reads them under their lock (checked by the
// thread sanitizer build).
TEST(ConverterControl, PreviewFlagsChangeWhileATaskRuns) {
    TFFmpegConverter c;
    ASSERT_TRUE(c.LoadLibraries("")) << c.LastErrorMessage();
    c.SetTriggerEventInMainThread(false);
    std::atomic<bool> ended{false};
    c.OnTerminate = [&](TCustomFFmpegConverter*, const TTerminateInfo& info) {
        if (info.TaskIndex == -1) ended = true;
    };
    c.OnPreviewBitmap = [](TCustomFFmpegConverter*, const TPreviewInfo&) {};
    ASSERT_EQ(AddConversion(c, fixtures::Path(FixtureId::Mp4), OutDir("preview-flags") + "/a.avi"), 0);
    c.StartTask(1);
    for (int i = 0; !ended && i < 2000; ++i) {
        c.SetPreviewBitmap(i % 2 == 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(WaitFor([&] { return ended.load(); }));
}

TEST(ConverterSettings, WorkerPriorityBecomesSchedulingAndNice) {
    struct Case {
        TThreadPriority Priority;
        int Policy;
        int NiceOffset;
    };
    const Case cases[] = {{tpIdle, SCHED_IDLE, 0},
                          {tpLowest, SCHED_OTHER, 10},
                          {tpLower, SCHED_OTHER, 5},
                          {tpNormal, SCHED_OTHER, 0}};
    const int base = getpriority(PRIO_PROCESS, 0);
    for (const Case& c : cases) {
        int policy = -1, nice = 99;
        std::thread worker([&] {
            EXPECT_TRUE(ApplyThreadPriority(c.Priority));
            sched_param param{};
            pthread_getschedparam(pthread_self(), &policy, &param);
            nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        });
        worker.join();
        EXPECT_EQ(policy, c.Policy) << c.Priority;
        if (c.Policy == SCHED_OTHER) {
            EXPECT_EQ(nice, std::min(base + c.NiceOffset, 19)) << c.Priority;
        }
    }
}

TEST(ConverterControl, StopWhileWorkingEndsEveryTaskAndRefusesChanges) {
    TFFmpegConverter c;
    c.SetProgressInterval(100);
    Recorder r(c);
    r.PauseAtFirstProgress();
    const std::string dir = OutDir("stop");
    const std::string input = LongClip();
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(AddConversion(c, input, dir + "/out" + std::to_string(i) + ".avi"), i);

    c.StartTask(1);
    ASSERT_TRUE(r.WaitForProgress());

    // While the batch runs the task list is fixed.
    const std::vector<std::pair<std::string, std::function<void()>>> refused = {
        {"Cannot AddTask while working.", [&] { c.AddTask(input); }},
        {"Cannot SetOutputFile while working.", [&] { c.SetOutputFile(0, dir + "/x.avi"); }},
        {"Cannot RemoveTask while working.", [&] { c.RemoveTask(2); }},
        {"Cannot StartTask while working.", [&] { c.StartTask(1); }},
        {"Cannot ClearTasks while working.", [&] { c.ClearTasks(); }},
    };
    for (const auto& [text, operation] : refused) {
        try {
            operation();
            ADD_FAILURE() << "not refused: " << text;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), text);
        }
    }
    EXPECT_EQ(c.TaskCount(), 3);

    // The running task is paused; Stop must still reach it.
    c.Stop(true);
    ASSERT_TRUE(r.WaitForEnd());
    const auto events = r.Terminated();
    ASSERT_EQ(events.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(events[static_cast<size_t>(i)].TaskIndex, i);
        EXPECT_FALSE(events[static_cast<size_t>(i)].Finished) << i;
        EXPECT_FALSE(events[static_cast<size_t>(i)].Exception) << events[static_cast<size_t>(i)].ExceptionMsg;
    }
    EXPECT_EQ(events[3].TaskIndex, -1);
    // The stopped output is still a complete file.
    EXPECT_EQ(StreamCodecs(dir + "/out0.avi", AVMEDIA_TYPE_VIDEO).size(), 1u);
    EXPECT_FALSE(fs::exists(dir + "/out1.avi") && fs::file_size(dir + "/out1.avi") > 0);

    c.ClearTasks();
    EXPECT_EQ(c.TaskCount(), 0);
    EXPECT_GE(c.AddTask(input), 0) << "idle again after ClearTasks";
}

TEST(ConverterControl, PauseHoldsTheTaskAndResumeFinishesIt) {
    TFFmpegConverter c;
    // A report after every packet: the pipelined task converts this clip in less than any
    // longer interval, and the pause must come while it still runs.
    c.SetProgressInterval(0);
    Recorder r(c);
    r.PauseAtFirstProgress();
    const std::string out = OutDir("pause") + "/out.avi";
    ASSERT_EQ(AddConversion(c, LongClip(640, 480), out), 0);

    c.StartTask(1);
    ASSERT_TRUE(r.WaitForProgress());
    // The worker reaches the gate at its next packet, which on a busy machine may take a while:
    // wait until the file and the events stand still, then check that they stay still.
    auto size = fs::file_size(out);
    size_t events = r.ProgressCount();
    for (int i = 0; i < 20; ++i) {
        r.ServeUntil([] { return false; }, 250);
        if (fs::file_size(out) == size && r.ProgressCount() == events) break;
        size = fs::file_size(out);
        events = r.ProgressCount();
    }
    r.ServeUntil([] { return false; }, 800);
    EXPECT_EQ(fs::file_size(out), size);
    EXPECT_EQ(r.ProgressCount(), events);
    EXPECT_TRUE(r.Terminated().empty());

    c.Resume();
    ASSERT_TRUE(r.WaitForEnd());
    const auto terminated = r.Terminated();
    ASSERT_EQ(terminated.size(), 2u);
    EXPECT_TRUE(terminated[0].Finished);
    EXPECT_FALSE(terminated[0].Exception) << terminated[0].ExceptionMsg;
    EXPECT_GT(fs::file_size(out), size);
    EXPECT_GT(r.ProgressCount(), events);
}

// The encoder holds every picture of this clip back (its look-ahead is longer than the clip), so
// all of its video is written while the encoders are flushed, after the last packet was read.
// A pause there holds the task as it does while reading.
TEST(ConverterControl, PauseHoldsTheTaskWhileTheEncodersAreFlushed) {
    fixtures::ClipRecipe recipe;
    recipe.width = 1920;
    recipe.height = 1080;
    recipe.seconds = 1.4;
    recipe.detail = true; // costly to encode: the flush takes a while
    const std::string input = fixtures::Generate(recipe);
    TFFmpegConverter c;
    Recorder r(c);
    const std::string out = OutDir("pause-flushing") + "/out.mp4";
    TOutputOptions o;
    o.VideoCodec = "libx264";
    o.AudioCodec = "aac";
    ASSERT_EQ(AddConversion(c, input, out, o), 0);
    c.StartTask(1);
    const auto size = [&] { return fs::exists(out) ? fs::file_size(out) : 0; };
    // Nothing but the header is written before the encoder gives its first pictures.
    ASSERT_TRUE(r.ServeUntil([&] { return size() > 4096 || !r.Terminated().empty(); }));
    c.Pause();
    ASSERT_TRUE(r.Terminated().empty()) << "the flush ended before the pause";
    // Unpaused, the flush ends within a few seconds; paused, nothing ends.
    r.ServeUntil([&] { return !r.Terminated().empty(); }, 4000);
    EXPECT_TRUE(r.Terminated().empty()) << "the paused task went on and ended";
    const auto held = size();
    c.Resume();
    ASSERT_TRUE(r.WaitForEnd());
    EXPECT_TRUE(r.Terminated()[0].Finished);
    EXPECT_GT(size(), held);
}

TEST(ConverterOptions, NewAudioTakesItsCodecFromALaterLine) {
    TFFmpegConverter c;
    Recorder r(c);
    const std::string out = OutDir("newaudio") + "/out.mkv";
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    o.AudioCodec = "ac3";
    o.ExtOptions = "newaudio<CRLF>acodec=mp2";
    ASSERT_EQ(AddConversion(c, fixtures::Path(FixtureId::Mp4), out, o), 0);
    c.StartTask(0);
    ASSERT_TRUE(r.WaitForEnd());
    ASSERT_FALSE(r.Terminated()[0].Exception) << r.Terminated()[0].ExceptionMsg;
    EXPECT_EQ(StreamCodecs(out, AVMEDIA_TYPE_AUDIO),
              (std::vector<AVCodecID>{AV_CODEC_ID_AC3, AV_CODEC_ID_MP2}));
}

// A 15 fps source tells no norm, so an automatic one falls back to the task's default norm.
TEST(ConverterOptions, AutomaticTargetNormFallsBackToTheDefaultNorm) {
    fixtures::ClipRecipe recipe;
    recipe.container = "avi";
    recipe.videoCodec = "mpeg4";
    recipe.audioCodec = "mp2";
    recipe.fps = 15;
    recipe.seconds = 1.0;
    const std::string input = fixtures::Generate(recipe);
    const struct { int defaultNorm, height; } cases[] = {{1, 576}, {2, 480}};
    for (const auto& k : cases) {
        TFFmpegConverter c;
        Recorder r(c);
        const std::string out = OutDir("target-norm-" + std::to_string(k.defaultNorm)) + "/out.mpg";
        TOutputOptions o;
        o.Target = 3;
        o.TargetNorm = 0;
        o.TargetDefaultNorm = k.defaultNorm;
        ASSERT_EQ(AddConversion(c, input, out, o), 0);
        c.StartTask(0);
        ASSERT_TRUE(r.WaitForEnd());
        ASSERT_FALSE(r.Terminated()[0].Exception) << r.Terminated()[0].ExceptionMsg;
        AVFormatContext* ctx = nullptr;
        ASSERT_GE(avformat_open_input(&ctx, out.c_str(), nullptr, nullptr), 0);
        avformat_find_stream_info(ctx, nullptr);
        int height = 0;
        for (unsigned i = 0; i < ctx->nb_streams; ++i)
            if (ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
                height = ctx->streams[i]->codecpar->height;
        avformat_close_input(&ctx);
        EXPECT_EQ(height, k.height) << "default norm " << k.defaultNorm;
    }
}

TEST(ConverterEvents, HookRunsInTheWorkerWithTheCanvasLocked) {
    TFFmpegConverter c;
    Recorder r(c);
    std::atomic<int> calls{0};
    std::atomic<bool> inWorker{false}, canvasLocked{false};
    int taskIndex = -2, frame = 0;
    const auto testThread = std::this_thread::get_id();
    c.OnCustomHook = [&](TCustomFFmpegConverter*, PHookInfo info) {
        ++calls;
        inWorker = std::this_thread::get_id() != testThread;
        std::thread probe([&] {
            const bool free = info->Bitmap->CanvasLock().try_lock();
            if (free) info->Bitmap->CanvasLock().unlock();
            canvasLocked = !free;
        });
        probe.join();
        taskIndex = info->TaskIndex;
        frame = info->FrameNumber;
        info->StopHook = true;
    };
    TOutputOptions o = AviOutput();
    o.CustomHook = true;
    ASSERT_EQ(AddConversion(c, fixtures::Path(FixtureId::Mp4), OutDir("hook") + "/out.avi", o), 0);
    c.StartTask(1);
    ASSERT_TRUE(r.WaitForEnd());
    EXPECT_EQ(calls.load(), 1) << "StopHook ends the calls";
    EXPECT_TRUE(inWorker);
    EXPECT_TRUE(canvasLocked);
    EXPECT_EQ(taskIndex, 0);
    EXPECT_EQ(frame, 1);
}

// The preview event runs in the main thread while the worker waits for it; turning previews off
// from inside it must not wait for the worker.
TEST(ConverterEvents, PreviewHandlerMayTurnPreviewsOff) {
    TFFmpegConverter c;
    Recorder r(c);
    std::atomic<int> calls{0};
    c.SetPreviewBitmap(true);
    c.OnPreviewBitmap = [&](TCustomFFmpegConverter* sender, const TPreviewInfo& info) {
        ++calls;
        EXPECT_NE(info.Bitmap, nullptr);
        sender->SetPreviewBitmap(false);
        sender->SetPreview(false);
    };
    ASSERT_EQ(AddConversion(c, fixtures::Path(FixtureId::Mp4), OutDir("preview-off") + "/out.avi"), 0);
    c.StartTask(1);
    {
        testsupport::DeadlockWatch watch("a preview handler turning previews off", std::chrono::seconds(120));
        ASSERT_TRUE(r.WaitForEnd());
    }
    EXPECT_EQ(calls.load(), 1) << "no preview after they were turned off";
    EXPECT_TRUE(r.Terminated()[0].Finished);
    EXPECT_FALSE(c.PreviewBitmap());
}

} // namespace
} // namespace orvel
