#include "editing/PreviewHook.h"

#include "batch/lvFilesRecord.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace orvel {

TPreviewSettings TPreviewSettings::WithEffects(const TlvFilesRecord& record, EffectSettings effects,
                                               TCropOutline outline, bool draw) {
    TPreviewSettings s;
    s.Draw = draw;
    s.Effects = std::move(effects);
    s.CropTop = record.CropTop;
    s.CropLeft = record.CropLeft;
    s.CropBottom = record.CropBottom;
    s.CropRight = record.CropRight;
    s.Outline = outline;
    return s;
}

TPreviewSettings TPreviewSettings::FromRecord(const TlvFilesRecord& record, TCropOutline outline, bool draw) {
    return WithEffects(record, record.Effects(), outline, draw);
}

void TPreviewHook::Publish(TPreviewSettings settings) {
    settings_.store(std::make_shared<const TPreviewSettings>(std::move(settings)));
}

bool TPreviewHook::Render(const BitmapView& frame) {
    const std::shared_ptr<const TPreviewSettings> settings = settings_.load();
    if (!settings->Draw || frame.Empty()) return false;
    if (settings != rendered_) {
        // A renderer keeps the picture it read; a new file must be read again, equal values need not.
        if (!renderer_ || !(renderer_->Settings() == settings->Effects))
            renderer_ = std::make_unique<TJobEffectsRenderer>(settings->Effects);
        rendered_ = settings;
    }
    std::string error;
    const bool rendered = renderer_->Render(frame, &error);
    // The outline needs nothing that can fail: it is drawn even on a frame whose effects failed.
    DrawCropOutline(frame, settings->CropTop, settings->CropLeft, settings->CropBottom, settings->CropRight,
                    settings->Outline);
    if (!rendered) throw std::runtime_error(error);
    return true;
}

} // namespace orvel
