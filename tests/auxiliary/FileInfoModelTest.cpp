#include "auxiliary/FileInfoModel.h"

#include "app/OpenFileCheck.h"
#include "app/store/AppTestSupport.h"
#include "engine/foundation/FFmpegLoader.h"
#include "engine/foundation/FFmpegLogger.h"
#include "fixtures/Fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

using namespace orvel;
namespace fs = std::filesystem;

namespace {

class FileInfoModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FFLoader().Load(kConverterLibraries)) << FFLoader().LastError();
        FFLogger().SetTriggerEventInMainThread(false);
        FFLogger().SetLogLevel(llInfo);
        FFLogger().SetOnLog([this](const void* sender, uint32_t, TLogLevel, const std::string& text) {
            std::lock_guard lock(mutex);
            if (sender != &FFLogger()) logged.push_back(text);
        });
    }
    void TearDown() override {
        FFLogger().SetOnLog(nullptr);
        FFLogger().SetTriggerEventInMainThread(true);
    }
    bool Logged(const std::string& text) {
        std::lock_guard lock(mutex);
        return std::find(logged.begin(), logged.end(), text) != logged.end();
    }

    TFileInfoModel model{FFLoader().LibraryFolder()};
    std::mutex mutex;
    std::vector<std::string> logged;
};

TFileInfoView ViewOfClip() {
    TFileInfoView v;
    v.Format = "mov,mp4,m4a,3gp,3g2,mj2";
    v.Resolution = "320x240";
    v.FrameRate = "25";
    v.TotalFrame = "1";
    v.SampleRate = "44100";
    v.Channel = "2";
    return v;
}

} // namespace

TEST(FileInfoTexts, RowShortNameDurationAndAudioCodec) {
    EXPECT_EQ(FileInfoRow(0, -1), -1);
    EXPECT_EQ(FileInfoRow(3, -1), 0); // rows but none selected: the first row's file
    EXPECT_EQ(FileInfoRow(3, 2), 2);

    std::string umlauts = "/"; // 45 characters in 89 bytes
    for (int i = 0; i < 44; ++i)
        umlauts += "\xC3\xA4";
    const struct {
        std::string path, shown;
    } names[] = {
        {"home/user/videos/holiday/clip-number-0001.mp4", "home/user/videos/holiday/clip-number-0001.mp4"},
        {"/home/user/videos/holiday/clip-number-0001.mp4",
         "/home/user/videos/holiday/clip-number-00...mp4  "},
        {"/home/user/videos.d/holiday/clip-number-0001x", "/home/user/videos.d/holiday/clip-number-0001x"},
        // No extension in the file name: the folder's dot does not count.
        {"/home/user/videos.d/holiday/clip-number-0001xy", "/home/user/videos.d/holiday/clip-number-..  "},
        // Characters are counted, not bytes, and none is cut in two.
        {umlauts, umlauts},
        {umlauts + "\xC3\xA4.avi", umlauts.substr(0, 1 + 39 * 2) + "...avi  "},
    };
    for (const auto& c : names)
        EXPECT_EQ(ShortSourceName(c.path), c.shown) << c.path;

    EXPECT_EQ(DurationSecondsText(123456789), "123.456 Second");
    EXPECT_EQ(DurationSecondsText(2000000), "2.000 Second");
    EXPECT_EQ(DurationSecondsText(45678), "0.045 Second");

    EXPECT_EQ(AudioCodecOfInfoText("Input #0\r\n  Stream #0, 1/44100: Audio: mp3, 44100 Hz, stereo\r\n"),
              "mp3");
    EXPECT_EQ(AudioCodecOfInfoText("Stream #1: Audio: aac (LC) (mp4a / 0x6134706D), 44100 Hz"),
              "aac (LC) (mp4a / 0x6134706D)");
    EXPECT_EQ(AudioCodecOfInfoText("Stream #0: Video: h264, 320x240"), "");
    EXPECT_EQ(AudioCodecOfInfoText("Stream #0: Audio: pcm"), ""); // no comma follows
}

TEST_F(FileInfoModelTest, FileWithVideoAndAudio) {
    const std::string path = fixtures::Path(fixtures::FixtureId::Mp4);
    EXPECT_EQ(model.FormShow(path), "");
    TFileInfoView expected = ViewOfClip();
    expected.SourceName = ShortSourceName(path);
    expected.FileLength = model.View().FileLength;
    expected.BitRate = model.View().BitRate;
    expected.AudioBitRate = model.View().AudioBitRate;
    expected.AudioFormat = "aac (LC) (mp4a / 0x6134706D)";
    EXPECT_EQ(model.View(), expected);
    EXPECT_EQ(model.View().FileLength.rfind("2.0", 0), 0u) << model.View().FileLength;
    EXPECT_GT(std::stoi(model.View().BitRate), 0);
    EXPECT_GT(std::stoi(model.View().AudioBitRate), 0);
    // How deep the fixture folder lies depends on where the tree was checked out.
    if (path.size() > 45)
        EXPECT_EQ(model.View().SourceName, path.substr(0, 40) + "...mp4  ");
    else
        EXPECT_EQ(model.View().SourceName, path);
}

