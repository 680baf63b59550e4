#pragma once
// The Qt font and colour a watermark text is drawn with, for windows that show the text as it
// will look. Defined beside DrawWatermarkText, which owns the conversion.
#include "editing/effects/WatermarkFont.h"

#include <QColor>
#include <QFont>

namespace orvel {

QFont WatermarkQFont(const TWatermarkFont& font);
QColor WatermarkQColor(uint32_t bgr);

} // namespace orvel
