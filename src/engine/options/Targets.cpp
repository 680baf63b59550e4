#include "engine/options/Targets.h"

#include "engine/foundation/FFmpegException.h"
#include "engine/foundation/FFmpegLogger.h"
#include "engine/options/OptionParser.h"

#include <cmath>

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

} // namespace

void ApplyTarget(TOptionParser& parser, const std::string& type, const std::string& normName,
                 const std::string& defaultNorm) {
    TNorm norm = normName == "pal"    ? TNorm::Pal
                 : normName == "ntsc" ? TNorm::Ntsc
                 : normName == "film" ? TNorm::Film
                                      : TNorm::Unknown;
    // The norm is settled first, so its errors and its log line come before the type's check.
    if (norm == TNorm::Unknown) norm = GuessNorm(parser, defaultNorm);
    if (type != "vcd" && type != "svcd" && type != "dvd" && type != "dv" && type != "dv50")
        throw FFmpegException("Unknown target type");

    const bool pal = norm == TNorm::Pal;
    const char* rate = pal ? "25" : norm == TNorm::Ntsc ? "30000/1001" : "24000/1001";
    TTaskSettings& s = parser.Settings();
    auto opt = [&](const char* name, const std::string& value) { parser.Parse(name, value); };
    // Options that only some muxers or encoders know are not an error here: each target sets
    // what its format and codecs use.
    auto generic = [&](const char* name, const char* value) { parser.SetGenericOption(name, value); };
    auto assumeAspect = [&](const char* aspect) {
        if (s.AspectRatio == 0) {
            FFLogger().Log(nullptr, llInfo, std::string("Assuming ") + aspect + " for aspect ratio");
            opt("aspect", aspect);
        }
    };

    if (type == "vcd") {
        opt("f", "vcd");
        opt("vcodec", "mpeg1video");
        opt("acodec", "mp2");
        opt("s", pal ? "352x288" : "352x240");
        opt("r", rate);
        generic("g", pal ? "15" : "18");
        generic("b", "1150000");
        generic("maxrate", "1150000");
        generic("minrate", "1150000");
        generic("bufsize", "327680");
        parser.Settings().Generic.SetOnType(AVMEDIA_TYPE_AUDIO, "b", "224000");
        s.SampleRate = 44100;
        s.Channels = 2;
        generic("packetsize", "2324");
        generic("muxrate", "1411200");
        s.MuxPreload = 0.44;
        assumeAspect("4:3");
    } else if (type == "svcd") {
        opt("f", "svcd");
        opt("vcodec", "mpeg2video");
        opt("acodec", "mp2");
        opt("s", pal ? "480x576" : "480x480");
        opt("r", rate);
        generic("g", pal ? "15" : "18");
        generic("b", "2040000");
        generic("maxrate", "2516000");
        generic("minrate", "0");
        generic("bufsize", "1835008");
        // Formerly the codec flag "+scan_offset"; today an option of the MPEG-2 encoder.
        generic("scan_offset", "1");
        parser.Settings().Generic.SetOnType(AVMEDIA_TYPE_AUDIO, "b", "224000");
        s.SampleRate = 44100;
        generic("packetsize", "2324");
        if (s.Channels == 1) s.Channels = 2;
        assumeAspect("4:3");
    } else if (type == "dvd") {
        opt("f", "dvd");
        opt("vcodec", "mpeg2video");
        opt("acodec", "ac3");
        opt("s", pal ? "720x576" : "720x480");
        opt("r", rate);
        generic("g", pal ? "15" : "18");
        generic("b", "6000000");
        generic("maxrate", "9000000");
        generic("minrate", "0");
        generic("bufsize", "1835008");
        generic("packetsize", "2048");
        generic("muxrate", "10080000");
        parser.Settings().Generic.SetOnType(AVMEDIA_TYPE_AUDIO, "b", "448000");
        s.SampleRate = 48000;
        if (s.Channels == 1) s.Channels = 2;
        assumeAspect("16:9");
    } else {
        opt("f", "dv");
        opt("s", pal ? "720x576" : "720x480");
        opt("pix_fmt", type == "dv50" ? "yuv422p" : pal ? "yuv420p" : "yuv411p");
        opt("r", rate);
        s.SampleRate = 48000;
        s.Channels = 2;
    }
}

} // namespace orvel
