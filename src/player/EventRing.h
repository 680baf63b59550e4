#pragma once
// The ring between the playback and the event thread. While the event thread is busy, a burst
// of one kind collapses into its newest member, so a slow host never receives stale positions.
#include <cstdint>
#include <mutex>

#include "player/PlayerTypes.h"
#include "player/Signal.h"

namespace orvel {

enum class PlayerEventKind { None = 0, Position = 1, State = 2, StopDelivery = 3 };

struct PlayerEvent {
    PlayerEventKind Kind = PlayerEventKind::None;
    TPlayState State = psPlay;
    int64_t Position = 0;
};

class EventRing {
public:
    static constexpr int kSlots = 10; // one slot stays free, so at most 9 events wait

    void Put(const PlayerEvent& event);
    // False when no event waits.
    bool Take(PlayerEvent& event);
    void Clear();
    bool Empty();
    ManualResetSignal& Pending() { return pending_; }

private:
    std::mutex mutex_;
    PlayerEvent slots_[kSlots];
    int read_ = 0;
    int write_ = 0;
    ManualResetSignal pending_{false};
};

} // namespace orvel
