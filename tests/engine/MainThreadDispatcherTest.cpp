// The dispatcher of tests and of the command-line program: calls handed over by workers run in
// the thread that created it.
#include "engine/component/MainThreadDispatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

namespace orvel {
namespace {

TEST(QueuedDispatcher, ExceptionOfAHandedOverCallReachesTheWorker) {
    // Kept alive past a failure: a worker left waiting still refers to it.
    static QueuedDispatcher* dispatcher = new QueuedDispatcher;
    std::promise<std::string> outcome;
    std::future<std::string> result = outcome.get_future();
    std::thread worker([&] {
        std::string text;
        try {
            dispatcher->RunAndWait([] { throw std::runtime_error("handler failed"); });
            text = "no exception";
        } catch (const std::runtime_error& e) {
            text = e.what();
        }
        // The dispatcher still serves after a call that threw.
        bool ran = false;
        dispatcher->RunAndWait([&] { ran = true; });
        outcome.set_value(ran ? text : "second call not run");
    });
    const auto ready = [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; };
    EXPECT_NO_THROW(dispatcher->ServeUntil(ready, 20000));
    if (!ready()) {
        worker.detach();
        FAIL() << "the worker still waits for its call";
    }
    worker.join();
    EXPECT_EQ(result.get(), "handler failed");
}

} // namespace
} // namespace orvel
