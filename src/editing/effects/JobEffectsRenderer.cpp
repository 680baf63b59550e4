// The layer order of a frame: text, picture and colour effects, ordered by the job's two
// "process" flags.
#include "editing/effects/JobEffectsRenderer.h"

#include "editing/effects/LayerOrder.h"

namespace orvel {

TJobEffectsRenderer::TJobEffectsRenderer(EffectSettings settings)
    : settings_(std::move(settings)),
      colors_(settings_.ColorAdjustActive(), settings_.Brightness, settings_.Contrast, settings_.Saturation,
              settings_.ExposureActive(), static_cast<float>(settings_.Exposure)) {}

bool TJobEffectsRenderer::DrawText(const BitmapView& frame) {
    const EffectSettings& s = settings_;
    // Tried once: a text that cannot be recorded exactly goes on being drawn.
    if (!text_.Recorded() && textDraws_ == kTextDrawsBeforeRecording)
        text_.Record(s.WatermarkText, s.WatermarkFont, s.TextLeft, s.TextTop);
    if (text_.Recorded()) {
        text_.Apply(frame);
        return true;
    }
    if (textDraws_ <= kTextDrawsBeforeRecording) ++textDraws_;
    return DrawWatermarkText(frame, s.WatermarkText, s.WatermarkFont, s.TextLeft, s.TextTop);
}

bool TJobEffectsRenderer::Render(const BitmapView& frame, std::string* error) {
    std::lock_guard lock(mutex_);
    const EffectSettings& s = settings_;
    std::string failure;
    for (const TLayerStep step : LayerOrder(s.ProcessText, s.ProcessImage)) {
        switch (step) {
        case TLayerStep::Text:
            if (s.TextActive() && !DrawText(frame))
                failure = "Cannot draw the watermark text: no GUI application is running";
            break;
        case TLayerStep::Picture:
            if (s.PictureActive()) {
                if (Bitmap24* picture = picture_.Picture(s.WatermarkImage, failure))
                    BlendPicture(frame, picture->View(), s.ImageLeft, s.ImageTop, s.ImageAlpha,
                                 s.TransparentStyle,
                                 picture_.Alpha().empty() ? nullptr : picture_.Alpha().data());
            }
            break;
        case TLayerStep::Effects:
            colors_.Apply(frame);
            break;
        }
        if (!failure.empty()) {
            if (error != nullptr) *error = failure;
            return false;
        }
    }
    return true;
}

bool RenderJobEffects(const BitmapView& frame, const EffectSettings& settings, std::string* error) {
    return TJobEffectsRenderer(settings).Render(frame, error);
}

} // namespace orvel
