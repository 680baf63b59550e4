#include "app/JobAdder.h"

#include "app/AddFileFilters.h"
#include "app/store/AppSettings.h"
#include "app/store/AppTestSupport.h"
#include "engine/component/FFmpegConverter.h"
#include "fixtures/Fixtures.h"
#include "formats/FormatParams.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace orvel;
using fixtures::FixtureId;

namespace {

class JobAdderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(converter.LoadLibraries(""));
        tmp.Write("def.ini", "[formatInfo1]\nFileExt=mp4\n[formatInfo2706]\nFileExt=ac3\n");
        std::filesystem::create_directories(tmp.Path() / "out");
        settings.SetOutPutDir(tmp.File("out"));
    }
    std::vector<TlvFilesRecord> Add(const std::vector<std::string>& files,
                                    const std::vector<std::string>& rows = {}) {
        return adder.Probe(files, [&](const std::string& p) {
            return std::find(rows.begin(), rows.end(), p) != rows.end();
        });
    }

    test::TTempDir tmp;
    test::TFakeMessageBoxes boxes;
    TFFmpegConverter converter;
    TFormatParamStore formats{tmp.File("def.ini"), tmp.File("set.ini")};
    TAppSettings settings{tmp.File("set.ini")};
    TJobAdder adder{converter, formats, settings, boxes, tmp.File("default")};
};

TEST_F(JobAdderTest, ReadableFilesBecomeJobsAndTheRestIsSkippedSilently) {
    const std::string mp4 = fixtures::Path(FixtureId::Mp4), avi = fixtures::Path(FixtureId::Avi);
    const std::vector<std::string> chosen = {
        fixtures::Path(FixtureId::NonMedia),
        mp4,
        tmp.File("out"),
        mp4,
        fixtures::Path(FixtureId::Truncated),
        tmp.File("missing.avi"),
        avi,
    };
    TIniFile(tmp.File("set.ini")).WriteString("formatInfo1", "parazoom", "pan");
    const auto jobs = Add(chosen);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].SourceFile, mp4);
    EXPECT_EQ(jobs[0].DurationSec, 2);
    EXPECT_EQ(std::filesystem::path(jobs[0].DestFile).filename(), "clip_(new)_ipod.mp4");
    EXPECT_EQ(jobs[0].AddIndex, 1) << "the position in the selection";
    EXPECT_EQ(jobs[0].ZoomMode, "pan");
    EXPECT_EQ(jobs[1].SourceFile, avi);
    EXPECT_EQ(jobs[1].AddIndex, 6);
    EXPECT_TRUE(boxes.Shown.empty());
    EXPECT_EQ(converter.TaskCount(), 0) << "the temporary tasks are gone";

    EXPECT_TRUE(Add({mp4}, {mp4}).empty()) << "a listed file is not added again";
}

// What the window's notice lists, and a Cancel that stops after the current file.
TEST_F(JobAdderTest, UnreadableFilesAreNamedAndCancelStops) {
    const std::string mp4 = fixtures::Path(FixtureId::Mp4), avi = fixtures::Path(FixtureId::Avi);
    const std::string text = fixtures::Path(FixtureId::NonMedia), missing = tmp.File("missing.avi");
    adder.Prepare();
    const TAddOutcome all = adder.Read({text, mp4, tmp.File("out"), missing, avi}, {});
    EXPECT_EQ(all.Jobs.size(), 2u);
    EXPECT_EQ(all.Unreadable, (std::vector<std::string>{text, missing})) << "a folder is no failure";
    EXPECT_FALSE(all.Cancelled);
    EXPECT_EQ(UnreadableFilesNotice(all.Unreadable),
              "These files could not be read as video or audio and were not added:\n" + text + "\n" +
                  missing);

    std::vector<size_t> told;
    const TAddOutcome first = adder.Read({mp4, avi, text}, {}, [&](size_t done, size_t total) {
        told.push_back(done * 10 + total);
        return false;
    });
    ASSERT_EQ(first.Jobs.size(), 1u);
    EXPECT_EQ(first.Jobs[0].SourceFile, mp4);
    EXPECT_TRUE(first.Cancelled);
    EXPECT_EQ(told, std::vector<size_t>{13});
    EXPECT_EQ(converter.TaskCount(), 0);
    EXPECT_TRUE(boxes.Shown.empty()) << "reading shows nothing: it may run on a worker";
}

TEST_F(JobAdderTest, DestinationsFollowTheCurrentFormatAndTheFreeName) {
    settings.SetFormatCode(2706);
    std::ofstream(tmp.File("out/tone_(new)_ipod.ac3")) << "x";
    std::ofstream(tmp.File("out/tone_(new_1)_ipod.ac3")) << "x";
    const auto jobs = Add({fixtures::Path(FixtureId::Mp3)});
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(std::filesystem::path(jobs[0].DestFile).filename(), "tone_(new_2)_ipod.ac3");
    EXPECT_EQ(jobs[0].ZoomMode, "lbox");
}

TEST_F(JobAdderTest, AnUncreatableOutputFolderWarnsOnceThenTheDefaultIsUsed) {
    std::ofstream(tmp.File("file")) << "x";
    settings.SetOutPutDir(tmp.File("file") + "/below");
    const auto jobs = Add({fixtures::Path(FixtureId::Mp4), fixtures::Path(FixtureId::Avi)});
    ASSERT_EQ(jobs.size(), 2u);
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Caption, "Warning");
    EXPECT_EQ(settings.OutPutDir(), tmp.File("default"));
    EXPECT_EQ(std::filesystem::path(jobs[1].DestFile).parent_path(), tmp.File("default"));
}

TEST(AddFileFiltersTest, TheFiltersInTheirOrderAndTheSupportedNames) {
    const auto& filters = AddFileFilters();
    ASSERT_EQ(filters.size(), 36u);
    EXPECT_EQ(filters.front().Name, "All Supported Video Formats");
    EXPECT_EQ(filters[4].Patterns, "*.mpg;*.mpeg");
    EXPECT_EQ(filters[20].Name, "Maceomeida Flash files (*.swf)");
    EXPECT_EQ(filters.back().Name, "All files (*.*)");
    EXPECT_EQ(filters.back().Patterns, "*.*");
    // Every extension a filter names, not only the two "All Supported" lists.
    for (const char* name :
         {"a.avi", "B.MKV", "c.Mp4", "/x/y.flac", "d.AC3", "e.rmvb", "a.gif", "f.m2ts", "g.SPX"})
        EXPECT_TRUE(IsSupportedMediaName(name)) << name;
    for (const char* name : {"a.txt", "noext", "a.avi.bak", ".avi", "a.*"})
        EXPECT_FALSE(IsSupportedMediaName(name)) << name;
}

} // namespace
