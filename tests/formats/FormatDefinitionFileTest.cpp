// Checks the shipped format definition file against the catalog, the parameter mappings and the
// encoders and containers of the linked libraries.
#include "FormatTestFiles.h"

#include "app/store/IniFile.h"
#include "engine/foundation/AVHandles.h"
#include "engine/options/CodecNames.h"
#include "formats/FormatCatalog.h"
#include "formats/FormatParams.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/parseutils.h>
}

#include <algorithm>
#include <cstdlib>
#include <set>

using namespace orvel;

namespace {

const std::string kShippedFile = std::string(ORVEL_SOURCE_DIR) + "/data/orvelvideoformat.ini";

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool IsOneOf(const std::string& s, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return s == n; });
}

TEST(FormatDefinitionFile, EverySectionIsCompleteAndConsistentWithTheCatalog) {
    const TIniFile ini(kShippedFile);
    const TFormatParamStore store(kShippedFile, "/nonexistent/settings.ini");
    for (const int code : AllFormatCodes()) {
        SCOPED_TRACE("code " + std::to_string(code));
        const std::string section = FormatSection(code);
        std::set<std::string> keys;
        for (const std::string& key : ini.ReadSection(section))
            keys.insert(Lower(key));
        ASSERT_TRUE(keys.count("format"));
        EXPECT_EQ(store.FileExt(code), ExtensionInName(*FormatNameOfCode(code)));

        for (const TFormatParam p : kAllFormatParams) {
            SCOPED_TRACE(ParamName(p));
            ASSERT_TRUE(keys.count(Lower(ParamName(p))));
            ASSERT_TRUE(keys.count(Lower(ParamIndexKey(p))));
            const TParamList list = store.List(code, p);
            if (!list.Enabled) continue;
            ASSERT_FALSE(list.Items.empty());
            const int index = store.DefaultIndex(code, p);
            EXPECT_GE(index, 0);
            EXPECT_LT(index, static_cast<int>(list.Items.size()));
            for (const std::string& item : list.Items) {
                EXPECT_FALSE(item.empty());
                EXPECT_TRUE(ParamValueOf(p, item)) << "unmapped item '" << item << "'";
            }
        }

        const bool audioOnly = CategoryOfCode(code) == 27;
        EXPECT_EQ(store.List(code, TFormatParam::VideoEncoder).Enabled, !audioOnly);
        EXPECT_TRUE(store.List(code, TFormatParam::AudioEncoder).Enabled);

        // The H.264 extras come with h264 and every one of them is usable.
        const auto encoders = store.List(code, TFormatParam::VideoEncoder).Items;
        const bool h264 = std::find(encoders.begin(), encoders.end(), "h264") != encoders.end();
        for (const char* key : kH264ExtraKeys) {
            if (!h264) {
                EXPECT_FALSE(keys.count(Lower(key))) << key;
                continue;
            }
            const std::string value = ini.ReadString(section, key, "");
            if (std::string(key) != "paraBitExact" && std::string(key) != "paraQscale") {
                EXPECT_TRUE(H264ExtraQualifies(key, value)) << key << "=" << value;
            }
        }
    }
}

// What the option builder and the engine make of a format's default choices, so that the libraries
// can be asked whether that conversion is possible.
struct TPlannedOutput {
    std::string Muxer;
    const AVCodec* Video = nullptr;
    const AVCodec* Audio = nullptr;
    TBuilderChoices Choices;
};

// The output a format's container and file extension give with the choices.
struct TTarget {
    std::string Format;
    std::string FileExt;
};

