// What the run does with the task's settings: limits, seeking, picture size, volume, joining,
// two passes, and the failures a run reports.
#include "EngineLog.h"
#include "TranscodeSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace orvel {
namespace {

using fixtures::FixtureId;
using testing::Convert;
using testing::DecodeAll;
using testing::Options;
using testing::OutPath;
using testing::Probe;

int VideoFrames(const std::string& path) {
    return DecodeAll(path, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {});
}

struct Shaped {
    const char* name;
    Options inputOptions;
    Options outputOptions;
    int frames; // decoded video frames expected, within one
    int width, height;
};

class ShapedOutput : public ::testing::TestWithParam<Shaped> {};

TEST_P(ShapedOutput, HasExpectedFramesAndSize) {
    const Shaped& c = GetParam();
    const std::string output = OutPath(std::string("shaped-") + c.name + ".avi");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    Options out = c.outputOptions;
    out.insert(out.begin(), {"vcodec", "mpeg4"});
    ASSERT_NO_THROW(Convert(task, {fixtures::Path(FixtureId::Mp4)}, c.inputOptions, output, out));
    EXPECT_NEAR(VideoFrames(output), c.frames, 1);
    const auto probed = Probe(output); // the stream lives in it
    const auto* video = probed.First(AVMEDIA_TYPE_VIDEO);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->width, c.width);
    EXPECT_EQ(video->height, c.height);
}

const Shaped kShaped[] = {
    {"RecordingTime", {}, {{"t", "1"}}, 25, 320, 240},
    {"SeekInput", {{"ss", "1"}}, {}, 25, 320, 240},
    {"Crop", {}, {{"croptop", "40"}, {"cropbottom", "40"}, {"cropleft", "16"}}, 50, 304, 160},
    {"PadChain", {}, {{"vf", "pad=400:300:40:30"}}, 50, 400, 300},
    {"CropThenScale", {}, {{"croptop", "40"}, {"s", "160x96"}}, 50, 160, 96},
};

INSTANTIATE_TEST_SUITE_P(Engine, ShapedOutput, ::testing::ValuesIn(kShaped),
                         [](const auto& info) { return std::string(info.param.name); });

// Each picture lasts until the next one, the last one for its own duration: converting to a
// higher frame rate keeps the length of the source.
TEST(RunTest, LastPictureLastsItsDuration) {
    struct Case {
        int sourceFps;
        double seconds;
        const char* rate;
        int frames;
    };
    const Case cases[] = {{1, 10.0, "29.97", 300}, {1, 10.0, "10", 100}, {25, 2.0, "29.97", 60}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.sourceFps) + " fps to " + c.rate);
        fixtures::ClipRecipe recipe;
        recipe.container = "avi";
        recipe.videoCodec = "mpeg4";
        recipe.audioCodec = "";
        recipe.fps = c.sourceFps;
        recipe.seconds = c.seconds;
        const std::string output =
            OutPath(std::string("last-picture-") + std::to_string(c.sourceFps) + "-" + c.rate + ".avi");
        TCustomFFmpeg task;
        task.SetVerbosity(-1);
        ASSERT_NO_THROW(
            Convert(task, {fixtures::Generate(recipe)}, {}, output, {{"vcodec", "mpeg4"}, {"r", c.rate}}));
        EXPECT_EQ(VideoFrames(output), c.frames);
    }
}

TEST(RunTest, SeekSkipsThePicturesBeforeThePosition) {
    const std::string output = OutPath("seek-first.avi");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    Convert(task, {fixtures::Path(FixtureId::Mp4)}, {{"ss", "1"}}, output,
            {{"vcodec", "mpeg4"}, {"qscale", "2"}});
    int index = 0;
    int boxLeft = -1;
    DecodeAll(output, AVMEDIA_TYPE_VIDEO, [&](AVFrame* f) {
        if (index++ != 0) return;
        // Find the grey box on the middle row of the first picture.
        const int y = f->height / 2;
        for (int x = 0; x < f->width && boxLeft < 0; ++x)
            if (std::abs(f->data[0][y * f->linesize[0] + x] - 128) < 6 &&
                std::abs(f->data[0][y * f->linesize[0] + x + 4] - 128) < 6)
                boxLeft = x;
    });
    // Frame 25 of the source: the box has moved 25 * 8 pixels (wrapping at width - side).
    const fixtures::Rect box = fixtures::BoxRect(25, 320, 240);
    EXPECT_NEAR(boxLeft, box.left, 4);
}

