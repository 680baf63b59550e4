// A new user's first conversion with every catalog format: a fresh settings file, no flags.
// Each output must have the format's container, a video stream unless the format is audio
// only, the format's default audio codec and the clip's duration, both through orvel-convert
// and through the batch controller as the main window drives it. Prints what each gave.
#include "CliSupport.h"
#include "app/store/AppSettings.h"
#include "app/store/IniFile.h"
#include "batch/BatchController.h"
#include "engine/component/FFmpegConverter.h"
#include "engine/component/MainThreadDispatcher.h"
#include "engine/options/CodecNames.h"
#include "fixtures/Fixtures.h"
#include "formats/FormatCatalog.h"
#include "formats/FormatParams.h"
#include "formats/OptionBuilder.h"
#include "probe/AVProbe.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;
using namespace orvel;

namespace {

// Demuxers read several muxers' output under their own names.
std::string DemuxerFamily(const std::string& muxer) {
    static const std::map<std::string, std::string> family = {
        {"ipod", "mov"},
        {"psp", "mov"},
        {"mp4", "mov"},
        {"3gp", "mov"},
        {"3g2", "mov"},
        {"mov", "mov"},
        {"vcd", "mpeg"},
        {"svcd", "mpeg"},
        {"dvd", "mpeg"},
        {"vob", "mpeg"},
        {"mpeg", "mpeg"},
        {"matroska", "matroska"},
        {"webm", "matroska"},
        {"asf", "asf"},
        {"adts", "aac"},
        {"ipod", "mov"},
        {"mp2", "mp3"},
        {"oga", "ogg"},
        {"mpeg1video", "mpegvideo"},
        {"mpeg2video", "mpegvideo"},
    };
    const auto it = family.find(muxer);
    return it == family.end() ? muxer : it->second;
}

const std::string kDefinitions = std::string(ORVEL_BINARY_DIR) + "/orvelvideoformat.ini";

// What a converted file is, in the terms the checks compare.
struct TOutput {
    std::string Container; // probed demuxer names
    std::string Video;     // codec name, "-" for none
    std::string Audio;
    AVCodecID AudioId = AV_CODEC_ID_NONE;
    double Seconds = 0;
    bool operator==(const TOutput&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const TOutput& o) {
        return out << o.Container << ", " << o.Video << " + " << o.Audio << ", " << o.Seconds << " s";
    }
};

std::string ShortCodecName(const std::string& probed) {
    return probed.substr(0, probed.find('('));
}

// From the first packet's start to the last one's end, in seconds.
double PacketSpan(const fs::path& file) {
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, file.c_str(), nullptr, nullptr) < 0) return 0;
    double first = 1e300, last = 0;
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(ctx, pkt) >= 0) {
        const AVRational tb = ctx->streams[pkt->stream_index]->time_base;
        const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
        if (ts != AV_NOPTS_VALUE) {
            first = std::min(first, ts * av_q2d(tb));
            last = std::max(last, (ts + pkt->duration) * av_q2d(tb));
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&ctx);
    return last > first ? last - first : 0;
}

std::optional<TOutput> Describe(const fs::path& file, std::string& error) {
    if (!fs::exists(file) || fs::file_size(file) == 0) {
        error = "no output " + file.string();
        return std::nullopt;
    }
    TAVProbe probe;
    if (!probe.LoadFile(file.string())) {
        error = "output does not probe: " + probe.LastErrorMessage();
        return std::nullopt;
    }
    TOutput out;
    out.Container = probe.FormatName();
    TVideoStreamInfo video;
    TAudioStreamInfo audio;
    out.Video = probe.VideoStreamCount() > 0 && probe.GetVideoStreamInfo(-1, video)
                    ? ShortCodecName(video.CodecName)
                    : "-";
    out.Audio = probe.AudioStreamCount() > 0 && probe.GetAudioStreamInfo(-1, audio)
                    ? ShortCodecName(audio.CodecName)
                    : "-";
    if (const AVCodec* decoder = avcodec_find_decoder_by_name(out.Audio.c_str())) out.AudioId = decoder->id;
    TFileStreamInfo info;
    if (probe.GetFileStreamInfo(info) && info.Duration > 0)
        out.Seconds = info.Duration / 1e6;
    else
        out.Seconds = PacketSpan(file); // containers that state no duration (SWF)
    return out;
}

