#include "app/store/ErrorHandler.h"

#include "app/store/AppTestSupport.h"
#include "engine/foundation/FFmpegException.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <stdexcept>

using namespace orvel;

TEST(ErrorHandlerTest, MessageGetsAFullStopUnlessItEndsAtOrBeforeOne) {
    struct Case {
        std::string message, shown;
    };
    for (const Case& c : std::vector<Case>{{"Cannot open file", "Cannot open file."},
                                           {"Unknown encoder 'x'", "Unknown encoder 'x'"},
                                           {"Bad value:", "Bad value:."},
                                           {"Finished.", "Finished."},
                                           {"Stop!", "Stop!"},
                                           {"Failed (-22)", "Failed (-22)"},
                                           {"trailing-", "trailing-"},
                                           {"end ", "end "},
                                           {"caf\xc3\xa9", "caf\xc3\xa9."},
                                           {"", ""}})
        EXPECT_EQ(ErrorMessageText(c.message), c.shown) << c.message;
}

TEST(ErrorHandlerTest, EngineErrorsAreWarningsEverythingElseIsAnError) {
    test::TFakeMessageBoxes boxes;
    SetApplicationTitle("Orvel Video Converter");
    ShowUnhandledError(std::make_exception_ptr(FFmpegException("Unknown encoder libfoo")));
    ShowUnhandledError(std::make_exception_ptr(std::runtime_error("Disk full")));
    ShowUnhandledError(std::make_exception_ptr(42));
    ShowUnhandledError(nullptr);

    ASSERT_EQ(boxes.Shown.size(), 3u);
    EXPECT_EQ(boxes.Shown[0].Text, "Unknown encoder libfoo.");
    EXPECT_EQ(boxes.Shown[0].Icon, TMsgIcon::Warning);
    EXPECT_EQ(boxes.Shown[1].Text, "Disk full.");
    EXPECT_EQ(boxes.Shown[1].Icon, TMsgIcon::Error);
    EXPECT_EQ(boxes.Shown[2].Icon, TMsgIcon::Error);
    EXPECT_FALSE(boxes.Shown[2].Text.empty());
    for (const auto& box : boxes.Shown) {
        EXPECT_EQ(box.Caption, "Orvel Video Converter");
        EXPECT_EQ(box.Buttons, TMsgButtons::Ok);
    }
}

TEST(ErrorHandlerTest, ExceptionEscapingAnEventHandlerIsReportedAndTheLoopGoesOn) {
    test::TestApp();
    std::vector<std::string> reported;
    SetUnhandledErrorHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& ex) {
            reported.push_back(ex.what());
        }
    });
    bool laterEventRan = false;
    QTimer::singleShot(0, [] { throw FFmpegException("Could not open input"); });
    QTimer::singleShot(5, [&] { laterEventRan = true; });
    QTimer::singleShot(20, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    SetUnhandledErrorHandler(nullptr);

    EXPECT_EQ(reported, std::vector<std::string>{"Could not open input"});
    EXPECT_TRUE(laterEventRan);
}
