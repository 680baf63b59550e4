#include "formats/windows/SelectorCombo.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>

namespace orvel {

void RenderSelector(QComboBox& box, const TSelectorView& view) {
    const QSignalBlocker block(&box);
    QStringList items;
    for (const auto& item : view.Items)
        items << QString::fromStdString(item);
    QStringList shown;
    for (int k = 0; k < box.count(); ++k)
        shown << box.itemText(k);
    if (shown != items) {
        box.clear();
        box.addItems(items);
    }
    box.setCurrentIndex(view.ItemIndex);
    if (box.isEditable() && box.currentText() != QString::fromStdString(view.Text)) {
        const QSignalBlocker blockEdit(box.lineEdit());
        box.setEditText(QString::fromStdString(view.Text));
    }
    box.setMaxVisibleItems(std::max(1, view.DropDownCount));
    box.setEnabled(view.Enabled);
    QPalette palette = box.palette();
    const QColor text =
        view.Grey ? QApplication::palette().color(QPalette::Disabled, QPalette::Text) : Qt::black;
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::ButtonText, text);
    box.setPalette(palette);
}

std::optional<char> TypedChar(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Backspace) return kBackspaceKey;
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return std::nullopt;
    const QString text = key.text();
    if (text.size() != 1 || !text[0].isPrint()) return std::nullopt;
    const char16_t c = text[0].unicode();
    return c < 0x80 ? static_cast<char>(c) : '?';
}

} // namespace orvel
