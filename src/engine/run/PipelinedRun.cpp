// A pipelined run: reading and decoding on the task's worker, the picture work (deinterlacing,
// the hook, the filter chains) on a second thread and encoding with muxing on a third, joined
// by small bounded queues. Every hand-over goes through the queues in the order the inline
// loop would make the calls, so decoders, hooks, encoders and muxers see the same sequence and
// the output is the same; only the time at which each step runs differs. Each stage owns its
// part of the run state: the reader the input streams, the picture stage the filter graphs and
// the hook, the encoder stage the output streams, counters and files.
#include "engine/component/ActingFor.h"
#include "engine/component/FFmpeg.h"
#include "engine/component/MainThreadDispatcher.h"
#include "engine/foundation/FFmpegException.h"
#include "engine/run/StageQueue.h"
#include "engine/run/TranscodeLoop.h"

#include <atomic>
#include <limits>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace orvel {

namespace {

// Pictures waiting at each stage: enough to ride over a frame that takes longer than the
// others, few enough that memory stays flat. Decoded pictures get more room: a frame-threaded
// decoder hands them over in bursts (with two, a core stood idle a tenth of the time). Sound,
// packets and markers are small; their own limit only keeps them from piling up.
constexpr size_t kQueuedDecodedPictures = 4;
constexpr size_t kQueuedPictures = 2;
constexpr size_t kQueuedItems = 48;

struct OwnedSubtitle {
    AVSubtitle sub{};
    OwnedSubtitle() = default;
    OwnedSubtitle(const OwnedSubtitle&) = delete;
    OwnedSubtitle& operator=(const OwnedSubtitle&) = delete;
    ~OwnedSubtitle() { avsubtitle_free(&sub); }
};

// Ends a stage quietly when another one has failed; that one's failure is reported.
struct StagesAborted {};

} // namespace

struct TCustomFFmpeg::Impl::Loop::Stages {
    enum class Kind { Picture, Audio, Copy, Subtitle, Encode, FlushStream, End };
    // Progress checks due before an item: the inline loop makes one after every packet. They
    // ride on the next item handed over instead of being items of their own, so a packet
    // costs no extra hand-over. A run has one input, so the file is the same for all of them.
    struct Reports {
        int file = 0;
        int count = 0;
        void Add(const Reports& more) {
            if (more.count == 0) return;
            file = more.file;
            count += more.count;
        }
    };
    struct Item {
        Kind kind = Kind::End;
        int index = 0; // input stream; output stream for Encode and FlushStream
        Reports reportsBefore;
        FrameContext at;
        AVRational timeBase{0, 1}; // Encode: of the picture's timestamp
        FramePtr frame;
        PacketPtr packet;
        std::unique_ptr<OwnedSubtitle> subtitle;
    };

    StageQueue<Item> toPictures{kQueuedDecodedPictures, kQueuedItems};
    StageQueue<Item> toEncoder{kQueuedPictures, kQueuedItems};
    std::mutex mutex;
    std::exception_ptr failure; // the first
    std::atomic<int> ended{0};  // stage threads that have returned

    // The reader may be the main thread (a task run without a worker); the other stages hand
    // their events to it, so while it waits for room it serves them.
    bool readerIsMain = MainThreadDispatcher().IsMainThread();

    // Checks not yet handed on: the reader's, and the picture stage's (taken off the items it
    // received and not yet passed to the encoder stage with one of its own).
    Reports readerReports, pictureReports;

    void Post(StageQueue<Item>& queue, Item item) {
        Reports& due = &queue == &toPictures ? readerReports : pictureReports;
        item.reportsBefore.Add(due);
        due = Reports{};
        const bool picture =
            item.frame != nullptr && (item.kind == Kind::Picture || item.kind == Kind::Encode);
        const bool pushed =
            &queue == &toPictures && readerIsMain
                ? queue.Push(std::move(item), picture, [] { MainThreadDispatcher().ServePending(); })
                : queue.Push(std::move(item), picture);
        if (!pushed) throw StagesAborted{};
    }
    // A decoded frame for the picture stage (or, passed on, the encoder stage); it is taken over.
    void PostFrame(Kind kind, int index, const FrameContext& at, AVFrame* frame) {
        Item item;
        item.kind = kind;
        item.index = index;
        item.at = at;
        item.frame = MakeFrame();
        av_frame_move_ref(item.frame.get(), frame);
        Post(toPictures, std::move(item));
    }
    void Fail(std::exception_ptr e) {
        {
            std::lock_guard lock(mutex);
            if (!failure) failure = std::move(e);
        }
        toPictures.Abort();
        toEncoder.Abort();
    }
};

