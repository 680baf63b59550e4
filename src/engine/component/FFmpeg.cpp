#include "engine/component/FFmpeg.h"

#include "engine/component/MainThreadDispatcher.h"
#include "engine/foundation/FFmpegLogger.h"
#include "probe/AVProbe.h"

#include <algorithm>
#include <chrono>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace orvel {

bool ApplyThreadPriority(TThreadPriority priority) {
    const pthread_t self = pthread_self();
    sched_param param{};
    if (priority == tpIdle) return pthread_setschedparam(self, SCHED_IDLE, &param) == 0;

    // A thread inherits its creator's scheduling, so a worker started by an idle worker has to
    // leave SCHED_IDLE explicitly.
    bool ok = true;
    int policy = SCHED_OTHER;
    sched_param current{};
    if (pthread_getschedparam(self, &policy, &current) == 0 && policy != SCHED_OTHER)
        ok = pthread_setschedparam(self, SCHED_OTHER, &param) == 0;

    // Offsets from the process's own nice value, so a converter started with "nice" keeps it.
    static constexpr int kNiceOffset[] = {0, 10, 5, 0, -5, -10, -15};
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, 0 /* thread-group leader */);
    const int wanted = std::clamp((errno == 0 ? base : 0) + kNiceOffset[priority], -20, 19);
    const pid_t tid = gettid();
    errno = 0;
    const int now = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (errno == 0 && now == wanted) return ok;
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid), wanted) != 0)
        return false; // raising a priority needs a privilege; the thread keeps what it had
    return ok;
}

