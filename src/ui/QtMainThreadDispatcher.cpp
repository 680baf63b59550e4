#include "ui/QtMainThreadDispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

namespace orvel {

namespace {

// The target of the wake-ups: any event it gets serves the queue. The wake-up is a plain event
// that only Qt reads, not a queued functor: a functor is built in the worker and read in the
// GUI thread before any lock of ours is taken, across Qt's own event queue, whose locks the
// thread sanitizer cannot see.
class WakeTarget : public QObject {
public:
    explicit WakeTarget(QtMainThreadDispatcher& owner) : owner_(owner) {}
    bool event(QEvent* e) override {
        const bool handled = QObject::event(e);
        owner_.ServePending();
        return handled;
    }

private:
    QtMainThreadDispatcher& owner_;
};

} // namespace

QtMainThreadDispatcher::QtMainThreadDispatcher()
    : mainThread_(QCoreApplication::instance() ? QCoreApplication::instance()->thread()
                                               : QThread::currentThread()),
      context_(std::make_unique<WakeTarget>(*this)) {
    context_->moveToThread(mainThread_);
}

QtMainThreadDispatcher::~QtMainThreadDispatcher() {
    std::unique_lock lock(mutex_);
    closed_ = true;
    for (THandOver* call : queue_)
        call->done = true;
    queue_.clear();
    context_.reset(); // drops wake-ups still posted to it
    cv_.notify_all();
    cv_.wait(lock, [this] { return waiting_ == 0; });
}

bool QtMainThreadDispatcher::IsMainThread() const {
    return QThread::currentThread() == mainThread_;
}

void QtMainThreadDispatcher::RunAndWait(const std::function<void()>& fn) {
    if (IsMainThread()) {
        fn();
        return;
    }
    THandOver call{&fn, nullptr, false};
    std::unique_lock lock(mutex_);
    if (closed_) return;
    queue_.push_back(&call);
    ++waiting_;
    // The wake-up may find the queue already served by a wait in the GUI thread; that is fine.
    QCoreApplication::postEvent(context_.get(), new QEvent(QEvent::User));
    cv_.wait(lock, [&] { return call.done; });
    --waiting_;
    cv_.notify_all(); // a closing dispatcher waits for its last waiter to leave
    if (call.error) std::rethrow_exception(call.error);
}

void QtMainThreadDispatcher::ServePending() {
    if (!IsMainThread()) return;
    std::unique_lock lock(mutex_);
    ServeHandOvers(queue_, lock, cv_);
}

} // namespace orvel
