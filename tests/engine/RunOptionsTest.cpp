// Run options of the transcode loop: deinterlacing, audio sync and drift, late video, the video statistics
// file, chapters, rate emulation, the file size limit, "shortest", timestamp jumps, packet
// dumps, the status line, subtitles, stream copy out of Matroska, and bitstream filter and
// decoding failures with and without "xerror".
#include "EngineLog.h"
#include "TranscodeSupport.h"
#include "support/DeadlockWatch.h"

extern "C" {
#include <libavutil/intreadwrite.h>
#include <libavutil/time.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <set>

#include <unistd.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <iterator>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

namespace orvel {
namespace {

using fixtures::FixtureId;
using testing::Convert;
using testing::DecodeAll;
using testing::EngineLog;
using testing::Options;
using testing::OutPath;

// Runs one task to its end; true when it finished. A failure comes out as FFmpegException.
bool RunTask(const std::vector<std::string>& inputs, const Options& inputOptions, const std::string& output,
             const Options& outputOptions, int verbosity = -1) {
    TCustomFFmpeg task;
    task.SetVerbosity(verbosity);
    Convert(task, inputs, inputOptions, output, outputOptions);
    return task.Finished();
}

// The text a task ends with, or "" when it ends well.
std::string FailureOf(const std::vector<std::string>& inputs, const Options& inputOptions,
                      const std::string& output, const Options& outputOptions) {
    try {
        RunTask(inputs, inputOptions, output, outputOptions);
    } catch (const FFmpegException& e) {
        return e.what();
    }
    return "";
}

// ---------------------------------------------------------------------------------------------
// Sources made for these tests: copies of fixtures with packets changed or dropped and
// chapters added, and a clip of combed pictures.

struct ChapterMark {
    int64_t startMs = 0, endMs = 0;
    std::string title;
};

// Gets each packet in its input stream's time base; false drops it.
using PacketEdit = std::function<bool(AVPacket& pkt, const AVStream& st)>;

double Seconds(int64_t ts, const AVStream& st) {
    return ts * av_q2d(st.time_base);
}

// A file written by a test, the container from the name's extension. Test programs run side
// by side, so it is written under a private name and renamed once finished.
class ClipWriter {
public:
    explicit ClipWriter(std::string path)
        : path_(std::move(path)),
          temp_(path_ + "." + std::to_string(getpid()) + std::filesystem::path(path_).extension().string()) {
        avformat_alloc_output_context2(&oc_, nullptr, nullptr, temp_.c_str());
    }
    ~ClipWriter() {
        if (oc_ != nullptr) {
            avio_closep(&oc_->pb);
            avformat_free_context(oc_);
        }
    }
    ClipWriter(const ClipWriter&) = delete;
    ClipWriter& operator=(const ClipWriter&) = delete;

    AVFormatContext* Context() const { return oc_; }
    void AddStream(const AVCodecParameters* par, AVRational timeBase) {
        AVStream* st = avformat_new_stream(oc_, nullptr);
        avcodec_parameters_copy(st->codecpar, par);
        st->codecpar->codec_tag = 0;
        st->time_base = timeBase;
    }
    void AddStream(const AVCodecContext* enc) {
        AVStream* st = avformat_new_stream(oc_, nullptr);
        avcodec_parameters_from_context(st->codecpar, enc);
        st->time_base = enc->time_base;
    }
    bool Start() {
        return oc_ != nullptr && avio_open(&oc_->pb, temp_.c_str(), AVIO_FLAG_WRITE) >= 0 &&
               avformat_write_header(oc_, nullptr) >= 0;
    }
    // Writes a packet whose times are in `timeBase` to stream `index`.
    bool Write(AVPacket* pkt, int index, AVRational timeBase) {
        av_packet_rescale_ts(pkt, timeBase, oc_->streams[index]->time_base);
        pkt->stream_index = index;
        pkt->pos = -1;
        return av_interleaved_write_frame(oc_, pkt) >= 0;
    }
    bool Finish() {
        const bool written = av_write_trailer(oc_) >= 0;
        avio_closep(&oc_->pb);
        std::error_code ec;
        std::filesystem::rename(temp_, path_, ec);
        return written && !ec;
    }

private:
    std::string path_, temp_;
    AVFormatContext* oc_ = nullptr;
};

void AddChapters(AVFormatContext* oc, const std::vector<ChapterMark>& chapters) {
    oc->chapters = static_cast<AVChapter**>(av_calloc(chapters.size(), sizeof(AVChapter*)));
    for (const ChapterMark& m : chapters) {
        auto* c = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        c->id = oc->nb_chapters + 1;
        c->time_base = AVRational{1, 1000};
        c->start = m.startMs;
        c->end = m.endMs;
        av_dict_set(&c->metadata, "title", m.title.c_str(), 0);
        oc->chapters[oc->nb_chapters++] = c;
    }
}

// Copies every stream of `from` into a new file `to`.
void Remux(const std::string& from, const std::string& to, const PacketEdit& edit,
           const std::vector<ChapterMark>& chapters = {}) {
    AVFormatContext* ic = nullptr;
    ASSERT_GE(avformat_open_input(&ic, from.c_str(), nullptr, nullptr), 0) << from;
    ASSERT_GE(avformat_find_stream_info(ic, nullptr), 0);
    ClipWriter out(to);
    for (unsigned i = 0; i < ic->nb_streams; ++i)
        out.AddStream(ic->streams[i]->codecpar, ic->streams[i]->time_base);
    if (!chapters.empty()) AddChapters(out.Context(), chapters);
    ASSERT_TRUE(out.Start()) << to;
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(ic, pkt) >= 0) {
        const AVStream& in = *ic->streams[pkt->stream_index];
        if (edit(*pkt, in)) {
            EXPECT_TRUE(out.Write(pkt, pkt->stream_index, in.time_base));
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    EXPECT_TRUE(out.Finish()) << to;
    avformat_close_input(&ic);
}

// Raw 4:2:0 pictures whose two fields disagree: in frame f, rows with (row + f) even are
// white and the others black, so each field flickers from frame to frame as fast motion does.
constexpr int kCombedSize = 64;
constexpr int kCombedFrames = 10;

void WriteCombedClip(const std::string& path, int width = kCombedSize, int height = kCombedSize) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_RAWVIDEO);
    AVCodecContext* enc = avcodec_alloc_context3(codec);
    enc->width = width;
    enc->height = height;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = AVRational{1, 25};
    ASSERT_GE(avcodec_open2(enc, codec, nullptr), 0);
    ClipWriter out(path);
    out.AddStream(enc);
    ASSERT_TRUE(out.Start()) << path;
    AVFrame* frame = av_frame_alloc();
    frame->width = width;
    frame->height = height;
    frame->format = AV_PIX_FMT_YUV420P;
    av_frame_get_buffer(frame, 0);
    AVPacket* pkt = av_packet_alloc();
    auto drain = [&] {
        while (avcodec_receive_packet(enc, pkt) >= 0)
            EXPECT_TRUE(out.Write(pkt, 0, enc->time_base));
    };
    for (int f = 0; f < kCombedFrames; ++f) {
        av_frame_make_writable(frame);
        for (int y = 0; y < height; ++y)
            std::fill_n(frame->data[0] + y * frame->linesize[0], width, (y + f) % 2 == 0 ? 235 : 16);
        for (int p = 1; p < 3; ++p)
            for (int y = 0; y < height / 2; ++y)
                std::fill_n(frame->data[p] + y * frame->linesize[p], width / 2, 128);
        frame->pts = f;
        avcodec_send_frame(enc, frame);
        drain();
    }
    avcodec_send_frame(enc, nullptr);
    drain();
    EXPECT_TRUE(out.Finish()) << path;
    av_packet_free(&pkt);
    av_frame_free(&frame);
    avcodec_free_context(&enc);
}

// Mean luma difference between neighbouring rows, away from the picture's edges: about 219
// for the combed clip, near 0 once its fields agree.
double Combing(const AVFrame* f) {
    double sum = 0;
    int count = 0;
    for (int y = 4; y < f->height - 5; ++y)
        for (int x = 8; x < f->width - 8; ++x) {
            sum += std::abs(f->data[0][y * f->linesize[0] + x] - f->data[0][(y + 1) * f->linesize[0] + x]);
            ++count;
        }
    return sum / count;
}

TEST(DeinterlaceTest, FieldsAgreeAfterDeinterlacingAndEveryFrameIsKept) {
    EngineLog log;
    const std::string input = OutPath("combed.avi");
    WriteCombedClip(input);
    for (bool deinterlace : {false, true}) {
        SCOPED_TRACE(deinterlace ? "deinterlaced" : "as decoded");
        const std::string output = OutPath(deinterlace ? "combed-deint.avi" : "combed-plain.avi");
        Options options = {{"vcodec", "rawvideo"}};
        if (deinterlace) options.push_back({"deinterlace", ""});
        ASSERT_NO_THROW(RunTask({input}, {}, output, options));
        double worst = 0, best = 1e9;
        const int frames = DecodeAll(output, AVMEDIA_TYPE_VIDEO, [&](AVFrame* f) {
            worst = std::max(worst, Combing(f));
            best = std::min(best, Combing(f));
        });
        EXPECT_EQ(frames, kCombedFrames);
        if (deinterlace)
            EXPECT_LT(worst, 20.0);
        else
            EXPECT_GT(best, 200.0);
    }
    EXPECT_FALSE(log.Contains("Deinterlacing failed."));
}

// The deinterlacer works on 16x16 blocks; a picture of two lines is converted as it is, with a message.
TEST(DeinterlaceTest, PictureTheDeinterlacerCannotTakeConvertsWithoutIt) {
    EngineLog log;
    const std::string input = OutPath("two-lines.avi");
    WriteCombedClip(input, 16, 2);
    const std::string output = OutPath("two-lines-deint.avi");
    bool finished = false;
    ASSERT_NO_THROW(finished = RunTask({input}, {}, output, {{"vcodec", "rawvideo"}, {"deinterlace", ""}}));
    EXPECT_TRUE(finished);
    EXPECT_EQ(DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {}), kCombedFrames);
    EXPECT_TRUE(log.Has(llError, "Deinterlacing failed."));
}

// Whatever draws on the picture draws on the deinterlaced one.
TEST(DeinterlaceTest, TheHookGetsTheDeinterlacedPicture) {
    const std::string input = OutPath("combed-for-hook.avi");
    WriteCombedClip(input);
    for (bool deinterlace : {false, true}) {
        SCOPED_TRACE(deinterlace ? "deinterlaced" : "as decoded");
        double worst = 0, best = 1e9;
        int calls = 0;
        TCustomFFmpeg task;
        task.SetVerbosity(-1);
        task.OnHook = [&](TCustomFFmpeg&, THookInfo& info) {
            ++calls;
            const Bitmap24& b = *info.Bitmap;
            double sum = 0;
            for (int y = 8; y < b.Height() - 9; ++y)
                sum += std::abs(b.Row(y)[b.Width() / 2 * 3 + 1] - b.Row(y + 1)[b.Width() / 2 * 3 + 1]);
            const double combing = sum / (b.Height() - 17);
            worst = std::max(worst, combing);
            best = std::min(best, combing);
        };
        Options options = {{"vcodec", "rawvideo"}};
        if (deinterlace) options.push_back({"deinterlace", ""});
        ASSERT_NO_THROW(Convert(task, {input}, {}, OutPath("combed-hooked.avi"), options));
        EXPECT_EQ(calls, kCombedFrames);
        if (deinterlace)
            EXPECT_LT(worst, 20.0);
        else
            EXPECT_GT(best, 200.0);
    }
}

TEST(DeinterlaceTest, EncodedClipConvertsWithTheDeinterlacer) {
    const std::string output = OutPath("deint.mp4");
    bool finished = false;
    ASSERT_NO_THROW(finished = RunTask({fixtures::Path(FixtureId::Mp4)}, {}, output,
                                       {{"vcodec", "mpeg4"}, {"acodec", "aac"}, {"deinterlace", ""}}));
    EXPECT_TRUE(finished);
    EXPECT_NEAR(DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {}), 50, 1);
}

