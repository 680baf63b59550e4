#include "OptionTestSupport.h"
#include "engine/foundation/FFmpegException.h"
#include "engine/options/OptionParser.h"
#include "engine/options/Targets.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvel {
namespace {

using testing::LogCapture;

// Inputs opened so far, each with one video stream of the given rate.
struct InputsHost : TOptionHost {
    std::vector<OutputFormatContextPtr> inputs;
    void Add(AVRational rate) {
        OutputFormatContextPtr ctx(avformat_alloc_context());
        AVStream* st = avformat_new_stream(ctx.get(), nullptr);
        st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        st->r_frame_rate = rate;
        inputs.push_back(std::move(ctx));
    }
    int InputCount() const override { return int(inputs.size()); }
    const AVFormatContext* Input(int i) const override { return inputs[i].get(); }
};

std::string PrivateFormatOption(const TTaskSettings& s, const std::string& name) {
    for (const auto& [n, v] : s.Generic.PrivateFormatOptions())
        if (n == name) return v;
    return "";
}

bool RateIs(const TTaskSettings& s, int num, int den) {
    return s.FrameRate.num == num && s.FrameRate.den == den;
}

TEST(Targets, PalDvd) {
    LogCapture log;
    TTaskSettings s;
    TOptionParser parser(s);
    parser.Parse("target", " pal-dvd ");
    EXPECT_EQ(s.ForcedFormat, "dvd");
    EXPECT_EQ(s.VideoCodec.Name, "mpeg2video");
    EXPECT_EQ(s.AudioCodec.Name, "ac3");
    EXPECT_EQ(s.FrameWidth, 720);
    EXPECT_EQ(s.FrameHeight, 576);
    EXPECT_TRUE(RateIs(s, 25, 1));
    EXPECT_EQ(s.Generic.Codec(AVMEDIA_TYPE_AUDIO)->bit_rate, 448000);
    EXPECT_EQ(s.SampleRate, 48000);
    const AVCodecContext* video = s.Generic.Codec(AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(video->bit_rate, 6000000);
    EXPECT_EQ(video->rc_max_rate, 9000000);
    EXPECT_EQ(video->rc_buffer_size, 1835008);
    EXPECT_EQ(video->gop_size, 15);
    EXPECT_EQ(s.Generic.Format()->packet_size, 2048u);
    EXPECT_EQ(PrivateFormatOption(s, "muxrate"), "10080000");
    EXPECT_DOUBLE_EQ(s.AspectRatio, 16.0 / 9);
    EXPECT_TRUE(log.EngineLogged(llInfo, "Assuming 16:9 for aspect ratio"));
}

TEST(Targets, NormsAndTypes) {
    struct Case {
        const char* value;
        int width, height, rateNum, rateDen, gop;
        const char* format;
    };
    for (const Case& c :
         {Case{"ntsc-vcd", 352, 240, 30000, 1001, 18, "vcd"}, Case{"pal-vcd", 352, 288, 25, 1, 15, "vcd"},
          Case{"film-svcd", 480, 480, 24000, 1001, 18, "svcd"},
          Case{"ntsc-dvd", 720, 480, 30000, 1001, 18, "dvd"}, Case{"pal-dv", 720, 576, 25, 1, 12, "dv"}}) {
        TTaskSettings s;
        TOptionParser parser(s);
        parser.Parse("target", c.value);
        EXPECT_EQ(s.FrameWidth, c.width) << c.value;
        EXPECT_EQ(s.FrameHeight, c.height) << c.value;
        EXPECT_TRUE(RateIs(s, c.rateNum, c.rateDen)) << c.value;
        EXPECT_EQ(s.Generic.Codec(AVMEDIA_TYPE_VIDEO)->gop_size, c.gop) << c.value;
        EXPECT_EQ(s.ForcedFormat, c.format) << c.value;
    }
}

TEST(Targets, TypeSpecificSettings) {
    TTaskSettings vcd;
    TOptionParser(vcd).Parse("target", "pal-vcd");
    EXPECT_DOUBLE_EQ(vcd.MuxPreload, 0.44);
    EXPECT_EQ(vcd.Generic.Codec(AVMEDIA_TYPE_VIDEO)->rc_min_rate, 1150000);
    EXPECT_EQ(PrivateFormatOption(vcd, "muxrate"), "1411200");
    EXPECT_DOUBLE_EQ(vcd.AspectRatio, 4.0 / 3);

    TTaskSettings svcd;
    TOptionParser svcdParser(svcd);
    svcdParser.Parse("ac", "1");
    svcdParser.Parse("aspect", "16:9");
    svcdParser.Parse("target", "pal-svcd");
    EXPECT_EQ(svcd.Channels, 2);
    EXPECT_DOUBLE_EQ(svcd.AspectRatio, 16.0 / 9); // an aspect already set stays
    const auto& priv = svcd.Generic.PrivateCodecOptions(AVMEDIA_TYPE_VIDEO);
    EXPECT_NE(std::find(priv.begin(), priv.end(), std::pair<std::string, std::string>("scan_offset", "1")),
              priv.end());

    for (auto [value, fmt] :
         {std::pair{"pal-dv", AV_PIX_FMT_YUV420P}, std::pair{"ntsc-dv", AV_PIX_FMT_YUV411P},
          std::pair{"film-dv", AV_PIX_FMT_YUV411P}, std::pair{"ntsc-dv50", AV_PIX_FMT_YUV422P}}) {
        TTaskSettings dv;
        TOptionParser(dv).Parse("target", value);
        EXPECT_EQ(dv.PixelFormat, fmt) << value;
        EXPECT_EQ(dv.SampleRate, 48000) << value;
    }
}

TEST(Targets, AutoNormIsGuessed) {
    LogCapture log;
    {
        TTaskSettings s;
        TOptionParser parser(s);
        parser.Parse("r", "25");
        parser.Parse("target", "dvd");
        EXPECT_EQ(s.FrameHeight, 576);
        EXPECT_TRUE(log.EngineLogged(llVerbose, "Assuming PAL for target."));
    }
    {
        // The frame rate decides nothing; the second input's stream does.
        TTaskSettings s;
        InputsHost host;
        host.Add({15, 1});
        host.Add({30000, 1001});
        TOptionParser parser(s, &host);
        parser.Parse("r", "15");
        parser.Parse("target", "vcd");
        EXPECT_EQ(s.FrameHeight, 240);
        EXPECT_TRUE(RateIs(s, 30000, 1001));
    }
    for (auto [defaultNorm, num, den] : {std::tuple{"film", 24000, 1001}, std::tuple{"ntsc", 30000, 1001},
                                         std::tuple{"pal", 25, 1}, std::tuple{"other", 25, 1}}) {
        TTaskSettings s;
        TOptionParser parser(s);
        parser.Parse("r", "15");
        ApplyTarget(parser, "dvd", "auto", defaultNorm);
        EXPECT_TRUE(RateIs(s, num, den)) << defaultNorm;
    }
}

TEST(Targets, Errors) {
    TTaskSettings s;
    TOptionParser parser(s);
    try {
        parser.Parse("target", "dvd");
        ADD_FAILURE() << "no error without a frame rate";
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "frame_rate is invalid.");
    }
    try {
        parser.Parse("target", "laserdisc"); // the norm is guessed before the type is checked
        ADD_FAILURE() << "no error without a frame rate";
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "frame_rate is invalid.");
    }
    try {
        parser.Parse("target", "pal-laserdisc");
        ADD_FAILURE() << "no error for an unknown type";
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "Unknown target type");
    }
}

} // namespace
} // namespace orvel
