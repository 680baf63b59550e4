#include "formats/windows/CategoryIcons.h"

#include "formats/FormatCatalog.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace orvel {
namespace {

enum class TShape { Player, Phone, Tv, Handheld, Console, Pda, Disc, Film, Note };

struct TIconDef {
    TShape Shape;
    QRgb Color;
};

// In catalog order; neighbours of the same shape differ in colour.
constexpr std::array<TIconDef, 28> kIcons{{
    {TShape::Player, qRgb(90, 90, 100)},    // Apple iPod
    {TShape::Phone, qRgb(40, 40, 40)},      // Apple iPhone
    {TShape::Tv, qRgb(70, 70, 80)},         // Apple TV
    {TShape::Phone, qRgb(60, 140, 60)},     // GPhone
    {TShape::Handheld, qRgb(30, 30, 30)},   // Sony PSP
    {TShape::Console, qRgb(20, 20, 20)},    // Sony PS3
    {TShape::Player, qRgb(110, 70, 40)},    // Microsoft Zune
    {TShape::Player, qRgb(200, 120, 30)},   // Sony Walkman
    {TShape::Pda, qRgb(60, 90, 150)},       // Archos
    {TShape::Player, qRgb(40, 110, 170)},   // Creative Zen
    {TShape::Player, qRgb(150, 40, 130)},   // iRiver
    {TShape::Player, qRgb(190, 40, 40)},    // Sandisk Sansa
    {TShape::Console, qRgb(60, 150, 40)},   // Microsoft xbox 360
    {TShape::Console, qRgb(150, 160, 175)}, // Nitendeo WII
    {TShape::Phone, qRgb(50, 80, 160)},     // Mobile Phone
    {TShape::Phone, qRgb(20, 20, 60)},      // BlackBerry
    {TShape::Phone, qRgb(30, 90, 200)},     // Nokia
    {TShape::Pda, qRgb(30, 130, 120)},      // Windows Mobile
    {TShape::Film, qRgb(80, 110, 180)},     // Quick Time Video - MOV
    {TShape::Film, qRgb(200, 40, 30)},      // Flash Video
    {TShape::Player, qRgb(120, 120, 130)},  // Toshiba Gigabeat
    {TShape::Tv, qRgb(30, 80, 170)},        // HD Video
    {TShape::Disc, qRgb(60, 100, 200)},     // DVD Video
    {TShape::Disc, qRgb(200, 140, 30)},     // SVCD Video
    {TShape::Disc, qRgb(50, 160, 80)},      // VCD Video
    {TShape::Film, qRgb(40, 140, 90)},      // Matroska Video - MKV
    {TShape::Film, qRgb(100, 60, 150)},     // General Video formates
    {TShape::Note, qRgb(190, 60, 120)},     // General Audio formates
}};

void Screen(QPainter& p, const QRectF& r) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(170, 215, 245));
    p.drawRect(r);
}

// A device's case with its screen; the brush is left for the buttons drawn next.
void Casing(QPainter& p, const QRectF& body, qreal radius, const QRectF& screen, const QColor& buttons) {
    p.drawRoundedRect(body, radius, radius);
    Screen(p, screen);
    p.setBrush(buttons);
}

void DrawPlayer(QPainter& p) {
    Casing(p, QRectF(5, 1.5, 10, 17), 2.5, QRectF(6.5, 3, 7, 6), QColor(230, 230, 235));
    p.drawEllipse(QPointF(10, 13.5), 2.8, 2.8);
}

void DrawPhone(QPainter& p) {
    Casing(p, QRectF(5.5, 1, 9, 18), 2, QRectF(6.8, 3, 6.4, 9), QColor(220, 220, 220));
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(7 + i * 2.2, 14, 1.4, 1.4));
}

void DrawTv(QPainter& p, const QColor& body) {
    p.drawRoundedRect(QRectF(1.5, 3, 17, 11.5), 1.5, 1.5);
    Screen(p, QRectF(3, 4.5, 14, 8.5));
    p.setPen(QPen(body.darker(140), 2));
    p.drawLine(QPointF(10, 15), QPointF(10, 17));
    p.drawLine(QPointF(6, 18), QPointF(14, 18));
}

