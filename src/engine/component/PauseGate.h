#pragma once
// Linux has no whole-thread suspension: a paused worker waits at this gate before every packet
// and every output frame, making no progress and raising no events until it is opened again.
#include <atomic>
#include <condition_variable>
#include <mutex>

namespace orvel {

class PauseGate {
public:
    void Close() {
        std::lock_guard lock(mutex_);
        paused_ = true;
    }
    void Open() {
        {
            std::lock_guard lock(mutex_);
            paused_ = false;
        }
        cv_.notify_all();
    }
    bool IsClosed() const {
        std::lock_guard lock(mutex_);
        return paused_;
    }
    // Blocks while closed unless stop becomes true; Open() after setting stop wakes it.
    void Pass(const std::atomic<bool>& stop) {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return !paused_ || stop.load(); });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool paused_ = false;
};

} // namespace orvel