// ---------------------------------------------------------------------------------------------
// Audio sync: a source whose audio starts 0.3 s late and misses 0.5 s in the middle.

std::vector<int16_t> DecodeSamples(const std::string& path, int& rate) {
    std::vector<int16_t> samples; // first channel
    DecodeAll(path, AVMEDIA_TYPE_AUDIO, [&](AVFrame* f) {
        rate = f->sample_rate;
        const auto* p = reinterpret_cast<const int16_t*>(f->data[0]);
        for (int i = 0; i < f->nb_samples; ++i)
            samples.push_back(p[i * f->ch_layout.nb_channels]);
    });
    return samples;
}

int PeakBetween(const std::vector<int16_t>& samples, int rate, double from, double to) {
    int peak = 0;
    for (size_t i = static_cast<size_t>(from * rate);
         i < samples.size() && i < static_cast<size_t>(to * rate); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    return peak;
}

const std::string& GappedAudioClip() {
    static const std::string path = [] {
        const std::string p = OutPath("audio-gaps.mkv");
        Remux(fixtures::Path(FixtureId::Mp4), p, [](AVPacket& pkt, const AVStream& st) {
            if (st.codecpar->codec_type != AVMEDIA_TYPE_AUDIO) return true;
            const double t = Seconds(pkt.pts, st);
            return t >= 0.3 && (t < 1.0 || t >= 1.5);
        });
        return p;
    }();
    return path;
}

struct AudioSyncCase {
    const char* async;
    double missing; // seconds of audio the output lacks against the source's full length
    bool silenceLogged;
};

class AudioSync : public ::testing::TestWithParam<AudioSyncCase> {};

TEST_P(AudioSync, GapsAreFilledWithSilenceOnlyWithAudioSync) {
    const AudioSyncCase& c = GetParam();
    const std::string output = OutPath(std::string("async-") + c.async + ".mkv");
    EngineLog log;
    ASSERT_NO_THROW(RunTask({GappedAudioClip()}, {}, output,
                            {{"vcodec", "mpeg4"}, {"acodec", "pcm_s16le"}, {"async", c.async}}, 3));
    int sourceRate = 0, rate = 0;
    const std::vector<int16_t> full = DecodeSamples(fixtures::Path(FixtureId::Mp4), sourceRate);
    const std::vector<int16_t> out = DecodeSamples(output, rate);
    ASSERT_EQ(rate, sourceRate);
    const double seconds = static_cast<double>(out.size()) / rate;
    EXPECT_NEAR(seconds, static_cast<double>(full.size()) / rate - c.missing, 0.05);
    EXPECT_EQ(log.Contains("audio samples of silence"), c.silenceLogged);
    if (!c.silenceLogged) return;
    // The whole picture time has sound, and the silence sits where the source had none.
    const int frames = DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {});
    EXPECT_NEAR(seconds, frames / 25.0, 0.05);
    EXPECT_EQ(PeakBetween(out, rate, 0.0, 0.28), 0);
    EXPECT_EQ(PeakBetween(out, rate, 1.05, 1.45), 0);
    EXPECT_GT(PeakBetween(out, rate, 0.4, 0.9), 8000); // the tone is at half scale
    EXPECT_GT(PeakBetween(out, rate, 1.6, 1.9), 8000);
}

