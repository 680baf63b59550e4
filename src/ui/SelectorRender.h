#pragma once
// Writes one selector's state into its combo box: the items (refilled only when they changed),
// the chosen item or typed text, the drop-down's row count, enabling and the grey text of a
// selector that does not apply. The parameter panel and the settings dialog show their boxes
// alike, so both render through this.
#include <QComboBox>
#include <QKeyEvent>

#include <optional>
#include <string>
#include <vector>

namespace orvel {

struct TSelectorState {
    const std::vector<std::string>& Items;
    int ItemIndex;
    const std::string& Text;
    int DropDownRows;
    bool Enabled;
    bool Grey;
};

// Signals of the box are blocked while it is written, so no handler mistakes this for a user.
void RenderSelector(QComboBox& box, const TSelectorState& state);

// The character a key press types, as the selectors' key filters see it: '\b' for backspace,
// '?' for a character outside ASCII, nothing for keys that type nothing (arrows, Delete,
// shortcuts), which pass unfiltered.
std::optional<char> TypedChar(const QKeyEvent& key);

} // namespace orvel
