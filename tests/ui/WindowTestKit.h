#pragma once
// What every window test uses: the widget application, controls found by name, a window's
// whole state as one comparable table, an answerer for a window opened with exec(), and fakes
// for the file dialog and the folder chooser (message boxes: app/AppTestSupport.h).
#include "app/store/AppTestSupport.h"
#include "app/store/FolderChooser.h"
#include "app/store/OpenFileDialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace orvel::test {

inline QApplication& WindowApp() {
    return TestApplication<QApplication>();
}

// Runs the event loop until done() holds or the time is up; answers done().
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Runs the event loop for a while, so timers and players can show what they show.
inline void ProcessFor(int ms) {
    WaitUntil([] { return false; }, ms);
}

// The window tour: the window as it looks now, written to <build>/screens/<name>.png.
inline bool SaveTourScreen(QWidget& window, const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(ORVEL_BINARY_DIR) / "screens";
    std::filesystem::create_directories(dir);
    QApplication::processEvents();
    return window.grab().save(QString::fromStdString((dir / (name + ".png")).string()), "PNG");
}

// The child named as the window's Part names it; a missing control fails the test.
template <class T> T* Control(const QObject* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (!found) ADD_FAILURE() << "no " << T::staticMetaObject.className() << " named \"" << name << "\"";
    return found;
}

// What a user sees of one control. Visible means visible once the window shows.
struct TControlState {
    std::string Text;
    bool Enabled = true;
    bool Checked = false;
    bool Visible = true;
    bool operator==(const TControlState&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const TControlState& s) {
    return out << "{\"" << s.Text << "\"" << (s.Enabled ? "" : " disabled") << (s.Checked ? " checked" : "")
               << (s.Visible ? "" : " hidden") << "}";
}

using TWindowState = std::map<std::string, TControlState>;

namespace kit_detail {

inline QString WidgetText(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* c = qobject_cast<const QComboBox*>(w)) return c->currentText();
    if (auto* s = qobject_cast<const QAbstractSpinBox*>(w)) return s->text();
    if (auto* s = qobject_cast<const QAbstractSlider*>(w)) return QString::number(s->value());
    if (auto* p = qobject_cast<const QProgressBar*>(w)) return QString::number(p->value());
    if (auto* t = qobject_cast<const QPlainTextEdit*>(w)) return t->toPlainText();
    if (auto* t = qobject_cast<const QTextEdit*>(w)) return t->toPlainText();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    if (auto* m = qobject_cast<const QMenu*>(w)) return m->title();
    if (w->isWindow()) return w->windowTitle();
    return {};
}

inline bool WidgetChecked(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->isChecked();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->isCheckable() && g->isChecked();
    return false;
}

} // namespace kit_detail

// Every named widget and action of the window, the window itself included. Qt's own
// unnamed or "qt_"-named helpers are left out.
inline TWindowState WindowState(const QWidget* window) {
    TWindowState state;
    const auto named = [](const QObject* o) {
        const QString name = o->objectName();
        return !name.isEmpty() && !name.startsWith("qt_");
    };
    QList<const QWidget*> widgets{window};
    for (const QWidget* w : window->findChildren<QWidget*>())
        widgets << w;
    for (const QWidget* w : widgets) {
        if (!named(w)) continue;
        const bool visible = w == window ? w->isVisible() : w->isVisibleTo(window);
        state[w->objectName().toStdString()] = {kit_detail::WidgetText(w).toStdString(), w->isEnabled(),
                                                kit_detail::WidgetChecked(w), visible};
    }
    for (const QAction* a : window->findChildren<QAction*>()) {
        if (!named(a)) continue;
        state[a->objectName().toStdString()] = {a->text().toStdString(), a->isEnabled(), a->isChecked(),
                                                a->isVisible()};
    }
    return state;
}

// One line per control of the expected table that differs from the window (or is missing);
// empty when they agree. Controls the table does not name are not compared.
inline std::string StateDifferences(const TWindowState& actual, const TWindowState& expected) {
    std::ostringstream out;
    for (const auto& [name, want] : expected) {
        const auto it = actual.find(name);
        if (it == actual.end())
            out << name << ": missing\n";
        else if (!(it->second == want))
            out << name << ": " << it->second << ", expected " << want << "\n";
    }
    return out.str();
}

// Answers the next modal window that opens after construction (a dialog run with exec(), a
// message box): the answer runs on it inside the modal loop. A modal window still open at the
// time-out is rejected so the test goes on, and the test fails.
class TModalAnswerer {
public:
    explicit TModalAnswerer(std::function<void(QWidget* modal)> answer, int timeoutMs = 5000)
        : answer_(std::move(answer)), before_(QApplication::activeModalWidget()), timeoutMs_(timeoutMs) {
        clock_.start();
        timer_ = std::make_unique<QTimer>();
        timer_->setInterval(5);
        QObject::connect(timer_.get(), &QTimer::timeout, [this] { Poll(); });
        timer_->start();
    }
    ~TModalAnswerer() {
        if (!answered_ && !timedOut_) ADD_FAILURE() << "no modal window opened to answer";
    }
    TModalAnswerer(const TModalAnswerer&) = delete;
    TModalAnswerer& operator=(const TModalAnswerer&) = delete;

    bool Answered() const { return answered_; }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != before_) {
            timer_->stop();
            answered_ = true;
            answer_(modal);
            return;
        }
        if (clock_.elapsed() > timeoutMs_) {
            timer_->stop();
            timedOut_ = true;
            ADD_FAILURE() << "the modal window to answer did not open in " << timeoutMs_ << " ms";
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        }
    }

    std::function<void(QWidget*)> answer_;
    QPointer<QWidget> before_;
    int timeoutMs_;
    QElapsedTimer clock_;
    std::unique_ptr<QTimer> timer_;
    bool answered_ = false;
    bool timedOut_ = false;
};

// Answers from a script, one answer per call (empty: cancelled), and records every request.
class TFakeOpenFileDialog : public IOpenFileDialog {
public:
    std::vector<std::string> OpenFiles(const TOpenFileRequest& request) override {
        Requests.push_back(request);
        if (Answers.empty()) return {};
        std::vector<std::string> answer = std::move(Answers.front());
        Answers.pop_front();
        return answer;
    }

    std::deque<std::vector<std::string>> Answers;
    std::vector<TOpenFileRequest> Requests;
};

class TFakeFolderChooser : public IFolderChooser {
public:
    std::optional<std::string> ChooseFolder() override {
        ++Calls;
        if (Answers.empty()) return std::nullopt;
        std::optional<std::string> answer = std::move(Answers.front());
        Answers.pop_front();
        return answer;
    }

    std::deque<std::optional<std::string>> Answers;
    int Calls = 0;
};

} // namespace orvel::test
