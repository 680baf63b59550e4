// Preparing a run: stream mapping, copy or encode set-up, filter graphs, two-pass files,
// opening encoders and decoders, headers; and releasing the run and the task's files.
#include "engine/foundation/CodecLock.h"
#include "engine/foundation/FFUtils.h"
#include "engine/foundation/FFmpegException.h"
#include "engine/foundation/FFmpegLogger.h"
#include "engine/foundation/UnicodeProtocol.h"
#include "engine/pictures/BitmapConverter.h"
#include "engine/run/RunState.h"
#include "engine/run/VideoFilterGraph.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/time.h>
}

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace orvel {

namespace {

void ClosePassLog(OutputStream& os) {
    if (os.passLog != nullptr) {
        std::fclose(os.passLog);
        os.passLog = nullptr;
    }
}

// Opens the stream's decoder unless it is open already. Raises the "not found" and "Error while
// opening decoder" texts, logged first.
void OpenDecoder(InputStream& is, const InputFile& in, const void* sender) {
    if (is.dec) return;
    const AVCodec* codec = in.decoders[is.index] != nullptr ? in.decoders[is.index]
                                                            : avcodec_find_decoder(is.st->codecpar->codec_id);
    const AVMediaType type = is.st->codecpar->codec_type;
    if (codec == nullptr) {
        const std::string text =
            Format("Decoder (codec id %d) not found for input stream #%d.%d (%s)",
                   static_cast<int>(is.st->codecpar->codec_id), is.file, is.index, LowerMediaTypeName(type));
        FFLogger().Log(sender, llError, text);
        throw FFmpegException(text);
    }
    is.dec.reset(avcodec_alloc_context3(codec));
    if (!is.dec || avcodec_parameters_to_context(is.dec.get(), is.st->codecpar) < 0)
        throw FFmpegException("Out of memory");
    is.dec->pkt_timebase = is.st->time_base;
    // One picture thread more than the cores the converter is sized for: the decoder then keeps
    // a core busy while the picture and encoding stages wait on it (decoding is exact whatever
    // the thread count, so the output does not change).
    is.dec->thread_count = 3;
    // The decoding options the input was opened with, not those set since.
    AVDictionary* options = nullptr;
    const size_t index = static_cast<size_t>(is.index);
    if (index < in.decodingOptions.size() && in.decodingOptions[index])
        av_dict_copy(&options, in.decodingOptions[index].get(), 0);
    int rc;
    {
        std::lock_guard lock(CodecLock());
        rc = avcodec_open2(is.dec.get(), codec, &options);
    }
    av_dict_free(&options);
    if (rc < 0) {
        const std::string text = Format("Error while opening decoder for input stream #%d.%d (%s)", is.file,
                                        is.index, LowerMediaTypeName(type));
        FFLogger().Log(sender, llError, text);
        throw FFmpegException(text);
    }
}

// Text subtitle encoders need the styles header their decoder makes; without it they refuse to
// open. The source's decoder is therefore opened before such an encoder.
void GiveSubtitleHeader(AVCodecContext* enc, InputStream& source, const InputFile& in, const void* sender) {
    OpenDecoder(source, in, sender);
    const AVCodecContext* dec = source.dec.get();
    if (enc->subtitle_header != nullptr || dec->subtitle_header == nullptr || dec->subtitle_header_size <= 0)
        return;
    enc->subtitle_header = static_cast<uint8_t*>(av_mallocz(dec->subtitle_header_size + 1));
    if (enc->subtitle_header == nullptr) throw FFmpegException("Out of memory");
    std::copy_n(dec->subtitle_header, dec->subtitle_header_size, enc->subtitle_header);
    enc->subtitle_header_size = dec->subtitle_header_size;
}

struct ChapterDeleter {
    void operator()(AVChapter* c) const {
        av_dict_free(&c->metadata);
        av_free(c);
    }
};
using ChapterPtr = std::unique_ptr<AVChapter, ChapterDeleter>;

// Appends the input's chapters to the output, moved to the output's time line (the input's
// offset, where its segment starts when inputs are joined, and the start position) and cut to
// the recording time; chapters wholly outside it are left out. Joined inputs may carry the same
// chapter ids, so those are numbered anew. The output context frees what is appended here.
void CopyChapters(const InputFile& in, OutputFile& of, int64_t segmentStart, bool renumber) {
    const AVFormatContext* ic = in.ctx.get();
    AVFormatContext* oc = of.ctx.get();
    for (unsigned i = 0; i < ic->nb_chapters; ++i) {
        const AVChapter* ch = ic->chapters[i];
        const int64_t shift =
            av_rescale_q(of.startTime - in.tsOffset - segmentStart, AV_TIME_BASE_Q, ch->time_base);
        const int64_t limit = of.recordingTime == INT64_MAX
                                  ? INT64_MAX
                                  : av_rescale_q(of.recordingTime, AV_TIME_BASE_Q, ch->time_base);
        if (ch->end < shift) continue;
        if (limit != INT64_MAX && ch->start > limit + shift) continue;
        ChapterPtr out(static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter))));
        if (!out) throw FFmpegException("av_mallocz fail");
        out->id = renumber ? oc->nb_chapters + 1 : ch->id;
        out->time_base = ch->time_base;
        out->start = std::max<int64_t>(0, ch->start - shift);
        out->end = std::min(limit, ch->end - shift);
        if (av_dict_copy(&out->metadata, ch->metadata, 0) < 0) throw FFmpegException("av_mallocz fail");
        void* grown = oc->nb_chapters < INT_MAX / sizeof(AVChapter*) - 1
                          ? av_realloc(oc->chapters, (oc->nb_chapters + 1) * sizeof(AVChapter*))
                          : nullptr;
        if (grown == nullptr) throw FFmpegException("av_realloc fail");
        oc->chapters = static_cast<AVChapter**>(grown);
        oc->chapters[oc->nb_chapters++] = out.release();
    }
}

