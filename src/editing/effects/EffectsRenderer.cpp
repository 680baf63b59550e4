// The layer order of one frame: text, picture and colour effects, ordered by the job's two
// "process" flags.
#include "editing/effects/EffectsRenderer.h"

#include "batch/LayerOrder.h"

namespace orvel {

bool RenderJobEffects(const BitmapView& frame, const EffectSettings& settings, std::string* error) {
    std::string failure;
    for (const TLayerStep step : LayerOrder(settings.ProcessText, settings.ProcessImage)) {
        switch (step) {
        case TLayerStep::Text:
            if (settings.TextActive() &&
                !DrawWatermarkText(frame, settings.WatermarkText, settings.WatermarkFont, settings.TextLeft,
                                   settings.TextTop))
                failure = "Cannot draw the watermark text: no GUI application is running";
            break;
        case TLayerStep::Picture:
            if (settings.PictureActive()) {
                // Read for every frame, so a picture changed on disk shows up at once.
                Bitmap24 picture;
                if (LoadBitmapFile(settings.WatermarkImage, picture, failure))
                    BlendPicture(frame, picture.View(), settings.ImageLeft, settings.ImageTop,
                                 settings.ImageAlpha, settings.TransparentStyle);
            }
            break;
        case TLayerStep::Effects:
            if (settings.ColorAdjustActive())
                AdjustColors(frame, settings.Brightness, settings.Contrast, settings.Saturation);
            if (settings.ExposureActive())
                ApplyExposure(frame, static_cast<float>(settings.Exposure));
            break;
        }
        if (!failure.empty()) {
            if (error != nullptr)
                *error = failure;
            return false;
        }
    }
    return true;
}

} // namespace orvel
