#pragma once
// Ends the test program with a message when a scope does not end in time: a test of a deadlock
// must fail, not hang until the test runner's timeout.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace orvel::testsupport {

class DeadlockWatch {
public:
    DeadlockWatch(std::string what, std::chrono::seconds limit) : what_(std::move(what)) {
        thread_ = std::thread([this, limit] {
            std::unique_lock lock(mutex_);
            if (!cv_.wait_for(lock, limit, [this] { return ended_; })) {
                std::fprintf(stderr, "deadlock: %s did not end within %lld s\n", what_.c_str(),
                             static_cast<long long>(limit.count()));
                std::fflush(stderr);
                std::_Exit(3);
            }
        });
    }
    ~DeadlockWatch() {
        {
            std::lock_guard lock(mutex_);
            ended_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    DeadlockWatch(const DeadlockWatch&) = delete;
    DeadlockWatch& operator=(const DeadlockWatch&) = delete;

private:
    std::string what_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool ended_ = false;
    std::thread thread_;
};

} // namespace orvel::testsupport
