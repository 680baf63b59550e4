#pragma once
// Windows that remember their size and place. RememberWindowGeometry(window, settingsPath,
// defaultSize) in a window's constructor is all a window needs: when it first shows it takes
// the size and place stored under its object name (moved back onto a screen and shrunk to fit
// one), or else defaultSize centred on its parent window; each time it hides or closes, its
// size and place are written back to the settings file. A list's column widths are kept the
// same way under a key of the caller's choosing.
#include <QSize>

#include <string>

class QHeaderView;
class QWidget;

namespace orvel {

void RememberWindowGeometry(QWidget& window, const std::string& settingsIniPath, QSize defaultSize);

// Gives every column its stored width; false (and nothing changed) when none are stored or
// their count differs (a changed list). Call it after whatever sets the default widths.
bool RestoreColumnWidths(QHeaderView& header, const std::string& settingsIniPath, const std::string& key);
void SaveColumnWidths(const QHeaderView& header, const std::string& settingsIniPath, const std::string& key);
// Writes the widths a moment after each change of a column's width, so widths set by the user
// survive a crash and the next RestoreColumnWidths gives them back.
void KeepColumnWidthsSaved(QHeaderView& header, const std::string& settingsIniPath, const std::string& key);

} // namespace orvel
