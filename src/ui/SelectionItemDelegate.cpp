#include "ui/SelectionItemDelegate.h"

#include <QPainter>

namespace orvel {

void PaintSelection(QPainter& painter, const QRect& row) {
    const QRect inner = row.adjusted(2, 2, -2, -2);
    painter.fillRect(inner, kSelectionFill);
    painter.setPen(kSelectionFrame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(inner.adjusted(0, 0, -1, -1));
}

void TSelectionItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    painter->save();
    const bool focused = (option.state & (QStyle::State_Selected | QStyle::State_HasFocus)) != 0;
    painter->fillRect(option.rect, Qt::white);
    if (focused) PaintSelection(*painter, option.rect);
    const QRect text = option.rect.adjusted(3, 0, -3, 0);
    painter->setPen((option.state & QStyle::State_Enabled) ? QColor(Qt::black) : QColor(Qt::gray));
    painter->setFont(option.font);
    const QString elided =
        option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, text.width());
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, elided);
    painter->restore();
}

} // namespace orvel
