#pragma once
#include "engine/run/RunState.h"

namespace orvel {

struct VideoGraphInput {
    int width = 0;
    int height = 0;
    AVPixelFormat format = AV_PIX_FMT_NONE;
    AVRational timeBase{1, 25};
    AVRational sar{0, 1};
    bool fullRange = false; // samples span 0..255, by the pixel format or a mark on the pictures
};

// Builds the graph for a stream whose encoder is not open yet; the encoder takes the size the
// graph ends with. Raises "Error opening filters: ..." (with a user chain) or "Cannot get
// resampling context".
void OpenVideoFilterGraph(VideoFilterGraph& g, const VideoGraphInput& in, const OutputStreamSpec& spec,
                          AVCodecContext* enc, int scalerFlags);
// Rebuilds it for decoded pictures of another size or format, keeping the encoder's size.
void ReopenVideoFilterGraph(VideoFilterGraph& g, const VideoGraphInput& in, const OutputStreamSpec& spec,
                            const AVCodecContext* enc, int scalerFlags);

// Replaces the picture by its deinterlaced self, through a graph kept in g and rebuilt when the
// picture's size or format changes. False, with the picture left as it was, when the deinterlacer
// cannot be set up for it (it may be missing from the library build) or fails.
bool DeinterlacePicture(VideoFilterGraph& g, AVFrame* frame, AVRational timeBase, AVFrame* scratch);

} // namespace orvel
