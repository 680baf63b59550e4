// Plays a 1280x720 25 fps clip with sound for a fixed time, once without and once with the
// per-picture hook, and prints pictures shown, pictures dropped and how far the audio and
// video clocks drift apart after the first second. Run with SDL_AUDIODRIVER=dummy on a
// machine without sound.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "engine/foundation/AVHandles.h"
#include "fixtures/Fixtures.h"
#include "player/FFPlay.h"

namespace {

using namespace orvel;

// Converts every picture to 32-bit RGB as the Qt panel does, so the display costs what it
// costs in the program.
class ConvertingSurface : public IDisplaySurface {
public:
    void ClientSize(int& width, int& height) const override {
        width = 1280;
        height = 720;
    }
    bool OpenDisplay(int, int) override { return true; }
    void ShowPicture(const YuvPicture& picture, const DisplayRect&) override {
        scaler_.reset(sws_getCachedContext(scaler_.release(), picture.Width, picture.Height,
                                           AV_PIX_FMT_YUV420P, picture.Width, picture.Height, AV_PIX_FMT_BGRA,
                                           SWS_BICUBIC, nullptr, nullptr, nullptr));
        rgb_.resize(static_cast<size_t>(picture.Width) * picture.Height * 4);
        uint8_t* dst[4] = {rgb_.data(), nullptr, nullptr, nullptr};
        int stride[4] = {picture.Width * 4, 0, 0, 0};
        sws_scale(scaler_.get(), picture.Planes, picture.Strides, 0, picture.Height, dst, stride);
    }
    void SetListener(IDisplayListener*) override {}

private:
    SwsContextPtr scaler_;
    std::vector<uint8_t> rgb_;
};

struct Result {
    int64_t shown = 0;
    int64_t dropped = 0;
    int64_t shownAfterFirstSecond = 0;
    int64_t droppedAfterFirstSecond = 0;
    double meanDiffMs = 0;
    double maxDiffMs = 0;
};

Result Play(const std::string& file, bool hook, int seconds) {
    TFFPlayer player;
    player.SetTriggerEventInMainThread(false);
    if (!player.LoadLibraries("")) {
        std::fprintf(stderr, "libraries: %s\n", player.LastErrorMessage().c_str());
        std::exit(1);
    }
    player.SetHook(hook);
    player.SetOnHook([](IMediaPlayer*, Bitmap24& bitmap, int64_t) {
        // A small mark, as a watermark would draw.
        for (int y = 10; y < 40 && y < bitmap.Height(); ++y)
            std::fill_n(bitmap.Row(y) + 30, 3 * 100, 255);
    });
    ConvertingSurface surface;
    if (!player.Open(file, &surface)) {
        std::fprintf(stderr, "open: %s\n", player.LastErrorMessage().c_str());
        std::exit(1);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const auto first = player.GetStatistics();
    Result r;
    double sum = 0;
    int samples = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds - 1);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto s = player.GetStatistics();
        if (!s.HasBothClocks) continue;
        const double diff = std::fabs(s.ClockDifference) * 1000.0;
        sum += diff;
        r.maxDiffMs = std::max(r.maxDiffMs, diff);
        ++samples;
    }
    const auto last = player.GetStatistics();
    player.Stop(true);
    r.shown = last.Shown;
    r.dropped = last.Dropped;
    r.shownAfterFirstSecond = last.Shown - first.Shown;
    r.droppedAfterFirstSecond = last.Dropped - first.Dropped;
    r.meanDiffMs = samples ? sum / samples : 0;
    return r;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 8;
    fixtures::ClipRecipe recipe;
    recipe.container = "avi";
    recipe.videoCodec = "mpeg4";
    recipe.audioCodec = "libmp3lame";
    recipe.width = 1280;
    recipe.height = 720;
    recipe.fps = 25;
    recipe.seconds = seconds + 2;
    recipe.videoBitRate = 4000000;
    const std::string file = fixtures::Generate(recipe);
    std::printf("clip: %s (1280x720, 25 fps), %d s of playback per run\n", file.c_str(), seconds);
    std::printf("%-9s %7s %8s %12s %14s %13s %12s\n", "hook", "shown", "dropped", "shown>1s", "dropped>1s",
                "mean |A-V| ms", "max |A-V| ms");
    for (const bool hook : {false, true}) {
        const Result r = Play(file, hook, seconds);
        std::printf("%-9s %7lld %8lld %12lld %14lld %13.1f %12.1f\n", hook ? "on" : "off",
                    static_cast<long long>(r.shown), static_cast<long long>(r.dropped),
                    static_cast<long long>(r.shownAfterFirstSecond),
                    static_cast<long long>(r.droppedAfterFirstSecond), r.meanDiffMs, r.maxDiffMs);
    }
    return 0;
}
