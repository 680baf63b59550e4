#pragma once
// Making the editing dialogs' controls at fixed places, each named as the dialog's handlers and
// tests know it.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>

namespace orvel::dialog_controls {

template <class T> T* Named(T* widget, const char* name, QRect geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

inline QLabel* NewLabel(QWidget* parent, const char* name, const char* text, QRect geometry) {
    return Named(new QLabel(QString::fromLatin1(text), parent), name, geometry);
}

inline QPushButton* NewButton(QWidget* parent, const char* name, const char* text, QRect geometry) {
    return Named(new QPushButton(QString::fromLatin1(text), parent), name, geometry);
}

// The flat "play" and "pause" buttons of a preview, with their hints.
inline QToolButton* NewPlayButton(QWidget* parent, const char* name, bool play, QRect geometry) {
    auto* button = Named(new QToolButton(parent), name, geometry);
    button->setToolTip(play ? "play" : "pause");
    button->setAccessibleName(play ? "Play" : "Pause");
    if (play)
        button->setArrowType(Qt::RightArrow);
    else
        button->setText("||");
    button->setAutoRaise(true);
    return button;
}

// A spin edit changed by its arrows only.
inline QSpinBox* NewArrowSpin(QWidget* parent, const char* name, int minimum, int maximum, QRect geometry) {
    auto* spin = Named(new QSpinBox(parent), name, geometry);
    spin->setRange(minimum, maximum);
    spin->setSingleStep(1);
    if (auto* edit = spin->findChild<QLineEdit*>()) edit->setReadOnly(true);
    return spin;
}

// The one tab page of the crop and trim dialogs, left of the preview.
inline QWidget* NewEditPage(QWidget* dialog, const char* title, QTabWidget*& pages) {
    pages = Named(new QTabWidget(dialog), "pageEdit", {8, 8, 222, 300});
    pages->setAccessibleName(QString::fromLatin1(title));
    auto* page = new QWidget;
    page->setObjectName("tabCrop");
    pages->addTab(page, QString::fromLatin1(title));
    return page;
}

// Default, Ok and Cancel along the bottom of the crop and trim dialogs.
inline void NewBottomButtons(QWidget* dialog, QPushButton*& byDefault, QPushButton*& ok,
                             QPushButton*& cancel) {
    byDefault = NewButton(dialog, "btnDefault", "&Default", {8, 398, 86, 28});
    byDefault->setAccessibleName("Default");
    ok = NewButton(dialog, "btnOk", "Ok", {430, 398, 86, 28});
    cancel = NewButton(dialog, "btnCancel", "Cancel", {522, 398, 86, 28});
}

} // namespace orvel::dialog_controls
