#pragma once
// Works through the items of one job (the bands of a picture) on the calling thread and a few
// helper threads at once. Helpers are started at the first run and then wait for the next one,
// so splitting every frame of a conversion costs no thread start. Items are claimed one by one:
// a helper that wakes late (the machine is busy) simply leaves its share to the caller, which
// never waits for a helper to start, only for an item a helper is already working on.
//
// Helpers are started by the thread that runs, so they inherit its scheduling (policy and nice
// value). A run asked for by a thread whose scheduling differs from theirs gets helpers started
// anew from that thread: a conversion at idle priority never has its pixels done at normal
// priority, nor a normal one at idle priority.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace orvel {

class TStripWorkers {
public:
    // parts <= 0: one part per core the process may run on, at most kMaxParts.
    explicit TStripWorkers(int parts = 0);
    ~TStripWorkers();
    TStripWorkers(const TStripWorkers&) = delete;
    TStripWorkers& operator=(const TStripWorkers&) = delete;

    static constexpr int kMaxParts = 4;

    // The calling thread's own workers, ended with the thread. Its helpers work for it alone, so
    // they always share its scheduling and no other thread's pass waits for them.
    static TStripWorkers& OfThisThread();

    // Threads that may take part in a run, the caller included.
    int Parts() const { return parts_; }

    // Calls job(part, item) once for every item in 0 .. count - 1 and returns when all have
    // returned. part (0 = the calling thread, below Parts()) names the thread, so that state
    // kept per part needs no lock. The job must not throw. A run asked for while another one
    // is under way (from another thread, or from inside a job) is done whole by its caller as
    // part 0, so state kept per part is only safe when runs do not overlap.
    template <class Job> void Run(int count, Job&& job) {
        RunItems(count, &job, [](void* context, int part, int item) {
            (*static_cast<std::remove_reference_t<Job>*>(context))(part, item);
        });
    }

    // Calls pass(firstRow, endRow) over bands that together cover rows [0, rows) once. Passes
    // too small to be worth waking a helper for run whole on the caller. Rows must be
    // independent of each other.
    template <class Pass> void ForRows(int rows, size_t bytesPerRow, Pass&& pass) {
        const int bands = RowBands(rows, bytesPerRow);
        if (bands <= 1) {
            if (rows > 0) pass(0, rows);
            return;
        }
        Run(bands, [&](int, int band) {
            pass(static_cast<int>(static_cast<long long>(rows) * band / bands),
                 static_cast<int>(static_cast<long long>(rows) * (band + 1) / bands));
        });
    }

    // Ends the helper threads; the next run starts them again. Not from inside a job.
    void Stop();

private:
    using Call = void (*)(void* context, int part, int item);
    // Scheduling policy, its priority and nice value of the calling thread.
    struct TScheduling {
        int Policy = 0, Priority = 0, Nice = 0;
        bool operator==(const TScheduling&) const = default;
    };
    static TScheduling CurrentScheduling();

    int RowBands(int rows, size_t bytesPerRow) const;
    void RunItems(int count, void* context, Call call);
    // Starts helpers when there are none or they were started by a thread scheduled otherwise;
    // false when the caller has to do the run alone.
    bool HelpersFor(const TScheduling& caller);
    void StopHelpers();
    void Claim(int part);
    // seen: the run count when the helper was started; it waits for the next run.
    void Helper(int part, uint64_t seen);

    int parts_ = 1;
    std::atomic<bool> running_{false}; // a run (or Stop) is under way
    std::vector<std::thread> helpers_;
    TScheduling helperScheduling_; // that of the thread that started the helpers
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
