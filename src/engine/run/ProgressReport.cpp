// The progress status line and the progress event.
#include "engine/foundation/FFmpegLogger.h"
#include "engine/run/TranscodeLoop.h"

extern "C" {
#include <libavutil/time.h>
}

#include <cmath>

namespace orvel {

namespace {

// Keeps the status line within its 1024 characters.
void Append(std::string& line, const std::string& part) {
    constexpr size_t kMax = 1024;
    if (line.size() < kMax) line += part.substr(0, kMax - line.size());
}

double Psnr(double error) {
    return -10.0 * std::log10(std::max(error, 1e-10));
}

// PSNR of each plane and of the whole picture: of the last frame, or at the end of all frames.
void AppendPsnr(std::string& line, const OutputStream& os, bool last) {
    const double pixels = static_cast<double>(os.enc->width) * os.enc->height * 255.0 * 255.0;
    const double frames = last ? std::max<double>(os.frameNumber, 1) : 1.0;
    const char kinds[3] = {'Y', 'U', 'V'};
    double total = 0;
    Append(line, "PSNR=");
    for (int j = 0; j < 3; ++j) {
        const double scale = j == 0 ? 1.0 : 0.25;
        const double err = last ? static_cast<double>(os.enc->error[j]) : os.lastError[j];
        total += err;
        Append(line, Format("%c:%2.2f ", kinds[j], Psnr(err / (frames * pixels * scale))));
    }
    Append(line, Format("*:%2.2f ", Psnr(total / (frames * pixels * 1.5))));
}

// Bytes of the first output: its size, else the position reached.
int64_t OutputSize(const std::vector<OutputFile>& outputs) {
    int64_t size = 0;
    if (!outputs.empty() && outputs[0].ctx->pb != nullptr) {
        size = avio_size(outputs[0].ctx->pb);
        if (size <= 0) size = avio_tell(outputs[0].ctx->pb);
    }
    return size;
}

void LogMuxingOverhead(const RunState& r, int64_t size, const void* sender) {
    const double known = static_cast<double>(r.videoBytes + r.audioBytes + r.headerBytes);
    const double overhead = known > 0 ? 100.0 * (size - known) / known : 0.0;
    FFLogger().Log(sender, llVerbose,
                   Format("video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
                          r.videoBytes / 1024.0, r.audioBytes / 1024.0, r.headerBytes / 1024.0, overhead));
}

} // namespace

void TCustomFFmpeg::Impl::Loop::Report(int fileIndex, bool last) {
    const int64_t now = av_gettime_relative();
    r.lastReport = now;
    const double elapsed = (now - r.startWall) / 1e6;

    std::string line;
    TProgressInfo info;
    info.FileIndex = last ? -1 : fileIndex;
    if (!AppendVideoStatus(line, info, elapsed, last)) return;
    const double outputTime = ReportedOutputTime();

    const bool handler = static_cast<bool>(t.self.OnProgress);
    if (!handler && s.Verbosity <= 0 && !last) return;
    const int64_t size = OutputSize(t.outputs);
    const double bitrate = size * 8 / outputTime / 1000.0;
    Append(line, Format("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", size / 1024.0, outputTime, bitrate));
    if (r.dupCount || r.dropCount) Append(line, Format(" dup=%d drop=%d", r.dupCount, r.dropCount));
    r.statusLine = line;

    if (r.dupDropSinceLog && handler && s.Verbosity >= 0) {
        FFLogger().Log(&t.self, llVerbose, line);
        r.dupDropSinceLog = false;
    }
    if (handler) {
        info.BitRate = static_cast<float>(bitrate);
        info.CurrentSize = size;
        info.CurrentDuration = std::max<int64_t>(llrint(outputTime * 1e6), 10000);
        info.TotalDuration = t.totalDuration;
        t.self.OnProgress(t.self, info);
    } else if (s.Verbosity >= 0) {
        FFLogger().Log(&t.self, llVerbose, line);
    }

    if (last && s.Verbosity >= 0) LogMuxingOverhead(r, size, &t.self);
}

// The first video output's frames, rate, quality, histogram and PSNR, the quality of the
// others. False when there is to be no report at all: the first video output has written no
// frame yet.
bool TCustomFFmpeg::Impl::Loop::AppendVideoStatus(std::string& line, TProgressInfo& info, double elapsed,
                                                  bool last) {
    bool firstVideo = true;
    for (OutputStream& os : r.ost) {
        if (os.spec->type != AVMEDIA_TYPE_VIDEO) continue;
        const double q = os.encoding ? os.lastQuality : -1.0;
        if (!firstVideo) {
            Append(line, Format("q=%2.1f ", q));
            continue;
        }
        firstVideo = false;
        if (os.frameNumber == 0) return false;
        const int fps = elapsed >= 1.0 ? static_cast<int>(std::lround(os.frameNumber / elapsed)) : 0;
        Append(line, Format("frame=%5d fps=%3d q=%3.1f ", static_cast<int>(os.frameNumber), fps, q));
        if (last) Append(line, "L");
        if (s.QpHistogram) {
            std::string hist;
            for (int count : r.qpHistogram)
                hist += Format("%X", static_cast<int>(std::lround(std::log2(count + 1))) & 0xF);
            Append(line, hist.substr(0, 32));
        }
        if (s.Psnr && os.encoding && os.enc->width > 0) AppendPsnr(line, os, last);
        info.FrameNumber = static_cast<int>(os.frameNumber);
        info.FPS = fps;
        info.Quality = static_cast<float>(q);
    }
    return true;
}

// The least positive time the output streams have reached, at least 0.01 s. No stream has a
// positive time yet: the time stays at the far value, so the bit rate reads 0.
double TCustomFFmpeg::Impl::Loop::ReportedOutputTime() const {
    double outputTime = 1e10;
    for (const OutputStream& os : r.ost) {
        const double time = OutputTime(os);
        if (time > 0 && time < outputTime) outputTime = time;
    }
    return std::max(outputTime, 0.01);
}

} // namespace orvel
