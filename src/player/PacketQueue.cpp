#include "player/PacketQueue.h"

namespace orvel {

int PacketQueue::Append(QueuedPacket&& item, int64_t bytes) {
    std::lock_guard lock(mutex_);
    items_.push_back(std::move(item));
    size_ += bytes + kNodeOverhead;
    cv_.notify_one();
    return 0;
}

int PacketQueue::Put(PacketPtr packet) {
    if (!packet) return -1;
    // A packet read from the input may point into the demuxer's buffer: keep our own reference.
    if (av_packet_make_refcounted(packet.get()) < 0) return -1;
    const int64_t bytes = packet->size;
    return Append(QueuedPacket{std::move(packet), false}, bytes);
}

int PacketQueue::PutFlush() {
    return Append(QueuedPacket{nullptr, true}, 0);
}

int PacketQueue::PutEmpty(int streamIndex) {
    PacketPtr packet = MakePacket();
    if (!packet) return -1;
    packet->stream_index = streamIndex;
    return Append(QueuedPacket{std::move(packet), false}, 0);
}

int PacketQueue::Get(QueuedPacket& out, bool block) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (abort_) return -1;
        if (!items_.empty()) {
            out = std::move(items_.front());
            items_.pop_front();
            size_ -= (out.Packet ? out.Packet->size : 0) + kNodeOverhead;
            return 1;
        }
        if (!block) return 0;
        cv_.wait(lock);
    }
}

void PacketQueue::Abort() {
    std::lock_guard lock(mutex_);
    abort_ = true;
    cv_.notify_all();
}

bool PacketQueue::Aborted() const {
    std::lock_guard lock(mutex_);
    return abort_;
}

void PacketQueue::Start() {
    std::lock_guard lock(mutex_);
    abort_ = false;
}

void PacketQueue::Flush() {
    std::deque<QueuedPacket> old;
    {
        std::lock_guard lock(mutex_);
        old.swap(items_);
        size_ = 0;
    }
}

int PacketQueue::Count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(items_.size());
}

int64_t PacketQueue::Size() const {
    std::lock_guard lock(mutex_);
    return size_;
}

} // namespace orvel