TPlannedOutput Plan(const TTarget& target, const TBuilderChoices& choices) {
    TPlannedOutput plan;
    plan.Choices = choices;
    const std::string format = Lower(target.Format);
    const std::string& venc = plan.Choices.VideoEncoder;
    const bool mpeg2 = venc == "mpeg2video";

    if (!plan.Choices.AudioOnly() &&
        IsOneOf(format, {"ipod", "3gp", "3g2", "avi", "psp", "mov", "vcd", "flv", "mpegts", "vob"}))
        plan.Muxer = format;
    else if (!plan.Choices.AudioOnly() && (mpeg2 || format.find("-dvd") != std::string::npos))
        plan.Muxer = "dvd";
    else if (format.find("-svcd") != std::string::npos)
        plan.Muxer = "svcd";
    else if (format.find("-vcd") != std::string::npos)
        plan.Muxer = "vcd";
    else if (const AVOutputFormat* guessed =
                 av_guess_format(nullptr, ("x." + target.FileExt).c_str(), nullptr))
        plan.Muxer = guessed->name;

    if (!plan.Choices.AudioOnly()) {
        const bool named = IsOneOf(
            venc, {"mpeg4",   "libxvid", "mpeg1video", "mpeg2video", "msmpeg4", "msmpeg4v1", "msmpeg4v2",
                   "huffyuv", "dvvideo", "rawvideo",   "h263p",      "h263",    "rv10",      "rv20",
                   "ljpeg",   "mjpeg",   "svq1",       "zlib",       "wmv1",    "wmv2",      "libx264"});
        if (named)
            plan.Video = FindCodecByName(venc, AVMEDIA_TYPE_VIDEO, true);
        else if (const AVOutputFormat* f = av_guess_format(plan.Muxer.c_str(), nullptr, nullptr))
            plan.Video = avcodec_find_encoder(f->video_codec); // the container's own choice
    }
    plan.Audio = FindCodecByName(plan.Choices.AudioEncoder, AVMEDIA_TYPE_AUDIO, true);
    return plan;
}

CodecContextPtr OpenVideo(const AVCodec* codec, const TBuilderChoices& c, bool globalHeader) {
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (sscanf(c.VideoSize.c_str(), "%dx%d", &ctx->width, &ctx->height) != 2) return nullptr;
    AVRational rate{};
    if (av_parse_video_rate(&rate, c.FrameRate.c_str()) < 0) return nullptr;
    if (codec->supported_framerates) // the engine takes the nearest rate the encoder lists
        rate = codec->supported_framerates[av_find_nearest_q_idx(rate, codec->supported_framerates)];
    ctx->time_base = av_inv_q(rate);
    ctx->framerate = rate;
    ctx->pix_fmt = codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    ctx->bit_rate = std::atoll(c.VideoBitRate.c_str()) * 1000;
    ctx->sample_aspect_ratio = AVRational{1, 1};
    if (globalHeader) ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return nullptr;
    return ctx;
}

CodecContextPtr OpenAudio(const AVCodec* codec, const TBuilderChoices& c, bool globalHeader) {
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    ctx->sample_rate = std::atoi(c.SampleRate.c_str());
    av_channel_layout_default(&ctx->ch_layout, c.Channel == "1" ? 1 : 2);
    ctx->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    ctx->bit_rate = static_cast<int64_t>(std::atof(c.AudioBitRate.c_str()) * 1000);
    ctx->time_base = AVRational{1, ctx->sample_rate};
    if (globalHeader) ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return nullptr;
    return ctx;
}

