// Whole-conversion cost of a job with every effect on (colour, exposure, text and a 200x100
// picture) against the same job without effects, measured in one run with the runs alternated.
// Two sources: flat colour bars, which code unrealistically cheaply, and the same clip under a
// drifting texture, which costs what camera footage costs. Prints a ratio for each; the aim is at
// most 1.10. A third job switches the hook on with an effect that changes no pixel, to tell the
// cost of handing frames to the hook from that of the effects. Arguments: rounds per measurement
// (default 5), and optionally one job to convert alone (see below).
#include "app/store/AppSettings.h"
#include "batch/BatchController.h"
#include "engine/component/MainThreadDispatcher.h"
#include "fixtures/Fixtures.h"
#include "formats/FormatParams.h"
#include "formats/OptionBuilder.h"

#include <QGuiApplication>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace orvel;

namespace {

class Jobs : public IBatchJobs {
public:
    std::vector<TlvFilesRecord> rows;
    int JobCount() const override { return static_cast<int>(rows.size()); }
    bool JobChecked(int) const override { return true; }
    TlvFilesRecord& Job(int row) override { return rows[static_cast<size_t>(row)]; }
};
class QuietView : public IBatchView {
public:
    void BatchStarted(int) override {}
    void ShowProgress(const TBatchProgress&) override {}
    void SetRowProgress(int, const std::string&) override {}
    void JobFinished(int, int) override {}
    void JobStopped(int, int, bool, const std::string& m) override {
        std::fprintf(stderr, "stopped: %s\n", m.c_str());
    }
    void JobSkipped(int, const std::string& m) override { std::fprintf(stderr, "skipped: %s\n", m.c_str()); }
    void BatchEnded() override {}
    bool OpenFolderAfterConversion() const override { return false; }
    bool ShutDownAfterConversion() const override { return false; }
};
class NoSystem : public ISystemActions {
public:
    void OpenFolder(const std::string&) override {}
    void OpenAddress(const std::string&) override {}
    void ShutDown() override {}
};
class Yes : public ISizePrompt {
public:
    bool UseDefaultSize() override { return true; }
};
class Quiet : public IMessageBoxes {
public:
    TMsgResult Show(const std::string&, const std::string&, TMsgIcon, TMsgButtons) override {
        return TMsgResult::Ok;
    }
};

// A 200x100 bottom-up 24-bit BMP with a gradient.
void WritePicture(const std::string& path) {
    const int w = 200, h = 100, stride = (w * 3 + 3) & ~3;
    const uint32_t size = 54 + stride * h;
    std::vector<uint8_t> file(size, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    file[0] = 'B', file[1] = 'M';
    put32(2, size), put32(10, 54), put32(14, 40), put32(18, w), put32(22, h);
    file[26] = 1, file[28] = 24;
    put32(34, stride * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &file[54 + y * stride + x * 3];
            p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y * 2), p[2] = 200;
        }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), size);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QueuedDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);

    fixtures::ClipRecipe recipe;
    // The clip the pipeline benchmark converts (30 s of 1280x720 at 25 fps), flat and textured.
    recipe.width = 1280;
    recipe.height = 720;
    recipe.seconds = 30;
    recipe.fileName = "bench-720p-30s-flat.mp4";
    const std::string flatClip = fixtures::Generate(recipe);
    recipe.detail = true;
    recipe.fileName = "bench-720p-30s-detail.mp4";
    const std::string detailClip = fixtures::Generate(recipe);
    const fs::path root = fs::temp_directory_path() / "orvel-batch-bench";
    fs::remove_all(root);
    fs::create_directories(root);
    const std::string picture = (root / "logo.bmp").string();
    WritePicture(picture);

    TAppSettings settings((root / "settings.ini").string());
    settings.SetOutPutDir((root / "out").string());
    TFormatParamStore store(std::string(ORVEL_BINARY_DIR) + "/orvelvideoformat.ini",
                            settings.Ini().FileName());
    const int code = 803; // AVI, MPEG-4
    store.Reset(code);
    store.StoreChoice(code, TFormatParam::VideoSize, 0, "640x480");

    TFFmpegConverter converter;
    if (!converter.LoadLibraries("")) {
        std::fprintf(stderr, "%s\n", converter.LastErrorMessage().c_str());
        return 1;
    }
    Jobs jobs;
    QuietView view;
    NoSystem system;
    Yes prompt;
    Quiet boxes;
    TBatchController batch(converter, store, settings, jobs, view, system, prompt, boxes,
                           (root / "def").string());
    batch.SetOverrides({code, std::string("full"), (root / "out").string()});

    TlvFilesRecord plain;
    TlvFilesRecord effects = plain;
    effects.Brightness = 320, effects.Contrast = 20, effects.Saturation = 300, effects.Exposure = 40;
    effects.WatermarkText = "Orvel Video Converter";
    effects.WatermarkFont.Size = 18;
    effects.TextLeft = 20, effects.TextTop = 20;
    effects.WatermarkImage = picture;
    effects.ImageLeft = 400, effects.ImageTop = 340;
    // Switches the hook on with an effect that changes no pixel: the cost of handing frames to the
    // hook and back, apart from the effects themselves.
    TlvFilesRecord handOver = plain;
    handOver.Brightness = 256, handOver.Saturation = 256;

    // Wall time, and the processor time of the whole process (every thread), which other programs
    // on a shared machine disturb far less.
    struct Cost {
        double wall = 0, cpu = 0;
        Cost& operator+=(const Cost& o) {
            wall += o.wall, cpu += o.cpu;
            return *this;
        }
    };
    auto cpuSeconds = [] {
        rusage use{};
        getrusage(RUSAGE_SELF, &use);
        auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
        return seconds(use.ru_utime) + seconds(use.ru_stime);
    };
    auto convert = [&](const TlvFilesRecord& job) {
        jobs.rows = {job};
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = cpuSeconds();
        batch.Start();
        while (batch.Running())
            dispatcher.ServeUntil([&] { return !batch.Running(); }, 1000);
        const Cost cost{std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                        cpuSeconds() - cpuStart};
        fs::remove_all(root / "out");
        return cost;
    };
    struct Source {
        const char* label;
        std::string clip;
        Cost plain, effects, handOver;
    };
    Source sources[] = {{"flat colour bars", flatClip, {}, {}, {}},
                        {"detail texture", detailClip, {}, {}, {}}};
    auto withSource = [](TlvFilesRecord job, const std::string& clip) {
        job.SourceFile = clip;
        return job;
    };
    convert(withSource(plain, flatClip)); // warm-up
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    // A second argument ("plain", "effects" or "handover") converts only that job, so that a
    // profiler or `perf stat` sees one kind of job alone.
    if (argc > 2) {
        const std::string only = argv[2];
        const TlvFilesRecord* job = only == "plain"      ? &plain
                                    : only == "effects"  ? &effects
                                    : only == "handover" ? &handOver
                                                         : nullptr;
        if (job == nullptr) {
            std::fprintf(stderr, "unknown job \"%s\": plain, effects or handover\n", only.c_str());
            return 2;
        }
        for (int i = 0; i < rounds; ++i)
            for (const Source& source : sources)
                convert(withSource(*job, source.clip));
        std::printf("converted job \"%s\" %d times per source\n", only.c_str(), rounds);
        SetMainThreadDispatcher(nullptr);
        fs::remove_all(root);
        return 0;
    }
    for (int i = 0; i < rounds; ++i)
        for (Source& source : sources) {
            source.plain += convert(withSource(plain, source.clip));
            source.effects += convert(withSource(effects, source.clip));
            source.handOver += convert(withSource(handOver, source.clip));
        }
    std::printf("1280x720 30 s to format 803 at 640x480, mean of %d; ratio = with / without effects (target "
                "<= 1.10)\n",
                rounds);
    for (const Source& source : sources) {
        std::printf("%-16s without effects %.3f s (cpu %.3f s), with every effect %.3f s (cpu %.3f s): "
                    "ratio %.3f (cpu %.3f)\n",
                    source.label, source.plain.wall / rounds, source.plain.cpu / rounds,
                    source.effects.wall / rounds, source.effects.cpu / rounds,
                    source.effects.wall / source.plain.wall, source.effects.cpu / source.plain.cpu);
        std::printf(
            "%-16s hook on with an effect that changes nothing: %.3f s (cpu %.3f s): ratio %.3f (cpu %.3f)\n",
            "", source.handOver.wall / rounds, source.handOver.cpu / rounds,
            source.handOver.wall / source.plain.wall, source.handOver.cpu / source.plain.cpu);
    }
    SetMainThreadDispatcher(nullptr);
    fs::remove_all(root);
    return 0;
}
