#include "app/windows/frmShortcuts.h"

#include "app/KeyboardShortcuts.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace orvel {

TfrmShortcuts::TfrmShortcuts(QWidget* parent) : QDialog(parent) {
    setObjectName("frmShortcuts");
    setWindowTitle("Keyboard Shortcuts");
    auto* layout = new QVBoxLayout(this);
    auto* list = new QTreeWidget(this);
    list->setObjectName("lvShortcuts");
    list->setAccessibleName("Keyboard shortcuts");
    list->setRootIsDecorated(false);
    list->setHeaderLabels({"Keys", "Where", "What it does"});
    auto add = [list](const QString& keys, const QString& where, const QString& what) {
        new QTreeWidgetItem(list, {keys, where, what});
    };
    for (const TKeyShortcut& s : KeyboardShortcuts()) {
        QStringList keys;
        for (const QKeySequence& k : QKeySequence::listFromString(s.Keys))
            keys << k.toString(QKeySequence::NativeText);
        add(keys.join(", "), s.Where, s.What);
    }
    add("Alt + underlined letter", "Main window", "Open that menu or press that button");
    add("Tab, Shift+Tab", "Every window", "Go to the next or the previous control");
    add("Return", "Dialogs", "Ok");
    add("Esc", "Dialogs", "Cancel");
    for (int column = 0; column < list->columnCount(); ++column)
        list->resizeColumnToContents(column);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(list->header()->length() + 40, 380);
}

} // namespace orvel
