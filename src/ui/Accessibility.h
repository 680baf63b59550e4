#pragma once
// Names for screen readers. A control beside a caption takes the caption's words as its name
// and the caption as its buddy, so the caption's mnemonic moves the focus to it.
class QLabel;
class QWidget;

namespace orvel {

void LabelControl(QLabel* caption, QWidget* control);

} // namespace orvel
