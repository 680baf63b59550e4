#include "engine/options/OptionParser.h"
#include "OptionTestSupport.h"
#include "engine/foundation/FFmpegException.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/opt.h>
}
#include <functional>
#include <string>

namespace orvel {
namespace {

using testing::LogCapture;

struct FakeHost : TOptionHost {
    int inputs = 0;
    int64_t total = -1;
    int InputCount() const override { return inputs; }
    void SetTotalDuration(int64_t us) override { total = us; }
};

std::string Matrix(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        if (i > 1) text += ',';
        text += std::to_string(i);
    }
    return text;
}

std::string ErrorOf(TOptionParser& parser, const std::string& name, const std::string& value) {
    try {
        parser.Parse(name, value);
    } catch (const FFmpegException& e) {
        return e.what();
    }
    return "(no error)";
}

// One option, then what it must have set.
struct SettingCase {
    std::string name;
    std::string value;
    std::function<bool(const TTaskSettings&)> check;
};

TEST(OptionParser, OptionsSetTheirSettings) {
    const uint32_t xvid = 'X' | 'V' << 8 | 'I' << 16 | 'D' << 24;
    const std::vector<SettingCase> cases = {
        {"an", "", [](auto& s) { return s.AudioDisable; }},
        {"an", "0", [](auto& s) { return !s.AudioDisable; }},
        {"vn", "yes", [](auto& s) { return s.VideoDisable; }},
        {"copyts", "0", [](auto& s) { return s.CopyTimestamps; }},
        {"xerror", "0", [](auto& s) { return s.ExitOnError; }},
        {"shortest", "0", [](auto& s) { return !s.Shortest; }},
        {"ss", "90", [](auto& s) { return s.StartTime == 90000000; }},
        {"itsoffset", "-00:00:01.5", [](auto& s) { return s.InputTsOffset == -1500000; }},
        {"fs", "5000000000", [](auto& s) { return s.FileSizeLimit == 5000000000LL; }},
        {"timestamp", "1970-01-02T00:00:00Z", [](auto& s) { return s.RecordingTimestamp == 86400; }},
        {"r", "30000/1001", [](auto& s) { return s.FrameRate.num == 30000 && s.FrameRate.den == 1001; }},
        {"r", "pal", [](auto& s) { return s.FrameRate.num == 25 && s.FrameRate.den == 1; }},
        {"s", "vga", [](auto& s) { return s.FrameWidth == 640 && s.FrameHeight == 480; }},
        {"aspect", "16:9", [](auto& s) { return std::abs(s.AspectRatio - 16.0 / 9) < 1e-9; }},
        {"aspect", "1.5", [](auto& s) { return s.AspectRatio == 1.5; }},
        {"pix_fmt", "yuv422p", [](auto& s) { return s.PixelFormat == AV_PIX_FMT_YUV422P; }},
        {"sample_fmt", "s16", [](auto& s) { return s.SampleFormat == AV_SAMPLE_FMT_S16; }},
        {"sample_fmt", "bogus", [](auto& s) { return s.SampleFormat == AV_SAMPLE_FMT_NONE; }},
        {"ar", "0", [](auto& s) { return s.SampleRate == 44100; }},
        {"ar", "22050", [](auto& s) { return s.SampleRate == 22050; }},
        {"ac", "-1", [](auto& s) { return s.Channels == 2; }},
        {"vcodec", "copy", [](auto& s) { return s.VideoCodec.Copy; }},
        {"vcodec", "mpeg4", [](auto& s) { return !s.VideoCodec.Copy && s.VideoCodec.Name == "mpeg4"; }},
        {"acodec", "mp2", [](auto& s) { return s.AudioCodec.Name == "mp2"; }},
        {"vtag", "XVID", [=](auto& s) { return s.VideoCodecTag == xvid; }},
        {"f", "pgmyuv", [](auto& s) { return s.ForcedFormat == "image2" && s.PgmYuvCompat; }},
        {"map", "0.1:1.2",
         [](auto& s) {
             auto& m = s.StreamMaps.back();
             return m.FileIndex == 0 && m.StreamIndex == 1 && m.SyncFileIndex == 1 && m.SyncStreamIndex == 2;
         }},
        {"map", "2:3",
         [](auto& s) {
             auto& m = s.StreamMaps.back();
             return s.StreamMaps.size() == 2 && m.SyncFileIndex == 2 && m.SyncStreamIndex == 3;
         }},
        {"map_meta_data", "1:0",
         [](auto& s) { return s.MetaDataMaps.back().OutFile == 1 && s.MetaDataMaps.back().InFile == 0; }},
        {"streamid", "2:301", [](auto& s) { return s.StreamIdMap[2] == 301; }},
        {"itsscale", "3:0.5", [](auto& s) { return s.InputTsScale[1][3] == 0.5; }},
        {"metadata", "title=A=B",
         [](auto& s) { return s.Metadata.back() == std::pair<std::string, std::string>("title", "A=B"); }},
        {"intra_matrix", Matrix(64),
         [](auto& s) {
             return s.IntraMatrix.size() == 64 && s.IntraMatrix[0] == 1 && s.IntraMatrix[63] == 64;
         }},
        {"qscale", "3.5", [](auto& s) { return s.VideoQScale == 3.5; }},
        {"pass", "2", [](auto& s) { return s.Pass == 2; }},
        {"vframes", "100", [](auto& s) { return s.MaxFramesVideo == 100; }},
        {"muxpreload", "0.25", [](auto& s) { return s.MuxPreload == 0.25; }},
        {"vbsf", "h264_mp4toannexb", [](auto& s) { return s.VideoBitstreamFilters.size() == 1; }},
        {"vbsf", "=ignored", [](auto& s) { return s.VideoBitstreamFilters.size() == 1; }},
        {"absf", "aac_adtstoasc", [](auto& s) { return s.AudioBitstreamFilters.size() == 1; }},
        {"vf", "scale=160:120", [](auto& s) { return s.VideoFilters == "scale=160:120"; }},
        {"vstats", "", [](auto& s) { return s.VideoStatsFile.find("vstats_") != std::string::npos; }},
        {"g", "12", [](auto& s) { return s.Generic.Codec(AVMEDIA_TYPE_VIDEO)->gop_size == 12; }},
        {"vqmin", "5", [](auto& s) { return s.Generic.Codec(AVMEDIA_TYPE_VIDEO)->qmin == 5; }},
        {"ab", "128000", [](auto& s) { return s.Generic.Codec(AVMEDIA_TYPE_AUDIO)->bit_rate == 128000; }},
        {"probesize", "5000", [](auto& s) { return s.Generic.Format()->probesize == 5000; }},
        {"sws_flags", "bilinear", [](auto& s) { return s.ScalerFlags() == SWS_BILINEAR; }},
    };
    TTaskSettings settings;
    FakeHost host;
    host.inputs = 1;
    TOptionParser parser(settings, &host);
    for (const auto& c : cases) {
        parser.Parse(c.name, c.value);
        EXPECT_TRUE(c.check(settings)) << c.name << "=" << c.value;
    }
}

TEST(OptionParser, DefaultsOfAFreshTask) {
    TTaskSettings s;
    EXPECT_EQ(s.SampleRate, 44100);
    EXPECT_EQ(s.Channels, 2);
    EXPECT_EQ(s.AudioVolume, 256);
    EXPECT_EQ(s.IntraDcPrecision, 8);
    EXPECT_EQ(s.RecordingTime, INT64_MAX);
    EXPECT_EQ(s.MaxFramesVideo, INT32_MAX);
    EXPECT_EQ(s.FrameRate.den, 0);
    EXPECT_EQ(s.ScalerFlags(), SWS_BICUBIC);
    EXPECT_EQ(s.Verbosity, 1);
    EXPECT_DOUBLE_EQ(s.AudioQScale, -99999.0);
}

TEST(OptionParser, RecordingTimeBecomesTheExpectedDuration) {
    TTaskSettings settings;
    FakeHost host;
    TOptionParser parser(settings, &host);
    parser.Parse("t", "1:02:03.5");
    EXPECT_EQ(settings.RecordingTime, 3723500000LL);
    EXPECT_EQ(host.total, 3723500000LL);
}

struct ErrorCase {
    std::string name, value, error;
};

TEST(OptionParser, ErrorTexts) {
    const std::string crop = " crop dimensions are outside the range of the original image.\n"
                             "Remember to crop first and scale second.";
    const std::vector<ErrorCase> cases = {
        {"threads", "2", "TODO: option - threads"},
        {"padtop", "8", "Please use vfilters=pad"},
        {"padcolor", "000000", "Please use vfilters=pad"},
        {"t", "abc", "Invalid duration specification for t: abc"},
        {"ss", "1:xx", "Invalid duration specification for ss: 1:xx"},
        {"timestamp", "yesterday", "Invalid date specification for timestamp: yesterday"},
        {"itsscale", "20:1.0", "stream index over MAX_STREAMS(20)"},
        {"itsscale", "-1:1.0", "stream index over MAX_STREAMS(20)"},
        {"metadata", "title", "Missing ="},
        {"r", "fast", "Incorrect frame rate"},
        {"s", "big", "Incorrect frame size"},
        {"aspect", "4:0", "Incorrect aspect ratio specification."},
        {"aspect", "wide", "Incorrect aspect ratio specification."},
        {"pix_fmt", "rgb99", "Unknown pixel format requested: rgb99"},
        {"croptop", "10", "Vertical" + crop},
        {"cropright", "10", "Horizontal" + crop},
        {"qscale", "0", "qscale must be > 0.0 and <= 255"},
        {"qscale", "255.5", "qscale must be > 0.0 and <= 255"},
        {"pass", "3", "pass number can be only 1 or 2"},
        {"intra_matrix", Matrix(63), "Syntax error in matrix \"" + Matrix(63) + "\" at coeff 62"},
        {"inter_matrix", "1", "Syntax error in matrix \"1\" at coeff 0"},
        {"vtag", "XVI", "video tag parameter must be 4 chars"},
        {"atag", "mp4a0", "audio tag parameter must be 4 chars"},
        {"stag", "", "subtitle tag parameter must be 4 chars"},
        {"newvideo", "", "At least one output file must be specified"},
        {"newaudio", "", "At least one output file must be specified"},
        {"newsubtitle", "", "At least one output file must be specified"},
        {"streamid", "5", "Invalid value \"5\" for option \"streamid\", required syntax is \"index:value\""},
        {"streamid", "20:1", "stream index over MAX_STREAMS(20)"},
        {"streamid", "-1:1", "stream index over MAX_STREAMS(20)"},
        {"vbsf", "no_such_bsf=1", "Unknown bitstream filter no_such_bsf=1"},
        {"vframes", "ten", "'ten' is not a valid integer value"},
        {"loglevel", "loud", "'loud' is not a valid integer value"},
        {"fs", "99999999999999999999", "'99999999999999999999' is not a valid integer value"},
        {"adrift_threshold", "0.1s", "'0.1s' is not a valid floating point value"},
        {"vhook", "/no/such/module.so", "Failed to add video hook function: /no/such/module.so"},
    };
    for (const auto& c : cases) {
        TTaskSettings settings;
        TOptionParser parser(settings);
        EXPECT_EQ(ErrorOf(parser, c.name, c.value), c.error) << c.name << "=" << c.value;
    }
}

TEST(OptionParser, DoNothingAndWarningOptionsOnlyLog) {
    LogCapture log;
    TTaskSettings settings;
    TOptionParser parser(settings);
    for (const char* name :
         {"L", "h", "version", "formats", "codecs", "bsfs", "protocols", "filters", "i", "y", "benchmark"}) {
        EXPECT_NO_THROW(parser.Parse(name, "x"));
        EXPECT_TRUE(log.EngineLogged(llInfo, std::string("Do nothing: option - ") + name)) << name;
    }
    parser.Parse("timelimit", "10");
    EXPECT_TRUE(log.EngineLogged(llWarning, "Warning: -timelimit not implemented on Windows"));
    parser.Parse("vb", "500");
    EXPECT_TRUE(log.EngineLogged(
        llWarning,
        "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s"));
    parser.Parse("f", "pgmyuv");
    EXPECT_TRUE(log.EngineLogged(llInfo, "pgmyuv format is deprecated, use image2"));
}

TEST(OptionParser, CropReducesTheFrameAgainstItsCurrentSize) {
    LogCapture log;
    TTaskSettings settings;
    TOptionParser parser(settings);
    parser.Parse("s", "320x240");
    parser.Parse("croptop", "0");
    EXPECT_EQ(settings.FrameHeight, 240);
    parser.Parse("croptop", "16");
    parser.Parse("cropbottom", "8");
    parser.Parse("cropleft", "20");
    EXPECT_EQ(settings.CropTop, 16);
    EXPECT_EQ(settings.CropBottom, 8);
    EXPECT_EQ(settings.FrameHeight, 216);
    EXPECT_EQ(settings.FrameWidth, 300);
    EXPECT_TRUE(log.EngineLogged(llWarning, "CropTop is deprecated in favor of the crop avfilter"));
    // The band is checked against what is left, not the original height.
    EXPECT_NE(ErrorOf(parser, "cropbottom", "216"), "(no error)");
    EXPECT_EQ(settings.FrameHeight, 216);
}

TEST(OptionParser, ListsLogOneLinePerFormat) {
    LogCapture log;
    TTaskSettings settings;
    TOptionParser parser(settings);
    parser.Parse("pix_fmt", "list");
    const size_t afterPixels = log.EngineCount();
    EXPECT_GT(afterPixels, 100u);
    parser.Parse("sample_fmt", "list");
    EXPECT_GT(log.EngineCount(), afterPixels + 10);
    EXPECT_EQ(settings.PixelFormat, AV_PIX_FMT_NONE);
}

TEST(OptionParser, StreamMapsStopAtTheirCapacity) {
    TTaskSettings settings;
    TOptionParser parser(settings);
    for (int i = 0; i < kMaxStreamMaps; ++i)
        parser.Parse("map", "0:0");
    EXPECT_EQ(ErrorOf(parser, "map", "0:1"), "Too many stream maps (at most 400)");
    EXPECT_EQ(settings.StreamMaps.size(), size_t(kMaxStreamMaps));
    for (int i = 0; i < kMaxMetaDataMaps; ++i)
        parser.Parse("map_meta_data", "0:0");
    EXPECT_EQ(ErrorOf(parser, "map_meta_data", "0:0"), "Too many metadata maps (at most 20)");
}

TEST(OptionParser, GenericOptionsUnknownOrRefusedChangeNothing) {
    LogCapture log;
    TTaskSettings settings;
    TOptionParser parser(settings);
    EXPECT_NO_THROW(parser.Parse("no_such_option", "1"));
    EXPECT_FALSE(parser.SetGenericOption("no_such_option", "1"));
    EXPECT_FALSE(parser.SetGenericOption("g", "  "));
    EXPECT_NO_THROW(parser.Parse("g", "many"));
    EXPECT_TRUE(log.LibraryLogged(AV_LOG_ERROR, "Invalid value \"many\" for option \"g\"\n"));
    EXPECT_EQ(settings.Generic.Codec(AVMEDIA_TYPE_VIDEO)->gop_size, 12); // library default
    EXPECT_TRUE(settings.Generic.Names().empty());
}

TEST(OptionParser, GenericOptionsReachRealContextsByDirectionAndType) {
    TTaskSettings settings;
    TOptionParser parser(settings);
    parser.Parse("g", "7");         // video encoding only
    parser.Parse("flags", "+loop"); // accumulate: both flags must arrive
    parser.Parse("flags", "+qpel");
    parser.Parse("ab", "96000");
    parser.Parse("skip_frame", "nokey"); // video decoding only

    CodecContextPtr encoder(avcodec_alloc_context3(nullptr));
    settings.Generic.ApplyTo(encoder.get(), AVMEDIA_TYPE_VIDEO, true);
    EXPECT_EQ(encoder->gop_size, 7);
    EXPECT_EQ(encoder->flags & (AV_CODEC_FLAG_LOOP_FILTER | AV_CODEC_FLAG_QPEL),
              AV_CODEC_FLAG_LOOP_FILTER | AV_CODEC_FLAG_QPEL);
    EXPECT_EQ(encoder->skip_frame, AVDISCARD_DEFAULT);
    EXPECT_NE(encoder->bit_rate, 96000);

    CodecContextPtr decoder(avcodec_alloc_context3(nullptr));
    settings.Generic.ApplyTo(decoder.get(), AVMEDIA_TYPE_VIDEO, false);
    EXPECT_EQ(decoder->skip_frame, AVDISCARD_NONKEY);
    EXPECT_NE(decoder->gop_size, 7);

    CodecContextPtr audio(avcodec_alloc_context3(nullptr));
    settings.Generic.ApplyTo(audio.get(), AVMEDIA_TYPE_AUDIO, true);
    EXPECT_EQ(audio->bit_rate, 96000);
}

TEST(OptionParser, EncoderPrivateOptionsWaitForTheirCodec) {
    TTaskSettings settings;
    TOptionParser parser(settings);
    parser.Parse("preset", "slow"); // no encoder chosen yet: nobody knows it
    EXPECT_TRUE(settings.Generic.PrivateCodecOptions(AVMEDIA_TYPE_VIDEO).empty());
    parser.Parse("vcodec", "libx264");
    parser.Parse("preset", "slow");
    parser.Parse("tune", "film");
    ASSERT_EQ(settings.Generic.PrivateCodecOptions(AVMEDIA_TYPE_VIDEO).size(), 2u);

    CodecContextPtr x264(avcodec_alloc_context3(avcodec_find_encoder_by_name("libx264")));
    settings.Generic.ApplyTo(x264.get(), AVMEDIA_TYPE_VIDEO, true);
    uint8_t* preset = nullptr;
    ASSERT_GE(av_opt_get(x264->priv_data, "preset", 0, &preset), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(preset), "slow");
    av_free(preset);

    AVDictionary* dict = nullptr;
    settings.Generic.AddPrivateTo(&dict, AVMEDIA_TYPE_VIDEO);
    EXPECT_STREQ(av_dict_get(dict, "preset", nullptr, 0)->value, "slow");
    av_dict_free(&dict);
}

TEST(OptionParser, EveryTableRowIsReachableAndNamedOnce) {
    const auto& table = TOptionParser::Table();
    for (size_t i = 0; i < table.size(); ++i)
        for (size_t j = i + 1; j < table.size(); ++j)
            EXPECT_NE(table[i].Name, table[j].Name);
}

} // namespace
} // namespace orvel
