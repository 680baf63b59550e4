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

void TStripWorkers::RunParts(void* context, Call call) {
    if (parts_ == 1) {
        call(context, 0);
        return;
    }
    if (helpers_.empty()) {
        // Without a helper (thread start refused) the calling thread does every part itself.
        try {
            for (int part = 1; part < parts_; ++part)
                helpers_.emplace_back(&TStripWorkers::Helper, this, part, generation_);
        } catch (const std::system_error&) {
            Stop();
            for (int part = 0; part < parts_; ++part)
                call(context, part);
            return;
        }
    }
    {
        std::lock_guard lock(mutex_);
        context_ = context;
        call_ = call;
        pending_ = parts_ - 1;
        ++generation_;
    }
    wake_.notify_all();
    call(context, 0);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return pending_ == 0; });
    context_ = nullptr;
    call_ = nullptr;
}

void TStripWorkers::Helper(int part, uint64_t seen) {
    for (;;) {
        void* context = nullptr;
        Call call = nullptr;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_)
                return;
            seen = generation_;
            context = context_;
            call = call_;
        }
        call(context, part);
        bool last = false;
        {
            std::lock_guard lock(mutex_);
            last = --pending_ == 0;
        }
        if (last)
            done_.notify_one();
    }
}

} // namespace orvel
