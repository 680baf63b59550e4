#include "engine/component/MainThreadDispatcher.h"
#include "engine/foundation/AVHandles.h"
#include "engine/foundation/CodecLock.h"
#include "engine/foundation/FFmpegException.h"
#include "engine/foundation/FFmpegLoader.h"
#include "engine/foundation/FFmpegLogger.h"
#include "fixtures/Fixtures.h"
#include "probe/AVProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

namespace orvel {
namespace {
using fixtures::FixtureId;

struct Logged {
    TLogLevel level;
    std::string text;
};

// Loads the libraries and records what the probe writes to the shared logger.
class ProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FFLoader().Load(kConverterLibraries)) << FFLoader().LastError();
        FFLogger().SetTriggerEventInMainThread(false);
        FFLogger().SetLogLevel(llInfo);
        FFLogger().SetOnLog([this](const void* sender, uint32_t, TLogLevel level, const std::string& text) {
            std::lock_guard lock(mutex);
            if (sender != &FFLogger()) // library lines are not the probe's
                logged.push_back({level, text});
        });
    }
    void TearDown() override {
        FFLogger().SetOnLog(nullptr);
        FFLogger().SetTriggerEventInMainThread(true);
    }
    std::mutex mutex;
    std::vector<Logged> logged;
};

void ExpectNoInputSummary(const TAVProbe& p) {
    EXPECT_EQ(p.FileSize(), -1);
    EXPECT_EQ(p.StreamCount(), -1);
    EXPECT_EQ(p.ProgramCount(), -1);
    EXPECT_EQ(p.AudioStreamCount(), -1);
    EXPECT_EQ(p.VideoStreamCount(), -1);
    EXPECT_EQ(p.SubtitleStreamCount(), -1);
    EXPECT_EQ(p.AudioStreamIndex(), -1);
    EXPECT_EQ(p.VideoStreamIndex(), -1);
    EXPECT_EQ(p.SubtitleStreamIndex(), -1);
}

TEST_F(ProbeTest, CountsAndIndexesOfTheFixtures) {
    const struct {
        FixtureId id;
        int streams, programs, audio, video, subtitle, audioIndex, videoIndex, subtitleIndex;
        const char* format;
    } cases[] = {
        {FixtureId::Mp4, 2, 0, 1, 1, 0, 1, 0, -1, "mov,mp4,m4a,3gp,3g2,mj2"},
        {FixtureId::MkvMulti, 4, 0, 2, 1, 1, 1, 0, 3, "matroska,webm"},
        {FixtureId::MpegTs, 2, 1, 1, 1, 0, 1, 0, -1, "mpegts"},
        {FixtureId::Mp3, 1, 0, 1, 0, 0, 0, -1, -1, "mp3"},
        {FixtureId::Wav, 1, 0, 1, 0, 0, 0, -1, -1, "wav"},
        {FixtureId::NonAscii, 2, 0, 1, 1, 0, 1, 0, -1, "mov,mp4,m4a,3gp,3g2,mj2"},
    };
    for (const auto& c : cases) {
        const std::string path = fixtures::Path(c.id);
        SCOPED_TRACE(path);
        TAVProbe p;
        ASSERT_TRUE(p.LoadFile(path)) << p.LastErrorMessage();
        EXPECT_TRUE(p.OwnsInput());
        EXPECT_EQ(p.StreamCount(), c.streams);
        EXPECT_EQ(p.ProgramCount(), c.programs);
        EXPECT_EQ(p.AudioStreamCount(), c.audio);
        EXPECT_EQ(p.VideoStreamCount(), c.video);
        EXPECT_EQ(p.SubtitleStreamCount(), c.subtitle);
        EXPECT_EQ(p.AudioStreamIndex(), c.audioIndex);
        EXPECT_EQ(p.VideoStreamIndex(), c.videoIndex);
        EXPECT_EQ(p.SubtitleStreamIndex(), c.subtitleIndex);
        EXPECT_EQ(p.FileSize(), static_cast<int64_t>(std::filesystem::file_size(path)));
        EXPECT_EQ(p.FileName(), path);
        EXPECT_EQ(p.FormatName(), c.format);
        EXPECT_TRUE(p.ForcedFormat().empty());
        for (int i = 0; i < c.streams; ++i) {
            EXPECT_EQ(p.IsAudioStream(i), c.audio > 0 && (i == c.audioIndex || (c.audio == 2 && i == 2)));
            EXPECT_EQ(p.IsVideoStream(i), i == c.videoIndex);
        }
        p.Close();
        ExpectNoInputSummary(p);
    }
    EXPECT_TRUE(logged.empty());
}

