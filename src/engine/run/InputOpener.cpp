// Opening an input file: the demuxer, stream information, the seek, and what the task learns
// from the streams (frame size, rate, aspect, audio parameters) for the outputs opened later.
#include "engine/component/TaskState.h"
#include "engine/foundation/CodecLock.h"
#include "engine/foundation/FFmpegException.h"
#include "engine/foundation/FFmpegLogger.h"
#include "engine/foundation/UnicodeProtocol.h"
#include "engine/options/CodecNames.h"
#include "engine/pictures/PictureTurner.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <cmath>

namespace orvel {

namespace {

// A stop ends a read that waits for data (a stalled network input): the library asks this
// between the slices of its waits.
int InterruptOnStop(void* task) {
    return static_cast<const TCustomFFmpeg*>(task)->StopRequested() ? 1 : 0;
}

void SelectProgram(AVFormatContext* ctx, int programId) {
    AVProgram* chosen = nullptr;
    for (unsigned i = 0; i < ctx->nb_programs; ++i)
        if (ctx->programs[i]->id == programId) chosen = ctx->programs[i];
    if (chosen == nullptr) throw FFmpegException("Specified program id not found");
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        ctx->streams[i]->discard = AVDISCARD_ALL;
    for (unsigned i = 0; i < chosen->nb_stream_indexes; ++i)
        ctx->streams[chosen->stream_index[i]]->discard = AVDISCARD_DEFAULT;
    for (unsigned i = 0; i < ctx->nb_programs; ++i)
        if (ctx->programs[i] != chosen) ctx->programs[i]->discard = AVDISCARD_ALL;
}

const AVInputFormat* TakeForcedInputFormat(TTaskSettings& s) {
    const AVInputFormat* forced = nullptr;
    if (!s.ForcedFormat.empty()) {
        forced = av_find_input_format(s.ForcedFormat.c_str());
        if (forced == nullptr)
            throw FFmpegException(Format("Unknown input format: \"%s\"", s.ForcedFormat.c_str()));
        s.ForcedFormat.clear();
    }
    return forced;
}

InputDecoders ChooseInputDecoders(const TTaskSettings& s) {
    auto decoder = [&s](const TCodecSelection& sel, AVMediaType type) {
        return ChooseCodecByName(sel.Copy ? "" : sel.Name, type, false, s.Strictness(type));
    };
    InputDecoders decoders;
    decoders.video = decoder(s.VideoCodec, AVMEDIA_TYPE_VIDEO);
    decoders.audio = decoder(s.AudioCodec, AVMEDIA_TYPE_AUDIO);
    decoders.subtitle = decoder(s.SubtitleCodec, AVMEDIA_TYPE_SUBTITLE);
    return decoders;
}

// Raw demuxers take the stream parameters from the settings.
void AddRawDemuxerOptions(AVDictionary** opts, const TTaskSettings& s) {
    av_dict_set_int(opts, "sample_rate", s.SampleRate, 0);
    av_dict_set_int(opts, "channels", s.Channels, 0);
    if (s.FrameRate.num > 0 && s.FrameRate.den > 0)
        av_dict_set(opts, "framerate", Format("%d/%d", s.FrameRate.num, s.FrameRate.den).c_str(), 0);
    if (s.FrameWidth > 0 && s.FrameHeight > 0)
        av_dict_set(opts, "video_size", Format("%dx%d", s.FrameWidth, s.FrameHeight).c_str(), 0);
    if (s.PixelFormat != AV_PIX_FMT_NONE)
        av_dict_set(opts, "pixel_format", av_get_pix_fmt_name(s.PixelFormat), 0);
    if (s.VideoChannel != 0) av_dict_set_int(opts, "channel", s.VideoChannel, 0);
    if (!s.TvStandard.empty()) av_dict_set(opts, "standard", s.TvStandard.c_str(), 0);
}

// Per type, the stream the player would play. A file with one stream of each type needs no
// count; otherwise the packets read to count the frames are kept, to be converted first.
ChosenStreams ChooseDefaultStreams(AVFormatContext* ic, std::deque<PacketPtr>& pending) {
    int count[AVMEDIA_TYPE_NB] = {};
    ChosenStreams single;
    bool needsCount = false;
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
        const AVMediaType type = ic->streams[i]->codecpar->codec_type;
        if (type < 0 || type >= AVMEDIA_TYPE_NB || ++count[type] == 1) {
            if (type == AVMEDIA_TYPE_VIDEO) single.Video = static_cast<int>(i);
            if (type == AVMEDIA_TYPE_AUDIO) single.Audio = static_cast<int>(i);
            if (type == AVMEDIA_TYPE_SUBTITLE) single.Subtitle = static_cast<int>(i);
        } else if (single.Of(type) >= 0) {
            needsCount = true;
        }
    }
    if (!needsCount) return single;
    AnalysedPackets analysed;
    const ChosenStreams chosen = ChooseFileStreams(ic, ProbedEnd(ic), analysed, false, false);
    for (PacketPtr& packet : analysed.Packets)
        pending.push_back(std::move(packet));
    return chosen;
}

void KeepDecodingOptions(InputFile& in, unsigned i, const TTaskSettings& s, AVMediaType type) {
    AVDictionary* options = nullptr;
    s.Generic.Snapshot(&options, type, false);
    in.decodingOptions[i].reset(options);
}

} // namespace