bool TCustomFFmpeg::Impl::Loop::CanPipeline() const {
    // With several inputs, joined inputs, or a limit on frames or file size, what is read next
    // depends on what was written so far: such a run stays on one thread.
    constexpr int kNoLimit = std::numeric_limits<int32_t>::max();
    return !t.joining && r.ifile.size() == 1 && s.FileSizeLimit <= 0 && s.MaxFramesVideo == kNoLimit &&
           s.MaxFramesAudio == kNoLimit && s.MaxFramesData == kNoLimit;
}

std::exception_ptr TCustomFFmpeg::Impl::Loop::RunPipelined() {
    Stages st;
    const std::thread::id worker = ActingThreadId();
    // Started from the worker, the stage threads inherit its scheduling (policy and nice
    // value): an idle-priority task stays idle on every thread.
    auto start = [&](void (Loop::*body)()) {
        return std::thread([this, &st, body, worker] {
            TActingFor acting(worker);
            try {
                (this->*body)();
            } catch (const StagesAborted&) {
            } catch (...) {
                st.Fail(std::current_exception());
            }
            ++st.ended;
        });
    };
    stages = &st;
    std::thread pictures, encoder;
    try {
        pictures = start(&Loop::PictureStage);
        encoder = start(&Loop::EncoderStage);
    } catch (const std::system_error&) {
        // No thread to be had: the run goes inline.
        st.Fail(nullptr);
        if (pictures.joinable()) pictures.join();
        stages = nullptr;
        return RunInline();
    }
    try {
        ReadPackets();
        DrainInputs();
        st.Post(st.toPictures, Stages::Item{});
    } catch (const StagesAborted&) {
    } catch (...) {
        st.Fail(std::current_exception());
    }
    if (st.readerIsMain) WaitServingMainThread([&st] { return st.ended == 2; });
    pictures.join();
    encoder.join();
    stages = nullptr;
    return st.failure;
}

void TCustomFFmpeg::Impl::Loop::PictureStage() {
    Stages& st = *stages;
    Stages::Item item;
    while (st.toPictures.Pop(item)) {
        HoldWhilePaused();
        // Handed on with the next item this stage posts, which comes after them as inline.
        st.pictureReports.Add(item.reportsBefore);
        item.reportsBefore = Stages::Reports{};
        if (item.kind == Stages::Kind::Picture) {
            // After a stop the pictures still queued are let go: nothing more is encoded.
            if (!Stopping()) ProcessPicture(r.ist[item.index], item.frame.get(), item.at);
            item.frame.reset();
        } else if (item.kind == Stages::Kind::End) {
            for (size_t k = 0; k < r.ost.size(); ++k) {
                if (!r.ost[k].encoding) continue;
                FlushFilterChain(r.ost[k]);
                Stages::Item flush;
                flush.kind = Stages::Kind::FlushStream;
                flush.index = static_cast<int>(k);
                st.Post(st.toEncoder, std::move(flush));
            }
            st.Post(st.toEncoder, Stages::Item{});
            return;
        } else {
            st.Post(st.toEncoder, std::move(item));
        }
    }
}

