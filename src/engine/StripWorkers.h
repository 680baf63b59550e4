#pragma once
// Runs one job in parts at once: part 0 on the calling thread, the others on helper threads that
// are started at the first run and then wait for the next one, so splitting every frame of a
// conversion costs no thread start.
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

    int Parts() const { return parts_; }

    // Calls job(part) for every part in 0 .. Parts() - 1 and returns when all have returned.
    // The job must not throw. Not reentrant: one run at a time per object.
    template <class Job> void Run(Job&& job) {
        RunParts(&job, [](void* context, int part) { (*static_cast<std::remove_reference_t<Job>*>(context))(part); });
    }

    // Ends the helper threads; the next run starts them again.
    void Stop();

private:
    using Call = void (*)(void* context, int part);
    void RunParts(void* context, Call call);
    // seen: the run count when the helper was started; it waits for the next one.
    void Helper(int part, uint64_t seen);

    int parts_ = 1;
    std::vector<std::thread> helpers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    uint64_t generation_ = 0; // counts runs; a helper runs once per new value
    int pending_ = 0;         // helper parts of the current run not finished yet
    bool stopping_ = false;
    void* context_ = nullptr;
    Call call_ = nullptr;
};

} // namespace orvel