// A length limit on a source with B-pictures: the reference picture shown past the limit is
// still decoded for the B-pictures shown before it, so the last pictures are whole.
TEST(RunTest, RecordingTimeKeepsTheLastPicturesWhole) {
    const std::string input = fixtures::Path(FixtureId::Mp4);
    auto lumaOf = [](std::vector<std::vector<uint8_t>>& planes) {
        return [&planes](AVFrame* f) {
            std::vector<uint8_t> y(static_cast<size_t>(f->width) * f->height);
            for (int row = 0; row < f->height; ++row)
                std::copy_n(f->data[0] + row * f->linesize[0], f->width, y.begin() + row * f->width);
            planes.push_back(std::move(y));
        };
    };
    // The limit falls between a B-picture and the reference that comes before it in the file.
    double limit = 0, shownLatest = 0;
    std::vector<double> shown;
    {
        AVFormatContext* ctx = nullptr;
        ASSERT_GE(avformat_open_input(&ctx, input.c_str(), nullptr, nullptr), 0);
        avformat_find_stream_info(ctx, nullptr);
        AVPacket* pkt = av_packet_alloc();
        while (av_read_frame(ctx, pkt) >= 0) {
            const AVStream* st = ctx->streams[pkt->stream_index];
            if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
                const double pts = pkt->pts * av_q2d(st->time_base);
                shown.push_back(pts);
                if (limit == 0 && pts > 0.3 && pts < shownLatest) limit = (pts + shownLatest) / 2;
                shownLatest = std::max(shownLatest, pts);
            }
            av_packet_unref(pkt);
        }
        av_packet_free(&pkt);
        avformat_close_input(&ctx);
    }
    ASSERT_GT(limit, 0) << "the source has B-pictures";
    const size_t expected = std::count_if(shown.begin(), shown.end(), [&](double t) { return t < limit; });

    std::vector<std::vector<uint8_t>> in, out;
    DecodeAll(input, AVMEDIA_TYPE_VIDEO, lumaOf(in));
    const std::string output = OutPath("recording-time-bframes.avi");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    ASSERT_NO_THROW(Convert(task, {input}, {}, output,
                            {{"vcodec", "mpeg4"}, {"qscale", "2"}, {"t", std::to_string(limit)}}));
    DecodeAll(output, AVMEDIA_TYPE_VIDEO, lumaOf(out));
    ASSERT_EQ(out.size(), expected);
    ASSERT_GT(in.size(), out.size());
    for (size_t i = 0; i < out.size(); ++i) {
        ASSERT_EQ(out[i].size(), in[i].size());
        double difference = 0;
        for (size_t k = 0; k < out[i].size(); ++k)
            difference += std::abs(out[i][k] - in[i][k]);
        EXPECT_LT(difference / out[i].size(), 0.2) << "picture " << i;
    }
}

// A stop while a picture is repeated for a higher frame rate: the final status line counts as
// duplicates only the copies written, not those the stop cut off nor the held last picture.
TEST(RunTest, StopCountsOnlyTheDuplicatesWritten) {
    fixtures::ClipRecipe recipe;
    recipe.container = "avi";
    recipe.videoCodec = "mpeg4";
    recipe.audioCodec = "";
    recipe.fps = 1;
    recipe.seconds = 10.0;
    const std::string input = fixtures::Generate(recipe);
    const std::string output = OutPath("stopped-duplicates.avi");
    testing::EngineLog log;
    TCustomFFmpeg task;
    task.SetVerbosity(1);
    task.SetPipelined(false);
    int hooked = 0;
    task.OnHook = [&](TCustomFFmpeg& self, THookInfo&) {
        if (++hooked == 3) self.RequestStop(); // the third picture is never written
    };
    ASSERT_NO_THROW(Convert(task, {input}, {}, output, {{"vcodec", "mpeg4"}, {"r", "29.97"}}));
    EXPECT_FALSE(task.Finished());
    const int frames = DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {});
    ASSERT_GT(frames, 2);
    std::vector<std::string> last;
    for (const std::string& text : log.Matching(" L"))
        if (text.rfind("frame=", 0) == 0) last.push_back(text);
    ASSERT_EQ(last.size(), 1u);
    const size_t at = last[0].find(" dup=");
    ASSERT_NE(at, std::string::npos) << last[0];
    EXPECT_EQ(std::atoi(last[0].c_str() + at + 5), frames - 2) << last[0]; // two pictures written
}

