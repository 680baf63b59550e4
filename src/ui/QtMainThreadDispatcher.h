#pragma once
// Hands calls of worker threads to the Qt GUI thread and blocks the worker until the call has
// returned. The calls queue here and are served either by the GUI event loop (a queued wake-up
// per call) or by ServePending from a wait in the GUI thread, whichever comes first, so a
// GUI-thread wait that serves them cannot deadlock against a blocked worker.
#include "engine/component/MainThreadDispatcher.h"

#include <QObject>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>

namespace orvel {

class QtMainThreadDispatcher : public IMainThreadDispatcher {
public:
    // Create it in the GUI thread after the application object.
    QtMainThreadDispatcher();
    // Releases waiting workers without running their calls (the GUI they would touch is gone)
    // and returns once they have left.
    ~QtMainThreadDispatcher() override;
    QtMainThreadDispatcher(const QtMainThreadDispatcher&) = delete;
    QtMainThreadDispatcher& operator=(const QtMainThreadDispatcher&) = delete;

    bool IsMainThread() const override;
    // An exception thrown by fn in the GUI thread is thrown again in the calling worker.
    void RunAndWait(const std::function<void()>& fn) override;
    void ServePending() override;

private:
    QThread* mainThread_;
    std::unique_ptr<QObject> context_; // lives in the GUI thread; target of the wake-ups
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<THandOver*> queue_;
    int waiting_ = 0; // workers inside RunAndWait
    bool closed_ = false;
};

} // namespace orvel
