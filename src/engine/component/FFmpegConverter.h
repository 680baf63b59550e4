#pragma once
// The conversion component: an ordered list of conversion tasks, started one after another or
// several at a time in worker threads, reporting through four events.
#include "engine/component/ConverterOptions.h"
#include "engine/component/FFmpeg.h"

#include <cstdint>
#include <functional>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace orvel {

class TAVProbe;

// Common base of the media components.
class TFFBaseComponent {
public:
    virtual ~TFFBaseComponent() = default;
};

class TCustomFFmpegConverter;

using TCustomHookEvent = std::function<void(TCustomFFmpegConverter* sender, PHookInfo info)>;
using TPreviewBitmapEvent = std::function<void(TCustomFFmpegConverter* sender, const TPreviewInfo& info)>;
using TProgressEvent = std::function<void(TCustomFFmpegConverter* sender, PProgressInfo info)>;
using TTerminateEvent = std::function<void(TCustomFFmpegConverter* sender, const TTerminateInfo& info)>;

class TCustomFFmpegConverter : public TFFBaseComponent {
public:
    TCustomFFmpegConverter();
    // Stops every task with waiting, then frees the tasks and the probe.
    ~TCustomFFmpegConverter() override;
    TCustomFFmpegConverter(const TCustomFFmpegConverter&) = delete;
    TCustomFFmpegConverter& operator=(const TCustomFFmpegConverter&) = delete;

    std::string About;
    static std::string Version() { return "3.3"; }
    std::string LastErrorMessage() const;

    bool Preview() const;
    void SetPreview(bool value);
    bool PreviewBitmap() const;
    void SetPreviewBitmap(bool value);
    // Milliseconds; values below 100 store 100.
    int ProgressInterval() const;
    void SetProgressInterval(int value);
    TThreadPriority ThreadPriority() const;
    void SetThreadPriority(TThreadPriority value);
    bool TriggerEventInMainThread() const;
    void SetTriggerEventInMainThread(bool value);
    int Verbosity() const;
    void SetVerbosity(int value);

    // Events. Assign them while no batch runs; DetachEvents drops them safely at any time.
    // OnCustomHook runs in the worker thread with the bitmap's canvas locked; OnProgress and
    // OnPreviewBitmap run in the main thread when TriggerEventInMainThread is set (the worker
    // waits for them); OnTerminate runs in a short-lived thread of its own when the batch runs
    // asynchronously, so it must be thread-safe.
    TCustomHookEvent OnCustomHook;
    TPreviewBitmapEvent OnPreviewBitmap;
    TProgressEvent OnProgress;
    TTerminateEvent OnTerminate;
    void DetachEvents();

    // Loads the converter's library set from the folder; false with LastErrorMessage on failure.
    bool LoadLibraries(const std::string& folder);

    // The operations below raise std::runtime_error("Cannot <operation> while working.") while
    // a batch runs (from StartTask until ClearTasks).

    // Opens the input and appends a task; -1 with LastErrorMessage on failure.
    int AddTask(const std::string& fileName, const TInputOptions* options = nullptr);
    // Adds one output file to the task; false with LastErrorMessage on failure.
    bool SetOutputFile(int taskIndex, const std::string& fileName, const TOutputOptions* options = nullptr);
    void RemoveTask(int taskIndex);
    // Allowed while working once the batch has reported its end.
    void ClearTasks();
    int TaskCount() const;
    // The probe attached to that input of that task; null for an input that was not opened.
    TAVProbe* GetTaskProbe(int taskIndex, int fileIndex) const;
    TAVProbe& Probe() { return *probe_; }

    // 0: every task runs in the calling thread before this returns. n > 0: n worker threads
    // start at once, each ending task starting the next.
    void StartTask(int threadCount);
    void Pause();
    void Resume();
    // No further task starts; running tasks are asked to stop (a paused one too) and tasks
    // never started report their termination. With wait, returns when all of them have.
    void Stop(bool wait);

