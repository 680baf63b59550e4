#pragma once
// Shared pieces of the application tests: one Qt application per test program, a private
// folder per test, and message boxes that answer from a script and record what was asked.
// Core tests get a QGuiApplication; window tests take theirs from ui/WindowTestKit.h.
#include "app/store/ErrorHandler.h"
#include "app/store/MessageBoxes.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace orvel::test {

// The application is ended by a test environment, before the exit handlers run: a static
// application outlives Qt's own registries (input devices, file icons) and crashes the program
// on its way out once a test sent a mouse event or showed a folder tree.
inline std::unique_ptr<QCoreApplication>& TestApplicationHolder() {
    static std::unique_ptr<QCoreApplication> app;
    return app;
}

struct TTestApplicationEnvironment : ::testing::Environment {
    void TearDown() override { TestApplicationHolder().reset(); }
};
inline const auto* const kTestApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new TTestApplicationEnvironment);

// The process's application, created on first use with the given class.
template <class TApp> TApp& TestApplication() {
    static int argc = 1;
    static char name[] = "orvel-test";
    static char* argv[] = {name, nullptr};
    auto& app = TestApplicationHolder();
    if (!app) app = std::make_unique<TGuardedApplication<TApp>>(argc, argv);
    return static_cast<TApp&>(*app);
}

inline QGuiApplication& TestApp() {
    return TestApplication<QGuiApplication>();
}

class TTempDir {
public:
    TTempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        path_ =
            std::filesystem::temp_directory_path() / ("orvel_app_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    void Write(const std::string& name, const std::string& text) const {
        std::filesystem::create_directories((path_ / name).parent_path());
        std::ofstream(path_ / name, std::ios::binary) << text;
    }

private:
    std::filesystem::path path_;
};

struct TShownBox {
    std::string Text;
    std::string Caption;
    TMsgIcon Icon;
    TMsgButtons Buttons;
};

class TFakeMessageBoxes : public IMessageBoxes {
public:
    TFakeMessageBoxes() { SetMessageBoxes(this); }
    ~TFakeMessageBoxes() override { SetMessageBoxes(nullptr); }

    TMsgResult Show(const std::string& text, const std::string& caption, TMsgIcon icon,
                    TMsgButtons buttons) override {
        Shown.push_back({text, caption, icon, buttons});
        if (OnShow) OnShow(Shown.back());
        if (Answers.empty()) return buttons == TMsgButtons::Ok ? TMsgResult::Ok : TMsgResult::Cancel;
        const TMsgResult answer = Answers.front();
        Answers.pop_front();
        return answer;
    }

    std::deque<TMsgResult> Answers;
    std::vector<TShownBox> Shown;
    // Runs while a box is up, as a user's actions elsewhere would.
    std::function<void(const TShownBox&)> OnShow;
};

} // namespace orvel::test
