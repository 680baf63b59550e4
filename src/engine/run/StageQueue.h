#pragma once
// A bounded first-in first-out hand-over between two threads of one conversion. Two limits:
// items that carry a picture (so memory stays at a few pictures whatever the frame size) and
// items of any kind (sound and markers are small, but must not pile up either).
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <utility>

namespace orvel {

template <class T> class StageQueue {
public:
    StageQueue(size_t maxPictures, size_t maxItems) : maxPictures_(maxPictures), maxItems_(maxItems) {}

    // Waits for room; false when the queue was aborted (the item is then dropped).
    bool Push(T item, bool picture) {
        std::unique_lock lock(mutex_);
        notFull_.wait(lock, [&] { return HasRoom(picture); });
        return Append(std::move(item), picture);
    }
    // The same, calling idle() every few milliseconds while it waits: a thread that others hand
    // work to (the main thread) keeps serving them.
    template <class Idle> bool Push(T item, bool picture, Idle&& idle) {
        std::unique_lock lock(mutex_);
        while (!notFull_.wait_for(lock, std::chrono::milliseconds(5), [&] { return HasRoom(picture); })) {
            lock.unlock();
            idle();
            lock.lock();
        }
        return Append(std::move(item), picture);
    }

    // Waits for an item; false when the queue was aborted.
    bool Pop(T& out) {
        std::unique_lock lock(mutex_);
        notEmpty_.wait(lock, [&] { return aborted_ || !items_.empty(); });
        if (aborted_) return false;
        Entry& front = items_.front();
        out = std::move(front.item);
        if (front.picture) --pictures_;
        items_.pop_front();
        notFull_.notify_one();
        return true;
    }

    // Wakes every waiter on either side for good; what is still queued is dropped.
    void Abort() {
        {
            std::lock_guard lock(mutex_);
            aborted_ = true;
            items_.clear();
            pictures_ = 0;
        }
        notFull_.notify_all();
        notEmpty_.notify_all();
    }

private:
    // Both under the lock.
    bool HasRoom(bool picture) const {
        return aborted_ || (items_.size() < maxItems_ && (!picture || pictures_ < maxPictures_));
    }
    bool Append(T item, bool picture) {
        if (aborted_) return false;
        items_.push_back(Entry{std::move(item), picture});
        if (picture) ++pictures_;
        notEmpty_.notify_one();
        return true;
    }

    struct Entry {
        T item;
        bool picture;
    };
    const size_t maxPictures_, maxItems_;
    std::mutex mutex_;
    std::condition_variable notFull_, notEmpty_;
    std::deque<Entry> items_;
    size_t pictures_ = 0;
    bool aborted_ = false;
};

} // namespace orvel
