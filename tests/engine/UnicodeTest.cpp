#include "engine/foundation/AVHandles.h"
#include "engine/foundation/UnicodeProtocol.h"
#include "fixtures/Fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orvel {
namespace {
namespace fs = std::filesystem;

std::string ErrorText(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

TEST(UnicodeAddress, WhichNamesAreWrapped) {
    const struct {
        const char* name;
        bool wrapped;
    } cases[] = {
        {"/home/user/clip.mp4", false},
        {"/home/user/clip-\xC3\x84\xC3\x96\xC3\xBC.mp4", true},
        {"\xE6\x97\xA5\xE6\x9C\xAC.avi", true},
        {"http://example.org/\xC3\xA4.mp4", false}, // network names are never wrapped
        {"udp://239.0.0.1:1234/\xC3\xA4", false},
        {"pipe:\xC3\xA4", false},
        {"unicode:utf8:/x/\xC3\xA4", false}, // already an address
        {"file:/x/\xC3\xA4.mp4", true},      // not a network scheme
        {":\xC3\xA4", true},                 // a colon first is no scheme
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NeedsUnicodeProtocol(c.name), c.wrapped) << c.name;
        const std::string url = LibraryUrl(c.name);
        EXPECT_EQ(url, c.wrapped ? std::string("unicode:utf8:") + c.name : std::string(c.name));
        if (c.wrapped) {
            EXPECT_EQ(FileNameOfUrl(url), c.name);
        }
    }
}

// Inputs are opened by their own name wherever the libraries can open it, so that formats
// opening files beside it find them; only a name the libraries would read as an unknown protocol
// is wrapped.
TEST(UnicodeAddress, InputAddresses) {
    const struct {
        const char* name;
        bool wrapped;
    } cases[] = {
        {"/home/user/clip.mp4", false},
        {"/home/user/clip-\xC3\x84\xC3\x96\xC3\xBC.m3u8", false},
        {"\xE6\x97\xA5\xE6\x9C\xAC.avi", false},
        {"file:/x/\xC3\xA4.mp4", false},
        {"http://example.org/\xC3\xA4.mp4", false},
        {"unicode:utf8:/x/\xC3\xA4", false}, // already an address
        {"take:2.avi", true},                // relative name with a colon: no such protocol
        {"t\xC3\xA4ke:2.avi", false},        // not scheme characters: a file name to the libraries
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InputUrl(c.name), c.wrapped ? std::string("unicode:utf8:") + c.name : std::string(c.name))
            << c.name;
}

TEST(UnicodeAddress, RecognisingAndCutting) {
    EXPECT_FALSE(IsUnicodeUrl("unicode:utf8:")) << "an address needs a name";
    EXPECT_TRUE(IsUnicodeUrl("unicode:utf8:a"));
    EXPECT_FALSE(IsUnicodeUrl("Unicode:utf8:a"));
    EXPECT_FALSE(IsUnicodeUrl("unicode:utf16:a"));
    EXPECT_EQ(FileNameOfUrl("unicode:utf8:/a:b/c"), "/a:b/c");

    // 3-byte characters: the cut may not split one.
    std::string longName = "/";
    while (longName.size() < 3000)
        longName += "\xE6\x97\xA5";
    const std::string url = LibraryUrl(longName);
    EXPECT_LE(url.size(), 2047u);
    EXPECT_GE(url.size(), 2045u);
    EXPECT_EQ((url.size() - 14) % 3, 0u) << "cut inside a character";
}

// Copies every packet of an input into a new file of the given container.
void Remux(AVFormatContext* in, const std::string& outName, const char* container) {
    AVFormatContext* raw = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, container, nullptr), 0);
    OutputFormatContextPtr out(raw);
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        AVStream* st = avformat_new_stream(out.get(), nullptr);
        ASSERT_GE(avcodec_parameters_copy(st->codecpar, in->streams[i]->codecpar), 0);
        st->codecpar->codec_tag = 0;
        st->time_base = in->streams[i]->time_base;
    }
    ASSERT_GE(OpenOutputIO(&out->pb, outName, AVIO_FLAG_WRITE), 0);
    ASSERT_GE(avformat_write_header(out.get(), nullptr), 0);
    PacketPtr pkt = MakePacket();
    while (av_read_frame(in, pkt.get()) >= 0) {
        av_packet_rescale_ts(pkt.get(), in->streams[pkt->stream_index]->time_base,
                             out->streams[pkt->stream_index]->time_base);
        ASSERT_GE(av_interleaved_write_frame(out.get(), pkt.get()), 0);
    }
    ASSERT_GE(av_write_trailer(out.get()), 0);
    EXPECT_EQ(CloseIO(&out->pb), 0);
    EXPECT_EQ(out->pb, nullptr);
}

