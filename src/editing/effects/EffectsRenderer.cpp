// The effect values of a job record.
#include "editing/effects/EffectsRenderer.h"

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

} // namespace orvel
