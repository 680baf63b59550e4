#include "formats/OptionBuilder.h"

#include "engine/foundation/StringUtils.h"
#include "engine/options/CodecNames.h"
#include "engine/options/Presets.h"
#include "formats/DeviceCompliance.h"
#include "formats/H264Levels.h"
#include "probe/AVProbe.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <stdexcept>

namespace orvel {
namespace {

constexpr const char* kAsSource = "as source";

// A whole decimal integer with an optional sign, nothing else.
bool IsInt(const std::string& s, int* value = nullptr) {
    if (s.empty() || std::isspace(static_cast<unsigned char>(s[0]))) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0' || end == s.c_str() || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    if (value) *value = static_cast<int>(v);
    return true;
}

// A finite decimal number.
bool IsNum(const std::string& s, double* value = nullptr) {
    if (s.empty() || std::isspace(static_cast<unsigned char>(s[0]))) return false;
    for (char c : s)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' ||
              c == 'E'))
            return false;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (*end != '\0' || end == s.c_str() || !std::isfinite(v)) return false;
    if (value) *value = v;
    return true;
}

int StrToInt(const std::string& s) {
    int v = 0;
    if (!IsInt(s, &v)) throw std::runtime_error("'" + s + "' is not a valid integer value");
    return v;
}

int Even(double x) {
    return 2 * (static_cast<int>(std::trunc(x)) / 2);
}

// Bars of a letterbox: the room left in D by a picture of s pixels, halved and kept even.
int Bar(int d, double s) {
    return ((d - Even(s)) / 4) * 2;
}

std::string SizeText(int w, int h, char sep) {
    return std::to_string(w) + sep + std::to_string(h);
}

// The audio of both kinds of output: channels, sample rate, bit rate and volume.
void BuildAudio(const TBuilderChoices& c, TOutputOptions& out, bool positiveChannels) {
    int v = 0;
    if (c.Channel != kAsSource && IsInt(c.Channel, &v) && (!positiveChannels || v > 0)) out.AudioChannels = v;
    if (c.SampleRate != kAsSource && IsInt(c.SampleRate, &v) && v > 0) out.AudioSampleRate = v;
    double r = 0;
    if (c.AudioBitRate != kAsSource && !c.AudioBitRate.empty() && IsNum(c.AudioBitRate, &r)) {
        r *= 1000;
        if (r > 0) out.AudioBitrate = static_cast<int>(std::trunc(r));
    }
    if (c.Volume != "256") out.AudioVolume = StrToInt(c.Volume);
}

bool IsNamedVideoEncoder(const std::string& v) {
    static const char* const kNames[] = {"mpeg4",     "libxvid", "mpeg1video", "msmpeg4",  "msmpeg4v1",
                                         "msmpeg4v2", "huffyuv", "dvvideo",    "rawvideo", "h263p",
                                         "h263",      "rv10",    "rv20",       "ljpeg",    "mjpeg",
                                         "svq1",      "zlib",    "wmv1",       "wmv2",     "libx264"};
    return std::any_of(std::begin(kNames), std::end(kNames), [&](const char* n) { return v == n; });
}

// Disc formats name their target and its norm.
void ApplyDiscTarget(const std::string& formatLower, TOutputOptions& out) {
    static const struct {
        const char* Format;
        int Target, Norm;
    } kDiscs[] = {{"ntsc-dvd", 3, 2}, {"pal-dvd", 3, 1},   {"ntsc-vcd", 1, 2},
                  {"pal-vcd", 1, 1},  {"ntsc-svcd", 2, 2}, {"pal-svcd", 2, 1}};
    for (const auto& d : kDiscs)
        if (formatLower == d.Format) {
            out.Target = d.Target;
            out.TargetNorm = d.Norm;
        }
}

// An audio-only format: the audio choices, and neither video nor subtitles read or written.
void BuildAudioOnly(const TBuilderChoices& c, TOutputOptions& out, TInputOptions& input) {
    out.AudioCodec = c.AudioEncoder;
    BuildAudio(c, out, true);
    input.ExtOptions = "vn=1";
    out.DisableVideo = true;
    out.DisableSubtitle = true;
}

