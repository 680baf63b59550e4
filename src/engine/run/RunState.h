#pragma once
// Records of one run: the input and output stream tables built when the run is prepared and
// the counters the transcode loop keeps. Released when the run ends.
#include "engine/component/TaskState.h"
#include "engine/pictures/PictureTurner.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace orvel {

struct VideoFilterGraph {
    FilterGraphPtr graph;
    AVFilterContext* src = nullptr;
    AVFilterContext* sink = nullptr;
    // Picture parameters the graph was built for; a decoded frame that differs rebuilds it.
    int width = 0, height = 0, format = -1;
    bool fullRange = false;
};

// What the later steps need to know of the input stream at the time a frame was decoded; a
// pipelined run carries it with the frame, since the reading thread has moved on meanwhile.
struct FrameContext {
    int64_t pts = 0;                // the stream's current timestamp, microseconds
    int64_t nextPts = kNoTimestamp; // where the stream's next frame is expected, microseconds
    int decodedFrame = 0;           // the task's decoded-frame counter after this frame (video)
};

struct InputStream {
    int file = 0;
    int index = 0;
    AVStream* st = nullptr;
    bool discard = true; // until chosen as a source
    bool decoding = false;
    CodecContextPtr dec;
    int64_t nextPts = kNoTimestamp;  // microseconds
    int64_t pts = 0;                 // microseconds
    int64_t soundEnd = kNoTimestamp; // where the last decoded sound frame ended, microseconds
    bool pastRecording = false;
    bool atStart = true;
    bool drained = false;
    bool multiFrameWarned = false;
    int64_t wallStart = 0;           // rate emulation: when reading began
    int64_t firstPts = kNoTimestamp; // rate emulation: the stream's first timestamp, microseconds
    VideoFilterGraph deinterlacer;   // made at the first picture when deinterlacing
    int rotation = 0;                // clockwise quarter turns a player gives the pictures, in degrees
    TPictureTurner turner;           // turns them upright before anything draws on them
};

struct InputFileRun {
    int firstStream = 0;
    int streams = 0;
    bool eof = false;
    bool noPacket = false;
};

struct OutputStream {
    int file = 0;        // output file index
    int index = 0;       // stream index in the file
    int segmentFile = 0; // output entry (join mode: one per input)
    OutputStreamSpec* spec = nullptr;
    AVStream* st = nullptr;
    AVCodecContext* enc = nullptr;
    int source = -1; // input stream index
    int sync = -1;
    bool encoding = false;
    bool active = true;

    int64_t frameNumber = 0;  // frames written
    int64_t syncOpts = 0;     // next frame number (video) or samples sent (audio), encoder units
    bool audioAtStart = true; // audio sync corrects any difference until its first correction
    bool firstCopiedPacket = true;
    int64_t lastWrittenPts = kNoTimestamp;
    int64_t copyTime = 0; // microseconds reached by a copied stream
    bool encoderFlushed = false;

    VideoFilterGraph filter;
    FramePtr filtered;
    FramePtr lastPicture;       // the last picture encoded
    double lastPictureEnd = -1; // where it ends, in output frames

    // Audio conversion state.
    SwrContextPtr swr;
    AVChannelLayout swrInLayout{};
    int swrInRate = 0;
    int swrInFormat = -1;
    AudioFifoPtr fifo;
    FramePtr audioFrame;
    uint8_t** convData = nullptr; // resample buffer, grown as needed
    int convCapacity = 0;
    std::vector<uint8_t*> convPlanes; // the resample buffer from an offset

    std::FILE* passLog = nullptr;
    std::string statsIn;
    double lastQuality = -1.0;
    double lastError[3] = {};   // squared error of the last frame per plane (PSNR)
    int encodedFrames = 0;      // video packets the encoder produced (statistics file)
    int64_t encoderReached = 0; // frame number after the last picture handed to the encoder

    OutputStream() = default;
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;
    OutputStream(OutputStream&&) = default;
    ~OutputStream();
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct RunState {
    std::vector<InputStream> ist;
    std::vector<InputFileRun> ifile;
    std::vector<OutputStream> ost;
    // Join mode: per segment (input file), the source input stream of every output stream.
    std::vector<std::vector<int>> segmentSources;
    int segment = 0;

    int64_t startWall = 0;
    int64_t lastReport = 0;
    int dupCount = 0;
    int dropCount = 0;
    bool dupDropSinceLog = false;
    int64_t videoBytes = 0, audioBytes = 0, headerBytes = 0;
    int64_t fileIndexRead = 0;

    std::array<int, 52> qpHistogram{};
    std::string statusLine;              // the last progress line
    FilePtr videoStats;                  // opened at the first encoded video frame
    std::vector<uint8_t> subtitleBuffer; // 1 MiB, allocated at the first subtitle
    PacketPtr pkt = MakePacket();
    PacketPtr encPkt = MakePacket();
    FramePtr decoded = MakeFrame();
    FramePtr deinterlaced = MakeFrame();
};

} // namespace orvel
