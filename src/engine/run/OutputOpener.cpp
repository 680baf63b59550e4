// Opening an output file and creating its streams from the task's current settings. Each
// stream gets an encoder context configured here and opened when the run is prepared.
#include "engine/component/TaskState.h"
#include "engine/foundation/FFmpegException.h"
#include "engine/foundation/FFmpegLogger.h"
#include "engine/foundation/UnicodeProtocol.h"
#include "engine/options/CodecNames.h"

extern "C" {
#include <libavcodec/dv_profile.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <cstdlib>

namespace orvel {

namespace {

// Sample aspect ratio that keeps the display aspect at the given frame size.
AVRational SampleAspect(double aspect, int width, int height) {
    if (aspect <= 0) return AVRational{0, 1};
    const double value = width > 0 && height > 0 ? aspect * height / width : aspect * 3.0 / 4.0;
    return av_d2q(value, 255);
}

bool Listed(const AVPixelFormat* list, AVPixelFormat pix) {
    for (const AVPixelFormat* p = list; *p != AV_PIX_FMT_NONE; ++p)
        if (*p == pix) return true;
    return false;
}

// The source's pixel format when the encoder takes it, else the encoder's first. Two encoders
// list formats they refuse at open: JPEG wants the full-range formats unless compliance is
// relaxed, and DV takes only the format of the DV system that has the frame size.
AVPixelFormat EncoderPixelFormat(const AVCodec* codec, const AVCodecContext* enc, AVPixelFormat wanted) {
    AVPixelFormat pix = wanted;
    if (codec != nullptr && codec->pix_fmts != nullptr) {
        if (codec->id == AV_CODEC_ID_MJPEG && enc->strict_std_compliance > FF_COMPLIANCE_UNOFFICIAL) {
            if (pix == AV_PIX_FMT_YUV420P)
                pix = AV_PIX_FMT_YUVJ420P;
            else if (pix == AV_PIX_FMT_YUV422P)
                pix = AV_PIX_FMT_YUVJ422P;
            else if (pix == AV_PIX_FMT_YUV444P)
                pix = AV_PIX_FMT_YUVJ444P;
        }
        if (codec->id == AV_CODEC_ID_DVVIDEO &&
            av_dv_codec_profile2(enc->width, enc->height, pix, enc->framerate) == nullptr) {
            for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
                if (av_dv_codec_profile2(enc->width, enc->height, *p, enc->framerate) != nullptr) {
                    pix = *p;
                    break;
                }
        }
        if (!Listed(codec->pix_fmts, pix)) pix = codec->pix_fmts[0];
    }
    return pix == AV_PIX_FMT_NONE ? AV_PIX_FMT_YUV420P : pix;
}

// "start,end,q/start,end,q...": a positive q is a quantiser, otherwise a quality factor.
void ParseRcOverride(AVCodecContext* enc, const std::string& text) {
    if (text.empty()) return;
    std::vector<RcOverride> entries;
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t end = text.find('/', pos);
        const std::string item = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        int start = 0, stop = 0, q = 0;
        if (std::sscanf(item.c_str(), "%d,%d,%d", &start, &stop, &q) != 3)
            throw FFmpegException("error parsing rc_override");
        RcOverride r{};
        r.start_frame = start;
        r.end_frame = stop;
        if (q > 0) {
            r.qscale = q;
            r.quality_factor = 1.0f;
        } else {
            r.qscale = 0;
            r.quality_factor = -q / 100.0f;
        }
        entries.push_back(r);
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    enc->rc_override = static_cast<RcOverride*>(av_malloc_array(entries.size(), sizeof(RcOverride)));
    if (enc->rc_override == nullptr) throw FFmpegException("error parsing rc_override");
    std::copy(entries.begin(), entries.end(), enc->rc_override);
    enc->rc_override_count = static_cast<int>(entries.size());
}

uint16_t* CopyMatrix(const std::vector<uint16_t>& m) {
    if (m.size() != 64) return nullptr;
    auto* out = static_cast<uint16_t*>(av_malloc(64 * sizeof(uint16_t)));
    if (out != nullptr) std::copy(m.begin(), m.end(), out);
    return out;
}

bool HasInputOfType(const std::vector<InputFile>& inputs, AVMediaType type, bool firstOnly) {
    if (inputs.empty()) return true;
    for (const InputFile& in : inputs) {
        for (unsigned i = 0; i < in.ctx->nb_streams; ++i) {
            const AVMediaType t = in.ctx->streams[i]->codecpar->codec_type;
            if (t == type) return true;
        }
        if (firstOnly) break;
    }
    return false;
}

// The subtitle stream a default output stream takes: the chosen one of the first input that
// has one not discarded (only the first input when joining); null when there is none.
const AVStream* DefaultSubtitleSource(const std::vector<InputFile>& inputs, bool firstOnly) {
    for (const InputFile& in : inputs) {
        const int chosen = in.chosen.Subtitle;
        if (chosen >= 0 && in.ctx->streams[chosen]->discard != AVDISCARD_ALL) return in.ctx->streams[chosen];
        for (unsigned i = 0; i < in.ctx->nb_streams; ++i) {
            const AVStream* st = in.ctx->streams[i];
            if (st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE && st->discard != AVDISCARD_ALL) return st;
        }
        if (firstOnly) break;
    }
    return nullptr;
}

bool IsTextSubtitle(AVCodecID id) {
    const AVCodecDescriptor* d = avcodec_descriptor_get(id);
    return d != nullptr && (d->props & AV_CODEC_PROP_TEXT_SUB);
}

// With no subtitle codec named, cues in text become the container's own text codec; other cues
// are copied where the container takes them and otherwise left out, since a stream the muxer
// or no encoder can take would fail the whole job. The choice is written into the settings.
bool ChooseDefaultSubtitleCodec(TTaskSettings& s, const AVOutputFormat* fmt, const AVStream* source) {
    if (source == nullptr || fmt->subtitle_codec == AV_CODEC_ID_NONE) return false;
    const AVCodecID from = source->codecpar->codec_id;
    const AVCodec* encoder = avcodec_find_encoder(fmt->subtitle_codec);
    if (IsTextSubtitle(from) && IsTextSubtitle(fmt->subtitle_codec) && encoder != nullptr &&
        avcodec_find_decoder(from) != nullptr) {
        s.SubtitleCodec.Name = encoder->name;
        return true;
    }
    if (avformat_query_codec(fmt, from, FF_COMPLIANCE_NORMAL) == 1) {
        s.SubtitleCodec.Copy = true;
        return true;
    }
    return false;
}

void CheckInputTypes(const std::vector<InputFile>& inputs, bool firstOnly) {
    for (const InputFile& in : inputs) {
        for (unsigned i = 0; i < in.ctx->nb_streams; ++i) {
            const AVMediaType t = in.ctx->streams[i]->codecpar->codec_type;
            if (t < AVMEDIA_TYPE_UNKNOWN || t >= AVMEDIA_TYPE_NB)
                throw FFmpegException("check_audio_video_sub_inputs fail: invalid codec_type of input file");
        }
        if (firstOnly) break;
    }
}

AVStream* CreateStream(OutputFile& of, const TTaskSettings& s, std::vector<BsfContextPtr>& bsfs,
                       OutputStreamSpec& spec) {
    const int index = static_cast<int>(of.ctx->nb_streams);
    AVStream* st = avformat_new_stream(of.ctx.get(), nullptr);
    if (st == nullptr) throw FFmpegException("Could not alloc stream");
    if (index < kMaxStreams && s.StreamIdMap[index] != 0) st->id = s.StreamIdMap[index];
    spec.st = st;
    spec.bsfs = std::move(bsfs);
    bsfs.clear();
    return st;
}

bool EncoderTakesLayout(const AVCodec* codec, const AVChannelLayout& layout) {
    if (codec == nullptr || codec->ch_layouts == nullptr) return true;
    for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels != 0; ++l)
        if (av_channel_layout_compare(l, &layout) == 0) return true;
    return false;
}

CodecContextPtr NewEncoderContext(const AVCodec* codec) {
    CodecContextPtr enc(avcodec_alloc_context3(codec));
    if (!enc) throw FFmpegException("Out of memory");
    // Two threads for the two cores the converter is sized for; more only adds latency.
    enc->thread_count = 2;
    return enc;
}

// The encoder of the name, else the one the muxer guesses from the file name; its context gets
// the generic options of the type.
AVCodecContext* NewStreamEncoder(OutputStreamSpec& spec, const OutputFile& of, const TTaskSettings& s,
                                 const std::string& name, AVMediaType type) {
    const AVCodec* codec = ChooseCodecByName(name, type, true, s.Strictness(type));
    AVCodecID guessed = AV_CODEC_ID_NONE;
    if (codec == nullptr) {
        guessed = av_guess_codec(of.ctx->oformat, nullptr, of.name.c_str(), nullptr, type);
        codec = avcodec_find_encoder(guessed);
    }
    spec.encoder = codec;
    spec.enc = NewEncoderContext(codec);
    AVCodecContext* enc = spec.enc.get();
    enc->codec_type = type;
    if (codec == nullptr) enc->codec_id = guessed; // no encoder: the muxer's guess is still named
    s.Generic.ApplyTo(enc, type, true);
    return enc;
}

const AVOutputFormat* TakeOutputFormat(TTaskSettings& s, const std::string& fileName) {
    const AVOutputFormat* fmt = nullptr;
    if (!s.ForcedFormat.empty()) {
        const std::string name = s.ForcedFormat;
        s.ForcedFormat.clear();
        fmt = av_guess_format(name.c_str(), nullptr, nullptr);
        if (fmt == nullptr)
            throw FFmpegException(
                Format("Requested output format '%s' is not a suitable output format", name.c_str()));
    } else {
        fmt = av_guess_format(nullptr, fileName.c_str(), nullptr);
        if (fmt == nullptr)
            throw FFmpegException(
                Format("Unable to find a suitable output format for '%s'", fileName.c_str()));
    }
    return fmt;
}

// A stream that cannot be created names the kind of stream in the error.
template <typename AddFn> void AddStreamNamingFailure(const char* prefix, AddFn add) {
    try {
        add();
    } catch (const FFmpegException& e) {
        throw FFmpegException(std::string(prefix) + e.what());
    }
}

void SetOutputMetadata(OutputFile& of, TTaskSettings& s) {
    if (s.RecordingTimestamp != 0) {
        const int64_t t = s.RecordingTimestamp * 1000000;
        av_dict_set(&of.ctx->metadata, "creation_time", nullptr, 0);
        char buf[64];
        const time_t secs = static_cast<time_t>(t / 1000000);
        std::tm tmv{};
        gmtime_r(&secs, &tmv);
        std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S.000000Z", &tmv);
        av_dict_set(&of.ctx->metadata, "creation_time", buf, 0);
    }
    for (const auto& [key, value] : s.Metadata)
        av_dict_set(&of.ctx->metadata, key.c_str(), value.c_str(), 0);
    s.Metadata.clear();
}

void OpenOutputFileIO(OutputFile& of, const AVOutputFormat* fmt, const std::string& fileName) {
    if ((fmt->flags & AVFMT_NEEDNUMBER) && !av_filename_number_test(fileName.c_str()))
        throw FFmpegException("Number syntax expected in filename");
    if (!(fmt->flags & AVFMT_NOFILE)) {
        const int rc = OpenOutputIO(&of.ctx->pb, fileName, AVIO_FLAG_WRITE);
        if (rc < 0) throw FFmpegException(fileName + ": " + ErrorText(rc));
        of.ioOpened = true;
    }
}

void ApplyMuxerSettings(OutputFile& of, TTaskSettings& s) {
    of.ctx->max_delay = static_cast<int>(s.MuxMaxDelay * AV_TIME_BASE);
    if (of.ctx->priv_data != nullptr)
        av_opt_set_int(of.ctx->priv_data, "preload", static_cast<int64_t>(s.MuxPreload * AV_TIME_BASE), 0);
    // The default -1 is passed on too: to the GIF muxer it means "play once", where the
    // muxer's own default loops forever.
    if (of.ctx->priv_data != nullptr) av_opt_set_int(of.ctx->priv_data, "loop", s.LoopOutput, 0);
    s.Generic.ApplyTo(of.ctx.get(), true, nullptr);
    s.StreamIdMap.fill(0);
}

} // namespace

void TCustomFFmpeg::Impl::AddVideoStream(OutputFile& of) {
    TTaskSettings& s = settings;
    OutputStreamSpec spec;
    spec.type = AVMEDIA_TYPE_VIDEO;
    const AVOutputFormat* fmt = of.ctx->oformat;
    // The stream itself is created last: a refused codec or option then leaves none behind.
    AVRational sar{0, 1};

    if (s.VideoCodec.Copy) {
        spec.copy = true;
        sar = SampleAspect(s.AspectRatio, s.FrameWidth, s.FrameHeight);
    } else {
        AVCodecContext* enc = NewStreamEncoder(spec, of, s, s.VideoCodec.Name, AVMEDIA_TYPE_VIDEO);
        const AVCodec* codec = spec.encoder;

        AVRational rate = s.FrameRate.num > 0 && s.FrameRate.den > 0 ? s.FrameRate : AVRational{25, 1};
        if (codec != nullptr && codec->supported_framerates != nullptr && !s.ForceFps)
            rate = codec->supported_framerates[av_find_nearest_q_idx(rate, codec->supported_framerates)];
        enc->framerate = rate;
        enc->time_base = av_inv_q(rate);
        enc->width = s.FrameWidth;
        enc->height = s.FrameHeight;
        enc->sample_aspect_ratio = SampleAspect(s.AspectRatio, s.FrameWidth, s.FrameHeight);
        sar = enc->sample_aspect_ratio;

        enc->pix_fmt = EncoderPixelFormat(codec, enc, s.PixelFormat);

        if (s.IntraOnly) enc->gop_size = 0;
        if (s.VideoQScale > 0 || s.SameQuality) {
            enc->flags |= AV_CODEC_FLAG_QSCALE;
            // Same quality alone takes each frame's quality from the source: no fixed value.
            enc->global_quality = static_cast<int>(FF_QP2LAMBDA * (s.VideoQScale > 0 ? s.VideoQScale : 0.0));
        }
        enc->intra_matrix = CopyMatrix(s.IntraMatrix);
        enc->inter_matrix = CopyMatrix(s.InterMatrix);
        ParseRcOverride(enc, s.RcOverride);
        if (enc->rc_initial_buffer_occupancy == 0)
            enc->rc_initial_buffer_occupancy = enc->rc_buffer_size * 3 / 4;
        enc->intra_dc_precision = s.IntraDcPrecision - 8;
        if (s.Psnr) enc->flags |= AV_CODEC_FLAG_PSNR;
        if (s.Pass == 1)
            enc->flags |= AV_CODEC_FLAG_PASS1;
        else if (s.Pass == 2)
            enc->flags |= AV_CODEC_FLAG_PASS2;
        if (s.VideoCodecTag != 0) enc->codec_tag = s.VideoCodecTag;
        if ((s.VideoGlobalHeader & 1) || (s.VideoGlobalHeader == 0 && (fmt->flags & AVFMT_GLOBALHEADER)))
            enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (s.VideoGlobalHeader & 2) enc->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
        if (s.TopFieldFirst >= 0) enc->field_order = s.TopFieldFirst ? AV_FIELD_TT : AV_FIELD_BB;
    }
    AVStream* st = CreateStream(of, s, s.VideoBitstreamFilters, spec);
    st->sample_aspect_ratio = sar;
    if (s.VideoCodecTag != 0) st->codecpar->codec_tag = s.VideoCodecTag;

    spec.cropTop = s.CropTop;
    spec.cropBottom = s.CropBottom;
    spec.cropLeft = s.CropLeft;
    spec.cropRight = s.CropRight;
    spec.filters = s.VideoFilters;
    if (!s.VideoLanguage.empty()) av_dict_set(&st->metadata, "language", s.VideoLanguage.c_str(), 0);
    s.VideoLanguage.clear();
    s.VideoDisable = false;
    s.VideoCodec = {};
    s.PixelFormat = AV_PIX_FMT_NONE;
    of.streams.push_back(std::move(spec));
}

void TCustomFFmpeg::Impl::AddAudioStream(OutputFile& of) {
    TTaskSettings& s = settings;
    OutputStreamSpec spec;
    spec.type = AVMEDIA_TYPE_AUDIO;
    const AVOutputFormat* fmt = of.ctx->oformat;

    if (s.AudioCodec.Copy) {
        spec.copy = true;
    } else {
        AVCodecContext* enc = NewStreamEncoder(spec, of, s, s.AudioCodec.Name, AVMEDIA_TYPE_AUDIO);
        const AVCodec* codec = spec.encoder;
        if (s.AudioQScale > -99999.0) {
            enc->flags |= AV_CODEC_FLAG_QSCALE;
            enc->global_quality = static_cast<int>(FF_QP2LAMBDA * s.AudioQScale);
        }
        av_channel_layout_uninit(&enc->ch_layout);
        av_channel_layout_default(&enc->ch_layout, s.Channels > 0 ? s.Channels : 2);
        // The source's speaker layout is kept while the channel count is the source's and the
        // encoder takes it; otherwise the count's default layout stands.
        AVChannelLayout carried{};
        if (s.ChannelLayout != 0 && av_channel_layout_from_mask(&carried, s.ChannelLayout) == 0 &&
            carried.nb_channels == enc->ch_layout.nb_channels && EncoderTakesLayout(codec, carried))
            av_channel_layout_copy(&enc->ch_layout, &carried);
        av_channel_layout_uninit(&carried);

        AVSampleFormat sf = s.SampleFormat;
        if (codec != nullptr && codec->sample_fmts != nullptr) {
            bool listed = false;
            for (const AVSampleFormat* p = codec->sample_fmts; *p != AV_SAMPLE_FMT_NONE; ++p)
                listed = listed || *p == sf;
            if (!listed) sf = codec->sample_fmts[0];
        }
        if (sf == AV_SAMPLE_FMT_NONE) sf = AV_SAMPLE_FMT_S16;
        enc->sample_fmt = sf;

        int rate = s.SampleRate > 0 ? s.SampleRate : 44100;
        if (codec != nullptr && codec->supported_samplerates != nullptr) {
            int best = codec->supported_samplerates[0];
            for (const int* p = codec->supported_samplerates; *p != 0; ++p)
                if (std::abs(*p - rate) < std::abs(best - rate)) best = *p;
            if (best != rate)
                FFLogger().Log(
                    &self, llWarning,
                    Format("Requested sampling rate unsupported using closest supported (%d)", best));
            rate = best;
        }
        enc->sample_rate = rate;
        enc->time_base = AVRational{1, rate};
        if (s.AudioCodecTag != 0) enc->codec_tag = s.AudioCodecTag;
        if (fmt->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    AVStream* st = CreateStream(of, s, s.AudioBitstreamFilters, spec);
    if (s.AudioCodecTag != 0) st->codecpar->codec_tag = s.AudioCodecTag;
    if (!s.AudioLanguage.empty()) av_dict_set(&st->metadata, "language", s.AudioLanguage.c_str(), 0);
    s.AudioLanguage.clear();
    s.AudioDisable = false;
    s.AudioCodec = {};
    of.streams.push_back(std::move(spec));
}

void TCustomFFmpeg::Impl::AddSubtitleStream(OutputFile& of) {
    TTaskSettings& s = settings;
    OutputStreamSpec spec;
    spec.type = AVMEDIA_TYPE_SUBTITLE;
    if (s.SubtitleCodec.Copy) {
        spec.copy = true;
    } else {
        // Without a name the stream has no encoder and the run fails when it would open one.
        spec.encoder = ChooseCodecByName(s.SubtitleCodec.Name, AVMEDIA_TYPE_SUBTITLE, true,
                                         s.Strictness(AVMEDIA_TYPE_SUBTITLE));
        spec.enc = NewEncoderContext(spec.encoder);
        spec.enc->codec_type = AVMEDIA_TYPE_SUBTITLE;
        s.Generic.ApplyTo(spec.enc.get(), AVMEDIA_TYPE_SUBTITLE, true);
        if (s.SubtitleCodecTag != 0) spec.enc->codec_tag = s.SubtitleCodecTag;
    }
    AVStream* st = CreateStream(of, s, s.SubtitleBitstreamFilters, spec);
    if (s.SubtitleCodecTag != 0) st->codecpar->codec_tag = s.SubtitleCodecTag;
    if (!s.SubtitleLanguage.empty()) av_dict_set(&st->metadata, "language", s.SubtitleLanguage.c_str(), 0);
    s.SubtitleLanguage.clear();
    s.SubtitleDisable = false;
    s.SubtitleCodec = {};
    of.streams.push_back(std::move(spec));
}

void TCustomFFmpeg::Impl::NewStream(AVMediaType type) {
    if (outputs.empty()) throw FFmpegException("At least one output file must be specified");
    OutputFile& of = outputs.back();
    if (of.headerWritten) throw FFmpegException("Cannot add a stream to an output that is already written");
    if (type == AVMEDIA_TYPE_VIDEO)
        AddVideoStream(of);
    else if (type == AVMEDIA_TYPE_AUDIO)
        AddAudioStream(of);
    else
        AddSubtitleStream(of);
}

void TCustomFFmpeg::Impl::OpenOutput(const std::string& fileName, bool join) {
    TTaskSettings& s = settings;
    if (joining) throw FFmpegException("Cannot join more than one output file.");
    if (static_cast<int>(outputs.size()) >= kMaxFiles)
        throw FFmpegException(Format("max output files %d reached", kMaxFiles));
    const AVOutputFormat* fmt = TakeOutputFormat(s, fileName);

    OutputFile of;
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, fmt, nullptr, fileName.c_str()) < 0 || raw == nullptr)
        throw FFmpegException("avformat_alloc_context failed");
    of.ctx.reset(raw);
    of.name = fileName;

    AddDefaultStreams(of, join);
    SetOutputMetadata(of, s);
    OpenOutputFileIO(of, fmt, fileName);
    ApplyMuxerSettings(of, s);

    of.startTime = s.StartTime;
    of.recordingTime = s.RecordingTime;
    outputs.push_back(std::move(of));

    if (join && inputs.size() > 1) {
        joining = true;
        int64_t sum = 0;
        for (const InputFile& in : inputs)
            if (in.ctx->duration != AV_NOPTS_VALUE) sum += in.ctx->duration;
        totalDuration = sum == 0 ? -1 : sum;
    }
}

// A stream of each type the muxer or the settings ask for and the inputs have (the first input
// alone when joining).
void TCustomFFmpeg::Impl::AddDefaultStreams(OutputFile& of, bool firstOnly) {
    TTaskSettings& s = settings;
    const AVOutputFormat* fmt = of.ctx->oformat;
    CheckInputTypes(inputs, firstOnly);
    // Audio muxers that name PNG as their video codec mean a cover picture, not a video track.
    const bool defaultVideo = fmt->video_codec != AV_CODEC_ID_NONE && fmt->video_codec != AV_CODEC_ID_PNG;
    const bool wantVideo = !s.VideoDisable &&
                           (s.VideoCodec.Copy || defaultVideo || !s.VideoCodec.Name.empty()) &&
                           HasInputOfType(inputs, AVMEDIA_TYPE_VIDEO, firstOnly);
    const bool wantAudio =
        !s.AudioDisable &&
        (s.AudioCodec.Copy || fmt->audio_codec != AV_CODEC_ID_NONE || !s.AudioCodec.Name.empty()) &&
        HasInputOfType(inputs, AVMEDIA_TYPE_AUDIO, firstOnly);
    const bool wantSubtitle = !s.SubtitleDisable &&
                              HasInputOfType(inputs, AVMEDIA_TYPE_SUBTITLE, firstOnly) &&
                              (s.SubtitleCodec.Copy || !s.SubtitleCodec.Name.empty() ||
                               ChooseDefaultSubtitleCodec(s, fmt, DefaultSubtitleSource(inputs, firstOnly)));

    AddStreamNamingFailure("new_video_stream fail: ", [&] {
        if (wantVideo) AddVideoStream(of);
    });
    AddStreamNamingFailure("new_audio_stream fail: ", [&] {
        if (wantAudio) AddAudioStream(of);
    });
    AddStreamNamingFailure("new_subtitle_stream fail: ", [&] {
        if (wantSubtitle) AddSubtitleStream(of);
    });
}

} // namespace orvel