const AudioSyncCase kAudioSync[] = {
    {"0", 0.8, false},
    {"1", 0.0, true},
};

INSTANTIATE_TEST_SUITE_P(Engine, AudioSync, ::testing::ValuesIn(kAudioSync),
                         [](const auto& info) { return std::string("async") + info.param.async; });

// Audio whose timestamps run faster or slower than its samples ("itsscale" on the clip's audio,
// stream 1): drift within the threshold is left alone or, with "async" above 1, compensated by
// the resampler; beyond it samples are discarded.
struct AudioDriftCase {
    const char* name;
    const char* scale;
    const char* async;
    double lengthRatio; // output samples against the source's
    double tolerance;
    std::vector<std::string> logged; // the sync lines that appear
};

class AudioDrift : public ::testing::TestWithParam<AudioDriftCase> {};

TEST_P(AudioDrift, FollowsTheTimestamps) {
    const AudioDriftCase& c = GetParam();
    const std::string output = OutPath(std::string("drift-") + c.name + ".mkv");
    EngineLog log;
    ASSERT_NO_THROW(RunTask({fixtures::Path(FixtureId::Mp4)}, {{"itsscale", std::string("1:") + c.scale}},
                            output, {{"vcodec", "mpeg4"}, {"acodec", "pcm_s16le"}, {"async", c.async}}, 3));
    int rate = 0;
    const double full = static_cast<double>(DecodeSamples(fixtures::Path(FixtureId::Mp4), rate).size());
    const double out = static_cast<double>(DecodeSamples(output, rate).size());
    EXPECT_NEAR(out / full, c.lengthRatio, c.tolerance);
    for (const char* line :
         {"compensating audio timestamp drift:", "discarding ", "audio samples of silence"})
        EXPECT_EQ(log.Contains(line), std::ranges::count(c.logged, std::string(line)) == 1) << line;
    // Only the first difference the sync meets is corrected however small it is.
    if (std::ranges::count(c.logged, "audio samples of silence") == 1) {
        EXPECT_EQ(log.Matching("audio samples of silence").size(), 1u);
    }
}

const AudioDriftCase kAudioDrift[] = {
    // The drift reaches the slack a few frames in: that first difference is filled once, the
    // rest stays within the threshold and is left alone.
    {"WithinThreshold", "1.02", "1", 1.0, 0.005, {"audio samples of silence"}},
    // The resampler catches up over about a second, so the 2 s clip gains part of the 2 %.
    {"Compensated",
     "1.02",
     "1000",
     1.0125,
     0.0075,
     {"audio samples of silence", "compensating audio timestamp drift:"}},
    {"BeyondThreshold", "0.8", "1", 0.85, 0.04, {"discarding "}},
};

INSTANTIATE_TEST_SUITE_P(Engine, AudioDrift, ::testing::ValuesIn(kAudioDrift),
                         [](const auto& info) { return std::string(info.param.name); });

// Video that starts half a second after the sound: the pictures start with the output, the
// first one repeated until the source's own pictures begin.
TEST(VideoSyncTest, LateVideoIsPrecededByCopiesOfItsFirstPicture) {
    const std::string input = OutPath("late-video.mkv");
    Remux(fixtures::Path(FixtureId::Mp4), input, [](AVPacket& pkt, const AVStream& st) {
        if (st.codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            const int64_t shift = av_rescale_q(500000, AV_TIME_BASE_Q, st.time_base);
            pkt.pts += shift;
            pkt.dts += shift;
        }
        return true;
    });
    const std::string output = OutPath("late-video.avi");
    EngineLog log;
    ASSERT_NO_THROW(RunTask({input}, {}, output, {{"vcodec", "mpeg4"}, {"acodec", "pcm_s16le"}}, 3));
    // 12 or 13 duplicates: half a second at 25 fps, and the sound's priming delay.
    const std::vector<std::string> lines = log.Matching("*** ");
    ASSERT_FALSE(lines.empty());
    const int dups = std::atoi(lines.front().c_str() + 4);
    EXPECT_TRUE(dups == 12 || dups == 13) << lines.front();
    // At (5, 120) only the first picture has its grey box; later ones show the white bar.
    std::vector<int> luma;
    const int frames = DecodeAll(output, AVMEDIA_TYPE_VIDEO,
                                 [&](AVFrame* f) { luma.push_back(f->data[0][120 * f->linesize[0] + 5]); });
    // The last picture may be held one more frame for its own duration.
    EXPECT_NEAR(frames, 50 + dups, 1);
    for (int i = 0; i <= dups && i < frames; ++i)
        EXPECT_NEAR(luma[i], 128, 30) << "picture " << i;
    if (frames > dups + 1) {
        EXPECT_GT(luma[dups + 1], 200);
    }
}

