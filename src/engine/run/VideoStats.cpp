// The video statistics file: one line per encoded video frame, in the converter's format.
#include "engine/run/VideoStats.h"

#include "engine/foundation/FFmpegException.h"

#include <algorithm>
#include <cmath>

namespace orvel {

std::string VideoStatsLine(const VideoStatsFrame& f) {
    std::string line = Format("frame= %5d q= %2.1f ", f.frameNumber, f.quality);
    if (f.error >= 0 && f.width > 0 && f.height > 0) {
        const double norm = f.error / (static_cast<double>(f.width) * f.height * 255.0 * 255.0);
        line += Format("PSNR= %6.2f ", -10.0 * std::log10(std::max(norm, 1e-10)));
    }
    line += Format("f_size= %6d ", f.size);
    // Rates are worked out over at least 10 ms so the first frames give finite figures.
    const double elapsed = std::max(f.time, 0.01);
    const double frameRate = f.frameDuration > 0 ? f.size * 8 / f.frameDuration / 1000.0 : 0.0;
    const double average = static_cast<double>(f.totalBytes) * 8 / elapsed / 1000.0;
    line += Format("s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
                   f.totalBytes / 1024.0, f.time, frameRate, average);
    line += Format("type= %c\n", f.type);
    return line;
}

void WriteVideoStats(RunState& r, const std::string& fileName, const VideoStatsFrame& f) {
    if (!r.videoStats) {
        r.videoStats.reset(std::fopen(fileName.c_str(), "w"));
        if (!r.videoStats) throw FFmpegException("fopen fail: " + fileName);
    }
    const std::string line = VideoStatsLine(f);
    std::fputs(line.c_str(), r.videoStats.get());
}

} // namespace orvel