// Big-endian fields of an MP4 file held in memory.
uint32_t ReadU32(const std::string& b, size_t at) {
    return (uint32_t(uint8_t(b[at])) << 24) | (uint32_t(uint8_t(b[at + 1])) << 16) |
           (uint32_t(uint8_t(b[at + 2])) << 8) | uint32_t(uint8_t(b[at + 3]));
}
void WriteU32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
}

// Offsets of the boxes on the path to the first box of the type (containers are searched).
bool FindBox(const std::string& b, size_t from, size_t to, const std::string& type,
             std::vector<size_t>& path) {
    for (size_t at = from; at + 8 <= to;) {
        const uint32_t size = ReadU32(b, at);
        if (size < 8 || at + size > to) return false;
        const std::string name = b.substr(at + 4, 4);
        path.push_back(at);
        if (name == type) return true;
        if ((name == "moov" || name == "trak" || name == "edts" || name == "mdia") &&
            FindBox(b, at + 8, at + size, type, path))
            return true;
        path.pop_back();
        at += size;
    }
    return false;
}

// An MP4 of sound joined from parts of ten packets each: its edit list plays each part up to the
// first sample of its last packet, as an editing app writes a recording joined from pieces.
// Returns the seconds the edit list plays, 0 on failure.
double WriteJoinedParts(const std::string& path) {
    fixtures::ClipRecipe recipe;
    recipe.videoCodec = "";
    recipe.seconds = 4.0;
    if (!fixtures::WriteClip(recipe, path)) return 0;
    std::ifstream in(path, std::ios::binary);
    std::string b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    std::vector<size_t> movie, media, edits;
    if (!FindBox(b, 0, b.size(), "mvhd", movie) || !FindBox(b, 0, b.size(), "mdhd", media) ||
        !FindBox(b, 0, b.size(), "elst", edits) || b[movie.back() + 8] != 0 || b[media.back() + 8] != 0 ||
        b[edits.back() + 8] != 0)
        return 0;
    const double movieScale = ReadU32(b, movie.back() + 20), mediaScale = ReadU32(b, media.back() + 20);
    // The edit that plays the media (after any empty one) gives where the sound starts.
    const size_t elst = edits.back();
    int64_t start = -1;
    for (uint32_t i = 0, n = ReadU32(b, elst + 12); i < n && start < 0; ++i)
        start = static_cast<int32_t>(ReadU32(b, elst + 16 + 12 * i + 4));
    if (start < 0) return 0;
    constexpr int kPart = 10, kFrame = 1024, kParts = 12;
    std::string entries;
    double played = 0;
    for (int k = 0; k < kParts; ++k) {
        const uint32_t samples = (kPart - 1) * kFrame + 1;
        const auto duration = static_cast<uint32_t>(std::lround(samples / mediaScale * movieScale));
        played += duration / movieScale;
        std::string e(12, '\0');
        WriteU32(e, 0, duration);
        WriteU32(e, 4, static_cast<uint32_t>(start + int64_t(k) * kPart * kFrame));
        WriteU32(e, 8, 0x00010000); // rate 1.0
        entries += e;
    }
    const uint32_t oldSize = ReadU32(b, elst);
    std::string box(16, '\0');
    WriteU32(box, 0, static_cast<uint32_t>(16 + entries.size()));
    box.replace(4, 4, "elst");
    WriteU32(box, 12, kParts);
    box += entries;
    const int64_t grown = static_cast<int64_t>(box.size()) - oldSize;
    b.replace(elst, oldSize, box);
    edits.pop_back();
    for (size_t parent : edits) // the boxes around it grow with it; the index lies before them
        WriteU32(b, parent, static_cast<uint32_t>(ReadU32(b, parent) + grown));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << b;
    return out ? played : 0;
}