TEST(UnicodeAddress, NonAsciiFileRoundTripThroughAddresses) {
    const std::string source = fixtures::Path(fixtures::FixtureId::NonAscii);
    ASSERT_TRUE(NeedsUnicodeProtocol(source));
    const std::string copy = fixtures::Dir() + "/copy-\xC3\xA9\xE6\x97\xA5.mp4";
    fs::remove(copy);
    {
        AVFormatContext* raw = nullptr;
        ASSERT_EQ(OpenInput(&raw, LibraryUrl(source), nullptr, nullptr), 0);
        InputFormatContextPtr in(raw);
        EXPECT_EQ(OpenUnicodeFileCount(), 1);
        ASSERT_GE(avformat_find_stream_info(in.get(), nullptr), 0);
        EXPECT_EQ(in->nb_streams, 2u);
        EXPECT_EQ(FileNameOfUrl(in->url), source);
        // mp4 writing seeks back to the start for its index, which exercises the seek path.
        Remux(in.get(), LibraryUrl(copy), "mp4");
    }
    EXPECT_EQ(OpenUnicodeFileCount(), 0) << "closing the input closes the file";

    AVFormatContext* raw = nullptr;
    ASSERT_EQ(OpenInput(&raw, LibraryUrl(copy), nullptr, nullptr), 0);
    InputFormatContextPtr back(raw);
    ASSERT_GE(avformat_find_stream_info(back.get(), nullptr), 0);
    EXPECT_EQ(back->nb_streams, 2u);
    EXPECT_NEAR(back->duration / double(AV_TIME_BASE), 2.0, 0.15);
    back.reset();
    EXPECT_EQ(OpenUnicodeFileCount(), 0);
}

TEST(UnicodeAddress, PlainNamesAndAddressesFailAlikeOnMissingFiles) {
    const std::string missing = fixtures::Dir() + "/missing-\xC3\xA4.mp4";
    for (const std::string& name : {missing, LibraryUrl(missing)}) {
        AVFormatContext* ctx = nullptr;
        const int r = OpenInput(&ctx, name, nullptr, nullptr);
        EXPECT_EQ(ErrorText(r), "No such file or directory") << name;
        EXPECT_EQ(ctx, nullptr);
        AVIOContext* pb = nullptr;
        EXPECT_EQ(ErrorText(OpenOutputIO(&pb, name, AVIO_FLAG_READ)), "No such file or directory");
        EXPECT_EQ(CloseIO(&pb), 0);
    }
    // A file that is not media, through an address: a clean failure and no open file left.
    AVFormatContext* ctx = nullptr;
    EXPECT_LT(OpenInput(&ctx, LibraryUrl(fixtures::Path(fixtures::FixtureId::NonMedia) + "\xC3\xA4"), nullptr,
                        nullptr),
              0);
    EXPECT_EQ(OpenUnicodeFileCount(), 0);
}

TEST(UnicodeAddress, ByteIoReadsWritesSeeksAndReportsSize) {
    const std::string url = LibraryUrl(fixtures::Dir() + "/bytes-\xC3\xBC.bin");
    AVIOContext* pb = nullptr;
    ASSERT_EQ(OpenOutputIO(&pb, url, AVIO_FLAG_WRITE), 0);
    avio_write(pb, reinterpret_cast<const unsigned char*>("0123456789"), 10);
    ASSERT_EQ(CloseIO(&pb), 0);

    ASSERT_EQ(OpenOutputIO(&pb, url, AVIO_FLAG_READ), 0);
    EXPECT_EQ(avio_size(pb), 10);
    EXPECT_EQ(avio_seek(pb, 6, SEEK_SET), 6);
    unsigned char buf[8] = {};
    EXPECT_EQ(avio_read(pb, buf, 8), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 4), "6789");
    EXPECT_EQ(avio_read(pb, buf, 8), AVERROR_EOF);
    EXPECT_EQ(CloseIO(&pb), 0);
}

} // namespace
} // namespace orvel