// The video encoder, the disc target mpeg2video implies and the preset libx264 takes.
void ApplyVideoEncoder(const TBuilderChoices& c, const std::string& formatLower, TOutputOptions& out) {
    if (IsNamedVideoEncoder(c.VideoEncoder)) {
        out.VideoCodec = c.VideoEncoder;
    } else if (c.VideoEncoder == "mpeg2video") {
        out.VideoCodec = c.VideoEncoder;
        // An SVCD keeps its own target: the DVD's packets and rates are not an SVCD's.
        if (out.Target == 0) out.Target = 3;
    }
    if (c.VideoEncoder == "libx264") {
        out.VideoPreset = formatLower == "psp"    ? "libx264-psp"
                          : formatLower == "ipod" ? "libx264-ipod"
                          : formatLower == "ps3"  ? "libx264-ps3"
                                                  : "libx264-mp4";
    }
}

// The video bit rate (the source's unless a number is chosen), the frame rate and the
// containers the engine is told by name.
void ApplyVideoRates(const TBuilderChoices& c, const TSourceVideo& source, const std::string& format,
                     const std::string& formatLower, TOutputOptions& out) {
    int v = 0;
    if (c.VideoBitRate != kAsSource && IsInt(c.VideoBitRate, &v)) {
        if (v > 0) out.VideoBitrate = v * 1000;
    } else {
        out.VideoBitrate = source.BitRate;
    }
    double rate = 0;
    if (c.FrameRate != kAsSource && IsNum(c.FrameRate, &rate) && rate > 0) out.FrameRate = c.FrameRate;

    static const char* const kContainers[] = {"ipod", "3gp", "3g2", "avi",    "psp",
                                              "mov",  "vcd", "flv", "mpegts", "vob"};
    if (std::any_of(std::begin(kContainers), std::end(kContainers),
                    [&](const char* n) { return formatLower == n; }))
        out.FileFormat = format;
}

struct TFrameSize {
    int Width, Height;
};

// The target frame size: the stored "WxH", the source's, or, when the stored text is neither,
// what the prompt answers. h263 takes only its own sizes.
TFrameSize TargetFrameSize(const TBuilderChoices& c, const TSourceVideo& source,
                           const std::string& videoCodec, ISizePrompt& prompt) {
    const int w0 = source.Width, h0 = source.Height;
    std::string size = c.VideoSize;
    int w = w0, h = h0;
    const size_t x = size.find('x');
    const bool wxh = x != std::string::npos && x > 0 && x + 1 < size.size();
    if (size != kAsSource && !wxh) size = prompt.UseDefaultSize() ? "320x240" : kAsSource;
    if (size == "320x240" && !wxh) {
        w = 320;
        h = 240;
    } else if (size != kAsSource) {
        if (!IsInt(size.substr(0, x), &w)) w = w0;
        if (!IsInt(size.substr(x + 1), &h)) h = h0;
        if (Lower(videoCodec) == "h263" &&
            std::string("704x576,352x288,176x144,160x120,128x96").find(size) == std::string::npos) {
            if (w > 176 && w <= 352) {
                w = 352;
                h = 288;
            } else if (w > 352) {
                w = 704;
                h = 576;
            }
        }
    }
    return {w, h};
}

// A number line ("maxrate=1500000") of a built-in preset; 0 when the preset has none.
long long PresetNumber(const std::string& preset, const std::string& key) {
    for (const TBuiltinPreset& p : BuiltinPresets()) {
        if (p.Name != preset) continue;
        const std::string text(p.Text);
        const size_t at = text.find("\n" + key + "=");
        if (at == std::string::npos) return 0;
        return std::atoll(text.c_str() + at + key.size() + 2);
    }
    return 0;
}

// The chosen frame rate, else the source's; an unknown rate counts as the devices' highest.
double OutputFrameRate(const TBuilderChoices& c, const TSourceVideo& source) {
    double rate = 0;
    if (c.FrameRate != kAsSource && IsNum(c.FrameRate, &rate) && rate > 0) return rate;
    return source.FrameRate > 0 ? source.FrameRate : 30;
}

// The codec's name as the readers report it ("libx264" writes "h264"); empty when unknown.
std::string CodecIdName(const std::string& encoder, AVMediaType type) {
    const AVCodec* codec = encoder.empty() ? nullptr : FindCodecByName(encoder, type, true);
    return codec ? avcodec_get_name(codec->id) : std::string();
}

