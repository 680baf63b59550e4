#include "ui/SelectionSlider.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace orvel {

TSelectionSlider::TSelectionSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setTickPosition(QSlider::NoTicks);
}

void TSelectionSlider::SetSelection(int start, int end) {
    if (start == selStart_ && end == selEnd_) return;
    selStart_ = start;
    selEnd_ = end;
    update();
}

void TSelectionSlider::SetThumbShown(bool shown) {
    if (shown == thumbShown_) return;
    thumbShown_ = shown;
    update();
}

void TSelectionSlider::paintEvent(QPaintEvent* event) {
    QStyleOptionSlider option;
    initStyleOption(&option);
    QPainter painter(this);
    option.subControls = QStyle::SC_SliderGroove;
    if (thumbShown_) option.subControls |= QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    if (selEnd_ <= selStart_ || maximum() <= minimum()) return;
    // The band lies on the groove, under the thumb's travel.
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = groove.width() - handle.width();
    const auto xOf = [&](int v) {
        return groove.left() + handle.width() / 2 +
               QStyle::sliderPositionFromValue(minimum(), maximum(), v, span);
    };
    const int x0 = xOf(std::max(selStart_, minimum())), x1 = xOf(std::min(selEnd_, maximum()));
    painter.fillRect(QRect(x0, groove.center().y() - 2, std::max(x1 - x0, 1), 5), palette().highlight());
}

} // namespace orvel