// The codec of the audio encoder the definition chooses by default.
AVCodecID DefaultAudioCodec(TFormatParamStore& store, int code) {
    const TParamList list = store.List(code, TFormatParam::AudioEncoder);
    const int index = store.DefaultIndex(code, TFormatParam::AudioEncoder);
    if (index < 0 || static_cast<size_t>(index) >= list.Items.size()) return AV_CODEC_ID_NONE;
    const auto encoder = AudioEncoderValue(list.Items[static_cast<size_t>(index)]);
    const AVCodec* codec = encoder ? FindCodecByName(*encoder, AVMEDIA_TYPE_AUDIO, true) : nullptr;
    return codec ? codec->id : AV_CODEC_ID_NONE;
}

// Checks one output against its format; false (with failures added) when it does not match.
bool Matches(const TOutput& out, int code, const std::string& route, double clipSeconds) {
    TFormatParamStore definitions(kDefinitions, "/nonexistent/settings.ini");
    const std::string what = std::to_string(code) + " " + *FormatNameOfCode(code) + " (" + route + ")";
    const std::string format = definitions.ContainerFormat(code);
    const std::string file = "x." + definitions.FileExt(code);
    const AVOutputFormat* muxer = av_guess_format(format.c_str(), file.c_str(), nullptr);
    if (!muxer) {
        ADD_FAILURE() << what << ": no muxer for " << format;
        return false;
    }
    const std::string expected = DemuxerFamily(muxer->name);
    const auto names = SplitCommas(out.Container);
    bool ok = true;
    const auto expect = [&](bool condition, const std::string& failure) {
        if (!condition) ADD_FAILURE() << what << ": " << failure;
        ok = ok && condition;
    };
    expect(std::find(names.begin(), names.end(), expected) != names.end() ||
               DemuxerFamily(out.Container) == expected,
           "container " + out.Container + ", expected " + expected);
    // Every category but the last (audio) makes video.
    expect((out.Video == "-") == (code / 100 == 27), "video " + out.Video);
    const AVCodecID audio = DefaultAudioCodec(definitions, code);
    expect(audio != AV_CODEC_ID_NONE && out.AudioId == audio,
           "audio " + out.Audio + ", expected " + avcodec_get_name(audio));
    expect(std::abs(out.Seconds - clipSeconds) <= 0.04 * clipSeconds,
           "lasts " + std::to_string(out.Seconds) + " s, the clip " + std::to_string(clipSeconds) + " s");
    return ok;
}

class Rows : public IBatchJobs {
public:
    std::vector<TlvFilesRecord> rows;
    int JobCount() const override { return static_cast<int>(rows.size()); }
    bool JobChecked(int) const override { return true; }
    TlvFilesRecord& Job(int row) override { return rows[static_cast<size_t>(row)]; }
};

class ResultView : public IBatchView {
public:
    std::string failure;
    void BatchStarted(int) override {}
    void ShowProgress(const TBatchProgress&) override {}
    void SetRowProgress(int, const std::string&) override {}
    void JobFinished(int, int) override {}
    void JobStopped(int, int, bool, const std::string& message) override { failure = "stopped: " + message; }
    void JobSkipped(int, const std::string& message) override { failure = "skipped: " + message; }
    void BatchEnded() override {}
    bool OpenFolderAfterConversion() const override { return false; }
    bool ShutDownAfterConversion() const override { return false; }
};

class NoActions : public ISystemActions {
public:
    void OpenFolder(const std::string&) override {}
    void OpenAddress(const std::string&) override {}
    void ShutDown() override {}
};

// A first conversion has usable sizes: the prompt must not come.
class CountedPrompt : public ISizePrompt {
public:
    int asked = 0;
    bool UseDefaultSize() override {
        ++asked;
        return true;
    }
};

