#include "engine/component/FFmpegConverter.h"

#include "engine/component/MainThreadDispatcher.h"
#include "engine/foundation/FFmpegLoader.h"
#include "engine/foundation/FFmpegLogger.h"
#include "engine/foundation/StringUtils.h"
#include "probe/AVProbe.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <future>
#include <stdexcept>
#include <utility>
#include <vector>

namespace orvel {
namespace {

constexpr int kMaxFiles = TCustomFFmpeg::kMaxFiles;

struct OptionLine {
    std::string Name; // lower case
    std::string Value;
};

// The option text: trimmed, any line break or the literal "<CRLF>" separates lines, each line
// is "name=value" split at the first "=" (no "=": an empty value).
std::vector<OptionLine> SplitOptionText(const std::string& text) {
    std::string s = Trim(text);
    std::string normalised;
    normalised.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            normalised += '\n';
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else if (s.compare(i, 6, "<CRLF>") == 0) {
            normalised += '\n';
            i += 5;
        } else {
            normalised += s[i];
        }
    }
    std::vector<OptionLine> lines;
    size_t start = 0;
    while (start <= normalised.size()) {
        size_t end = normalised.find('\n', start);
        if (end == std::string::npos) end = normalised.size();
        const std::string line = normalised.substr(start, end - start);
        start = end + 1;
        if (Trim(line).empty()) continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            lines.push_back({Lower(line), std::string()});
        else
            lines.push_back({Lower(line.substr(0, eq)), line.substr(eq + 1)});
    }
    return lines;
}

bool IsOneOf(const std::string& name, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

// Stream lines handled per added stream rather than applied as the options are read.
bool IsStreamLine(const std::string& name) {
    return IsOneOf(name, {"newvideo", "newaudio", "newsubtitle", "apre", "vpre", "spre", "vfilters", "vf"});
}
bool IsPerStreamName(const std::string& name) {
    return IsOneOf(name, {"acodec", "vcodec", "scodec", "apre", "vpre", "spre", "s", "vfilters", "vf"});
}

// A duration option value: signed seconds with six decimals.
std::string DurationText(int64_t microseconds) {
    const bool negative = microseconds < 0;
    const uint64_t magnitude =
        negative ? static_cast<uint64_t>(-(microseconds + 1)) + 1 : static_cast<uint64_t>(microseconds);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%" PRIu64 ".%06" PRIu64, negative ? "-" : "", magnitude / 1000000,
                  magnitude % 1000000);
    return buf;
}

std::string FloatText(double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", value);
    return buf;
}

// A date-time in days since 1899-12-30, local time, as a UTC date text for "timestamp".
std::string TimestampText(double days) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const double offsetDays = static_cast<double>(local.tm_gmtoff) / 86400.0;
    const std::time_t seconds =
        static_cast<std::time_t>(std::llround((days - 25569.0 - offsetDays) * 86400.0));
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buf;
}

// The per-stream lines of an output's option text. Each name has a default: the record's value,
// else the first line's. Each added stream takes the first per-stream value of each of its
// names, else the default, whatever the position of those lines relative to the "new..." line.
class TPerStreamOptions {
public:
    TPerStreamOptions(const TOutputOptions& o, const std::vector<OptionLine>& lines)
        : defaults_{{"acodec", o.AudioCodec}, {"vcodec", o.VideoCodec}, {"scodec", o.SubtitleCodec},
                    {"apre", o.AudioPreset},  {"vpre", o.VideoPreset},  {"spre", o.SubtitlePreset},
                    {"s", o.FrameSize},       {"vf", o.VideoFilters}} {
        for (const OptionLine& line : lines) {
            if (!IsPerStreamName(line.Name) || line.Value.empty()) continue;
            OptionLine entry{line.Name == "vfilters" ? "vf" : line.Name, line.Value};
            std::string& def = DefaultOf(entry.Name);
            if (def.empty()) def = entry.Value;
            lines_.push_back(std::move(entry));
        }
    }

    // An empty value would name no codec and undo what a target chose.
    void ApplyDefault(TFFmpeg& task, const char* name) {
        if (!DefaultOf(name).empty()) task.ParseOption(name, DefaultOf(name));
    }

