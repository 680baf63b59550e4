#include "engine/foundation/CodecLock.h"
#include "engine/foundation/FFmpegException.h"
#include "engine/options/OptionParser.h"
#include "engine/options/Presets.h"
#include "fixtures/Fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>

namespace orvel {
namespace {

std::string ErrorOf(TOptionParser& parser, const std::string& name, const std::string& value) {
    try {
        parser.Parse(name, value);
    } catch (const FFmpegException& e) {
        return e.what();
    }
    return "(no error)";
}

// Opens libx264 at 320x240 with what the settings hold; the encoder's return code.
int OpenX264(const TTaskSettings& settings, CodecContextPtr& ctx, bool globalHeader = false) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    ctx.reset(avcodec_alloc_context3(codec));
    // Generic options first: they carry whole flag words.
    settings.Generic.ApplyTo(ctx.get(), AVMEDIA_TYPE_VIDEO, true);
    ctx->width = 320;
    ctx->height = 240;
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->time_base = {1, 25};
    ctx->framerate = {25, 1};
    if (globalHeader) ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    std::lock_guard lock(CodecLock());
    return avcodec_open2(ctx.get(), codec, nullptr);
}

// profile_idc and level_idc of the sequence parameter set in Annex B extradata.
std::pair<int, int> ProfileAndLevel(const AVCodecContext* ctx) {
    const uint8_t* d = ctx->extradata;
    for (int i = 0; i + 6 < ctx->extradata_size; ++i)
        if (d[i] == 0 && d[i + 1] == 0 && d[i + 2] == 1 && (d[i + 3] & 0x1f) == 7)
            return {d[i + 4], d[i + 6]};
    return {-1, -1};
}

TEST(Presets, FortyBuiltInPresetsInTheirOrder) {
    const auto& presets = BuiltinPresets();
    ASSERT_EQ(presets.size(), 40u);
    EXPECT_EQ(presets.front().Name, "libx264-baseline");
    EXPECT_EQ(presets[8].Name, "libx264-ipod320");
    EXPECT_EQ(presets[36].Name, "libx264-psp");
    EXPECT_EQ(presets[37].Name, "libx264-ps3");
    EXPECT_EQ(presets[38].Name, "libx264-ipod");
    EXPECT_EQ(presets[39].Name, "libx264-mp4");
    EXPECT_EQ(FindBuiltinPreset("LIBX264-IPOD"), &presets[38]);
    EXPECT_EQ(FindBuiltinPreset("libx264-ipod2"), nullptr);
}

TEST(Presets, EveryBuiltInPresetOpensLibx264) {
    for (const auto& preset : BuiltinPresets()) {
        TTaskSettings settings;
        TOptionParser parser(settings);
        parser.Parse("vcodec", "libx264");
        ASSERT_NO_THROW(parser.Parse("vpre", std::string(preset.Name))) << preset.Name;
        CodecContextPtr ctx;
        EXPECT_EQ(OpenX264(settings, ctx), 0) << preset.Name;
    }
}

TEST(Presets, ShortNameAfterTheCodecGivesTheDeviceProfile) {
    struct Case {
        const char* name;
        int profile, level;
        int64_t bitRate, maxRate; // bit rate -1: the library default stays
        int maxBFrames;
    };
    for (const Case& c : {Case{"ipod", 66, 30, 1000000, 1250000, 0}, Case{"psp", 77, 30, 1250000, 1500000, 3},
                          Case{"ps3", 77, 30, -1, 3500000, 3}}) {
        TTaskSettings settings;
        TOptionParser parser(settings);
        parser.Parse("vcodec", "libx264");
        parser.Parse("vpre", c.name);
        const AVCodecContext* generic = settings.Generic.Codec(AVMEDIA_TYPE_VIDEO);
        CodecContextPtr fresh(avcodec_alloc_context3(nullptr));
        EXPECT_EQ(generic->bit_rate, c.bitRate < 0 ? fresh->bit_rate : c.bitRate) << c.name;
        EXPECT_EQ(generic->rc_max_rate, c.maxRate) << c.name;
        EXPECT_EQ(generic->refs, 1) << c.name;
        CodecContextPtr ctx;
        ASSERT_EQ(OpenX264(settings, ctx, true), 0) << c.name;
        EXPECT_EQ(ProfileAndLevel(ctx.get()), std::make_pair(c.profile, c.level)) << c.name;
        EXPECT_EQ(ctx->max_b_frames, c.maxBFrames) << c.name;
    }
}

TEST(Presets, BuiltInPresetNamesItsEncoderWhenNoneIsChosen) {
    TTaskSettings settings;
    TOptionParser parser(settings);
    ASSERT_NO_THROW(parser.Parse("vpre", "libx264-ultrafast"));
    CodecContextPtr ctx;
    EXPECT_EQ(OpenX264(settings, ctx), 0);
    EXPECT_EQ(ctx->max_b_frames, 0); // ultrafast uses none
}

class PresetFiles : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        auto dir = std::filesystem::path(ORVEL_BINARY_DIR) / "preset-test";
        std::filesystem::create_directories(dir);
        auto path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    TTaskSettings settings;
    TOptionParser parser{settings};
};

