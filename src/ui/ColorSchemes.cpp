#include "ui/ColorSchemes.h"

#include <QApplication>

#include <array>

namespace orvel {
namespace {

struct TSchemeDef {
    const char* Name;
    QRgb Window;    // frames and panels
    QRgb Button;    // buttons, title areas, menu bar
    QRgb Highlight; // selection and focus
    QRgb Stripe;    // odd rows of the job list
};

constexpr std::array<TSchemeDef, kColorSchemeCount> kSchemes{{
    {"Default", qRgb(236, 240, 252), qRgb(214, 223, 247), qRgb(49, 106, 197), qRgb(226, 230, 246)},
    {"Gray", qRgb(240, 240, 240), qRgb(220, 220, 220), qRgb(110, 110, 110), qRgb(236, 236, 236)},
    {"Orange", qRgb(252, 246, 232), qRgb(248, 222, 170), qRgb(220, 120, 20), qRgb(248, 242, 224)},
    {"Purple", qRgb(248, 238, 246), qRgb(232, 206, 226), qRgb(140, 60, 130), qRgb(246, 230, 241)},
    {"Red", qRgb(250, 236, 236), qRgb(240, 200, 200), qRgb(190, 40, 40), qRgb(247, 225, 225)},
    {"Green", qRgb(236, 250, 236), qRgb(205, 238, 203), qRgb(50, 140, 50), qRgb(226, 247, 225)},
    {"Light blue", qRgb(236, 246, 251), qRgb(200, 228, 242), qRgb(40, 140, 200), qRgb(225, 240, 247)},
}};

int g_current = 0;

const TSchemeDef& Scheme(int index) {
    return kSchemes[static_cast<std::size_t>(IsColorScheme(index) ? index : 0)];
}

} // namespace

bool IsColorScheme(int index) {
    return index >= 0 && index < kColorSchemeCount;
}

const char* ColorSchemeName(int index) {
    return IsColorScheme(index) ? Scheme(index).Name : nullptr;
}

QPalette ColorSchemePalette(int index) {
    const TSchemeDef& s = Scheme(index);
    const QColor window(s.Window);
    const QColor button(s.Button);
    const QColor text(Qt::black);
    QPalette p(button, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(s.Stripe));
    p.setColor(QPalette::Highlight, QColor(s.Highlight));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Disabled, QPalette::WindowText, Qt::gray);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, Qt::gray);
    p.setColor(QPalette::Disabled, QPalette::Text, Qt::gray);
    return p;
}

QColor ColorSchemeStripe(int index) {
    return QColor(Scheme(index).Stripe);
}

QString ColorSchemeStyleSheet(int index) {
    const TSchemeDef& s = Scheme(index);
    const QColor button(s.Button), window(s.Window), highlight(s.Highlight), stripe(s.Stripe);
    const QString frame = highlight.lighter(150).name();
    QString sheet;
    sheet +=
        QString("QPushButton, QToolButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, "
                "stop:1 %2); border: 1px solid %3; border-radius: 3px; padding: 2px 6px; color: black; }\n")
            .arg(button.lighter(108).name(), button.name(), frame);
    sheet +=
        QString("QPushButton:hover, QToolButton:hover { background: %1; }\n").arg(button.lighter(115).name());
    sheet += QString("QPushButton:pressed, QToolButton:pressed { background: %1; }\n")
                 .arg(button.darker(110).name());
    sheet += "QPushButton:disabled, QToolButton:disabled { color: gray; }\n";
    sheet +=
        QString("QGroupBox { border: 1px solid %1; border-radius: 3px; margin-top: 7px; padding-top: 2px; }\n"
                "QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0 2px; color: %2; }\n")
            .arg(frame, highlight.darker(130).name());
    sheet += QString("QHeaderView::section { background: %1; border: 0; border-right: 1px solid %2; "
                     "border-bottom: 1px solid %2; padding: 1px 4px; }\n")
                 .arg(button.name(), frame);
    sheet +=
        QString("QTreeView, QListView, QTableView, QLineEdit, QPlainTextEdit { border: 1px solid %1; }\n")
            .arg(frame);
    sheet +=
        QString(
            "QMenuBar { background: %1; }\nQMenuBar::item:selected, QMenu::item:selected { background: %2; "
            "color: black; }\nQMenu { background: white; border: 1px solid %3; }\n")
            .arg(window.name(), stripe.darker(108).name(), frame);
    sheet +=
        QString("QSlider::groove:horizontal { height: 4px; background: %1; border: 1px solid %2; }\n"
                "QSlider::handle:horizontal { width: 10px; margin: -5px 0; background: %3; border: 1px solid "
                "%2; border-radius: 2px; }\n")
            .arg(stripe.name(), frame, button.name());
    return sheet;
}

bool ApplyColorScheme(int index) {
    if (!IsColorScheme(index)) return false;
    QApplication::setPalette(ColorSchemePalette(index));
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        app->setStyleSheet(ColorSchemeStyleSheet(index));
    g_current = index;
    return true;
}

int CurrentColorScheme() {
    return g_current;
}

} // namespace orvel
