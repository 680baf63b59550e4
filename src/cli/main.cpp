// orvel-convert: converts files with the desktop program's formats and settings from a terminal.
#include "app/store/AppSettings.h"
#include "app/store/GlobalObject.h"
#include "batch/BatchController.h"
#include "batch/Destination.h"
#include "engine/component/FFmpegConverter.h"
#include "engine/component/MainThreadDispatcher.h"
#include "formats/FormatParams.h"
#include "formats/OptionBuilder.h"
#include "probe/AVProbe.h"

#include <QGuiApplication>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <unistd.h>

using namespace orvel;

namespace orvel::cli {
bool FormatCodeExists(int code);
void PrintFormats(std::ostream& out);
void ProvideRuntimeDir();
} // namespace orvel::cli

namespace {

constexpr const char* kUsage = R"USAGE(Usage:
  orvel-convert [options] FILE...
  orvel-convert --list-formats
  orvel-convert --info FILE

Converts each FILE into the output folder, named as the desktop program names it
("<name>_(new).<ext>", or "_(new_N)" when that exists). Existing files are never overwritten.

Options:
  --format CODE          output format code (see --list-formats); default: the stored "FormatCode"
  --output-dir DIR       output folder; default: the stored "OutPutDir"
  --start SEC            start the conversion at SEC seconds
  --length SEC           convert SEC seconds
  --crop T,L,B,R         crop margins in source pixels (even, not negative)
  --zoom full|lbox|pan   fit of the picture; default: the format's stored zoom
  --brightness N         255 is neutral
  --contrast N           0 is neutral
  --saturation N         255 is neutral
  --exposure N           0 is neutral
  --text TEXT            watermark text, placed with --text-pos X,Y
  --image BMP            overlay picture, placed with --image-pos X,Y, opacity --image-alpha A (0..255)
  --default-size         when the format's stored frame size is unusable, convert at 320x240
                         (without it, the source's size is kept)
  --default-choices      store the format's default choices again first, replacing those
                         chosen before (as the Default button does)
  --settings FILE        settings file to use instead of the desktop program's
  --help                 this text

The format's choices are those stored by the desktop program in the settings file; a format
never chosen before converts with its default choices, which are then stored.
Exit status: 0 when every file was converted, 1 when any failed, 2 on a usage error.
)USAGE";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::atomic<bool> gInterrupted{false};
void OnSignal(int) {
    gInterrupted = true;
}

int ToInt(const std::string& option, const std::string& text) {
    try {
        size_t used = 0;
        const int v = std::stoi(text, &used);
        if (used == text.size()) return v;
    } catch (const std::exception&) {
    }
    throw UsageError(option + ": not a whole number: " + text);
}

double ToSeconds(const std::string& option, const std::string& text) {
    try {
        size_t used = 0;
        const double v = std::stod(text, &used);
        if (used == text.size() && v >= 0 && v < 1e9) return v;
    } catch (const std::exception&) {
    }
    throw UsageError(option + ": not a number of seconds: " + text);
}

std::vector<int> ToInts(const std::string& option, const std::string& text, size_t count) {
    std::vector<int> values;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        values.push_back(ToInt(option, item));
    if (values.size() != count)
        throw UsageError(option + ": expected " + std::to_string(count) + " numbers separated by commas");
    return values;
}

struct Options {
    std::vector<std::string> files;
    TBatchOverrides overrides;
    TlvFilesRecord job; // effect, trim and crop values shared by every file
    std::string settingsFile;
    bool defaultSize = false;
    bool defaultChoices = false;
    bool listFormats = false;
    bool help = false;
    std::string infoFile;
};

Options Parse(int argc, char** argv) {
    Options o;
    auto value = [&](int& i, const std::string& name) -> std::string {
        if (i + 1 >= argc) throw UsageError(name + " needs a value");
        return argv[++i];
    };
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h")
            o.help = true;
        else if (a == "--list-formats")
            o.listFormats = true;
        else if (a == "--info")
            o.infoFile = value(i, a);
        else if (a == "--settings")
            o.settingsFile = value(i, a);
        else if (a == "--default-size")
            o.defaultSize = true;
        else if (a == "--default-choices")
            o.defaultChoices = true;
        else if (a == "--format") {
            const int code = ToInt(a, value(i, a));
            if (!cli::FormatCodeExists(code))
                throw UsageError("--format: no format has the code " + std::to_string(code));
            o.overrides.FormatCode = code;
        } else if (a == "--output-dir")
            o.overrides.OutputDir = value(i, a);
        else if (a == "--start")
            o.job.TrimStart = static_cast<int64_t>(ToSeconds(a, value(i, a)) * 1e6);
        else if (a == "--length")
            o.job.TrimLength = static_cast<int64_t>(ToSeconds(a, value(i, a)) * 1e6);
        else if (a == "--crop") {
            const auto v = ToInts(a, value(i, a), 4);
            for (int m : v)
                if (m < 0 || m % 2 != 0) throw UsageError("--crop: margins must be even and not negative");
            o.job.CropTop = v[0], o.job.CropLeft = v[1], o.job.CropBottom = v[2], o.job.CropRight = v[3];
        } else if (a == "--zoom") {
            const std::string z = value(i, a);
            if (z != "full" && z != "lbox" && z != "pan")
                throw UsageError("--zoom: expected full, lbox or pan");
            o.overrides.ZoomMode = z;
        } else if (a == "--brightness")
            o.job.Brightness = ToInt(a, value(i, a));
        else if (a == "--contrast")
            o.job.Contrast = ToInt(a, value(i, a));
        else if (a == "--saturation")
            o.job.Saturation = ToInt(a, value(i, a));
        else if (a == "--exposure")
            o.job.Exposure = ToInt(a, value(i, a));
        else if (a == "--text")
            o.job.WatermarkText = value(i, a);
        else if (a == "--text-pos") {
            const auto v = ToInts(a, value(i, a), 2);
            o.job.TextLeft = v[0], o.job.TextTop = v[1];
        } else if (a == "--image")
            o.job.WatermarkImage = value(i, a);
        else if (a == "--image-pos") {
            const auto v = ToInts(a, value(i, a), 2);
            o.job.ImageLeft = v[0], o.job.ImageTop = v[1];
        } else if (a == "--image-alpha") {
            o.job.ImageAlpha = ToInt(a, value(i, a));
            if (o.job.ImageAlpha < 0 || o.job.ImageAlpha > 255)
                throw UsageError("--image-alpha: expected 0..255");
        } else if (a.size() > 1 && a[0] == '-')
            throw UsageError("unknown option " + a);
        else
            o.files.push_back(a);
    }
    if (o.help || o.listFormats) return o;
    if (!o.infoFile.empty()) return o;
    if (o.files.empty()) throw UsageError("no input file given");
    if (!o.job.WatermarkImage.empty() && !std::filesystem::is_regular_file(o.job.WatermarkImage))
        throw UsageError("--image: no such file: " + o.job.WatermarkImage);
    return o;
}

