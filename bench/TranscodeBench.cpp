// A whole conversion task against a minimal direct use of the libraries doing the same work
// (decode H.264 + AAC, scale to 320x240, MPEG-4 768 kbit/s + AAC 128 kbit/s into MP4), and
// tasks with a custom hook against one without: a hook that draws nothing, one that draws a
// watermark-sized box and one that changes the whole picture. Two sources: flat colour bars,
// which decode and encode unusually cheaply, and the same with a drifting texture, which costs
// what camera footage costs. Each run is a child process, so its peak memory is its own; runs
// alternate and the ratios are printed per source.
#include "ChildRun.h"
#include "PlainLoop.h"
#include "fixtures/Fixtures.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace orvel;

namespace {

std::string Source(bool detail) {
    fixtures::ClipRecipe recipe;
    recipe.width = 1280;
    recipe.height = 720;
    recipe.seconds = 30;
    recipe.detail = detail;
    recipe.fileName = detail ? "bench-720p-30s-detail.mp4" : "bench-720p-30s.mp4";
    return fixtures::Generate(recipe);
}

enum class Hook { None, Idle, Box, Whole };

// A watermark-sized box near the bottom right corner, in a colour that changes per frame.
void DrawBox(THookInfo& info) {
    Bitmap24& bmp = *info.Bitmap;
    const int width = std::min(240, bmp.Width()), height = std::min(48, bmp.Height());
    const auto shade = static_cast<uint8_t>(info.FrameNumber * 5);
    for (int y = bmp.Height() - height - 16; y < bmp.Height() - 16; ++y)
        if (y >= 0)
            std::memset(bmp.Row(y) + (bmp.Width() - width) * 3, shade, static_cast<size_t>(width) * 3);
}

void Invert(THookInfo& info) {
    Bitmap24& bmp = *info.Bitmap;
    for (int y = 0; y < bmp.Height(); ++y) {
        uint8_t* row = bmp.Row(y);
        for (int x = 0; x < bmp.Width() * 3; ++x)
            row[x] = static_cast<uint8_t>(255 - row[x]);
    }
}

int RunTask(const std::string& in, const std::string& out, Hook hook) {
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    if (hook == Hook::Idle)
        task.OnHook = [](TCustomFFmpeg&, THookInfo& info) { info.Update = true; };
    else if (hook == Hook::Box)
        task.OnHook = [](TCustomFFmpeg&, THookInfo& info) { DrawBox(info); };
    else if (hook == Hook::Whole)
        task.OnHook = [](TCustomFFmpeg&, THookInfo& info) { Invert(info); };
    task.OpenInput(in);
    for (auto [n, v] : std::vector<std::pair<std::string, std::string>>{
             {"vcodec", "mpeg4"}, {"b", "768000"}, {"s", "320x240"}, {"acodec", "aac"}, {"ab", "128000"}})
        task.ParseOption(n, v);
    task.OpenOutput(out, false);
    task.Transcode();
    task.CloseCodecs();
    task.ReleaseFiles();
    return task.Finished() ? 0 : 1;
}

// The baseline: the same work written directly against the libraries.
int RunBaseline(const std::string& in, const std::string& out) {
    const bench::PlainJob job{"mpeg4", 320, 240, {25, 1}, false, 768000, {}, "aac", 44100, 128000, {}};
    return bench::RunPlainLoop(in, out, job);
}

struct Sample {
    double seconds = 0;
    double cpuSeconds = 0; // user + system of every thread: less moved by other load on the machine
    long maxRssKb = 0;
};

struct Mode {
    const char* name;
    Hook hook;
    bool baseline;
};
const Mode kModes[] = {{"baseline", Hook::None, true},
                       {"task", Hook::None, false},
                       {"hook", Hook::Idle, false},
                       {"hook-box", Hook::Box, false},
                       {"hook-whole", Hook::Whole, false}};
constexpr int kModeCount = sizeof(kModes) / sizeof(kModes[0]);

Sample RunChild(const Mode& mode, const std::string& in) {
    const bench::ChildSample c = bench::RunInChild([&] {
        const std::string out = fixtures::Dir() + "/bench-out-" + mode.name + ".mp4";
        return mode.baseline ? RunBaseline(in, out) : RunTask(in, out, mode.hook);
    });
    if (!c.ok) std::fprintf(stderr, "run %s failed\n", mode.name);
    return Sample{c.seconds, c.cpuSeconds, c.maxRssKb};
}

void Measure(const char* label, const std::string& in, int rounds) {
    Sample best[kModeCount];
    for (auto& b : best)
        b.seconds = b.cpuSeconds = 1e9;
    for (int r = 0; r < rounds; ++r) {
        for (int m = 0; m < kModeCount; ++m) {
            const Sample s = RunChild(kModes[m], in);
            std::printf("%s round %d %-10s %.3f s (cpu %.3f s), peak %ld kB\n", label, r, kModes[m].name,
                        s.seconds, s.cpuSeconds, s.maxRssKb);
            best[m].seconds = std::min(best[m].seconds, s.seconds);
            best[m].cpuSeconds = std::min(best[m].cpuSeconds, s.cpuSeconds);
            best[m].maxRssKb = std::max(best[m].maxRssKb, s.maxRssKb);
        }
    }
    auto ratio = [&](const char* what, int a, int b, const char* target) {
        std::printf("[%s] %-26s time %.3f %s, cpu %.3f\n", label, what, best[a].seconds / best[b].seconds,
                    target, best[a].cpuSeconds / best[b].cpuSeconds);
    };
    ratio("task / baseline", 1, 0, "(target <= 1.05)");
    ratio("hook / no hook", 2, 1, "(target <= 1.20)");
    std::printf("[%s] %-26s %.3f (target <= 1.2)\n", label, "task / baseline memory",
                static_cast<double>(best[1].maxRssKb) / static_cast<double>(best[0].maxRssKb));
    ratio("box hook / no hook", 3, 1, "");
    ratio("whole hook / no hook", 4, 1, "");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::string flat = Source(false);
    const std::string detail = Source(true);
    Measure("flat", flat, rounds);
    Measure("detail", detail, rounds);
    return 0;
}
