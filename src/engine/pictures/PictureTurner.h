#pragma once
// Pictures turned the way a player shows them: phones store an upright recording as lying
// pictures and name the turn in the stream's display matrix.
extern "C" {
#include <libavformat/avformat.h>
}

#include "engine/foundation/AVHandles.h"

namespace orvel {

// The clockwise turn a player gives the stream's pictures: 0, 90, 180 or 270. A matrix that
// names no quarter turn (a slant, a mirror only) counts as none.
int DisplayRotation(const AVStream* st);
// True for 90 and 270: the shown picture's width is the stored height.
inline bool SwapsSides(int rotation) {
    return rotation == 90 || rotation == 270;
}

// Turns decoded pictures by a quarter-turn multiple through a small filter graph, rebuilt when
// the picture's size or format changes. Any pixel format the library's transposer takes.
class TPictureTurner {
public:
    // Replaces the picture by its turned self (the pixel aspect follows the turn). False, with
    // the picture left as it was, when the turn cannot be made.
    bool Turn(AVFrame* frame, int rotation);

private:
    bool Build(const AVFrame* frame, int rotation);

    FilterGraphPtr graph_;
    AVFilterContext* src_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    FramePtr turned_;
    int width_ = 0, height_ = 0, format_ = -1, rotation_ = 0;
    AVRational sar_{0, 1};
};

} // namespace orvel