// The run's place of the input's stream; -1 when there is no such input or stream.
int FindInputStream(const RunState& r, int file, int stream) {
    if (file < 0 || file >= static_cast<int>(r.ifile.size()) || stream < 0 || stream >= r.ifile[file].streams)
        return -1;
    return r.ifile[file].firstStream + stream;
}

void BuildInputStreamTable(RunState& r, const std::vector<InputFile>& inputs) {
    for (size_t f = 0; f < inputs.size(); ++f) {
        InputFileRun fr;
        fr.firstStream = static_cast<int>(r.ist.size());
        fr.streams = static_cast<int>(inputs[f].ctx->nb_streams);
        r.ifile.push_back(fr);
        for (unsigned i = 0; i < inputs[f].ctx->nb_streams; ++i) {
            InputStream is;
            is.file = static_cast<int>(f);
            is.index = static_cast<int>(i);
            is.st = inputs[f].ctx->streams[i];
            is.rotation = DisplayRotation(is.st);
            is.wallStart = av_gettime_relative();
            r.ist.push_back(std::move(is));
        }
    }
}

// In join mode the one output is fed by each input in turn.
void BuildOutputStreamTable(RunState& r, std::vector<OutputFile>& outputs) {
    for (size_t f = 0; f < outputs.size(); ++f) {
        OutputFile& of = outputs[f];
        if (of.streams.empty()) {
            av_dump_format(of.ctx.get(), static_cast<int>(f), of.name.c_str(), 1);
            throw FFmpegException(Format("Output file #%d does not contain any stream", static_cast<int>(f)));
        }
        for (size_t i = 0; i < of.streams.size(); ++i) {
            OutputStream os;
            os.file = static_cast<int>(f);
            os.index = static_cast<int>(i);
            os.spec = &of.streams[i];
            os.st = of.streams[i].st;
            os.enc = of.streams[i].enc.get();
            r.ost.push_back(std::move(os));
        }
    }
}

// Joined inputs take turns as the source, so a map names its stream in each input in turn:
// its file index counts from the segment's input.
void CheckStreamMaps(const RunState& r, const std::vector<TStreamMap>& maps, int segments) {
    if (!maps.empty() && maps.size() != r.ost.size())
        throw FFmpegException("Number of stream maps must match number of output streams");
    for (int seg = 0; seg < segments; ++seg) {
        for (const TStreamMap& m : maps) {
            const int file = m.FileIndex + seg, syncFile = m.SyncFileIndex + seg;
            if (FindInputStream(r, file, m.StreamIndex) < 0)
                throw FFmpegException(Format("Could not find input stream #%d.%d", file, m.StreamIndex));
            if (FindInputStream(r, syncFile, m.SyncStreamIndex) < 0)
                throw FFmpegException(
                    Format("Could not find sync stream #%d.%d", syncFile, m.SyncStreamIndex));
        }
    }
}

