#include "engine/StripWorkers.h"

#include <algorithm>
#include <system_error>

namespace orvel {

TStripWorkers::TStripWorkers(int parts) {
    if (parts <= 0)
        parts = static_cast<int>(std::thread::hardware_concurrency());
    parts_ = std::clamp(parts, 1, kMaxParts);
}

TStripWorkers::~TStripWorkers() { Stop(); }

void TStripWorkers::Stop() {
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

void TStripWorkers::RunItems(int count, void* context, Call call) {
    if (parts_ > 1 && count > 1 && helpers_.empty()) {
        try {
            for (int part = 1; part < parts_; ++part)
                helpers_.emplace_back(&TStripWorkers::Helper, this, part, generation_);
        } catch (const std::system_error&) {
            Stop(); // no threads to be had: the caller does every item itself
        }
    }
    if (helpers_.empty() || count <= 1) {
        for (int item = 0; item < count; ++item)
            call(context, 0, item);
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
    std::unique_lock lock(mutex_);
    open_ = false;
    done_.wait(lock, [this] { return busy_ == 0; });
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
        if (stopping_)
            return;
        seen = generation_;
        if (!open_)
            continue; // woke after the caller had finished the run
        ++busy_;
        lock.unlock();
        Claim(part);
        lock.lock();
        if (--busy_ == 0)
            done_.notify_one();
    }
}

} // namespace orvel
