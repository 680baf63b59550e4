#include "batch/LivePicture.h"

#include <QPainter>

#include <cfenv>
#include <cmath>

namespace orvel {
namespace {

// The current rounding mode is round-half-to-even unless someone changed it; set it for sure.
int RoundHalfEven(double value) {
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    return static_cast<int>(rounded);
}

} // namespace

TFitRect FitIntoArea(int frameWidth, int frameHeight, int areaWidth, int areaHeight) {
    if (frameWidth <= 0 || frameHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return {};
    const double a = static_cast<double>(frameWidth) / areaWidth;
    const double b = static_cast<double>(frameHeight) / areaHeight;
    if (a >= b) {
        const int bar = RoundHalfEven((areaHeight - frameHeight / a) / 2);
        return {0, bar, areaWidth, areaHeight - 2 * bar};
    }
    const int bar = RoundHalfEven((areaWidth - frameWidth / b) / 2);
    return {bar, 0, areaWidth - 2 * bar, areaHeight};
}

QImage LivePicture(const Bitmap24& frame, int areaWidth, int areaHeight) {
    QImage area(areaWidth, areaHeight, QImage::Format_RGB888);
    area.fill(kLivePictureBackground);
    if (frame.Empty()) return area;
    const TFitRect fit = FitIntoArea(frame.Width(), frame.Height(), areaWidth, areaHeight);
    if (fit.Width <= 0 || fit.Height <= 0) return area;
    QPainter painter(&area);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Drawn from the frame's own rows: no copy of a full-size frame ten times a second.
    const QImage source(frame.Bits(), frame.Width(), frame.Height(), frame.Stride(), QImage::Format_BGR888);
    painter.drawImage(QRect(fit.Left, fit.Top, fit.Width, fit.Height), source);
    return area;
}

} // namespace orvel