// ---------------------------------------------------------------------------------------------
// Video statistics file.

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(VideoStatsTest, OneLinePerEncodedFrameInTheFileFormat) {
    const std::regex plain(R"(frame= +(\d+) q= 5\.0 f_size= +\d+ s_size= +(\d+)kB time= (\d+\.\d{3}) )"
                           R"(br= +\d+\.\dkbits/s avg_br= +\d+\.\dkbits/s type= [IPB])");
    const std::regex psnr(R"(frame= +(\d+) q= 5\.0 PSNR= +\d+\.\d\d f_size= +\d+ s_size= +(\d+)kB )"
                          R"(time= (\d+\.\d{3}) br= +\d+\.\dkbits/s avg_br= +\d+\.\dkbits/s type= [IPB])");
    for (bool withPsnr : {false, true}) {
        SCOPED_TRACE(withPsnr ? "with PSNR" : "without PSNR");
        const std::string stats = OutPath(withPsnr ? "vstats-psnr.log" : "vstats.log");
        const std::string output = OutPath("vstats.avi");
        std::filesystem::remove(stats);
        Options options = {{"vcodec", "mpeg4"}, {"qscale", "5"}, {"an", ""}, {"vstats_file", stats}};
        if (withPsnr) options.push_back({"psnr", ""});
        ASSERT_NO_THROW(RunTask({fixtures::Path(FixtureId::Mp4)}, {}, output, options));
        const std::vector<std::string> lines = ReadLines(stats);
        const int frames = DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {});
        ASSERT_EQ(static_cast<int>(lines.size()), frames);
        int lastSize = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(lines[i], m, withPsnr ? psnr : plain)) << lines[i];
            EXPECT_EQ(std::stoi(m[1]), static_cast<int>(i + 1));
            EXPECT_GE(std::stoi(m[2]), lastSize);
            lastSize = std::stoi(m[2]);
            // The time the stream has reached with this frame, at 25 frames a second.
            EXPECT_NEAR(std::stod(m[3]), (i + 1) / 25.0, 0.0005) << lines[i];
        }
    }
}

TEST(VideoStatsTest, UnwritableFileEndsTheTask) {
    const std::string stats = OutPath("no-such-folder") + "/vstats.log";
    EXPECT_EQ(FailureOf({fixtures::Path(FixtureId::Mp4)}, {}, OutPath("vstats-fail.avi"),
                        {{"vcodec", "mpeg4"}, {"vstats_file", stats}}),
              "fopen fail: " + stats);
}

// The encoder holds every picture of a second back (its look-ahead), so the statistics file is
// first written while the encoder is flushed. The failure there still leaves a playable file.
TEST(VideoStatsTest, FailureWhileFlushingStillWritesTheTrailer) {
    const std::string stats = OutPath("no-such-folder") + "/vstats.log";
    const std::string output = OutPath("vstats-fail-at-flush.mp4");
    std::filesystem::remove(output);
    EXPECT_EQ(FailureOf({fixtures::Path(FixtureId::Mp4)}, {}, output,
                        {{"vcodec", "libx264"}, {"acodec", "aac"}, {"t", "1"}, {"vstats_file", stats}}),
              "fopen fail: " + stats);
    const auto probed = testing::Probe(output);
    EXPECT_EQ(probed.format, "mov,mp4,m4a,3gp,3g2,mj2") << "no index written";
    const auto* audio = probed.First(AVMEDIA_TYPE_AUDIO);
    ASSERT_NE(audio, nullptr);
    EXPECT_NEAR(audio->seconds, 1.0, 0.1);
}

// ---------------------------------------------------------------------------------------------
// Chapters.

const std::string& ChapteredClip() {
    static const std::string path = [] {
        const std::string p = OutPath("chapters-source.mkv");
        Remux(fixtures::Path(FixtureId::Mp4), p, [](AVPacket&, const AVStream&) { return true; },
              {{0, 700, "Opening"}, {700, 1400, "Middle"}, {1400, 2000, "Closing"}});
        return p;
    }();
    return path;
}

struct ChapterSpan {
    std::string title;
    double start, end;
};

std::vector<ChapterSpan> ReadChapters(const std::string& path) {
    std::vector<ChapterSpan> spans;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0) return spans;
    for (unsigned i = 0; i < ctx->nb_chapters; ++i) {
        const AVChapter* c = ctx->chapters[i];
        const AVDictionaryEntry* title = av_dict_get(c->metadata, "title", nullptr, 0);
        spans.push_back(
            {title ? title->value : "", c->start * av_q2d(c->time_base), c->end * av_q2d(c->time_base)});
    }
    avformat_close_input(&ctx);
    return spans;
}

struct ChapterCase {
    const char* name;
    Options inputOptions, outputOptions;
    std::vector<ChapterSpan> expected;
};

class Chapters : public ::testing::TestWithParam<ChapterCase> {};

TEST_P(Chapters, FollowTheOutputTimeLine) {
    const ChapterCase& c = GetParam();
    const std::string output = OutPath(std::string("chapters-") + c.name + ".mkv");
    Options options = c.outputOptions;
    options.push_back({"vcodec", "mpeg4"});
    ASSERT_NO_THROW(RunTask({ChapteredClip()}, c.inputOptions, output, options));
    const std::vector<ChapterSpan> found = ReadChapters(output);
    ASSERT_EQ(found.size(), c.expected.size());
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].title, c.expected[i].title);
        EXPECT_NEAR(found[i].start, c.expected[i].start, 0.002) << found[i].title;
        EXPECT_NEAR(found[i].end, c.expected[i].end, 0.002) << found[i].title;
    }
}

const ChapterCase kChapters[] = {
    {"Whole", {}, {}, {{"Opening", 0, 0.7}, {"Middle", 0.7, 1.4}, {"Closing", 1.4, 2.0}}},
    {"Seek", {{"ss", "0.5"}}, {}, {{"Opening", 0, 0.2}, {"Middle", 0.2, 0.9}, {"Closing", 0.9, 1.5}}},
    {"RecordingTime", {}, {{"t", "1"}}, {{"Opening", 0, 0.7}, {"Middle", 0.7, 1.0}}},
};

