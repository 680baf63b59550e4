// The player's pieces on their own: stream choice, event ring, packet queue, picture geometry,
// sound mixing and sample conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include "engine/foundation/StreamChoice.h"
#include "player/AudioOutput.h"
#include "player/DisplaySurface.h"
#include "player/EventRing.h"
#include "player/PacketQueue.h"

namespace orvel {
namespace {

PlayerEvent State(TPlayState s) {
    return PlayerEvent{PlayerEventKind::State, s, 0};
}
PlayerEvent Position(int64_t p) {
    return PlayerEvent{PlayerEventKind::Position, psPlay, p};
}

TEST(StreamChoiceTest, MostAnalysedFramesPerTypeEarlierOnATieNeverNone) {
    constexpr AVMediaType V = AVMEDIA_TYPE_VIDEO, A = AVMEDIA_TYPE_AUDIO, S = AVMEDIA_TYPE_SUBTITLE,
                          D = AVMEDIA_TYPE_DATA;
    const struct {
        const char* name;
        std::vector<AVMediaType> types;
        std::vector<int> frames;
        bool disableAudio, disableVideo;
        ChosenStreams want;
    } cases[] = {
        {"most frames wins over order", {V, A, A}, {10, 20, 30}, false, false, {0, 2, -1}},
        {"tie keeps the earlier", {A, V, A, V}, {8, 5, 8, 5}, false, false, {1, 0, -1}},
        {"the only stream of a type with no frames", {V, A, S}, {0, 12, 0}, false, false, {-1, 1, -1}},
        {"subtitles and video switched off together", {V, A, S}, {4, 4, 4}, false, true, {-1, 1, -1}},
        {"audio switched off", {V, A, S}, {4, 4, 4}, true, false, {0, -1, 2}},
        {"data streams are never played", {D, V}, {50, 3}, false, false, {1, -1, -1}},
        {"a count for a stream beyond the list is ignored", {V}, {1, 9}, false, false, {0, -1, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ChosenStreams got = ChooseStreams(c.types, c.frames, c.disableAudio, c.disableVideo);
        EXPECT_EQ(got.Video, c.want.Video);
        EXPECT_EQ(got.Audio, c.want.Audio);
        EXPECT_EQ(got.Subtitle, c.want.Subtitle);
    }
}

std::vector<PlayerEvent> Drain(EventRing& ring) {
    std::vector<PlayerEvent> out;
    PlayerEvent e;
    while (ring.Take(e))
        out.push_back(e);
    return out;
}

TEST(EventRingTest, BurstOfOneKindCollapsesIntoItsNewest) {
    EventRing ring;
    EXPECT_FALSE(ring.Pending().IsSet());
    for (int i = 1; i <= 5; ++i)
        ring.Put(Position(i * 1000));
    ring.Put(State(psPause));
    ring.Put(State(psResume));
    EXPECT_TRUE(ring.Pending().IsSet());
    const auto events = Drain(ring);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].Position, 5000);
    EXPECT_EQ(events[1].State, psResume);
    EXPECT_FALSE(ring.Pending().IsSet()) << "an empty ring clears the signal";
}

TEST(EventRingTest, PositionBetweenStatesKeepsBothAndAFullRingDropsTheOldest) {
    EventRing ring;
    ring.Put(State(psPause));
    ring.Put(Position(1));
    ring.Put(State(psResume));
    auto events = Drain(ring);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].State, psPause);
    EXPECT_EQ(events[2].State, psResume);

    // Alternating kinds never collapse: ten of them leave the newest nine.
    for (int i = 0; i < 10; ++i)
        ring.Put(i % 2 ? State(psPlay) : Position(i));
    events = Drain(ring);
    ASSERT_EQ(events.size(), 9u);
    EXPECT_EQ(events.front().Kind, PlayerEventKind::State);
    EXPECT_EQ(events.back().Kind, PlayerEventKind::State);
}

PacketPtr Packet(int size, int stream = 0) {
    PacketPtr p = MakePacket();
    av_new_packet(p.get(), size);
    std::memset(p->data, 7, static_cast<size_t>(size));
    p->stream_index = stream;
    return p;
}

TEST(PacketQueueTest, CountsPayloadPlusOverheadAndKeepsTheFlushMarkerInOrder) {
    PacketQueue q;
    q.Put(Packet(100));
    q.PutFlush();
    q.PutEmpty(3);
    EXPECT_EQ(q.Count(), 3);
    EXPECT_EQ(q.Size(), 100 + 3 * PacketQueue::kNodeOverhead);
    QueuedPacket item;
    ASSERT_EQ(q.Get(item, false), 1);
    EXPECT_EQ(item.Packet->size, 100);
    ASSERT_EQ(q.Get(item, false), 1);
    EXPECT_TRUE(item.Flush);
    ASSERT_EQ(q.Get(item, false), 1);
    EXPECT_TRUE(item.IsEndOfFile());
    EXPECT_EQ(item.Packet->stream_index, 3);
    EXPECT_EQ(q.Size(), 0);
    EXPECT_EQ(q.Get(item, false), 0);

    q.Put(Packet(10));
    q.Flush();
    EXPECT_EQ(q.Count(), 0);
    EXPECT_EQ(q.Size(), 0);
}

