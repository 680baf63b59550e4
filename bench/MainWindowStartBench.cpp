// The desktop program's Start against the command-line converter on the same job, alternated in
// one run. Both are timed the same way, from the batch's start to its end, in this process: the
// command-line side runs the batch controller with a terminal-less view and the queued
// dispatcher, as orvel-convert does, so process start, library loading and the format list are
// in neither figure. The ratio of the wall times should stay at most 1.03 (the window must not
// slow the conversion). Also the GUI thread's CPU time per second of conversion, which is what
// the progress window, the job list and the live picture cost. Arguments: rounds (default 3).
#include "app/windows/MainWindowTest.h"
#include "batch/LivePicture.h"
#include "batch/windows/frmProgress.h"
#include "engine/component/MainThreadDispatcher.h"
#include "fixtures/Fixtures.h"
#include "formats/OptionBuilder.h"
#include "ui/QtMainThreadDispatcher.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace orvel;
using namespace orvel::test;

namespace {

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
double Cpu(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct TRun {
    double Wall = 0;
    double ProcessCpu = 0; // every thread: the conversion's own work included
    double MainCpu = 0;    // the thread that serves the reports (the GUI thread in the window)
    double StartCall = 0;  // wall time until Start returned: probing, options, the window shown
};

class TMeasure {
public:
    TMeasure() : wall_(Now()), process_(Cpu(CLOCK_PROCESS_CPUTIME_ID)), main_(Cpu(CLOCK_THREAD_CPUTIME_ID)) {}
    TRun Stop() const {
        return {Now() - wall_, Cpu(CLOCK_PROCESS_CPUTIME_ID) - process_,
                Cpu(CLOCK_THREAD_CPUTIME_ID) - main_};
    }

private:
    double wall_, process_, main_;
};

struct TBenchFiles {
    fs::path Dir;
    TAppPaths Paths;
    std::string Source;
    std::string OutDir() const { return (Dir / "out").string(); }
    void EmptyOutput() const {
        fs::remove_all(Dir / "out");
        fs::create_directories(Dir / "out");
    }
};

TRun ConvertThroughWindow(const TBenchFiles& f) {
    TAppSettings settings{f.Paths.SettingsIniPath};
    TFormatParamStore formats{f.Paths.FormatIniPath, f.Paths.SettingsIniPath};
    TFormatListModel catalog{f.Paths.SettingsIniPath};
    TFFmpegConverter converter;
    converter.LoadLibraries("");
    TFakePlayerFactory players;
    TFakeMainDialogs dialogs;
    TFakeMessageBoxes boxes;
    TFakeSystemActions system;
    TFakeOpenFileDialog openDialog;
    TFakeFolderChooser folders;
    QtMainThreadDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);
    TRun run;
    {
        TfrmMain window(TMainWindowParts{.Paths = f.Paths,
                                         .Settings = settings,
                                         .Formats = formats,
                                         .Catalog = catalog,
                                         .Converter = converter,
                                         .Players = players,
                                         .Dialogs = dialogs,
                                         .Boxes = boxes,
                                         .System = system,
                                         .OpenDialog = openDialog,
                                         .Folders = folders});
        window.show();
        openDialog.Answers = {{f.Source}};
        window.findChild<QPushButton*>("btnAdd")->click();
        QApplication::processEvents();
        const TMeasure measure;
        window.findChild<QPushButton*>("btnStart")->click();
        const double started = Now();
        TfrmProgress* progress = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<TfrmProgress*>(top)) progress = p;
        // An event loop that sleeps between events, as the program's own does; a loop of
        // processEvents calls would spin and be counted as the window's cost.
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!progress || !progress->isVisible()) loop.quit();
        });
        poll.start(20);
        loop.exec();
        run = measure.Stop();
        run.StartCall = run.Wall - (Now() - started);
        if (system.Calls.size() != 1) std::fprintf(stderr, "the window's batch did not finish\n");
        window.ExitWithoutAsking = true;
        window.close();
    }
    SetMainThreadDispatcher(nullptr);
    return run;
}

// The command-line side: orvel-convert's batch, its dispatcher and its serving loop.
class TOneJob : public IBatchJobs {
public:
    explicit TOneJob(const std::string& source) { job_.SourceFile = source; }
    int JobCount() const override { return 1; }
    bool JobChecked(int) const override { return true; }
    TlvFilesRecord& Job(int) override { return job_; }

private:
    TlvFilesRecord job_;
};

class TCountingView : public IBatchView {
public:
    void BatchStarted(int) override {}
    void ShowProgress(const TBatchProgress&) override { ++Reports; }
    void SetRowProgress(int, const std::string&) override {}
    void JobFinished(int, int) override { ++Finished; }
    void JobStopped(int, int, bool, const std::string&) override {}
    void JobSkipped(int, const std::string&) override {}
    void BatchEnded() override {}
    bool OpenFolderAfterConversion() const override { return false; }
    bool ShutDownAfterConversion() const override { return false; }
    int Reports = 0;
    int Finished = 0;
};

class TNoSizePrompt : public ISizePrompt {
public:
    bool UseDefaultSize() override { return false; }
};

