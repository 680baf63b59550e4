#include "engine/options/Targets.h"

#include "engine/foundation/FFmpegException.h"
#include "engine/foundation/FFmpegLogger.h"
#include "engine/options/OptionParser.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace orvel {

namespace {

enum class TNorm { Pal, Ntsc, Film, Unknown };

TNorm NormOfRate(AVRational rate) {
    if (rate.num <= 0 || rate.den <= 0) return TNorm::Unknown;
    const long long milli = std::llround(1000.0 * rate.num / rate.den);
    if (milli == 25000) return TNorm::Pal;
    if (milli == 29970 || milli == 23976) return TNorm::Ntsc;
    return TNorm::Unknown;
}

TNorm GuessNorm(TOptionParser& parser, const std::string& defaultNorm) {
    const AVRational rate = parser.Settings().FrameRate;
    if (rate.den == 0) throw FFmpegException("frame_rate is invalid.");
    TNorm norm = NormOfRate(rate);
    TOptionHost& host = parser.Host();
    for (int i = 0; norm == TNorm::Unknown && i < host.InputCount(); ++i) {
        const AVFormatContext* input = host.Input(i);
        for (unsigned s = 0; input && norm == TNorm::Unknown && s < input->nb_streams; ++s) {
            const AVStream* st = input->streams[s];
            if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
            // Today's streams carry their rate rather than a codec time base.
            norm = NormOfRate(st->r_frame_rate);
            if (norm == TNorm::Unknown) norm = NormOfRate(st->avg_frame_rate);
        }
    }
    if (norm == TNorm::Unknown)
        norm = defaultNorm == "film" ? TNorm::Film : defaultNorm == "ntsc" ? TNorm::Ntsc : TNorm::Pal;
    if (parser.Settings().Verbosity > 0)
        FFLogger().Log(nullptr, llVerbose,
                       std::string("Assuming ") + (norm == TNorm::Pal ? "PAL" : "NTSC") + " for target.");
    return norm;
}

// One setting a target makes; the targets make theirs in the order of their table.
enum class TStep {
    Option,       // parsed as the option would be
    Rate,         // "r" at the norm's frame rate
    Generic,      // a generic option; one only some muxers or encoders know is not an error
    AudioBitrate, // "b" on the audio codec options
    SampleRate,
    Channels,
    StereoIfMono,
    MuxPreload,
    AssumeAspect, // "aspect" where none is set, said in the log
};

struct TTargetStep {
    TStep kind;
    const char* name = nullptr;
    const char* pal = nullptr;   // the value for PAL
    const char* other = nullptr; // the value for NTSC and film; null: the PAL value
    double number = 0;           // the value of a settings field
};

constexpr TTargetStep Opt(const char* name, const char* pal, const char* other = nullptr) {
    return {TStep::Option, name, pal, other};
}
constexpr TTargetStep Gen(const char* name, const char* pal, const char* other = nullptr) {
    return {TStep::Generic, name, pal, other};
}
constexpr TTargetStep Text(TStep kind, const char* value) {
    return {kind, nullptr, value};
}
constexpr TTargetStep Number(TStep kind, double value) {
    return {kind, nullptr, nullptr, nullptr, value};
}
constexpr TTargetStep Step(TStep kind) {
    return {kind};
}

struct TTarget {
    const char* type;
    std::vector<TTargetStep> steps;
};

const std::vector<TTarget>& Targets() {
    using enum TStep;
    static const std::vector<TTarget> targets = {
        {"vcd",
         {Opt("f", "vcd"), Opt("vcodec", "mpeg1video"), Opt("acodec", "mp2"), Opt("s", "352x288", "352x240"),
          Step(Rate), Gen("g", "15", "18"), Gen("b", "1150000"), Gen("maxrate", "1150000"),
          Gen("minrate", "1150000"), Gen("bufsize", "327680"), Text(AudioBitrate, "224000"),
          Number(SampleRate, 44100), Number(Channels, 2), Gen("packetsize", "2324"),
          Gen("muxrate", "1411200"), Number(MuxPreload, 0.44), Text(AssumeAspect, "4:3")}},
        // "scan_offset" was formerly the codec flag "+scan_offset"; today an option of the MPEG-2 encoder.
        {"svcd",
         {Opt("f", "svcd"), Opt("vcodec", "mpeg2video"), Opt("acodec", "mp2"), Opt("s", "480x576", "480x480"),
          Step(Rate), Gen("g", "15", "18"), Gen("b", "2040000"), Gen("maxrate", "2516000"),
          Gen("minrate", "0"), Gen("bufsize", "1835008"), Gen("scan_offset", "1"),
          Text(AudioBitrate, "224000"), Number(SampleRate, 44100), Gen("packetsize", "2324"),
          Step(StereoIfMono), Text(AssumeAspect, "4:3")}},
        {"dvd",
         {Opt("f", "dvd"), Opt("vcodec", "mpeg2video"), Opt("acodec", "ac3"), Opt("s", "720x576", "720x480"),
          Step(Rate), Gen("g", "15", "18"), Gen("b", "6000000"), Gen("maxrate", "9000000"),
          Gen("minrate", "0"), Gen("bufsize", "1835008"), Gen("packetsize", "2048"),
          Gen("muxrate", "10080000"), Text(AudioBitrate, "448000"), Number(SampleRate, 48000),
          Step(StereoIfMono), Text(AssumeAspect, "16:9")}},
        {"dv",
         {Opt("f", "dv"), Opt("s", "720x576", "720x480"), Opt("pix_fmt", "yuv420p", "yuv411p"), Step(Rate),
          Number(SampleRate, 48000), Number(Channels, 2)}},
        {"dv50",
         {Opt("f", "dv"), Opt("s", "720x576", "720x480"), Opt("pix_fmt", "yuv422p"), Step(Rate),
          Number(SampleRate, 48000), Number(Channels, 2)}},
    };
    return targets;
}

void ApplyStep(TOptionParser& parser, const TTargetStep& step, TNorm norm) {
    TTaskSettings& s = parser.Settings();
    const bool pal = norm == TNorm::Pal;
    const char* value = pal || step.other == nullptr ? step.pal : step.other;
    switch (step.kind) {
    case TStep::Option:
        parser.Parse(step.name, value);
        break;
    case TStep::Rate:
        parser.Parse("r", pal ? "25" : norm == TNorm::Ntsc ? "30000/1001" : "24000/1001");
        break;
    case TStep::Generic:
        parser.SetGenericOption(step.name, value);
        break;
    case TStep::AudioBitrate:
        s.Generic.SetOnType(AVMEDIA_TYPE_AUDIO, "b", value);
        break;
    case TStep::SampleRate:
        s.SampleRate = static_cast<int>(step.number);
        break;
    case TStep::Channels:
        s.Channels = static_cast<int>(step.number);
        break;
    case TStep::StereoIfMono:
        if (s.Channels == 1) s.Channels = 2;
        break;
    case TStep::MuxPreload:
        s.MuxPreload = step.number;
        break;
    case TStep::AssumeAspect:
        if (s.AspectRatio == 0) {
            FFLogger().Log(nullptr, llInfo, std::string("Assuming ") + value + " for aspect ratio");
            parser.Parse("aspect", value);
        }
        break;
    }
}

} // namespace

void ApplyTarget(TOptionParser& parser, const std::string& type, const std::string& normName,
                 const std::string& defaultNorm) {
    TNorm norm = normName == "pal"    ? TNorm::Pal
                 : normName == "ntsc" ? TNorm::Ntsc
                 : normName == "film" ? TNorm::Film
                                      : TNorm::Unknown;
    // The norm is settled first, so its errors and its log line come before the type's check.
    if (norm == TNorm::Unknown) norm = GuessNorm(parser, defaultNorm);
    const std::vector<TTarget>& targets = Targets();
    const auto target =
        std::find_if(targets.begin(), targets.end(), [&type](const TTarget& t) { return type == t.type; });
    if (target == targets.end()) throw FFmpegException("Unknown target type");
    for (const TTargetStep& step : target->steps)
        ApplyStep(parser, step, norm);
}

} // namespace orvel
