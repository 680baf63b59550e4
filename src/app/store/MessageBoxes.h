#pragma once
// Every message box of the application goes through one interface so that tests can answer
// the boxes without showing anything. The desktop program installs the Qt implementation.
#include <string>

namespace orvel {

enum class TMsgIcon { None, Information, Warning, Error, Question };
// StopGoOn: "Stop the whole batch" answers Yes, "Go on" (also Esc) answers No.
enum class TMsgButtons { Ok, OkCancel, YesNo, YesNoCancel, StopGoOn };
enum class TMsgResult { Ok, Cancel, Yes, No };

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    virtual TMsgResult Show(const std::string& text, const std::string& caption, TMsgIcon icon,
                            TMsgButtons buttons) = 0;
};

// nullptr restores the fall-back, which writes the text to stderr and answers No or Cancel
// to a question, so nothing destructive happens without a user.
void SetMessageBoxes(IMessageBoxes* boxes);
IMessageBoxes& MessageBoxes();

inline TMsgResult MessageBox(const std::string& text, const std::string& caption, TMsgIcon icon,
                             TMsgButtons buttons = TMsgButtons::Ok) {
    return MessageBoxes().Show(text, caption, icon, buttons);
}

// The application title: captions of error boxes and of the program's windows.
std::string ApplicationTitle();
void SetApplicationTitle(const std::string& title);

} // namespace orvel
