// The progress window's state: labels of a report, buttons, check boxes, and the time left at
// the measured speed.
#include "batch/ProgressModel.h"

#include <gtest/gtest.h>

using namespace orvel;

namespace {

constexpr int64_t kSecond = 1000000;

// A report as the controller makes it, for task t of a batch of n, at converted/total.
TBatchProgress Report(int t, int n, int64_t converted, int64_t total) {
    TProgressInfo info;
    info.TaskIndex = t;
    info.CurrentDuration = converted;
    info.TotalDuration = total;
    info.CurrentSize = 2048000;
    return TBatchController::ProgressTexts(info, n, "/videos/clip" + std::to_string(t) + ".avi");
}

TEST(ProgressModel, AReportFillsTheLabelsAndTheBar) {
    TProgressModel model;
    model.Show({10 * kSecond}, 0);
    model.Progress(Report(0, 2, 2500000, 10 * kSecond), kSecond);
    const TProgressView& v = model.View();
    EXPECT_EQ(v.Output, "/videos/clip0.avi");
    EXPECT_EQ(v.Time, "2 Second");
    EXPECT_EQ(v.Length, "10 Second");
    EXPECT_EQ(v.Size, "2048 kb");
    EXPECT_EQ(v.Counter, "[1/2]");
    EXPECT_EQ(v.Bar, 25);
    model.Progress(Report(0, 2, 3 * kSecond, -1), 2 * kSecond); // total unknown: the bar stays
    EXPECT_EQ(model.View().Bar, 25);
    model.JobFinished(0);
    EXPECT_EQ(model.View().Bar, 100);
}

// The batch converts at twice real time: a 10 s and a 20 s job take 15 s.
TEST(ProgressModel, TimeLeftAtAKnownRate) {
    TProgressModel model;
    model.Show({10 * kSecond, 20 * kSecond}, 0);
    EXPECT_EQ(model.View().BatchLeft, ""); // no speed before the first report
    struct Step {
        int task;
        int64_t converted, total, now;
        std::string fileLeft, batchLeft, speed;
    };
    const std::vector<Step> steps = {
        {0, 20000, 10 * kSecond, 10000, "0:00:05", "0:00:15", "2.0x"}, // at the start
        {0, 6 * kSecond, 10 * kSecond, 3 * kSecond, "0:00:02", "0:00:12", "2.0x"},
        {1, 2 * kSecond, 20 * kSecond, 6 * kSecond, "0:00:09", "0:00:09", "2.0x"}, // 12 s done in 6 s
        {1, 18 * kSecond, 20 * kSecond, 14 * kSecond, "0:00:01", "0:00:01", "2.0x"},
    };
    for (const Step& s : steps) {
        if (s.task > 0 && model.View().Counter == "[1/2]") model.JobFinished(0);
        model.Progress(Report(s.task, 2, s.converted, s.total), s.now);
        EXPECT_EQ(model.View().FileLeft, s.fileLeft) << s.now;
        EXPECT_EQ(model.View().BatchLeft, s.batchLeft) << s.now;
        EXPECT_EQ(model.View().Speed, s.speed) << s.now;
    }
}

TEST(ProgressModel, TheEnginesLengthWinsOverTheJobsEstimate) {
    // The job was expected at 20 s, but the engine converts 8 s of it (a trimmed job).
    TProgressModel model;
    model.Show({20 * kSecond, 4 * kSecond}, 0);
    model.Progress(Report(0, 2, 4 * kSecond, 8 * kSecond), 4 * kSecond); // real time
    EXPECT_EQ(model.View().FileLeft, "0:00:04");
    EXPECT_EQ(model.View().BatchLeft, "0:00:08");
    EXPECT_EQ(model.View().Speed, "1.0x");
}

TEST(ProgressModel, PausedTimeDoesNotSlowTheSpeed) {
    TProgressModel model;
    model.Show({10 * kSecond}, 0);
    model.Progress(Report(0, 1, 2 * kSecond, 10 * kSecond), kSecond);
    model.Pause(kSecond);
    EXPECT_FALSE(model.View().PauseEnabled);
    EXPECT_TRUE(model.View().ResumeEnabled);
    model.Resume(31 * kSecond);
    EXPECT_TRUE(model.View().PauseEnabled);
    EXPECT_FALSE(model.View().ResumeEnabled);
    model.Progress(Report(0, 1, 4 * kSecond, 10 * kSecond), 32 * kSecond);
    EXPECT_EQ(model.View().Speed, "2.0x");
    EXPECT_EQ(model.View().FileLeft, "0:00:03");
}

TEST(ProgressModel, ShowResetsAllButTheShutDownBox) {
    TProgressModel model;
    model.Show({kSecond}, 0);
    model.Progress(Report(0, 1, 500000, kSecond), 1000);
    model.Pause(2000);
    model.SetOpen(false);
    model.SetShutDown(true);
    model.Show({kSecond}, 5000);
    TProgressView expected;
    expected.ShutDownChecked = true;
    EXPECT_EQ(model.View(), expected);
    EXPECT_TRUE(expected.OpenChecked);
    EXPECT_TRUE(expected.PauseEnabled);
    EXPECT_FALSE(expected.ResumeEnabled);
    EXPECT_EQ(expected.Output + expected.Time + expected.Length + expected.Size + expected.Counter, "");
}

TEST(ProgressModel, ExpectedJobDurationFollowsTheTrim) {
    TlvFilesRecord job;
    job.DurationSec = 60;
    EXPECT_EQ(ExpectedJobDuration(job), 60 * kSecond);
    job.TrimStart = 30 * kSecond;
    EXPECT_EQ(ExpectedJobDuration(job), 30 * kSecond);
    job.TrimLength = 10 * kSecond;
    EXPECT_EQ(ExpectedJobDuration(job), 10 * kSecond);
    job = {};
    job.TrimStart = 5 * kSecond; // an unknown length stays unknown
    EXPECT_EQ(ExpectedJobDuration(job), 0);
}

} // namespace