// H.264 states the level its stream needs. The preset's peak rate and buffer are first held to
// what the device's level admits (a chosen average rate above it wins); the level is then the
// lowest that admits the frame size, rate and bit rates as they stand.
// Answers the level.
int KeepH264InRow(const TBuilderChoices& c, const TSourceVideo& source, TFrameSize size,
                  const TComplianceRow* row, TOutputOptions& out) {
    const long long average = std::max(0, out.VideoBitrate);
    long long peak = PresetNumber(out.VideoPreset, "maxrate");
    long long buffer = PresetNumber(out.VideoPreset, "bufsize");
    if (row && row->MaxH264Level > 0) {
        if (peak > 0) peak = std::min(peak, H264LevelBitRate(row->MaxH264Level));
        if (buffer > 0) buffer = std::min(buffer, H264LevelBufferSize(row->MaxH264Level));
    }
    // A peak below the average would make the encoder hold the average down to it.
    if (peak > 0) peak = std::max(peak, average);
    if (peak > 0) out.VideoMaxRate = static_cast<int>(std::min<long long>(peak, INT_MAX));
    if (buffer > 0) out.VideoBufSize = static_cast<int>(std::min<long long>(buffer, INT_MAX));

    const int level = LowestH264Level(
        {size.Width, size.Height, OutputFrameRate(c, source), std::max(average, peak), buffer});
    if (level > 0) {
        const std::string line = "level=" + std::to_string(level);
        out.ExtOptions = out.ExtOptions.empty() ? line : out.ExtOptions + "\n" + line;
    }
    return level;
}

// How the zoom sees the source and the output: the source's pixel aspect (its shown shape
// over its stored one), and, for a device that shows only some shapes (discs, DV), the shape
// the output is shown at. Crop margins stay in stored pixels.
struct TZoomShape {
    double SourcePixel = 1;                   // source pixel aspect
    const std::vector<TDisplayShape>* Shapes; // null: square output pixels
    TDisplayShape Shown;                      // with Shapes: the output's display shape
    double OutputPixel(TFrameSize size) const {
        return Shapes ? Shown.Value() * size.Height / size.Width : 1.0;
    }
};

double SourcePixelAspect(const TSourceVideo& source) {
    const double stored = static_cast<double>(source.Width) / source.Height;
    if (source.Width <= 0 || source.Height <= 0 || !(source.DisplayAspect > 0) ||
        !std::isfinite(source.DisplayAspect))
        return 1;
    return source.DisplayAspect / stored;
}

// The "aspect" the engine takes: the display aspect of a frame of `engine` pixels (the size
// the engine encodes before the filters pad it) that gives the output's pixel aspect.
std::string AspectText(const TZoomShape& shape, TFrameSize frame, TFrameSize engine) {
    if (!shape.Shapes) return SizeText(engine.Width, engine.Height, ':');
    long long num = 1LL * shape.Shown.Num * frame.Height * engine.Width;
    long long den = 1LL * shape.Shown.Den * frame.Width * engine.Height;
    const long long g = std::gcd(num, den);
    if (g > 0) num /= g, den /= g;
    return std::to_string(num) + ":" + std::to_string(den);
}

// Full screen: the job's crop, if any, and the target size and its aspect.
void ZoomFull(const TlvFilesRecord& job, bool cropped, TFrameSize size, const TZoomShape& shape,
              TOutputOptions& out) {
    if (cropped) {
        out.CropTop = job.CropTop;
        out.CropBottom = job.CropBottom;
        out.CropLeft = job.CropLeft;
        out.CropRight = job.CropRight;
    }
    out.FrameSize = SizeText(size.Width, size.Height, 'x');
    out.AspectRatio = AspectText(shape, size, size);
}

