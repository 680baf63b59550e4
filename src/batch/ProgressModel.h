#pragma once
// What the progress window shows, as one comparable value, and the figures behind it: the
// labels of each progress report, the buttons' states, the two check boxes, and the time left
// for the file and the batch at the speed measured so far.
#include "batch/BatchController.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvel {

struct TProgressView {
    std::string Output;  // lblOutput
    std::string Time;    // lblTime
    std::string Length;  // lblLength
    std::string Size;    // lblSize
    std::string Counter; // lblProgress
    int Bar = 0;         // progbarFile
    bool PauseEnabled = true;
    bool ResumeEnabled = false;
    bool OpenChecked = true;
    bool ShutDownChecked = false;
    std::string FileLeft;  // lblFileLeft: "h:mm:ss", empty until a speed is known
    std::string BatchLeft; // lblBatchLeft
    std::string Speed;     // lblSpeed: "2.0x"
    bool operator==(const TProgressView&) const = default;
};

// The length a job is expected to convert, in microseconds (0: unknown): its trimmed length,
// else its source's length after the trim start.
int64_t ExpectedJobDuration(const TlvFilesRecord& job);

class TProgressModel {
public:
    // The window is shown for a batch whose tasks are expected to take these lengths; now is
    // a steady clock in microseconds, as in every call below.
    void Show(std::vector<int64_t> taskDurations, int64_t now);
    void Progress(const TBatchProgress& progress, int64_t now);
    void JobFinished(int taskIndex);
    void Pause(int64_t now);
    void Resume(int64_t now);
    void SetOpen(bool checked) { view_.OpenChecked = checked; }
    void SetShutDown(bool checked) { view_.ShutDownChecked = checked; }

    const TProgressView& View() const { return view_; }

private:
    void UpdateFigures(int64_t now);

    TProgressView view_;
    std::vector<int64_t> expected_;
    int64_t startedAt_ = 0;
    int64_t pausedFor_ = 0; // wall time spent paused, left out of the speed
    int64_t pausedSince_ = -1;
    int task_ = -1;          // task of the last report
    int64_t current_ = 0;    // its converted length
    int64_t total_ = 0;      // its length, the engine's when known
    int64_t doneBefore_ = 0; // converted length of the earlier tasks
};

} // namespace orvel

namespace orvel {

struct TFailedJob {
    std::string Source;
    std::string Reason;
};

// The end-of-batch message naming every job that was not converted and why.
std::string FailedJobsText(const std::vector<TFailedJob>& failed);

} // namespace orvel