TEST_F(ProbeTest, WithoutInputEveryQuestionWarnsFileNotLoaded) {
    TAVProbe p;
    ExpectNoInputSummary(p);
    TFileStreamInfo file;
    TAudioStreamInfo audio;
    TVideoStreamInfo video;
    EXPECT_FALSE(p.GetFileStreamInfo(file));
    EXPECT_FALSE(p.GetAudioStreamInfo(-1, audio));
    EXPECT_FALSE(p.GetVideoStreamInfo(0, video));
    EXPECT_FALSE(p.IsAudioStream(0));
    EXPECT_FALSE(p.IsVideoStream(0));
    EXPECT_EQ(p.FileName(), "");
    EXPECT_EQ(p.FormatName(), "");
    EXPECT_EQ(p.InfoText(), "");
    ASSERT_EQ(logged.size(), 8u);
    for (const auto& l : logged) {
        EXPECT_EQ(l.text, "file not loaded.");
        EXPECT_EQ(l.level, llWarning);
    }
    EXPECT_EQ(p.LastErrorMessage(), "file not loaded.");
    EXPECT_EQ(file.StartTime, -1);
    EXPECT_EQ(file.Duration, -1);
    EXPECT_EQ(file.BitRate, -1);
    EXPECT_EQ(file.Timestamp, -1);
    EXPECT_EQ(file.Year, -1);
    EXPECT_EQ(file.Track, -1);
    EXPECT_EQ(video.DisplayAspect, -1.0f);
    EXPECT_EQ(audio.SampleRate, -1);
}

void ExpectVideoUnfilled(const TVideoStreamInfo& v) {
    EXPECT_EQ(v.CodecName, "");
    EXPECT_EQ(v.StartTicks, -1);
    EXPECT_EQ(v.StartTime, -1);
    EXPECT_EQ(v.DurationTicks, -1);
    EXPECT_EQ(v.Duration, -1);
    EXPECT_EQ(v.BitRate, -1);
    EXPECT_EQ(v.Height, -1);
    EXPECT_EQ(v.Width, -1);
    EXPECT_EQ(v.DisplayAspect, -1.0f);
    EXPECT_EQ(v.PixelFormat, -1);
    EXPECT_EQ(v.FrameRateNum, -1);
    EXPECT_EQ(v.FrameRateDen, -1);
}

TEST_F(ProbeTest, StreamQuestionsThatCannotBeAnswered) {
    TAVProbe audioOnly;
    ASSERT_TRUE(audioOnly.LoadFile(fixtures::Path(FixtureId::Mp3)));
    TAVProbe clip;
    ASSERT_TRUE(clip.LoadFile(fixtures::Path(FixtureId::Mp4)));
    TVideoStreamInfo v;
    TAudioStreamInfo a;
    const struct {
        TAVProbe* probe;
        bool video;
        int index;
        const char* text;
    } cases[] = {
        {&audioOnly, true, -1, "no video stream."},
        {&audioOnly, true, 1, "stream index #1 is invalid."},
        {&audioOnly, true, 0, "stream #0 is not video stream."},
        {&clip, false, 0, "stream #0 is not audio stream."},
        {&clip, false, 7, "stream index #7 is invalid."},
    };
    for (const auto& c : cases) {
        logged.clear();
        const bool ok =
            c.video ? c.probe->GetVideoStreamInfo(c.index, v) : c.probe->GetAudioStreamInfo(c.index, a);
        EXPECT_FALSE(ok) << c.text;
        EXPECT_EQ(c.probe->LastErrorMessage(), c.text);
        ASSERT_EQ(logged.size(), 1u) << c.text;
        EXPECT_EQ(logged[0].text, c.text);
        EXPECT_EQ(logged[0].level, llError);
    }
    v.Width = 5;
    EXPECT_FALSE(audioOnly.GetVideoStreamInfo(-1, v));
    ExpectVideoUnfilled(v);
    EXPECT_EQ(a.Channels, -1);
    logged.clear();
    EXPECT_FALSE(clip.IsVideoStream(-1));
    EXPECT_FALSE(clip.IsAudioStream(2));
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0].text, "stream index #-1 is invalid.");
    EXPECT_EQ(logged[1].text, "stream index #2 is invalid.");
}

