#include "batch/BatchController.h"

#include "app/store/AppSettings.h"
#include "app/store/GlobalObject.h"
#include "batch/Destination.h"
#include "engine/component/MainThreadDispatcher.h"
#include "engine/foundation/StringUtils.h"
#include "formats/DeviceCompliance.h"
#include "formats/FormatParams.h"
#include "formats/OptionBuilder.h"
#include "probe/AVProbe.h"

#include <QString>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace orvel {

TBatchController::TBatchController(TCustomFFmpegConverter& converter, TFormatParamStore& store,
                                   TAppSettings& settings, IBatchJobs& jobs, IBatchView& view,
                                   ISystemActions& system, ISizePrompt& sizePrompt, IMessageBoxes& boxes,
                                   std::string defaultDir)
    : converter_(converter), store_(store), settings_(settings), jobs_(jobs), view_(view), system_(system),
      sizePrompt_(sizePrompt), boxes_(boxes), defaultDir_(std::move(defaultDir)) {
    converter_.OnCustomHook = [this](TCustomFFmpegConverter* sender, PHookInfo info) {
        hook_.ConverterCustomHook(sender, info);
    };
    converter_.OnProgress = [this](TCustomFFmpegConverter*, PProgressInfo info) { OnProgress(info); };
    converter_.OnTerminate = [this](TCustomFFmpegConverter*, const TTerminateInfo& info) {
        OnTerminate(info);
    };
}

TBatchController::~TBatchController() {
    converter_.DetachEvents();
}

void TBatchController::ApplyPriority() {
    switch (settings_.Priority()) {
    case 0:
        converter_.SetThreadPriority(tpIdle);
        break;
    case 1:
        converter_.SetThreadPriority(tpNormal);
        break;
    case 2:
        converter_.SetThreadPriority(tpLower);
        break;
    case 3:
        converter_.SetThreadPriority(tpLowest);
        break;
    default:
        break; // any other value keeps the current priority
    }
}

std::string TBatchController::Destination(const std::string& source, const std::string& ending) {
    std::vector<std::string> named;
    {
        std::lock_guard lock(resultsMutex_);
        for (const TJobResult& r : results_)
            if (!r.Destination.empty()) named.push_back(r.Destination);
    }
    // Outputs of this start are named before any of them exists: two sources with one name
    // must not be given the same file.
    const TNameTaken taken = NamedAlready(named);
    if (overrides_.OutputDir) {
        if (!MakeOutputDir(*overrides_.OutputDir))
            throw std::runtime_error(kCannotCreateDirText + *overrides_.OutputDir);
        return FreeDestinationName(*overrides_.OutputDir, source, ending, taken);
    }
    return DestinationFileName(source, ending, settings_, boxes_, defaultDir_, taken);
}

std::vector<std::string> TBatchController::PlannedDestinations() {
    const std::string ending = OutputEnding();
    const std::string folder = overrides_.OutputDir.value_or(ExpandHomeFolder(settings_.OutPutDir()));
    std::vector<std::string> named;
    std::vector<std::string> planned;
    for (int row = 0; row < jobs_.JobCount(); ++row) {
        planned.push_back(
            FreeDestinationName(folder, jobs_.Job(row).SourceFile, ending, NamedAlready(named)));
        if (jobs_.JobChecked(row)) named.push_back(planned.back());
    }
    return planned;
}

int TBatchController::JobFormatCode() const {
    return overrides_.FormatCode.value_or(settings_.FormatCodeForJobs());
}

std::string TBatchController::OutputEnding() {
    return StartEnding(store_.FileExt(JobFormatCode()));
}

std::vector<int> TBatchController::CheckedRows() const {
    std::vector<int> checked;
    for (int row = 0; row < jobs_.JobCount(); ++row)
        if (jobs_.JobChecked(row)) checked.push_back(row);
    return checked;
}

void TBatchController::ClearLastStart() {
    view_.StopPreview();
    converter_.ClearTasks();
    taskItems_.Clear();
    std::lock_guard lock(resultsMutex_);
    results_.clear();
    resultOfTask_.clear();
}

void TBatchController::QueueJobs(const std::vector<int>& checked, int code, const std::string& ending,
                                 std::vector<EffectSettings>& effects) {
    TAVProbe& probe = converter_.Probe();
    try {
        for (const int row : checked)
            QueueJob(row, code, ending, probe, effects);
    } catch (...) {
        probe.Close();
        converter_.ClearTasks();
        taskItems_.Clear();
        throw;
    }
}

void TBatchController::QueueJob(int row, int code, const std::string& ending, TAVProbe& probe,
                                std::vector<EffectSettings>& effects) {
    TlvFilesRecord& job = jobs_.Job(row);
    TJobResult result;
    result.Row = row;

    TInputOptions input;
    InitInputOptions(input);
    input.FileName = job.SourceFile;
    if (!probe.LoadFile(job.SourceFile)) {
        // The others still convert; this one is named so the user knows what was left out.
        result.Outcome = TJobOutcome::Skipped;
        result.Message = "Cannot read " + job.SourceFile + ": " + probe.LastErrorMessage();
        probe.Close();
        view_.JobSkipped(row, result.Message);
        std::lock_guard lock(resultsMutex_);
        results_.push_back(result);
        return;
    }
    input.FileFormat = probe.ForcedFormat();
    if (job.TrimStart >= 0) input.StartTime = job.TrimStart;

    const std::string dest = Destination(job.SourceFile, ending);
    job.ZoomMode = overrides_.ZoomMode.value_or(store_.JobZoomMode(code));

    TOutputOptions output;
    InitOutputOptions(output);
    output.FileName = dest;
    std::vector<std::string> outsideRow;
    BuildOutputOptions(job, code, output, probe, input, store_, sizePrompt_, &outsideRow);
    if (!outsideRow.empty()) view_.JobOutsideDevice(row, OutsideDeviceNote(outsideRow));
    // A trimmed job ends after its trimmed length, as the job list shows it.
    if (job.TrimLength > 0) output.RecordingTime = job.TrimLength;

    const int task = converter_.AddTask(job.SourceFile, &input);
    if (task < 0) throw std::runtime_error(converter_.LastErrorMessage());
    const EffectSettings jobEffects = job.Effects();
    output.CustomHook = jobEffects.HasEffects();
    if (!converter_.SetOutputFile(task, dest, &output))
        throw std::runtime_error(converter_.LastErrorMessage());
    probe.Close();

    taskItems_.Add(row);
    effects[static_cast<size_t>(row)] = jobEffects;
    result.Destination = dest;
    std::lock_guard lock(resultsMutex_);
    resultOfTask_.resize(static_cast<size_t>(task) + 1, -1);
    resultOfTask_[static_cast<size_t>(task)] = static_cast<int>(results_.size());
    results_.push_back(result);
}

