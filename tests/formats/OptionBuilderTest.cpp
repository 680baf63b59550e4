// The option builder: a job, the format's stored choices and the source's video in, engine
// output options out.
#include "formats/OptionBuilder.h"

#include "app/store/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <stdexcept>

namespace orvel {
namespace {

namespace fs = std::filesystem;
constexpr int kCode = 501;

class ScriptedPrompt : public ISizePrompt {
public:
    explicit ScriptedPrompt(bool answer) : answer_(answer) {}
    bool UseDefaultSize() override {
        ++asked;
        return answer_;
    }
    int asked = 0;

private:
    bool answer_;
};

// A format whose definition names `format` and whose stored choices are `choices`.
class Builder {
public:
    Builder(const std::string& format, const std::map<std::string, std::string>& choices,
            const std::map<std::string, std::string>& definition = {}, int code = kCode)
        : code_(code) {
        const std::string section = "formatInfo" + std::to_string(code);
        const fs::path dir = fs::path(ORVEL_BINARY_DIR) / "option-builder-test";
        fs::create_directories(dir);
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        defs_ = (dir / (name + "-defs.ini")).string();
        settings_ = (dir / (name + "-settings.ini")).string();
        fs::remove(defs_);
        fs::remove(settings_);
        TIniFile(defs_).WriteString(section, "Format", format);
        for (const auto& [key, value] : definition)
            TIniFile(defs_).WriteString(section, key, value);
        for (const auto& [key, value] : choices)
            TIniFile(settings_).WriteString(section, key, value);
    }
    TOutputOptions Build(const TlvFilesRecord& job, const TSourceVideo& source, ISizePrompt& prompt) {
        TFormatParamStore store(defs_, settings_);
        TOutputOptions out;
        out.FileName = "dest.avi";
        input = TInputOptions{};
        BuildOutputOptions(job, code_, out, source, input, store, prompt, &outsideRow);
        return out;
    }
    TOutputOptions Build(const TlvFilesRecord& job, const TSourceVideo& source) {
        ScriptedPrompt never(true);
        TOutputOptions out = Build(job, source, never);
        EXPECT_EQ(never.asked, 0);
        return out;
    }
    TInputOptions input;
    std::vector<std::string> outsideRow;

private:
    int code_;
    std::string defs_, settings_;
};

TSourceVideo Video(int w, int h, int bitRate = 1000000) {
    return TSourceVideo{1, w, h, bitRate};
}

// A source as a player shows it: stored w x h at display aspect `shown`, 25 frames a second.
TSourceVideo Shown(int w, int h, double shown) {
    return TSourceVideo{1, w, h, 1000000, shown, 25};
}

TlvFilesRecord Job(const std::string& zoom, int top = 0, int left = 0, int bottom = 0, int right = 0) {
    TlvFilesRecord job;
    job.ZoomMode = zoom;
    job.CropTop = top;
    job.CropLeft = left;
    job.CropBottom = bottom;
    job.CropRight = right;
    return job;
}

struct ZoomCase {
    const char* Name;
    TlvFilesRecord Job;
    int W0, H0;
    const char* Size;
    const char* FrameSize;
    const char* Aspect;
    const char* Filters;
    int CropTop, CropBottom, CropLeft, CropRight;
};

TEST(OptionBuilder, ZoomModesSizeTheFrameAndBuildTheFilterChain) {
    const ZoomCase cases[] = {
        {"letterbox wide into 4:3", Job("lbox"), 1280, 720, "320x240", "320x180", "320:180",
         "pad=320:240:0:30", 0, 0, 0, 0},
        {"letterbox 4:3 into wide", Job("lbox"), 640, 480, "480x272", "364x272", "364:272",
         "pad=480:272:58:0", 0, 0, 0, 0},
        {"letterbox as source", Job("lbox"), 720, 576, "as source", "720x576", "720:576", "pad=720:576:0:0",
         0, 0, 0, 0},
        {"letterbox cropped", Job("lbox", 20, 10, 20, 10), 720, 576, "720x576", "", "720:576",
         "crop=700:536:10:20,scale=720:576,pad=720:576:0:0", 0, 0, 0, 0},
        {"full screen cropped", Job("full", 2, 4, 6, 8), 640, 480, "320x240", "320x240", "320:240", "", 2, 6,
         4, 8},
        {"full screen uncropped", Job("full"), 640, 480, "320x240", "320x240", "320:240", "", 0, 0, 0, 0},
        {"pan wide source", Job("pan"), 1280, 720, "320x240", "320x240", "320:240", "", 0, 0, 160, 160},
        {"pan tall source with job crop", Job("pan", 10, 0, 10, 0), 480, 640, "320x240", "320x240", "320:240",
         "", 140, 140, 0, 0},
        {"pan 4:3 source", Job("pan"), 640, 480, "320x240", "320x240", "320:240", "", 0, 0, 0, 0},
    };
    for (const ZoomCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Builder b("avi", {{"paraVideoEncoder", "mpeg4"}, {"paraVideoSize", c.Size}});
        const TOutputOptions o = b.Build(c.Job, Video(c.W0, c.H0));
        EXPECT_EQ(o.FrameSize, c.FrameSize);
        EXPECT_EQ(o.AspectRatio, c.Aspect);
        EXPECT_EQ(o.VideoFilters, c.Filters);
        EXPECT_EQ(o.CropTop, c.CropTop);
        EXPECT_EQ(o.CropBottom, c.CropBottom);
        EXPECT_EQ(o.CropLeft, c.CropLeft);
        EXPECT_EQ(o.CropRight, c.CropRight);
        EXPECT_EQ(o.VideoCodec, "mpeg4");
        EXPECT_EQ(o.FileFormat, "avi");
        EXPECT_EQ(o.FileName, "dest.avi");
    }
}

TEST(OptionBuilder, ZoomFitsTheShownShapeAndCropsInStoredPixels) {
    const ZoomCase cases[] = {
        {"PAL 4:3 (16:15 pixels) letterboxed to 640x480 fills it", Job("lbox"), 720, 576, "640x480",
         "640x480", "640:480", "pad=640:480:0:0", 0, 0, 0, 0},
        {"NTSC 16:9 (32:27 pixels) letterboxed to 640x480", Job("lbox"), 720, 480, "640x480", "640x360",
         "640:360", "pad=640:480:0:60", 0, 0, 0, 0},
        {"cropped PAL 4:3: margins in stored pixels", Job("lbox", 20, 10, 20, 10), 720, 576, "640x480", "",
         "640:480", "crop=700:536:10:20,scale=640:480,pad=640:480:0:0", 0, 0, 0, 0},
        {"pan and scan of NTSC 16:9 keeps a shown 4:3", Job("pan"), 720, 480, "320x240", "320x240", "320:240",
         "", 0, 0, 90, 90},
        {"pan and scan of PAL 4:3 cuts nothing", Job("pan"), 720, 576, "320x240", "320x240", "320:240", "", 0,
         0, 0, 0},
    };
    for (const ZoomCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Builder b("avi", {{"paraVideoEncoder", "mpeg4"}, {"paraVideoSize", c.Size}});
        const double shown = c.H0 == 576 ? 4.0 / 3.0 : 16.0 / 9.0;
        const TOutputOptions o = b.Build(c.Job, Shown(c.W0, c.H0, shown));
        EXPECT_EQ(o.FrameSize, c.FrameSize);
        EXPECT_EQ(o.AspectRatio, c.Aspect);
        EXPECT_EQ(o.VideoFilters, c.Filters);
        EXPECT_EQ(o.CropTop, c.CropTop);
        EXPECT_EQ(o.CropBottom, c.CropBottom);
        EXPECT_EQ(o.CropLeft, c.CropLeft);
        EXPECT_EQ(o.CropRight, c.CropRight);
    }
}

// Discs and DV are shown at 4:3 or 16:9 only (VCD at 4:3): the output's aspect is the allowed
// one nearest the picture the zoom makes, and the disc keeps its own target.
TEST(OptionBuilder, DiscAndDvOutputsShowAnAllowedShape) {
    struct Case {
        const char* Name;
        int Code;
        const char* Format;
        const char* Encoder;
        const char* Size;
        TlvFilesRecord Job;
        int W0, H0;
        const char* FrameSize;
        const char* Aspect;
        const char* Filters;
        int Target;
    };
    const Case cases[] = {
        {"DVD, wide source", 2200, "ntsc-dvd", "mpeg2video", "720x480", Job("full"), 1280, 720, "720x480",
         "16:9", "", 3},
        {"DVD, 4:3 source", 2201, "pal-dvd", "mpeg2video", "720x576", Job("full"), 640, 480, "720x576", "4:3",
         "", 3},
        {"DVD, 2.4:1 source letterboxed to 16:9", 2200, "ntsc-dvd", "mpeg2video", "720x480", Job("lbox"),
         1920, 800, "720x356", "640:267", "pad=720:480:0:62", 3},
        {"DVD, cropped wide source letterboxed", 2200, "ntsc-dvd", "mpeg2video", "720x480",
         Job("lbox", 10, 0, 10, 0), 1280, 720, "1280x720", "512:243",
         "crop=1280:700:0:10,scale=720:480,pad=720:480:0:0", 3},
        {"DVD, pan and scan", 2200, "ntsc-dvd", "mpeg2video", "720x480", Job("pan"), 1280, 720, "720x480",
         "4:3", "", 3},
        {"SVCD keeps its target", 2300, "ntsc-svcd", "mpeg2video", "480x480", Job("full"), 1280, 720,
         "480x480", "16:9", "", 2},
        {"VCD is 4:3 only", 2400, "ntsc-vcd", "mpeg1video", "352x240", Job("full"), 1280, 720, "352x240",
         "4:3", "", 1},
        {"DV, wide source", 2608, "dv", "dvvideo", "720x480", Job("full"), 1280, 720, "720x480", "16:9", "",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Builder b(c.Format, {{"paraVideoEncoder", c.Encoder}, {"paraVideoSize", c.Size}}, {}, c.Code);
        const TOutputOptions o = b.Build(c.Job, Shown(c.W0, c.H0, static_cast<double>(c.W0) / c.H0));
        EXPECT_EQ(o.FrameSize, c.FrameSize);
        EXPECT_EQ(o.AspectRatio, c.Aspect);
        EXPECT_EQ(o.VideoFilters, c.Filters);
        EXPECT_EQ(o.Target, c.Target);
    }
}

// H.264 states the lowest level that admits its frame, rate and bit rates; the preset's peak
// rate and buffer are held to the device's level unless the chosen rate lies above it.
TEST(OptionBuilder, H264StatesTheLevelItsStreamNeeds) {
    struct Case {
        const char* Name;
        int Code;
        const char* Format;
        const char* Size;
        const char* Rate;
        const char* Kbps;
        const char* Level;
        int MaxRate, BufSize;
        bool OutsideRow;
    };
    const Case cases[] = {
        {"Apple TV 720p", 205, "ipod", "1280x720", "23.976", "4000", "level=31", 4000000, 4000000, false},
        {"HD 1080p", 2102, "mp4", "1920x1080", "29.97", "5000", "level=40", 5000000, 4000000, false},
        {"Walkman 320x240 held to 1.3", 701, "mp4", "320x240", "29.97", "768", "level=13", 768000, 2000000,
         false},
        {"Walkman at a chosen 720p: the choice wins", 701, "mp4", "1280x720", "29.97", "768", "level=31",
         768000, 2000000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Builder b(c.Format,
                  {{"paraVideoEncoder", "libx264"},
                   {"paraVideoSize", c.Size},
                   {"paraFrameRate", c.Rate},
                   {"paraVideoBitRate", c.Kbps}},
                  {}, c.Code);
        const TOutputOptions o = b.Build(Job("full"), Video(1280, 720));
        EXPECT_EQ(o.ExtOptions, c.Level);
        EXPECT_EQ(o.VideoMaxRate, c.MaxRate);
        EXPECT_EQ(o.VideoBufSize, c.BufSize);
        EXPECT_EQ(o.FrameSize, c.Size);
        EXPECT_EQ(!b.outsideRow.empty(), c.OutsideRow) << testing::PrintToString(b.outsideRow);
    }
}

TEST(OptionBuilder, PanAmountIsEvenAndAlwaysLeavesAPicture) {
    // full, kept, other, job crop on the first side, cut width -> amount
    EXPECT_EQ(PanAmount(1280, 1280, 720, 0, true), 160);
    EXPECT_EQ(PanAmount(1280, 1272, 720, 5, true), 160); // 5 + 156 made even
    EXPECT_EQ(PanAmount(720, 700, 2, 700, true), 358);   // clamped: 4 pixels stay
    EXPECT_EQ(PanAmount(3, 3, 1, 0, true), 0);
    for (int full : {2, 3, 5, 64, 721})
        for (int job : {0, 1, 7, 1000}) {
            const int a = PanAmount(full, full, 1, job, true);
            EXPECT_EQ(a % 2, 0);
            EXPECT_GE(a, 0);
            EXPECT_GE(full - 2 * a, 1) << full << " " << job;
        }
}

TEST(OptionBuilder, H263SnapsUnlistedSizes) {
    const std::pair<const char*, const char*> cases[] = {
        {"400x300", "704x576"}, {"200x150", "352x288"}, {"800x600", "704x576"},
        {"160x120", "160x120"}, {"150x100", "150x100"},
    };
    for (const auto& [size, expected] : cases) {
        Builder b("3gp", {{"paraVideoEncoder", "h263"}, {"paraVideoSize", size}});
        EXPECT_EQ(b.Build(Job("full"), Video(640, 480)).FrameSize, expected) << size;
    }
}

TEST(OptionBuilder, UnreadableSizeAsksOnceAndFollowsTheAnswer) {
    for (const bool yes : {true, false}) {
        Builder b("avi", {{"paraVideoEncoder", "mpeg4"}, {"paraVideoSize", "big"}});
        ScriptedPrompt prompt(yes);
        const TOutputOptions o = b.Build(Job("full"), Video(640, 480), prompt);
        EXPECT_EQ(prompt.asked, 1);
        EXPECT_EQ(o.FrameSize, yes ? "320x240" : "640x480");
    }
}

TEST(OptionBuilder, AudioOnlyDefaults) {
    Builder b("null", {});
    const TOutputOptions o = b.Build(Job("lbox"), Video(640, 480));
    EXPECT_EQ(o.AudioCodec, "libfaac");
    EXPECT_EQ(o.AudioChannels, 2);
    EXPECT_EQ(o.AudioSampleRate, 44100);
    EXPECT_EQ(o.AudioBitrate, 128000);
    EXPECT_EQ(o.AudioVolume, -1) << "no stored volume keeps the source's loudness";
    EXPECT_EQ(b.input.ExtOptions, "vn=1");
    EXPECT_TRUE(o.DisableVideo);
    EXPECT_TRUE(o.DisableSubtitle);
    EXPECT_EQ(o.VideoCodec, "");
    EXPECT_EQ(o.FrameSize, "");
}

TEST(OptionBuilder, UntouchedFormatBuildsWithItsDefinitionsDefaults) {
    struct Case {
        const char* Name;
        std::map<std::string, std::string> Definition;
        const char* VideoCodec;
        const char* AudioCodec;
        bool AudioOnly;
    };
    const Case cases[] = {
        {"video",
         {{"VideoEncoder", "mpeg-4,h264"},
          {"VideoSize", "320x240,640x480"},
          {"iVideoSize", "1"},
          {"AudioEncoder", "aac"},
          {"Channel", "stereo 2 channels"}},
         "mpeg4",
         "libfaac",
         false},
        {"audio only",
         {{"VideoEncoder", "null"}, {"AudioEncoder", "aac,mp3"}, {"iAudioEncoder", "1"}},
         "",
         "libmp3lame",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Builder b("mp4", {}, c.Definition);
        const TOutputOptions o = b.Build(Job("full"), Video(1280, 720));
        EXPECT_EQ(o.VideoCodec, c.VideoCodec);
        EXPECT_EQ(o.AudioCodec, c.AudioCodec);
        EXPECT_EQ(o.DisableVideo, c.AudioOnly);
        EXPECT_EQ(b.input.ExtOptions, c.AudioOnly ? "vn=1" : "");
        if (!c.AudioOnly) {
            EXPECT_EQ(o.FrameSize, "640x480");
        }
    }
}

TEST(OptionBuilder, SourceWithoutVideoStillGetsItsAudio) {
    Builder b("mp4", {{"paraVideoEncoder", "libx264"},
                      {"paraAudioEncoder", "libamr_nb"},
                      {"paraChannel", "1"},
                      {"paraSampleRate", "8000"},
                      {"paraAudioBitRate", "12.2"},
                      {"paraVolume", "512"}});
    const TOutputOptions o = b.Build(Job("lbox"), TSourceVideo{0, -1, -1, -1});
    EXPECT_TRUE(o.DisableVideo);
    EXPECT_EQ(o.VideoFilters, "");
    EXPECT_EQ(o.FrameSize, "");
    EXPECT_EQ(o.CropTop, -1);
    EXPECT_EQ(o.VideoCodec, "libx264");
    EXPECT_EQ(o.VideoPreset, "libx264-mp4");
    EXPECT_EQ(o.AudioCodec, "libopencore_amrnb");
    EXPECT_EQ(o.AudioChannels, 1);
    EXPECT_EQ(o.AudioSampleRate, 8000);
    EXPECT_EQ(o.AudioBitrate, 12200);
    EXPECT_EQ(o.AudioVolume, 512);
    EXPECT_FALSE(o.DisableAudio);
    EXPECT_EQ(b.input.ExtOptions, "");
}

TEST(OptionBuilder, VideoRatesCodecsAndTargets) {
    struct Case {
        const char* Format;
        std::map<std::string, std::string> Choices;
        int SourceBitRate;
        int VideoBitrate;
        const char* FrameRate;
        const char* VideoCodec;
        const char* Preset;
        int Target, Norm;
        const char* FileFormat;
    };
    const Case cases[] = {
        {"avi",
         {{"paraVideoEncoder", "mpeg4"}, {"paraVideoBitRate", "as source"}},
         0,
         0,
         "29.97",
         "mpeg4",
         "",
         0,
         0,
         "avi"},
        {"avi",
         {{"paraVideoEncoder", "mpeg4"}, {"paraVideoBitRate", "800"}, {"paraFrameRate", "25"}},
         0,
         800000,
         "25",
         "mpeg4",
         "",
         0,
         0,
         "avi"},
        {"mp4",
         {{"paraVideoEncoder", "xvid?"}, {"paraVideoBitRate", "-3"}, {"paraFrameRate", "as source"}},
         0,
         -1,
         "",
         "",
         "",
         0,
         0,
         ""},
        {"psp", {{"paraVideoEncoder", "libx264"}}, 0, 512000, "29.97", "libx264", "libx264-psp", 0, 0, "psp"},
        {"pal-dvd", {{"paraVideoEncoder", "mpeg2video"}}, 0, 512000, "29.97", "mpeg2video", "", 3, 1, ""},
        {"mpeg", {{"paraVideoEncoder", "mpeg2video"}}, 0, 512000, "29.97", "mpeg2video", "", 3, 0, ""},
        {"ntsc-vcd", {{"paraVideoEncoder", "mpeg1video"}}, 0, 512000, "29.97", "mpeg1video", "", 1, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Format);
        auto choices = c.Choices;
        choices["paraVideoSize"] = "as source";
        Builder b(c.Format, choices);
        const TOutputOptions o = b.Build(Job("full"), Video(320, 240, c.SourceBitRate));
        EXPECT_EQ(o.VideoBitrate, c.VideoBitrate);
        EXPECT_EQ(o.FrameRate, c.FrameRate);
        EXPECT_EQ(o.VideoCodec, c.VideoCodec);
        EXPECT_EQ(o.VideoPreset, c.Preset);
        EXPECT_EQ(o.Target, c.Target);
        EXPECT_EQ(o.TargetNorm, c.Norm);
        EXPECT_EQ(o.FileFormat, c.FileFormat);
        EXPECT_TRUE(o.DisableAudio) << "no audio encoder stored";
    }
}

TEST(OptionBuilder, NonNumericVolumeIsAnError) {
    Builder b("null", {{"paraVolume", "loud"}});
    ScriptedPrompt prompt(true);
    try {
        b.Build(Job("lbox"), Video(320, 240), prompt);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "'loud' is not a valid integer value");
    }
}

} // namespace
} // namespace orvel
