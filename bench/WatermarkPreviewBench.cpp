// Plays a 1280x720 25 fps clip with sound through the watermark dialog's preview hook with text,
// picture and all four effects on, and prints pictures shown, pictures dropped and how far the
// audio and video clocks drift apart after the first second, with the time the hook took per
// picture, so that a miss can be told from a slow hook. A second argument "off" plays the same
// clip with the hook drawing nothing, for comparison on the same machine. Run with
// QT_QPA_PLATFORM=offscreen and SDL_AUDIODRIVER=dummy on a machine without a display or sound.
#include "editing/PreviewHook.h"
#include "editing/WaterMarkModel.h"
#include "fixtures/Fixtures.h"
#include "player/FFPlay.h"

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using namespace orvel;

// Keeps each picture as the panel would receive it; the bench measures the hook, not a display.
class NullSurface : public IDisplaySurface {
public:
    void ClientSize(int& width, int& height) const override {
        width = 364;
        height = 236;
    }
    bool OpenDisplay(int, int) override { return true; }
    void ShowPicture(const YuvPicture&, const DisplayRect&) override {}
    void SetListener(IDisplayListener*) override {}
};

std::string WriteLogo() {
    QImage logo(160, 90, QImage::Format_RGB888);
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x)
            logo.setPixelColor(x, y, QColor((x * 3) % 256, (y * 5) % 256, 200));
    const std::string path = fixtures::Dir() + "/bench-logo.bmp";
    logo.save(QString::fromStdString(path), "BMP");
    return path;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv); // fonts for the text
    const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 8;
    const bool effectsOff = argc > 2 && std::string(argv[2]) == "off";
    fixtures::ClipRecipe recipe;
    recipe.container = "avi";
    recipe.videoCodec = "mpeg4";
    recipe.audioCodec = "libmp3lame";
    recipe.width = 1280;
    recipe.height = 720;
    recipe.seconds = seconds + 2;
    recipe.videoBitRate = 4000000;
    const std::string file = fixtures::Generate(recipe);

    // The settings as the dialog's controls make them.
    TWaterMarkModel model;
    TlvFilesRecord job;
    job.SourceFile = file;
    model.FormShow(job, {"DejaVu Sans"});
    model.FileOpen(static_cast<int64_t>(recipe.seconds * 1e6), 1280, 720, 364);
    model.SetText("Orvel Video Converter");
    model.SetFontSize(36);
    model.SetTextHoriz(10);
    model.SetTextVert(80);
    model.SetImagePath(WriteLogo());
    model.SetImageHoriz(70);
    model.SetImageVert(10);
    model.SetImageAlpha(168);
    model.SetBrightness(300);
    model.SetContrast(20);
    model.SetSaturation(300);
    model.SetExposure(40);
    TPreviewHook hook;
    TPreviewSettings settings;
    settings.Draw = !effectsOff;
    settings.Effects = model.Settings();
    settings.Outline = TCropOutline::Inset;
    hook.Publish(settings);

    TFFPlayer player;
    player.SetTriggerEventInMainThread(false);
    if (!player.LoadLibraries("")) {
        std::fprintf(stderr, "libraries: %s\n", player.LastErrorMessage().c_str());
        return 1;
    }
    player.SetHook(true);
    // Written by the decoding thread only, read after the player has stopped.
    double hookSum = 0, hookMax = 0;
    int hookCalls = 0;
    player.SetOnHook([&](IMediaPlayer*, Bitmap24& frame, int64_t) {
        const auto start = std::chrono::steady_clock::now();
        hook.Render(frame.View());
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        hookSum += ms;
        hookMax = std::max(hookMax, ms);
        ++hookCalls;
    });
    NullSurface surface;
    if (!player.Open(file, &surface)) {
        std::fprintf(stderr, "open: %s\n", player.LastErrorMessage().c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const auto first = player.GetStatistics();
    double sum = 0, maxDiff = 0;
    int samples = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds - 1);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto s = player.GetStatistics();
        if (!s.HasBothClocks) continue;
        const double diff = std::fabs(s.ClockDifference) * 1000.0;
        sum += diff;
        maxDiff = std::max(maxDiff, diff);
        ++samples;
    }
    const auto last = player.GetStatistics();
    player.Stop(true);
    std::printf("clip: %s (1280x720, 25 fps), %d s, %s\n", file.c_str(), seconds,
                effectsOff ? "the preview hook drawing nothing"
                           : "text + picture + four effects in the preview hook");
    std::printf("hook: %d pictures, mean %.2f ms, max %.2f ms each\n", hookCalls,
                hookCalls ? hookSum / hookCalls : 0.0, hookMax);
    std::printf("shown %lld, dropped %lld; after the first second: shown %lld, dropped %lld\n",
                static_cast<long long>(last.Shown), static_cast<long long>(last.Dropped),
                static_cast<long long>(last.Shown - first.Shown),
                static_cast<long long>(last.Dropped - first.Dropped));
    std::printf(
        "|A-V| after the first second: mean %.1f ms, max %.1f ms (target: no drop after 1 s, under 40 ms)\n",
        samples ? sum / samples : 0.0, maxDiff);
    return 0;
}