// Letterbox: the picture scaled into the target with even bars, both measured as shown;
// answers the filters it takes.
std::string ZoomLetterbox(const TlvFilesRecord& job, bool cropped, const TSourceVideo& source,
                          TFrameSize size, const TZoomShape& shape, TOutputOptions& out) {
    const int w0 = source.Width, h0 = source.Height, w = size.Width, h = size.Height;
    const int jt = job.CropTop, jl = job.CropLeft, jb = job.CropBottom, jr = job.CropRight;
    int top = 0, left = 0;
    // An unknown source or target size gives no bars instead of a division by zero.
    if (w > 0 && h > 0 && w0 > 0 && h0 > 0) {
        // Widths as shown: the source's and the target's pixels may both be non-square.
        const double pixel = shape.OutputPixel(size);
        const double shownW0 = w0 * shape.SourcePixel, shownW = w * pixel;
        const double rw = shownW0 / shownW, rh = static_cast<double>(h0) / h;
        if (std::abs(rw - rh) <= 1e-9 * rh)
            ; // the same shape: no bars
        else if (rw > rh)
            top = Bar(h, h0 / rw);
        else
            left = Bar(w, shownW0 / rh / pixel);
    }
    const int pw = w - 2 * left, ph = h - 2 * top;
    const std::string pad = "pad=" + std::to_string(w) + ":" + std::to_string(h) + ":" +
                            std::to_string(left) + ":" + std::to_string(top);
    if (!cropped) {
        out.FrameSize = SizeText(pw, ph, 'x');
        out.AspectRatio = AspectText(shape, size, {pw, ph});
        return pad;
    }
    // A device target names a frame size of its own; the source's keeps the engine from
    // scaling before the crop.
    if (shape.Shapes) out.FrameSize = SizeText(w0, h0, 'x');
    out.AspectRatio = shape.Shapes ? AspectText(shape, size, {w0, h0}) : SizeText(pw, ph, ':');
    // Today's crop filter takes width:height:x:y.
    return "crop=" + std::to_string(w0 - jl - jr) + ":" + std::to_string(h0 - jt - jb) + ":" +
           std::to_string(jl) + ":" + std::to_string(jt) + ",scale=" + std::to_string(pw) + ":" +
           std::to_string(ph) + "," + pad;
}

// Pan and scan: the long sides of the cropped picture cut to 4:3 as shown.
void ZoomPan(const TlvFilesRecord& job, const TSourceVideo& source, TFrameSize size, const TZoomShape& shape,
             TOutputOptions& out) {
    const int w0 = source.Width, h0 = source.Height;
    const int jt = job.CropTop, jl = job.CropLeft, jb = job.CropBottom, jr = job.CropRight;
    const int wc = w0 - jl - jr, hc = h0 - jt - jb;
    if (wc > 0 && hc > 0) {
        const double ratio = wc * shape.SourcePixel / hc;
        constexpr double kFourThirds = 1.3333333333333333;
        if (ratio > kFourThirds)
            out.CropLeft = out.CropRight = PanAmount(w0, wc, hc / shape.SourcePixel, jl, true);
        else if (ratio < kFourThirds)
            out.CropTop = out.CropBottom = PanAmount(h0, hc, wc * shape.SourcePixel, jt, false);
    }
    out.FrameSize = SizeText(size.Width, size.Height, 'x');
    out.AspectRatio = AspectText(shape, size, size);
}

// The shape a device output is shown at: the allowed one nearest the picture the zoom makes
// (the cropped source for full screen and letterbox, 4:3 after pan and scan).
TZoomShape ZoomShapeOf(const TlvFilesRecord& job, const TSourceVideo& source, const TComplianceRow* row) {
    TZoomShape shape;
    shape.SourcePixel = SourcePixelAspect(source);
    shape.Shapes = row && !row->DisplayAspects.empty() ? &row->DisplayAspects : nullptr;
    if (!shape.Shapes) return shape;
    const int wc = source.Width - std::max(0, job.CropLeft) - std::max(0, job.CropRight);
    const int hc = source.Height - std::max(0, job.CropTop) - std::max(0, job.CropBottom);
    const double picture = job.ZoomMode == "pan" ? 4.0 / 3.0
                           : wc > 0 && hc > 0    ? wc * shape.SourcePixel / hc
                                                 : 4.0 / 3.0;
    shape.Shown = NearestShape(*shape.Shapes, picture);
    return shape;
}

// The job's zoom mode applied to the target size; answers the video filters it takes.
std::string ApplyZoom(const TlvFilesRecord& job, const TSourceVideo& source, TFrameSize size,
                      const TComplianceRow* row, TOutputOptions& out) {
    for (int* crop : {&out.CropTop, &out.CropBottom, &out.CropLeft, &out.CropRight})
        if (*crop == -1) *crop = 0;

    const TZoomShape shape = ZoomShapeOf(job, source, row);
    const bool cropped = job.CropTop > 0 || job.CropLeft > 0 || job.CropBottom > 0 || job.CropRight > 0;
    if (job.ZoomMode == "full")
        ZoomFull(job, cropped, size, shape, out);
    else if (job.ZoomMode == "lbox")
        return ZoomLetterbox(job, cropped, source, size, shape, out);
    else if (job.ZoomMode == "pan")
        ZoomPan(job, source, size, shape, out);
    return {};
}