TRun ConvertThroughCommandLinePath(const TBenchFiles& f) {
    TAppSettings settings{f.Paths.SettingsIniPath};
    TFormatParamStore formats{f.Paths.FormatIniPath, f.Paths.SettingsIniPath};
    TFFmpegConverter converter;
    converter.LoadLibraries("");
    TOneJob jobs(f.Source);
    TCountingView view;
    TFakeSystemActions system;
    TNoSizePrompt prompt;
    TFakeMessageBoxes boxes;
    QueuedDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);
    TRun run;
    {
        TBatchController batch(converter, formats, settings, jobs, view, system, prompt, boxes, f.OutDir());
        TBatchOverrides overrides;
        overrides.FormatCode = 803;
        overrides.OutputDir = f.OutDir();
        batch.SetOverrides(overrides);
        const TMeasure measure;
        const bool running = batch.Start() > 0;
        const double started = Now();
        if (running)
            while (batch.Running())
                dispatcher.ServeUntil([&] { return !batch.Running(); }, 100);
        run = measure.Stop();
        run.StartCall = run.Wall - (Now() - started);
        if (view.Finished != 1) std::fprintf(stderr, "the command-line batch did not finish\n");
    }
    SetMainThreadDispatcher(nullptr);
    return run;
}

// One refresh of the live picture from a frame of the clip's size, on this thread: the part of
// the GUI thread's cost that grows with the frame size.
double LivePictureMilliseconds(int width, int height) {
    Bitmap24 frame(width, height);
    fixtures::PaintFrame(frame, 0, width, height);
    QPixmap shown;
    constexpr int kRefreshes = 50;
    const double start = Cpu(CLOCK_THREAD_CPUTIME_ID);
    for (int i = 0; i < kRefreshes; ++i)
        shown = QPixmap::fromImage(LivePicture(frame));
    return (Cpu(CLOCK_THREAD_CPUTIME_ID) - start) * 1000.0 / kRefreshes;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    fixtures::ClipRecipe recipe;
    recipe.container = "avi";
    recipe.videoCodec = "mpeg4";
    recipe.audioCodec = "libmp3lame";
    // Long enough that the start's one-time work (probing, showing the window) is a small part.
    recipe.width = 1280;
    recipe.height = 720;
    recipe.seconds = 60;
    recipe.detail = true;
    const fs::path dir = fs::temp_directory_path() / ("orvel-start-bench-" + std::to_string(getpid()));
    const TBenchFiles files{dir,
                            {(dir / "orvelkestrune.ini").string(), (dir / "orvelvideoformat.ini").string()},
                            fixtures::Generate(recipe)};
    files.EmptyOutput();
    fs::copy_file(std::string(ORVEL_BINARY_DIR) + "/orvelvideoformat.ini", files.Paths.FormatIniPath);
    std::ofstream(files.Paths.SettingsIniPath)
        << "[settings]\r\nOutPutDir=" << files.OutDir() << "\r\nFormatCode=803\r\n";

    std::vector<double> windowWall, cliWall, windowCpu, cliCpu, guiPerSecond, cliMainPerSecond, windowStart,
        cliStart;
    for (int r = 0; r < rounds; ++r) {
        // Alternate which side goes first, so a slow spell of the machine hits both alike.
        TRun w, c;
        if (r % 2 == 0) {
            w = ConvertThroughWindow(files);
            files.EmptyOutput();
            c = ConvertThroughCommandLinePath(files);
        } else {
            c = ConvertThroughCommandLinePath(files);
            files.EmptyOutput();
            w = ConvertThroughWindow(files);
        }
        files.EmptyOutput();
        windowWall.push_back(w.Wall);
        cliWall.push_back(c.Wall);
        windowCpu.push_back(w.ProcessCpu);
        cliCpu.push_back(c.ProcessCpu);
        guiPerSecond.push_back(w.MainCpu / w.Wall * 1000.0);
        cliMainPerSecond.push_back(c.MainCpu / c.Wall * 1000.0);
        windowStart.push_back(w.StartCall * 1000.0);
        cliStart.push_back(c.StartCall * 1000.0);
        std::printf("round %d: window %.2f s wall %.2f s CPU, command-line path %.2f s wall %.2f s CPU; "
                    "main thread %.1f vs %.1f ms CPU per second\n",
                    r + 1, w.Wall, w.ProcessCpu, c.Wall, c.ProcessCpu, guiPerSecond.back(),
                    cliMainPerSecond.back());
    }
    fs::remove_all(dir);
    std::printf("median wall: window %.2f s, command-line path %.2f s, ratio %.3f (aim <= 1.03)\n",
                Median(windowWall), Median(cliWall), Median(windowWall) / Median(cliWall));
    std::printf("median Start call: window %.0f ms, command-line path %.0f ms\n", Median(windowStart),
                Median(cliStart));
    std::printf("median CPU (all threads): window %.2f s, command-line path %.2f s, ratio %.3f\n",
                Median(windowCpu), Median(cliCpu), Median(windowCpu) / Median(cliCpu));
    std::printf("live picture refresh of a %dx%d frame: %.2f ms CPU (ten a second while converting)\n",
                recipe.width, recipe.height, LivePictureMilliseconds(recipe.width, recipe.height));
    std::printf("GUI thread while converting: %.1f ms CPU per second of conversion "
                "(the command-line path's main thread: %.1f)\n",
                Median(guiPerSecond), Median(cliMainPerSecond));
    return 0;
}