    bool Working() const;
    bool AllDone() const;

private:
    using TaskPtr = std::shared_ptr<TFFmpeg>;

    [[noreturn]] static void RaiseWorking(const char* operation);
    void CheckNotWorking(const char* operation) const;
    TaskPtr TaskAt(int index) const;
    std::vector<TaskPtr> Snapshot() const;
    int IndexOfTask(const TCustomFFmpeg& task) const;
    void SetLastError(const std::string& text);
    // The properties, read and written under propsMutex_.
    template <typename T> T ReadProperty(const T& field) const {
        std::lock_guard lock(propsMutex_);
        return field;
    }
    template <typename T> void WriteProperty(T& field, const T& value) {
        std::lock_guard lock(propsMutex_);
        field = value;
    }
    // The handler as it stands, safe against DetachEvents.
    template <typename Event> Event EventHandler(const Event& event) const {
        std::lock_guard lock(eventsMutex_);
        return event;
    }

    void ApplyExtOptions(TFFmpeg& task, const std::string& text, bool forOutput);
    void ApplyOutputRecord(TFFmpeg& task, const TOutputOptions& options);
    // The target, the stream defaults and the option lines, then the output and its extra streams.
    void OpenOutputWithOptions(TFFmpeg& task, int outputIndex, const std::string& fileName,
                               const TOutputOptions& options);
    void StartNextTask();
    // Starts a component-owned short-lived thread; joined later by ReapThreads or the destructor,
    // or by the last caller still holding it.
    std::shared_ptr<TSignalThread> SpawnThread(std::function<void()> body);
    void ReapThreads(bool all);
    void DeliverTerminate(const TTerminateInfo& info);
    // Stops running tasks with waiting, without reporting tasks that never started.
    static void DropTasks(std::vector<TaskPtr> tasks);

    // Handlers given to each task.
    void TaskHook(TCustomFFmpeg& sender, THookInfo& info);
    void TaskPreview(TCustomFFmpeg& sender, const TPreviewInfo& info);
    void TaskProgress(TCustomFFmpeg& sender, TProgressInfo& info);
    void TaskTerminate(TCustomFFmpeg& sender);
    // In the main thread, the worker waiting, when TriggerEventInMainThread is set.
    void CallHandler(const std::function<void()>& call);

    mutable std::mutex propsMutex_; // settings read by workers, and LastErrorMessage
    std::string lastErrorMessage_;
    bool preview_ = false;
    bool previewBitmap_ = false;
    int progressInterval_ = 500;
    TThreadPriority threadPriority_ = tpNormal;
    bool triggerEventInMainThread_ = true;
    int verbosity_ = 1;

    mutable std::mutex eventsMutex_; // guards the four event members against DetachEvents
    uint64_t eventsGeneration_ = 0;  // counts DetachEvents calls, under eventsMutex_

    std::recursive_mutex hookLock_, previewLock_, progressLock_;
    THookInfo hookInfo_;
    TPreviewInfo previewInfo_;
    TProgressInfo progressInfo_;

    mutable std::mutex listMutex_; // held briefly, never while calling out
    TFFmpegList tasks_;

    // The terminate lock also guards the batch counters.
    mutable std::recursive_mutex terminateLock_;
    TTerminateInfo terminateInfo_;
    int finishedCount_ = 0;
    int nextTask_ = -1;
    int pending_ = 0;
    bool allDone_ = false;
    bool asynchronous_ = false;
    bool working_ = false;
    bool paused_ = false;

    std::mutex threadsMutex_;
    std::list<std::shared_ptr<TSignalThread>> threads_;
    // Termination deliveries wait for the previous one, so the reports arrive in order.
    std::shared_future<void> lastDelivery_;

    std::unique_ptr<TAVProbe> probe_;
};

class TFFmpegConverter : public TCustomFFmpegConverter {};

} // namespace orvel
