// A conversion task, pipelined and single-threaded, against a plain single-threaded loop over
// the same libraries doing the same job, for four jobs from a 30 s 1280x720 25 fps clip with
// the detail texture. Each run is a child process, so its CPU time and peak memory are its own;
// runs alternate, and each figure is the best of the rounds (the machine is shared).
#include "ChildRun.h"
#include "PlainLoop.h"
#include "fixtures/Fixtures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace orvel;
using namespace orvel::bench;

namespace {

struct BenchJob {
    const char* name;
    const char* extension;
    NamedValues taskOptions;
    const char* target; // "dvd" with the NTSC norm, or null
    PlainJob plain;
};

const BenchJob kJobs[] = {
    {"MPEG-4 320x240 + AAC",
     "mp4",
     {{"vcodec", "mpeg4"}, {"b", "768000"}, {"s", "320x240"}, {"acodec", "aac"}, {"ab", "128000"}},
     nullptr,
     {"mpeg4", 320, 240, {25, 1}, false, 768000, {}, "aac", 44100, 128000, {}}},
    {"MPEG-4 AVI 1280x720 + MP3",
     "avi",
     {{"vcodec", "mpeg4"}, {"b", "2500000"}, {"s", "1280x720"}, {"acodec", "libmp3lame"}, {"ab", "160000"}},
     nullptr,
     {"mpeg4", 1280, 720, {25, 1}, false, 2500000, {}, "libmp3lame", 44100, 160000, {}}},
    {"DVD NTSC",
     "vob",
     {},
     "dvd",
     {"mpeg2video",
      720,
      480,
      {30000, 1001},
      true,
      6000000,
      {{"g", "18"}, {"maxrate", "9000000"}, {"minrate", "0"}, {"bufsize", "1835008"}},
      "ac3",
      48000,
      448000,
      {{"packetsize", "2048"}, {"muxrate", "10080000"}}}},
    {"H.264 640x360 + AAC",
     "mp4",
     {{"vcodec", "libx264"}, {"b", "1000000"}, {"s", "640x360"}, {"acodec", "aac"}, {"ab", "128000"}},
     nullptr,
     {"libx264", 640, 360, {25, 1}, false, 1000000, {}, "aac", 44100, 128000, {}}},
};

enum class Mode { Plain, Pipelined, SingleThreaded };
const char* Name(Mode m) {
    return m == Mode::Plain ? "plain loop" : m == Mode::Pipelined ? "task" : "task 1-thread";
}

int RunTask(const BenchJob& job, const std::string& in, const std::string& out, bool pipelined) {
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    task.SetPipelined(pipelined);
    task.OpenInput(in);
    if (job.target != nullptr) task.ApplyTarget(job.target, "ntsc", "ntsc");
    for (const auto& [name, value] : job.taskOptions)
        task.ParseOption(name, value);
    task.OpenOutput(out, false);
    task.Transcode();
    task.CloseCodecs();
    task.ReleaseFiles();
    return task.Finished() ? 0 : 1;
}

struct Sample {
    double seconds = 1e9;
    double cpuSeconds = 1e9;
    long maxRssKb = 0;
};

Sample RunChild(const BenchJob& job, Mode mode, const std::string& in) {
    const ChildSample c = RunInChild([&] {
        const std::string out = fixtures::Dir() + "/bench-pipeline-out." + job.extension;
        return mode == Mode::Plain ? RunPlainLoop(in, out, job.plain)
                                   : RunTask(job, in, out, mode == Mode::Pipelined);
    });
    if (!c.ok) std::fprintf(stderr, "%s: run %s failed\n", job.name, Name(mode));
    return Sample{c.seconds, c.cpuSeconds, c.maxRssKb};
}

void Measure(const BenchJob& job, const std::string& in, int rounds) {
    constexpr Mode kModes[] = {Mode::Plain, Mode::Pipelined, Mode::SingleThreaded};
    Sample best[3];
    for (int r = 0; r < rounds; ++r)
        for (int m = 0; m < 3; ++m) {
            const Sample s = RunChild(job, kModes[m], in);
            std::printf("[%s] round %d %-14s %.2f s (cpu %.2f s), peak %ld kB\n", job.name, r,
                        Name(kModes[m]), s.seconds, s.cpuSeconds, s.maxRssKb);
            best[m].seconds = std::min(best[m].seconds, s.seconds);
            best[m].cpuSeconds = std::min(best[m].cpuSeconds, s.cpuSeconds);
            best[m].maxRssKb = std::max(best[m].maxRssKb, s.maxRssKb);
        }
    for (int m = 1; m < 3; ++m)
        std::printf("[%s] %s / plain loop: wall %.3f%s, cpu %.3f, peak memory %.3f%s\n", job.name,
                    Name(kModes[m]), best[m].seconds / best[0].seconds, m == 1 ? " (target <= 0.85)" : "",
                    best[m].cpuSeconds / best[0].cpuSeconds,
                    static_cast<double>(best[m].maxRssKb) / static_cast<double>(best[0].maxRssKb),
                    m == 1 ? " (target <= 1.2)" : "");
    std::fflush(stdout);
}

} // namespace

// Arguments: rounds (default 2), then optionally the number of one job (1..4) to run alone.
int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    const int only = argc > 2 ? std::atoi(argv[2]) : 0;
    fixtures::ClipRecipe recipe;
    recipe.width = 1280;
    recipe.height = 720;
    recipe.seconds = 30;
    recipe.detail = true;
    recipe.fileName = "bench-720p-30s-detail.mp4";
    const std::string source = fixtures::Generate(recipe);
    int n = 0;
    for (const BenchJob& job : kJobs)
        if (++n == only || only == 0) Measure(job, source, rounds);
    return 0;
}
