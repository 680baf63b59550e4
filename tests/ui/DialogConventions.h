#pragma once
// What users expect of every dialog, checked on a shown window: each control has a name a
// screen reader can say, no two controls share a mnemonic, and Tab moves through the controls
// in reading order (top to bottom, left to right). Each check answers the offenders, one line
// each; empty when the window keeps the rule.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QWidget>

#include <map>
#include <string>
#include <vector>

namespace orvel::test {

inline std::string Describe(const QWidget* w) {
    return w->objectName().isEmpty() ? std::string(w->metaObject()->className())
                                     : w->objectName().toStdString();
}

inline bool IsControl(const QWidget* w) {
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QProgressBar*>(w) || qobject_cast<const QLabel*>(w);
}

// Controls the user sees or reaches whose accessible name is empty. Qt's own parts of a
// control (named "qt_...") speak for the control.
inline std::vector<std::string> ControlsWithoutAccessibleName(QWidget& window) {
    std::vector<std::string> missing;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible() || w->objectName().startsWith("qt_") || !IsControl(w)) continue;
        const QWidget* parent = w->parentWidget();
        if (qobject_cast<const QComboBox*>(parent) || qobject_cast<const QAbstractSpinBox*>(parent)) continue;
        const bool reachable = (w->focusPolicy() & Qt::TabFocus) != 0;
        if (w->objectName().isEmpty() && !reachable) continue; // a fixed caption or a control's part
        if (qobject_cast<QLabel*>(w) && !static_cast<QLabel*>(w)->text().isEmpty()) continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        if (!face || face->text(QAccessible::Name).trimmed().isEmpty()) missing.push_back(Describe(w));
    }
    return missing;
}

// Letters marked with "&" on more than one visible button, group box or caption with a buddy.
inline std::vector<std::string> SharedMnemonics(QWidget& window) {
    std::map<QChar, std::vector<std::string>> owners;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
        if (auto* g = qobject_cast<QGroupBox*>(w)) text = g->title();
        if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy()) text = l->text();
        for (qsizetype i = 0; i + 1 < text.size(); ++i)
            if (text[i] == '&') {
                if (text[i + 1] != '&') owners[text[i + 1].toLower()].push_back(Describe(w));
                ++i;
            }
    }
    std::vector<std::string> shared;
    for (const auto& [letter, names] : owners)
        if (names.size() > 1) {
            std::string line = std::string("Alt+") + QString(letter).toStdString() + ":";
            for (const std::string& n : names)
                line += " " + n;
            shared.push_back(line);
        }
    return shared;
}

// Steps of the Tab chain that go back up, or left within one row. Going up into the next
// column on the right (the top of the group box beside) is reading order.
inline std::vector<std::string> TabStepsAgainstReadingOrder(QWidget& window) {
    std::vector<QWidget*> chain;
    for (QWidget* w = window.nextInFocusChain(); w && w != &window; w = w->nextInFocusChain())
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) && w->window() == &window &&
            !(w->focusProxy()))
            chain.push_back(w);
    auto place = [&window](const QWidget* w) { return QRect(w->mapTo(&window, QPoint(0, 0)), w->size()); };
    std::vector<std::string> wrong;
    for (size_t i = 1; i < chain.size(); ++i) {
        const QRect a = place(chain[i - 1]), b = place(chain[i]);
        const bool above = b.bottom() < a.top() && b.left() <= a.right();
        const bool sameRowLeft = b.top() <= a.bottom() && a.top() <= b.bottom() && b.right() < a.left();
        if (above || sameRowLeft) wrong.push_back(Describe(chain[i - 1]) + " -> " + Describe(chain[i]));
    }
    return wrong;
}

} // namespace orvel::test