void DrawHandheld(QPainter& p) {
    Casing(p, QRectF(0.5, 6, 19, 8.5), 4, QRectF(5.5, 7.2, 9, 6), QColor(220, 220, 220));
    p.drawEllipse(QPointF(2.8, 10.2), 1.2, 1.2);
    p.drawEllipse(QPointF(17.2, 10.2), 1.2, 1.2);
}

void DrawConsole(QPainter& p) {
    QPainterPath pad;
    pad.addRoundedRect(QRectF(1, 6, 18, 9), 4.5, 4.5);
    p.drawPath(pad);
    p.setPen(QPen(QColor(240, 240, 240), 1.4));
    p.drawLine(QPointF(4, 10.5), QPointF(8, 10.5));
    p.drawLine(QPointF(6, 8.5), QPointF(6, 12.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 240, 240));
    p.drawEllipse(QPointF(13.5, 9.2), 1.1, 1.1);
    p.drawEllipse(QPointF(15.8, 11.6), 1.1, 1.1);
}

void DrawPda(QPainter& p) {
    Casing(p, QRectF(3, 1.5, 14, 17), 1.5, QRectF(4.5, 3, 11, 11), QColor(230, 230, 230));
    p.drawRect(QRectF(8, 15.3, 4, 1.8));
}

void DrawDisc(QPainter& p, const QColor& body) {
    QRadialGradient shine(QPointF(8, 8), 10);
    shine.setColorAt(0, body.lighter(170));
    shine.setColorAt(1, body);
    p.setBrush(shine);
    p.drawEllipse(QPointF(10, 10), 8.5, 8.5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10, 10), 2.2, 2.2);
}

void DrawFilm(QPainter& p) {
    p.drawRect(QRectF(2.5, 2, 15, 16));
    Screen(p, QRectF(6, 4.5, 8, 11));
    p.setBrush(Qt::white);
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(3.5, 3 + i * 4, 1.5, 2));
        p.drawRect(QRectF(15, 3 + i * 4, 1.5, 2));
    }
}

void DrawNote(QPainter& p, const QColor& body) {
    p.drawEllipse(QPointF(6, 15), 3.2, 2.4);
    p.drawEllipse(QPointF(14, 13), 3.2, 2.4);
    p.setPen(QPen(body, 1.6));
    p.drawLine(QPointF(9, 15), QPointF(9, 3.5));
    p.drawLine(QPointF(17, 13), QPointF(17, 1.5));
    p.setPen(QPen(body, 3));
    p.drawLine(QPointF(9, 4), QPointF(17, 2));
}

void Draw(QPainter& p, const TIconDef& icon) {
    const QColor body(icon.Color);
    p.setPen(QPen(body.darker(140), 1));
    p.setBrush(body);
    switch (icon.Shape) {
    case TShape::Player:
        DrawPlayer(p);
        break;
    case TShape::Phone:
        DrawPhone(p);
        break;
    case TShape::Tv:
        DrawTv(p, body);
        break;
    case TShape::Handheld:
        DrawHandheld(p);
        break;
    case TShape::Console:
        DrawConsole(p);
        break;
    case TShape::Pda:
        DrawPda(p);
        break;
    case TShape::Disc:
        DrawDisc(p, body);
        break;
    case TShape::Film:
        DrawFilm(p);
        break;
    case TShape::Note:
        DrawNote(p, body);
        break;
    }
}

} // namespace

QPixmap CategoryIcon(int category) {
    if (category < 0 || category >= static_cast<int>(kIcons.size())) return {};
    QPixmap pixmap(kCategoryIconSize, kCategoryIconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    Draw(p, kIcons[static_cast<size_t>(category)]);
    return pixmap;
}

QPixmap ExpandGlyph(bool expanded) {
    QPixmap pixmap(kCategoryIconSize, kCategoryIconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(120, 130, 150));
    p.setBrush(Qt::white);
    p.drawRect(QRect(5, 5, 9, 9));
    p.setPen(QPen(QColor(30, 40, 90), 1));
    p.drawLine(7, 9, 11, 9);
    if (!expanded) p.drawLine(9, 7, 9, 11);
    return pixmap;
}

} // namespace orvel
