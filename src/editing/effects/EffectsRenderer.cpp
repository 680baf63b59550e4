// The layer order of one frame: text, picture and colour effects, ordered by the job's two
// "process" flags.
#include "editing/effects/EffectsRenderer.h"

#include "batch/LayerOrder.h"
#include "batch/lvFilesRecord.h"

namespace orvel {

EffectSettings EffectSettings::FromRecord(const TlvFilesRecord& r) {
    EffectSettings s;
    s.Brightness = r.Brightness;
    s.Contrast = r.Contrast;
    s.Saturation = r.Saturation;
    s.Exposure = r.Exposure;
    s.WatermarkText = r.WatermarkText;
    s.WatermarkFont = r.WatermarkFont;
    s.TextLeft = r.TextLeft;
    s.TextTop = r.TextTop;
    s.WatermarkImage = r.WatermarkImage;
    s.ImageLeft = r.ImageLeft;
    s.ImageTop = r.ImageTop;
    s.ImageAlpha = r.ImageAlpha;
    s.TransparentStyle = r.TransparentStyle;
    s.ProcessText = r.ProcessText;
    s.ProcessImage = r.ProcessImage;
    return s;
}

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
            if (settings.ExposureActive()) ApplyExposure(frame, static_cast<float>(settings.Exposure));
            break;
        }
        if (!failure.empty()) {
            if (error != nullptr) *error = failure;
            return false;
        }
    }
    return true;
}

} // namespace orvel