TEST_F(ProbeTest, StreamAndFileInformation) {
    TAVProbe p;
    ASSERT_TRUE(p.LoadFile(fixtures::Path(FixtureId::MpegTs)));
    TVideoStreamInfo v;
    ASSERT_TRUE(p.GetVideoStreamInfo(-1, v));
    EXPECT_EQ(v.CodecName, "mpeg2video(MPEG-2 video)");
    EXPECT_EQ(v.Width, 320);
    EXPECT_EQ(v.Height, 240);
    EXPECT_NEAR(v.DisplayAspect, 4.0 / 3.0, 1e-6);
    EXPECT_EQ(v.PixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(v.FrameRateNum, 25);
    EXPECT_EQ(v.FrameRateDen, 1);
    EXPECT_EQ(v.StartTicks, 3600); // 0.04 s in 1/90000
    EXPECT_EQ(v.StartTime, 40000);
    EXPECT_EQ(v.Duration, v.DurationTicks * 1000000 / 90000);

    TAudioStreamInfo a;
    ASSERT_TRUE(p.GetAudioStreamInfo(1, a));
    EXPECT_EQ(a.CodecName, "mp2(MP2 (MPEG audio layer 2))");
    EXPECT_EQ(a.Channels, 2);
    EXPECT_EQ(a.SampleRate, 48000);
    EXPECT_EQ(a.SampleFormat, AV_SAMPLE_FMT_FLTP);
    EXPECT_EQ(a.BitRate, 128000);

    TAVProbe tagged;
    ASSERT_TRUE(tagged.LoadFile(fixtures::Path(FixtureId::Mp4Tagged)));
    TFileStreamInfo f;
    ASSERT_TRUE(tagged.GetFileStreamInfo(f));
    EXPECT_EQ(f.Title, "Fixture Title");
    EXPECT_EQ(f.Author, "Fixture Artist");
    EXPECT_EQ(f.Album, "Fixture Album");
    EXPECT_EQ(f.Genre, "");
    EXPECT_EQ(f.StartTime, 0);
    EXPECT_NEAR(f.Duration / 1e6, 2.0, 0.1);
    EXPECT_GT(f.BitRate, 0);
    EXPECT_EQ(f.Timestamp, 0);
    EXPECT_EQ(f.Year, 0);
    EXPECT_EQ(f.Track, 0);
    ASSERT_TRUE(tagged.GetAudioStreamInfo(-1, a));
    EXPECT_EQ(a.Language, "und");
}

TEST_F(ProbeTest, FilesThatCannotBeRead) {
    TAVProbe p;
    const std::string missing = fixtures::Dir() + "/missing-\xC3\xA4.avi";
    EXPECT_FALSE(p.LoadFile(missing));
    EXPECT_EQ(p.LastErrorMessage(), missing + ": No such file or directory");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].level, llError);
    ExpectNoInputSummary(p);
    EXPECT_EQ(p.Input(), nullptr);

    for (FixtureId id : {FixtureId::Truncated, FixtureId::NonMedia}) {
        const std::string path = fixtures::Path(id);
        EXPECT_FALSE(p.LoadFile(path));
        EXPECT_EQ(p.LastErrorMessage(), path + ": Invalid data found when processing input");
        ExpectNoInputSummary(p);
    }

    logged.clear();
    EXPECT_FALSE(p.LoadFile(fixtures::Path(FixtureId::Mp4), "nosuchformat"));
    EXPECT_EQ(p.LastErrorMessage(), "Unknown input format: nosuchformat");
    EXPECT_TRUE(logged.empty()) << "an unknown format is not logged";

    // Forcing a format that does not fit the file.
    EXPECT_FALSE(p.LoadFile(fixtures::Path(FixtureId::NonMedia), "mp3"));
    ExpectNoInputSummary(p);

    // A file cut in half still opens: what is left is described, never a crash.
    ASSERT_TRUE(p.LoadFile(fixtures::Path(FixtureId::TruncatedAvi)));
    EXPECT_EQ(p.VideoStreamCount(), 1);
    EXPECT_FALSE(p.InfoText().empty());

    ASSERT_TRUE(p.LoadFile(fixtures::Path(FixtureId::Mp3), "mp3"));
    EXPECT_EQ(p.ForcedFormat(), "mp3");
}

