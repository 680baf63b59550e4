#pragma once
// What the editing dialog tests share: a fake player that reports the file while opening it, as
// the real player does, and frames to hand to a dialog's hook.
#include "player/FakeMediaPlayer.h"
#include "ui/WindowTestKit.h"

#include "engine/pictures/Bitmap24.h"

#include <QPushButton>

#include <cstdint>
#include <memory>
#include <vector>

namespace orvel::test {

class TOpeningFakePlayer : public TFakeMediaPlayer {
public:
    // What the next successful Open reports.
    int64_t Duration = 60'000'000;
    int FrameWidth = 720, FrameHeight = 576;
    std::pair<int, int> ScreenSize; // the display size the dialog chose

    bool Open(const std::string& fileName, IDisplaySurface* screen, bool paused) override {
        if (!TFakeMediaPlayer::Open(fileName, screen, paused)) return false;
        ScreenSize = RaiseOpened(Duration, FrameWidth, FrameHeight);
        return true;
    }
};

class TOpeningFakeFactory : public IPlayerFactory {
public:
    std::unique_ptr<IMediaPlayer> CreatePlayer() override {
        auto player = std::make_unique<TOpeningFakePlayer>();
        player->Duration = Duration;
        player->FrameWidth = FrameWidth;
        player->FrameHeight = FrameHeight;
        player->OpenSucceeds = OpenSucceeds;
        Made.push_back(player.get());
        return player;
    }
    TOpeningFakePlayer& Last() { return *Made.back(); }

    int64_t Duration = 60'000'000;
    int FrameWidth = 720, FrameHeight = 576;
    bool OpenSucceeds = true;
    std::vector<TOpeningFakePlayer*> Made;
};

// Paints a mid-grey frame with a little variety, so colour effects change every pixel.
inline void FillGrey(Bitmap24& frame) {
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = 0; x < frame.Width() * 3; ++x)
            frame.Row(y)[x] = static_cast<uint8_t>(100 + (x + y) % 50);
}

// The frame's pixels without row padding, to compare frames.
inline std::vector<uint8_t> Pixels(const Bitmap24& frame) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < frame.Height(); ++y)
        pixels.insert(pixels.end(), frame.Row(y), frame.Row(y) + frame.Width() * 3);
    return pixels;
}

} // namespace orvel::test