// After a file with video, neither an audio-only file nor an unreadable one may show that
// file's facts beside its own name.
TEST_F(FileInfoModelTest, EachFileShowsOnlyItsOwnFactsNotThoseOfTheFileBefore) {
    const std::string mp3 = fixtures::Path(fixtures::FixtureId::Mp3);
    ASSERT_EQ(model.FormShow(fixtures::Path(fixtures::FixtureId::Mp4)), "");
    ASSERT_EQ(model.FormShow(mp3), "");
    TFileInfoView expected;
    expected.SourceName = ShortSourceName(mp3);
    expected.FileLength = model.View().FileLength;
    expected.Format = "mp3";
    expected.AudioFormat = model.View().AudioFormat;
    expected.AudioBitRate = model.View().AudioBitRate;
    expected.SampleRate = model.View().SampleRate;
    expected.Channel = model.View().Channel;
    EXPECT_EQ(model.View(), expected);
    EXPECT_EQ(model.View().AudioFormat.rfind("mp3", 0), 0u) << model.View().AudioFormat;
    EXPECT_NE(model.View().FileLength, "");
    EXPECT_NE(model.View().SampleRate, "");

    ASSERT_EQ(model.FormShow(fixtures::Path(fixtures::FixtureId::Mp4)), "");
    EXPECT_NE(model.FormShow(fixtures::Path(fixtures::FixtureId::NonMedia)), "");
    EXPECT_EQ(model.View(), TFileInfoView{});
}

TEST_F(FileInfoModelTest, VideoOnlyFileEmptiesTheAudioEditsAndLogsTheAudioCheck) {
    ASSERT_EQ(model.FormShow(fixtures::Path(fixtures::FixtureId::Mp4)), "");
    fixtures::ClipRecipe recipe;
    recipe.audioCodec.clear();
    const std::string path = fixtures::Generate(recipe);
    ASSERT_EQ(model.FormShow(path), "");
    TFileInfoView expected = ViewOfClip();
    expected.SourceName = ShortSourceName(path);
    expected.FileLength = model.View().FileLength;
    expected.BitRate = model.View().BitRate;
    expected.SampleRate.clear();
    expected.Channel.clear();
    EXPECT_EQ(model.View(), expected);
    EXPECT_TRUE(Logged("stream index #-1 is invalid."));
}

TEST_F(FileInfoModelTest, NtscFrameRateShowsBothTerms) {
    fixtures::ClipRecipe recipe;
    recipe.fps = 30000;
    recipe.fpsDen = 1001;
    recipe.seconds = 1.0;
    ASSERT_EQ(model.FormShow(fixtures::Generate(recipe)), "");
    EXPECT_EQ(model.View().FrameRate, "30000");
    EXPECT_EQ(model.View().TotalFrame, "1001");
}

TEST_F(FileInfoModelTest, EmptyListChangesOnlyTheLabels) {
    ASSERT_EQ(model.FormShow(fixtures::Path(fixtures::FixtureId::Mp4)), "");
    TFileInfoView before = model.View();
    EXPECT_EQ(model.FormShow(std::nullopt), "");
    before.SourceName.clear();
    before.FileLength.clear();
    EXPECT_EQ(model.View(), before);
}

TEST_F(FileInfoModelTest, UnreadableFileIsReportedAndShowsNothing) {
    test::TTempDir tmp;
    tmp.Write("gone.mp4", "");
    EXPECT_NE(model.FormShow(tmp.File("missing.mp4")), "");
    EXPECT_NE(model.FormShow(fixtures::Path(fixtures::FixtureId::NonMedia)), "");
    EXPECT_EQ(model.View(), TFileInfoView{});
}

TEST_F(FileInfoModelTest, ClosingReleasesTheFile) {
    test::TTempDir tmp;
    const fs::path file = tmp.File("clip.mp4");
    fs::copy_file(fixtures::Path(fixtures::FixtureId::Mp4), file);
    ASSERT_EQ(model.FormShow(file.string()), "");
    EXPECT_TRUE(test::OpenInThisProcess(file));
    model.FormCloseQuery();
    EXPECT_FALSE(test::OpenInThisProcess(file));
    EXPECT_EQ(model.Converter().TaskCount(), 0);
    fs::rename(file, tmp.File("moved.mp4"));
    EXPECT_TRUE(fs::exists(tmp.File("moved.mp4")));
    // The window shows the file again at its next showing.
    EXPECT_EQ(model.FormShow(tmp.File("moved.mp4")), "");
    EXPECT_EQ(model.View().Resolution, "320x240");
}
