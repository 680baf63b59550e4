#pragma once
// The transcode loop of one prepared run and the steps it is made of. The steps live in
// TranscodeLoop.cpp (reading, decoding, copying, writing), VideoEncoding.cpp, AudioEncoding.cpp,
// CustomHook.cpp and ProgressReport.cpp; PipelinedRun.cpp runs them on three threads.
#include "engine/run/RunState.h"

#include <exception>

namespace orvel {

struct TCustomFFmpeg::Impl::Loop {
    Loop(Impl& task) : t(task), r(*task.run), s(task.settings) {}

    Impl& t;
    RunState& r;
    TTaskSettings& s;

    bool Stopping() const { return t.self.StopRequested(); }
    // A stream's place in the run's stream lists, as outputs name their source.
    int IndexOf(const InputStream& is) const { return static_cast<int>(&is - r.ist.data()); }
    int IndexOf(const OutputStream& os) const { return static_cast<int>(&os - r.ost.data()); }
    // Waits while the task is paused; false when a stop was requested.
    bool PassGate();

    void Run();
    // Waits while the task is paused and not stopped; PassGate also answers whether to go on.
    void HoldWhilePaused();

    // Every step on the task's worker, one after another.
    std::exception_ptr RunInline();
    // Reading and decoding on the worker, the picture work and the encoding with muxing each on
    // a thread of its own (PipelinedRun.cpp). Nothing is done in another order than inline, so
    // the output is the same; runs whose reading depends on what was written stay inline.
    std::exception_ptr RunPipelined();
    bool CanPipeline() const;
    struct Stages;
    Stages* stages = nullptr; // set while a pipelined run is under way
    void PictureStage();
    void EncoderStage();

    // Hand-overs between the steps: done at once inline, queued for the next stage when
    // pipelined. The frame or packet may be taken over (left empty).
    void ForwardPicture(InputStream& is, AVFrame* frame, const FrameContext& at);
    void ForwardAudio(InputStream& is, AVFrame* frame, const FrameContext& at);
    void ForwardCopy(InputStream& is, const AVPacket* pkt, const FrameContext& at);
    void ForwardSubtitle(InputStream& is, AVSubtitle& sub);
    void ForwardProgress(int file);
    void DeliverPicture(OutputStream& os, AVFrame* filtered, const FrameContext& at, AVRational timeBase);

    // The step behind each hand-over.
    void ProcessPicture(InputStream& is, AVFrame* frame, FrameContext at); // pre-processing, filters
    void EncodeAudioFrame(InputStream& is, const AVFrame* frame, const FrameContext& at);
    void CopyToOutputs(InputStream& is, const AVPacket* pkt, const FrameContext& at);
    void ReportIfDue(int file);
    // The end of an output stream: its filter chain, then its encoder (after the last picture
    // was held); and at the very end what the bitstream filters still hold.
    void FlushFilterChain(OutputStream& os);
    void FlushEncoder(OutputStream& os);
    void FlushBitstreamFilters();

    // Reading and decoding.
    void ReadPackets(); // until every input has ended, a limit is reached or the task stops
    int ChooseInput(bool& frameLimitReached);
    bool RetryWaitingInputs(bool frameLimitReached);
    bool OutputSizeLimitReached() const;
    InputStream* StreamOfPacket(int file, const AVPacket* pkt);
    void FollowDiscontinuity(InputFile& in, const InputStream& is, AVPacket* pkt);
    bool PastRecordingTime(const InputStream& is, const AVPacket* pkt) const;
    bool PastRecordingTime(int64_t timeUs) const;
    void CutSoundOverlap(InputStream& is, AVFrame* frame);
    bool TimestampsScaled(const InputStream& is) const;
    void CutSoundPastEnd(const InputStream& is, AVFrame* frame) const;
    bool ProcessPacket(InputStream& is, const AVPacket* pkt); // false: decoding failed
    void HandleDecodedFrame(InputStream& is, AVFrame* frame);
    void HandleSubtitle(InputStream& is, AVSubtitle& sub);
    void CopyPacket(OutputStream& os, const InputStream& is, const AVPacket* pkt, const FrameContext& at);
    void EndSegment();
    void DrainInputs();
    void FlushOutputs();

    // Writing: bitstream filters then the interleaving muxer.
    void WritePacket(OutputStream& os, AVPacket* pkt);
    void ReceivePackets(OutputStream& os); // encoded packets of the encoder, rescaled and written

    // Video (VideoEncoding.cpp).
    void PreProcessVideo(InputStream& is, AVFrame* frame, FrameContext& at);
    // null flushes the graph
    void SendVideo(OutputStream& os, InputStream& is, AVFrame* frame, const FrameContext& at);
    void EncodeVideo(OutputStream& os, const FrameContext& at, AVFrame* filtered, AVRational timeBase);
    // One output frame at the next number; decodedFrame goes to the preview.
    void EncodePicture(OutputStream& os, AVFrame* picture, int decodedFrame);
    // At the end: the last picture repeated until its own duration has passed.
    void HoldLastPicture(OutputStream& os);
    void FlushVideoEncoder(OutputStream& os);

    // Audio (AudioEncoding.cpp).
    void SendAudio(OutputStream& os, const FrameContext& at, const AVFrame* frame); // null flushes
    void EncodeAudioFifo(OutputStream& os, bool flush);
    void ReserveConverted(OutputStream& os, int samples); // grows the resample buffer
    // Audio sync before a frame is converted: the samples of silence to put first, or (in
    // discard) how many converted samples to drop.
    int64_t SyncAudio(OutputStream& os, const FrameContext& at, int& discard);
    void WriteSilence(OutputStream& os, int64_t samples);

    // Custom hook and previews (CustomHook.cpp).
    void RunCustomHook(const FrameContext& at, AVFrame* frame);
    void Preview(const AVFrame* picture, int64_t pts, int decodedFrame);

    // Progress (ProgressReport.cpp).
    void Report(int fileIndex, bool last);
    bool AppendVideoStatus(std::string& line, TProgressInfo& info, double elapsed, bool last);
    double ReportedOutputTime() const;

    double OutputTime(const OutputStream& os) const; // seconds reached by the stream
    int64_t StreamTimeUs(const InputStream& is, int64_t ts) const;
    int64_t OutputStart() const { return t.outputs.empty() ? 0 : t.outputs[0].startTime; }
    int64_t RecordingTime() const { return t.outputs.empty() ? INT64_MAX : t.outputs[0].recordingTime; }
    void DecodingFailed(const InputStream& is);

    int fileRead = 0;
};

} // namespace orvel
