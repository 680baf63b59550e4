#include "engine/component/MainThreadDispatcher.h"
#include "engine/foundation/FFmpegLogger.h"

extern "C" {
#include <libavutil/log.h>
}

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace orvel {
namespace {

struct Event {
    const void* sender;
    uint32_t threadId;
    TLogLevel level;
    std::string message;
};

// Collects events delivered in the calling thread; restores the shared logger afterwards.
class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        logger().SetTriggerEventInMainThread(false);
        logger().SetLogLevel(llInfo);
        logger().InstallLibraryCallback();
        logger().SetOnLog([this](const void* s, uint32_t t, TLogLevel l, const std::string& m) {
            std::lock_guard lock(mutex);
            events.push_back({s, t, l, m});
        });
    }
    void TearDown() override {
        logger().SetOnLog(nullptr);
        logger().SetLogLevel(llInfo);
        logger().SetTriggerEventInMainThread(true);
    }
    static TFFLogger& logger() { return FFLogger(); }

    std::mutex mutex;
    std::vector<Event> events;
};

TEST(LogLevelMapping, BothDirections) {
    const TLogLevel levels[] = {llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug};
    const int library[] = {-8, 0, 8, 16, 24, 32, 40, 48};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(LogLevelToLibrary(levels[i]), library[i]);
        EXPECT_EQ(LibraryToLogLevel(library[i]), levels[i]);
    }
    // Values between the steps truncate toward zero; the ends clamp.
    const struct {
        int library;
        TLogLevel level;
    } between[] = {{-100, llQuiet}, {-9, llQuiet},   {-5, llPanic}, {7, llPanic},
                   {33, llInfo},    {47, llVerbose}, {56, llDebug}};
    for (const auto& c : between)
        EXPECT_EQ(LibraryToLogLevel(c.library), c.level) << c.library;
}

TEST_F(LoggerTest, LevelByNameOrNumber) {
    const struct {
        const char* name;
        TLogLevel level;
        int library;
    } cases[] = {{"DEBUG", llDebug, 48},
                 {"Quiet", llQuiet, -8},
                 {"warning", llWarning, 24},
                 {"33", llInfo, 33},
                 {"-8", llQuiet, -8}};
    for (const auto& c : cases) {
        ASSERT_TRUE(logger().SetLogLevelByName(c.name)) << c.name;
        EXPECT_EQ(logger().LogLevel(), c.level) << c.name;
        EXPECT_EQ(CurrentLibraryLogLevel(), c.library) << c.name;
        EXPECT_EQ(av_log_get_level(), c.library) << c.name;
    }
    logger().SetLogLevel(llError);
    for (const char* bad : {"", "loud", "12x", "99999999999"})
        EXPECT_FALSE(logger().SetLogLevelByName(bad)) << bad;
    EXPECT_EQ(logger().LogLevel(), llError);
}

TEST_F(LoggerTest, EngineMessageDeliveryRule) {
    const struct {
        TLogLevel current;
        TLogLevel message;
        bool delivered;
    } cases[] = {
        {llInfo, llInfo, true},    {llInfo, llWarning, true},  {llInfo, llDebug, false},
        {llInfo, llVerbose, true}, {llError, llVerbose, true}, {llQuiet, llVerbose, false},
        {llQuiet, llQuiet, true},  {llQuiet, llError, false},  {llDebug, llDebug, true},
    };
    int marker = 0;
    for (const auto& c : cases) {
        events.clear();
        logger().SetLogLevel(c.current);
        logger().Log(&marker, c.message, "text");
        ASSERT_EQ(events.size(), c.delivered ? 1u : 0u) << c.current << " " << c.message;
        if (c.delivered) {
            EXPECT_EQ(events[0].sender, &marker);
            EXPECT_EQ(events[0].level, c.message);
            EXPECT_EQ(events[0].threadId, CurrentThreadId());
        }
    }
    events.clear();
    logger().SetLogLevel(llInfo);
    logger().LogFmt(&marker, llInfo, "frame=%5d q=%.1f", 42, 2.5);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, "frame=   42 q=2.5");
}

