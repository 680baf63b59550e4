// Watermark text through Qt's font engine, drawn straight into the frame's memory.
#include "editing/effects/EffectsRenderer.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cmath>

namespace orvel {
namespace {

// Point sizes are meant for a 96 dots-per-inch screen; the pixel size is rounded the same way
// for every frame so output files do not depend on the machine's screen.
constexpr int kFrameDpi = 96;

int PixelSize(int points) {
    const int px = static_cast<int>(std::lround(std::abs(points) * double(kFrameDpi) / 72.0));
    return px > 0 ? px : 1;
}

QFont ToQFont(const TWatermarkFont& f) {
    QFont font(QString::fromStdString(f.Name));
    font.setPixelSize(PixelSize(f.Size));
    font.setBold(f.Bold);
    font.setItalic(f.Italic);
    font.setUnderline(f.Underline);
    font.setStrikeOut(f.StrikeOut);
    return font;
}

QColor ToQColor(uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

} // namespace

bool DrawWatermarkText(const BitmapView& frame, const std::string& text, const TWatermarkFont& font, int left,
                       int top) {
    if (text.empty() || frame.Empty()) return true;
    // Fonts live in the GUI application's font database; without one Qt would abort.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return false;

    QString line = QString::fromStdString(text);
    // One line: a line break in the stored text must not start a second line.
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));

    // The frame's bytes are blue, green, red per pixel, which is Qt's BGR888 layout.
    QImage surface(frame.Bits, frame.Width, frame.Height, frame.Stride, QImage::Format_BGR888);
    QPainter painter(&surface);
    const QFont qfont = ToQFont(font);
    painter.setFont(qfont);
    painter.setPen(ToQColor(font.Color));
    painter.setBackgroundMode(Qt::TransparentMode);
    const QFontMetrics metrics(qfont, &surface);
    painter.drawText(left, top + metrics.ascent(), line);
    painter.end();
    return true;
}

} // namespace orvel
