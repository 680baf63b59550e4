#include "ui/JobRowDelegate.h"

#include "ui/ColorSchemes.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace orvel {

QRect JobRowCheckBox(const QRect& cell) {
    return QRect(QPoint(cell.left() + 2, cell.top() + 2), QPoint(cell.left() + 14, cell.bottom() - 2));
}

QSize TJobRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), option.fontMetrics.height() + 6));
    return size;
}

void TJobRowDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    p->save();
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const bool focusRow = view && view->currentIndex().isValid() && view->currentIndex().row() == index.row();
    const bool listFocused = view && view->hasFocus();
    const int columns = index.model()->columnCount(index.parent());
    const bool first = index.column() == 0, last = index.column() == columns - 1;

    // The row is inset by one pixel at its two ends.
    QRect cell = option.rect;
    if (first) cell.setLeft(cell.left() + 1);
    if (last) cell.setRight(cell.right() - 1);
    QColor fill = index.row() % 2 == 1 ? ColorSchemeStripe(CurrentColorScheme()) : QColor(Qt::white);
    if (focusRow) fill = listFocused ? kSelectionFill : kFocusRowFillInactive;
    p->fillRect(option.rect, Qt::white);
    p->fillRect(cell, fill);

    QRect text = cell.adjusted(3, 0, -3, 0);
    if (first) {
        const QRect box = JobRowCheckBox(option.rect);
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setPen(QPen(Qt::black, 2));
        p->setBrush(Qt::NoBrush);
        p->drawRect(box);
        if (index.data(Qt::CheckStateRole).toInt() == Qt::Checked) {
            const QPoint tick[] = {{option.rect.left() + 4, option.rect.top() + 6},
                                   {option.rect.left() + 6, option.rect.top() + 11},
                                   {option.rect.left() + 11, option.rect.top() + 5}};
            p->drawPolyline(tick, 3);
        }
        text.setLeft(box.right() + 4);
    }
    p->setPen(Qt::black);
    p->setFont(option.font);
    const QVariant align = index.data(Qt::TextAlignmentRole);
    const int horizontal = align.isValid() ? (align.toInt() & Qt::AlignHorizontal_Mask) : Qt::AlignLeft;
    const QString elided =
        option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, text.width());
    p->drawText(text, horizontal | Qt::AlignVCenter | Qt::TextSingleLine, elided);

    if (focusRow) {
        // The frame spans the whole row: top and bottom in every cell, the ends in the first and last.
        p->setPen(listFocused ? kSelectionFrame : kFocusRowFrameInactive);
        const QRect f = cell.adjusted(0, 0, 0, -1);
        p->drawLine(f.topLeft(), f.topRight());
        p->drawLine(f.bottomLeft(), f.bottomRight());
        if (first) p->drawLine(f.topLeft(), f.bottomLeft());
        if (last) p->drawLine(f.topRight(), f.bottomRight());
    }
    p->restore();
}

bool TJobRowDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (index.column() != 0 || event->type() != QEvent::MouseButtonRelease) return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return false;
    if (!JobRowCheckBox(option.rect).adjusted(-1, -1, 1, 1).contains(mouse->position().toPoint()))
        return false;
    const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

} // namespace orvel
