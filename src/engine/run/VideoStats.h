#pragma once
// The video statistics file ("vstats", "vstats_file"): one line per encoded video frame.
#include "engine/run/RunState.h"

#include <string>

namespace orvel {

struct VideoStatsFrame {
    int frameNumber = 0;   // encoded frames of the stream so far, the first is 1
    double quality = -1.0; // quantiser of the frame
    double error = -1.0;   // squared luma error of the frame; negative: no PSNR
    int width = 0, height = 0;
    int size = 0;             // bytes of the encoded frame
    int64_t totalBytes = 0;   // video bytes written so far
    double time = 0;          // seconds the stream has reached
    double frameDuration = 0; // seconds of one frame (the encoder's time base)
    char type = '?';          // picture type letter
};

// The line for one frame, newline included.
std::string VideoStatsLine(const VideoStatsFrame& f);

// Appends the frame's line to the run's statistics file, opening (and truncating) it at the
// first frame. Raises "fopen fail: <name>" when it cannot be opened.
void WriteVideoStats(RunState& r, const std::string& fileName, const VideoStatsFrame& f);

} // namespace orvel