TEST_F(ProbeTest, MissingLibrariesAreRefusedWithoutTouchingTheState) {
    TAVProbe p;
    ASSERT_TRUE(p.LoadFile(fixtures::Path(FixtureId::Mp3)));
    FFLoader().Unload(lkSwScale);
    try {
        p.LoadFile(fixtures::Path(FixtureId::Mp4));
        FAIL() << "no exception";
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "LibSwScale not loaded.");
    }
    EXPECT_THROW(p.Attach(nullptr), FFmpegException);
    EXPECT_EQ(p.StreamCount(), 1) << "the loaded file is kept";
    FFLoader().Unload(lkAVCodec);
    try {
        p.LoadFile(fixtures::Path(FixtureId::Mp4));
        FAIL() << "no exception";
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "LibAVCodec not loaded.");
    }
}

InputFormatContextPtr OpenInputHere(const std::string& path) {
    AVFormatContext* raw = nullptr;
    EXPECT_EQ(avformat_open_input(&raw, path.c_str(), nullptr, nullptr), 0);
    InputFormatContextPtr ctx(raw);
    EXPECT_GE(avformat_find_stream_info(ctx.get(), nullptr), 0);
    return ctx;
}

TEST_F(ProbeTest, AttachedInputIsBorrowedNeverClosed) {
    InputFormatContextPtr ctx = OpenInputHere(fixtures::Path(FixtureId::Avi));
    {
        TAVProbe p;
        p.Attach(ctx.get());
        EXPECT_FALSE(p.OwnsInput());
        EXPECT_EQ(p.StreamCount(), 2);
        EXPECT_EQ(p.FormatName(), "avi");
        p.Close();
        ExpectNoInputSummary(p);
        p.Attach(ctx.get());
        p.Attach(nullptr); // detaching
        ExpectNoInputSummary(p);
        p.Attach(ctx.get());
    } // destroyed while attached
    PacketPtr pkt = MakePacket();
    EXPECT_EQ(av_read_frame(ctx.get(), pkt.get()), 0) << "the input is still open";
}

TEST_F(ProbeTest, TimeBaseRepairIsWrittenIntoTheStream) {
    InputFormatContextPtr ctx = OpenInputHere(fixtures::Path(FixtureId::Mp3));
    AVStream* st = ctx->streams[0];
    TAVProbe p;
    p.Attach(ctx.get());
    const struct { AVRational broken, repaired; } cases[] = {{{7, 0}, {7, 7}}, {{0, 0}, {0, 1}}};
    for (const auto& c : cases) {
        st->time_base = c.broken;
        st->duration = 3;
        TAudioStreamInfo a;
        ASSERT_TRUE(p.GetAudioStreamInfo(0, a));
        EXPECT_EQ(st->time_base.num, c.repaired.num);
        EXPECT_EQ(st->time_base.den, c.repaired.den);
        EXPECT_EQ(a.DurationTicks, 3);
        EXPECT_EQ(a.Duration, c.repaired.num ? 3000000 : 0);
    }
    st->start_time = AV_NOPTS_VALUE;
    st->duration = AV_NOPTS_VALUE;
    TAudioStreamInfo a;
    ASSERT_TRUE(p.GetAudioStreamInfo(0, a));
    EXPECT_EQ(a.StartTicks, AV_NOPTS_VALUE);
    EXPECT_EQ(a.StartTime, -1);
    EXPECT_EQ(a.DurationTicks, AV_NOPTS_VALUE);
    EXPECT_EQ(a.Duration, -1);
}

TEST_F(ProbeTest, DisplayAspectOfAZeroHeightIsNotAnError) {
    InputFormatContextPtr ctx = OpenInputHere(fixtures::Path(FixtureId::MpegTs));
    ctx->streams[0]->codecpar->height = 0;
    TAVProbe p;
    p.Attach(ctx.get());
    TVideoStreamInfo v;
    ASSERT_TRUE(p.GetVideoStreamInfo(-1, v));
    EXPECT_TRUE(std::isinf(v.DisplayAspect) || std::isnan(v.DisplayAspect));
}

