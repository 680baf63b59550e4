#pragma once
// A packet queue between the reading thread and one decoder. A flush marker travels in band so
// that a decoder drops what it decoded before a seek exactly at the point of the seek.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "engine/foundation/AVHandles.h"

namespace orvel {

struct QueuedPacket {
    PacketPtr Packet; // empty for the flush marker
    bool Flush = false;
    // An empty packet (no data) tells the decoder that the input has ended.
    bool IsEndOfFile() const { return !Flush && Packet && Packet->size == 0 && !Packet->data; }
};

class PacketQueue {
public:
    // Bookkeeping cost of one queued packet, counted with its payload so that many tiny packets
    // still fill the queue limit.
    static constexpr int kNodeOverhead = static_cast<int>(sizeof(AVPacket) + sizeof(QueuedPacket));

    PacketQueue() = default;
    PacketQueue(const PacketQueue&) = delete;
    PacketQueue& operator=(const PacketQueue&) = delete;

    // Takes the packet's data as the queue's own. -1 (packet dropped) when it cannot be kept.
    int Put(PacketPtr packet);
    int PutFlush();
    // The empty end-of-file packet for a stream.
    int PutEmpty(int streamIndex);

    // 1 with a packet, 0 when none waits and block is false, -1 when aborted.
    int Get(QueuedPacket& out, bool block);

    void Abort();
    bool Aborted() const;
    // Clears the abort flag so the queue can be used again for a new stream.
    void Start();
    void Flush();

    int Count() const;
    int64_t Size() const;

private:
    int Append(QueuedPacket&& item, int64_t bytes);

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<QueuedPacket> items_;
    int64_t size_ = 0;
    bool abort_ = false;
};

} // namespace orvel
