#pragma once
// Shared pieces of the player tests: a display surface that keeps what it was shown, a recorder
// of the player's events, and a main thread served by the test itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/component/MainThreadDispatcher.h"
#include "engine/foundation/FFmpegLogger.h"
#include "fixtures/Fixtures.h"
#include "player/FFPlay.h"

namespace orvel::testing {

class FakeSurface : public IDisplaySurface {
public:
    explicit FakeSurface(int width = 400, int height = 300) : width_(width), height_(height) {}

    void ClientSize(int& width, int& height) const override {
        width = width_;
        height = height_;
    }
    bool OpenDisplay(int width, int height) override {
        std::lock_guard lock(mutex_);
        displayWidth = width;
        displayHeight = height;
        ++opens;
        return true;
    }
    void ShowPicture(const YuvPicture& picture, const DisplayRect& rect) override {
        std::lock_guard lock(mutex_);
        lastRect = rect;
        pictureWidth = picture.Width;
        pictureHeight = picture.Height;
        luma.resize(static_cast<size_t>(picture.Width) * picture.Height);
        for (int y = 0; y < picture.Height; ++y)
            std::copy_n(picture.Planes[0] + static_cast<ptrdiff_t>(y) * picture.Strides[0], picture.Width,
                        luma.begin() + static_cast<ptrdiff_t>(y) * picture.Width);
        ++shows;
    }
    void SetListener(IDisplayListener* l) override {
        std::lock_guard lock(mutex_);
        listener = l;
    }
    int Luma(int x, int y) {
        std::lock_guard lock(mutex_);
        return luma.empty() ? -1 : luma[static_cast<size_t>(y) * pictureWidth + x];
    }
    int Shows() {
        std::lock_guard lock(mutex_);
        return shows;
    }
    // What the playback last set up and drew, read under the lock it writes with.
    DisplayRect LastRect() {
        std::lock_guard lock(mutex_);
        return lastRect;
    }
    DisplayRect DisplayArea() {
        std::lock_guard lock(mutex_);
        return DisplayRect{0, 0, displayWidth, displayHeight};
    }

    std::mutex mutex_;
    int width_, height_;
    int displayWidth = 0, displayHeight = 0, opens = 0, shows = 0;
    int pictureWidth = 0, pictureHeight = 0;
    DisplayRect lastRect;
    std::vector<uint8_t> luma;
    IDisplayListener* listener = nullptr;
};

struct EventLog {
    std::mutex mutex;
    std::vector<TPlayState> states;
    std::vector<int64_t> positions;
    std::vector<std::string> logs;

    std::vector<TPlayState> States() {
        std::lock_guard lock(mutex);
        return states;
    }
    size_t Count(TPlayState s) {
        std::lock_guard lock(mutex);
        return std::count(states.begin(), states.end(), s);
    }
    int64_t LastPosition() {
        std::lock_guard lock(mutex);
        return positions.empty() ? -1 : positions.back();
    }
    bool Logged(const std::string& text) {
        std::lock_guard lock(mutex);
        return std::any_of(logs.begin(), logs.end(),
                           [&](const std::string& l) { return l.find(text) != std::string::npos; });
    }
    void Clear() {
        std::lock_guard lock(mutex);
        states.clear();
        positions.clear();
    }
};

class PlayerTestBase : public ::testing::Test {
protected:
    void SetUp() override {
        SetMainThreadDispatcher(&dispatcher);
        FFLogger().SetTriggerEventInMainThread(false);
        FFLogger().SetOnLog([this](const void*, uint32_t, TLogLevel, const std::string& message) {
            std::lock_guard lock(log.mutex);
            log.logs.push_back(message);
        });
        player = std::make_unique<TFFPlayer>();
        ASSERT_TRUE(player->LoadLibraries("")) << player->LastErrorMessage();
        player->SetOnState([this](IMediaPlayer*, TPlayState s) {
            std::lock_guard lock(log.mutex);
            log.states.push_back(s);
        });
        player->SetOnPosition([this](IMediaPlayer*, int64_t pos) {
            std::lock_guard lock(log.mutex);
            log.positions.push_back(pos);
        });
    }
    void TearDown() override {
        player.reset();
        FFLogger().SetOnLog(nullptr);
        SetMainThreadDispatcher(nullptr);
    }
    // Serves the main thread until pred holds; false after timeoutMs.
    bool Until(const std::function<bool()>& pred, int timeoutMs = 10000) {
        return dispatcher.ServeUntil(pred, timeoutMs);
    }
    void Serve(int ms) {
        dispatcher.ServeUntil([] { return false; }, ms);
    }

    QueuedDispatcher dispatcher;
    EventLog log;
    FakeSurface surface;
    std::unique_ptr<TFFPlayer> player;
};

// The clip's frame index for a presentation time in microseconds.
inline int64_t FrameAt(int64_t pts, int fps = 25) {
    return (pts * fps + 500000) / 1000000;
}

inline bool Near(const uint8_t* bgr, const std::array<uint8_t, 3>& expected, int tolerance = 40) {
    for (int i = 0; i < 3; ++i)
        if (std::abs(int(bgr[i]) - int(expected[i])) > tolerance) return false;
    return true;
}

} // namespace orvel::testing
