#include "batch/ConversionHook.h"

#include <mutex>
#include <stdexcept>
#include <string>

namespace orvel {

void TConversionHook::Prepare(const TTaskItems& taskItems, std::vector<EffectSettings> jobs) {
    taskItems_ = taskItems;
    jobs_ = std::move(jobs);
}

void TConversionHook::Clear() {
    taskItems_.Clear();
    jobs_.clear();
}

const EffectSettings* TConversionHook::JobOfTask(int taskIndex) const {
    const int row = taskItems_.RowOf(taskIndex);
    if (row < 0 || row >= static_cast<int>(jobs_.size()))
        return nullptr;
    return &jobs_[row];
}

void TConversionHook::ConverterCustomHook(TCustomFFmpegConverter*, PHookInfo info) {
    if (info == nullptr || info->Bitmap == nullptr)
        return;
    const EffectSettings* job = JobOfTask(info->TaskIndex);
    if (job == nullptr || !job->HasEffects())
        return;
    std::lock_guard canvas(info->Bitmap->CanvasLock());
    std::string error;
    if (!RenderJobEffects(info->Bitmap->View(), *job, &error))
        throw std::runtime_error(error);
}

} // namespace orvel
