#include "formats/windows/CatalogPanel.h"

#include "formats/windows/CategoryIcons.h"
#include "ui/SelectionItemDelegate.h"

#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

namespace orvel {
namespace {

inline const QColor kListBackground(246, 247, 248);
inline const QColor kEntryText(0, 0, 128);
constexpr int kIsCategoryRole = Qt::UserRole;
constexpr int kCollapsedRole = Qt::UserRole + 1;
constexpr int kCodeRole = Qt::UserRole + 2;

class TCatalogRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Rows take the list's width; only their height is fixed.
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {1, TFormatListModel::kRowHeight};
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        p->save();
        const QRect r = option.rect;
        p->fillRect(r, kListBackground);
        if (option.state & QStyle::State_Selected) PaintSelection(*p, r);
        const QString text = index.data(Qt::DisplayRole).toString();
        QFont font = option.font;
        // Text starts 2 pixels below the row's top.
        const QRect line(r.left(), r.top() + 2, r.width(), r.height() - 2);
        if (index.data(kIsCategoryRole).toBool()) {
            const bool collapsed = index.data(kCollapsedRole).toBool();
            p->drawPixmap(r.left(), r.top() + (r.height() - kCategoryIconSize) / 2, ExpandGlyph(!collapsed));
            p->drawPixmap(r.left() + 20, r.top(), CategoryIcon(index.data(kCodeRole).toInt()));
            font.setBold(true);
            p->setFont(font);
            p->setPen(Qt::black);
            p->drawText(line.adjusted(45, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        } else {
            p->setFont(font);
            p->setPen(kEntryText);
            p->drawText(line.adjusted(25, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        }
        p->restore();
    }
};

} // namespace

TCatalogPanel::TCatalogPanel(TFormatListModel& list, const std::string& settingsPath,
                             TCatalogPanelOptions options, QWidget* listHost, QWidget* parent)
    : QWidget(parent), model_(list, settingsPath, options), listHost_(listHost) {
    CreateControls();
}

TCatalogPanel::TCatalogPanel(const std::string& settingsPath, TCatalogPanelOptions options, QWidget* listHost,
                             QWidget* parent)
    : QWidget(parent), model_(settingsPath, options), listHost_(listHost) {
    CreateControls();
}

void TCatalogPanel::CreateControls() {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    edt1 = new QLineEdit(this);
    edt1->setObjectName("edt1");
    edt1->setReadOnly(true);
    edt1->setFocusPolicy(Qt::NoFocus); // never shows a caret
    edt1->setCursor(Qt::ArrowCursor);
    QPalette background = edt1->palette();
    background.setColor(QPalette::Base, kListBackground);
    edt1->setPalette(background);
    row->addWidget(edt1, 1);
    imgbtn1 = new QToolButton(this);
    imgbtn1->setObjectName("imgbtn1");
    imgbtn1->setArrowType(Qt::DownArrow);
    // The arrow is the panel's keyboard stop: Alt+Down, F4, Space or Return open the list.
    imgbtn1->setFocusPolicy(Qt::StrongFocus);
    imgbtn1->setAccessibleName("Output format list");
    row->addWidget(imgbtn1);

    lst1 = new QListWidget(listHost_ ? listHost_ : this);
    lst1->setObjectName("lst1");
    lst1->setItemDelegate(new TCatalogRowDelegate(lst1));
    lst1->setUniformItemSizes(true);
    lst1->setResizeMode(QListView::Adjust); // rows as wide as the list, scroll bar or not
    lst1->setSelectionMode(QAbstractItemView::SingleSelection);
    lst1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lst1->setFrameShape(QFrame::Box);
    lst1->setPalette(background);
    lst1->viewport()->setMouseTracking(true);
    lst1->hide();
    lst1->setAccessibleName("Output formats");
    connect(imgbtn1, &QToolButton::clicked, this, &TCatalogPanel::imgbtn1Click);
    // The arrows and typing a name's first letters move the list's current row (its own
    // keyboard search); the model selects that row as it would under the pointer.
    connect(lst1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row != model_.View().SelectedRow) model_.lst1MouseMove(row);
    });
    // The presses on the panel's own widgets, a press anywhere else (which closes the list) and
    // the application losing the focus all pass this filter.
    qApp->installEventFilter(this);
}

TCatalogPanel::~TCatalogPanel() {
    qApp->removeEventFilter(this);
}

void TCatalogPanel::PlaceEdges() {
    const QPoint topLeft = edt1->mapTo(lst1->parentWidget(), QPoint(0, 0));
    model_.SetEditEdges(topLeft.y(), topLeft.y() + edt1->height());
}

void TCatalogPanel::Fill() {
    PlaceEdges();
    model_.Fill();
    // Refilled after the settings dialog wrote new choices: reload even for the same name.
    if (!Render()) emit FormatChanged(model_.CurrentCode());
}

void TCatalogPanel::SetCurrent(const std::string& code, const std::string& name) {
    model_.SetCurrent(code, name);
    Render();
}

void TCatalogPanel::edt1Click() {
    PlaceEdges();
    const int row = model_.edt1Click();
    Render();
    if (row >= 0 && lst1->isVisible())
        QCursor::setPos(lst1->viewport()->mapToGlobal(lst1->visualItemRect(lst1->item(row)).center()));
}

void TCatalogPanel::edt1DblClick() {
    PlaceEdges();
    model_.edt1DblClick();
    Render();
}

void TCatalogPanel::imgbtn1Click() {
    PlaceEdges();
    model_.imgbtn1Click();
    Render();
}

int TCatalogPanel::RowAt(const QPoint& at) const {
    const QModelIndex index = lst1->indexAt(at);
    return index.isValid() ? index.row() : -1;
}

void TCatalogPanel::lst1MouseDown(const QPoint& at) {
    model_.lst1MouseDown(RowAt(at), at.x());
    Render();
}

void TCatalogPanel::lst1DblClick(const QPoint& at) {
    // A double-click's second press counts as a press too.
    const int row = RowAt(at);
    model_.lst1MouseDown(row, at.x());
    model_.lst1DblClick(row);
    Render();
}

void TCatalogPanel::lst1MouseMove(const QPoint& at) {
    const int row = RowAt(at);
    if (row == model_.View().SelectedRow) return;
    model_.lst1MouseMove(row);
    Render();
}

bool TCatalogPanel::IsPanelWidget(const QObject* object) const {
    for (const QObject* o = object; o; o = o->parent())
        if (o == lst1 || o == edt1 || o == imgbtn1) return true;
    return false;
}

bool TCatalogPanel::ButtonKey(const QKeyEvent& key) {
    const bool opens = (key.key() == Qt::Key_Down && key.modifiers() == Qt::AltModifier) ||
                       key.key() == Qt::Key_F4 || key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
    if (!opens) return false;
    imgbtn1Click();
    return true;
}

// Return chooses the current entry, or opens or closes the current category; Esc closes.
bool TCatalogPanel::ListKey(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Escape) {
        model_.HideList();
        Render();
        imgbtn1->setFocus();
        return true;
    }
    if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter) return false;
    const int row = lst1->currentRow();
    if (row < 0) return true;
    if (lst1->item(row)->data(kIsCategoryRole).toBool()) {
        model_.lst1DblClick(row);
        Render();
        return true;
    }
    model_.lst1MouseDown(row, lst1->viewport()->width() / 2);
    Render();
    if (!lst1->isVisible()) imgbtn1->setFocus();
    return true;
}