    // Runs the "new..." lines, each after the values of its stream's names.
    void AddStreams(TFFmpeg& task, const std::vector<OptionLine>& lines) {
        for (const OptionLine& line : lines) {
            static const std::vector<const char*> kAudio = {"acodec", "apre"};
            static const std::vector<const char*> kVideo = {"vcodec", "vpre", "s", "vf"};
            static const std::vector<const char*> kSubtitle = {"scodec", "spre"};
            const std::vector<const char*>* names = nullptr;
            if (line.Name == "newaudio")
                names = &kAudio;
            else if (line.Name == "newvideo")
                names = &kVideo;
            else if (line.Name == "newsubtitle")
                names = &kSubtitle;
            else
                continue;
            for (const char* name : *names) {
                auto it = std::find_if(lines_.begin(), lines_.end(),
                                       [name](const OptionLine& e) { return e.Name == name; });
                if (it != lines_.end()) {
                    task.ParseOption(name, it->Value);
                    lines_.erase(it);
                } else {
                    ApplyDefault(task, name);
                }
            }
            task.ParseOption(line.Name, line.Value);
        }
    }

private:
    struct Default {
        const char* Name;
        std::string Value;
    };

    std::string& DefaultOf(const std::string& name) {
        for (Default& d : defaults_)
            if (name == d.Name) return d.Value;
        throw std::logic_error("no default for " + name);
    }

    Default defaults_[8];
    std::vector<OptionLine> lines_; // the per-stream lines not taken yet
};

void ApplyOutputTarget(TFFmpeg& task, const TOutputOptions& o) {
    if (o.Target >= 1 && o.Target <= 3) {
        static const char* const kTypes[] = {"vcd", "svcd", "dvd"};
        // An automatic norm is guessed from the frame rates, else the task's default norm holds.
        const char* norm = o.TargetNorm == 1 ? "pal" : o.TargetNorm == 2 ? "ntsc" : "auto";
        task.ApplyTarget(kTypes[o.Target - 1], norm, o.TargetDefaultNorm == 1 ? "pal" : "ntsc");
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

TCustomFFmpegConverter::TCustomFFmpegConverter() : probe_(std::make_unique<TAVProbe>()) {}

TCustomFFmpegConverter::~TCustomFFmpegConverter() {
    DetachEvents();
    Stop(true);
    std::vector<TaskPtr> tasks;
    {
        std::lock_guard lock(listMutex_);
        tasks = tasks_.ExtractAll();
    }
    DropTasks(std::move(tasks));
    ReapThreads(true);
}

std::string TCustomFFmpegConverter::LastErrorMessage() const {
    return ReadProperty(lastErrorMessage_);
}

void TCustomFFmpegConverter::SetLastError(const std::string& text) {
    WriteProperty(lastErrorMessage_, text);
}

bool TCustomFFmpegConverter::Preview() const {
    return ReadProperty(preview_);
}

bool TCustomFFmpegConverter::PreviewBitmap() const {
    return ReadProperty(previewBitmap_);
}

void TCustomFFmpegConverter::SetPreview(bool value) {
    int flags;
    {
        std::lock_guard lock(propsMutex_);
        preview_ = value;
        flags = (preview_ ? kPreviewWindow : 0) | (previewBitmap_ ? kPreviewBitmap : 0);
    }
    // Tasks that exist already follow the change, running ones included.
    for (const TaskPtr& task : Snapshot())
        task->SetPreviewFlags(flags);
}

void TCustomFFmpegConverter::SetPreviewBitmap(bool value) {
    WriteProperty(previewBitmap_, value);
    SetPreview(Preview());
}

int TCustomFFmpegConverter::ProgressInterval() const {
    return ReadProperty(progressInterval_);
}

void TCustomFFmpegConverter::SetProgressInterval(int value) {
    WriteProperty(progressInterval_, std::max(value, 100));
}

TThreadPriority TCustomFFmpegConverter::ThreadPriority() const {
    return ReadProperty(threadPriority_);
}

void TCustomFFmpegConverter::SetThreadPriority(TThreadPriority value) {
    WriteProperty(threadPriority_, value);
}

bool TCustomFFmpegConverter::TriggerEventInMainThread() const {
    return ReadProperty(triggerEventInMainThread_);
}

void TCustomFFmpegConverter::SetTriggerEventInMainThread(bool value) {
    WriteProperty(triggerEventInMainThread_, value);
}

int TCustomFFmpegConverter::Verbosity() const {
    return ReadProperty(verbosity_);
}

void TCustomFFmpegConverter::SetVerbosity(int value) {
    WriteProperty(verbosity_, value);
}

void TCustomFFmpegConverter::DetachEvents() {
    std::lock_guard lock(eventsMutex_);
    ++eventsGeneration_; // reports already on their way are dropped too
    OnCustomHook = nullptr;
    OnPreviewBitmap = nullptr;
    OnProgress = nullptr;
    OnTerminate = nullptr;
}

bool TCustomFFmpegConverter::Working() const {
    std::lock_guard lock(terminateLock_);
    return working_;
}

bool TCustomFFmpegConverter::AllDone() const {
    std::lock_guard lock(terminateLock_);
    return allDone_;
}

void TCustomFFmpegConverter::RaiseWorking(const char* operation) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "Cannot %s while working.", operation);
    throw std::runtime_error(buf);
}