INSTANTIATE_TEST_SUITE_P(Engine, Chapters, ::testing::ValuesIn(kChapters),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JoinedChapters, FollowOneAnotherWithDistinctIds) {
    const std::string output = OutPath("chapters-joined.mkv");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    ASSERT_NO_THROW(
        Convert(task, {ChapteredClip(), ChapteredClip()}, {}, output, {{"vcodec", "mpeg4"}}, true));
    const std::vector<ChapterSpan> found = ReadChapters(output);
    ASSERT_EQ(found.size(), 6u);
    // The second input's chapters start where the first input ends, give or take its last frame.
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(found[i + 3].title, found[i].title);
        EXPECT_NEAR(found[i + 3].start - found[i].start, 2.0, 0.05) << found[i].title;
    }
    for (size_t i = 1; i < found.size(); ++i)
        EXPECT_GE(found[i].start, found[i - 1].end - 0.05) << "chapters overlap: " << found[i].title;
    AVFormatContext* ctx = nullptr;
    ASSERT_GE(avformat_open_input(&ctx, output.c_str(), nullptr, nullptr), 0);
    std::set<int64_t> ids;
    for (unsigned i = 0; i < ctx->nb_chapters; ++i)
        ids.insert(ctx->chapters[i]->id);
    avformat_close_input(&ctx);
    EXPECT_EQ(ids.size(), 6u);
}

// ---------------------------------------------------------------------------------------------
// Rate emulation, the file size limit and "shortest".