int TBatchController::RunQueued(std::vector<EffectSettings> effects) {
    hook_.Prepare(taskItems_, std::move(effects));
    running_ = true;
    try {
        converter_.StartTask(1);
    } catch (...) {
        running_ = false;
        throw;
    }
    view_.BatchStarted(taskItems_.Count());
    return taskItems_.Count();
}

int TBatchController::Start() {
    if (running_) throw std::runtime_error("Cannot Start while working.");
    ApplyPriority();
    const std::vector<int> checked = CheckedRows();
    if (checked.empty()) return 0;

    ClearLastStart();
    const int code = JobFormatCode();
    const std::string ending = OutputEnding();
    std::vector<EffectSettings> effects(static_cast<size_t>(jobs_.JobCount()));
    QueueJobs(checked, code, ending, effects);
    if (taskItems_.Count() == 0) return 0;
    return RunQueued(std::move(effects));
}

void TBatchController::Pause() {
    converter_.Pause();
}
void TBatchController::Resume() {
    converter_.Resume();
}
void TBatchController::Cancel() {
    converter_.Stop(false);
}

std::vector<TJobResult> TBatchController::Results() const {
    std::lock_guard lock(resultsMutex_);
    return results_;
}

void TBatchController::SetOutcome(int taskIndex, TJobOutcome outcome, const std::string& message) {
    std::lock_guard lock(resultsMutex_);
    if (taskIndex < 0 || taskIndex >= static_cast<int>(resultOfTask_.size())) return;
    const int index = resultOfTask_[static_cast<size_t>(taskIndex)];
    if (index < 0) return;
    results_[static_cast<size_t>(index)].Outcome = outcome;
    results_[static_cast<size_t>(index)].Message = message;
}

std::string TBatchController::ShortFileName(const std::string& caption) {
    return ShortenedPath(caption, 50, 44);
}

TBatchProgress TBatchController::ProgressTexts(const TProgressInfo& info, int taskCount,
                                               const std::string& caption) {
    TBatchProgress p;
    p.TaskIndex = info.TaskIndex;
    p.Info = info;
    if (info.TotalDuration > 0) {
        // The engine's position may run a little past its estimate of the total.
        const int64_t percent = info.CurrentDuration * 100 / info.TotalDuration;
        p.Percent = static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
        p.Length = std::to_string(info.TotalDuration / 1000000) + " Second";
        p.RowText = std::to_string(p.Percent) + "%";
    }
    p.Time = std::to_string(info.CurrentDuration / 1000000) + " Second";
    p.Size = std::to_string(info.CurrentSize / 1000) + " kb";
    // Formatted into a buffer: GCC 12 at -O3 takes any string building here for an overlapping copy.
    char counter[32];
    std::snprintf(counter, sizeof counter, "[%d/%d]", info.TaskIndex + 1, taskCount);
    p.Counter = counter;
    p.Output = ShortFileName(caption);
    return p;
}

void TBatchController::OnProgress(PProgressInfo info) {
    if (info == nullptr) return;
    const int row = taskItems_.RowOf(info->TaskIndex);
    if (row < 0 || row >= jobs_.JobCount()) return;
    TBatchProgress p = ProgressTexts(*info, converter_.TaskCount(), jobs_.Job(row).SourceFile);
    p.Row = row;
    view_.ShowProgress(p);
    if (!p.RowText.empty()) view_.SetRowProgress(row, p.RowText);
}

void TBatchController::OnTerminate(const TTerminateInfo& info) {
    if (info.TaskIndex < 0) {
        RunInMainThread([this] {
            view_.BatchEnded();
            converter_.ClearTasks();
            running_ = false;
        });
        return;
    }
    const int t = info.TaskIndex;
    if (info.Finished)
        SetOutcome(t, TJobOutcome::Finished, "");
    else
        SetOutcome(t, info.Exception ? TJobOutcome::Failed : TJobOutcome::Stopped, info.ExceptionMsg);
    RunInMainThread([this, &info, t] {
        const int row = taskItems_.RowOf(t);
        if (row < 0) return;
        if (!info.Finished) {
            // The row keeps the last percentage it reached.
            view_.JobStopped(t, row, info.Exception, info.ExceptionMsg);
            return;
        }
        view_.SetRowProgress(row, "100%");
        view_.JobFinished(t, row);
        if (t + 1 != taskItems_.Count()) return;
        if (view_.OpenFolderAfterConversion())
            system_.OpenFolder(overrides_.OutputDir.value_or(settings_.OutPutDir()));
        if (view_.ShutDownAfterConversion()) system_.ShutDown();
    });
}

} // namespace orvel