void WaitServingMainThread(const std::function<bool()>& done) {
    while (!done()) {
        IMainThreadDispatcher& dispatcher = MainThreadDispatcher();
        if (dispatcher.IsMainThread()) dispatcher.ServePending();
        if (done()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// ---------------------------------------------------------------------------------------------

TSignalThread::TSignalThread(std::function<void()> body, TThreadPriority priority) {
    thread_ = std::thread([this, body = std::move(body), priority] {
        if (!ApplyThreadPriority(priority))
            FFLogger().Log(this, llDebug, "thread priority not permitted, the thread keeps its own");
        try {
            body();
        } catch (const std::exception& e) {
            FFLogger().Log(this, llQuiet, e.what());
        } catch (...) {
            FFLogger().Log(this, llQuiet, "unknown error in worker thread");
        }
        done_ = true;
    });
}

TSignalThread::~TSignalThread() {
    if (!thread_.joinable()) return;
    // The last owner of a task may be its own worker; a thread cannot join itself.
    if (IsCurrent())
        thread_.detach();
    else
        thread_.join();
}

void TSignalThread::WaitFor() const {
    if (IsCurrent()) return;
    WaitServingMainThread([this] { return Done(); });
}

// ---------------------------------------------------------------------------------------------

TFFmpeg::~TFFmpeg() {
    // A running body holds a reference to its task, so only a finished or never-started task
    // gets here; the worker (if any) is joined by its own destructor. Probes go before the
    // engine closes the inputs they borrow.
    for (auto& probe : probes_)
        probe.reset();
}

TAVProbe* TFFmpeg::AttachProbe(int fileIndex) {
    if (fileIndex < 0 || fileIndex >= kMaxFiles) return nullptr;
    auto& probe = probes_[static_cast<size_t>(fileIndex)];
    if (!probe) probe = std::make_unique<TAVProbe>();
    probe->Attach(InputContext(fileIndex));
    return probe.get();
}

TAVProbe* TFFmpeg::Probe(int fileIndex) const {
    if (fileIndex < 0 || fileIndex >= kMaxFiles) return nullptr;
    return probes_[static_cast<size_t>(fileIndex)].get();
}

namespace {
template <class T> void StoreCopy(std::unique_ptr<T>& slot, const T* value) {
    if (value)
        slot = std::make_unique<T>(*value);
    else
        slot.reset();
}
} // namespace

void TFFmpeg::SetInputOptions(int index, const TInputOptions* options) {
    if (index >= 0 && index < kMaxFiles) StoreCopy(inputOptions_[static_cast<size_t>(index)], options);
}

void TFFmpeg::SetOutputOptions(int index, const TOutputOptions* options) {
    if (index >= 0 && index < kMaxFiles) StoreCopy(outputOptions_[static_cast<size_t>(index)], options);
}

const TInputOptions* TFFmpeg::InputOptions(int index) const {
    return index >= 0 && index < kMaxFiles ? inputOptions_[static_cast<size_t>(index)].get() : nullptr;
}

const TOutputOptions* TFFmpeg::OutputOptions(int index) const {
    return index >= 0 && index < kMaxFiles ? outputOptions_[static_cast<size_t>(index)].get() : nullptr;
}

bool TFFmpeg::HasWorker() const {
    std::lock_guard lock(stateMutex_);
    return worker_ && workerActive_;
}

bool TFFmpeg::Exception() const {
    std::lock_guard lock(stateMutex_);
    return exception_;
}

std::string TFFmpeg::ExceptionMsg() const {
    std::lock_guard lock(stateMutex_);
    return exceptionMsg_;
}

void TFFmpeg::Fail(const std::string& message) {
    FFLogger().Log(this, llQuiet, message);
    std::lock_guard lock(stateMutex_);
    exception_ = true;
    exceptionMsg_ = message;
}

void TFFmpeg::Start(bool async, TThreadPriority priority, bool startPaused) {
    {
        std::lock_guard lock(stateMutex_);
        if (running_ || reportClaimed_) return;
        reportClaimed_ = true;
    }
    const char* refusal = nullptr;
    if (OutputCount() == 0)
        refusal = "At least one output file must be specified";
    else if (InputCount() == 0)
        refusal = "At least one input file must be specified";
    if (refusal) {
        Fail(refusal);
        ReportTermination();
        return;
    }

    std::shared_ptr<TFFmpeg> self = shared_from_this(); // keeps the task while its body runs
    {
        std::lock_guard lock(stateMutex_);
        running_ = true;
        ClearStopRequest();
        finished_ = false;
        terminated_ = false;
        if (async) {
            if (startPaused) gate_.Close();
            workerActive_ = true;
            worker_ = std::make_unique<TConvertThread>([self] { self->Body(); }, priority);
            return;
        }
        runner_ = std::this_thread::get_id();
    }
    Body();
}

void TFFmpeg::Body() {
    finished_ = false;
    // Each step runs even when an earlier one failed, so files are always released and the
    // termination is always reported.
    const auto guarded = [this](const std::function<void()>& step) {
        try {
            step();
        } catch (const std::exception& e) {
            Fail(e.what());
        } catch (...) {
            Fail("Unknown error");
        }
    };
    guarded([this] { Transcode(); });
    guarded([this] { CloseCodecs(); });
    guarded([this] {
        // The release closes the inputs the probes borrow.
        for (auto& probe : probes_)
            if (probe) probe->Close();
    });
    guarded([this] { ReleaseFiles(); });
    guarded([this] { ReportTermination(); });
}

void TFFmpeg::ReportTermination() {
    {
        std::lock_guard lock(stateMutex_);
        running_ = false;
        terminated_ = true;
        workerActive_ = false;
        runner_ = std::thread::id();
    }
    if (OnTerminate) OnTerminate(*this);
}

void TFFmpeg::Stop(bool wait,
                   const std::function<std::shared_ptr<TSignalThread>(std::function<void()>)>& spawn) {
    std::unique_lock lock(stateMutex_);
    if (running_) {
        RequestStop(); // also opens the pause gate so a paused worker can end
        if (worker_ && workerActive_) {
            TConvertThread* worker = worker_.get();
            lock.unlock();
            if (wait) worker->WaitFor();
        } else if (wait && runner_ != ActingThreadId()) {
            lock.unlock();
            WaitServingMainThread([this] { return !running_.load(); });
        }
        return;
    }
    if (reportClaimed_ || !spawn) return;
    reportClaimed_ = true;
    lock.unlock();
    std::shared_ptr<TFFmpeg> self = shared_from_this();
    const std::shared_ptr<TSignalThread> reporter = spawn([self] { self->ReportTermination(); });
    if (wait && reporter) reporter->WaitFor();
}

void TFFmpeg::Pause() {
    std::lock_guard lock(stateMutex_);
    if (worker_ && workerActive_ && !StopRequested()) gate_.Close();
}

void TFFmpeg::Resume() {
    gate_.Open();
}

// ---------------------------------------------------------------------------------------------

int TFFmpegList::IndexOf(const TCustomFFmpeg* task) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == task) return static_cast<int>(i);
    return -1;
}

int TFFmpegList::Add(Item task) {
    items_.push_back(std::move(task));
    return Count() - 1;
}

TFFmpegList::Item TFFmpegList::Extract(int index) {
    Item item = items_.at(static_cast<size_t>(index));
    items_.erase(items_.begin() + index);
    return item;
}

std::vector<TFFmpegList::Item> TFFmpegList::ExtractAll() {
    std::vector<Item> all;
    all.swap(items_);
    return all;
}

} // namespace orvel
