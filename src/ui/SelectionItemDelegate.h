#pragma once
// The owner-drawn look of list items in the parameter selectors: the item under focus filled
// light blue inside a darker frame, every other item white, black text on one line, cut with an
// ellipsis when too long.
#include <QColor>
#include <QStyledItemDelegate>

namespace orvel {

inline const QColor kSelectionFill(185, 204, 236);
inline const QColor kSelectionFrame(122, 160, 218);

class TSelectionItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// The fill inset by 2 pixels and its frame, as the selected rows of every owner-drawn list have.
void PaintSelection(QPainter& painter, const QRect& row);

} // namespace orvel