void TCustomFFmpeg::Impl::OpenInput(const std::string& fileName) {
    TTaskSettings& s = settings;
    const AVInputFormat* forced = TakeForcedInputFormat(s);
    // Decoders are chosen first: a refused name then leaves nothing allocated behind.
    const InputDecoders decoders = ChooseInputDecoders(s);
    InputFormatContextPtr ctx = OpenDemuxer(fileName, forced, decoders);

    if (s.ProgramId != 0) {
        const int id = s.ProgramId;
        s.ProgramId = 0;
        SelectProgram(ctx.get(), id);
    }
    FindStreamInfo(ctx.get(), fileName);

    InputFile in;
    in.name = fileName;
    in.chosen = ChooseDefaultStreams(ctx.get(), in.pending);
    const int64_t position = SeekToStart(ctx.get(), fileName);
    if (s.StartTime != 0) in.pending.clear(); // the reading starts where the seek went
    in.startTime = s.StartTime;
    TakeStreamSettings(in, ctx.get(), decoders);

    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > totalDuration) totalDuration = ctx->duration;
    in.tsOffset = s.CopyTimestamps ? s.InputTsOffset : s.InputTsOffset - position;
    const int fileIndex = static_cast<int>(inputs.size());
    for (int k = 0; k < kMaxStreams && fileIndex < kMaxFiles; ++k)
        in.tsScale[k] = s.InputTsScale[fileIndex][k];
    s.StartTime = 0;

    if (s.Verbosity >= 0) av_dump_format(ctx.get(), fileIndex, fileName.c_str(), 0);

    in.ctx = std::move(ctx);
    inputs.push_back(std::move(in));
    s.VideoChannel = 0;
    // Only the names were the input's; a "copy" given before it still applies to the output.
    s.VideoCodec.Name.clear();
    s.AudioCodec.Name.clear();
    s.SubtitleCodec.Name.clear();
}

InputFormatContextPtr TCustomFFmpeg::Impl::OpenDemuxer(const std::string& fileName,
                                                       const AVInputFormat* forced,
                                                       const InputDecoders& decoders) {
    const TTaskSettings& s = settings;
    AVFormatContext* raw = avformat_alloc_context();
    if (raw == nullptr) throw FFmpegException("avformat_alloc_context failed");
    InputFormatContextPtr ctx(raw);
    ctx->interrupt_callback = AVIOInterruptCB{&InterruptOnStop, &self};
    AVDictionary* opts = nullptr;
    s.Generic.ApplyTo(ctx.get(), false, &opts);
    if (forced != nullptr) AddRawDemuxerOptions(&opts, s);
    // Demuxers that can loop (image sequences) have their own "loop" option today.
    if (s.LoopInput) av_dict_set(&opts, "loop", "1", 0);

    if (decoders.video != nullptr)
        ctx->video_codec_id = decoders.video->id;
    else if (s.PgmYuvCompat)
        ctx->video_codec_id = AV_CODEC_ID_PGMYUV;
    if (decoders.audio != nullptr) ctx->audio_codec_id = decoders.audio->id;
    if (decoders.subtitle != nullptr) ctx->subtitle_codec_id = decoders.subtitle->id;

    raw = ctx.release();
    const int rc = orvel::OpenInput(&raw, fileName, forced, &opts);
    av_dict_free(&opts);
    if (rc < 0) // the library has freed the context
        throw FFmpegException(fileName + ": " + ErrorText(rc));
    ctx.reset(raw);
    return ctx;
}

void TCustomFFmpeg::Impl::FindStreamInfo(AVFormatContext* ctx, const std::string& fileName) {
    std::lock_guard lock(CodecLock());
    const int found = avformat_find_stream_info(ctx, nullptr);
    if (found < 0 && settings.Verbosity >= 0) {
        const std::string text = Format("%s: could not find codec parameters", fileName.c_str());
        FFLogger().Log(&self, llVerbose, text);
        throw FFmpegException(text);
    }
}

