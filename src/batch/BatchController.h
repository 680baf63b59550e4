#pragma once
// Converts the checked jobs of a job list one after another: one engine task per job, progress
// and termination reports turned into the texts of the job list and the progress window, and the
// requests to open the output folder or shut down after the last job. The main window and the
// command-line program both drive this class through the interfaces below.
#include "app/store/MessageBoxes.h"
#include "app/store/SystemActions.h"
#include "batch/ConversionHook.h"
#include "batch/lvFilesRecord.h"
#include "engine/component/ConverterOptions.h"
#include "engine/component/FFmpegConverter.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orvel {

class TAppSettings;
class TFormatParamStore;
class ISizePrompt;

// The job list: rows in list order, each with its check and its record (caption = SourceFile).
class IBatchJobs {
public:
    virtual ~IBatchJobs() = default;
    virtual int JobCount() const = 0;
    virtual bool JobChecked(int row) const = 0;
    virtual TlvFilesRecord& Job(int row) = 0;
};

// What the progress window and the job list show for one progress report.
struct TBatchProgress {
    int TaskIndex = 0;
    int Row = -1;
    int Percent = -1;    // -1: the total duration is unknown, no percentage is shown
    std::string Time;    // "<seconds> Second"
    std::string Length;  // "<seconds> Second", empty when unknown
    std::string Size;    // "<kilobytes> kb"
    std::string Counter; // "[t/n]"
    std::string Output;  // the source name, shortened to fit
    std::string RowText; // "<percent>%", empty when unknown
    TProgressInfo Info;  // the engine's figures, for speed and time-left displays
};

// The windows (or the terminal). Every call arrives in the main thread.
class IBatchView {
public:
    virtual ~IBatchView() = default;
    virtual void StopPreview() {}
    // Tasks are queued and running: show the progress window.
    virtual void BatchStarted(int taskCount) = 0;
    virtual void ShowProgress(const TBatchProgress& progress) = 0;
    // The "Progress" column of a row.
    virtual void SetRowProgress(int row, const std::string& text) = 0;
    // A job ran to its end (progress bar at 100).
    virtual void JobFinished(int taskIndex, int row) = 0;
    // A job stopped early; failed tells an engine error (message) from a cancel.
    virtual void JobStopped(int taskIndex, int row, bool failed, const std::string& message) = 0;
    // A job whose source could not be read when the batch started; no task was made for it.
    virtual void JobSkipped(int row, const std::string& message) = 0;
    // A job whose stored choices make an output its format's device may not play (the
    // choices still win); `note` says why, for the row's tooltip.
    virtual void JobOutsideDevice(int /*row*/, const std::string& /*note*/) {}
    // End of the batch: enable the list's buttons, close the progress window.
    virtual void BatchEnded() = 0;
    // The progress window's "Open the output folder after conversion" and "Shut down computer
    // after conversion" check boxes, read when the last job finishes.
    virtual bool OpenFolderAfterConversion() const = 0;
    virtual bool ShutDownAfterConversion() const = 0;
};

// Settings the command line gives for one run instead of the stored ones.
struct TBatchOverrides {
    std::optional<int> FormatCode;
    std::optional<std::string> ZoomMode;
    std::optional<std::string> OutputDir;
};

enum class TJobOutcome { Pending, Finished, Stopped, Failed, Skipped };
struct TJobResult {
    int Row = -1;
    std::string Destination;
    TJobOutcome Outcome = TJobOutcome::Pending;
    std::string Message;
};

class TBatchController {
public:
    // Attaches itself to the converter's events; detaches them again when destroyed.
    TBatchController(TCustomFFmpegConverter& converter, TFormatParamStore& store, TAppSettings& settings,
                     IBatchJobs& jobs, IBatchView& view, ISystemActions& system, ISizePrompt& sizePrompt,
                     IMessageBoxes& boxes, std::string defaultDir);
    ~TBatchController();
    TBatchController(const TBatchController&) = delete;
    TBatchController& operator=(const TBatchController&) = delete;

    void SetOverrides(TBatchOverrides overrides) { overrides_ = std::move(overrides); }

    // Queues every checked job and starts them with one worker. Answers the number of tasks
    // started (0: nothing runs and no window opens). Raises when a job's options cannot be built
    // or its task cannot be made; nothing of that start runs then.
    int Start();
    void Pause();
    void Resume();
    // Stops the running job and the queued ones; the end of the batch follows as usual.
    void Cancel();
    // From Start until the end-of-batch report has been handled.
    bool Running() const { return running_; }

    const TTaskItems& TaskItems() const { return taskItems_; }
    // One entry per checked job of the last start, in list order (skipped jobs included).
    std::vector<TJobResult> Results() const;

    // The file each row's job would be written to by a Start now, named as Start names them
    // (a checked row's name is taken for the rows after it), without creating the folder or
    // asking anything.
    std::vector<std::string> PlannedDestinations();

    // The texts of one progress report for task t of taskCount, whose source is caption.
    static TBatchProgress ProgressTexts(const TProgressInfo& info, int taskCount, const std::string& caption);
    // The caption when shorter than 51 characters, else its first 44 + ".." + its extension.
    static std::string ShortFileName(const std::string& caption);

private:
    // The steps of Start.
    std::vector<int> CheckedRows() const;
    // Forgets the tasks, rows and results of the last start; the preview stops first.
    void ClearLastStart();
    // Makes one task per checked job; raises after undoing them all when one cannot be made.
    void QueueJobs(const std::vector<int>& checked, int code, const std::string& ending,
                   std::vector<EffectSettings>& effects);
    // One job: its task, or a skipped result when its source cannot be read.
    void QueueJob(int row, int code, const std::string& ending, TAVProbe& probe,
                  std::vector<EffectSettings>& effects);
    // Hands the jobs' effects to the hook and starts the queued tasks; answers their number.
    int RunQueued(std::vector<EffectSettings> effects);

    void OnProgress(PProgressInfo info);
    void OnTerminate(const TTerminateInfo& info);
    void ApplyPriority();
    std::string Destination(const std::string& source, const std::string& ending);
    int JobFormatCode() const;
    std::string OutputEnding(); // "." + the job format's extension
    void SetOutcome(int taskIndex, TJobOutcome outcome, const std::string& message);

    TCustomFFmpegConverter& converter_;
    TFormatParamStore& store_;
    TAppSettings& settings_;
    IBatchJobs& jobs_;
    IBatchView& view_;
    ISystemActions& system_;
    ISizePrompt& sizePrompt_;
    IMessageBoxes& boxes_;
    std::string defaultDir_;
    TBatchOverrides overrides_;

    TTaskItems taskItems_;
    TConversionHook hook_;
    std::atomic<bool> running_{false};
    mutable std::mutex resultsMutex_;
    std::vector<TJobResult> results_;
    std::vector<int> resultOfTask_; // task index -> index into results_
};

} // namespace orvel