// A network input that sends a clip and then nothing more: the read waits for data that never
// comes, and a stop must still end the run, with what was read written out.
TEST(RunLimitsTest, StopEndsAStalledNetworkInput) {
    fixtures::ClipRecipe recipe;
    recipe.container = "mpegts";
    recipe.videoCodec = "mpeg2video";
    recipe.audioCodec = "mp2";
    recipe.seconds = 3.0;
    std::ifstream in(fixtures::Generate(recipe), std::ios::binary);
    const std::string clip((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(server, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    ASSERT_EQ(::getsockname(server, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::atomic<bool> sent{false}, release{false};
    std::thread sender([&] {
        const int connection = ::accept(server, nullptr, nullptr);
        if (connection < 0) return;
        for (size_t done = 0; done < clip.size();) {
            const ssize_t n = ::send(connection, clip.data() + done, clip.size() - done, MSG_NOSIGNAL);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        sent = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ::close(connection);
    });

    const std::string output = OutPath("stalled-network.avi");
    TCustomFFmpeg task;
    task.SetVerbosity(-1);
    task.OpenInput("tcp://127.0.0.1:" + std::to_string(ntohs(address.sin_port)));
    testing::Apply(task, {{"vcodec", "mpeg4"}, {"acodec", "mp2"}});
    task.OpenOutput(output, false);
    // Once everything sent is read, the run's output time stands still: the read waits.
    std::atomic<int64_t> reached{0};
    task.SetProgressInterval(50000);
    task.OnProgress = [&](TCustomFFmpeg&, TProgressInfo& info) { reached = info.CurrentDuration; };
    std::thread worker([&] {
        try {
            task.Transcode();
        } catch (const std::exception&) {
        }
    });
    while (!sent)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (int still = 0, polls = 0; still < 5 && polls < 100; ++polls) {
        const int64_t before = reached;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        still = reached == before && before > 0 ? still + 1 : 0;
    }
    task.RequestStop();
    {
        testsupport::DeadlockWatch watch("a stop of a stalled network read", std::chrono::seconds(60));
        worker.join();
    }
    task.CloseCodecs();
    task.ReleaseFiles();
    release = true;
    sender.join();
    ::close(server);
    EXPECT_FALSE(task.Finished());
    EXPECT_GT(DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {}), 0);
}

// The GIF muxer loops forever by its own default; the task's default -1 means "play once", which
// the file shows by having no looping extension.
TEST(RunLimitsTest, GifLoopsOnlyWhenLoopOutputAsksForIt) {
    const struct {
        const char* name;
        Options options;
        bool loops;
    } cases[] = {
        {"default", {}, false},
        {"forever", {{"loop_output", "0"}}, true},
        {"thrice", {{"loop_output", "3"}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string output = OutPath(std::string("loop-") + c.name + ".gif");
        Options options = {{"an", ""}, {"t", "0.3"}, {"s", "32x24"}};
        options.insert(options.end(), c.options.begin(), c.options.end());
        TCustomFFmpeg task;
        task.SetVerbosity(-1);
        Convert(task, {fixtures::Path(FixtureId::Mp4)}, {}, output, options);
        std::ifstream in(output, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        ASSERT_GT(bytes.size(), 0u);
        EXPECT_EQ(bytes.find("NETSCAPE2.0") != std::string::npos, c.loops);
    }
}

// A still picture read with "loop_input" repeats until the recording time ends the output.
TEST(RunLimitsTest, LoopInputRepeatsAStillPicture) {
    fixtures::ClipRecipe recipe;
    recipe.container = "image2";
    recipe.fileName = "still.png";
    recipe.videoCodec = "png";
    recipe.audioCodec = "";
    recipe.width = 64;
    recipe.height = 48;
    recipe.seconds = 0.04; // one picture
    const std::string still = fixtures::Generate(recipe);
    for (const bool loop : {false, true}) {
        SCOPED_TRACE(loop ? "looped" : "once");
        const std::string output = OutPath(loop ? "still-looped.avi" : "still-once.avi");
        TCustomFFmpeg task;
        task.SetVerbosity(-1);
        Options in;
        if (loop) in.push_back({"loop_input", ""});
        Convert(task, {still}, in, output, {{"vcodec", "mpeg4"}, {"t", "0.4"}, {"vsync", "0"}});
        const int frames = DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {});
        if (loop)
            EXPECT_NEAR(frames, 10, 1);
        else
            EXPECT_EQ(frames, 1);
    }
}

TEST(RunLimitsTest, RateEmulationReadsAtTheNativeRate) {
    const int64_t start = av_gettime_relative();
    ASSERT_NO_THROW(RunTask({fixtures::Path(FixtureId::Mp4)}, {{"re", ""}}, OutPath("re.mkv"),
                            {{"vcodec", "copy"}, {"acodec", "copy"}}));
    // A 2 s clip; copying it without the option takes a few milliseconds.
    EXPECT_GE((av_gettime_relative() - start) / 1e6, 1.5);
}

TEST(RunLimitsTest, FileSizeLimitEndsTheOutputEarlyWithATrailer) {
    const Options options = {{"vcodec", "mpeg4"}, {"qscale", "2"}, {"an", ""}};
    const std::string whole = OutPath("fs-whole.avi");
    RunTask({fixtures::Path(FixtureId::Mp4)}, {}, whole, options);
    const auto wholeSize = static_cast<int64_t>(std::filesystem::file_size(whole));
    const int64_t limit = wholeSize / 2;
    const std::string output = OutPath("fs-limited.avi");
    Options limited = options;
    limited.push_back({"fs", std::to_string(limit)});
    EXPECT_TRUE(RunTask({fixtures::Path(FixtureId::Mp4)}, {}, output, limited));
    EXPECT_GT(static_cast<int64_t>(std::filesystem::file_size(output)), limit);
    const int frames = DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {});
    EXPECT_GT(frames, 10);
    EXPECT_LT(frames, 40);
}

TEST(RunLimitsTest, ShortestEndsWithTheShorterInput) {
    fixtures::ClipRecipe tone;
    tone.container = "wav";
    tone.videoCodec.clear();
    tone.audioCodec = "pcm_s16le";
    tone.seconds = 4.0;
    tone.sampleRate = 22050;
    tone.channels = 1;
    const std::string longTone = fixtures::Generate(tone);
    for (bool shortest : {false, true}) {
        SCOPED_TRACE(shortest ? "shortest" : "longest");
        const std::string output = OutPath(shortest ? "shortest.mkv" : "longest.mkv");
        Options options = {{"map", "0.0"}, {"map", "1.0"}, {"vcodec", "mpeg4"}, {"acodec", "pcm_s16le"}};
        if (shortest) options.push_back({"shortest", ""});
        ASSERT_NO_THROW(RunTask({fixtures::Path(FixtureId::Mp4), longTone}, {}, output, options));
        int rate = 0;
        const double seconds = static_cast<double>(DecodeSamples(output, rate).size()) / std::max(rate, 1);
        if (shortest)
            EXPECT_LT(seconds, 2.5);
        else
            EXPECT_NEAR(seconds, 4.0, 0.05);
    }
}

// ---------------------------------------------------------------------------------------------
// Timestamps: a jump in a transport stream moves the file's offset; packet dumps.

TEST(TimestampTest, JumpInATransportStreamIsClosed) {
    const std::string input = OutPath("jump.ts");
    Remux(fixtures::Path(FixtureId::MpegTs), input, [](AVPacket& pkt, const AVStream& st) {
        // From 1 s on, every timestamp is 60 s later.
        if (pkt.dts != AV_NOPTS_VALUE && Seconds(pkt.dts, st) >= 1.0) {
            const int64_t jump = av_rescale_q(60, AVRational{1, 1}, st.time_base);
            pkt.dts += jump;
            if (pkt.pts != AV_NOPTS_VALUE) pkt.pts += jump;
        }
        return true;
    });
    EngineLog log;
    const std::string output = OutPath("jump.mkv");
    ASSERT_NO_THROW(RunTask({input}, {}, output, {{"vcodec", "mpeg4"}, {"acodec", "pcm_s16le"}}, 3));
    EXPECT_NEAR(DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {}), 50, 2);
    int rate = 0;
    EXPECT_NEAR(static_cast<double>(DecodeSamples(output, rate).size()) / rate, 2.0, 0.1);
    EXPECT_TRUE(log.Contains("timestamp discontinuity "));
}

TEST(TimestampTest, PacketDumpGoesThroughTheLibraryLog) {
    FFLogger().InstallLibraryCallback(); // as the loader does once the libraries are loaded
    for (bool dump : {false, true}) {
        EngineLog log;
        Options options = {{"acodec", "copy"}};
        if (dump) options.push_back({"dump", ""});
        RunTask({fixtures::Path(FixtureId::Mp3)}, {}, OutPath("dump.mp3"), options);
        EXPECT_EQ(log.Contains("keyframe="), dump);
    }
}

// ---------------------------------------------------------------------------------------------
// The last status line: its fields, the "L" mark, the QP histogram and PSNR.

struct StatusCase {
    const char* name;
    Options options;
    // What follows "q=2.0 L"; %s is the histogram of quantiser 2 for the clip's frames.
    const char* middle;
};

class StatusLine : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusLine, LastLineHasEveryField) {
    const StatusCase& c = GetParam();
    EngineLog log;
    const std::string output = OutPath(std::string("status-") + c.name + ".avi");
    Options options = {{"vcodec", "mpeg4"}, {"qscale", "2"}, {"an", ""}};
    options.insert(options.end(), c.options.begin(), c.options.end());
    RunTask({fixtures::Path(FixtureId::Mp4)}, {}, output, options, 1);
    std::vector<std::string> last; // status lines with the last report's mark
    for (const std::string& text : log.Matching(" L"))
        if (text.rfind("frame=", 0) == 0) last.push_back(text);
    ASSERT_EQ(last.size(), 1u);
    const int frames = DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {});
    ASSERT_GT(frames, 40);
    // Every frame at quantiser 2: digit 2 is log2(frames + 1) rounded, every other digit 0.
    char head[32], histogram[40], middle[128], time[16];
    std::snprintf(head, sizeof head, "frame=%5d fps=", frames);
    std::snprintf(histogram, sizeof histogram, "00%X%s", static_cast<int>(std::lround(std::log2(frames + 1))),
                  std::string(29, '0').c_str());
    std::snprintf(middle, sizeof middle, c.middle, histogram);
    std::snprintf(time, sizeof time, "%0.2f", frames / 25.0);
    const std::regex line(std::string(R"( *\d+ q=2\.0 L)") + middle + R"(size= +\d+kB time=)" + time +
                          R"( bitrate= *\d+\.\dkbits/s)");
    const std::string text = last[0];
    ASSERT_EQ(text.substr(0, std::strlen(head)), head) << text;
    EXPECT_TRUE(std::regex_match(text.substr(std::strlen(head)), line)) << text;
    EXPECT_TRUE(log.Contains("video:"));
}

// Quantiser 2 keeps every plane of these flat pictures 40 dB or more from the source.
#define PSNR_FIELD "[4-9]\\d\\.\\d\\d "
const StatusCase kStatus[] = {
    {"Plain", {}, ""},
    {"Histogram", {{"qphist", ""}}, "%s"},
    {"Psnr", {{"psnr", ""}}, "PSNR=Y:" PSNR_FIELD "U:" PSNR_FIELD "V:" PSNR_FIELD "\\*:" PSNR_FIELD},
    {"Both",
     {{"qphist", ""}, {"psnr", ""}},
     "%sPSNR=Y:" PSNR_FIELD "U:" PSNR_FIELD "V:" PSNR_FIELD "\\*:" PSNR_FIELD},
};
#undef PSNR_FIELD

INSTANTIATE_TEST_SUITE_P(Engine, StatusLine, ::testing::ValuesIn(kStatus),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Subtitles are decoded and encoded again with their times.

struct Cue {
    double start, duration;
};

std::vector<Cue> SubtitleCues(const std::string& path) {
    std::vector<Cue> cues;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0) return cues;
    avformat_find_stream_info(ctx, nullptr);
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(ctx, pkt) >= 0) {
        const AVStream& st = *ctx->streams[pkt->stream_index];
        if (st.codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE)
            cues.push_back({Seconds(pkt->pts, st), Seconds(pkt->duration, st)});
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&ctx);
    return cues;
}

struct SubtitleCase {
    const char* name;
    Options options;
    double start;   // seconds the output starts at in the source
    size_t skipped; // cues that end up before that start
};

class Subtitles : public ::testing::TestWithParam<SubtitleCase> {};

TEST_P(Subtitles, CuesKeepTheirStartAndDuration) {
    const SubtitleCase& c = GetParam();
    const std::string output = OutPath(std::string("subtitles-") + c.name + ".mkv");
    Options options = c.options;
    options.push_back({"vcodec", "mpeg4"});
    ASSERT_NO_THROW(RunTask({fixtures::Path(FixtureId::MkvMulti)}, {}, output, options));
    const std::vector<Cue> in = SubtitleCues(fixtures::Path(FixtureId::MkvMulti));
    const std::vector<Cue> out = SubtitleCues(output);
    ASSERT_EQ(in.size(), 2u);
    ASSERT_EQ(out.size(), in.size() - c.skipped);
    for (size_t i = 0; i < out.size(); ++i) {
        // Containers may move a whole file by a few milliseconds; cues keep their place in it.
        EXPECT_NEAR(out[i].start, in[i + c.skipped].start - c.start, 0.01);
        EXPECT_NEAR(out[i].duration, 0.8, 0.002);
    }
    if (out.size() == 2) {
        EXPECT_NEAR(out[1].start - out[0].start, 1.0, 0.002);
    }
}

const SubtitleCase kSubtitles[] = {
    {"SubRip", {{"scodec", "subrip"}}, 0.0, 0},
    {"Ass", {{"scodec", "ass"}}, 0.0, 0},
    {"FromHalfASecond", {{"scodec", "subrip"}, {"ss", "0.5"}}, 0.5, 1},
};

INSTANTIATE_TEST_SUITE_P(Engine, Subtitles, ::testing::ValuesIn(kSubtitles),
                         [](const auto& info) { return std::string(info.param.name); });

// Two picture cues, shown from 0.0 s and 1.0 s for 0.8 s each, as DVB subtitles.
void WriteDvbSubtitleClip(const std::string& path) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVB_SUBTITLE);
    ASSERT_NE(codec, nullptr);
    AVCodecContext* enc = avcodec_alloc_context3(codec);
    enc->time_base = AVRational{1, 1000};
    enc->width = 64;
    enc->height = 32;
    ASSERT_GE(avcodec_open2(enc, codec, nullptr), 0);
    ClipWriter out(path);
    out.AddStream(enc);
    ASSERT_TRUE(out.Start()) << path;
    std::vector<uint8_t> pixels(16 * 8, 1);
    const uint32_t palette[4] = {0x00000000, 0xFFFFFFFF, 0xFF000000, 0xFF808080};
    AVSubtitleRect rect{};
    rect.type = SUBTITLE_BITMAP;
    rect.x = 8;
    rect.y = 8;
    rect.w = 16;
    rect.h = 8;
    rect.nb_colors = 4;
    rect.data[0] = pixels.data();
    rect.linesize[0] = 16;
    rect.data[1] = reinterpret_cast<uint8_t*>(const_cast<uint32_t*>(palette));
    AVSubtitleRect* rects[] = {&rect};
    std::vector<uint8_t> buffer(64 * 1024);
    AVPacket* pkt = av_packet_alloc();
    for (int64_t startMs : {0, 1000}) {
        AVSubtitle sub{};
        sub.end_display_time = 800;
        sub.num_rects = 1;
        sub.rects = rects;
        sub.pts = startMs * 1000;
        const int size = avcodec_encode_subtitle(enc, buffer.data(), static_cast<int>(buffer.size()), &sub);
        ASSERT_GT(size, 0);
        av_new_packet(pkt, size);
        std::copy_n(buffer.data(), size, pkt->data);
        pkt->pts = pkt->dts = startMs;
        pkt->duration = 800;
        ASSERT_TRUE(out.Write(pkt, 0, AVRational{1, 1000}));
    }
    av_packet_free(&pkt);
    EXPECT_TRUE(out.Finish()) << path;
    avcodec_free_context(&enc);
}

