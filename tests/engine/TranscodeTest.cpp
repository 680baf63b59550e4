// End-to-end conversions: each output is read back for its container, codecs, picture size and
// duration.
#include "TranscodeSupport.h"
#include "engine/foundation/UnicodeProtocol.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvel {
namespace {

using fixtures::FixtureId;
using testing::Convert;
using testing::Options;
using testing::OutPath;
using testing::Probe;

struct Conversion {
    const char* name;
    FixtureId input;
    const char* output;
    Options options;
    const char* format;     // demuxer that reads the output back
    const char* videoCodec; // nullptr: no video stream expected
    const char* audioCodec;
    int width, height;
};

std::ostream& operator<<(std::ostream& os, const Conversion& c) {
    return os << c.name;
}

class ConversionTable : public ::testing::TestWithParam<Conversion> {};

TEST_P(ConversionTable, ConvertsToExpectedStreams) {
    const Conversion& c = GetParam();
    const std::string input = fixtures::Path(c.input);
    const std::string output = OutPath(c.output);
    std::filesystem::remove(output);
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    ASSERT_NO_THROW(Convert(task, {input}, {}, output, c.options));
    EXPECT_TRUE(task.Finished());

    const testing::Probed in = Probe(input);
    const testing::Probed out = Probe(output);
    EXPECT_EQ(out.format, c.format);
    const testing::ProbedStream* video = out.First(AVMEDIA_TYPE_VIDEO);
    const testing::ProbedStream* audio = out.First(AVMEDIA_TYPE_AUDIO);
    if (c.videoCodec == nullptr) {
        EXPECT_EQ(video, nullptr);
    } else {
        ASSERT_NE(video, nullptr);
        EXPECT_EQ(video->codec, c.videoCodec);
        EXPECT_EQ(video->width, c.width);
        EXPECT_EQ(video->height, c.height);
        // Containers disagree on how they state a duration; the decoded frames do not.
        const int inFrames = testing::DecodeAll(input, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {});
        const int outFrames = testing::DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {});
        EXPECT_NEAR(outFrames, inFrames, 1);
    }
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->codec, c.audioCodec);
    if (c.videoCodec == nullptr) { // within one audio frame (1536 samples of AC-3 at 48 kHz, with padding)
        EXPECT_NEAR(out.seconds, in.seconds, 0.06) << "container duration";
    }
}

const Conversion kConversions[] = {
    {"Mp4Mpeg4Aac",
     FixtureId::Mp4,
     "mpeg4.mp4",
     {{"vcodec", "mpeg4"}, {"acodec", "aac"}},
     "mov,mp4,m4a,3gp,3g2,mj2",
     "mpeg4",
     "aac",
     320,
     240},
    {"Mp4X264Preset",
     FixtureId::Avi,
     "x264.mp4",
     {{"vcodec", "libx264"}, {"vpre", "mp4"}, {"acodec", "aac"}},
     "mov,mp4,m4a,3gp,3g2,mj2",
     "h264",
     "aac",
     320,
     240},
    {"AviXvidMp3",
     FixtureId::Mp4,
     "xvid.avi",
     {{"vcodec", "libxvid"}, {"acodec", "libmp3lame"}},
     "avi",
     "mpeg4",
     "mp3",
     320,
     240},
    {"Vcd", FixtureId::Mp4, "vcd.mpg", {{"target", "pal-vcd"}}, "mpeg", "mpeg1video", "mp2", 352, 288},
    {"Svcd", FixtureId::Mp4, "svcd.mpg", {{"target", "pal-svcd"}}, "mpeg", "mpeg2video", "mp2", 480, 576},
    {"Dvd", FixtureId::Mp4, "dvd.mpg", {{"target", "pal-dvd"}}, "mpeg", "mpeg2video", "ac3", 720, 576},
    {"MkvCopy",
     FixtureId::Mp4,
     "copy.mkv",
     {{"vcodec", "copy"}, {"acodec", "copy"}},
     "matroska,webm",
     "h264",
     "aac",
     320,
     240},
    {"Flv",
     FixtureId::Mp4,
     "clip.flv",
     {{"vcodec", "flv"}, {"acodec", "libmp3lame"}},
     "flv",
     "flv1",
     "mp3",
     320,
     240},
    {"Wmv",
     FixtureId::Mp4,
     "clip.wmv",
     {{"vcodec", "wmv2"}, {"acodec", "wmav2"}},
     "asf",
     "wmv2",
     "wmav2",
     320,
     240},
    {"ThreeGp",
     FixtureId::Mp4,
     "clip.3gp",
     {{"vcodec", "h263"}, {"acodec", "aac"}, {"s", "176x144"}, {"ar", "22050"}, {"ac", "1"}},
     "mov,mp4,m4a,3gp,3g2,mj2",
     "h263",
     "aac",
     176,
     144},
    {"DvPal", FixtureId::Mp4, "clip.dv", {{"target", "pal-dv"}}, "dv", "dvvideo", "pcm_s16le", 720, 576},
    {"Mp3FromVideo", FixtureId::Mp4, "audio.mp3", {{"acodec", "libmp3lame"}}, "mp3", nullptr, "mp3", 0, 0},
    {"WavFromMp3", FixtureId::Mp3, "audio.wav", {}, "wav", nullptr, "pcm_s16le", 0, 0},
    {"Ac3FromWav",
     FixtureId::Wav,
     "audio.ac3",
     {{"ab", "192000"}, {"ar", "48000"}},
     "ac3",
     nullptr,
     "ac3",
     0,
     0},
};

INSTANTIATE_TEST_SUITE_P(Engine, ConversionTable, ::testing::ValuesIn(kConversions),
                         [](const auto& info) { return std::string(info.param.name); });

// Names outside ASCII reach the engine as "unicode:utf8:" addresses, for the input and the output.
TEST(UnicodeNames, ConvertsFromAndToAddresses) {
    const std::string dir = OutPath("\xC3\xBCnicode \xE6\x96\x87");
    std::filesystem::create_directories(dir);
    const std::string input = dir + "/cl\xC3\xAFp.mp4";
    const std::string output = dir + "/\xC3\xB6ut.avi";
    std::filesystem::copy_file(fixtures::Path(FixtureId::Mp4), input,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(output);
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    ASSERT_NO_THROW(Convert(task, {LibraryUrl(input)}, {}, LibraryUrl(output), {{"vcodec", "mpeg4"}}));
    EXPECT_TRUE(task.Finished());
    EXPECT_EQ(OpenUnicodeFileCount(), 0) << "every file opened through an address is closed";
    const testing::Probed out = Probe(output);
    EXPECT_EQ(out.format, "avi");
    ASSERT_NE(out.First(AVMEDIA_TYPE_VIDEO), nullptr);
}

} // namespace
} // namespace orvel