int ChooseMappedSource(const RunState& r, OutputStream& os, const TStreamMap& m, int seg) {
    const AVMediaType type = os.spec->type;
    const int chosen = FindInputStream(r, m.FileIndex + seg, m.StreamIndex);
    const AVMediaType itype = r.ist[chosen].st->codecpar->codec_type;
    if (itype != type)
        throw FFmpegException(Format("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)",
                                     m.FileIndex + seg, m.StreamIndex, LowerMediaTypeName(itype), os.file,
                                     os.index, LowerMediaTypeName(type)));
    if (seg == 0) os.sync = FindInputStream(r, m.SyncFileIndex, m.SyncStreamIndex);
    return chosen;
}

// Without maps an output stream takes, among the streams of its type no output has taken yet,
// the one the player would play, else the first; failing that, unless joining, the last stream
// of the type.
int ChooseDefaultSource(const RunState& r, const std::vector<InputFile>& inputs, OutputStream& os, int seg,
                        bool joining) {
    const AVMediaType type = os.spec->type;
    int best = -1, bestFrames = -1;
    for (size_t j = 0; j < r.ist.size(); ++j) {
        const InputStream& is = r.ist[j];
        if (!is.discard || is.st->discard == AVDISCARD_ALL || is.st->codecpar->codec_type != type) continue;
        if (joining && is.file != seg) continue;
        // The stream the player would play comes first.
        const int frames = inputs[is.file].chosen.Of(type) == is.index ? 1 : 0;
        if (frames > bestFrames) {
            best = static_cast<int>(j);
            bestFrames = frames;
        }
    }
    if (best < 0 && !joining) {
        for (size_t j = 0; j < r.ist.size(); ++j)
            if (r.ist[j].st->discard != AVDISCARD_ALL && r.ist[j].st->codecpar->codec_type == type)
                best = static_cast<int>(j);
    }
    if (best < 0)
        throw FFmpegException(Format("Could not find input stream matching output stream #%d.%d (%s)",
                                     os.file, os.index, LowerMediaTypeName(type)));
    if (seg == 0) os.sync = best; // the first segment's source is the one reported
    return best;
}

void CopyStreamParameters(AVStream* ost, const AVStream* ist, const AVCodecTag* const* tags,
                          AVMediaType type) {
    const AVRational keepSar = ost->sample_aspect_ratio;
    const uint32_t wantedTag = ost->codecpar->codec_tag;
    avcodec_parameters_copy(ost->codecpar, ist->codecpar);
    uint32_t tag = wantedTag != 0 ? wantedTag : ist->codecpar->codec_tag;
    if (tags != nullptr && av_codec_get_id(tags, tag) != ist->codecpar->codec_id &&
        av_codec_get_tag(tags, ist->codecpar->codec_id) != 0)
        tag = 0;
    ost->codecpar->codec_tag = tag;
    ost->time_base = ist->time_base;
    if (type == AVMEDIA_TYPE_VIDEO) {
        ost->sample_aspect_ratio = keepSar.num > 0 ? keepSar : ist->sample_aspect_ratio;
        ost->codecpar->sample_aspect_ratio = ost->sample_aspect_ratio;
        ost->avg_frame_rate = ist->avg_frame_rate;
        ost->r_frame_rate = ist->r_frame_rate;
        // Copied pictures stay lying as stored: the turn a player gives them must go along.
        size_t size = 0;
        const uint8_t* matrix = av_stream_get_side_data(ist, AV_PKT_DATA_DISPLAYMATRIX, &size);
        if (matrix && size > 0)
            if (uint8_t* kept = av_stream_new_side_data(ost, AV_PKT_DATA_DISPLAYMATRIX, size))
                std::memcpy(kept, matrix, size);
    } else if (type == AVMEDIA_TYPE_AUDIO) {
        if ((ost->codecpar->codec_id == AV_CODEC_ID_MP3 && ost->codecpar->block_align == 1) ||
            ost->codecpar->codec_id == AV_CODEC_ID_AC3)
            ost->codecpar->block_align = 0;
    }
}

