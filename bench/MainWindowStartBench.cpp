// The desktop program's Start against the command-line converter on the same job: wall time of
// each, alternated in one run, and the ratio (the window must not slow the conversion: aim at
// most 1.03). Also the GUI thread's CPU time per second of conversion while the progress window
// shows the figures and the live picture. Arguments: rounds (default 3).
#include "app/windows/JobListPart.h"
#include "app/windows/MainWindowTest.h"
#include "batch/windows/frmProgress.h"
#include "fixtures/Fixtures.h"
#include "ui/QtMainThreadDispatcher.h"

#include <QApplication>
#include <QElapsedTimer>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace orvel;
using namespace orvel::test;

namespace {

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
double ThreadCpu() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct TWindowRun {
    double Wall = 0;
    double GuiCpu = 0;
};

TWindowRun ConvertThroughWindow(const fs::path& dir, const std::string& source) {
    TAppPaths paths{(dir / "orvelkestrune.ini").string(), (dir / "orvelvideoformat.ini").string()};
    TAppSettings settings{paths.SettingsIniPath};
    TFormatParamStore formats{paths.FormatIniPath, paths.SettingsIniPath};
    TFormatListModel catalog{paths.SettingsIniPath};
    TFFmpegConverter converter;
    converter.LoadLibraries("");
    TFakePlayerFactory players;
    TFakeMainDialogs dialogs;
    TFakeMessageBoxes boxes;
    TFakeSystemActions system;
    TFakeOpenFileDialog openDialog;
    TFakeFolderChooser folders;
    TfrmMain window(TMainWindowParts{.Paths = paths,
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
    openDialog.Answers = {{source}};
    window.findChild<QPushButton*>("btnAdd")->click();
    TWindowRun run;
    const double start = Now();
    const double cpu = ThreadCpu();
    window.findChild<QPushButton*>("btnStart")->click();
    TfrmProgress* progress = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<TfrmProgress*>(top)) progress = p;
    while (progress && progress->isVisible())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    run.Wall = Now() - start;
    run.GuiCpu = ThreadCpu() - cpu;
    window.ExitWithoutAsking = true;
    window.close();
    return run;
}

double ConvertThroughCommandLine(const fs::path& dir, const std::string& source) {
    const std::string program = std::string(ORVEL_BINARY_DIR) + "/orvel-convert";
    const std::string settings = (dir / "orvelkestrune.ini").string();
    const std::string out = (dir / "out").string();
    const double start = Now();
    const pid_t child = fork();
    if (child == 0) {
        execl(program.c_str(), program.c_str(), "--settings", settings.c_str(), "--format", "803",
              "--output-dir", out.c_str(), source.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "orvel-convert failed\n");
    return Now() - start;
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
    recipe.width = 640;
    recipe.height = 360;
    recipe.seconds = 20;
    recipe.detail = true;
    const std::string source = fixtures::Generate(recipe);

    const fs::path dir = fs::temp_directory_path() / ("orvel-start-bench-" + std::to_string(getpid()));
    fs::create_directories(dir / "out");
    fs::copy_file(std::string(ORVEL_BINARY_DIR) + "/orvelvideoformat.ini", dir / "orvelvideoformat.ini");
    std::ofstream(dir / "orvelkestrune.ini")
        << "[settings]\r\nOutPutDir=" << (dir / "out").string() << "\r\nFormatCode=803\r\n";
    QtMainThreadDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);

    std::vector<double> windowWall, cliWall, guiPerSecond;
    for (int r = 0; r < rounds; ++r) {
        const TWindowRun w = ConvertThroughWindow(dir, source);
        fs::remove_all(dir / "out");
        fs::create_directories(dir / "out");
        const double c = ConvertThroughCommandLine(dir, source);
        fs::remove_all(dir / "out");
        fs::create_directories(dir / "out");
        windowWall.push_back(w.Wall);
        cliWall.push_back(c);
        guiPerSecond.push_back(w.GuiCpu / w.Wall * 1000.0);
        std::printf("round %d: window %.2f s, orvel-convert %.2f s, GUI thread %.1f ms CPU per second\n",
                    r + 1, w.Wall, c, w.GuiCpu / w.Wall * 1000.0);
    }
    SetMainThreadDispatcher(nullptr);
    fs::remove_all(dir);
    std::printf(
        "median: window %.2f s, orvel-convert %.2f s, ratio window/orvel-convert %.3f (aim <= 1.03)\n",
        Median(windowWall), Median(cliWall), Median(windowWall) / Median(cliWall));
    std::printf("GUI thread while converting: %.1f ms CPU per second of conversion\n", Median(guiPerSecond));
    return 0;
}
