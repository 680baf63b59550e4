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

    // Apple, iPhone 4 and iPod touch (4th generation) technical specifications: H.264 up to
    // 720p, 30 frames a second, Main Profile level 3.1; MPEG-4 Simple Profile; AAC-LC up to
    // 48 kHz stereo; .m4v, .mp4 and .mov files.
    row({"iPod and iPhone",
         [] {
             auto c = Range(0, 8);
             auto more = Range(100, 104);
             c.insert(c.end(), more.begin(), more.end());
             return c;
         }(),
         {"mov"},
         {"h264", "mpeg4"},
         31,
         1280,
         720,
         {},
         30,
         14000,
         {},
         {"aac"},
         kAacRates,
         2});
    // Apple TV (2007) technical specifications: H.264 up to 1280x720 at 24 (640x480 at 30)
    // frames a second, Main Profile up to 5 Mbit/s; MPEG-4 Simple Profile; AAC-LC stereo.
    row({"Apple TV",
         Range(200, 205),
         {"mov"},
         {"h264", "mpeg4"},
         31,
         1280,
         720,
         {},
         30,
         5000,
         {},
         {"aac"},
         kAacRates,
         2});
    // T-Mobile G1 (HTC Dream) specifications: H.264 Baseline, MPEG-4 Simple Profile and H.263
    // at the 480x320 screen, 30 frames a second; AAC.
    row({"GPhone",
         {300},
         {"mov"},
         {"h264", "mpeg4", "h263"},
         30,
         480,
         320,
         {},
         30,
         2000,
         {},
         {"aac"},
         kAacRates,
         2});
    // Sony PSP system software 3.x video specifications: MPEG-4 Simple Profile and H.264 Main
    // Profile level 3.0 up to 720x480; AAC-LC at 24 or 48 kHz.
    row({"PSP",
         Range(400, 404),
         {"mov"},
         {"h264", "mpeg4"},
         30,
         720,
         480,
         {},
         30,
         10000,
         {},
         {"aac"},
         {24000, 44100, 48000},
         2});
    // Sony PS3 system software video specifications: MPEG-4 Simple and Advanced Simple
    // Profile, H.264 High Profile up to level 4.1, 1920x1080; AAC-LC.
    row({"PS3",
         Range(500, 503),
         {"mov"},
         {"h264", "mpeg4"},
         41,
         1920,
         1080,
         {},
         30,
         50000,
         {},
         {"aac"},
         kAacRates,
         2});
    // Microsoft Zune video specifications: WMV (Windows Media decoders read WMV 8), H.264
    // Baseline level 3.0 and MPEG-4 Simple Profile up to 720x480, 30 frames a second, 3 Mbit/s;
    // AAC, WMA.
    row({"Zune",
         Range(600, 602),
         {"mov", "asf"},
         {"h264", "mpeg4", "wmv2"},
         30,
         720,
         480,
         {},
         30,
         3000,
         {},
         {"aac", "wmav2"},
         kAacRates,
         2});
    // Sony Walkman (NWZ-A820 / S630) video specifications: MPEG-4 Simple Profile, H.264
    // Baseline level 1.3 and WMV at 320x240, 30 frames a second, 768 kbit/s; AAC-LC, WMA.
    row({"Walkman",
         Range(700, 702),
         {"mov", "asf"},
         {"h264", "mpeg4", "wmv2"},
         13,
         320,
         240,
         {},
         30,
         768,
         {},
         {"aac", "wmav2"},
         kAacRates,
         2});
    // Archos 605/705 specifications: MPEG-4 ASP (XviD/DivX) up to 720x576 at 30 frames a
    // second, H.264 and WMV up to 720x480; MP3, AAC, WMA.
    row({"Archos",
         Range(800, 806),
         {"mov", "asf", "avi"},
         {"h264", "mpeg4", "wmv2"},
         30,
         720,
         576,
         {},
         30,
         8000,
         {},
         {"aac", "wmav2", "mp3"},
         kMpegAudioRates,
         2});
    // Creative Zen Vision / X-Fi specifications: MPEG-4 (XviD, DivX) and H.264 Baseline up to
    // 640x480, 30 frames a second; MP3, AAC.
    row({"Zen",
         Range(900, 906),
         {"mov", "avi"},
         {"h264", "mpeg4"},
         30,
         640,
         480,
         {},
         30,
         2500,
         {},
         {"aac", "mp3"},
         kMpegAudioRates,
         2});
    // iRiver PMP-100 series and P-series specifications: MPEG-4 (XviD), H.264 Baseline and
    // WMV up to 640x480, 30 frames a second; MP3, AAC, WMA.
    row({"iRiver",
         Range(1000, 1009),
         {"mov", "asf", "avi"},
         {"h264", "mpeg4", "wmv2"},
         30,
         640,
         480,
         {},
         30,
         2500,
         {},
         {"aac", "wmav2", "mp3"},
         kMpegAudioRates,
         2});
    // SanDisk Sansa View / e200 specifications: MPEG-4 Simple Profile and WMV at 320x240,
    // 30 frames a second, 768 kbit/s; MP3, AAC, WMA.
    row({"Sansa",
         Range(1100, 1102),
         {"mov", "asf", "avi"},
         {"mpeg4", "wmv2"},
         0,
         320,
         240,
         {},
         30,
         768,
         {},
         {"aac", "wmav2", "mp3"},
         kMpegAudioRates,
         2});
    // Xbox 360 supported video formats: WMV up to 1920x1080; H.264 High Profile level 4.1 up to
    // 1920x1080; MPEG-4 Part 2 (AVI, MP4) up to 1280x720, 30 frames a second; AAC, MP3, WMA.
    row({"Xbox",
         Range(1200, 1202),
         {"mov", "asf", "avi"},
         {"h264", "mpeg4", "wmv2"},
         41,
         1920,
         1080,
         {},
         30,
         20000,
         {},
         {"aac", "wmav2", "mp3"},
         kMpegAudioRates,
         2});
    // Nintendo Wii Photo Channel 1.1: Motion JPEG in AVI or QuickTime with PCM sound, up to
    // 848x480, 30 frames a second.
    row({"Wii",
         {1300, 1301},
         {"mov", "avi"},
         {"mjpeg"},
         0,
         848,
         480,
         {},
         30,
         0,
         {},
         {"pcm_s16le"},
         {8000, 11025, 16000, 22050, 32000, 44100, 48000},
         2});
    // 3GPP TS 26.244 and 3GPP2 C.S0050 (3GP and 3G2 files), with the 3GPP codec profiles of
    // TS 26.234: H.263 Profile 0 level 45, MPEG-4 Simple Profile level 3 (CIF, 384 kbit/s),
    // H.264 Baseline level 1.3; AAC, AMR.
    row({"3GP/3G2 phones",
         Range(1400, 1404),
         {"mov"},
         {"h263", "mpeg4", "h264"},
         13,
         352,
         288,
         {},
         30,
         384,
         {},
         {"aac", "amr_nb"},
         kAacRates,
         2});
    // BlackBerry Bold 9000 media specifications: MPEG-4 Simple Profile, H.263 and H.264
    // Baseline up to 480x360, 30 frames a second, 1.5 Mbit/s; AAC.
    row({"BlackBerry",
         {1500},
         {"mov"},
         {"h264", "mpeg4", "h263"},
         30,
         480,
         360,
         {},
         30,
         1500,
         {},
         {"aac"},
         kAacRates,
         2});
    // Nokia N-series (N95, N96) specifications: MPEG-4 Simple Profile, H.263 and H.264 Baseline
    // up to 640x480, 30 frames a second; AAC.
    row({"Nokia",
         {1405, 1600},
         {"mov"},
         {"h264", "mpeg4", "h263"},
         30,
         640,
         480,
         {},
         30,
         2000,
         {},
         {"aac"},
         kAacRates,
         2});
    // Windows Mobile devices' Windows Media Player: WMV up to the screen (640x480 on the
    // HTC Touch Diamond, Dell Axim X51v, HP iPAQ hx4700), 30 frames a second; WMA.
    row({"Pocket PC",
         Range(1700, 1707),
         {"asf"},
         {"wmv2", "wmv1"},
         0,
         640,
         480,
         {},
         30,
         1500,
         {},
         {"wmav2"},
         kMpegAudioRates,
         2});
    // Toshiba Gigabeat S specifications: WMV at 320x240, 30 frames a second; WMA.
    row({"Gigabeat",
         {2000},
         {"asf"},
         {"wmv2", "wmv1"},
         0,
         320,
         240,
         {},
         30,
         768,
         {},
         {"wmav2"},
         kMpegAudioRates,
         2});
    // Adobe FLV and SWF file format specifications: Sorenson H.263 video; MP3 at 11, 22 or
    // 44 kHz (the formats' own rates).
    row({"Flash",
         {1900, 1901},
         {"flv", "swf"},
         {"flv1"},
         0,
         1920,
         1080,
         {},
         60,
         0,
         {},
         {"mp3"},
         {11025, 22050, 44100},
         2});
    // ATSC A/53 (MPEG-2 Main Profile at High Level, 1920x1080) and H.264 High Profile level 4.1
    // as the HD players (Blu-ray) cap it.
    row({"HD",
         Range(2100, 2108),
         {"mov", "asf", "avi", "mpeg", "mpegts"},
         {"h264", "mpeg4", "wmv2", "mpeg2video"},
         41,
         1920,
         1080,
         {},
         30,
         40000,
         {},
         {"aac", "wmav2", "mp3", "ac3"},
         kMpegAudioRates,
         6});
    // DVD-Video (DVD Forum, Book B): MPEG-2 Main Profile at Main Level, 720x480 (NTSC) or
    // 720x576 (PAL) and their 704 and 352 wide sizes, 4:3 or 16:9, 9.8 Mbit/s; AC-3, MPEG audio
    // or LPCM at 48 kHz.
    row({"DVD (NTSC)",
         {2200},
         {"mpeg"},
         {"mpeg2video"},
         0,
         720,
         480,
         {{720, 480}, {704, 480}, {352, 480}, {352, 240}},
         29.98,
         9800,
         kTvShapes,
         {"ac3", "mp2", "pcm_dvd"},
         {48000},
         6});
    row({"DVD (PAL)",
         {2201},
         {"mpeg"},
         {"mpeg2video"},
         0,
         720,
         576,
         {{720, 576}, {704, 576}, {352, 576}, {352, 288}},
         25,
         9800,
         kTvShapes,
         {"ac3", "mp2", "pcm_dvd"},
         {48000},
         6});
    // Super Video CD (IEC 62107): MPEG-2 at 480x480 (NTSC) or 480x576 (PAL), 4:3 or 16:9, video
    // up to 2.6 Mbit/s; MPEG-1 Layer II audio at 44.1 kHz.
    row({"SVCD (NTSC)",
         {2300},
         {"mpeg"},
         {"mpeg2video"},
         0,
         480,
         480,
         {{480, 480}},
         29.98,
         2600,
         kTvShapes,
         {"mp2"},
         {44100},
         2});
    row({"SVCD (PAL)",
         {2301},
         {"mpeg"},
         {"mpeg2video"},
         0,
         480,
         576,
         {{480, 576}},
         25,
         2600,
         kTvShapes,
         {"mp2"},
         {44100},
         2});
    // Video CD 2.0 (the White Book): MPEG-1 at 352x240 (NTSC) or 352x288 (PAL), 4:3, 1150
    // kbit/s; MPEG-1 Layer II stereo audio at 44.1 kHz.
    row({"VCD (NTSC)",
         {2400},
         {"mpeg"},
         {"mpeg1video"},
         0,
         352,
         240,
         {{352, 240}},
         29.98,
         1151,
         {{4, 3}},
         {"mp2"},
         {44100},
         2});
    row({"VCD (PAL)",
         {2401},
         {"mpeg"},
         {"mpeg1video"},
         0,
         352,
         288,
         {{352, 288}},
         25,
         1151,
         {{4, 3}},
         {"mp2"},
         {44100},
         2});
    // Matroska (the IETF CELLAR specification) carries any codec; its players are PCs, so the
    // limits are those of H.264 High Profile level 4.1 at 1080p.
    row({"MKV",
         {2500},
         {"matroska"},
         {"h264", "mpeg4", "mpeg2video", "vp8"},
         41,
         1920,
         1080,
         {},
         60,
         50000,
         {},
         {"vorbis", "aac", "mp3", "ac3"},
         kAacRates,
         6});
    // The generic containers (QuickTime, MPEG program stream, MP4, AVI, ASF), as the
    // standards of their codecs bound them: MPEG-1 (ISO 11172-2 constrained parameters are not
    // asked), MPEG-2 Main Profile at Main Level, MPEG-4 Part 2, H.264 level 4.1 at 1080p.
    row({"Generic containers",
         {1800, 2600, 2601, 2602, 2603, 2604, 2605, 2606, 2607},
         {"mov", "mpeg", "asf", "avi"},
         {"h264", "mpeg4", "mpeg1video", "mpeg2video", "wmv2"},
         41,
         1920,
         1080,
         {},
         60,
         50000,
         {},
         {"aac", "mp3", "mp2", "wmav2"},
         kMpegAudioRates,
         6});
    // DV (IEC 61834, SMPTE 314M): 720x480 at 29.97 or 720x576 at 25, 4:3 or 16:9, 25 Mbit/s;
    // 16-bit PCM at 48 kHz (or 32 and 44.1 kHz).
    row({"DV (NTSC)",
         {2608},
         {"dv"},
         {"dvvideo"},
         0,
         720,
         480,
         {{720, 480}},
         29.98,
         25000,
         kTvShapes,
         {"pcm_s16le"},
         {32000, 44100, 48000},
         2});
    row({"DV (PAL)",
         {2609},
         {"dv"},
         {"dvvideo"},
         0,
         720,
         576,
         {{720, 576}},
         25,
         25000,
         kTvShapes,
         {"pcm_s16le"},
         {32000, 44100, 48000},
         2});
    // Audio: the codecs' own standards (ISO 11172-3 and 13818-3 for MP3, ISO 14496-3 for AAC,
    // ATSC A/52 for AC-3, Vorbis I, WMA and WAV as their players take them).
    row({"Audio",
         Range(2700, 2706),
         {"mp3", "aac", "mov", "asf", "wav", "ogg", "ac3"},
         {},
         0,
         0,
         0,
         {},
         0,
         0,
         {},
         {"mp3", "aac", "wmav2", "pcm_s16le", "vorbis", "ac3"},
         kAacRates,
         6});
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
