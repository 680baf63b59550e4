#pragma once
// A task's stage threads do the worker's work, so they count as the worker: a handler that
// stops or waits for its own task from one of them must not wait for that task's end, as it
// would not on the worker itself.
#include <thread>

namespace orvel {

// The calling thread's identity, or that of the worker it acts for.
std::thread::id ActingThreadId();

// While it lives, the calling thread acts for the given worker.
class TActingFor {
public:
    explicit TActingFor(std::thread::id worker);
    ~TActingFor();
    TActingFor(const TActingFor&) = delete;
    TActingFor& operator=(const TActingFor&) = delete;

private:
    std::thread::id previous_;
};

} // namespace orvel
