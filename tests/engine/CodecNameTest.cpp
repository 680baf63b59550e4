#include "engine/foundation/FFmpegException.h"
#include "engine/options/CodecNames.h"

#include <gtest/gtest.h>

namespace orvel {
namespace {

struct Case {
    std::string name;
    AVMediaType type;
    bool encoder;
    int strict;
    std::string expected; // codec name, "" for none, or "!" + error text
};

TEST(CodecNames, ChoiceByName) {
    const int normal = FF_COMPLIANCE_NORMAL, experimental = FF_COMPLIANCE_EXPERIMENTAL;
    const auto V = AVMEDIA_TYPE_VIDEO, A = AVMEDIA_TYPE_AUDIO;
    const std::vector<Case> cases = {
        {"", V, true, normal, ""},
        {"libx264", V, true, normal, "libx264"},
        {"h264", V, false, normal, "h264"},
        {"libfaac", A, true, normal, "aac"},
        {"libflac", A, true, normal, "flac"},
        {"mp2", A, true, normal, "mp2"},
        {"vorbis", A, true, normal, "libvorbis"},
        {"vorbis", A, true, experimental, "vorbis"},
        {"no_such_codec", V, true, normal, "!Unknown encoder 'no_such_codec'"},
        {"no_such_codec", A, false, normal, "!Unknown decoder 'no_such_codec'"},
        {"libx264", A, true, normal, "!Invalid encoder type 'libx264'"},
        {"mp3", V, false, normal, "!Invalid decoder type 'mp3'"},
        {"sonic", A, true, normal,
         "!encoder 'sonic' is experimental and might produce bad results.\r\n"
         "Add '-strict experimental' if you want to use it."},
        {"sonic", A, true, experimental, "sonic"},
    };
    for (const auto& c : cases) {
        std::string got;
        try {
            const AVCodec* codec = ChooseCodecByName(c.name, c.type, c.encoder, c.strict);
            got = codec ? codec->name : "";
        } catch (const FFmpegException& e) {
            got = std::string("!") + e.what();
        }
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(CodecNames, MissingTodayStaysUnknownUnderItsOwnName) {
    // No AMR-NB encoder ships with these libraries: the user sees the name they asked for.
    if (avcodec_find_encoder_by_name("libopencore_amrnb")) GTEST_SKIP() << "this build has an AMR-NB encoder";
    EXPECT_EQ(CodecNameAlias("libamr_nb", true), "libopencore_amrnb");
    try {
        ChooseCodecByName("libamr_nb", AVMEDIA_TYPE_AUDIO, true);
        ADD_FAILURE();
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "Unknown encoder 'libamr_nb'");
    }
    EXPECT_EQ(FindCodecByName("libamr_nb", AVMEDIA_TYPE_AUDIO, true), nullptr);
}

} // namespace
} // namespace orvel
