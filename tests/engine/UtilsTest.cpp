#include "engine/foundation/FFUtils.h"

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/error.h>
}

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace orvel {
namespace {

TEST(Utils, TimeText) {
    const struct {
        int64_t us;
        const char* text;
    } cases[] = {{3723456789LL, "01:02:03.456"},
                 {AV_NOPTS_VALUE, "N/A"},
                 {0, "00:00:00.000"},
                 {999, "00:00:00.000"},
                 {59999999, "00:00:59.999"},
                 {-1500000, "-00:00:01.500"},
                 {360000000000LL, "100:00:00.000"}};
    for (const auto& c : cases)
        EXPECT_EQ(TimeText(c.us), c.text) << c.us;
}

TEST(Utils, SizeTextBoundaries) {
    const struct {
        int64_t bytes;
        const char* text;
    } cases[] = {
        {-1, "-1 Byte"},          {0, "0 Byte"},        {1024, "1024 Byte"},        {1025, "1.00 KB"},
        {1048576, "1024.00 KB"},  {1048577, "1.00 MB"}, {1073741824, "1024.00 MB"}, {1073741825, "1.00 GB"},
        {5LL << 40, "5120.00 GB"}};
    for (const auto& c : cases)
        EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;
}

TEST(Utils, ErrorTexts) {
    const struct {
        int code;
        std::string text;
    } cases[] = {
        {AVERROR(ENOENT), "No such file or directory"},
        {AVERROR(EIO), "I/O error"},
        {AVERROR(ENOMEM), "Not enough memory"},
        {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
        {AVERROR_EOF, "End of file"},
        {AVERROR(EDOM), "Number syntax expected in filename"},
        {AVERROR(EILSEQ), "Unknown format"},
        {AVERROR_DEMUXER_NOT_FOUND, "Unknown format"},
        {AVERROR_PROTOCOL_NOT_FOUND, "Unsupported network protocol"},
        {-1163346256, "Not yet implemented in FFmpeg"},
        {AVERROR(EINVAL), "Invalid data found when processing input"},
        {AVERROR(EPIPE), "End of file"},
        {AVERROR(ENOSYS), "Error number -38 occurred"},
        {AVERROR_ENCODER_NOT_FOUND,
         "Error number " + std::to_string(AVERROR_ENCODER_NOT_FOUND) + " occurred"},
        {-123456, "Error number -123456 occurred"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorMessage(c.code), c.text) << c.code;
    EXPECT_EQ(ErrorText("/x/clip.avi", AVERROR(ENOENT)), "/x/clip.avi: No such file or directory");
}

TEST(Utils, MediaTypeNames) {
    const char* names[] = {"Unknown", "Video", "Audio", "Data", "Subtitle", "Attachment", "Unknown"};
    for (int type = -1; type <= 5; ++type)
        EXPECT_EQ(MediaTypeName(type), names[type + 1]) << type;
}

TEST(Utils, CodecDescriptions) {
    const AVCodec* mp3 = avcodec_find_decoder(AV_CODEC_ID_MP3);
    ASSERT_NE(mp3, nullptr);
    EXPECT_EQ(CodecDescription(mp3, AV_CODEC_ID_MP3, 0), std::string("mp3float(") + mp3->long_name + ")");
    EXPECT_EQ(CodecDescription(nullptr, AV_CODEC_ID_MPEG2TS, 0), "mpeg2ts");
    EXPECT_EQ(CodecDescription(nullptr, AV_CODEC_ID_H264, 0), "h264");
    EXPECT_EQ(CodecDescription(nullptr, AV_CODEC_ID_NONE, MKTAG('X', 'V', 'I', 'D')), "XVID / 0x44495658");
    EXPECT_EQ(CodecDescription(nullptr, AV_CODEC_ID_NONE, 0x0001), "0x0001");
    EXPECT_EQ(CodecDescription(nullptr, AV_CODEC_ID_NONE, MKTAG('a', 'b', 'c', 0x7F)), "0x7f636261");
}

TEST(Utils, MetadataValues) {
    AVDictionary* d = nullptr;
    av_dict_set(&d, "title", "A Title", 0);
    EXPECT_EQ(MetadataValue(d, "title"), "A Title");
    EXPECT_EQ(MetadataValue(d, "TITLE"), "A Title") << "keys match without regard to case";
    EXPECT_EQ(MetadataValue(d, "album", "none"), "none");
    EXPECT_EQ(MetadataValue(nullptr, "album"), "");
    av_dict_free(&d);
}

TEST(Utils, DatesUseTheLocalStandardTime) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "EST5EDT", 1);
    tzset();
    EXPECT_EQ(StandardTimeText(0), "1969-12-31 19:00:00");
    // 2021-07-01 12:00:00 UTC falls in daylight saving time, which is ignored.
    EXPECT_EQ(StandardTimeText(1625140800), "2021-07-01 07:00:00");
    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_DOUBLE_EQ(DateOfUnixTime(0), 25569.0);
    EXPECT_DOUBLE_EQ(DateOfUnixTime(86400 + 43200), 25570.5);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

} // namespace
} // namespace orvel