void TCustomFFmpeg::Impl::Loop::EncoderStage() {
    Stages& st = *stages;
    Stages::Item item;
    while (st.toEncoder.Pop(item)) {
        HoldWhilePaused();
        for (int i = 0; i < item.reportsBefore.count; ++i) {
            // A report's handler may pause or stop the task; the next check waits as the inline
            // loop's would, and after a stop the checks still riding on queued items are dropped,
            // as the inline loop reads no packet after a stop.
            if (i > 0) HoldWhilePaused();
            if (Stopping()) break;
            ReportIfDue(item.reportsBefore.file);
        }
        // After a stop the sound, copies and cues still queued are let go, as the pictures
        // are: the inline loop reads nothing more, and the output ends where the pictures do.
        const bool media = item.kind == Stages::Kind::Audio || item.kind == Stages::Kind::Copy ||
                           item.kind == Stages::Kind::Subtitle;
        if (media && Stopping()) {
            item = Stages::Item{};
            continue;
        }
        switch (item.kind) {
        case Stages::Kind::Encode:
            EncodeVideo(r.ost[item.index], item.at, item.frame.get(), item.timeBase);
            break;
        case Stages::Kind::Audio:
            EncodeAudioFrame(r.ist[item.index], item.frame.get(), item.at);
            break;
        case Stages::Kind::Copy:
            CopyToOutputs(r.ist[item.index], item.packet.get(), item.at);
            break;
        case Stages::Kind::Subtitle:
            HandleSubtitle(r.ist[item.index], item.subtitle->sub);
            break;
        case Stages::Kind::FlushStream:
            FlushEncoder(r.ost[item.index]);
            break;
        case Stages::Kind::End:
            FlushBitstreamFilters();
            return;
        case Stages::Kind::Picture:
            break;
        }
        item = Stages::Item{}; // the frame goes back to its pool now, not at the next item
    }
}

// Hand-overs ----------------------------------------------------------------------------------

void TCustomFFmpeg::Impl::Loop::ForwardPicture(InputStream& is, AVFrame* frame, const FrameContext& at) {
    if (stages == nullptr)
        ProcessPicture(is, frame, at);
    else
        stages->PostFrame(Stages::Kind::Picture, IndexOf(is), at, frame);
}

void TCustomFFmpeg::Impl::Loop::ForwardAudio(InputStream& is, AVFrame* frame, const FrameContext& at) {
    if (stages == nullptr)
        EncodeAudioFrame(is, frame, at);
    else
        stages->PostFrame(Stages::Kind::Audio, IndexOf(is), at, frame);
}

void TCustomFFmpeg::Impl::Loop::ForwardCopy(InputStream& is, const AVPacket* pkt, const FrameContext& at) {
    if (stages == nullptr) {
        CopyToOutputs(is, pkt, at);
        return;
    }
    Stages::Item item;
    item.kind = Stages::Kind::Copy;
    item.index = IndexOf(is);
    item.at = at;
    item.packet = MakePacket();
    if (av_packet_ref(item.packet.get(), pkt) < 0) throw FFmpegException("Out of memory");
    stages->Post(stages->toPictures, std::move(item));
}

void TCustomFFmpeg::Impl::Loop::ForwardSubtitle(InputStream& is, AVSubtitle& sub) {
    if (stages == nullptr) {
        HandleSubtitle(is, sub);
        return;
    }
    Stages::Item item;
    item.kind = Stages::Kind::Subtitle;
    item.index = IndexOf(is);
    item.subtitle = std::make_unique<OwnedSubtitle>();
    item.subtitle->sub = sub;
    sub = AVSubtitle{}; // now owned by the item
    stages->Post(stages->toPictures, std::move(item));
}

void TCustomFFmpeg::Impl::Loop::ForwardProgress(int file) {
    if (stages == nullptr)
        ReportIfDue(file);
    else
        stages->readerReports.Add(Stages::Reports{file, 1});
}

void TCustomFFmpeg::Impl::Loop::DeliverPicture(OutputStream& os, AVFrame* filtered, const FrameContext& at,
                                               AVRational timeBase) {
    if (stages == nullptr) {
        EncodeVideo(os, at, filtered, timeBase);
        return;
    }
    Stages::Item item;
    item.kind = Stages::Kind::Encode;
    item.index = IndexOf(os);
    item.at = at;
    item.timeBase = timeBase;
    item.frame = MakeFrame();
    av_frame_move_ref(item.frame.get(), filtered);
    stages->Post(stages->toEncoder, std::move(item));
}

} // namespace orvel
