#include "editing/effects/RowPool.h"

#include <algorithm>

#include <cerrno>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace orvel {
namespace {

// Below this many bytes a pass is over before a sleeping thread could wake up.
constexpr size_t kMinParallelBytes = 96 * 1024;
// More bands than threads, so a thread the scheduler holds back leaves its share to the others
// (the machine is shared with the encoder).
constexpr int kBandsPerThread = 4;

// The cores this process may run on (a process pinned to some cores gets no more threads).
int UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) return CPU_COUNT(&set);
    return static_cast<int>(std::thread::hardware_concurrency());
}

} // namespace

TRowPool& TRowPool::Shared() {
    static TRowPool pool(std::clamp(UsableCores(), 1, 4) - 1);
    return pool;
}

TRowPool::TScheduling TRowPool::CurrentScheduling() {
    const auto self = static_cast<id_t>(gettid());
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, self);
    return TScheduling{sched_getscheduler(0), errno == 0 ? nice : 0};
}

TRowPool::TRowPool(int helpers) : helperScheduling_(CurrentScheduling()) {
    for (int i = 0; i < helpers; ++i)
        helpers_.emplace_back([this] { HelperLoop(); });
}

TRowPool::~TRowPool() {
    {
        std::lock_guard lock(state_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : helpers_)
        t.join();
}

void TRowPool::RunBands(std::unique_lock<std::mutex>& lock) {
    while (nextBand_ < bands_) {
        const int band = nextBand_++;
        const BandFn fn = fn_;
        void* const ctx = ctx_;
        const int y0 = static_cast<int>(static_cast<long long>(rows_) * band / bands_);
        const int y1 = static_cast<int>(static_cast<long long>(rows_) * (band + 1) / bands_);
        lock.unlock();
        fn(ctx, y0, y1);
        lock.lock();
        if (--pendingBands_ == 0) done_.notify_all();
    }
}

void TRowPool::HelperLoop() {
    std::unique_lock lock(state_);
    unsigned long seen = generation_;
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
        if (stop_) return;
        seen = generation_;
        RunBands(lock);
    }
}

void TRowPool::Run(int rows, size_t bytesPerRow, BandFn fn, void* ctx) {
    if (rows <= 0) return;
    std::unique_lock submit(submit_, std::try_to_lock);
    const int bands = std::min(rows, Threads() * kBandsPerThread);
    if (helpers_.empty() || !submit.owns_lock() ||
        static_cast<size_t>(rows) * bytesPerRow < kMinParallelBytes || bands < 2 ||
        !(CurrentScheduling() == helperScheduling_)) {
        fn(ctx, 0, rows);
        return;
    }
    std::unique_lock lock(state_);
    fn_ = fn;
    ctx_ = ctx;
    rows_ = rows;
    bands_ = bands;
    nextBand_ = 0;
    pendingBands_ = bands;
    ++generation_;
    wake_.notify_all();
    RunBands(lock);
    done_.wait(lock, [&] { return pendingBands_ == 0; });
}

} // namespace orvel