bool TCatalogPanel::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        if (watched == imgbtn1) return ButtonKey(*static_cast<QKeyEvent*>(event));
        if (watched == lst1 && lst1->isVisible()) return ListKey(*static_cast<QKeyEvent*>(event));
        return false;
    case QEvent::ApplicationDeactivate:
        if (watched == qApp && lst1->isVisible()) {
            model_.HideList();
            Render();
        }
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        if (watched == lst1->viewport()) {
            if (event->type() == QEvent::MouseButtonPress)
                lst1MouseDown(mouse->position().toPoint());
            else
                lst1DblClick(mouse->position().toPoint());
            return true;
        }
        if (watched == edt1) {
            if (event->type() == QEvent::MouseButtonPress)
                edt1Click();
            else
                edt1DblClick();
            return true;
        }
        if (watched->isWidgetType() && lst1->isVisible() && !IsPanelWidget(watched)) {
            model_.HideList();
            Render();
        }
        return false;
    }
    case QEvent::MouseMove:
        if (watched == lst1->viewport())
            lst1MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        return false;
    default:
        return false;
    }
}

bool TCatalogPanel::Render() {
    const TCatalogPanelView& view = model_.View();
    const QSignalBlocker block(lst1);
    if (view.Rows != shownRows_) {
        lst1->clear();
        for (const TCatalogRowView& r : view.Rows) {
            auto* item = new QListWidgetItem(QString::fromStdString(r.Text), lst1);
            item->setData(kIsCategoryRole, r.IsCategory);
            item->setData(kCollapsedRole, r.Collapsed);
            item->setData(kCodeRole, r.Code);
        }
        shownRows_ = view.Rows;
    }
    lst1->setCurrentRow(view.SelectedRow);
    if (view.SelectedRow < 0) lst1->clearSelection();

    // A host too short for the list's fixed bottom edge moves the list up, never out of sight.
    const int top = std::max(0, std::min(view.ListTop, lst1->parentWidget()->height() - view.ListHeight));
    lst1->setGeometry(edt1->mapTo(lst1->parentWidget(), QPoint(0, 0)).x(), top,
                      edt1->width() + imgbtn1->width(), view.ListHeight);
    const bool wasVisible = lst1->isVisible();
    lst1->setVisible(view.ListVisible);
    if (view.ListVisible && !wasVisible) {
        lst1->raise();
        lst1->setFocus();
        if (view.SelectedRow >= 0) lst1->scrollToItem(lst1->item(view.SelectedRow));
    }

    const QString name = QString::fromStdString(view.EditText);
    if (edt1->text() != name) {
        edt1->setText(name);
        edt1->setCursorPosition(0);
        emit FormatChanged(model_.CurrentCode());
        return true;
    }
    return false;
}

} // namespace orvel
