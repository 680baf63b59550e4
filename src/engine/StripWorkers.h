#pragma once
// Works through the items of one job (the bands of a picture) on the calling thread and a few
// helper threads at once. Helpers are started at the first run and then wait for the next one,
// so splitting every frame of a conversion costs no thread start. Items are claimed one by one:
// a helper that wakes late (the machine is busy) simply leaves its share to the caller, which
// never waits for a helper to start, only for an item a helper is already working on.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace orvel {

class TStripWorkers {
public:
    // parts <= 0: one part per hardware thread, at most kMaxParts.
    explicit TStripWorkers(int parts = 0);
    ~TStripWorkers();
    TStripWorkers(const TStripWorkers&) = delete;
    TStripWorkers& operator=(const TStripWorkers&) = delete;

    static constexpr int kMaxParts = 4;

    // Threads that may take part in a run, the caller included.
    int Parts() const { return parts_; }

    // Calls job(part, item) once for every item in 0 .. count - 1 and returns when all have
    // returned. part (0 = the calling thread, below Parts()) names the thread, so that state
    // kept per part needs no lock. The job must not throw. One run at a time per object.
    template <class Job> void Run(int count, Job&& job) {
        RunItems(count, &job, [](void* context, int part, int item) {
            (*static_cast<std::remove_reference_t<Job>*>(context))(part, item);
        });
    }

    // Ends the helper threads; the next run starts them again.
    void Stop();

private:
    using Call = void (*)(void* context, int part, int item);
    void RunItems(int count, void* context, Call call);
    void Claim(int part);
    // seen: the run count when the helper was started; it waits for the next run.
    void Helper(int part, uint64_t seen);

    int parts_ = 1;
    std::vector<std::thread> helpers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    uint64_t generation_ = 0; // counts runs
    bool open_ = false;       // helpers may still join the current run
    int busy_ = 0;            // helpers working on the current run
    bool stopping_ = false;
    // The current run; fixed while it is open or a helper is busy with it.
    void* context_ = nullptr;
    Call call_ = nullptr;
    int count_ = 0;
    std::atomic<int> next_{0}; // next unclaimed item
};

} // namespace orvel
