#include "editing/windows/RectTracker.h"

#include <QMouseEvent>
#include <QPainter>

#include <array>

namespace orvel {

namespace {

constexpr int kHandle = 5;

struct THandle {
    RectTracker::TZone Zone;
    QRect Box;
};

std::array<THandle, 8> Handles(QSize s) {
    const int w = s.width(), h = s.height();
    const int midX = (w + 1) / 2 - 3, midY = (h + 1) / 2 - 3;
    using Z = RectTracker::TZone;
    return {{{Z::TopLeft, {0, 0, kHandle, kHandle}},
             {Z::Top, {midX, 0, kHandle, kHandle}},
             {Z::TopRight, {w - kHandle, 0, kHandle, kHandle}},
             {Z::Right, {w - kHandle, midY, kHandle, kHandle}},
             {Z::BottomRight, {w - kHandle, h - kHandle, kHandle, kHandle}},
             {Z::Bottom, {midX, h - kHandle, kHandle, kHandle}},
             {Z::BottomLeft, {0, h - kHandle, kHandle, kHandle}},
             {Z::Left, {0, midY, kHandle, kHandle}}}};
}

} // namespace

RectTracker::RectTracker(QWidget* parent) : QWidget(parent) {
    setObjectName("RectTracker");
    setMouseTracking(true);
    resize(65, 65);
}

RectTracker::TZone RectTracker::ZoneAt(QSize size, QPoint p) {
    for (const THandle& handle : Handles(size))
        if (handle.Box.contains(p)) return handle.Zone;
    const QRect inner(QPoint(2, 2), QPoint(size.width() - 2, size.height() - 2));
    return inner.contains(p) ? TZone::Move : TZone::None;
}

QRect RectTracker::Dragged(TZone zone, QRect r, QPoint d) {
    const bool left = zone == TZone::TopLeft || zone == TZone::Left || zone == TZone::BottomLeft;
    const bool right = zone == TZone::TopRight || zone == TZone::Right || zone == TZone::BottomRight;
    const bool top = zone == TZone::TopLeft || zone == TZone::Top || zone == TZone::TopRight;
    const bool bottom = zone == TZone::BottomLeft || zone == TZone::Bottom || zone == TZone::BottomRight;
    if (zone == TZone::Move) return r.translated(d);
    int x = r.x(), y = r.y(), w = r.width(), h = r.height();
    // A left or top edge stops where the size would fall below the minimum.
    if (left && !(w <= kMinTrackerSize && d.x() > 0)) {
        const int dx = std::min(d.x(), w - kMinTrackerSize);
        x += dx;
        w -= dx;
    }
    if (top && !(h <= kMinTrackerSize && d.y() > 0)) {
        const int dy = std::min(d.y(), h - kMinTrackerSize);
        y += dy;
        h -= dy;
    }
    if (right) w = std::max(w + d.x(), kMinTrackerSize);
    if (bottom) h = std::max(h + d.y(), kMinTrackerSize);
    return {x, y, w, h};
}

Qt::CursorShape RectTracker::CursorOf(TZone zone) {
    switch (zone) {
    case TZone::Move:
        return Qt::SizeAllCursor;
    case TZone::Left:
    case TZone::Right:
        return Qt::SizeHorCursor;
    case TZone::Top:
    case TZone::Bottom:
        return Qt::SizeVerCursor;
    case TZone::TopLeft:
    case TZone::BottomRight:
        return Qt::SizeFDiagCursor;
    case TZone::TopRight:
    case TZone::BottomLeft:
        return Qt::SizeBDiagCursor;
    case TZone::None:
        break;
    }
    return Qt::ArrowCursor;
}

void RectTracker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QPen dotted(Qt::black, 1, Qt::DotLine);
    p.setPen(dotted);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(QPoint(2, 2), QPoint(width() - 3, height() - 3)));
    for (const THandle& handle : Handles(size()))
        p.fillRect(handle.Box, Qt::black);
}

void RectTracker::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragZone_ = ZoneAt(size(), event->position().toPoint());
    lastPointer_ = mapToParent(event->position().toPoint());
    emit Pressed();
}

void RectTracker::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pointer = mapToParent(event->position().toPoint());
    if (dragZone_ == TZone::None || !(event->buttons() & Qt::LeftButton)) {
        setCursor(CursorOf(ZoneAt(size(), event->position().toPoint())));
        return;
    }
    const QRect next = Dragged(dragZone_, geometry(), pointer - lastPointer_);
    lastPointer_ = pointer;
    if (next == geometry()) return;
    setGeometry(next);
    emit Moved();
}

void RectTracker::mouseReleaseEvent(QMouseEvent*) {
    dragZone_ = TZone::None;
}

} // namespace orvel