// DVB subtitles go out twice per cue: the picture at its start and an empty page when the
// display ends, which for a DVB page is its time-out, long after the next cue has started.
TEST(DvbSubtitleTest, EachCueIsShownAndCleared) {
    const std::string input = OutPath("dvb-source.mkv");
    WriteDvbSubtitleClip(input);
    const std::vector<Cue> in = SubtitleCues(input);
    ASSERT_EQ(in.size(), 2u);
    const std::string output = OutPath("dvb.mkv");
    ASSERT_NO_THROW(RunTask({input}, {}, output, {{"scodec", "dvbsub"}}));
    const std::vector<Cue> out = SubtitleCues(output);
    ASSERT_EQ(out.size(), 4u);
    for (size_t i = 0; i < in.size(); ++i) {
        EXPECT_NEAR(out[2 * i].start, in[i].start, 0.002);
        EXPECT_GT(out[2 * i + 1].start, out[2 * i].start);
    }
    EXPECT_NEAR(out[1].start - out[0].start, out[3].start - out[2].start, 0.002) << "the same display time";
}

// With no subtitle codec named, a container with a subtitle codec of its own carries the
// source's cues: text cues in its text codec, picture cues copied where it takes them, and a
// stream it cannot take is left out while the job still runs.
struct DefaultSubtitleCase {
    const char* name;
    bool pictureCues; // the cues come from a DVB source beside the clip, else from multi.mkv
    const char* extension;
    Options options;
    const char* codec; // written subtitle codec; null: none
};

class DefaultSubtitles : public ::testing::TestWithParam<DefaultSubtitleCase> {};

TEST_P(DefaultSubtitles, AreCarriedOrLeftOutNeverFailTheJob) {
    const DefaultSubtitleCase& c = GetParam();
    std::vector<std::string> inputs{fixtures::Path(FixtureId::MkvMulti)};
    if (c.pictureCues) {
        inputs = {fixtures::Path(FixtureId::Mp4), OutPath("default-subtitles-dvb.mkv")};
        WriteDvbSubtitleClip(inputs[1]);
    }
    const std::string output = OutPath(std::string("default-subtitles-") + c.name + "." + c.extension);
    ASSERT_NO_THROW(RunTask(inputs, {}, output, c.options));
    const testing::Probed p = testing::Probe(output);
    ASSERT_NE(p.First(AVMEDIA_TYPE_VIDEO), nullptr);
    const testing::ProbedStream* sub = p.First(AVMEDIA_TYPE_SUBTITLE);
    if (c.codec == nullptr) {
        EXPECT_EQ(sub, nullptr) << sub->codec;
        return;
    }
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->codec, c.codec);
    const std::vector<Cue> in = SubtitleCues(inputs.back());
    const std::vector<Cue> out = SubtitleCues(output);
    ASSERT_EQ(in.size(), 2u);
    ASSERT_GE(out.size(), 2u);
    EXPECT_NEAR(out[0].start, in[0].start, 0.01);
    EXPECT_NEAR(out.back().start - out[0].start, in[1].start - in[0].start, 0.01);
}

