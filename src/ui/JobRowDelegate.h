#pragma once
// The owner-drawn rows of the job list: white and scheme-striped rows, the focused row in light
// blue with a frame, a drawn check box with its tick in the first column, and one-line texts cut
// with an ellipsis.
#include <QColor>
#include <QStyledItemDelegate>

namespace orvel {

inline const QColor kFocusRowFill(185, 204, 236);
inline const QColor kFocusRowFillInactive(229, 236, 248);
inline const QColor kFocusRowFrame(122, 160, 218);
inline const QColor kFocusRowFrameInactive(152, 181, 226);

class TJobRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    // A click on the drawn box toggles the row's check.
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};

// The check box square of a first-column cell.
QRect JobRowCheckBox(const QRect& cell);

} // namespace orvel
