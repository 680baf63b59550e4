// Adds 100 media files to the job list the way the Add command does (a temporary conversion
// task per file to read its length, the destination name, the job record) and times it beside
// the probe alone opening the same files. Prints the time per file of both and the share the
// job list adds on top of the probe; that share should stay under 20 %. The temporary task is
// timed on its own too, so the conversion component's part and the job list's part show apart.
#include "app/JobAdder.h"
#include "app/JobListModel.h"
#include "app/store/AppSettings.h"
#include "app/store/MessageBoxes.h"
#include "engine/component/FFmpegConverter.h"
#include "engine/foundation/FFmpegLoader.h"
#include "fixtures/Fixtures.h"
#include "formats/FormatParams.h"
#include "probe/AVProbe.h"

#include <QApplication>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <unistd.h>

namespace {

using namespace orvel;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Wall and process CPU time in milliseconds; the CPU figure is the steadier one on a busy machine.
struct TTimes {
    double Wall = 1e300, Cpu = 1e300;
    void KeepBest(const TTimes& other) {
        Wall = std::min(Wall, other.Wall);
        Cpu = std::min(Cpu, other.Cpu);
    }
};

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

class TStopwatch {
public:
    TTimes Elapsed() const {
        return {std::chrono::duration<double, std::milli>(Clock::now() - wall_).count(), CpuMs() - cpu_};
    }

private:
    Clock::time_point wall_ = Clock::now();
    double cpu_ = CpuMs();
};

class TSilentBoxes : public IMessageBoxes {
public:
    TMsgResult Show(const std::string&, const std::string&, TMsgIcon, TMsgButtons) override {
        return TMsgResult::Ok;
    }
};

std::vector<std::string> MakeFiles(const fs::path& dir, int count) {
    const fixtures::FixtureId kinds[] = {fixtures::FixtureId::Mp4, fixtures::FixtureId::Avi,
                                         fixtures::FixtureId::MpegTs, fixtures::FixtureId::Mp3};
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        const fs::path source = fixtures::Path(kinds[i % 4]);
        const fs::path copy = dir / ("file" + std::to_string(i) + source.extension().string());
        fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
        files.push_back(copy.string());
    }
    return files;
}

TTimes ProbeAlone(const std::vector<std::string>& files) {
    const TStopwatch watch;
    for (const std::string& f : files) {
        TAVProbe probe;
        TFileStreamInfo info;
        if (!probe.LoadFile(f) || !probe.GetFileStreamInfo(info))
            std::fprintf(stderr, "probe failed: %s\n", f.c_str());
    }
    return watch.Elapsed();
}

// The temporary task alone, as the add makes it for each file: open, read the length, remove.
TTimes TaskAlone(const std::vector<std::string>& files) {
    TFFmpegConverter converter;
    converter.LoadLibraries("");
    const TStopwatch watch;
    for (const std::string& f : files) {
        TInputOptions options;
        InitInputOptions(options);
        options.FileName = f;
        const int task = converter.AddTask(f, &options);
        TFileStreamInfo info;
        if (task < 0 || !converter.GetTaskProbe(task, 0)->GetFileStreamInfo(info))
            std::fprintf(stderr, "task failed: %s\n", f.c_str());
        converter.RemoveTask(task);
        converter.ClearTasks();
    }
    return watch.Elapsed();
}

// rows: the time the list's model and view take for the new rows, within the whole add.
TTimes AddToJobList(const std::vector<std::string>& files, const fs::path& dir, size_t& added, TTimes& rows) {
    TFFmpegConverter converter;
    converter.LoadLibraries("");
    TSilentBoxes boxes;
    TFormatParamStore formats(ORVEL_BINARY_DIR "/orvelvideoformat.ini", (dir / "set.ini").string());
    TAppSettings settings((dir / "set.ini").string());
    settings.SetOutPutDir((dir / "out").string());
    TJobAdder adder(converter, formats, settings, boxes, (dir / "default").string());
    TJobListModel list; // the main window's list: its model, shown in a view
    QTreeView view;
    view.setModel(&list);
    const TStopwatch watch;
    auto jobs = adder.Probe(files, [&](const std::string& p) { return list.Contains(p); });
    const TStopwatch rowsWatch;
    for (auto& job : jobs)
        list.Add(std::move(job));
    rows.KeepBest(rowsWatch.Elapsed());
    added = static_cast<size_t>(list.JobCount());
    return watch.Elapsed();
    return watch.Elapsed();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const fs::path dir = fs::temp_directory_path() / ("orvel_bench_add_" + std::to_string(::getpid()));
    fs::create_directories(dir / "out");
    const auto files = MakeFiles(dir, 100);
    if (!FFLoader().Load(kConverterLibraries)) {
        std::fprintf(stderr, "libraries: %s\n", FFLoader().LastError().c_str());
        return 1;
    }
    {
        TAVProbe warm; // libraries loaded and caches warm before either timing
        warm.LoadFile(files[0]);
    }
    TTimes probe, task, add, rows;
    size_t added = 0;
    for (int round = 0; round < 5; ++round) { // best of five, alternating, against a busy machine
        probe.KeepBest(ProbeAlone(files));
        task.KeepBest(TaskAlone(files));
        add.KeepBest(AddToJobList(files, dir, added, rows));
    }
    const double n = static_cast<double>(files.size());
    std::printf("files: %zu, added: %zu (ms per file: wall / CPU)\n", files.size(), added);
    std::printf("probe alone:      %.3f / %.3f\n", probe.Wall / n, probe.Cpu / n);
    std::printf("temporary task:   %.3f / %.3f (the conversion component opening the file)\n", task.Wall / n,
                task.Cpu / n);
    std::printf("job list add:     %.3f / %.3f\n", add.Wall / n, add.Cpu / n);
    std::printf("  of it the rows: %.3f / %.3f (the list's model and view)\n", rows.Wall / n, rows.Cpu / n);
    std::printf("engine task over the probe (wall / CPU): %.1f %% / %.1f %%\n",
                100.0 * (task.Wall - probe.Wall) / probe.Wall, 100.0 * (task.Cpu - probe.Cpu) / probe.Cpu);
    std::printf("job list's own share (add minus task) of the probe's time (wall / CPU): %.1f %% / %.1f %% "
                "(limit 20 %%)\n",
                100.0 * (add.Wall - task.Wall) / probe.Wall, 100.0 * (add.Cpu - task.Cpu) / probe.Cpu);
    fs::remove_all(dir);
    return added == files.size() ? 0 : 1;
}
