#pragma once
// The last stop for errors that no code handled: the message is shown to the user and the
// program goes on. Engine errors are warnings (a file or an option the engine refused);
// everything else is an error.
#include <QEvent>
#include <QObject>

#include <exception>
#include <functional>
#include <string>

namespace orvel {

// The message as shown: "." is appended when the text does not already end in a character
// ordered at or before ".", so "Cannot open file" reads as a sentence but "Done!" stays.
std::string ErrorMessageText(const std::string& message);

// Shows the error in a message box captioned with the application title.
void ShowUnhandledError(std::exception_ptr error);

using TUnhandledErrorHandler = std::function<void(std::exception_ptr)>;
// The main window installs ShowUnhandledError; an empty handler removes it.
void SetUnhandledErrorHandler(TUnhandledErrorHandler handler);
// Hands the error to the installed handler; without one the message goes to stderr.
void ReportUnhandledError(std::exception_ptr error);

// An application class whose event dispatch reports exceptions escaping an event handler
// instead of letting them unwind through the toolkit, which cannot survive that.
template <class TBase> class TGuardedApplication : public TBase {
public:
    using TBase::TBase;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return TBase::notify(receiver, event);
        } catch (...) {
            ReportUnhandledError(std::current_exception());
        }
        return false;
    }
};

} // namespace orvel
