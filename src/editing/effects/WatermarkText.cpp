// Watermark text through Qt's font engine, drawn straight into the frame's memory.
#include "editing/effects/EffectsRenderer.h"
#include "editing/effects/TextMask.h"
#include "editing/effects/WatermarkQtFont.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
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

QString WatermarkLine(const std::string& text) {
    QString line = QString::fromStdString(text);
    // One line: a line break in the stored text must not start a second line.
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

// Fonts live in the GUI application's font database; without one Qt would abort.
bool FontsAvailable() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

} // namespace

QFont WatermarkQFont(const TWatermarkFont& font) {
    return ToQFont(font);
}

QColor WatermarkQColor(uint32_t bgr) {
    return ToQColor(bgr);
}

bool DrawWatermarkTextCopies(const BitmapView& frame, const std::string& text, const TWatermarkFont& font,
                             int left, int top, int copies, int rowStep) {
    if (text.empty() || frame.Empty()) return true;
    if (!FontsAvailable()) return false;
    const QString line = WatermarkLine(text);
    // The frame's bytes are blue, green, red per pixel, which is Qt's BGR888 layout.
    QImage surface(frame.Bits, frame.Width, frame.Height, frame.Stride, QImage::Format_BGR888);
    QPainter painter(&surface);
    const QFont qfont = ToQFont(font);
    painter.setFont(qfont);
    painter.setPen(ToQColor(font.Color));
    painter.setBackgroundMode(Qt::TransparentMode);
    const QFontMetrics metrics(qfont, &surface);
    for (int i = 0; i < copies; ++i)
        painter.drawText(left, top + i * rowStep + metrics.ascent(), line);
    painter.end();
    return true;
}

bool DrawWatermarkText(const BitmapView& frame, const std::string& text, const TWatermarkFont& font, int left,
                       int top) {
    return DrawWatermarkTextCopies(frame, text, font, left, top, 1, 0);
}

TTextBounds WatermarkTextBounds(const std::string& text, const TWatermarkFont& font, int left, int top) {
    if (text.empty() || !FontsAvailable()) return {};
    const QString line = WatermarkLine(text);
    const QFontMetrics metrics(ToQFont(font));
    // The ink, and the whole advance from the ascent to the descent, where underline and
    // strike-out run.
    const QRect ink = metrics.boundingRect(line).united(
        QRect(0, -metrics.ascent(), std::max(1, metrics.horizontalAdvance(line)), metrics.height()));
    return TTextBounds{left + ink.left(), top + metrics.ascent() + ink.top(), ink.width(), ink.height()};
}

} // namespace orvel
