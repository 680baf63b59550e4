#include "batch/ConversionHook.h"

#include <mutex>
#include <stdexcept>
#include <string>

namespace orvel {

void TConversionHook::Prepare(const TTaskItems& taskItems, std::vector<EffectSettings> jobs) {
    taskItems_ = taskItems;
    jobs_.clear();
    jobs_.reserve(jobs.size());
    for (EffectSettings& job : jobs)
        jobs_.push_back(std::make_unique<TJobEffectsRenderer>(std::move(job)));
}

void TConversionHook::Clear() {
    taskItems_.Clear();
    jobs_.clear();
}

TJobEffectsRenderer* TConversionHook::RendererOfTask(int taskIndex) const {
    const int row = taskItems_.RowOf(taskIndex);
    if (row < 0 || row >= static_cast<int>(jobs_.size())) return nullptr;
    return jobs_[static_cast<size_t>(row)].get();
}

const EffectSettings* TConversionHook::JobOfTask(int taskIndex) const {
    const TJobEffectsRenderer* renderer = RendererOfTask(taskIndex);
    return renderer != nullptr ? &renderer->Settings() : nullptr;
}

void TConversionHook::ConverterCustomHook(TCustomFFmpegConverter*, PHookInfo info) {
    if (info == nullptr || info->Bitmap == nullptr) return;
    TJobEffectsRenderer* renderer = RendererOfTask(info->TaskIndex);
    if (renderer == nullptr || !renderer->Settings().HasEffects()) return;
    std::lock_guard canvas(info->Bitmap->CanvasLock());
    std::string error;
    if (!renderer->Render(info->Bitmap->View(), &error)) throw std::runtime_error(error);
}

} // namespace orvel
