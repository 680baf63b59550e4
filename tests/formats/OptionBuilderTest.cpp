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
const std::string kSection = "formatInfo501";

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
            const std::map<std::string, std::string>& definition = {}) {
        const fs::path dir = fs::path(ORVEL_BINARY_DIR) / "option-builder-test";
        fs::create_directories(dir);
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        defs_ = (dir / (name + "-defs.ini")).string();
        settings_ = (dir / (name + "-settings.ini")).string();
        fs::remove(defs_);
        fs::remove(settings_);
        TIniFile(defs_).WriteString(kSection, "Format", format);
        for (const auto& [key, value] : definition)
            TIniFile(defs_).WriteString(kSection, key, value);
        for (const auto& [key, value] : choices)
            TIniFile(settings_).WriteString(kSection, key, value);
    }
    TOutputOptions Build(const TlvFilesRecord& job, const TSourceVideo& source, ISizePrompt& prompt) {
        TFormatParamStore store(defs_, settings_);
        TOutputOptions out;
        out.FileName = "dest.avi";
        input = TInputOptions{};
        BuildOutputOptions(job, kCode, out, source, input, store, prompt);
        return out;
    }
    TOutputOptions Build(const TlvFilesRecord& job, const TSourceVideo& source) {
        ScriptedPrompt never(true);
        TOutputOptions out = Build(job, source, never);
        EXPECT_EQ(never.asked, 0);
        return out;
    }
    TInputOptions input;

private:
    std::string defs_, settings_;
};

TSourceVideo Video(int w, int h, int bitRate = 1000000) {
    return TSourceVideo{1, w, h, bitRate};
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
