#include "engine/foundation/StreamChoice.h"

namespace orvel {

namespace {

// The probe's own default analysis duration and size; a packet count bounds inputs whose
// packets carry no time.
constexpr int64_t kAnalysedSpan = 5 * AV_TIME_BASE;
constexpr int64_t kMaxKeptBytes = 5000000;
constexpr size_t kMaxKeptPackets = 4096;

// Only the types a playback opens compete; data and attachment streams are never played.
bool Plays(AVMediaType type) {
    return type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_SUBTITLE;
}

int64_t PacketTime(const AVFormatContext* ic, const AVPacket& packet) {
    const int64_t t = packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts;
    if (t == AV_NOPTS_VALUE) return AV_NOPTS_VALUE;
    return av_rescale_q(t, ic->streams[packet.stream_index]->time_base, AV_TIME_BASE_Q);
}

} // namespace

ChosenStreams ChooseStreams(const std::vector<AVMediaType>& types, const std::vector<int>& analysedFrames,
                            bool disableAudio, bool disableVideo) {
    ChosenStreams chosen;
    int best[AVMEDIA_TYPE_NB] = {};
    for (size_t i = 0; i < types.size() && i < analysedFrames.size(); ++i) {
        const AVMediaType type = types[i];
        if (!Plays(type) || analysedFrames[i] <= best[type]) continue;
        best[type] = analysedFrames[i];
        const int index = static_cast<int>(i);
        if (type == AVMEDIA_TYPE_AUDIO && !disableAudio) chosen.Audio = index;
        if (type == AVMEDIA_TYPE_VIDEO && !disableVideo) chosen.Video = index;
        if (type == AVMEDIA_TYPE_SUBTITLE && !disableVideo) chosen.Subtitle = index;
    }
    return chosen;
}

AnalysedPackets ReadAnalysedPackets(AVFormatContext* ic, int64_t probedEnd) {
    AnalysedPackets result;
    result.Frames.assign(ic->nb_streams, 0);
    int64_t firstTime = AV_NOPTS_VALUE, keptBytes = 0;
    while (keptBytes < kMaxKeptBytes && result.Packets.size() < kMaxKeptPackets) {
        PacketPtr packet = MakePacket();
        if (!packet || av_read_frame(ic, packet.get()) < 0) break;
        const unsigned index = static_cast<unsigned>(packet->stream_index);
        if (index >= result.Frames.size()) result.Frames.resize(index + 1, 0); // a stream found late
        bool inSpan;
        if (probedEnd >= 0 && packet->pos >= 0) {
            inSpan = packet->pos < probedEnd;
        } else {
            const int64_t t = PacketTime(ic, *packet);
            if (firstTime == AV_NOPTS_VALUE) firstTime = t;
            inSpan = t == AV_NOPTS_VALUE || firstTime == AV_NOPTS_VALUE || t - firstTime < kAnalysedSpan;
        }
        keptBytes += packet->size;
        result.Packets.push_back(std::move(packet));
        if (!inSpan) break;
        ++result.Frames[index];
    }
    return result;
}

int64_t ProbedEnd(const AVFormatContext* ic) {
    return ic->pb && !(ic->pb->seekable & AVIO_SEEKABLE_NORMAL) ? avio_tell(ic->pb) : -1;
}

ChosenStreams ChooseFileStreams(AVFormatContext* ic, int64_t probedEnd, AnalysedPackets& analysed,
                                bool disableAudio, bool disableVideo) {
    analysed = ReadAnalysedPackets(ic, probedEnd);
    std::vector<AVMediaType> types;
    for (unsigned i = 0; i < ic->nb_streams; ++i)
        types.push_back(ic->streams[i]->codecpar->codec_type);
    return ChooseStreams(types, analysed.Frames, disableAudio, disableVideo);
}

} // namespace orvel
