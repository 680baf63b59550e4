#pragma once
#include "engine/RunState.h"

namespace orvel {

struct VideoGraphInput {
    int width = 0;
    int height = 0;
    AVPixelFormat format = AV_PIX_FMT_NONE;
    AVRational timeBase{1, 25};
    AVRational sar{0, 1};
    bool deinterlace = false; // a deinterlacer first in the chain
};

// Builds the graph for a stream whose encoder is not open yet; the encoder takes the size the
// graph ends with. Raises "Error opening filters: ..." (with a user chain) or "Cannot get
// resampling context". A deinterlacer that cannot be set up is left out and the graph's
// deinterlaceFailed flag is set, so that the caller can say so and go on.
void OpenVideoFilterGraph(VideoFilterGraph& g, const VideoGraphInput& in, const OutputStreamSpec& spec,
                          AVCodecContext* enc, int scalerFlags);
// Rebuilds it for decoded pictures of another size or format, keeping the encoder's size.
void ReopenVideoFilterGraph(VideoFilterGraph& g, const VideoGraphInput& in, const OutputStreamSpec& spec,
                            const AVCodecContext* enc, int scalerFlags);

} // namespace orvel