// Opens the encoders and writes the container's header into memory. Returns what the libraries
// refused, or nothing.
std::string Refusal(const TTarget& target, const TBuilderChoices& choices) {
    const TPlannedOutput plan = Plan(target, choices);
    const AVOutputFormat* muxer = av_guess_format(plan.Muxer.c_str(), nullptr, nullptr);
    if (!muxer) return "no container for '" + plan.Muxer + "'";
    if (!plan.Audio) return "no audio encoder '" + plan.Choices.AudioEncoder + "'";
    if (!plan.Choices.AudioOnly() && !plan.Video)
        return "no video encoder '" + plan.Choices.VideoEncoder + "'";
    const bool globalHeader = (muxer->flags & AVFMT_GLOBALHEADER) != 0;

    std::vector<CodecContextPtr> encoders;
    if (plan.Video) {
        encoders.push_back(OpenVideo(plan.Video, plan.Choices, globalHeader));
        if (!encoders.back())
            return std::string(plan.Video->name) + " refuses " + plan.Choices.VideoSize + " at " +
                   plan.Choices.FrameRate + " fps, " + plan.Choices.VideoBitRate + " kbit/s";
    }
    encoders.push_back(OpenAudio(plan.Audio, plan.Choices, globalHeader));
    if (!encoders.back())
        return std::string(plan.Audio->name) + " refuses " + plan.Choices.SampleRate + " Hz, " +
               plan.Choices.AudioBitRate + " kbit/s, channels " + plan.Choices.Channel;

    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, muxer, nullptr, nullptr) < 0)
        return "cannot make a " + plan.Muxer + " context";
    OutputFormatContextPtr out(raw);
    for (const auto& enc : encoders) {
        AVStream* st = avformat_new_stream(out.get(), nullptr);
        if (!st || avcodec_parameters_from_context(st->codecpar, enc.get()) < 0) return "cannot add a stream";
        st->time_base = enc->time_base;
    }
    if (avio_open_dyn_buf(&out->pb) < 0) return "no memory buffer";
    const int header = avformat_write_header(out.get(), nullptr);
    if (header >= 0) av_write_trailer(out.get());
    uint8_t* bytes = nullptr;
    avio_close_dyn_buf(out->pb, &bytes);
    av_free(bytes);
    out->pb = nullptr;
    return header >= 0 ? "" : std::string(muxer->name) + " refuses the streams";
}

TEST(FormatDefinitionFile, DefaultChoicesOpenTheirEncodersAndContainer) {
    av_log_set_level(AV_LOG_FATAL);
    fmttest::TScratchFolder dir;
    TFormatParamStore store(kShippedFile, dir.Path("settings.ini"));
    for (const int code : AllFormatCodes()) {
        store.Reset(code); // the stores of the Default button
        const TTarget target{store.ContainerFormat(code), store.FileExt(code)};
        EXPECT_EQ(Refusal(target, store.BuilderChoices(code)), "") << code << " " << *FormatNameOfCode(code);
    }
}

std::string* ChoiceOf(TBuilderChoices& c, TFormatParam param) {
    switch (param) {
    case TFormatParam::VideoSize:
        return &c.VideoSize;
    case TFormatParam::FrameRate:
        return &c.FrameRate;
    case TFormatParam::VideoEncoder:
        return &c.VideoEncoder;
    case TFormatParam::AudioBitRate:
        return &c.AudioBitRate;
    case TFormatParam::SampleRate:
        return &c.SampleRate;
    case TFormatParam::AudioEncoder:
        return &c.AudioEncoder;
    case TFormatParam::Channel:
        return &c.Channel;
    default:
        return nullptr; // video bit rate and volume never make a conversion impossible
    }
}

// Users pick from every list: each offered item must work together with the other defaults.
TEST(FormatDefinitionFile, EveryOfferedChoiceWorksWithTheOtherDefaults) {
    av_log_set_level(AV_LOG_FATAL);
    fmttest::TScratchFolder dir;
    TFormatParamStore store(kShippedFile, dir.Path("settings.ini"));
    for (const int code : AllFormatCodes()) {
        store.Reset(code);
        const TTarget target{store.ContainerFormat(code), store.FileExt(code)};
        const TBuilderChoices defaults = store.BuilderChoices(code);
        for (const TFormatParam p : kAllFormatParams) {
            TBuilderChoices choices = defaults;
            std::string* slot = ChoiceOf(choices, p);
            if (!slot) continue;
            for (const std::string& item : store.List(code, p).Items) {
                const auto value = ParamValueOf(p, item);
                if (!value || *value == "as source") continue;
                *slot = *value;
                EXPECT_EQ(Refusal(target, choices), "") << code << " " << ParamName(p) << "=" << item;
            }
        }
    }
}

} // namespace