void SetUpVideoEncoding(OutputStream& os, const AVStream* ist, const TTaskSettings& s) {
    if (ist->codecpar->format < 0)
        throw FFmpegException("Video pixel format is unknown, stream cannot be encoded");
    // The graph gets the pictures turned upright, so crop and size apply to the shown picture.
    const bool swap = SwapsSides(DisplayRotation(ist));
    VideoGraphInput gi;
    gi.width = swap ? ist->codecpar->height : ist->codecpar->width;
    gi.height = swap ? ist->codecpar->width : ist->codecpar->height;
    gi.format = static_cast<AVPixelFormat>(ist->codecpar->format);
    gi.timeBase = ist->time_base;
    gi.sar = ist->sample_aspect_ratio.num ? ist->sample_aspect_ratio : ist->codecpar->sample_aspect_ratio;
    if (swap && gi.sar.num > 0 && gi.sar.den > 0) gi.sar = AVRational{gi.sar.den, gi.sar.num};
    gi.fullRange = FullRange(ist->codecpar);
    if (os.enc->width <= 0 || os.enc->height <= 0) {
        os.enc->width = gi.width - os.spec->cropLeft - os.spec->cropRight;
        os.enc->height = gi.height - os.spec->cropTop - os.spec->cropBottom;
    }
    OpenVideoFilterGraph(os.filter, gi, *os.spec, os.enc, s.ScalerFlags());
    os.filtered = MakeFrame();
    os.lastPicture = MakeFrame();
}

void OpenPassLog(OutputStream& os, int streamIndex, const std::string& passLogFile) {
    std::string logName =
        Format("%s-%d.log", passLogFile.empty() ? "ffmpeg2pass" : passLogFile.c_str(), streamIndex);
    if (logName.size() > 1023) logName.resize(1023);
    if (os.enc->flags & AV_CODEC_FLAG_PASS1) {
        os.passLog = std::fopen(logName.c_str(), "wb");
        if (os.passLog == nullptr)
            throw FFmpegException(Format("Cannot write log file %s for pass-1 encoding", logName.c_str()));
    } else {
        std::ifstream file(logName, std::ios::binary);
        if (!file)
            throw FFmpegException(Format(
                "Cannot read file: Error reading log file \"%s\" for pass-2 encoding", logName.c_str()));
        std::ostringstream text;
        text << file.rdbuf();
        os.statsIn = text.str();
        // The encoder reads the text and never frees it: it stays owned by the stream record.
        os.enc->stats_in = os.statsIn.data();
    }
}

// Bitstream filters see the stream's final parameters.
void InitBitstreamFilters(RunState& r) {
    for (OutputStream& os : r.ost) {
        for (BsfContextPtr& bsf : os.spec->bsfs) {
            avcodec_parameters_copy(bsf->par_in, os.st->codecpar);
            bsf->time_base_in = os.st->time_base;
            if (av_bsf_init(bsf.get()) < 0)
                throw FFmpegException(Format("Error initializing bitstream filter: %s", bsf->filter->name));
            avcodec_parameters_copy(os.st->codecpar, bsf->par_out);
        }
    }
}

// Timestamps start at minus the B-frame delay: a copied stream whose first packets come
// without a decoding time (Matroska) gets times from here that stay below the later known ones.
void SetStartTimestamps(RunState& r) {
    for (InputStream& is : r.ist) {
        const AVRational rate = is.st->avg_frame_rate;
        const int delay = is.dec ? is.dec->has_b_frames : is.st->codecpar->video_delay;
        is.pts = 0;
        if (rate.num > 0 && delay > 0) is.pts = -llrint(delay * AV_TIME_BASE / av_q2d(rate));
        is.nextPts = kNoTimestamp;
    }
}