TEST(PacketQueueTest, KeepsItsOwnCopyOfBorrowedData) {
    PacketQueue q;
    uint8_t borrowed[16] = {1, 2, 3};
    PacketPtr p = MakePacket();
    p->data = borrowed; // no buffer: the data belongs to the caller
    p->size = sizeof borrowed;
    ASSERT_EQ(q.Put(std::move(p)), 0);
    borrowed[0] = 99;
    QueuedPacket item;
    ASSERT_EQ(q.Get(item, false), 1);
    EXPECT_NE(item.Packet->data, borrowed);
    EXPECT_EQ(item.Packet->data[0], 1);
}

TEST(PacketQueueTest, AbortWakesABlockedReader) {
    PacketQueue q;
    int result = 0;
    std::thread reader([&] {
        QueuedPacket item;
        result = q.Get(item, true);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    q.Abort();
    reader.join();
    EXPECT_EQ(result, -1);
    q.Start();
    q.Put(Packet(1));
    QueuedPacket item;
    EXPECT_EQ(q.Get(item, true), 1) << "a restarted queue works again";
}

TEST(DisplayGeometryTest, AspectRuleAndPlacement) {
    const struct {
        double aspectRatio;
        int displayW, displayH;
        AVRational pixelAspect;
        int picW, picH;
        DisplayRect expected;
    } cases[] = {
        // The picture's own aspect: 720x576 with 16:15 pixels shows at 768x576 proportions.
        {0, 1000, 576, {16, 15}, 720, 576, {116, 0, 768, 576}},
        // Unknown pixel aspect counts as square.
        {0, 400, 400, {0, 1}, 320, 240, {0, 50, 400, 300}},
        // Negative fills the whole area.
        {-1, 500, 300, {16, 15}, 720, 576, {0, 0, 500, 300}},
        // A forced square in a wide area, centred.
        {1.0, 800, 600, {16, 15}, 720, 576, {100, 0, 600, 600}},
        // The width rounds down to even; a height that already fits is kept.
        {0, 401, 301, {1, 1}, 320, 240, {0, 0, 400, 301}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.aspectRatio << " " << c.displayW << "x" << c.displayH);
        const double aspect =
            PictureAspect(c.aspectRatio, c.displayW, c.displayH, c.pixelAspect, c.picW, c.picH);
        EXPECT_EQ(FitPicture(c.displayW, c.displayH, aspect), c.expected);
    }
}

TEST(AudioMixTest, VolumeAndMute) {
    const int16_t source[4] = {1000, -1000, 32767, -32768};
    int16_t out[4];
    const struct {
        int volume;
        bool mute;
        int16_t first;
    } cases[] = {{128, false, 1000}, {64, false, 500}, {0, false, 0}, {128, true, 0}};
    for (const auto& c : cases) {
        std::memset(out, 0x55, sizeof out);
        MixSamples(reinterpret_cast<uint8_t*>(out), reinterpret_cast<const uint8_t*>(source), sizeof out,
                   c.volume, c.mute);
        EXPECT_EQ(out[0], c.first) << c.volume << (c.mute ? " muted" : "");
        if (c.volume == 128 && !c.mute) {
            EXPECT_EQ(std::memcmp(out, source, sizeof out), 0) << "full volume leaves the samples unchanged";
        }
    }
}

TEST(SampleConverterTest, AnyFormatBecomesInterleavedSigned16) {
    const struct {
        AVSampleFormat format;
        int channels;
        int outChannels;
    } cases[] = {{AV_SAMPLE_FMT_FLTP, 2, 2}, {AV_SAMPLE_FMT_S32, 1, 1}, {AV_SAMPLE_FMT_FLTP, 6, 2}};
    SampleConverter converter;
    for (const auto& c : cases) {
        SCOPED_TRACE(av_get_sample_fmt_name(c.format));
        FramePtr frame = MakeFrame();
        frame->format = c.format;
        frame->sample_rate = 44100;
        frame->nb_samples = 256;
        av_channel_layout_default(&frame->ch_layout, c.channels);
        ASSERT_GE(av_frame_get_buffer(frame.get(), 0), 0);
        // Half of full scale on every channel.
        for (int ch = 0; ch < (av_sample_fmt_is_planar(c.format) ? c.channels : 1); ++ch)
            for (int i = 0; i < 256 * (av_sample_fmt_is_planar(c.format) ? 1 : c.channels); ++i) {
                if (c.format == AV_SAMPLE_FMT_FLTP)
                    reinterpret_cast<float*>(frame->extended_data[ch])[i] = 0.5f;
                else
                    reinterpret_cast<int32_t*>(frame->extended_data[ch])[i] = 1 << 30;
            }
        std::vector<uint8_t> out;
        std::string error;
        ASSERT_TRUE(converter.Convert(frame.get(), c.outChannels, out, error)) << error;
        ASSERT_EQ(out.size(), 256u * c.outChannels * 2);
        const auto* samples = reinterpret_cast<const int16_t*>(out.data());
        if (c.channels == c.outChannels) {
            EXPECT_NEAR(samples[100], 16384, 2);
        } else
            EXPECT_GT(samples[100], 8000) << "down-mixed, not dropped";
    }
}

} // namespace
} // namespace orvel
