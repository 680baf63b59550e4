#pragma once
// A manual-reset signal: stays set until reset, wakes every waiter.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace orvel {

class ManualResetSignal {
public:
    explicit ManualResetSignal(bool initiallySet) : set_(initiallySet) {}

    void Set() {
        std::lock_guard lock(mutex_);
        set_ = true;
        cv_.notify_all();
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        set_ = false;
    }
    bool IsSet() {
        std::lock_guard lock(mutex_);
        return set_;
    }
    // True when the signal is set within the time.
    bool WaitFor(int milliseconds) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return set_; });
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [this] { return set_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool set_;
};

} // namespace orvel