// Sound whose parts end in packets trimmed to one sample (an MP4's edit list; a Matroska file's
// skip-samples side data) lasts as long in the output as in the source, on either path.
TEST(RunTest, TrimmedSoundPacketsKeepTheSoundsLength) {
    auto secondsOf = [](const std::string& path) {
        int64_t samples = 0;
        int rate = 0;
        DecodeAll(path, AVMEDIA_TYPE_AUDIO, [&](AVFrame* f) {
            samples += f->nb_samples;
            rate = f->sample_rate;
        });
        return rate > 0 ? static_cast<double>(samples) / rate : 0.0;
    };
    const std::string joined = OutPath("joined-parts.mp4");
    const double joinedSeconds = WriteJoinedParts(joined);
    ASSERT_GT(joinedSeconds, 0);
    fixtures::ClipRecipe recipe;
    recipe.container = "matroska";
    recipe.videoCodec = "mpeg4";
    recipe.trimmedAudioEvery = 10;
    const std::string sideData = fixtures::Generate(recipe);
    const struct {
        std::string input;
        double seconds;
    } sources[] = {{joined, joinedSeconds}, {sideData, secondsOf(sideData)}};
    for (const auto& source : sources) {
        for (const bool pipelined : {false, true}) {
            SCOPED_TRACE(source.input + (pipelined ? " pipelined" : " inline"));
            const std::string output =
                OutPath(std::string("trimmed-sound-") + (pipelined ? "pipelined" : "inline") + ".wav");
            TCustomFFmpeg task;
            task.SetVerbosity(-1);
            task.SetPipelined(pipelined);
            ASSERT_NO_THROW(Convert(task, {source.input}, {}, output, {{"acodec", "pcm_s16le"}}));
            EXPECT_NEAR(secondsOf(output), source.seconds, 0.005);
        }
    }
}

TEST(RunTest, VolumeScalesSamplesWithClipping) {
    const std::string input = fixtures::Path(FixtureId::Wav);
    std::vector<int16_t> in;
    auto collect = [](std::vector<int16_t>& v) {
        return [&v](AVFrame* f) {
            const auto* p = reinterpret_cast<const int16_t*>(f->data[0]);
            v.insert(v.end(), p, p + f->nb_samples * f->ch_layout.nb_channels);
        };
    };
    DecodeAll(input, AVMEDIA_TYPE_AUDIO, collect(in));
    for (int volume : {512, 1024}) { // the tone is at half scale: 1024 must clip
        const std::string output = OutPath("loud-" + std::to_string(volume) + ".wav");
        TCustomFFmpeg task;
        task.SetVerbosity(-1);
        Convert(task, {input}, {}, output, {{"vol", std::to_string(volume)}});
        std::vector<int16_t> out;
        DecodeAll(output, AVMEDIA_TYPE_AUDIO, collect(out));
        ASSERT_EQ(in.size(), out.size());
        int clipped = 0;
        for (size_t i = 0; i < in.size(); ++i) {
            const int expected = std::clamp((in[i] * volume + 128) >> 8, -32768, 32767);
            ASSERT_EQ(out[i], expected) << "volume " << volume << " sample " << i;
            clipped += expected == 32767;
        }
        EXPECT_EQ(clipped > 0, volume == 1024);
    }
}

TEST(RunTest, JoinWritesTheInputsOneAfterAnother) {
    const std::string input = fixtures::Path(FixtureId::Mp4);
    const std::string output = OutPath("joined.mp4");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    int64_t total = 0;
    task.OnProgress = [&](TCustomFFmpeg&, TProgressInfo& info) { total = info.TotalDuration; };
    Convert(task, {input, input}, {}, output, {{"vcodec", "mpeg4"}, {"acodec", "aac"}}, true);
    const testing::Probed in = Probe(input);
    const testing::Probed out = Probe(output);
    EXPECT_NEAR(VideoFrames(output), 2 * VideoFrames(input), 2);
    EXPECT_NEAR(out.seconds, 2 * in.seconds, 0.1);
    EXPECT_NEAR(total / 1e6, 2 * in.seconds, 0.01);
}

