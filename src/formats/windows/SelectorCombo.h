#pragma once
// What the parameter selectors of the main window and of the settings dialog share: making a
// selector's combo box, showing a selector's view, finding the selector of an edited box, and
// answering a key typed into one.
#include "formats/ParameterPanelModel.h"

#include <QComboBox>
#include <QKeyEvent>

#include <array>
#include <functional>
#include <optional>

namespace orvel {

using TSelectorCombos = std::array<QComboBox*, kPanelSelectorCount>;

// The caption above a selector's box, the same in both windows.
const char* SelectorCaption(TPanelSelector selector);

// A selector's box, kept in combos at the selector's place: named as both windows name it,
// editable when the selector takes typed text, never adding typed text to its items, and drawn
// with the selection look.
QComboBox* NewSelectorCombo(TPanelSelector selector, QWidget* parent, TSelectorCombos& combos);

// The selector whose box is object and editable; -1 for any other object.
int EditableSelectorOf(const TSelectorCombos& combos, const QObject* object);

// Every box shows its selector's view.
void RenderSelectors(const TSelectorCombos& combos,
                     const std::array<TSelectorView, kPanelSelectorCount>& views);

// Items, selection, typed text, enabled state and text colour, and as many drop-down rows as
// the view asks for. Items are refilled and the text set only when they differ, so the caret
// of a box being typed into stays where it is.
void RenderSelector(QComboBox& box, const TSelectorView& view);

// Backspace, or the printable character typed; nothing for keys that type nothing (arrows,
// Delete, shortcuts), which pass unfiltered. Characters beyond ASCII read as '?'.
std::optional<char> TypedChar(const QKeyEvent& key);

// A key pressed in an editable box: the model's answer to the character it types, with the beep
// the answer asks for. True when the answer refuses the key, which the filter then eats; keys
// that type nothing pass.
bool FilterTypedKey(const QKeyEvent& key, const std::function<TKeyAnswer(char)>& answer);

} // namespace orvel
