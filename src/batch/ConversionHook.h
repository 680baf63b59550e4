#pragma once
// Draws a job's watermark text, picture and colour effects onto every decoded frame of its task,
// in the worker thread. The values come from a copy of each job taken when the batch starts, so
// the worker never reads the job list while the main thread may touch it. Each job has its own
// renderer for the whole batch, so tables, the decoded picture and the recorded text are made
// once per job rather than once per frame.
#include "batch/lvFilesRecord.h"
#include "editing/effects/JobEffectsRenderer.h"
#include "engine/component/ConverterOptions.h"

#include <memory>
#include <vector>

namespace orvel {

class TCustomFFmpegConverter;

class TConversionHook {
public:
    // taskItems maps task index -> row; jobs is indexed by row (rows without a task may be
    // default values). Call while no batch runs.
    void Prepare(const TTaskItems& taskItems, std::vector<EffectSettings> jobs);
    void Clear();

    // The converter's OnCustomHook. Raises std::runtime_error when the frame cannot be rendered
    // (a picture file that cannot be read): the engine then logs the message and writes the frame
    // as decoded, and offers the next frame again.
    void ConverterCustomHook(TCustomFFmpegConverter* sender, PHookInfo info);

    // The effects of the job of that task, or nullptr when the task has no job.
    const EffectSettings* JobOfTask(int taskIndex) const;

private:
    TJobEffectsRenderer* RendererOfTask(int taskIndex) const;

    TTaskItems taskItems_;
    std::vector<std::unique_ptr<TJobEffectsRenderer>> jobs_; // by row
};

} // namespace orvel