void CopyMetadataMaps(const std::vector<TMetaDataMap>& maps, const std::vector<InputFile>& inputs,
                      std::vector<OutputFile>& outputs) {
    for (const TMetaDataMap& m : maps) {
        if (m.OutFile < 0 || m.OutFile >= static_cast<int>(outputs.size()))
            throw FFmpegException(
                Format("Invalid output file index %d map_meta_data(%d,%d)", m.OutFile, m.OutFile, m.InFile));
        if (m.InFile < 0 || m.InFile >= static_cast<int>(inputs.size()))
            throw FFmpegException(
                Format("Invalid input file index %d map_meta_data(%d,%d)", m.InFile, m.OutFile, m.InFile));
        av_dict_copy(&outputs[m.OutFile].ctx->metadata, inputs[m.InFile].ctx->metadata,
                     AV_DICT_DONT_OVERWRITE);
    }
}

// Chapters of every input, in every output. Joined inputs follow one another; their lengths
// are only known from the containers here, which is what the chapters are placed by.
void CopyChaptersToOutputs(const std::vector<InputFile>& inputs, std::vector<OutputFile>& outputs,
                           bool joining) {
    int64_t segmentStart = 0;
    for (const InputFile& in : inputs) {
        for (OutputFile& of : outputs)
            CopyChapters(in, of, segmentStart, joining);
        if (joining && in.ctx->duration > 0) segmentStart += in.ctx->duration;
    }
}

// An RTP session is described for its receivers.
void DescribeRtpSession(std::vector<OutputFile>& outputs, const void* sender) {
    bool allRtp = !outputs.empty();
    for (const OutputFile& of : outputs)
        allRtp = allRtp && std::strcmp(of.ctx->oformat->name, "rtp") == 0;
    if (allRtp) {
        std::vector<AVFormatContext*> contexts;
        for (OutputFile& of : outputs)
            contexts.push_back(of.ctx.get());
        char sdp[2048] = {};
        if (av_sdp_create(contexts.data(), static_cast<int>(contexts.size()), sdp, sizeof sdp) >= 0) {
            std::string text = sdp;
            const size_t first = text.find_first_not_of(" \t\r\n");
            const size_t last = text.find_last_not_of(" \t\r\n");
            text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
            FFLogger().Log(sender, llInfo, "SDP:\r\n" + text);
        }
    }
}

} // namespace

OutputStream::~OutputStream() {
    ClosePassLog(*this);
    if (convData != nullptr) {
        av_freep(&convData[0]);
        av_freep(&convData);
    }
    av_channel_layout_uninit(&swrInLayout);
}

OutputFile::~OutputFile() {
    if (ctx && ioOpened && ctx->pb != nullptr) CloseIO(&ctx->pb);
}

void TCustomFFmpeg::Impl::PrepareRun() {
    run = std::make_unique<RunState>();
    BuildInputStreamTable(*run, inputs);
    BuildOutputStreamTable(*run, outputs);
    const int segments = joining ? static_cast<int>(inputs.size()) : 1;
    CheckStreamMaps(*run, settings.StreamMaps, segments);
    ChooseSources(segments);
    for (OutputStream& os : run->ost)
        SetUpCopyOrEncoding(os);

    // The mapping report comes before an error of the steps that follow, and after them.
    try {
        OpenRunCodecsAndHeaders();
    } catch (const FFmpegException&) {
        ReportMapping();
        throw;
    }
    ReportMapping();
    run->startWall = av_gettime_relative();
    run->lastReport = run->startWall;
}

void TCustomFFmpeg::Impl::ChooseSources(int segments) {
    RunState& r = *run;
    const std::vector<TStreamMap>& maps = settings.StreamMaps;
    r.segmentSources.assign(segments, std::vector<int>(r.ost.size(), -1));
    for (int seg = 0; seg < segments; ++seg) {
        for (size_t k = 0; k < r.ost.size(); ++k) {
            OutputStream& os = r.ost[k];
            const int chosen = !maps.empty() ? ChooseMappedSource(r, os, maps[k], seg)
                                             : ChooseDefaultSource(r, inputs, os, seg, joining);
            r.ist[chosen].discard = false;
            r.segmentSources[seg][k] = chosen;
        }
    }
    for (size_t k = 0; k < r.ost.size(); ++k)
        r.ost[k].source = r.segmentSources[0][k];
}