// With stream maps each joined input still feeds its segment, and the mapping report names each
// output stream's source without a sync line of its own.
TEST(RunTest, JoinWithStreamMapsWritesEveryInput) {
    const std::string input = fixtures::Path(FixtureId::Mp4);
    for (const bool mapped : {false, true}) {
        SCOPED_TRACE(mapped ? "mapped" : "automatic");
        const std::string output = OutPath(mapped ? "joined-mapped.mp4" : "joined-auto.mp4");
        TCustomFFmpeg task;
        task.SetVerbosity(0);
        testing::EngineLog log;
        Options options = {{"vcodec", "mpeg4"}, {"acodec", "aac"}};
        if (mapped) options.insert(options.begin(), {{"map", "0:0"}, {"map", "0:1"}});
        Convert(task, {input, input}, {}, output, options, true);
        EXPECT_NEAR(VideoFrames(output), 2 * VideoFrames(input), 2);
        EXPECT_NEAR(Probe(output).seconds, 2 * Probe(input).seconds, 0.1);
        EXPECT_TRUE(log.Contains("  Stream #0.0 -> #0.0 ("));
        EXPECT_FALSE(log.Contains(" [sync #"));
    }
}

// The mapping report comes before an error of the encoders and the header, not only after success.
TEST(RunTest, MappingReportPrecedesAnEncoderError) {
    TCustomFFmpeg task;
    task.SetVerbosity(0);
    testing::EngineLog log;
    EXPECT_THROW(Convert(task, {fixtures::Path(FixtureId::Mp4)}, {}, OutPath("mapping-before-error.avi"),
                         {{"vcodec", "mpeg1video"}, {"s", "5000x5000"}}),
                 FFmpegException);
    EXPECT_TRUE(log.Contains("Stream mapping:"));
    EXPECT_TRUE(log.Contains("  Stream #0.0 -> #0.0 ("));
}

// An RTP session's description is logged for its receivers.
TEST(RunTest, RtpOutputLogsItsSessionDescription) {
    TCustomFFmpeg task;
    task.SetVerbosity(0);
    testing::EngineLog log;
    ASSERT_NO_THROW(Convert(task, {fixtures::Path(FixtureId::Mp4)}, {}, "rtp://127.0.0.1:45678",
                            {{"f", "rtp"}, {"an", ""}, {"vcodec", "mpeg4"}, {"t", "0.2"}}));
    const std::vector<std::string> sdp = log.Matching("SDP:\r\n");
    ASSERT_EQ(sdp.size(), 1u);
    EXPECT_NE(sdp[0].find("m=video 45678 RTP/AVP"), std::string::npos) << sdp[0];
}

TEST(RunTest, SecondPassUsesTheFirstPassLog) {
    const std::string input = fixtures::Path(FixtureId::Mp4);
    const std::string prefix = OutPath("twopass");
    const Options common = {{"vcodec", "mpeg4"}, {"b", "300000"}, {"an", ""}, {"passlogfile", prefix}};
    {
        TCustomFFmpeg task;
        task.SetVerbosity(-1);
        Options o = common;
        o.push_back({"pass", "1"});
        Convert(task, {input}, {}, OutPath("pass1.avi"), o);
    }
    std::error_code ec;
    EXPECT_GT(std::filesystem::file_size(prefix + "-0.log", ec), 0u);
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    Options o = common;
    o.push_back({"pass", "2"});
    const std::string output = OutPath("pass2.avi");
    Convert(task, {input}, {}, output, o);
    EXPECT_NEAR(VideoFrames(output), VideoFrames(input), 1);
}

// A truncated or broken file ends the task with a message or a shorter output, never a crash.
TEST(RunTest, DamagedInputsEndWithAMessage) {
    for (FixtureId id : {FixtureId::Truncated, FixtureId::TruncatedAvi, FixtureId::NonMedia}) {
        TCustomFFmpeg task;
        task.SetVerbosity(-1);
        const std::string output = OutPath("damaged.avi");
        try {
            Convert(task, {fixtures::Path(id)}, {}, output, {{"vcodec", "mpeg4"}});
        } catch (const FFmpegException& e) {
            EXPECT_NE(std::string(e.what()), "");
        }
    }
}

// Every failure a task reports, with its exact text.
struct Failure {
    const char* name;
    std::function<void(TCustomFFmpeg&, const std::string& out)> run;
    std::function<std::string(const std::string& out)> text;
};

const std::string& Clip() {
    static const std::string p = fixtures::Path(FixtureId::Mp4);
    return p;
}

