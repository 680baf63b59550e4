// The main loop: choose an input, read a packet, decode or copy it, write; then drain,
// write the trailers and give the final report.
#include "engine/run/TranscodeLoop.h"

#include "engine/foundation/FFUtils.h"
#include "engine/foundation/FFmpegException.h"
#include "engine/foundation/FFmpegLogger.h"
#include "engine/run/VideoStats.h"

extern "C" {
#include <libavutil/intreadwrite.h>
#include <libavutil/time.h>
}

#include <algorithm>
#include <cmath>
#include <exception>

namespace orvel {

namespace {

// Rate emulation: waits while the stream is more than 1 ms ahead of the time since its first
// packet. Timestamps count from the stream's first one, so a file that starts late or was
// entered by seeking does not stall. The wait is cut into short slices so a stop is honoured.
template <typename StopFn> void EmulateRate(InputStream& is, StopFn stopping) {
    if (is.firstPts == kNoTimestamp) {
        is.firstPts = is.pts;
        is.wallStart = av_gettime_relative();
        return;
    }
    constexpr int64_t kSlice = 100000;
    for (;;) {
        const int64_t ahead = (is.pts - is.firstPts) - (av_gettime_relative() - is.wallStart);
        if (ahead <= 1000 || stopping()) return;
        av_usleep(static_cast<unsigned>(std::min(ahead / 1000 * 1000, kSlice)));
    }
}

// The packets read to choose the file's streams come first.
int ReadInputPacket(InputFile& in, AVPacket* pkt) {
    if (in.pending.empty()) return av_read_frame(in.ctx.get(), pkt);
    av_packet_move_ref(pkt, in.pending.front().get());
    in.pending.pop_front();
    return 0;
}

// The file's offset, then its scale for the stream.
void ShiftTimestamps(const InputFile& in, const InputStream& is, AVPacket* pkt) {
    const int64_t offset = av_rescale_q(in.tsOffset, AV_TIME_BASE_Q, is.st->time_base);
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts += offset;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += offset;
    const double scale = pkt->stream_index < kMaxStreams ? in.tsScale[pkt->stream_index] : 0.0;
    if (scale != 0.0) {
        if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = llrint(pkt->dts * scale);
        if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = llrint(pkt->pts * scale);
    }
}

} // namespace

bool TCustomFFmpeg::Impl::Loop::PassGate() {
    HoldWhilePaused();
    return !Stopping();
}

void TCustomFFmpeg::Impl::Loop::HoldWhilePaused() {
    t.self.Gate().Pass(t.self.stopRequested_);
}

int64_t TCustomFFmpeg::Impl::Loop::StreamTimeUs(const InputStream& is, int64_t ts) const {
    return av_rescale_q(ts, is.st->time_base, AV_TIME_BASE_Q);
}

double TCustomFFmpeg::Impl::Loop::OutputTime(const OutputStream& os) const {
    if (!os.encoding) return static_cast<double>(os.copyTime) / AV_TIME_BASE;
    if (os.spec->type == AVMEDIA_TYPE_AUDIO)
        return os.enc->sample_rate > 0 ? static_cast<double>(os.syncOpts) / os.enc->sample_rate : 0.0;
    return static_cast<double>(os.syncOpts) * av_q2d(os.enc->time_base);
}

int TCustomFFmpeg::Impl::Loop::ChooseInput(bool& frameLimitReached) {
    frameLimitReached = false;
    const auto atLimit = [this](const OutputStream& os) {
        const int limit = os.spec->type == AVMEDIA_TYPE_VIDEO   ? s.MaxFramesVideo
                          : os.spec->type == AVMEDIA_TYPE_AUDIO ? s.MaxFramesAudio
                                                                : s.MaxFramesData;
        return os.frameNumber >= limit;
    };
    if (t.joining) {
        for (const OutputStream& os : r.ost)
            if (atLimit(os)) return -1;
        return r.segment < static_cast<int>(r.ifile.size()) && !r.ifile[r.segment].eof ? r.segment : -1;
    }
    int chosen = -1;
    double bestOpts = 1e300;
    int64_t bestIpts = INT64_MAX;
    for (const OutputStream& os : r.ost) {
        const InputStream& is = r.ist[os.source];
        if (is.pastRecording) continue;
        const InputFileRun& f = r.ifile[is.file];
        // A pipelined run has one input and no limits, so what was written (which the other
        // stages are changing meanwhile) is not read and cannot change the choice. A stream at
        // its limit ends the run even when its input has ended or waits.
        if (stages == nullptr && atLimit(os)) {
            frameLimitReached = true;
            return -1;
        }
        if (f.eof || f.noPacket) continue;
        if (stages != nullptr) return is.file;
        const double opts = OutputTime(os);
        const int64_t ipts = is.pts;
        if (s.InputSync ? ipts < bestIpts : opts < bestOpts) {
            bestOpts = opts;
            bestIpts = ipts;
            chosen = is.file;
        }
    }
    return chosen;
}

void TCustomFFmpeg::Impl::Loop::DecodingFailed(const InputStream& is) {
    const std::string text = Format("Error while decoding stream #%d.%d (%s)", is.file, is.index,
                                    LowerMediaTypeName(is.st->codecpar->codec_type));
    if (s.ExitOnError) throw FFmpegException(text);
    if (s.Verbosity >= 0) FFLogger().Log(&t.self, llVerbose, text);
}

std::exception_ptr TCustomFFmpeg::Impl::Loop::RunInline() {
    try {
        ReadPackets();
        DrainInputs();
        FlushOutputs();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

void TCustomFFmpeg::Impl::Loop::Run() {
    const std::exception_ptr failure = t.pipelined && CanPipeline() ? RunPipelined() : RunInline();
    // Every output that has a header gets its trailer, also after a failure (an MP4 without it
    // has no index and cannot be played); the first failure is reported after that.
    std::string trailerFailure;
    for (OutputFile& of : t.outputs) {
        if (of.headerWritten && !of.trailerWritten) {
            HoldWhilePaused();
            of.trailerWritten = true;
            const int rc = av_write_trailer(of.ctx.get());
            if (rc < 0 && trailerFailure.empty()) trailerFailure = "av_write_trailer(): " + ErrorText(rc);
        }
    }
    if (failure) std::rethrow_exception(failure);
    if (!trailerFailure.empty()) throw FFmpegException(trailerFailure);
    HoldWhilePaused();
    Report(-1, true);
}

void TCustomFFmpeg::Impl::Loop::ReadPackets() {
    AVPacket* pkt = r.pkt.get();
    while (PassGate()) {
        bool limit = false;
        const int file = ChooseInput(limit);
        if (file < 0) {
            if (!RetryWaitingInputs(limit)) break;
            av_usleep(10000);
            continue;
        }
        if (OutputSizeLimitReached()) break;

        InputFile& in = t.inputs[file];
        const int rc = ReadInputPacket(in, pkt);
        fileRead = file;
        if (rc == AVERROR(EAGAIN)) {
            r.ifile[file].noPacket = true;
            continue;
        }
        if (rc < 0) {
            r.ifile[file].eof = true;
            if (s.Shortest && !t.joining) break;
            if (t.joining) EndSegment();
            continue;
        }
        for (InputFileRun& f : r.ifile)
            f.noPacket = false;
        if (s.PacketDump)
            av_pkt_dump_log2(nullptr, AV_LOG_INFO, pkt, s.HexDump, in.ctx->streams[pkt->stream_index]);

        InputStream* is = StreamOfPacket(file, pkt);
        if (is == nullptr) {
            av_packet_unref(pkt);
            continue;
        }
        ShiftTimestamps(in, *is, pkt);
        FollowDiscontinuity(in, *is, pkt);
        if (PastRecordingTime(*is, pkt)) {
            is->pastRecording = true;
            av_packet_unref(pkt);
            continue;
        }

        if (!ProcessPacket(*is, pkt)) DecodingFailed(*is);
        av_packet_unref(pkt);

        ForwardProgress(file);
    }
}

// No input to read: inputs that had no packet for the moment are tried again. False when none
// is waiting, which ends the reading.
bool TCustomFFmpeg::Impl::Loop::RetryWaitingInputs(bool frameLimitReached) {
    bool waiting = false;
    if (!t.joining && !frameLimitReached)
        for (InputFileRun& f : r.ifile)
            if (!f.eof && f.noPacket) {
                f.noPacket = false;
                waiting = true;
            }
    return waiting;
}

bool TCustomFFmpeg::Impl::Loop::OutputSizeLimitReached() const {
    return s.FileSizeLimit > 0 && t.outputs[0].ctx->pb != nullptr &&
           avio_tell(t.outputs[0].ctx->pb) > s.FileSizeLimit;
}

// The run's stream the packet belongs to; null for a stream the run does not use.
InputStream* TCustomFFmpeg::Impl::Loop::StreamOfPacket(int file, const AVPacket* pkt) {
    const InputFileRun& fr = r.ifile[file];
    if (pkt->stream_index >= fr.streams) return nullptr;
    InputStream& is = r.ist[fr.firstStream + pkt->stream_index];
    return is.discard ? nullptr : &is;
}

// Formats with timestamp discontinuities: a jump moves the file's offset instead.
void TCustomFFmpeg::Impl::Loop::FollowDiscontinuity(InputFile& in, const InputStream& is, AVPacket* pkt) {
    if ((in.ctx->iformat->flags & AVFMT_TS_DISCONT) && pkt->dts != AV_NOPTS_VALUE &&
        is.nextPts != kNoTimestamp && !s.CopyTimestamps) {
        const int64_t dtsUs = StreamTimeUs(is, pkt->dts);
        const int64_t delta = dtsUs - is.nextPts;
        if (std::llabs(delta) > static_cast<int64_t>(s.DtsDeltaThreshold * AV_TIME_BASE) ||
            dtsUs + 1 < is.pts) {
            in.tsOffset -= delta;
            const int64_t d = av_rescale_q(delta, AV_TIME_BASE_Q, is.st->time_base);
            pkt->dts -= d;
            if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= d;
            if (s.Verbosity >= 3)
                FFLogger().Log(&t.self, llVerbose,
                               Format("timestamp discontinuity %lld, new offset= %lld",
                                      static_cast<long long>(delta), static_cast<long long>(in.tsOffset)));
        }
    }
}

// Decoded pictures are read on while their decoding time is within the limit: a reference
// shown past it is still needed by the B-pictures shown before it (those past it are dropped
// once decoded). Other packets are judged by the time they are shown.
bool TCustomFFmpeg::Impl::Loop::PastRecordingTime(const InputStream& is, const AVPacket* pkt) const {
    const bool decodedVideo = is.decoding && is.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    const int64_t ts = decodedVideo && pkt->dts != AV_NOPTS_VALUE ? pkt->dts : pkt->pts;
    return ts != AV_NOPTS_VALUE && PastRecordingTime(StreamTimeUs(is, ts));
}

bool TCustomFFmpeg::Impl::Loop::PastRecordingTime(int64_t timeUs) const {
    const int64_t limitTime = RecordingTime();
    return limitTime != INT64_MAX && timeUs >= limitTime + OutputStart();
}

bool TCustomFFmpeg::Impl::Loop::ProcessPacket(InputStream& is, const AVPacket* pkt) {
    if (is.nextPts == kNoTimestamp) is.nextPts = is.pts;
    if (pkt != nullptr && pkt->dts != AV_NOPTS_VALUE) is.nextPts = is.pts = StreamTimeUs(is, pkt->dts);
    if (s.RateEmulation && pkt != nullptr) EmulateRate(is, [this] { return Stopping(); });

    if (!is.decoding) {
        if (pkt == nullptr) return true;
        is.pts = is.nextPts;
        ForwardCopy(is, pkt, FrameContext{is.pts, is.nextPts, 0});
        if (pkt->duration > 0)
            is.nextPts += av_rescale_q(pkt->duration, is.st->time_base, AV_TIME_BASE_Q);
        else if (is.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && is.st->avg_frame_rate.num > 0)
            is.nextPts += av_rescale_q(1, av_inv_q(is.st->avg_frame_rate), AV_TIME_BASE_Q);
        return true;
    }

    if (is.st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) {
        if (pkt == nullptr) return true;
        AVSubtitle sub{};
        int got = 0;
        const int rc = avcodec_decode_subtitle2(is.dec.get(), &sub, &got, const_cast<AVPacket*>(pkt));
        if (rc < 0) return false;
        if (got) {
            struct Release {
                AVSubtitle& sub;
                ~Release() { avsubtitle_free(&sub); }
            } release{sub};
            // Cues before the output's start are not written, as pictures and sound are not.
            if (is.pts >= OutputStart()) ForwardSubtitle(is, sub);
        }
        return true;
    }

    AVFrame* frame = r.decoded.get();
    bool ok = true;
    // A decoder that still holds output (left after a decoding error) answers "try again": its
    // output is taken and the packet sent once more, so no packet is lost after an error. The
    // rounds are bounded in case a decoder keeps refusing.
    for (int round = 0; round < 4; ++round) {
        const int sent = avcodec_send_packet(is.dec.get(), pkt);
        const bool again = sent == AVERROR(EAGAIN);
        if (sent < 0 && sent != AVERROR_EOF && !again) ok = false;
        for (;;) {
            const int rc = avcodec_receive_frame(is.dec.get(), frame);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) break;
            if (rc < 0) {
                ok = false;
                break;
            }
            HandleDecodedFrame(is, frame);
            av_frame_unref(frame);
            if (Stopping()) return ok;
        }
        if (!again) break;
    }
    return ok;
}

void TCustomFFmpeg::Impl::Loop::HandleDecodedFrame(InputStream& is, AVFrame* frame) {
    const AVMediaType type = is.st->codecpar->codec_type;
    int64_t ts = frame->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) ts = frame->pts;
    is.pts = ts != AV_NOPTS_VALUE ? StreamTimeUs(is, ts) : is.nextPts;
    if (ts == AV_NOPTS_VALUE)
        frame->pts = av_rescale_q(is.pts, AV_TIME_BASE_Q, is.st->time_base);
    else
        frame->pts = ts;
    if (type == AVMEDIA_TYPE_AUDIO) {
        if (frame->sample_rate > 0) {
            CutSoundOverlap(is, frame);
            CutSoundPastEnd(is, frame);
            is.nextPts = is.pts + av_rescale(frame->nb_samples, AV_TIME_BASE, frame->sample_rate);
            is.soundEnd = is.nextPts;
        }
    } else if (type == AVMEDIA_TYPE_VIDEO) {
        AVRational rate = is.dec->framerate.num > 0 ? is.dec->framerate : is.st->avg_frame_rate;
        if (rate.num > 0 && rate.den > 0)
            is.nextPts = is.pts + av_rescale_q(2 + frame->repeat_pict, AVRational{rate.den, 2 * rate.num},
                                               AV_TIME_BASE_Q);
        if (!PastRecordingTime(is.pts)) ForwardPicture(is, frame, FrameContext{is.pts, is.nextPts, 0});
        return;
    }
    // Frames before the output's start are not written.
    if (type == AVMEDIA_TYPE_AUDIO && is.pts >= OutputStart())
        ForwardAudio(is, frame, FrameContext{is.pts, is.nextPts, 0});
}

bool TCustomFFmpeg::Impl::Loop::TimestampsScaled(const InputStream& is) const {
    return is.index >= kMaxStreams || t.inputs[is.file].tsScale[is.index] != 0.0;
}

// Where parts were joined, an edit list may end a part a sample into its last packet; the
// decoder still gives the whole packet, and the next part starts before that frame ends. The
// samples this frame shares with the one before are cut from its front, so the sound keeps the
// length the source plays. Overlaps within timestamp rounding, and those of a whole frame or
// more (a jump in time, not a cut packet), are left alone, and so are timestamps the user
// scales: the audio sync answers for those.
void TCustomFFmpeg::Impl::Loop::CutSoundOverlap(InputStream& is, AVFrame* frame) {
    constexpr int64_t kRoundingUs = 2000;
    if (is.soundEnd == kNoTimestamp || is.soundEnd - is.pts <= kRoundingUs || TimestampsScaled(is)) return;
    const int64_t overlap = av_rescale(is.soundEnd - is.pts, frame->sample_rate, AV_TIME_BASE);
    if (overlap <= 0 || overlap >= frame->nb_samples || av_frame_make_writable(frame) < 0) return;
    const int channels = frame->ch_layout.nb_channels;
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const int remaining = frame->nb_samples - static_cast<int>(overlap);
    av_samples_copy(frame->extended_data, frame->extended_data, 0, static_cast<int>(overlap), remaining,
                    channels, format);
    frame->nb_samples = remaining;
    frame->pts += av_rescale_q(overlap, AVRational{1, frame->sample_rate}, is.st->time_base);
    is.pts = is.soundEnd;
}

// The same for the last part: a frame that runs past the end the container states for the
// stream is cut there. Only a stated end counts (one estimated from the bit rate may lie
// anywhere), and frames wholly past it are left alone.
void TCustomFFmpeg::Impl::Loop::CutSoundPastEnd(const InputStream& is, AVFrame* frame) const {
    const InputFile& in = t.inputs[is.file];
    const AVStream* st = is.st;
    if (in.ctx->duration_estimation_method != AVFMT_DURATION_FROM_STREAM || st->duration == AV_NOPTS_VALUE ||
        st->duration <= 0 || TimestampsScaled(is))
        return;
    const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    const int64_t endUs = StreamTimeUs(is, start + st->duration) + in.tsOffset;
    const int64_t kept = av_rescale(endUs - is.pts, frame->sample_rate, AV_TIME_BASE);
    if (kept > 0 && kept < frame->nb_samples) frame->nb_samples = static_cast<int>(kept);
}

void TCustomFFmpeg::Impl::Loop::ProcessPicture(InputStream& is, AVFrame* frame, FrameContext at) {
    PreProcessVideo(is, frame, at);
    // Pictures before the output's start are not written; the hook has seen them all the same.
    if (at.pts < OutputStart()) return;
    const int index = IndexOf(is);
    for (OutputStream& os : r.ost)
        if (os.active && os.source == index && os.encoding) SendVideo(os, is, frame, at);
}

void TCustomFFmpeg::Impl::Loop::EncodeAudioFrame(InputStream& is, const AVFrame* frame,
                                                 const FrameContext& at) {
    const int index = IndexOf(is);
    for (OutputStream& os : r.ost)
        if (os.active && os.source == index && os.encoding) SendAudio(os, at, frame);
}

void TCustomFFmpeg::Impl::Loop::CopyToOutputs(InputStream& is, const AVPacket* pkt, const FrameContext& at) {
    const int index = IndexOf(is);
    for (OutputStream& os : r.ost)
        if (os.active && os.source == index && !os.encoding) CopyPacket(os, is, pkt, at);
}

void TCustomFFmpeg::Impl::Loop::ReportIfDue(int file) {
    if (av_gettime_relative() - r.lastReport >= t.progressInterval) Report(file, false);
}

void TCustomFFmpeg::Impl::Loop::HandleSubtitle(InputStream& is, AVSubtitle& sub) {
    const int index = IndexOf(is);
    static constexpr int kSubtitleBuffer = 1024 * 1024;
    for (OutputStream& os : r.ost) {
        if (!os.active || os.source != index || !os.encoding) continue;
        if (sub.pts == AV_NOPTS_VALUE) {
            if (s.ExitOnError) throw FFmpegException("Subtitle packets must have a pts");
            FFLogger().Log(&t.self, llError, "Subtitle packets must have a pts");
            continue;
        }
        const bool dvb = os.enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE;
        const int passes = dvb ? 2 : 1;
        const int64_t basePts = sub.pts - OutputStart();
        for (int i = 0; i < passes; ++i) {
            if (r.subtitleBuffer.size() < kSubtitleBuffer) r.subtitleBuffer.resize(kSubtitleBuffer);
            AVSubtitle copy = sub;
            copy.pts = basePts + av_rescale(sub.start_display_time, AV_TIME_BASE, 1000);
            copy.end_display_time -= copy.start_display_time;
            copy.start_display_time = 0;
            if (dvb && i == 1) copy.num_rects = 0; // the second packet clears the display
            const int size = avcodec_encode_subtitle(os.enc, r.subtitleBuffer.data(), kSubtitleBuffer, &copy);
            if (size < 0) throw FFmpegException("Subtitle encoding failed");
            AVPacket* out = r.encPkt.get();
            av_packet_unref(out);
            if (av_new_packet(out, size) < 0) throw FFmpegException("Subtitle encoding failed");
            std::copy_n(r.subtitleBuffer.data(), size, out->data);
            const int64_t cueStart = av_rescale_q(copy.pts, AV_TIME_BASE_Q, os.st->time_base);
            out->pts = cueStart;
            // The display times are relative to copy.pts now: DVB's clearing packet comes when the
            // display ends; other cues carry their display time as the packet's duration, which is
            // all a container keeps of when the cue ends.
            if (dvb)
                out->pts += 90 *
                            static_cast<int64_t>(i == 0 ? copy.start_display_time : copy.end_display_time) *
                            os.st->time_base.den / (90000LL * os.st->time_base.num);
            else if (copy.end_display_time > 0 && copy.end_display_time < INT32_MAX)
                out->duration = av_rescale_q(copy.end_display_time, AVRational{1, 1000}, os.st->time_base);
            // Every packet of a cue is decoded when the cue starts, the clearing one a tick after
            // the picture: a display that ends after the next cue starts (DVB pages stay up to
            // their time-out) would otherwise put the decoding times out of order.
            out->dts = std::min(out->pts, cueStart + i);
            WritePacket(os, out);
            ++os.frameNumber;
        }
    }
}

void TCustomFFmpeg::Impl::Loop::CopyPacket(OutputStream& os, const InputStream& is, const AVPacket* pkt,
                                           const FrameContext& at) {
    if (os.firstCopiedPacket && !(pkt->flags & AV_PKT_FLAG_KEY) && !s.CopyInitialNonKeyFrames) return;
    // Decode timestamps of streams with B-frames start below zero; the picture time decides.
    const int64_t shown = pkt->pts != AV_NOPTS_VALUE ? StreamTimeUs(is, pkt->pts) : at.pts;
    if (OutputStart() > 0 && shown < OutputStart()) return;
    os.firstCopiedPacket = false;
    AVPacket* out = r.encPkt.get();
    av_packet_unref(out);
    if (av_packet_ref(out, pkt) < 0) throw FFmpegException("Out of memory");
    const AVRational otb = os.st->time_base;
    const int64_t startOffset = av_rescale_q(OutputStart(), AV_TIME_BASE_Q, otb);
    out->pts = pkt->pts != AV_NOPTS_VALUE ? av_rescale_q(pkt->pts, is.st->time_base, otb) - startOffset
                                          : AV_NOPTS_VALUE;
    out->dts = (pkt->dts == AV_NOPTS_VALUE ? av_rescale_q(at.pts, AV_TIME_BASE_Q, otb)
                                           : av_rescale_q(pkt->dts, is.st->time_base, otb)) -
               startOffset;
    out->duration = av_rescale_q(pkt->duration, is.st->time_base, otb);
    if (os.spec->type == AVMEDIA_TYPE_AUDIO)
        r.audioBytes += out->size;
    else if (os.spec->type == AVMEDIA_TYPE_VIDEO)
        r.videoBytes += out->size;
    const int64_t endUs = av_rescale_q(out->dts + std::max<int64_t>(out->duration, 0), otb, AV_TIME_BASE_Q);
    os.copyTime = std::max(os.copyTime, endUs);
    WritePacket(os, out);
    ++os.frameNumber;
}

void TCustomFFmpeg::Impl::Loop::EndSegment() {
    // Drain the finished input's decoders into the encoders, which stay open for the next one.
    const int file = r.segment;
    int64_t end = 0;
    for (InputStream& is : r.ist) {
        if (is.file != file) continue;
        if (is.decoding && !is.drained) {
            is.drained = true;
            if (!ProcessPacket(is, nullptr)) DecodingFailed(is);
        }
        if (is.nextPts != kNoTimestamp && !is.discard) end = std::max(end, is.nextPts);
    }
    if (file + 1 >= static_cast<int>(r.ifile.size())) {
        r.segment = file + 1;
        return;
    }
    r.segment = file + 1;
    t.inputs[r.segment].tsOffset += end;
    for (size_t k = 0; k < r.ost.size(); ++k) {
        OutputStream& os = r.ost[k];
        os.source = r.segmentSources[r.segment][k];
        os.copyTime = std::max(os.copyTime, end);
        os.firstCopiedPacket = os.encoding ? os.firstCopiedPacket : true;
    }
}

void TCustomFFmpeg::Impl::Loop::DrainInputs() {
    for (InputStream& is : r.ist) {
        if (!is.decoding || is.drained) continue;
        if (t.joining && is.file != r.segment && r.segment < static_cast<int>(r.ifile.size()))
            continue; // later segments never started
        is.drained = true;
        if (!ProcessPacket(is, nullptr)) DecodingFailed(is);
    }
}

void TCustomFFmpeg::Impl::Loop::FlushOutputs() {
    for (OutputStream& os : r.ost) {
        if (!os.encoding || os.encoderFlushed) continue;
        FlushFilterChain(os);
        FlushEncoder(os);
    }
    FlushBitstreamFilters();
}

void TCustomFFmpeg::Impl::Loop::FlushFilterChain(OutputStream& os) {
    if (os.spec->type != AVMEDIA_TYPE_VIDEO || !os.filter.graph) return;
    InputStream& is = r.ist[os.source];
    SendVideo(os, is, nullptr, FrameContext{is.pts, is.nextPts, t.decodedFrames});
}

void TCustomFFmpeg::Impl::Loop::FlushEncoder(OutputStream& os) {
    if (os.encoderFlushed) return;
    os.encoderFlushed = true;
    if (os.spec->type == AVMEDIA_TYPE_VIDEO) {
        HoldLastPicture(os);
        FlushVideoEncoder(os);
    } else if (os.spec->type == AVMEDIA_TYPE_AUDIO) {
        SendAudio(os, FrameContext{}, nullptr);
    }
}

void TCustomFFmpeg::Impl::Loop::FlushBitstreamFilters() {
    // Bitstream filters may hold packets back until their end.
    for (OutputStream& os : r.ost)
        if (!os.spec->bsfs.empty()) WritePacket(os, nullptr);
}

void TCustomFFmpeg::Impl::Loop::ReceivePackets(OutputStream& os) {
    AVPacket* out = r.encPkt.get();
    for (;;) {
        // Also while the encoders are flushed a paused task stays paused; after a stop the
        // rest is still written, so the output ends well.
        HoldWhilePaused();
        av_packet_unref(out);
        const int rc = avcodec_receive_packet(os.enc, out);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
        if (rc < 0)
            throw FFmpegException(os.spec->type == AVMEDIA_TYPE_AUDIO ? "Audio encoding failed"
                                                                      : "Video encoding failed");
        if (os.spec->type == AVMEDIA_TYPE_VIDEO) {
            r.videoBytes += out->size;
            ++os.encodedFrames;
            size_t size = 0;
            const uint8_t* stats = av_packet_get_side_data(out, AV_PKT_DATA_QUALITY_STATS, &size);
            AVPictureType pictType =
                (out->flags & AV_PKT_FLAG_KEY) ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
            int errors = 0;
            if (stats != nullptr && size >= 8) {
                os.lastQuality = static_cast<double>(AV_RL32(stats)) / FF_QP2LAMBDA;
                const int qp = std::clamp(static_cast<int>(std::lround(os.lastQuality)), 0, 51);
                ++r.qpHistogram[qp];
                if (stats[4] != AV_PICTURE_TYPE_NONE) pictType = static_cast<AVPictureType>(stats[4]);
                errors = std::min<int>(stats[5], 3);
                for (int j = 0; j < errors && size >= 8 + 8 * static_cast<size_t>(j + 1); ++j)
                    os.lastError[j] = static_cast<double>(AV_RL64(stats + 8 + 8 * j));
            }
            if (os.passLog != nullptr && os.enc->stats_out != nullptr)
                std::fputs(os.enc->stats_out, os.passLog);
            if (!s.VideoStatsFile.empty()) {
                VideoStatsFrame f;
                f.frameNumber = os.encodedFrames;
                f.quality = os.lastQuality;
                f.error = (os.enc->flags & AV_CODEC_FLAG_PSNR) && errors > 0 ? os.lastError[0] : -1.0;
                f.width = os.enc->width;
                f.height = os.enc->height;
                f.size = out->size;
                f.totalBytes = r.videoBytes;
                f.time = static_cast<double>(os.encoderReached) * av_q2d(os.enc->time_base);
                f.frameDuration = av_q2d(os.enc->time_base);
                f.type = av_get_picture_type_char(pictType);
                WriteVideoStats(r, s.VideoStatsFile, f);
            }
        } else {
            r.audioBytes += out->size;
        }
        av_packet_rescale_ts(out, os.enc->time_base, os.st->time_base);
        WritePacket(os, out);
    }
}

void TCustomFFmpeg::Impl::Loop::WritePacket(OutputStream& os, AVPacket* pkt) {
    AVFormatContext* ctx = t.outputs[os.file].ctx.get();
    auto write = [&](AVPacket* p) {
        p->stream_index = os.st->index;
        const int rc = av_interleaved_write_frame(ctx, p);
        if (rc < 0) throw FFmpegException("av_interleaved_write_frame(): " + ErrorText(rc));
    };
    if (os.spec->bsfs.empty()) {
        if (pkt != nullptr) write(pkt);
        return;
    }
    // Each filter's output feeds the next; a null packet drains the chain.
    std::vector<PacketPtr> stage;
    if (pkt != nullptr) {
        stage.push_back(MakePacket());
        av_packet_move_ref(stage.back().get(), pkt);
    }
    bool draining = pkt == nullptr;
    for (size_t i = 0; i < os.spec->bsfs.size(); ++i) {
        AVBSFContext* bsf = os.spec->bsfs[i].get();
        std::vector<PacketPtr> next;
        auto fail = [&](int rc) {
            const std::string text =
                Format("%s failed for stream %d, codec %s: ", bsf->filter->name, os.st->index,
                       os.encoding && os.enc->codec ? os.enc->codec->name : "copy") +
                ErrorText(rc);
            if (s.ExitOnError) throw FFmpegException(text);
            FFLogger().Log(&t.self, llError, text);
        };
        auto collect = [&]() {
            for (;;) {
                PacketPtr o = MakePacket();
                const int rc = av_bsf_receive_packet(bsf, o.get());
                if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) break;
                if (rc < 0) {
                    fail(rc);
                    break;
                }
                next.push_back(std::move(o));
            }
        };
        for (PacketPtr& p : stage) {
            const int rc = av_bsf_send_packet(bsf, p.get());
            if (rc < 0) fail(rc);
            collect();
        }
        if (draining) {
            av_bsf_send_packet(bsf, nullptr);
            collect();
        }
        stage = std::move(next);
    }
    for (PacketPtr& p : stage)
        write(p.get());
}

void TCustomFFmpeg::Impl::Transcode() {
    PrepareRun();
    Loop loop(*this);
    loop.Run();
    CloseCodecs();
    self.finished_ = !self.StopRequested();
    ReleaseRun();
}

} // namespace orvel
