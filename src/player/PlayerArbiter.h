#pragma once
// "Only one player plays at a time in the process", kept in one place: every player handed out
// through the arbiter stops the other playing ones, waiting for them to end, before it opens a
// file. Windows therefore never stop another window's preview themselves.
#include <memory>
#include <mutex>
#include <vector>

#include "player/MediaPlayer.h"

namespace orvel {

class TArbitratedPlayer;

class TPlayerArbiter {
public:
    TPlayerArbiter();
    // The players keep the arbiter's state alive, so either may be destroyed first.
    std::unique_ptr<IMediaPlayer> Adopt(std::unique_ptr<IMediaPlayer> player);

    struct TShared {
        std::mutex Mutex;
        std::vector<TArbitratedPlayer*> Players;
    };

private:
    std::shared_ptr<TShared> shared_;
};

// Creates the program's players: TFFPlayer instances under one arbiter.
class TFFPlayerFactory : public IPlayerFactory {
public:
    std::unique_ptr<IMediaPlayer> CreatePlayer() override;

private:
    TPlayerArbiter arbiter_;
};

} // namespace orvel
