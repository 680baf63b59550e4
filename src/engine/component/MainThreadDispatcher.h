#pragma once
// Hands a call to the application's main thread and waits for it. The media components never
// know which toolkit runs the main thread: the application installs a dispatcher, tests install
// their own, and without one calls run inline in the calling thread.
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace orvel {

class IMainThreadDispatcher {
public:
    virtual ~IMainThreadDispatcher() = default;
    virtual bool IsMainThread() const = 0;
    // Runs fn in the main thread and returns when it has returned; what fn throws is thrown
    // here again. From the main thread it runs fn directly.
    virtual void RunAndWait(const std::function<void()>& fn) = 0;
    // Runs hand-overs that are waiting. Every wait that may happen on the main thread calls
    // this between short slices so that a worker blocked on a hand-over cannot deadlock it.
    virtual void ServePending() = 0;
};

// nullptr restores the inline behaviour. The dispatcher must outlive every component using it.
void SetMainThreadDispatcher(IMainThreadDispatcher* dispatcher);
IMainThreadDispatcher& MainThreadDispatcher();

// Runs a handed-over call; what it throws is returned, so that a dispatcher passes it back to
// the waiting thread instead of leaving that thread waiting for a call that never returned.
std::exception_ptr RunHandOver(const std::function<void()>& fn);

// One call handed over to the main thread, and its waiting worker's answer.
struct THandOver {
    const std::function<void()>* fn;
    std::exception_ptr error;
    bool done = false;
};

// Runs the queued hand-overs in order, each with the lock released, and wakes their waiters.
// The lock guards the queue and is held on entry and on return.
void ServeHandOvers(std::deque<THandOver*>& queue, std::unique_lock<std::mutex>& lock,
                    std::condition_variable& done);

inline void RunInMainThread(const std::function<void()>& fn) {
    MainThreadDispatcher().RunAndWait(fn);
}
inline void ServeMainThread() {
    MainThreadDispatcher().ServePending();
}

// A dispatcher whose "main thread" is the thread that created it; calls from other threads
// queue until that thread calls ServePending. Used by tests and by programs without a GUI loop.
class QueuedDispatcher : public IMainThreadDispatcher {
public:
    QueuedDispatcher() : owner_(std::this_thread::get_id()) {}
    bool IsMainThread() const override { return std::this_thread::get_id() == owner_; }
    void RunAndWait(const std::function<void()>& fn) override;
    void ServePending() override;
    // Serves hand-overs until pred is true or the timeout ends; answers pred's last value.
    bool ServeUntil(const std::function<bool()>& pred, int timeoutMs);

private:
    std::thread::id owner_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<THandOver*> queue_;
};

} // namespace orvel
