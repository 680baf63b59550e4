#pragma once
// The owner-drawn rows of the job list: white and scheme-striped rows, the focused row in light
// blue with a frame, a drawn check box with its tick in the first column, and one-line texts cut
// with an ellipsis.
#include "ui/SelectionItemDelegate.h"

#include <QColor>
#include <QStyledItemDelegate>

namespace orvel {

// The focused row of a focused list has the selection colours of every owner-drawn list
// (kSelectionFill, kSelectionFrame); without the focus, these paler ones.
inline const QColor kFocusRowFillInactive(229, 236, 248);
inline const QColor kFocusRowFrameInactive(152, 181, 226);

class TJobRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // Rows tall enough for the drawn check box.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    // A click on the drawn box toggles the row's check.
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};

// The check box square of a first-column cell.
QRect JobRowCheckBox(const QRect& cell);

} // namespace orvel