// Returns the position sought, the file's own start included.
int64_t TCustomFFmpeg::Impl::SeekToStart(AVFormatContext* ctx, const std::string& fileName) {
    const TTaskSettings& s = settings;
    const int64_t position = s.StartTime + (ctx->start_time != AV_NOPTS_VALUE ? ctx->start_time : 0);
    if (s.StartTime != 0) {
        if (av_seek_frame(ctx, -1, position, AVSEEK_FLAG_BACKWARD) < 0 && s.Verbosity > 0)
            FFLogger().Log(&self, llVerbose,
                           Format("%s: could not seek to position %0.3f", fileName.c_str(),
                                  static_cast<double>(position) / AV_TIME_BASE));
    }
    return position;
}

// The settings learn each stream's parameters, for the outputs opened later; each stream keeps
// its decoder and decoding options, and the disabled types are discarded.
void TCustomFFmpeg::Impl::TakeStreamSettings(InputFile& in, AVFormatContext* ctx,
                                             const InputDecoders& decoders) {
    TTaskSettings& s = settings;
    in.decoders.assign(ctx->nb_streams, nullptr);
    in.decodingOptions.resize(ctx->nb_streams);
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        AVStream* st = ctx->streams[i];
        AVCodecParameters* par = st->codecpar;
        switch (par->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            TakeVideoSettings(st, static_cast<int>(i));
            in.decoders[i] = decoders.video;
            KeepDecodingOptions(in, i, s, AVMEDIA_TYPE_VIDEO);
            if (s.VideoDisable)
                st->discard = AVDISCARD_ALL;
            else if (s.VideoDiscard != 0)
                st->discard = static_cast<AVDiscard>(s.VideoDiscard);
            break;
        case AVMEDIA_TYPE_AUDIO:
            s.Channels = par->ch_layout.nb_channels;
            s.ChannelLayout = par->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? par->ch_layout.u.mask : 0;
            s.SampleRate = par->sample_rate;
            s.SampleFormat = static_cast<AVSampleFormat>(par->format);
            in.decoders[i] = decoders.audio;
            KeepDecodingOptions(in, i, s, AVMEDIA_TYPE_AUDIO);
            if (s.AudioDisable) st->discard = AVDISCARD_ALL;
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            in.decoders[i] = decoders.subtitle;
            KeepDecodingOptions(in, i, s, AVMEDIA_TYPE_SUBTITLE);
            if (s.SubtitleDisable) st->discard = AVDISCARD_ALL;
            break;
        case AVMEDIA_TYPE_DATA:
        case AVMEDIA_TYPE_ATTACHMENT:
        case AVMEDIA_TYPE_UNKNOWN:
            break;
        default:
            throw FFmpegException("invalid codec_type");
        }
    }
}

void TCustomFFmpeg::Impl::TakeVideoSettings(const AVStream* st, int index) {
    TTaskSettings& s = settings;
    const AVCodecParameters* par = st->codecpar;
    // The size and shape of the picture as shown, turned upright.
    const bool swap = SwapsSides(DisplayRotation(st));
    s.FrameWidth = swap ? par->height : par->width;
    s.FrameHeight = swap ? par->width : par->height;
    AVRational sar = st->sample_aspect_ratio.num ? st->sample_aspect_ratio : par->sample_aspect_ratio;
    if (s.FrameWidth > 0 && s.FrameHeight > 0) {
        s.AspectRatio = static_cast<double>(s.FrameWidth) / s.FrameHeight;
        if (sar.num > 0 && sar.den > 0) s.AspectRatio *= swap ? 1.0 / av_q2d(sar) : av_q2d(sar);
    } else {
        s.AspectRatio = 4.0 / 3.0;
    }
    s.PixelFormat = par->format >= 0 ? static_cast<AVPixelFormat>(par->format) : AVPixelFormat(0);
    const AVRational real = st->r_frame_rate;
    const AVRational avg = st->avg_frame_rate;
    if (real.num > 0 && avg.num > 0 && av_cmp_q(real, avg) != 0 && s.Verbosity >= 0)
        FFLogger().Log(&self, llInfo,
                       Format("Seems stream %d codec frame rate differs from container frame rate: "
                              "%2.2f (%d/%d) -> %2.2f (%d/%d)",
                              index, av_q2d(avg), avg.num, avg.den, av_q2d(real), real.num, real.den));
    if (real.num > 0 && real.den > 0) s.FrameRate = real;
}

} // namespace orvel
