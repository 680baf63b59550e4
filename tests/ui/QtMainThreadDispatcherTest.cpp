#include "ui/QtMainThreadDispatcher.h"

#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <stdexcept>
#include <thread>

using namespace orvel;

namespace {

// Runs the GUI event loop until pred holds or a generous limit passes.
bool SpinUntil(const std::function<bool()>& pred) {
    for (int i = 0; i < 2000 && !pred(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return pred();
}

} // namespace

TEST(QtMainThreadDispatcherTest, WorkerCallRunsInTheGuiThreadAndWaitsForIt) {
    test::WindowApp();
    QtMainThreadDispatcher dispatcher;
    EXPECT_TRUE(dispatcher.IsMainThread());

    const auto gui = std::this_thread::get_id();
    std::thread::id ranOn;
    std::atomic<bool> workerDone{false};
    int seenByWorker = 0;
    int value = 0;
    std::thread worker([&] {
        EXPECT_FALSE(dispatcher.IsMainThread());
        dispatcher.RunAndWait([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ranOn = std::this_thread::get_id();
            value = 7;
        });
        seenByWorker = value; // the call has returned before the worker goes on
        workerDone = true;
    });
    EXPECT_TRUE(SpinUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_EQ(ranOn, gui);
    EXPECT_EQ(seenByWorker, 7);

    // From the GUI thread the call runs at once.
    bool inline_ = false;
    dispatcher.RunAndWait([&] { inline_ = true; });
    EXPECT_TRUE(inline_);
}

TEST(QtMainThreadDispatcherTest, AWaitInTheGuiThreadServesBlockedWorkers) {
    test::WindowApp();
    QtMainThreadDispatcher dispatcher;
    constexpr int kWorkers = 4;
    constexpr int kCalls = 50;
    int counter = 0; // touched only in the GUI thread
    std::atomic<int> finished{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w)
        workers.emplace_back([&] {
            for (int i = 0; i < kCalls; ++i)
                dispatcher.RunAndWait([&] { ++counter; });
            ++finished;
        });
    // A wait that does not return to the event loop, as a stop-and-wait does.
    for (int i = 0; i < 20000 && finished < kWorkers; ++i) {
        dispatcher.ServePending();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    for (auto& t : workers)
        t.join();
    EXPECT_EQ(counter, kWorkers * kCalls);
    // The wake-ups still queued in the event loop find nothing left and do no harm.
    QCoreApplication::processEvents();
    EXPECT_EQ(counter, kWorkers * kCalls);
}

TEST(QtMainThreadDispatcherTest, ExceptionOfTheCallReachesTheWorker) {
    test::WindowApp();
    QtMainThreadDispatcher dispatcher;
    std::string caught;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        try {
            dispatcher.RunAndWait([] { throw std::runtime_error("handler failed"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
        done = true;
    });
    EXPECT_TRUE(SpinUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(caught, "handler failed");
}
