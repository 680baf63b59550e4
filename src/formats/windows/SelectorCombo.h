#pragma once
// What the parameter selectors of the main window and of the settings dialog share: a combo
// box showing a selector's view, and the character a key press types for the key filters.
#include "formats/ParameterPanelModel.h"

#include <QComboBox>
#include <QKeyEvent>

#include <optional>

namespace orvel {

// Items, selection, typed text, enabled state and text colour, and as many drop-down rows as
// the view asks for. Items are refilled and the text set only when they differ, so the caret
// of a box being typed into stays where it is.
void RenderSelector(QComboBox& box, const TSelectorView& view);

// Backspace, or the printable character typed; nothing for keys that type nothing (arrows,
// Delete, shortcuts), which pass unfiltered. Characters beyond ASCII read as '?'.
std::optional<char> TypedChar(const QKeyEvent& key);

} // namespace orvel