void TCustomFFmpeg::Impl::SetUpCopyOrEncoding(OutputStream& os) {
    AVStream* ist = run->ist[os.source].st;
    AVStream* ost = os.st;
    av_dict_copy(&ost->metadata, ist->metadata, AV_DICT_DONT_OVERWRITE);
    ost->disposition = ist->disposition;
    if (os.spec->copy)
        SetUpStreamCopy(os, ist);
    else
        SetUpEncoding(os, ist);
}

void TCustomFFmpeg::Impl::SetUpStreamCopy(OutputStream& os, const AVStream* ist) {
    const TTaskSettings& s = settings;
    const AVMediaType type = os.spec->type;
    if (ist->codecpar->extradata_size > INT_MAX - 8)
        throw FFmpegException("icodec.extradata_size is invalid (too large)");
    if (type == AVMEDIA_TYPE_VIDEO) {
        if (customHook)
            throw FFmpegException("-vcodec copy and CustomHook are incompatible (frames are not decoded)");
        if (s.FrameHooks.Enabled)
            throw FFmpegException("-vcodec copy and -vhook are incompatible (frames are not decoded)");
        if (self.PreviewFlags() & (kPreviewWindow | kPreviewBitmap))
            throw FFmpegException("-vcodec copy and PostHooks are incompatible (frames are not decoded)");
    } else if (type == AVMEDIA_TYPE_AUDIO) {
        if (s.AudioVolume != 256)
            throw FFmpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
    } else if (type != AVMEDIA_TYPE_SUBTITLE) {
        throw FFmpegException("invalid codec_type of output stream");
    }
    CopyStreamParameters(os.st, ist, outputs[os.file].ctx->oformat->codec_tag, type);
}

void TCustomFFmpeg::Impl::SetUpEncoding(OutputStream& os, const AVStream* ist) {
    RunState& r = *run;
    os.encoding = true;
    for (const std::vector<int>& sources : r.segmentSources) // every joined input feeds the encoder
        r.ist[sources[&os - r.ost.data()]].decoding = true;
    if (os.spec->type == AVMEDIA_TYPE_VIDEO)
        SetUpVideoEncoding(os, ist, settings);
    else if (os.spec->type == AVMEDIA_TYPE_AUDIO)
        os.audioFrame = MakeFrame();
    if (os.enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2))
        OpenPassLog(os, static_cast<int>(&os - r.ost.data()), settings.PassLogFile);
}

void TCustomFFmpeg::Impl::OpenRunCodecsAndHeaders() {
    RunState& r = *run;
    for (OutputStream& os : r.ost) // in join mode the encoders stay open across the segments
        if (os.encoding) OpenEncoder(os);
    InitBitstreamFilters(r);
    for (InputStream& is : r.ist)
        if (is.decoding) OpenDecoder(is, inputs[is.file], &self);
    SetStartTimestamps(r);
    CopyMetadataMaps(settings.MetaDataMaps, inputs, outputs);
    CopyChaptersToOutputs(inputs, outputs, joining);
    WriteHeaders();
    DescribeRtpSession(outputs, &self);
}

void TCustomFFmpeg::Impl::OpenEncoder(OutputStream& os) {
    const AVCodec* codec =
        os.spec->encoder != nullptr ? os.spec->encoder : avcodec_find_encoder(os.enc->codec_id);
    if (codec == nullptr) {
        const std::string text =
            Format("Encoder (codec id %d) not found for output stream #%d.%d (%s)",
                   static_cast<int>(os.enc->codec_id), os.file, os.index, LowerMediaTypeName(os.spec->type));
        FFLogger().Log(&self, llError, text);
        throw FFmpegException(text);
    }
    if (os.spec->type == AVMEDIA_TYPE_SUBTITLE) {
        InputStream& source = run->ist[os.source];
        GiveSubtitleHeader(os.enc, source, inputs[source.file], &self);
        // Subtitle times are microseconds; the encoder refuses to open without a time base.
        if (os.enc->time_base.num <= 0 || os.enc->time_base.den <= 0) os.enc->time_base = AV_TIME_BASE_Q;
    }
    AVDictionary* opts = nullptr;
    settings.Generic.AddPrivateTo(&opts, os.spec->type);
    int rc;
    {
        std::lock_guard lock(CodecLock());
        rc = avcodec_open2(os.enc, codec, &opts);
    }
    av_dict_free(&opts);
    if (rc < 0) {
        const std::string text = Format(
            "Error while opening encoder for output stream #%d.%d (%s) - maybe incorrect parameters such "
            "as "
            "bit_rate, rate, width or height. Please check error log message to find out more detail "
            "information.",
            os.file, os.index, LowerMediaTypeName(os.spec->type));
        FFLogger().Log(&self, llError, text);
        throw FFmpegException(text);
    }
    avcodec_parameters_from_context(os.st->codecpar, os.enc);
    os.st->time_base = os.enc->time_base;
    if (os.spec->type == AVMEDIA_TYPE_VIDEO) os.st->avg_frame_rate = os.enc->framerate;
    run->headerBytes += os.enc->extradata_size;
    if (os.spec->type == AVMEDIA_TYPE_AUDIO) {
        os.fifo.reset(av_audio_fifo_alloc(os.enc->sample_fmt, os.enc->ch_layout.nb_channels, 1024));
        if (!os.fifo) throw FFmpegException("av_fifo_alloc fail");
    }
}

