// The generated media must hold what the fixture documentation promises: other tests check
// pixels and stream layouts against it.
#include "fixtures/Fixtures.h"
#include "engine/foundation/AVHandles.h"
#include "engine/pictures/BitmapConverter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace orvel {
namespace {
using fixtures::FixtureId;

InputFormatContextPtr OpenMedia(const std::string& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return nullptr;
    InputFormatContextPtr ctx(raw);
    if (avformat_find_stream_info(ctx.get(), nullptr) < 0) return nullptr;
    return ctx;
}

std::string Layout(const AVFormatContext* ctx) {
    std::string s;
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        s += av_get_media_type_string(ctx->streams[i]->codecpar->codec_type)[0];
    return s;
}

TEST(Fixtures, StreamLayoutsAndDurations) {
    const struct {
        FixtureId id;
        const char* layout; // v(ideo), a(udio), s(ubtitle) in stream order
        const char* format;
    } cases[] = {
        {FixtureId::Mp4, "va", "mov,mp4,m4a,3gp,3g2,mj2"},
        {FixtureId::Avi, "va", "avi"},
        {FixtureId::MkvMulti, "vaas", "matroska,webm"},
        {FixtureId::MpegTs, "va", "mpegts"},
        {FixtureId::Mp3, "a", "mp3"},
        {FixtureId::Wav, "a", "wav"},
        {FixtureId::Mp3Tagged, "a", "mp3"},
        {FixtureId::Mp4Tagged, "va", "mov,mp4,m4a,3gp,3g2,mj2"},
        {FixtureId::NonAscii, "va", "mov,mp4,m4a,3gp,3g2,mj2"},
    };
    for (const auto& c : cases) {
        const std::string path = fixtures::Path(c.id);
        SCOPED_TRACE(path);
        auto ctx = OpenMedia(path);
        ASSERT_TRUE(ctx);
        EXPECT_EQ(Layout(ctx.get()), c.layout);
        EXPECT_STREQ(ctx->iformat->name, c.format);
        EXPECT_NEAR(ctx->duration / double(AV_TIME_BASE), 2.0, 0.15);
    }
}

TEST(Fixtures, TagsAndBrokenFiles) {
    for (FixtureId id : {FixtureId::Mp3Tagged, FixtureId::Mp4Tagged}) {
        auto ctx = OpenMedia(fixtures::Path(id));
        ASSERT_TRUE(ctx);
        const AVDictionaryEntry* title = av_dict_get(ctx->metadata, "title", nullptr, 0);
        ASSERT_TRUE(title);
        EXPECT_STREQ(title->value, "Fixture Title");
    }
    EXPECT_EQ(std::filesystem::file_size(fixtures::Path(FixtureId::Truncated)),
              std::filesystem::file_size(fixtures::Path(FixtureId::Mp4)) / 2);
    EXPECT_FALSE(OpenMedia(fixtures::Path(FixtureId::Truncated)));
    EXPECT_FALSE(OpenMedia(fixtures::Path(FixtureId::NonMedia)));
}

// Decodes frame n of the first video stream into a bitmap.
bool DecodeFrame(const std::string& path, int n, Bitmap24& out) {
    auto ctx = OpenMedia(path);
    if (!ctx) return false;
    const int vs = av_find_best_stream(ctx.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec* codec = avcodec_find_decoder(ctx->streams[vs]->codecpar->codec_id);
    CodecContextPtr dec(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(dec.get(), ctx->streams[vs]->codecpar);
    if (avcodec_open2(dec.get(), codec, nullptr) < 0) return false;
    PacketPtr pkt = MakePacket();
    FramePtr frame = MakeFrame();
    TBitmapConverter conv;
    int seen = 0;
    bool draining = false;
    for (;;) {
        if (!draining) {
            const int r = av_read_frame(ctx.get(), pkt.get());
            if (r < 0) {
                draining = true;
                avcodec_send_packet(dec.get(), nullptr);
            } else {
                if (pkt->stream_index == vs) avcodec_send_packet(dec.get(), pkt.get());
                av_packet_unref(pkt.get());
            }
        }
        int r;
        while ((r = avcodec_receive_frame(dec.get(), frame.get())) == 0)
            if (seen++ == n) return conv.PictureToBitmap(frame.get(), out);
        if (r == AVERROR_EOF) return false;
    }
}

TEST(Fixtures, PicturesFollowTheDocumentedPattern) {
    const int n = 10;
    for (FixtureId id : {FixtureId::Mp4, FixtureId::Avi, FixtureId::MpegTs}) {
        Bitmap24 bmp;
        ASSERT_TRUE(DecodeFrame(fixtures::Path(id), n, bmp));
        ASSERT_EQ(bmp.Width(), 320);
        const fixtures::Rect box = fixtures::BoxRect(n, 320, 240);
        const int bar = 320 / 8;
        // Middle of each bar on the top row, and the middle of the box.
        std::vector<std::pair<int, int>> points;
        for (int b = 0; b < 8; ++b)
            points.push_back({b * bar + bar / 2, 10});
        points.push_back({box.left + box.width / 2, box.top + box.height / 2});
        for (auto [x, y] : points) {
            const auto want = fixtures::ExpectedBgr(n, x, y, 320, 240);
            const uint8_t* got = bmp.Row(y) + x * 3;
            for (int k = 0; k < 3; ++k)
                EXPECT_LE(std::abs(got[k] - want[k]), 12) << "x " << x << " y " << y << " channel " << k;
        }
    }
}

} // namespace
} // namespace orvel
