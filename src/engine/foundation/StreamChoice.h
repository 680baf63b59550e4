#pragma once
// Which streams a playback opens and a conversion takes by default: per type, the stream with the most frames
// in the span the file is probed over. The libraries keep their own per-stream count private, so the packets
// are counted here as they come from the demuxer, and kept for playing, so that nothing is read
// twice (the input may not be seekable).
#include "engine/foundation/AVHandles.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <vector>

namespace orvel {

struct ChosenStreams {
    int Video = -1;
    int Audio = -1;
    int Subtitle = -1;
    int Of(AVMediaType type) const {
        return type == AVMEDIA_TYPE_VIDEO      ? Video
               : type == AVMEDIA_TYPE_AUDIO    ? Audio
               : type == AVMEDIA_TYPE_SUBTITLE ? Subtitle
                                               : -1;
    }
};

// Per type, the stream with the most analysed frames; the earlier stream on equal counts and
// never a stream with none, even when it is the only one of its type. Audio only when
// `disableAudio` is false, video and subtitles only when `disableVideo` is false.
ChosenStreams ChooseStreams(const std::vector<AVMediaType>& types, const std::vector<int>& analysedFrames,
                            bool disableAudio, bool disableVideo);

struct AnalysedPackets {
    std::vector<int> Frames;        // per stream
    std::vector<PacketPtr> Packets; // in the order read, to be played before anything read later
};

// Reads the packets of the probe's analysis span: the first five seconds of the file, at most
// five million bytes (the probe's own default limits; where the probe itself stopped is not
// public and varies with the libraries). For an input that cannot seek (a stream) the span ends
// at `probedEnd`, the byte position the probe reached, so that opening never waits for more of
// a live stream; pass -1 for a file. The first packet past the span is kept too; a read error
// ends the span and the next read meets it again. Call before any stream is discarded.
AnalysedPackets ReadAnalysedPackets(AVFormatContext* ic, int64_t probedEnd);

// The byte position the probe reached on an input that cannot seek, -1 for a file. Take it
// right after the probe, before the end-of-file mark is cleared.
int64_t ProbedEnd(const AVFormatContext* ic);

// Reads the analysis span into `analysed` and chooses from its counts: the one rule the player
// and the converter share. Call before any stream is discarded.
ChosenStreams ChooseFileStreams(AVFormatContext* ic, int64_t probedEnd, AnalysedPackets& analysed,
                                bool disableAudio, bool disableVideo);

} // namespace orvel
