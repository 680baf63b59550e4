#include "formats/DeviceCompliance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvel {
namespace {

const std::vector<int> kAacRates = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
const std::vector<int> kMpegAudioRates = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
const std::vector<TDisplayShape> kTvShapes = {{4, 3}, {16, 9}};

std::vector<int> Range(int first, int last) {
    std::vector<int> codes;
    for (int c = first; c <= last; ++c)
        codes.push_back(c);
    return codes;
}

std::vector<TComplianceRow> MakeRows() {
    std::vector<TComplianceRow> rows;
    auto row = [&rows](TComplianceRow r) { rows.push_back(std::move(r)); };

    // Apple, iPhone 4 and iPod touch (4th generation) published technical data: H.264 up to
    // 720p, 30 frames a second, Main Profile level 3.1; MPEG-4 Simple Profile; AAC-LC up to
    // 48 kHz stereo; .m4v, .mp4 and .mov files.
    row({.Family = "iPod and iPhone",
         .Codes =
             [] {
                 auto c = Range(0, 8);
                 auto more = Range(100, 104);
                 c.insert(c.end(), more.begin(), more.end());
                 return c;
             }(),
         .Containers = {"mov"},
         .VideoCodecs = {"h264", "mpeg4"},
         .MaxH264Level = 31,
         .MaxWidth = 1280,
         .MaxHeight = 720,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 14000,
         .AudioCodecs = {"aac"},
         .SampleRates = kAacRates});
    // Apple TV (2007) published technical data: H.264 up to 1280x720 at 24 (640x480 at 30)
    // frames a second, Main Profile up to 5 Mbit/s; MPEG-4 Simple Profile; AAC-LC stereo.
    row({.Family = "Apple TV",
         .Codes = Range(200, 205),
         .Containers = {"mov"},
         .VideoCodecs = {"h264", "mpeg4"},
         .MaxH264Level = 31,
         .MaxWidth = 1280,
         .MaxHeight = 720,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 5000,
         .AudioCodecs = {"aac"},
         .SampleRates = kAacRates});
    // T-Mobile G1 (HTC Dream) published data: H.264 Baseline, MPEG-4 Simple Profile and H.263
    // at the 480x320 screen, 30 frames a second; AAC.
    row({.Family = "GPhone",
         .Codes = {300},
         .Containers = {"mov"},
         .VideoCodecs = {"h264", "mpeg4", "h263"},
         .MaxH264Level = 30,
         .MaxWidth = 480,
         .MaxHeight = 320,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 2000,
         .AudioCodecs = {"aac"},
         .SampleRates = kAacRates});
    // Sony PSP system software 3.x published video formats: MPEG-4 Simple Profile and H.264 Main
    // Profile level 3.0 up to 720x480; AAC-LC at 24 or 48 kHz.
    row({.Family = "PSP",
         .Codes = Range(400, 404),
         .Containers = {"mov"},
         .VideoCodecs = {"h264", "mpeg4"},
         .MaxH264Level = 30,
         .MaxWidth = 720,
         .MaxHeight = 480,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 10000,
         .AudioCodecs = {"aac"},
         .SampleRates = {24000, 44100, 48000}});
    // Sony PS3 system software published video formats: MPEG-4 Simple and Advanced Simple
    // Profile, H.264 High Profile up to level 4.1, 1920x1080; AAC-LC.
    row({.Family = "PS3",
         .Codes = Range(500, 503),
         .Containers = {"mov"},
         .VideoCodecs = {"h264", "mpeg4"},
         .MaxH264Level = 41,
         .MaxWidth = 1920,
         .MaxHeight = 1080,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 50000,
         .AudioCodecs = {"aac"},
         .SampleRates = kAacRates});
    // Microsoft Zune published video formats: WMV (Windows Media decoders read WMV 8), H.264
    // Baseline level 3.0 and MPEG-4 Simple Profile up to 720x480, 30 frames a second, 3 Mbit/s;
    // AAC, WMA.
    row({.Family = "Zune",
         .Codes = Range(600, 602),
         .Containers = {"mov", "asf"},
         .VideoCodecs = {"h264", "mpeg4", "wmv2"},
         .MaxH264Level = 30,
         .MaxWidth = 720,
         .MaxHeight = 480,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 3000,
         .AudioCodecs = {"aac", "wmav2"},
         .SampleRates = kAacRates});
    // Sony Walkman (NWZ-A820 / S630) published video formats: MPEG-4 Simple Profile, H.264
    // Baseline level 1.3 and WMV at 320x240, 30 frames a second, 768 kbit/s; AAC-LC, WMA.
    row({.Family = "Walkman",
         .Codes = Range(700, 702),
         .Containers = {"mov", "asf"},
         .VideoCodecs = {"h264", "mpeg4", "wmv2"},
         .MaxH264Level = 13,
         .MaxWidth = 320,
         .MaxHeight = 240,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 768,
         .AudioCodecs = {"aac", "wmav2"},
         .SampleRates = kAacRates});
    // Archos 605/705 published data: MPEG-4 ASP (XviD/DivX) up to 720x576 at 30 frames a
    // second, H.264 and WMV up to 720x480; MP3, AAC, WMA.
    row({.Family = "Archos",
         .Codes = Range(800, 806),
         .Containers = {"mov", "asf", "avi"},
         .VideoCodecs = {"h264", "mpeg4", "wmv2"},
         .MaxH264Level = 30,
         .MaxWidth = 720,
         .MaxHeight = 576,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 8000,
         .AudioCodecs = {"aac", "wmav2", "mp3"},
         .SampleRates = kMpegAudioRates});
    // Creative Zen Vision / X-Fi published data: MPEG-4 (XviD, DivX) and H.264 Baseline up to
    // 640x480, 30 frames a second; MP3, AAC.
    row({.Family = "Zen",
         .Codes = Range(900, 906),
         .Containers = {"mov", "avi"},
         .VideoCodecs = {"h264", "mpeg4"},
         .MaxH264Level = 30,
         .MaxWidth = 640,
         .MaxHeight = 480,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 2500,
         .AudioCodecs = {"aac", "mp3"},
         .SampleRates = kMpegAudioRates});
    // iRiver PMP-100 series and P-series published data: MPEG-4 (XviD), H.264 Baseline and
    // WMV up to 640x480, 30 frames a second; MP3, AAC, WMA.
    row({.Family = "iRiver",
         .Codes = Range(1000, 1009),
         .Containers = {"mov", "asf", "avi"},
         .VideoCodecs = {"h264", "mpeg4", "wmv2"},
         .MaxH264Level = 30,
         .MaxWidth = 640,
         .MaxHeight = 480,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 2500,
         .AudioCodecs = {"aac", "wmav2", "mp3"},
         .SampleRates = kMpegAudioRates});
    // SanDisk Sansa View / e200 published data: MPEG-4 Simple Profile and WMV at 320x240,
    // 30 frames a second, 768 kbit/s; MP3, AAC, WMA.
    row({.Family = "Sansa",
         .Codes = Range(1100, 1102),
         .Containers = {"mov", "asf", "avi"},
         .VideoCodecs = {"mpeg4", "wmv2"},
         .MaxWidth = 320,
         .MaxHeight = 240,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 768,
         .AudioCodecs = {"aac", "wmav2", "mp3"},
         .SampleRates = kMpegAudioRates});
    // Xbox 360 supported video formats: WMV up to 1920x1080; H.264 High Profile level 4.1 up to
    // 1920x1080; MPEG-4 Visual (AVI, MP4) up to 1280x720, 30 frames a second; AAC, MP3, WMA.
    row({.Family = "Xbox",
         .Codes = Range(1200, 1202),
         .Containers = {"mov", "asf", "avi"},
         .VideoCodecs = {"h264", "mpeg4", "wmv2"},
         .MaxH264Level = 41,
         .MaxWidth = 1920,
         .MaxHeight = 1080,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 20000,
         .AudioCodecs = {"aac", "wmav2", "mp3"},
         .SampleRates = kMpegAudioRates});
    // Nintendo Wii Photo Channel 1.1: Motion JPEG in AVI or QuickTime with PCM sound, up to
    // 848x480, 30 frames a second.
    row({.Family = "Wii",
         .Codes = {1300, 1301},
         .Containers = {"mov", "avi"},
         .VideoCodecs = {"mjpeg"},
         .MaxWidth = 848,
         .MaxHeight = 480,
         .MaxFrameRate = 30,
         .AudioCodecs = {"pcm_s16le"},
         .SampleRates = {8000, 11025, 16000, 22050, 32000, 44100, 48000}});
    // 3GPP TS 26.244 and 3GPP2 C.S0050 (3GP and 3G2 files), with the 3GPP codec profiles of
    // TS 26.234: H.263 Profile 0 level 45, MPEG-4 Simple Profile level 3 (CIF, 384 kbit/s),
    // H.264 Baseline level 1.3; AAC, AMR.
    row({.Family = "3GP/3G2 phones",
         .Codes = Range(1400, 1404),
         .Containers = {"mov"},
         .VideoCodecs = {"h263", "mpeg4", "h264"},
         .MaxH264Level = 13,
         .MaxWidth = 352,
         .MaxHeight = 288,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 384,
         .AudioCodecs = {"aac", "amr_nb"},
         .SampleRates = kAacRates});
    // BlackBerry Bold 9000 published media formats: MPEG-4 Simple Profile, H.263 and H.264
    // Baseline up to 480x360, 30 frames a second, 1.5 Mbit/s; AAC.
    row({.Family = "BlackBerry",
         .Codes = {1500},
         .Containers = {"mov"},
         .VideoCodecs = {"h264", "mpeg4", "h263"},
         .MaxH264Level = 30,
         .MaxWidth = 480,
         .MaxHeight = 360,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 1500,
         .AudioCodecs = {"aac"},
         .SampleRates = kAacRates});
    // Nokia N-series (N95, N96) published data: MPEG-4 Simple Profile, H.263 and H.264 Baseline
    // up to 640x480, 30 frames a second; AAC.
    row({.Family = "Nokia",
         .Codes = {1405, 1600},
         .Containers = {"mov"},
         .VideoCodecs = {"h264", "mpeg4", "h263"},
         .MaxH264Level = 30,
         .MaxWidth = 640,
         .MaxHeight = 480,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 2000,
         .AudioCodecs = {"aac"},
         .SampleRates = kAacRates});
    // Windows Mobile devices' Windows Media Player: WMV up to the screen (640x480 on the
    // HTC Touch Diamond, Dell Axim X51v, HP iPAQ hx4700), 30 frames a second; WMA.
    row({.Family = "Pocket PC",
         .Codes = Range(1700, 1707),
         .Containers = {"asf"},
         .VideoCodecs = {"wmv2", "wmv1"},
         .MaxWidth = 640,
         .MaxHeight = 480,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 1500,
         .AudioCodecs = {"wmav2"},
         .SampleRates = kMpegAudioRates});
    // Toshiba Gigabeat S published data: WMV at 320x240, 30 frames a second; WMA.
    row({.Family = "Gigabeat",
         .Codes = {2000},
         .Containers = {"asf"},
         .VideoCodecs = {"wmv2", "wmv1"},
         .MaxWidth = 320,
         .MaxHeight = 240,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 768,
         .AudioCodecs = {"wmav2"},
         .SampleRates = kMpegAudioRates});
    // Adobe FLV and SWF file format documents: Sorenson H.263 video; MP3 at 11, 22 or
    // 44 kHz (the formats' own rates).
    row({.Family = "Flash",
         .Codes = {1900, 1901},
         .Containers = {"flv", "swf"},
         .VideoCodecs = {"flv1"},
         .MaxWidth = 1920,
         .MaxHeight = 1080,
         .MaxFrameRate = 60,
         .AudioCodecs = {"mp3"},
         .SampleRates = {11025, 22050, 44100}});
    // ATSC A/53 (MPEG-2 Main Profile at High Level, 1920x1080) and H.264 High Profile level 4.1
    // as the HD players (Blu-ray) cap it.
    row({.Family = "HD",
         .Codes = Range(2100, 2108),
         .Containers = {"mov", "asf", "avi", "mpeg", "mpegts"},
         .VideoCodecs = {"h264", "mpeg4", "wmv2", "mpeg2video"},
         .MaxH264Level = 41,
         .MaxWidth = 1920,
         .MaxHeight = 1080,
         .MaxFrameRate = 30,
         .MaxVideoKbps = 40000,
         .AudioCodecs = {"aac", "wmav2", "mp3", "ac3"},
         .SampleRates = kMpegAudioRates,
         .MaxChannels = 6});
    // DVD-Video (DVD Forum, Book B): MPEG-2 Main Profile at Main Level, 720x480 (NTSC) or
    // 720x576 (PAL) and their 704 and 352 wide sizes, 4:3 or 16:9, 9.8 Mbit/s; AC-3, MPEG audio
    // or LPCM at 48 kHz.
    row({.Family = "DVD (NTSC)",
         .Codes = {2200},
         .Containers = {"mpeg"},
         .VideoCodecs = {"mpeg2video"},
         .MaxWidth = 720,
         .MaxHeight = 480,
         .FrameSizes = {{720, 480}, {704, 480}, {352, 480}, {352, 240}},
         .MaxFrameRate = 29.97,
         .MaxVideoKbps = 9800,
         .DisplayAspects = kTvShapes,
         .AudioCodecs = {"ac3", "mp2", "pcm_dvd"},
         .SampleRates = {48000},
         .MaxChannels = 6});
    row({.Family = "DVD (PAL)",
         .Codes = {2201},
         .Containers = {"mpeg"},
         .VideoCodecs = {"mpeg2video"},
         .MaxWidth = 720,
         .MaxHeight = 576,
         .FrameSizes = {{720, 576}, {704, 576}, {352, 576}, {352, 288}},
         .MaxFrameRate = 25,
         .MaxVideoKbps = 9800,
         .DisplayAspects = kTvShapes,
         .AudioCodecs = {"ac3", "mp2", "pcm_dvd"},
         .SampleRates = {48000},
         .MaxChannels = 6});
    // Super Video CD (IEC 62107): MPEG-2 at 480x480 (NTSC) or 480x576 (PAL), 4:3 or 16:9, video
    // up to 2.6 Mbit/s; MPEG-1 Layer II audio at 44.1 kHz.
    row({.Family = "SVCD (NTSC)",
         .Codes = {2300},
         .Containers = {"mpeg"},
         .VideoCodecs = {"mpeg2video"},
         .MaxWidth = 480,
         .MaxHeight = 480,
         .FrameSizes = {{480, 480}},
         .MaxFrameRate = 29.97,
         .MaxVideoKbps = 2600,
         .DisplayAspects = kTvShapes,
         .AudioCodecs = {"mp2"},
         .SampleRates = {44100}});
    row({.Family = "SVCD (PAL)",
         .Codes = {2301},
         .Containers = {"mpeg"},
         .VideoCodecs = {"mpeg2video"},
         .MaxWidth = 480,
         .MaxHeight = 576,
         .FrameSizes = {{480, 576}},
         .MaxFrameRate = 25,
         .MaxVideoKbps = 2600,
         .DisplayAspects = kTvShapes,
         .AudioCodecs = {"mp2"},
         .SampleRates = {44100}});
    // Video CD 2.0 (the White Book): MPEG-1 at 352x240 (NTSC) or 352x288 (PAL), 4:3, 1150
    // kbit/s; MPEG-1 Layer II stereo audio at 44.1 kHz.
    row({.Family = "VCD (NTSC)",
         .Codes = {2400},
         .Containers = {"mpeg"},
         .VideoCodecs = {"mpeg1video"},
         .MaxWidth = 352,
         .MaxHeight = 240,
         .FrameSizes = {{352, 240}},
         .MaxFrameRate = 29.97,
         .MaxVideoKbps = 1150,
         .DisplayAspects = {{4, 3}},
         .AudioCodecs = {"mp2"},
         .SampleRates = {44100}});
    row({.Family = "VCD (PAL)",
         .Codes = {2401},
         .Containers = {"mpeg"},
         .VideoCodecs = {"mpeg1video"},
         .MaxWidth = 352,
         .MaxHeight = 288,
         .FrameSizes = {{352, 288}},
         .MaxFrameRate = 25,
         .MaxVideoKbps = 1150,
         .DisplayAspects = {{4, 3}},
         .AudioCodecs = {"mp2"},
         .SampleRates = {44100}});
    // Matroska (the IETF CELLAR standard) carries any codec; its players are PCs, so the
    // limits are those of H.264 High Profile level 4.1 at 1080p.
    row({.Family = "MKV",
         .Codes = {2500},
         .Containers = {"matroska"},
         .VideoCodecs = {"h264", "mpeg4", "mpeg2video", "vp8"},
         .MaxH264Level = 41,
         .MaxWidth = 1920,
         .MaxHeight = 1080,
         .MaxFrameRate = 60,
         .MaxVideoKbps = 50000,
         .AudioCodecs = {"vorbis", "aac", "mp3", "ac3"},
         .SampleRates = kAacRates,
         .MaxChannels = 6});
    // The generic containers (QuickTime, MPEG program stream, MP4, AVI, ASF), as the
    // standards of their codecs bound them: MPEG-1 (ISO 11172-2 constrained parameters are not
    // asked), MPEG-2 up to Main Profile at High Level, MPEG-4 Visual (ISO 14496-2), H.264
    // level 4.1 at 1080p.
    row({.Family = "Generic containers",
         .Codes = {1800, 2600, 2601, 2602, 2603, 2604, 2605, 2606, 2607},
         .Containers = {"mov", "mpeg", "asf", "avi"},
         .VideoCodecs = {"h264", "mpeg4", "mpeg1video", "mpeg2video", "wmv2"},
         .MaxH264Level = 41,
         .MaxWidth = 1920,
         .MaxHeight = 1080,
         .MaxFrameRate = 60,
         .MaxVideoKbps = 50000,
         .AudioCodecs = {"aac", "mp3", "mp2", "wmav2"},
         .SampleRates = kMpegAudioRates,
         .MaxChannels = 6});
    // DV (IEC 61834, SMPTE 314M): 720x480 at 29.97 or 720x576 at 25, 4:3 or 16:9, 25 Mbit/s;
    // 16-bit PCM at 48 kHz (or 32 and 44.1 kHz).
    row({.Family = "DV (NTSC)",
         .Codes = {2608},
         .Containers = {"dv"},
         .VideoCodecs = {"dvvideo"},
         .MaxWidth = 720,
         .MaxHeight = 480,
         .FrameSizes = {{720, 480}},
         .MaxFrameRate = 29.97,
         .MaxVideoKbps = 25000,
         .DisplayAspects = kTvShapes,
         .AudioCodecs = {"pcm_s16le"},
         .SampleRates = {32000, 44100, 48000}});
    row({.Family = "DV (PAL)",
         .Codes = {2609},
         .Containers = {"dv"},
         .VideoCodecs = {"dvvideo"},
         .MaxWidth = 720,
         .MaxHeight = 576,
         .FrameSizes = {{720, 576}},
         .MaxFrameRate = 25,
         .MaxVideoKbps = 25000,
         .DisplayAspects = kTvShapes,
         .AudioCodecs = {"pcm_s16le"},
         .SampleRates = {32000, 44100, 48000}});
    // Audio: the codecs' own standards (ISO 11172-3 and 13818-3 for MP3, ISO 14496-3 for AAC,
    // ATSC A/52 for AC-3, Vorbis I, WMA and WAV as their players take them).
    row({.Family = "Audio",
         .Codes = Range(2700, 2706),
         .Containers = {"mp3", "aac", "mov", "asf", "wav", "ogg", "ac3"},
         .MaxWidth = 0,
         .MaxHeight = 0,
         .MaxFrameRate = 0,
         .AudioCodecs = {"mp3", "aac", "wmav2", "pcm_s16le", "vorbis", "ac3"},
         .SampleRates = kAacRates,
         .MaxChannels = 6});
    return rows;
}

std::string Text(const char* format, double a, double b = 0, double c = 0) {
    char buf[160];
    std::snprintf(buf, sizeof buf, format, a, b, c);
    return buf;
}

bool Listed(const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

} // namespace

const std::vector<TComplianceRow>& ComplianceRows() {
    static const std::vector<TComplianceRow> rows = MakeRows();
    return rows;
}

const TComplianceRow* ComplianceRowOf(int formatCode) {
    for (const TComplianceRow& row : ComplianceRows())
        if (std::find(row.Codes.begin(), row.Codes.end(), formatCode) != row.Codes.end()) return &row;
    return nullptr;
}

std::string OutsideDeviceNote(const std::vector<std::string>& outside) {
    std::string note = "The device may not play this output";
    for (size_t i = 0; i < outside.size(); ++i)
        note += (i == 0 ? ": " : "; ") + outside[i];
    return note + ".";
}

TDisplayShape NearestShape(const std::vector<TDisplayShape>& allowed, double aspect) {
    TDisplayShape best = allowed.empty() ? TDisplayShape{} : allowed.front();
    // Compared as ratios of ratios, so 1.5 is as far from 4:3 as 4:3 from 1.185.
    const auto distance = [aspect](const TDisplayShape& s) { return std::abs(std::log(aspect / s.Value())); };
    for (const TDisplayShape& s : allowed)
        if (aspect > 0 && distance(s) < distance(best)) best = s;
    return best;
}

std::vector<std::string> OutsideRow(const TComplianceRow& row, const TOutputFacts& f) {
    std::vector<std::string> out;
    if (!f.VideoCodec.empty()) {
        if (!Listed(row.VideoCodecs, f.VideoCodec)) out.push_back("video codec " + f.VideoCodec);
        if (f.VideoCodec == "h264" && (row.MaxH264Level == 0 || f.H264Level > row.MaxH264Level))
            out.push_back(Text("H.264 level %.1f above %.1f", f.H264Level / 10.0, row.MaxH264Level / 10.0));
        if (f.Width > row.MaxWidth || f.Height > row.MaxHeight)
            out.push_back(Text("frame %.0fx%.0f", f.Width, f.Height) +
                          Text(" above %.0fx%.0f", row.MaxWidth, row.MaxHeight));
        const bool sizeListed = row.FrameSizes.empty() ||
                                std::any_of(row.FrameSizes.begin(), row.FrameSizes.end(), [&](TFrameShape s) {
                                    return s.Width == f.Width && s.Height == f.Height;
                                });
        if (!sizeListed) out.push_back(Text("frame %.0fx%.0f not a size of the format", f.Width, f.Height));
        if (f.FrameRate > row.MaxFrameRate + 0.005)
            out.push_back(Text("%.3f frames a second above %.3f", f.FrameRate, row.MaxFrameRate));
        if (row.MaxVideoKbps > 0 && f.VideoKbps > row.MaxVideoKbps)
            out.push_back(Text("video %.0f kbit/s above %.0f", f.VideoKbps, row.MaxVideoKbps));
        const bool shapeListed =
            row.DisplayAspects.empty() || f.DisplayAspect <= 0 ||
            std::any_of(row.DisplayAspects.begin(), row.DisplayAspects.end(),
                        [&](TDisplayShape s) { return std::abs(f.DisplayAspect / s.Value() - 1) < 0.01; });
        if (!shapeListed) out.push_back(Text("display aspect %.3f", f.DisplayAspect));
    }
    if (!f.AudioCodec.empty()) {
        if (!Listed(row.AudioCodecs, f.AudioCodec)) out.push_back("audio codec " + f.AudioCodec);
        if (!row.SampleRates.empty() && f.SampleRate > 0 &&
            std::find(row.SampleRates.begin(), row.SampleRates.end(), f.SampleRate) == row.SampleRates.end())
            out.push_back(Text("sample rate %.0f Hz", f.SampleRate));
        if (f.Channels > row.MaxChannels)
            out.push_back(Text("%.0f channels above %.0f", f.Channels, row.MaxChannels));
    }
    return out;
}

} // namespace orvel