// The video of a format with video: none when the source has none, else its rates, size and
// zoom. Answers the video filters the zoom takes.
std::string BuildVideo(const TlvFilesRecord& job, const TBuilderChoices& c, const std::string& format,
                       const std::string& formatLower, const TSourceVideo& source, const TComplianceRow* row,
                       ISizePrompt& prompt, TOutputOptions& out, TOutputFacts& facts) {
    if (source.VideoStreamCount < 1) {
        out.DisableVideo = true;
        return {};
    }
    ApplyVideoRates(c, source, format, formatLower, out);
    const TFrameSize size = TargetFrameSize(c, source, out.VideoCodec, prompt);
    if (out.VideoCodec == "libx264") facts.H264Level = KeepH264InRow(c, source, size, row, out);
    facts.VideoCodec = CodecIdName(out.VideoCodec, AVMEDIA_TYPE_VIDEO);
    facts.Width = size.Width;
    facts.Height = size.Height;
    facts.FrameRate = OutputFrameRate(c, source);
    facts.VideoKbps = std::max(0, out.VideoBitrate / 1000);
    return ApplyZoom(job, source, size, row, out);
}

// The audio beside video: the encoder by its library's name, none when no encoder is chosen.
void BuildVideoOutputAudio(const TBuilderChoices& c, TOutputOptions& out) {
    std::string audio = c.AudioEncoder;
    if (audio == "libamr_nb") audio = "libopencore_amrnb";
    out.AudioCodec = audio;
    if (Trim(audio).empty()) out.DisableAudio = true;
    BuildAudio(c, out, false);
}

} // namespace

int PanAmount(int full, int kept, double other, int jobFirst, bool cutWidth) {
    const double beyond = cutWidth ? (kept - other * 4.0 / 3.0) / 2.0 : (kept - other * 3.0 / 4.0) / 2.0;
    int amount = Even(jobFirst + std::max(0.0, beyond));
    // Both sides get the amount: keep at least one pixel between them.
    const int most = std::max(0, 2 * ((full - 1) / 4));
    return std::clamp(amount, 0, most);
}

TSourceVideo SourceVideoOf(TCustomAVProbe& probe) {
    TSourceVideo s;
    s.VideoStreamCount = std::max(0, probe.VideoStreamCount());
    TVideoStreamInfo info;
    if (s.VideoStreamCount > 0 && probe.GetVideoStreamInfo(probe.VideoStreamIndex(), info)) {
        s.Width = info.Width;
        s.Height = info.Height;
        s.BitRate = info.BitRate;
        s.DisplayAspect = info.DisplayAspect;
        if (info.FrameRateNum > 0 && info.FrameRateDen > 0)
            s.FrameRate = static_cast<double>(info.FrameRateNum) / info.FrameRateDen;
    }
    return s;
}

void BuildOutputOptions(const TlvFilesRecord& job, int formatCode, TOutputOptions& out, TCustomAVProbe& probe,
                        TInputOptions& input, TFormatParamStore& store, ISizePrompt& prompt,
                        std::vector<std::string>* outsideRow) {
    BuildOutputOptions(job, formatCode, out, SourceVideoOf(probe), input, store, prompt, outsideRow);
}

void BuildOutputOptions(const TlvFilesRecord& job, int formatCode, TOutputOptions& out,
                        const TSourceVideo& source, TInputOptions& input, TFormatParamStore& store,
                        ISizePrompt& prompt, std::vector<std::string>* outsideRow) {
    const std::string format = store.ContainerFormat(formatCode);
    const std::string formatLower = Lower(format);
    const TComplianceRow* row = ComplianceRowOf(formatCode);
    ApplyDiscTarget(formatLower, out);

    const TBuilderChoices c = store.BuilderChoices(formatCode);
    TOutputFacts facts;
    if (c.AudioOnly()) {
        BuildAudioOnly(c, out, input);
    } else {
        ApplyVideoEncoder(c, formatLower, out);
        const std::string filters = BuildVideo(job, c, format, formatLower, source, row, prompt, out, facts);
        if (!filters.empty())
            out.VideoFilters = out.VideoFilters.empty() ? filters : out.VideoFilters + "," + filters;
        BuildVideoOutputAudio(c, out);
    }
    if (!outsideRow || !row) return;
    if (!out.DisableAudio) {
        facts.AudioCodec = CodecIdName(out.AudioCodec, AVMEDIA_TYPE_AUDIO);
        facts.SampleRate = out.AudioSampleRate;
        facts.Channels = out.AudioChannels;
    }
    *outsideRow = OutsideRow(*row, facts);
}

} // namespace orvel