struct FakeContext {
    const AVClass* cls;
};
const AVClass kFakeClass = [] {
    AVClass c{};
    c.class_name = "fakeclass";
    c.item_name = av_default_item_name;
    c.version = LIBAVUTIL_VERSION_INT;
    return c;
}();

TEST_F(LoggerTest, LibraryLinesJoinPartsAndCarryPrefix) {
    FakeContext ctx{&kFakeClass};
    av_log(&ctx, AV_LOG_WARNING, "first part, ");
    EXPECT_TRUE(events.empty()) << "a line is held until its line feed";
    av_log(&ctx, AV_LOG_WARNING, "second %s\nnext", "part");
    av_log(nullptr, AV_LOG_ERROR, " line\n");

    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "[fakeclass @ %p]", static_cast<void*>(&ctx));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].message, std::string(prefix) + "first part, second part");
    EXPECT_EQ(events[0].level, llWarning);
    EXPECT_EQ(events[0].sender, &logger());
    // The remainder keeps the prefix it started with; later parts add none.
    EXPECT_EQ(events[1].message, "next line");
    EXPECT_EQ(events[1].level, llError);
}

TEST_F(LoggerTest, LibraryMessagesAboveTheLevelAreIgnored) {
    logger().SetLogLevel(llWarning);
    av_log(nullptr, AV_LOG_INFO, "hidden\n");
    av_log(nullptr, AV_LOG_WARNING, "shown\n");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, "shown");
}

TEST_F(LoggerTest, LongLibraryMessageIsCutNotOverrun) {
    const std::string big(5000, 'x');
    av_log(nullptr, AV_LOG_ERROR, "%s", big.c_str());
    av_log(nullptr, AV_LOG_ERROR, "\n");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, std::string(2047, 'x'));
}

TEST_F(LoggerTest, TwoThreadsWritingInterleavedPartialLinesGiveTwoCleanLines) {
    // Each step runs only on its turn so the parts really interleave.
    std::mutex turnMutex;
    std::condition_variable turnCv;
    int turn = 0;
    auto step = [&](int mine, const char* text) {
        std::unique_lock lock(turnMutex);
        turnCv.wait(lock, [&] { return turn == mine; });
        av_log(nullptr, AV_LOG_INFO, "%s", text);
        ++turn;
        turnCv.notify_all();
    };
    uint32_t idA = 0, idB = 0;
    std::thread a([&] {
        idA = CurrentThreadId();
        step(0, "alpha-1 ");
        step(2, "alpha-2\n");
    });
    std::thread b([&] {
        idB = CurrentThreadId();
        step(1, "beta-1 ");
        step(3, "beta-2\n");
    });
    a.join();
    b.join();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].message, "alpha-1 alpha-2");
    EXPECT_EQ(events[0].threadId, idA);
    EXPECT_EQ(events[1].message, "beta-1 beta-2");
    EXPECT_EQ(events[1].threadId, idB);
    EXPECT_NE(idA, idB);
}

TEST_F(LoggerTest, DeliversInTheMainThreadWhileTheWorkerWaits) {
    QueuedDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);
    logger().SetTriggerEventInMainThread(true);
    std::thread::id handlerThread;
    logger().SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string& m) {
        handlerThread = std::this_thread::get_id();
        events.push_back({nullptr, 0, llInfo, m});
    });
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        logger().Log(nullptr, llInfo, "from worker");
        returned = true;
    });
    EXPECT_TRUE(dispatcher.ServeUntil([&] { return returned.load(); }, 5000));
    worker.join();
    SetMainThreadDispatcher(nullptr);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, "from worker");
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST(LoggerInstance, OnlyOneAtATime) {
    TFFLogger& current = FFLogger();
    EXPECT_TRUE(TFFLogger::HasInstance());
    try {
        TFFLogger second;
        FAIL() << "a second logger was created";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Allow creating only one instance of TFFLogger.");
    }
    EXPECT_EQ(&FFLogger(), &current);
}

} // namespace
} // namespace orvel
