#pragma once
// The transcode loop of one prepared run and the steps it is made of. The steps live in
// TranscodeLoop.cpp (reading, decoding, copying, writing), VideoOutput.cpp, AudioOutput.cpp,
// CustomHook.cpp and ProgressReport.cpp.
#include "engine/RunState.h"

namespace orvel {

struct TCustomFFmpeg::Impl::Loop {
    Loop(Impl& task) : t(task), r(*task.run), s(task.settings) {}

    Impl& t;
    RunState& r;
    TTaskSettings& s;

    bool Stopping() const { return t.self.StopRequested(); }
    // Waits while the task is paused; false when a stop was requested.
    bool PassGate();

    void Run();
    // Waits while the task is paused and not stopped; PassGate also answers whether to go on.
    void HoldWhilePaused();

    // Reading and decoding.
    void ReadPackets(); // until every input has ended, a limit is reached or the task stops
    int ChooseInput(bool& frameLimitReached);
    bool ProcessPacket(InputStream& is, const AVPacket* pkt); // false: decoding failed
    void HandleDecodedFrame(InputStream& is, AVFrame* frame);
    void HandleSubtitle(InputStream& is, AVSubtitle& sub);
    void CopyPacket(OutputStream& os, InputStream& is, const AVPacket* pkt);
    void EndSegment();
    void DrainInputs();
    void FlushOutputs();

    // Writing: bitstream filters then the interleaving muxer.
    void WritePacket(OutputStream& os, AVPacket* pkt);
    void ReceivePackets(OutputStream& os); // encoded packets of the encoder, rescaled and written

    // Video (VideoOutput.cpp).
    void PreProcessVideo(InputStream& is, AVFrame* frame);
    void SendVideo(OutputStream& os, InputStream& is, AVFrame* frame); // null flushes the graph
    void EncodeVideo(OutputStream& os, InputStream& is, AVFrame* filtered);
    void EncodePicture(OutputStream& os, AVFrame* picture); // one output frame at the next number
    // At the end: the last picture repeated until its own duration has passed.
    void HoldLastPicture(OutputStream& os);
    void FlushVideoEncoder(OutputStream& os);

    // Audio (AudioOutput.cpp).
    void SendAudio(OutputStream& os, InputStream& is, const AVFrame* frame); // null flushes
    void EncodeAudioFifo(OutputStream& os, bool flush);
    void ReserveConverted(OutputStream& os, int samples); // grows the resample buffer
    // Audio sync before a frame is converted: the samples of silence to put first, or (in
    // discard) how many converted samples to drop.
    int64_t SyncAudio(OutputStream& os, const InputStream& is, int& discard);
    void WriteSilence(OutputStream& os, int64_t samples);

    // Custom hook and previews (CustomHook.cpp).
    void RunCustomHook(InputStream& is, AVFrame* frame);
    void Preview(const AVFrame* picture, int64_t pts);

    // Progress (ProgressReport.cpp).
    void Report(int fileIndex, bool last);

    double OutputTime(const OutputStream& os) const; // seconds reached by the stream
    int64_t StreamTimeUs(const InputStream& is, int64_t ts) const;
    int64_t OutputStart() const { return t.outputs.empty() ? 0 : t.outputs[0].startTime; }
    int64_t RecordingTime() const { return t.outputs.empty() ? INT64_MAX : t.outputs[0].recordingTime; }
    void DecodingFailed(const InputStream& is);

    int fileRead = 0;
};

} // namespace orvel