void Run(TCustomFFmpeg& task, const Options& in, const std::string& out, const Options& outOptions) {
    Convert(task, {Clip()}, in, out, outOptions);
}

const Failure kFailures[] = {
    {"MissingInput", [](TCustomFFmpeg& t, const std::string&) { t.OpenInput(OutPath("missing.mp4")); },
     [](const std::string&) { return OutPath("missing.mp4") + ": No such file or directory"; }},
    {"UnknownInputFormat",
     [](TCustomFFmpeg& t, const std::string& o) {
         Run(t, {{"f", "nosuchfmt"}}, o, {});
     },
     [](const std::string&) { return std::string("Unknown input format: \"nosuchfmt\""); }},
    {"UnknownExtension",
     [](TCustomFFmpeg& t, const std::string&) { Run(t, {}, OutPath("out.nosuchext"), {}); },
     [](const std::string&) {
         return "Unable to find a suitable output format for '" + OutPath("out.nosuchext") + "'";
     }},
    {"UnknownOutputFormat",
     [](TCustomFFmpeg& t, const std::string& o) {
         Run(t, {}, o, {{"f", "nosuchfmt"}});
     },
     [](const std::string&) {
         return std::string("Requested output format 'nosuchfmt' is not a suitable output format");
     }},
    {"SecondJoinedOutput",
     [](TCustomFFmpeg& t, const std::string& o) {
         t.OpenInput(Clip());
         t.OpenInput(Clip());
         t.OpenOutput(o, true);
         t.OpenOutput(o, false);
     },
     [](const std::string&) { return std::string("Cannot join more than one output file."); }},
    {"CopyWithHook",
     [](TCustomFFmpeg& t, const std::string& o) {
         t.OnHook = [](TCustomFFmpeg&, THookInfo&) {};
         Run(t, {}, o, {{"vcodec", "copy"}});
     },
     [](const std::string&) {
         return std::string("-vcodec copy and CustomHook are incompatible (frames are not decoded)");
     }},
    {"CopyWithPreview",
     [](TCustomFFmpeg& t, const std::string& o) {
         t.SetPreviewFlags(kPreviewBitmap);
         Run(t, {}, o, {{"vcodec", "copy"}});
     },
     [](const std::string&) {
         return std::string("-vcodec copy and PostHooks are incompatible (frames are not decoded)");
     }},
    {"AudioCopyWithVolume",
     [](TCustomFFmpeg& t, const std::string& o) {
         Run(t, {}, o, {{"acodec", "copy"}, {"vol", "300"}});
     },
     [](const std::string&) {
         return std::string("-acodec copy and -vol are incompatible (frames are not decoded)");
     }},
    {"NoStreams",
     [](TCustomFFmpeg& t, const std::string& o) {
         Run(t, {}, o, {{"vn", ""}, {"an", ""}});
     },
     [](const std::string&) { return std::string("Output file #0 does not contain any stream"); }},
    {"MapCount",
     [](TCustomFFmpeg& t, const std::string& o) {
         Run(t, {}, o, {{"map", "0.0"}});
     },
     [](const std::string&) {
         return std::string("Number of stream maps must match number of output streams");
     }},
    {"MapMissingStream",
     [](TCustomFFmpeg& t, const std::string& o) {
         Run(t, {}, o, {{"an", ""}, {"map", "0.5"}});
     },
     [](const std::string&) { return std::string("Could not find input stream #0.5"); }},
    {"MapTypeMismatch",
     [](TCustomFFmpeg& t, const std::string& o) {
         Run(t, {}, o, {{"an", ""}, {"map", "0.1"}});
     },
     [](const std::string&) {
         return std::string("Codec type mismatch for mapping #0.1 (audio) -> #0.0 (video)");
     }},
    {"EncoderRefusesSize",
     [](TCustomFFmpeg& t, const std::string& o) {
         Run(t, {}, o, {{"vcodec", "mpeg1video"}, {"s", "5000x5000"}});
     },
     [](const std::string&) {
         return std::string(
             "Error while opening encoder for output stream #0.0 (video) - maybe incorrect parameters such "
             "as "
             "bit_rate, rate, width or height. Please check error log message to find out more detail "
             "information.");
     }},
    {"PassTwoWithoutLog",
     [](TCustomFFmpeg& t, const std::string& o) {
         Run(t, {}, o, {{"passlogfile", OutPath("nolog")}, {"pass", "2"}});
     },
     [](const std::string&) {
         return "Cannot read file: Error reading log file \"" + OutPath("nolog") +
                "-0.log\" for pass-2 encoding";
     }},
    {"ExperimentalEncoderWithoutStrict",
     [](TCustomFFmpeg& t, const std::string& o) {
         Run(t, {}, o, {{"vn", ""}, {"acodec", "sonic"}});
     },
     [](const std::string&) {
         return std::string(
             "new_audio_stream fail: encoder 'sonic' is experimental and might produce bad results.\r\n"
             "Add '-strict experimental' if you want to use it.");
     }},
    // The forced format's options are gathered before the decoder is refused: none may be left
    // behind (the leak checker of the sanitizer build sees them).
    {"UnknownDecoderOfAForcedFormat",
     [](TCustomFFmpeg& t, const std::string&) {
         testing::Apply(t, {{"f", "mp4"}, {"vcodec", "no_such_decoder"}});
         t.OpenInput(Clip());
     },
     [](const std::string&) { return std::string("Unknown decoder 'no_such_decoder'"); }},
    {"BadFilter",
     [](TCustomFFmpeg& t, const std::string& o) {
         Run(t, {}, o, {{"vf", "nosuchfilter=1"}});
     },
     [](const std::string&) {
         return std::string("Error opening filters: Invalid data found when processing input");
     }},
};

