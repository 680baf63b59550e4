#include "engine/component/MainThreadDispatcher.h"

#include <atomic>
#include <chrono>

namespace orvel {
namespace {

class InlineDispatcher : public IMainThreadDispatcher {
public:
    bool IsMainThread() const override { return true; }
    void RunAndWait(const std::function<void()>& fn) override { fn(); }
    void ServePending() override {}
};

InlineDispatcher g_inline;
std::atomic<IMainThreadDispatcher*> g_current{nullptr};

} // namespace

void SetMainThreadDispatcher(IMainThreadDispatcher* dispatcher) {
    g_current.store(dispatcher);
}

IMainThreadDispatcher& MainThreadDispatcher() {
    IMainThreadDispatcher* d = g_current.load();
    return d ? *d : g_inline;
}

std::exception_ptr RunHandOver(const std::function<void()>& fn) {
    try {
        fn();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

void ServeHandOvers(std::deque<THandOver*>& queue, std::unique_lock<std::mutex>& lock,
                    std::condition_variable& done) {
    while (!queue.empty()) {
        THandOver* call = queue.front();
        queue.pop_front();
        lock.unlock();
        std::exception_ptr error = RunHandOver(*call->fn);
        lock.lock();
        call->error = error;
        call->done = true;
        done.notify_all();
    }
}

void QueuedDispatcher::RunAndWait(const std::function<void()>& fn) {
    if (IsMainThread()) {
        fn();
        return;
    }
    THandOver call{&fn, nullptr, false};
    std::unique_lock lock(mutex_);
    queue_.push_back(&call);
    cv_.notify_all();
    cv_.wait(lock, [&] { return call.done; });
    if (call.error) std::rethrow_exception(call.error);
}

void QueuedDispatcher::ServePending() {
    std::unique_lock lock(mutex_);
    ServeHandOvers(queue_, lock, cv_);
}

bool QueuedDispatcher::ServeUntil(const std::function<bool()>& pred, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ServePending();
        if (pred()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, std::chrono::milliseconds(5), [&] { return !queue_.empty(); });
    }
}

} // namespace orvel
