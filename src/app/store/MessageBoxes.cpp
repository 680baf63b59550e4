#include "app/store/MessageBoxes.h"

#include <QCoreApplication>

#include <atomic>
#include <cstdio>
#include <mutex>

namespace orvel {
namespace {

class StderrMessageBoxes : public IMessageBoxes {
public:
    TMsgResult Show(const std::string& text, const std::string& caption, TMsgIcon,
                    TMsgButtons buttons) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        switch (buttons) {
        case TMsgButtons::Ok:
            return TMsgResult::Ok;
        case TMsgButtons::YesNo:
        case TMsgButtons::StopGoOn:
            return TMsgResult::No;
        case TMsgButtons::OkCancel:
        case TMsgButtons::YesNoCancel:
            break;
        }
        return TMsgResult::Cancel;
    }
};

StderrMessageBoxes g_fallback;
std::atomic<IMessageBoxes*> g_boxes{nullptr};

std::mutex g_titleMutex;
std::string g_title;

} // namespace

void SetMessageBoxes(IMessageBoxes* boxes) {
    g_boxes.store(boxes);
}

IMessageBoxes& MessageBoxes() {
    IMessageBoxes* boxes = g_boxes.load();
    return boxes ? *boxes : g_fallback;
}

std::string ApplicationTitle() {
    std::lock_guard lock(g_titleMutex);
    return g_title;
}

void SetApplicationTitle(const std::string& title) {
    {
        std::lock_guard lock(g_titleMutex);
        g_title = title;
    }
    // The application name, not the display name: Qt appends a display name to every window
    // caption, and the main window's caption is already complete.
    if (QCoreApplication::instance()) QCoreApplication::setApplicationName(QString::fromStdString(title));
}

} // namespace orvel