void TCustomFFmpegConverter::CheckNotWorking(const char* operation) const {
    if (Working()) RaiseWorking(operation);
}

TCustomFFmpegConverter::TaskPtr TCustomFFmpegConverter::TaskAt(int index) const {
    std::lock_guard lock(listMutex_);
    if (index < 0 || index >= tasks_.Count()) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "List index out of bounds (%d)", index);
        throw std::out_of_range(buf);
    }
    return tasks_[index];
}

int TCustomFFmpegConverter::IndexOfTask(const TCustomFFmpeg& task) const {
    std::lock_guard lock(listMutex_);
    return tasks_.IndexOf(&task);
}

std::vector<TCustomFFmpegConverter::TaskPtr> TCustomFFmpegConverter::Snapshot() const {
    std::lock_guard lock(listMutex_);
    return tasks_.Snapshot();
}

int TCustomFFmpegConverter::TaskCount() const {
    std::lock_guard lock(listMutex_);
    return tasks_.Count();
}

TAVProbe* TCustomFFmpegConverter::GetTaskProbe(int taskIndex, int fileIndex) const {
    return TaskAt(taskIndex)->Probe(fileIndex);
}

// ---------------------------------------------------------------------------------------------

bool TCustomFFmpegConverter::LoadLibraries(const std::string& folder) {
    TFFmpegLoader& loader = FFLoader();
    loader.SetLibraryFolder(folder);
    if (loader.Load(kConverterLibraries)) return true;
    SetLastError(loader.LastError());
    return false;
}

void TCustomFFmpegConverter::ApplyExtOptions(TFFmpeg& task, const std::string& text, bool forOutput) {
    for (const OptionLine& line : SplitOptionText(text)) {
        if (IsStreamLine(line.Name)) continue;
        if (forOutput && IsOneOf(line.Name, {"acodec", "vcodec", "scodec", "s"})) continue;
        task.ParseOption(line.Name, line.Value);
    }
}

int TCustomFFmpegConverter::AddTask(const std::string& fileName, const TInputOptions* options) {
    CheckNotWorking("AddTask");
    auto task = std::make_shared<TFFmpeg>();
    try {
        task->ResetOptions();
        task->SetVerbosity(Verbosity());
        task->SetPreviewFlags((Preview() ? kPreviewWindow : 0) | (PreviewBitmap() ? kPreviewBitmap : 0));
        task->OnPreview = [this](TCustomFFmpeg& sender, const TPreviewInfo& info) {
            TaskPreview(sender, info);
        };
        if (options) {
            TInputOptions copy = *options;
            if (copy.FileName.empty()) copy.FileName = fileName;
            task->SetInputOptions(task->InputCount(), &copy);
            ApplyExtOptions(*task, copy.ExtOptions, false);
            if (!copy.FileFormat.empty()) task->ParseOption("f", copy.FileFormat);
            if (copy.StartTime != kNoTimestamp) task->ParseOption("ss", DurationText(copy.StartTime));
            if (copy.ProgramID >= 0) task->ParseOption("programid", std::to_string(copy.ProgramID));
        }
        task->OpenInput(fileName);
        task->AttachProbe(task->InputCount() - 1);
        task->OnProgress = [this](TCustomFFmpeg& sender, TProgressInfo& info) { TaskProgress(sender, info); };
        task->OnTerminate = [this](TCustomFFmpeg& sender) { TaskTerminate(sender); };
    } catch (const std::exception& e) {
        SetLastError(e.what());
        return -1;
    }
    std::lock_guard lock(listMutex_);
    return tasks_.Add(std::move(task));
}