TEST_F(ProbeTest, WaitingForTheCodecLockKeepsServingTheMainThread) {
    // A worker holding the codec lock hands a call to the main thread; the main thread's probe
    // needs the same lock. Without serving while it waits, both would wait forever.
    QueuedDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);
    std::atomic<bool> held{false};
    std::thread worker([&] {
        std::lock_guard lock(CodecLock());
        held = true;
        RunInMainThread([] {});
    });
    while (!held)
        std::this_thread::yield();
    TAVProbe p;
    EXPECT_TRUE(p.LoadFile(fixtures::Path(FixtureId::Mp3)));
    worker.join();
    SetMainThreadDispatcher(nullptr);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0, end;
    while ((end = text.find("\r\n", pos)) != std::string::npos) {
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    EXPECT_EQ(pos, text.size()) << "every line ends with CR LF";
    return lines;
}

TEST_F(ProbeTest, InfoTextOfTheTransportStream) {
    const std::string path = fixtures::Path(FixtureId::MpegTs);
    TAVProbe p;
    ASSERT_TRUE(p.LoadFile(path));
    const std::vector<std::string> expected = {
        "File Name: " + path,
        "Format Name: mpegts",
        "Format Long Name: MPEG-TS (MPEG-2 Transport Stream)",
        "File Size: 88.86 KB",
        "Duration: 00:00:02.016",
        "StartTime: 0.029978",
        "Bit Rate: 361 kb/s",
        "Program 1 FFmpeg@Service01",
        "  Metadata:",
        "    service_name    : Service01",
        "    service_provider: FFmpeg",
        "Stream #0[0x100], 1/90000: Video: mpeg2video (Main) ([2][0][0][0] / 0x0002), yuv420p(tv, "
        "progressive), "
        "320x240 [SAR 1:1 DAR 4:3], 25 fps, 25 tbr, 90k tbn, StartTime: 0.040000, Duration: 00:00:02.000",
        "Stream #1[0x101], 1/90000: Audio: mp2 ([3][0][0][0] / 0x0003), 48000 Hz, stereo, s16p, 128 kb/s, "
        "StartTime: 0.029978, Duration: 00:00:02.016",
    };
    const std::vector<std::string> actual = Lines(p.InfoText());
    ASSERT_EQ(actual.size(), expected.size()) << p.InfoText();
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(actual[i], expected[i]) << "line " << i;
}

TEST_F(ProbeTest, InfoTextMetadataBlocks) {
    InputFormatContextPtr ctx = OpenInputHere(fixtures::Path(FixtureId::Wav));
    av_dict_free(&ctx->metadata);
    for (const char* key : {"TIT2", "TPE1", "tit2", "TXXX", "language"})
        av_dict_set(&ctx->metadata, key, "v", AV_DICT_MATCH_CASE);
    AVStream* st = ctx->streams[0];
    av_dict_free(&st->metadata);
    av_dict_set(&st->metadata, "language", "eng", 0);
    st->start_time = -1500000LL * st->time_base.den / st->time_base.num / 1000000;
    TAVProbe p;
    p.Attach(ctx.get());
    const std::vector<std::string> lines = Lines(p.InfoText());
    std::vector<std::string> block;
    bool inBlock = false;
    for (const auto& l : lines) {
        if (l == "Metadata:")
            inBlock = true;
        else if (inBlock && l.rfind("  ", 0) == 0)
            block.push_back(l);
        else
            inBlock = false;
    }
    const std::vector<std::string> expected = {"  title           : v", "  artist          : v",
                                               "  tit2            : v", "  TXXX            : v"};
    EXPECT_EQ(block, expected);
    ASSERT_FALSE(lines.empty());
    const std::string& stream = lines.back();
    EXPECT_EQ(stream.rfind("Stream #0(eng), 1/22050: Audio: pcm_s16le", 0), 0u) << stream;
    EXPECT_NE(stream.find(", StartTime: -1.500000,"), std::string::npos) << stream;
}

} // namespace
} // namespace orvel

