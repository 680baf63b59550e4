#pragma once
// Message boxes of the desktop program, shown modally over the active window.
#include "app/store/MessageBoxes.h"

namespace orvel {

class TQtMessageBoxes : public IMessageBoxes {
public:
    TMsgResult Show(const std::string& text, const std::string& caption, TMsgIcon icon,
                    TMsgButtons buttons) override;
};

} // namespace orvel
