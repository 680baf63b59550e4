#include "engine/pictures/StripWorkers.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace orvel {
namespace {

// Below this many bytes a pass is over before a sleeping thread could wake up.
constexpr size_t kMinParallelBytes = 96 * 1024;
// More bands than threads, so a thread the scheduler holds back leaves its share to the others
// (the machine is shared with the encoder).
constexpr int kBandsPerPart = 4;

// The cores this process may run on: a process pinned to some cores gets no more threads.
int UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) return CPU_COUNT(&set);
    return static_cast<int>(std::thread::hardware_concurrency());
}

} // namespace

TStripWorkers::TStripWorkers(int parts) {
    if (parts <= 0) parts = UsableCores();
    parts_ = std::clamp(parts, 1, kMaxParts);
}

TStripWorkers::~TStripWorkers() {
    Stop();
}

TStripWorkers& TStripWorkers::OfThisThread() {
    thread_local TStripWorkers workers;
    return workers;
}

TStripWorkers::TScheduling TStripWorkers::CurrentScheduling() {
    // Asked of the kernel each time: the thread's scheduling may be changed by anyone.
    TScheduling scheduling;
    scheduling.Policy = sched_getscheduler(0);
    sched_param param{};
    if (sched_getparam(0, &param) == 0) scheduling.Priority = param.sched_priority;
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    scheduling.Nice = errno == 0 ? nice : 0;
    return scheduling;
}

void TStripWorkers::Stop() {
    while (running_.exchange(true, std::memory_order_acquire))
        std::this_thread::yield(); // a run from another thread ends soon
    StopHelpers();
    running_.store(false, std::memory_order_release);
}

void TStripWorkers::StopHelpers() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& helper : helpers_)
        helper.join();
    helpers_.clear();
    std::lock_guard lock(mutex_);
    stopping_ = false;
}

bool TStripWorkers::HelpersFor(const TScheduling& caller) {
    if (!helpers_.empty() && caller == helperScheduling_) return true;
    // None yet, or they run at another thread's priority: new ones, inheriting the caller's.
    StopHelpers();
    try {
        for (int part = 1; part < parts_; ++part)
            helpers_.emplace_back(&TStripWorkers::Helper, this, part, generation_);
    } catch (const std::system_error&) {
        StopHelpers(); // no threads to be had: the caller does every item itself
        return false;
    }
    helperScheduling_ = caller;
    return true;
}

int TStripWorkers::RowBands(int rows, size_t bytesPerRow) const {
    if (parts_ <= 1 || rows < 2 || static_cast<size_t>(rows) * bytesPerRow < kMinParallelBytes) return 1;
    return std::min(rows, parts_ * kBandsPerPart);
}

void TStripWorkers::RunItems(int count, void* context, Call call) {
    const bool mine = count > 1 && parts_ > 1 && !running_.exchange(true, std::memory_order_acquire);
    if (!mine || !HelpersFor(CurrentScheduling())) {
        for (int item = 0; item < count; ++item)
            call(context, 0, item);
        if (mine) running_.store(false, std::memory_order_release);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        context_ = context;
        call_ = call;
        count_ = count;
        next_.store(0, std::memory_order_relaxed);
        open_ = true;
        ++generation_;
    }
    wake_.notify_all();
    Claim(0);
    {
        std::unique_lock lock(mutex_);
        open_ = false;
        done_.wait(lock, [this] { return busy_ == 0; });
    }
    running_.store(false, std::memory_order_release);
}

void TStripWorkers::Claim(int part) {
    for (int item = next_.fetch_add(1, std::memory_order_relaxed); item < count_;
         item = next_.fetch_add(1, std::memory_order_relaxed))
        call_(context_, part, item);
}

void TStripWorkers::Helper(int part, uint64_t seen) {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
        if (stopping_) return;
        seen = generation_;
        if (!open_) continue; // woke after the caller had finished the run
        ++busy_;
        lock.unlock();
        Claim(part);
        lock.lock();
        if (--busy_ == 0) done_.notify_one();
    }
}

} // namespace orvel
