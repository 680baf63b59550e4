#pragma once
// The crop dialog's rubber band: a transparent control with a dotted frame and eight 5 x 5
// handles that the user drags to move or resize. It keeps itself at least 10 pixels wide and
// high; the dialog keeps it inside the picture.
#include "editing/CropModel.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

namespace orvel {

class RectTracker : public QWidget {
    Q_OBJECT
public:
    enum class TZone { None, Move, TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Left };

    explicit RectTracker(QWidget* parent = nullptr);

    // The zone under a point of a control of the given size.
    static TZone ZoneAt(QSize size, QPoint point);
    // The bounds after dragging zone by delta from start.
    static QRect Dragged(TZone zone, QRect start, QPoint delta);
    static Qt::CursorShape CursorOf(TZone zone);

    // Inner rectangle: the bounds inset by 2 on every side.
    QRect InnerRect() const { return geometry().adjusted(2, 2, -2, -2); }

signals:
    void Pressed();
    void Moved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TZone dragZone_ = TZone::None;
    QPoint lastPointer_; // in the parent's coordinates
};

} // namespace orvel