class NoBoxes : public IMessageBoxes {
public:
    std::string shown;
    TMsgResult Show(const std::string& text, const std::string&, TMsgIcon, TMsgButtons) override {
        shown = text;
        return TMsgResult::Ok;
    }
};

// Start as the main window presses it: the format and the output folder from the settings file.
std::string ConvertThroughBatch(TFFmpegConverter& converter, QueuedDispatcher& dispatcher, int code,
                                const fs::path& settingsFile, const fs::path& dir, const std::string& clip) {
    TAppSettings settings(settingsFile.string());
    fs::create_directories(dir);
    if (!settings.SetFormatCode(code) || !settings.SetOutPutDir(dir.string())) return "settings not stored";
    TFormatParamStore store(kDefinitions, settingsFile.string());
    Rows rows;
    TlvFilesRecord job;
    job.SourceFile = clip;
    rows.rows.push_back(job);
    ResultView view;
    NoActions system;
    CountedPrompt prompt;
    NoBoxes boxes;
    TBatchController batch(converter, store, settings, rows, view, system, prompt, boxes,
                           (dir / "fallback").string());
    if (batch.Start() != 1) return "nothing started: " + view.failure;
    if (!dispatcher.ServeUntil([&] { return !batch.Running(); }, 600000)) return "did not end";
    if (prompt.asked) return "asked for a size";
    if (!boxes.shown.empty()) return "message: " + boxes.shown;
    return view.failure;
}

TEST(AllFormats, EveryCatalogFormatConvertsFromAFreshSettingsFile) {
    fixtures::ClipRecipe recipe;
    recipe.seconds = 2.0;
    const std::string clip = fixtures::Generate(recipe);
    const CliRun list = RunCli({"--list-formats"});
    ASSERT_EQ(list.exitCode, 0);
    TFFmpegConverter converter;
    ASSERT_TRUE(converter.LoadLibraries(""));
    QueuedDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);
    std::string ignored;
    const auto source = Describe(clip, ignored);
    ASSERT_TRUE(source);
    const fs::path root = fs::path(ORVEL_BINARY_DIR) / ("all-formats-" + std::to_string(::getpid()));
    fs::remove_all(root);

    std::stringstream lines(list.out);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        const std::string code = line.substr(0, line.find('\t'));
        const std::string name = line.substr(line.find('\t') + 1);
        const int number = std::stoi(code);
        ++count;
        const std::string output =
            fs::path(clip).stem().string() + "_(new)." + TFormatParamStore(kDefinitions, "").FileExt(number);

        const fs::path cliDir = root / "cli" / code;
        const CliRun run = RunCli({"--settings", (root / "cli" / (code + ".ini")).string(), "--format", code,
                                   "--output-dir", cliDir.string(), clip});
        std::string error;
        const auto viaCli = run.exitCode == 0 ? Describe(cliDir / output, error) : std::nullopt;
        if (!viaCli) {
            ADD_FAILURE() << code << " " << name << " (orvel-convert): exit " << run.exitCode << " " << error
                          << "\n"
                          << run.out << run.err;
            continue;
        }
        const bool cliOk = Matches(*viaCli, number, "orvel-convert", source->Seconds);

        const fs::path batchDir = root / "batch" / code;
        const std::string failure = ConvertThroughBatch(converter, dispatcher, number,
                                                        root / "batch" / (code + ".ini"), batchDir, clip);
        const auto viaBatch = failure.empty() ? Describe(batchDir / output, error) : std::nullopt;
        if (!viaBatch) {
            ADD_FAILURE() << code << " " << name << " (batch): " << failure << error;
            continue;
        }
        if (cliOk) {
            EXPECT_EQ(*viaBatch, *viaCli) << code << " " << name << ": the two routes differ";
        }
        Matches(*viaBatch, number, "batch", source->Seconds);
        std::cout << "FORMAT\t" << code << "\t" << name << "\t" << viaCli->Container << "\t" << viaCli->Video
                  << "\t" << viaCli->Audio << "\t" << viaCli->Seconds << " s\n";
    }
    EXPECT_EQ(count, 121);
    SetMainThreadDispatcher(nullptr);
    fs::remove_all(root);
}

} // namespace