// A "copy" given with the input's options outlives the input's codec name and copies the
// stream into the output.
TEST(RunTest, CopyGivenBeforeTheInputStillCopies) {
    const std::string output = OutPath("copy-from-input.avi");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    ASSERT_NO_THROW(Convert(task, {Clip()}, {{"vcodec", "copy"}}, output, {}));
    const testing::Probed p = Probe(output);
    ASSERT_NE(p.First(AVMEDIA_TYPE_VIDEO), nullptr);
    EXPECT_EQ(p.First(AVMEDIA_TYPE_VIDEO)->codec, "h264");
}

// A stream that cannot be added leaves nothing in the output: the run afterwards writes only the
// streams that were added.
TEST(RunTest, RefusedExtraStreamLeavesNoStreamBehind) {
    const struct {
        const char* name;
        Options options;
        const char* error;
    } cases[] = {
        {"newaudio", {{"acodec", "no_such_encoder"}, {"newaudio", ""}}, "Unknown encoder 'no_such_encoder'"},
        {"newvideo", {{"vcodec", "no_such_encoder"}, {"newvideo", ""}}, "Unknown encoder 'no_such_encoder'"},
        {"newvideo-rc",
         {{"vcodec", "mpeg4"}, {"rc_override", "x"}, {"newvideo", ""}},
         "error parsing rc_override"},
        {"newsubtitle",
         {{"scodec", "no_such_encoder"}, {"newsubtitle", ""}},
         "Unknown encoder 'no_such_encoder'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string output = OutPath(std::string("refused-") + c.name + ".mkv");
        TCustomFFmpeg task;
        task.SetVerbosity(-1);
        task.OpenInput(Clip());
        testing::Apply(task, {{"vcodec", "mpeg4"}, {"acodec", "mp2"}});
        task.OpenOutput(output, false);
        try {
            testing::Apply(task, c.options);
            ADD_FAILURE() << "the stream was added";
        } catch (const FFmpegException& e) {
            EXPECT_EQ(std::string(e.what()), c.error);
        }
        testing::Apply(task, {{"rc_override", ""}});
        EXPECT_NO_THROW(task.Transcode());
        task.CloseCodecs();
        task.ReleaseFiles();
        EXPECT_EQ(Probe(output).streams.size(), 2u);
    }
}

// A codec tag holds for every stream of its kind that follows, not only the first.
TEST(RunTest, VideoTagHoldsForTheExtraStreamToo) {
    const std::string output = OutPath("tagged-twice.avi");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    task.OpenInput(Clip());
    testing::Apply(task, {{"vcodec", "mpeg4"}, {"vtag", "XVID"}, {"an", ""}});
    task.OpenOutput(output, false);
    testing::Apply(task, {{"vcodec", "mpeg4"}, {"newvideo", ""}});
    task.Transcode();
    task.CloseCodecs();
    task.ReleaseFiles();
    AVFormatContext* ctx = nullptr;
    ASSERT_EQ(avformat_open_input(&ctx, output.c_str(), nullptr, nullptr), 0);
    ASSERT_EQ(ctx->nb_streams, 2u);
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        EXPECT_EQ(ctx->streams[i]->codecpar->codec_tag, MKTAG('X', 'V', 'I', 'D')) << i;
    avformat_close_input(&ctx);
}

// The source's speaker layout reaches the output while the channel count stays; a new count
// takes that count's default layout.
TEST(RunTest, ChannelLayoutIsCarriedFromTheInput) {
    fixtures::ClipRecipe recipe;
    recipe.container = "wav";
    recipe.videoCodec = "";
    recipe.audioCodec = "pcm_s16le";
    recipe.channels = 4;
    recipe.channelLayout = AV_CH_LAYOUT_QUAD; // not the default layout of four channels
    recipe.seconds = 0.5;
    const std::string input = fixtures::Generate(recipe);
    const struct {
        const char* name;
        Options options;
        int channels;
        uint64_t mask; // 0: WAV states no speakers for this count
    } cases[] = {
        {"kept", {}, 4, AV_CH_LAYOUT_QUAD},
        {"new-count", {{"ac", "2"}}, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string output = OutPath(std::string("layout-") + c.name + ".wav");
        TCustomFFmpeg task;
        task.SetVerbosity(-1);
        Convert(task, {input}, {}, output, c.options);
        AVFormatContext* ctx = nullptr;
        ASSERT_EQ(avformat_open_input(&ctx, output.c_str(), nullptr, nullptr), 0);
        ASSERT_EQ(ctx->nb_streams, 1u);
        const AVChannelLayout& layout = ctx->streams[0]->codecpar->ch_layout;
        EXPECT_EQ(layout.nb_channels, c.channels);
        if (c.mask != 0) {
            EXPECT_EQ(layout.order, AV_CHANNEL_ORDER_NATIVE);
            EXPECT_EQ(layout.u.mask, c.mask);
        }
        avformat_close_input(&ctx);
    }
}

// An input's decoder takes the decoding options as they stood when the input was opened; a
// change made afterwards, for the output, does not reach it.
TEST(RunTest, DecodingOptionsAreThoseOfTheInputsOpening) {
    const std::string output = OutPath("decoding-options.avi");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    Convert(task, {Clip()}, {{"skip_frame", "nokey"}}, output,
            {{"skip_frame", "default"}, {"vcodec", "mpeg4"}, {"an", ""}, {"vsync", "0"}});
    // Only the key frame of the two-second clip is decoded.
    EXPECT_LE(VideoFrames(output), 2);
}

// "strict" set to experimental lets an encoder chosen by name be experimental.
TEST(RunTest, StrictExperimentalAdmitsAnExperimentalEncoder) {
    const std::string output = OutPath("experimental.nut");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    ASSERT_NO_THROW(
        orvel::Run(task, {}, output, {{"vn", ""}, {"strict", "experimental"}, {"acodec", "sonic"}}));
    const testing::Probed p = Probe(output);
    ASSERT_NE(p.First(AVMEDIA_TYPE_AUDIO), nullptr);
    EXPECT_EQ(p.First(AVMEDIA_TYPE_AUDIO)->codec, "sonic");
}

class FailureTable : public ::testing::TestWithParam<Failure> {};

TEST_P(FailureTable, ReportsExactText) {
    const Failure& f = GetParam();
    const std::string output = OutPath(std::string("fail-") + f.name + ".avi");
    std::filesystem::remove(output);
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    try {
        f.run(task, output);
        FAIL() << "no failure";
    } catch (const FFmpegException& e) {
        EXPECT_EQ(std::string(e.what()), f.text(output));
    }
    task.CloseCodecs();
    task.ReleaseFiles();
    // A failed run leaves no empty file behind.
    std::error_code ec;
    EXPECT_FALSE(std::filesystem::exists(output, ec) && std::filesystem::file_size(output, ec) == 0);
}

INSTANTIATE_TEST_SUITE_P(Engine, FailureTable, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orvel
