#pragma once
// Making the editing dialogs' controls at fixed places, each named as the dialog's handlers and
// tests know it.
#include <QBoxLayout>
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

// A label whose text may be longer than the room it gets: it never widens the window.
inline QLabel* Elastic(QLabel* label) {
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    label->setMinimumWidth(0);
    return label;
}

// The part of a window that takes the room when the window grows: the preview, at least as large
// as at the window's default size.
inline QWidget* Growing(QWidget* preview) {
    preview->setMinimumSize(preview->size());
    preview->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return preview;
}

// A control kept at the size it was made with.
inline QWidget* Fixed(QWidget* widget) {
    widget->setFixedSize(widget->size());
    return widget;
}

// A row of widgets at their sizes, with the given gaps before each (a gap of -1 is a stretch).
inline QHBoxLayout* Row(std::initializer_list<std::pair<int, QWidget*>> items) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->setContentsMargins(0, 0, 0, 0);
    for (const auto& [gap, widget] : items) {
        if (gap < 0)
            row->addStretch(1);
        else if (gap > 0)
            row->addSpacing(gap);
        if (widget) row->addWidget(widget);
    }
    return row;
}

// The trim and crop dialogs' arrangement: the edit page on the left, the preview with its slider
// and buttons on the right, the source name and the bottom buttons below. The gaps place every
// control where it is at the default size; a larger window gives its room to the preview.
struct TPreviewColumn {
    int Top;          // above the preview
    QWidget* Preview; // grows
    int SliderGap;
    QWidget* Slider;
    int ControlsGap;
    QHBoxLayout* Controls;
};
inline void LayOutEditDialog(QWidget* dialog, QWidget* pages, QWidget* underPages,
                             const TPreviewColumn& right, int rightMargin, int sourceGap, QHBoxLayout* source,
                             QHBoxLayout* buttons) {
    auto* root = new QVBoxLayout(dialog);
    root->setContentsMargins(8, 8, rightMargin, 9);
    root->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(Fixed(pages));
    if (underPages) left->addWidget(Fixed(underPages));
    left->addStretch(1);
    auto* column = new QVBoxLayout;
    column->setSpacing(0);
    column->addSpacing(right.Top);
    column->addWidget(Growing(right.Preview), 1);
    column->addSpacing(right.SliderGap);
    right.Slider->setFixedHeight(right.Slider->height());
    column->addWidget(right.Slider);
    column->addSpacing(right.ControlsGap);
    column->addLayout(right.Controls);
    top->addLayout(left);
    top->addLayout(column, 1);
    root->addLayout(top, 1);
    root->addSpacing(sourceGap);
    root->addLayout(source);
    root->addSpacing(18);
    root->addLayout(buttons);
}

} // namespace orvel::dialog_controls