void TCustomFFmpegConverter::ApplyOutputRecord(TFFmpeg& task, const TOutputOptions& o) {
    const auto set = [&task](const char* name, const std::string& value) { task.ParseOption(name, value); };
    const auto setText = [&set](const char* name, const std::string& value) {
        if (!value.empty()) set(name, value);
    };
    const auto setPositive = [&set](const char* name, int value) {
        if (value > 0) set(name, std::to_string(value));
    };
    const auto setFlag = [&set](const char* name, bool value) { set(name, value ? "1" : "0"); };

    setText("f", o.FileFormat);
    setPositive("packetsize", o.PacketSize);
    setPositive("muxrate", o.MuxRate);
    if (o.MuxDelay > 0) set("muxdelay", FloatText(o.MuxDelay));
    if (o.MuxPreload > 0) set("muxpreload", FloatText(o.MuxPreload));
    if (o.DisableAudio) set("an", "1");
    if (o.AudioVolume >= 0) set("vol", std::to_string(o.AudioVolume));
    setPositive("ac", o.AudioChannels);
    setPositive("ar", o.AudioSampleRate);
    setPositive("ab", o.AudioBitrate);
    setPositive("abt", o.AudioBitrateTolerance);
    set("alang", o.AudioLanguage);
    set("async", std::to_string(o.AudioSync));
    setText("atag", o.AudioTag);
    if (o.DisableVideo) set("vn", "1");
    setText("r", o.FrameRate);
    setText("aspect", o.AspectRatio);
    setPositive("croptop", o.CropTop);
    setPositive("cropbottom", o.CropBottom);
    setPositive("cropleft", o.CropLeft);
    setPositive("cropright", o.CropRight);
    setPositive("g", o.GopSize);
    setPositive("vb", o.VideoBitrate);
    setPositive("maxrate", o.VideoMaxRate);
    setPositive("minrate", o.VideoMinRate);
    setPositive("bt", o.VideoBitrateTolerance);
    setPositive("bufsize", o.VideoBufSize);
    set("vsync", std::to_string(o.VideoSync));
    setText("vtag", o.VideoTag);
    set("vlang", o.VideoLanguage);
    if (o.DisableSubtitle) set("sn", "1");
    set("slang", o.SubtitleLanguage);
    setFlag("isync", o.InputSync);
    if (o.CopyTimestamps) set("copyts", "1");
    if (o.StartTime != kNoTimestamp) set("ss", DurationText(o.StartTime));
    if (o.RecordingTime != kNoTimestamp) set("t", DurationText(o.RecordingTime));

    const TStreamInfo& m = o.Metadata;
    if (m.Timestamp == 0)
        set("timestamp", "now");
    else if (m.Timestamp > 0)
        set("timestamp", TimestampText(m.Timestamp));
    if (m.Year > 0) set("metadata", "year=" + std::to_string(m.Year));
    if (m.Track > 0) set("metadata", "track=" + std::to_string(m.Track));
    const std::pair<const char*, const std::string*> texts[] = {
        {"title", &m.Title},     {"author", &m.Author}, {"copyright", &m.Copyright},
        {"comment", &m.Comment}, {"album", &m.Album},   {"genre", &m.Genre}};
    for (const auto& [key, value] : texts)
        if (!value->empty()) set("metadata", std::string(key) + "=" + *value);
}

bool TCustomFFmpegConverter::SetOutputFile(int taskIndex, const std::string& fileName,
                                           const TOutputOptions* options) {
    CheckNotWorking("SetOutputFile");
    TaskPtr task;
    try {
        task = TaskAt(taskIndex);
    } catch (const std::out_of_range& e) {
        SetLastError(e.what()); // an output error never escapes, whatever its cause
        return false;
    }
    const int outputIndex = task->OutputCount();
    if (outputIndex >= kMaxFiles) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "max output files %d reached", kMaxFiles);
        SetLastError(buf);
        return false;
    }
    if (!options) {
        task->SetOutputOptions(outputIndex, nullptr);
        try {
            task->OpenOutput(fileName, false);
        } catch (const std::exception& e) {
            SetLastError(e.what());
            return false;
        }
        return true;
    }

    try {
        OpenOutputWithOptions(*task, outputIndex, fileName, *options);
    } catch (const std::exception& e) {
        SetLastError(e.what());
        return false;
    }
    return true;
}