const DefaultSubtitleCase kDefaultSubtitles[] = {
    {"MkvText", false, "mkv", {{"vcodec", "mpeg4"}}, "ass"},
    {"MkvPictures", true, "mkv", {{"vcodec", "mpeg4"}}, "dvb_subtitle"},
    {"WebmText", false, "webm", {{"vcodec", "libvpx"}, {"acodec", "libvorbis"}}, "webvtt"},
    {"WebmPictures", true, "webm", {{"vcodec", "libvpx"}, {"acodec", "libvorbis"}}, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Engine, DefaultSubtitles, ::testing::ValuesIn(kDefaultSubtitles),
                         [](const auto& info) { return std::string(info.param.name); });

// Without maps the converter takes the sound the preview plays: of equal tracks the first, even
// when a later one carries the default flag.
TEST(DefaultStreamsTest, SoundIsTheTrackThePlayerPlays) {
    fixtures::ClipRecipe recipe;
    recipe.container = "matroska";
    recipe.videoCodec = "mpeg4";
    recipe.audioStreams = 2;
    recipe.secondAudioCodec = "libmp3lame";
    recipe.defaultAudioStream = 1;
    recipe.seconds = 1.0;
    const std::string input = fixtures::Generate(recipe);
    const std::string output = OutPath("default-streams.mkv");
    ASSERT_NO_THROW(RunTask({input}, {}, output, {{"vcodec", "copy"}, {"acodec", "copy"}}));
    const testing::Probed probed = testing::Probe(output);
    const testing::ProbedStream* audio = probed.First(AVMEDIA_TYPE_AUDIO);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->codec, "aac");
}

// ---------------------------------------------------------------------------------------------
// A packet the decoder refuses: skipped and logged, or the end of the task with "xerror".

int gBrokenPacketSamples = 0; // what the broken packet held

const std::string& BrokenPacketClip() {
    static const std::string path = [] {
        const std::string p = OutPath("broken-packet.mkv");
        int index = 0;
        Remux(fixtures::Path(FixtureId::Wav), p, [&](AVPacket& pkt, const AVStream&) {
            if (index++ == 3) {
                gBrokenPacketSamples = pkt.size / 2; // mono, 16 bits
                av_shrink_packet(&pkt, 1);           // less than one 16-bit sample
            }
            return true;
        });
        return p;
    }();
    return path;
}

// Matroska stores no decoding times: the first packets of H.264 with B-frames come without one.
TEST(StreamCopyTest, BFramesFromMatroskaAreCopied) {
    const std::string output = OutPath("copy-from-mkv.mkv");
    ASSERT_NO_THROW(RunTask({ChapteredClip()}, {}, output, {{"vcodec", "copy"}, {"acodec", "copy"}}));
    std::vector<int64_t> in, out;
    DecodeAll(ChapteredClip(), AVMEDIA_TYPE_VIDEO,
              [&](AVFrame* f) { in.push_back(f->best_effort_timestamp); });
    DecodeAll(output, AVMEDIA_TYPE_VIDEO, [&](AVFrame* f) { out.push_back(f->best_effort_timestamp); });
    ASSERT_EQ(out.size(), in.size());
    for (size_t i = 1; i < out.size(); ++i)
        EXPECT_EQ(out[i] - out[i - 1], in[i] - in[i - 1]) << "frame " << i; // both in milliseconds
}

// An H.264 packet whose first length field points past its end.
const std::string& BadNalLengthClip() {
    static const std::string path = [] {
        const std::string p = OutPath("bad-nal-length.mkv");
        int index = 0;
        Remux(fixtures::Path(FixtureId::Mp4), p, [&](AVPacket& pkt, const AVStream& st) {
            if (st.codecpar->codec_type == AVMEDIA_TYPE_VIDEO && index++ == 5 && pkt.size > 4 &&
                av_packet_make_writable(&pkt) >= 0)
                AV_WB32(pkt.data, 0x7FFFFFFF);
            return true;
        });
        return p;
    }();
    return path;
}

TEST(BitstreamFilterTest, FailureIsLoggedOrEndsTheTaskWithExitOnError) {
    const std::string text =
        "h264_mp4toannexb failed for stream 0, codec copy: Invalid data found when processing input";
    const Options options = {{"vcodec", "copy"}, {"an", ""}, {"vbsf", "h264_mp4toannexb"}};
    {
        EngineLog log;
        const std::string output = OutPath("bsf-skipped.mkv");
        ASSERT_NO_THROW(RunTask({BadNalLengthClip()}, {}, output, options));
        EXPECT_TRUE(log.Has(llError, text));
        EXPECT_NEAR(DecodeAll(output, AVMEDIA_TYPE_VIDEO, [](AVFrame*) {}), 48, 2) << "one packet lost";
    }
    Options fatal = options;
    fatal.push_back({"xerror", ""});
    EXPECT_EQ(FailureOf({BadNalLengthClip()}, {}, OutPath("bsf-fatal.mkv"), fatal), text);
}

TEST(DecodingErrorTest, SkippedWithoutExitOnErrorAndFatalWithIt) {
    const std::string text = "Error while decoding stream #0.0 (audio)";
    {
        EngineLog log;
        bool finished = false;
        ASSERT_NO_THROW(finished = RunTask({BrokenPacketClip()}, {}, OutPath("broken-skipped.wav"), {}, 0));
        EXPECT_TRUE(finished);
        EXPECT_TRUE(log.Has(llVerbose, text));
        // Only the broken packet is lost, not the one after it.
        int rate = 0;
        const size_t source = DecodeSamples(fixtures::Path(FixtureId::Wav), rate).size();
        ASSERT_GT(gBrokenPacketSamples, 0);
        EXPECT_EQ(DecodeSamples(OutPath("broken-skipped.wav"), rate).size(),
                  source - static_cast<size_t>(gBrokenPacketSamples));
    }
    EXPECT_EQ(FailureOf({BrokenPacketClip()}, {}, OutPath("broken-fatal.wav"), {{"xerror", ""}}), text);
}

} // namespace
} // namespace orvel
