#include "player/EventRing.h"

namespace orvel {

void EventRing::Put(const PlayerEvent& event) {
    std::lock_guard lock(mutex_);
    const int newest = (write_ + kSlots - 1) % kSlots;
    if (read_ != write_ && slots_[newest].Kind == event.Kind) {
        slots_[newest] = event;
    } else {
        write_ = (write_ + 1) % kSlots;
        if (write_ == read_) read_ = (read_ + 1) % kSlots; // full: the oldest event gives way
        slots_[(write_ + kSlots - 1) % kSlots] = event;
    }
    pending_.Set();
}

bool EventRing::Take(PlayerEvent& event) {
    std::lock_guard lock(mutex_);
    if (read_ == write_) return false;
    event = slots_[read_];
    read_ = (read_ + 1) % kSlots;
    if (read_ == write_) pending_.Reset();
    return true;
}

bool EventRing::Empty() {
    std::lock_guard lock(mutex_);
    return read_ == write_;
}

void EventRing::Clear() {
    std::lock_guard lock(mutex_);
    read_ = write_ = 0;
    pending_.Reset();
}

} // namespace orvel