void TCustomFFmpegConverter::OpenOutputWithOptions(TFFmpeg& task, int outputIndex,
                                                   const std::string& fileName,
                                                   const TOutputOptions& options) {
    TOutputOptions copy = options;
    if (copy.FileName.empty()) copy.FileName = fileName;
    task.SetOutputOptions(outputIndex, &copy);

    const std::vector<OptionLine> lines = SplitOptionText(copy.ExtOptions);
    TPerStreamOptions perStream(copy, lines);
    ApplyOutputTarget(task, copy);
    for (const char* name : {"acodec", "vcodec", "scodec", "apre", "vpre", "spre"})
        perStream.ApplyDefault(task, name);
    ApplyExtOptions(task, copy.ExtOptions, true);
    ApplyOutputRecord(task, copy);
    perStream.ApplyDefault(task, "s");
    perStream.ApplyDefault(task, "vf");
    if (copy.CustomHook)
        task.OnHook = [this](TCustomFFmpeg& sender, THookInfo& info) { TaskHook(sender, info); };

    try {
        task.OpenOutput(fileName, copy.Join);
    } catch (...) {
        task.SetOutputOptions(outputIndex, nullptr);
        throw;
    }
    perStream.AddStreams(task, lines);
}

void TCustomFFmpegConverter::DropTasks(std::vector<TaskPtr> tasks) {
    for (const TaskPtr& task : tasks)
        task->Stop(true, nullptr);
    tasks.clear(); // a task whose worker still holds it is freed by that worker
}

void TCustomFFmpegConverter::RemoveTask(int taskIndex) {
    CheckNotWorking("RemoveTask");
    TaskPtr task;
    TaskAt(taskIndex); // range check
    {
        std::lock_guard lock(listMutex_);
        task = tasks_.Extract(taskIndex);
    }
    DropTasks({task});
}

void TCustomFFmpegConverter::ClearTasks() {
    std::vector<TaskPtr> tasks;
    {
        std::lock_guard lock(terminateLock_);
        if (working_ && !allDone_) throw std::runtime_error("Cannot ClearTasks while working.");
        {
            std::lock_guard list(listMutex_);
            tasks = tasks_.ExtractAll();
        }
        finishedCount_ = 0;
        nextTask_ = -1;
        pending_ = 0;
        allDone_ = false;
        asynchronous_ = false;
        working_ = false;
        paused_ = false;
    }
    SetLastError(std::string());
    DropTasks(std::move(tasks));
    ReapThreads(false);
}

// ---------------------------------------------------------------------------------------------

void TCustomFFmpegConverter::StartTask(int threadCount) {
    {
        std::lock_guard lock(terminateLock_);
        if (working_) RaiseWorking("StartTask");
        finishedCount_ = 0;
        nextTask_ = 0;
        pending_ = TaskCount();
        // An empty batch starts nothing and reports nothing, but may still be cleared.
        allDone_ = pending_ == 0;
        asynchronous_ = threadCount > 0;
        working_ = true;
        paused_ = false;
    }
    ReapThreads(false);
    int starts = threadCount;
    for (;;) {
        {
            std::lock_guard lock(terminateLock_);
            if (pending_ <= 0) break;
        }
        StartNextTask();
        if (threadCount > 0 && --starts <= 0) break;
    }
}

void TCustomFFmpegConverter::StartNextTask() {
    TaskPtr task;
    bool async = false;
    bool paused = false;
    {
        std::lock_guard lock(terminateLock_);
        std::lock_guard list(listMutex_);
        if (pending_ <= 0 || nextTask_ < 0 || nextTask_ >= tasks_.Count()) return;
        --pending_;
        task = tasks_[nextTask_];
        ++nextTask_;
        async = asynchronous_;
        paused = paused_;
    }
    task->SetProgressInterval(static_cast<int64_t>(ProgressInterval()) * 1000);
    task->Start(async, ThreadPriority(), paused);
}

void TCustomFFmpegConverter::Pause() {
    std::vector<TaskPtr> tasks;
    {
        std::lock_guard lock(terminateLock_);
        paused_ = true; // a task the batch starts while paused starts paused
        tasks = Snapshot();
    }
    for (const TaskPtr& task : tasks)
        task->Pause();
}

void TCustomFFmpegConverter::Resume() {
    std::vector<TaskPtr> tasks;
    {
        std::lock_guard lock(terminateLock_);
        paused_ = false;
        tasks = Snapshot();
    }
    for (const TaskPtr& task : tasks)
        task->Resume();
}

void TCustomFFmpegConverter::Stop(bool wait) {
    std::vector<TaskPtr> tasks;
    {
        std::lock_guard lock(terminateLock_);
        pending_ = 0;
        paused_ = false;
        tasks = Snapshot();
    }
    const auto spawn = [this](std::function<void()> body) { return SpawnThread(std::move(body)); };
    for (const TaskPtr& task : tasks)
        task->Stop(wait, spawn);
}

// ---------------------------------------------------------------------------------------------