void TCustomFFmpeg::Impl::WriteHeaders() {
    for (size_t f = 0; f < outputs.size(); ++f) {
        OutputFile& of = outputs[f];
        AVDictionary* opts = nullptr;
        settings.Generic.ApplyTo(of.ctx.get(), true, &opts);
        const int rc = avformat_write_header(of.ctx.get(), &opts);
        av_dict_free(&opts);
        if (rc < 0) {
            const std::string text =
                Format("Could not write header for output file #%d (incorrect codec parameters ?)",
                       static_cast<int>(f));
            FFLogger().Log(&self, llError, text);
            throw FFmpegException(text);
        }
        of.headerWritten = true;
    }
}

void TCustomFFmpeg::Impl::ReportMapping() const {
    const TTaskSettings& s = settings;
    const RunState& r = *run;
    if (s.Verbosity >= 0) {
        for (size_t f = 0; f < outputs.size(); ++f)
            av_dump_format(outputs[f].ctx.get(), static_cast<int>(f), outputs[f].name.c_str(), 1);
        FFLogger().Log(&self, llVerbose, "Stream mapping:");
        for (const OutputStream& os : r.ost) {
            const InputStream& is = r.ist[os.source];
            FFLogger().Log(&self, llVerbose,
                           Format("  Stream #%d.%d -> #%d.%d (%s)", is.file, is.index, os.file, os.index,
                                  LowerMediaTypeName(os.spec->type)));
            if (os.sync >= 0 && os.sync != os.source)
                FFLogger().Log(&self, llVerbose,
                               Format(" [sync #%d.%d (%s)]", r.ist[os.sync].file, r.ist[os.sync].index,
                                      LowerMediaTypeName(r.ist[os.sync].st->codecpar->codec_type)));
        }
    }
}

void TCustomFFmpeg::Impl::CloseCodecs() {
    if (!run) return;
    std::lock_guard lock(CodecLock());
    for (OutputStream& os : run->ost) {
        if (os.enc != nullptr) {
            os.enc->stats_in = nullptr;
            os.spec->enc.reset();
            os.enc = nullptr;
        }
    }
    for (InputStream& is : run->ist)
        is.dec.reset();
}

void TCustomFFmpeg::Impl::ReleaseRun() {
    CloseCodecs();
    run.reset();
}

void TCustomFFmpeg::Impl::ReleaseFiles() {
    ReleaseRun();
    for (OutputFile& of : outputs) {
        if (!of.ctx) continue;
        const bool wroteFile = of.ioOpened;
        if (of.ioOpened && of.ctx->pb != nullptr) CloseIO(&of.ctx->pb);
        of.ioOpened = false;
        // An output that received nothing is not left behind.
        std::error_code ec;
        const std::string path = FileNameOfUrl(of.name);
        if (wroteFile && std::filesystem::exists(path, ec) && std::filesystem::file_size(path, ec) == 0)
            std::filesystem::remove(path, ec);
        of.streams.clear();
        of.ctx.reset();
    }
    outputs.clear();
    inputs.clear();
    joining = false;
    ReleaseFrameHooks(settings.FrameHooks);
    hookBitmap.Reset();
    previewBitmap.Reset();
}

} // namespace orvel
