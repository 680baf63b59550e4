#include "batch/ProgressModel.h"

#include "editing/TimeTexts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvel {

int64_t ExpectedJobDuration(const TlvFilesRecord& job) {
    if (job.TrimLength > 0) return job.TrimLength;
    const int64_t length =
        static_cast<int64_t>(job.DurationSec) * 1000000 - std::max<int64_t>(job.TrimStart, 0);
    return std::max<int64_t>(length, 0);
}

void TProgressModel::Show(std::vector<int64_t> taskDurations, int64_t now) {
    const bool shutDown = view_.ShutDownChecked; // kept from one batch to the next
    view_ = TProgressView{};
    view_.ShutDownChecked = shutDown;
    expected_ = std::move(taskDurations);
    startedAt_ = now;
    pausedFor_ = 0;
    pausedSince_ = -1;
    task_ = -1;
    current_ = total_ = doneBefore_ = 0;
}

void TProgressModel::Progress(const TBatchProgress& progress, int64_t now) {
    if (progress.TaskIndex != task_) {
        if (task_ >= 0) doneBefore_ += current_;
        task_ = progress.TaskIndex;
    }
    view_.Output = progress.Output;
    view_.Time = progress.Time;
    view_.Length = progress.Length;
    view_.Size = progress.Size;
    view_.Counter = progress.Counter;
    if (progress.Percent >= 0) view_.Bar = std::min(progress.Percent, 100);
    current_ = std::max<int64_t>(progress.Info.CurrentDuration, 0);
    // The engine's length holds the trim; the job's estimate is only for when it has none.
    const size_t t = static_cast<size_t>(task_);
    total_ = progress.Info.TotalDuration > 0 ? progress.Info.TotalDuration
                                             : (t < expected_.size() ? expected_[t] : 0);
    UpdateFigures(now);
}

void TProgressModel::JobFinished(int taskIndex) {
    view_.Bar = 100;
    // A finished job counts whole in the speed, though its last report came before its end.
    if (taskIndex == task_) current_ = std::max(current_, total_);
}

void TProgressModel::Pause(int64_t now) {
    view_.PauseEnabled = false;
    view_.ResumeEnabled = true;
    if (pausedSince_ < 0) pausedSince_ = now;
}

void TProgressModel::Resume(int64_t now) {
    view_.PauseEnabled = true;
    view_.ResumeEnabled = false;
    if (pausedSince_ >= 0) pausedFor_ += now - pausedSince_;
    pausedSince_ = -1;
}

void TProgressModel::UpdateFigures(int64_t now) {
    const int64_t running = now - startedAt_ - pausedFor_ - (pausedSince_ >= 0 ? now - pausedSince_ : 0);
    const int64_t converted = doneBefore_ + current_;
    if (running <= 0 || converted <= 0) return;
    const double speed = static_cast<double>(converted) / static_cast<double>(running);
    const int64_t fileLeft = std::max<int64_t>(total_ - current_, 0);
    int64_t batchLeft = fileLeft;
    for (size_t i = static_cast<size_t>(task_) + 1; i < expected_.size(); ++i)
        batchLeft += expected_[i];
    const auto wallSeconds = [speed](int64_t media) {
        return std::llround(static_cast<double>(media) / speed / 1e6);
    };
    view_.FileLeft = FormatSeconds(wallSeconds(fileLeft));
    view_.BatchLeft = FormatSeconds(wallSeconds(batchLeft));
    char text[32];
    std::snprintf(text, sizeof text, "%.1fx", speed);
    view_.Speed = text;
}

} // namespace orvel

namespace orvel {

std::string FailedJobsText(const std::vector<TFailedJob>& failed) {
    std::string text =
        failed.size() == 1 ? "This file was not converted:" : "These files were not converted:";
    for (const TFailedJob& job : failed)
        text += "\n" + job.Source + ": " + (job.Reason.empty() ? "unknown error" : job.Reason);
    return text;
}

} // namespace orvel