namespace orvel {
namespace {

// A file read through a pipe-like stream: no seeking, so the library cannot state a size.
struct StreamOnlyInput {
    explicit StreamOnlyInput(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
        auto* buffer = static_cast<unsigned char*>(av_malloc(4096));
        pb = avio_alloc_context(buffer, 4096, 0, this, &Read, nullptr, nullptr);
        ctx = avformat_alloc_context();
        ctx->pb = pb;
        ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
        opened = avformat_open_input(&ctx, "", nullptr, nullptr) == 0 &&
                 avformat_find_stream_info(ctx, nullptr) >= 0;
    }
    ~StreamOnlyInput() {
        avformat_close_input(&ctx);
        if (pb) av_freep(&pb->buffer);
        avio_context_free(&pb);
    }
    static int Read(void* opaque, uint8_t* buf, int size) {
        auto* self = static_cast<StreamOnlyInput*>(opaque);
        const size_t n = std::min<size_t>(size, self->bytes.size() - self->pos);
        if (n == 0) return AVERROR_EOF;
        std::memcpy(buf, self->bytes.data() + self->pos, n);
        self->pos += n;
        return static_cast<int>(n);
    }
    std::vector<char> bytes;
    size_t pos = 0;
    AVIOContext* pb = nullptr;
    AVFormatContext* ctx = nullptr;
    bool opened = false;
};

TEST_F(ProbeTest, SizeOfAStreamThatCannotSeekIsUnknownNotAnErrorCode) {
    StreamOnlyInput input(fixtures::Path(FixtureId::Wav));
    ASSERT_TRUE(input.opened);
    ASSERT_LT(avio_size(input.pb), 0) << "the library states an error code as the size";
    TAVProbe p;
    p.Attach(input.ctx);
    EXPECT_EQ(p.FileSize(), -1);
    const std::vector<std::string> lines = Lines(p.InfoText());
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[3], "File Size: N/A");
    p.Attach(nullptr);
}

} // namespace
} // namespace orvel

namespace orvel {
namespace {

// A playlist in a folder with non-ASCII characters: its segment is opened beside it, which only
// works when the playlist is opened by its own name.
TEST_F(ProbeTest, PlaylistInANonAsciiFolderFindsItsSegment) {
    const std::string dir = fixtures::Dir() + "/liste-\xC3\xA4\xE6\x97\xA5";
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(fixtures::Path(FixtureId::MpegTs), dir + "/seg.ts",
                               std::filesystem::copy_options::overwrite_existing);
    const std::string playlist = dir + "/list.m3u8";
    std::ofstream(playlist) << "#EXTM3U\n#EXT-X-TARGETDURATION:3\n#EXTINF:2.0,\nseg.ts\n#EXT-X-ENDLIST\n";
    TAVProbe p;
    ASSERT_TRUE(p.LoadFile(playlist)) << p.LastErrorMessage();
    EXPECT_EQ(p.FormatName(), "hls");
    EXPECT_EQ(p.VideoStreamCount(), 1);
    EXPECT_EQ(p.AudioStreamCount(), 1);
    EXPECT_EQ(p.FileName(), playlist);
}

// A phone's upright recording is stored lying, with the turn in its display matrix: the probe
// gives the size and shape the picture is shown at, which the zoom modes fit to the output.
TEST_F(ProbeTest, TurnedStreamsGiveTheShownSize) {
    struct Case {
        int rotation;
        int width, height;
        float aspect;
    };
    for (const Case& c : {Case{0, 320, 240, 4.0f / 3}, Case{90, 240, 320, 3.0f / 4},
                          Case{180, 320, 240, 4.0f / 3}, Case{270, 240, 320, 3.0f / 4}}) {
        SCOPED_TRACE(c.rotation);
        fixtures::ClipRecipe recipe;
        recipe.container = "mov";
        recipe.videoCodec = "mpeg4"; // states its pixel aspect, so the shown shape is known
        recipe.audioCodec.clear();
        recipe.seconds = 0.2;
        recipe.rotation = c.rotation;
        TAVProbe p;
        ASSERT_TRUE(p.LoadFile(fixtures::Generate(recipe))) << p.LastErrorMessage();
        TVideoStreamInfo v;
        ASSERT_TRUE(p.GetVideoStreamInfo(-1, v));
        EXPECT_EQ(v.Width, c.width);
        EXPECT_EQ(v.Height, c.height);
        EXPECT_NEAR(v.DisplayAspect, c.aspect, 1e-3);
    }
}

} // namespace
} // namespace orvel