std::shared_ptr<TSignalThread> TCustomFFmpegConverter::SpawnThread(std::function<void()> body) {
    ReapThreads(false);
    std::lock_guard lock(threadsMutex_);
    threads_.push_back(std::make_shared<TSignalThread>(std::move(body), tpNormal));
    return threads_.back();
}

void TCustomFFmpegConverter::ReapThreads(bool all) {
    std::list<std::shared_ptr<TSignalThread>> ended;
    {
        std::lock_guard lock(threadsMutex_);
        for (auto it = threads_.begin(); it != threads_.end();) {
            if ((all || (*it)->Done()) && !(*it)->IsCurrent()) {
                ended.push_back(std::move(*it));
                it = threads_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& thread : ended)
        thread->WaitFor();
    ended.clear(); // joins
}

void TCustomFFmpegConverter::DeliverTerminate(const TTerminateInfo& info) {
    TTerminateEvent handler;
    uint64_t generation;
    {
        std::lock_guard lock(eventsMutex_);
        handler = OnTerminate;
        generation = eventsGeneration_;
    }
    if (!handler) return;
    bool async;
    {
        std::lock_guard lock(terminateLock_);
        async = asynchronous_;
    }
    if (!async) {
        handler(this, info);
        return;
    }
    auto done = std::make_shared<std::promise<void>>();
    std::shared_future<void> previous;
    {
        std::lock_guard lock(terminateLock_);
        previous = lastDelivery_;
        lastDelivery_ = done->get_future().share();
    }
    SpawnThread([this, handler, info, previous, done, generation] {
        if (previous.valid()) previous.wait();
        bool detached;
        {
            std::lock_guard lock(eventsMutex_);
            detached = eventsGeneration_ != generation;
        }
        try {
            if (!detached) handler(this, info);
        } catch (const std::exception& e) {
            FFLogger().Log(this, llError, e.what());
        }
        done->set_value();
    });
}

// ---------------------------------------------------------------------------------------------

void TCustomFFmpegConverter::TaskHook(TCustomFFmpeg& sender, THookInfo& info) {
    std::lock_guard lock(hookLock_);
    const TCustomHookEvent handler = EventHandler(OnCustomHook);
    if (!handler) return;
    hookInfo_ = info;
    hookInfo_.TaskIndex = IndexOfTask(sender);
    {
        std::unique_lock<std::recursive_mutex> canvas;
        if (info.Bitmap) canvas = std::unique_lock(info.Bitmap->CanvasLock());
        handler(this, &hookInfo_);
    }
    info.Update = hookInfo_.Update;
    info.StopHook = hookInfo_.StopHook;
}

void TCustomFFmpegConverter::TaskPreview(TCustomFFmpeg& sender, const TPreviewInfo& info) {
    std::lock_guard lock(previewLock_);
    const TPreviewBitmapEvent handler = EventHandler(OnPreviewBitmap);
    if (!handler) return;
    previewInfo_ = info;
    previewInfo_.TaskIndex = IndexOfTask(sender);
    CallHandler([&] { handler(this, previewInfo_); });
}

void TCustomFFmpegConverter::TaskProgress(TCustomFFmpeg& sender, TProgressInfo& info) {
    std::lock_guard lock(progressLock_);
    const TProgressEvent handler = EventHandler(OnProgress);
    if (!handler) return;
    progressInfo_ = info;
    progressInfo_.TaskIndex = IndexOfTask(sender);
    CallHandler([&] { handler(this, &progressInfo_); });
}

void TCustomFFmpegConverter::CallHandler(const std::function<void()>& call) {
    if (TriggerEventInMainThread())
        RunInMainThread(call);
    else
        call();
}

void TCustomFFmpegConverter::TaskTerminate(TCustomFFmpeg& sender) {
    auto& task = static_cast<TFFmpeg&>(sender);
    std::lock_guard lock(terminateLock_);
    terminateInfo_.TaskIndex = IndexOfTask(sender);
    terminateInfo_.Finished = task.Finished();
    terminateInfo_.Exception = task.Exception();
    terminateInfo_.ExceptionMsg = task.ExceptionMsg();
    DeliverTerminate(terminateInfo_);
    ++finishedCount_;
    if (pending_ < 1) {
        if (finishedCount_ >= TaskCount() && !allDone_) {
            // Marked before the report so that its handler may clear the tasks.
            allDone_ = true;
            terminateInfo_ = TTerminateInfo{-1, true, false, std::string()};
            DeliverTerminate(terminateInfo_);
        }
    } else if (asynchronous_) {
        StartNextTask();
    }
}

} // namespace orvel