TEST_F(PresetFiles, FileTextSelectsCodecsAndSetsOptions) {
    const std::string file =
        Write("good.ffpreset", "  \r\nVCODEC = mpeg4\r\ng=30\r\n\r\nab=64000\rqmin = 3\n");
    parser.Parse("fpre", file);
    EXPECT_EQ(settings.VideoCodec.Name, "mpeg4");
    EXPECT_EQ(settings.Generic.Codec(AVMEDIA_TYPE_VIDEO)->gop_size, 30);
    EXPECT_EQ(settings.Generic.Codec(AVMEDIA_TYPE_AUDIO)->bit_rate, 64000);
    EXPECT_EQ(settings.Generic.Codec(AVMEDIA_TYPE_VIDEO)->qmin, 3);
    // A name that is an existing file works for the other preset options too.
    settings.Generic.Codec(AVMEDIA_TYPE_VIDEO)->gop_size = 1;
    parser.Parse("apre", file);
    EXPECT_EQ(settings.Generic.Codec(AVMEDIA_TYPE_VIDEO)->gop_size, 30);
}

TEST_F(PresetFiles, ErrorTexts) {
    const std::string syntax = Write("syntax.ffpreset", "g=30\nqmin\n");
    const std::string empty = Write("empty-value.ffpreset", "g=\n");
    const std::string unknown = Write("unknown.ffpreset", "g=30\nno_such_option=1\n");
    const std::string refused = Write("refused.ffpreset", "g=lots\n");
    EXPECT_EQ(ErrorOf(parser, "fpre", syntax), syntax + ": Invalid syntax: \"qmin\"");
    EXPECT_EQ(ErrorOf(parser, "fpre", empty), empty + ": Invalid syntax: \"g=\"");
    EXPECT_EQ(ErrorOf(parser, "fpre", unknown),
              unknown +
                  ": Invalid option or argument: \"no_such_option=1\", parsed as \"no_such_option\" = \"1\"");
    EXPECT_EQ(ErrorOf(parser, "vpre", refused),
              refused + ": Invalid option or argument: \"g=lots\", parsed as \"g\" = \"lots\"");
    EXPECT_EQ(ErrorOf(parser, "apre", "no_such_preset"), "Preset \"no_such_preset\" not found");
    // "fpre" never looks in the built-in table.
    EXPECT_EQ(ErrorOf(parser, "fpre", "libx264-ipod"), "Preset \"libx264-ipod\" not found");
    parser.Parse("vcodec", "libx264");
    EXPECT_EQ(ErrorOf(parser, "vpre", "ipod9"), "Preset \"ipod9\" not found");
}

} // namespace
} // namespace orvel
