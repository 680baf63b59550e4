#pragma once
// One task of the conversion component: an engine instance plus the bookkeeping the component
// needs (a probe per opened input, copies of the option records, the worker thread and the
// running/terminated state).
#include "engine/component/ActingFor.h"
#include "engine/component/CustomFFmpeg.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvel {

class TAVProbe;

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Sets the calling thread's scheduling: idle runs under SCHED_IDLE, lowest and lower get a
// positive nice value, normal nice 0. The higher ones ask for a negative nice value, which
// needs a privilege; without it the thread stays at 0. False when the change was refused.
bool ApplyThreadPriority(TThreadPriority priority);

// Waits until done() is true, checking every 20 ms. On the main thread it runs pending
// main-thread hand-overs between checks, so a worker blocked on one can still finish.
void WaitServingMainThread(const std::function<bool()>& done);

// A thread that signals its completion and is joined by whoever destroys it. The body runs
// under the given priority.
class TSignalThread {
public:
    TSignalThread(std::function<void()> body, TThreadPriority priority);
    ~TSignalThread();
    TSignalThread(const TSignalThread&) = delete;
    TSignalThread& operator=(const TSignalThread&) = delete;

    bool Done() const { return done_.load(); }
    // Waits for the completion signal (see WaitServingMainThread). Returns at once when called
    // from the thread itself.
    void WaitFor() const;
    bool IsCurrent() const { return thread_.get_id() == ActingThreadId(); }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// The worker of a running task.
using TConvertThread = TSignalThread;
// Short-lived thread reporting a termination: for a task that was never started, or to
// deliver a termination event outside the reporting thread.
using TDoTerminateThread = TSignalThread;

class TFFmpeg : public TCustomFFmpeg, public std::enable_shared_from_this<TFFmpeg> {
public:
    TFFmpeg() = default;
    ~TFFmpeg() override;

    // Probe of an opened input, created on first use and attached to that input.
    TAVProbe* AttachProbe(int fileIndex);
    TAVProbe* Probe(int fileIndex) const;

    // Copies of the option records given for each input and output; null clears the entry.
    void SetInputOptions(int index, const TInputOptions* options);
    void SetOutputOptions(int index, const TOutputOptions* options);
    const TInputOptions* InputOptions(int index) const;
    const TOutputOptions* OutputOptions(int index) const;

    bool Running() const { return running_.load(); }
    bool Terminated() const { return terminated_.load(); }
    bool HasWorker() const;
    bool Exception() const;
    std::string ExceptionMsg() const;

    // Runs the task once: with async in a new worker thread of the given priority, otherwise
    // in the caller. A task that runs or has reported its termination is not started again.
    // A task without an output or an input fails at once and reports its termination.
    // startPaused closes the pause gate before the worker begins.
    void Start(bool async, TThreadPriority priority, bool startPaused = false);

    // Stops a running task (waking it when paused); with wait, returns when its worker ended.
    // A task never started reports its termination from a TDoTerminateThread handed to spawn;
    // the wait shares that thread's ownership, since the component may free its own reference
    // (ClearTasks from the end-of-batch handler) while the wait still looks at it.
    void Stop(bool wait, const std::function<std::shared_ptr<TSignalThread>(std::function<void()>)>& spawn);
    void Pause();
    void Resume();

private:
    void Fail(const std::string& message);
    void Body();
    void ReportTermination();
    bool ClaimTermination();

    std::array<std::unique_ptr<TAVProbe>, kMaxFiles> probes_;
    std::array<std::unique_ptr<TInputOptions>, kMaxFiles> inputOptions_;
    std::array<std::unique_ptr<TOutputOptions>, kMaxFiles> outputOptions_;

    mutable std::mutex stateMutex_;
    std::atomic<bool> running_{false};
    std::atomic<bool> terminated_{false};
    bool reportClaimed_ = false; // a termination report is under way or done
    bool exception_ = false;
    std::string exceptionMsg_;
    std::thread::id runner_; // thread running the body in synchronous mode
    std::unique_ptr<TConvertThread> worker_;
    bool workerActive_ = false; // cleared when the task reports its termination
};

// The component's task list; the index in the list is the task index.
class TFFmpegList {
public:
    using Item = std::shared_ptr<TFFmpeg>;
    int Count() const { return static_cast<int>(items_.size()); }
    const Item& operator[](int index) const { return items_.at(static_cast<size_t>(index)); }
    int IndexOf(const TCustomFFmpeg* task) const;
    int Add(Item task);
    Item Extract(int index);
    std::vector<Item> ExtractAll();
    std::vector<Item> Snapshot() const { return items_; }

private:
    std::vector<Item> items_;
};

} // namespace orvel
