#pragma once
// The seven built-in colour schemes of every window, chosen by number.
#include <QColor>
#include <QPalette>
#include <QString>

namespace orvel {

inline constexpr int kColorSchemeCount = 7;

bool IsColorScheme(int index);
// "Default", "Gray", "Orange", "Purple", "Red", "Green", "Light blue"; nullptr for another index.
const char* ColorSchemeName(int index);
// Index outside 0..6: scheme 0.
QPalette ColorSchemePalette(int index);
// Fill of the job list's odd rows (even rows are white).
QColor ColorSchemeStripe(int index);

// The style of every control kind in the scheme's colours: frames, buttons, lists and their
// headers, combo boxes, sliders and menus.
QString ColorSchemeStyleSheet(int index);

// Applies the scheme (palette and style sheet) to the whole application, so every window,
// open or created later, takes it. An index that names no scheme changes nothing
// and answers false.
bool ApplyColorScheme(int index);
// The scheme last applied; 0, the design-time scheme, before any.
int CurrentColorScheme();

} // namespace orvel