class Jobs : public IBatchJobs {
public:
    std::vector<TlvFilesRecord> rows;
    int JobCount() const override { return static_cast<int>(rows.size()); }
    bool JobChecked(int) const override { return true; }
    TlvFilesRecord& Job(int row) override { return rows[static_cast<size_t>(row)]; }
};

class SizeAnswer : public ISizePrompt {
public:
    explicit SizeAnswer(bool yes) : yes_(yes) {}
    bool UseDefaultSize() override { return yes_; }

private:
    bool yes_;
};

class StderrBoxes : public IMessageBoxes {
public:
    TMsgResult Show(const std::string& text, const std::string& caption, TMsgIcon, TMsgButtons) override {
        std::cerr << caption << ": " << text << "\n";
        return TMsgResult::No;
    }
};

class NoSystemActions : public ISystemActions {
public:
    void OpenFolder(const std::string&) override {}
    void OpenAddress(const std::string&) override {}
    void ShutDown() override {}
};

std::string Clock(double seconds) {
    const long s = static_cast<long>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

// Progress on the terminal: one redrawn bar line; plain lines when the output is not a terminal.
class TerminalView : public IBatchView {
public:
    explicit TerminalView(Jobs& jobs) : jobs_(jobs), tty_(isatty(STDOUT_FILENO) != 0) {}

    void BatchStarted(int) override {}
    void ShowProgress(const TBatchProgress& p) override {
        using namespace std::chrono;
        if (p.TaskIndex != task_) {
            task_ = p.TaskIndex;
            started_ = steady_clock::now();
            lastPercent_ = -2;
        }
        const double wall = duration<double>(steady_clock::now() - started_).count();
        const double media = p.Info.CurrentDuration / 1e6;
        // Too early a figure says nothing about the speed.
        const double speed = wall > 0.5 ? media / wall : 0;
        std::string line = p.Counter + " " + p.Output + "  ";
        if (p.Percent >= 0) {
            const int filled = p.Percent / 5;
            line += std::to_string(p.Percent) + "% [" + std::string(filled, '#') +
                    std::string(20 - filled, '.') + "]";
        } else {
            line += p.Time;
        }
        if (speed > 0) {
            char extra[32];
            std::snprintf(extra, sizeof extra, "  %.1fx", speed);
            line += extra;
        }
        if (p.Percent >= 0 && speed > 0)
            line += "  left " + Clock((p.Info.TotalDuration - p.Info.CurrentDuration) / 1e6 / speed);
        if (tty_) {
            std::cout << "\r" << line << "\033[K" << std::flush;
        } else if (p.Percent / 10 != lastPercent_ / 10 || p.Percent < 0) {
            std::cout << line << "\n";
        }
        lastPercent_ = p.Percent;
    }
    void SetRowProgress(int, const std::string&) override {}
    void JobFinished(int, int row) override { EndLine("done: " + jobs_.Job(row).SourceFile); }
    void JobStopped(int, int row, bool failed, const std::string& message) override {
        EndLine((failed ? "failed: " : "stopped: ") + jobs_.Job(row).SourceFile +
                (message.empty() ? "" : ": " + message));
    }
    void JobSkipped(int, const std::string& message) override { EndLine("skipped: " + message); }
    void JobOutsideDevice(int row, const std::string& note) override {
        EndLine("note: " + jobs_.Job(row).SourceFile + ": " + note);
    }
    void BatchEnded() override {}
    bool OpenFolderAfterConversion() const override { return false; }
    bool ShutDownAfterConversion() const override { return false; }

private:
    void EndLine(const std::string& text) {
        if (tty_) std::cout << "\r\033[K";
        std::cout << text << std::endl;
    }
    Jobs& jobs_;
    bool tty_;
    int task_ = -1;
    int lastPercent_ = -2;
    std::chrono::steady_clock::time_point started_;
};

int Info(const std::string& file) {
    TFFmpegConverter converter;
    if (!converter.LoadLibraries(ExecutableLibraryFolder())) {
        std::cerr << converter.LastErrorMessage() << "\n";
        return 1;
    }
    TAVProbe& probe = converter.Probe();
    if (!probe.LoadFile(file)) {
        std::cerr << file << ": " << probe.LastErrorMessage() << "\n";
        return 1;
    }
    std::cout << probe.InfoText() << "\n";
    return 0;
}

int Convert(Options& o) {
    const TAppPaths paths = TAppPaths::ForExecutable();
    const std::string settingsPath = o.settingsFile.empty() ? paths.SettingsIniPath : o.settingsFile;
    // A settings file named on the command line may be the first in its folder.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(settingsPath).parent_path(), ignored);
    TAppSettings settings(settingsPath);
    TFormatParamStore store(paths.FormatIniPath, settingsPath);
    const int code = o.overrides.FormatCode.value_or(settings.FormatCodeForJobs());
    if (o.defaultChoices && !store.Reset(code)) {
        std::cerr << "cannot store the format's default choices in " << settingsPath << "\n";
        return 1;
    }

    TFFmpegConverter converter;
    if (!converter.LoadLibraries(ExecutableLibraryFolder())) {
        std::cerr << converter.LastErrorMessage() << "\n";
        return 1;
    }
    Jobs jobs;
    for (size_t k = 0; k < o.files.size(); ++k) {
        TlvFilesRecord job = o.job;
        job.AddIndex = static_cast<int>(k);
        job.SourceFile = o.files[k];
        jobs.rows.push_back(job);
    }
    QueuedDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);
    TerminalView view(jobs);
    NoSystemActions system;
    SizeAnswer prompt(o.defaultSize);
    StderrBoxes boxes;
    int status = 0;
    {
        TBatchController batch(converter, store, settings, jobs, view, system, prompt, boxes,
                               DefaultKestruneDir());
        batch.SetOverrides(o.overrides);
        try {
            if (batch.Start() > 0) {
                bool cancelled = false;
                while (batch.Running()) {
                    dispatcher.ServeUntil([&] { return !batch.Running() || gInterrupted.load(); }, 100);
                    if (gInterrupted && !cancelled) {
                        cancelled = true;
                        batch.Cancel();
                    }
                }
            }
        } catch (const std::exception& e) {
            std::cerr << "error: " << e.what() << "\n";
            status = 1;
        }
        for (const TJobResult& r : batch.Results()) {
            if (r.Outcome != TJobOutcome::Finished) status = 1;
        }
    }
    SetMainThreadDispatcher(nullptr);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = Parse(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "orvel-convert: " << e.what() << "\nTry 'orvel-convert --help'.\n";
        return 2;
    }
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }
    if (options.listFormats) {
        cli::PrintFormats(std::cout);
        return 0;
    }
    // Watermark text needs fonts, which come with a GUI application; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    cli::ProvideRuntimeDir();
    QGuiApplication app(argc, argv);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    if (!options.infoFile.empty()) return Info(options.infoFile);
    return Convert(options);
}
