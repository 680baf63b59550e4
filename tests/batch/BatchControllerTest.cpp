// The batch controller against the real conversion component and generated clips.
#include "batch/BatchController.h"
#include "app/store/AppSettings.h"
#include "batch/FakeSystemActions.h"
#include "engine/component/MainThreadDispatcher.h"
#include "fixtures/Fixtures.h"
#include "formats/FormatParams.h"
#include "formats/OptionBuilder.h"
#include "probe/AVProbe.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace orvel;

namespace {

TEST(BatchProgressTexts, FromTheEngineFigures) {
    struct Case {
        int64_t current, total, size;
        int percent;
        std::string time, length, size_, row;
    };
    const std::vector<Case> cases = {
        {2500000, 10000000, 123456, 25, "2 Second", "10 Second", "123 kb", "25%"},
        {10200000, 10000000, 999, 100, "10 Second", "10 Second", "0 kb", "100%"}, // past the estimate
        {3000000, -1, 5000, -1, "3 Second", "", "5 kb", ""},                      // unknown total
    };
    for (const Case& c : cases) {
        TProgressInfo info;
        info.TaskIndex = 1;
        info.CurrentDuration = c.current;
        info.TotalDuration = c.total;
        info.CurrentSize = c.size;
        const TBatchProgress p = TBatchController::ProgressTexts(info, 3, "/v/clip.avi");
        EXPECT_EQ(p.Percent, c.percent);
        EXPECT_EQ(p.Time, c.time);
        EXPECT_EQ(p.Length, c.length);
        EXPECT_EQ(p.Size, c.size_);
        EXPECT_EQ(p.RowText, c.row);
        EXPECT_EQ(p.Counter, "[2/3]");
    }
}

TEST(BatchProgressTexts, LongNamesAreShortenedKeepingTheExtension) {
    const std::string fifty(46, 'a');
    EXPECT_EQ(TBatchController::ShortFileName(fifty + ".avi"), fifty + ".avi"); // 50 characters
    const std::string long51 = std::string(47, 'b') + ".avi";
    EXPECT_EQ(TBatchController::ShortFileName(long51), std::string(44, 'b') + "...avi");
    // Characters, not bytes: a shortened UTF-8 name never ends inside a character.
    std::string wide;
    for (int i = 0; i < 50; ++i)
        wide += "\xC3\xA4";
    EXPECT_EQ(TBatchController::ShortFileName(wide + ".mp4").size(), 44 * 2 + 2 + 4u);
}

class Jobs : public IBatchJobs {
public:
    std::vector<TlvFilesRecord> rows;
    std::vector<bool> checked;
    int JobCount() const override { return static_cast<int>(rows.size()); }
    bool JobChecked(int row) const override { return checked[static_cast<size_t>(row)]; }
    TlvFilesRecord& Job(int row) override { return rows[static_cast<size_t>(row)]; }
};

class RecordingView : public IBatchView {
public:
    std::vector<std::string> events;
    std::map<int, std::string> rowText;
    bool openFolder = true;
    void BatchStarted(int n) override { events.push_back("started " + std::to_string(n)); }
    void ShowProgress(const TBatchProgress&) override {}
    void SetRowProgress(int row, const std::string& text) override { rowText[row] = text; }
    void JobFinished(int t, int row) override {
        events.push_back("finished " + std::to_string(t) + "->" + std::to_string(row));
    }
    void JobStopped(int t, int row, bool failed, const std::string&) override {
        events.push_back((failed ? "failed " : "stopped ") + std::to_string(t) + "->" + std::to_string(row));
    }
    void JobSkipped(int row, const std::string& message) override {
        events.push_back("skipped " + std::to_string(row));
        skipMessage = message;
    }
    void JobOutsideDevice(int row, const std::string& note) override { notes[row] = note; }
    void BatchEnded() override { events.push_back("ended"); }
    bool OpenFolderAfterConversion() const override { return openFolder; }
    bool ShutDownAfterConversion() const override { return true; }
    std::string skipMessage;
    std::map<int, std::string> notes;
};

class NoPrompt : public ISizePrompt {
public:
    bool UseDefaultSize() override { return true; }
};
class SilentBoxes : public IMessageBoxes {
public:
    TMsgResult Show(const std::string&, const std::string&, TMsgIcon, TMsgButtons) override {
        return TMsgResult::Ok;
    }
};

class BatchRun : public ::testing::Test {
protected:
    void SetUp() override {
        SetMainThreadDispatcher(&dispatcher);
        root = fs::path(ORVEL_BINARY_DIR) / ("batch-run-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "out");
        settings = std::make_unique<TAppSettings>((root / "settings.ini").string());
        settings->SetOutPutDir((root / "out").string());
        settings->SetFormatCode(803); // AVI
        store = std::make_unique<TFormatParamStore>(
            std::string(ORVEL_SOURCE_DIR) + "/data/orvelvideoformat.ini", settings->Ini().FileName());
        store->Reset(803);
        ASSERT_TRUE(converter.LoadLibraries(""));
    }
    void TearDown() override {
        controller.reset();
        SetMainThreadDispatcher(nullptr);
        fs::remove_all(root);
    }
    void Add(const std::string& path, bool check) {
        TlvFilesRecord r;
        r.SourceFile = path;
        jobs.rows.push_back(r);
        jobs.checked.push_back(check);
    }
    void RunToEnd() {
        controller = std::make_unique<TBatchController>(converter, *store, *settings, jobs, view, system,
                                                        prompt, boxes, (root / "def").string());
        started = controller->Start();
        EXPECT_TRUE(dispatcher.ServeUntil([&] { return !controller->Running(); }, 120000));
    }

    QueuedDispatcher dispatcher;
    fs::path root;
    std::unique_ptr<TAppSettings> settings;
    std::unique_ptr<TFormatParamStore> store;
    TFFmpegConverter converter;
    Jobs jobs;
    RecordingView view;
    test::TFakeSystemActions system;
    NoPrompt prompt;
    SilentBoxes boxes;
    std::unique_ptr<TBatchController> controller;
    int started = -1;
};

TEST_F(BatchRun, NothingCheckedStartsNothing) {
    Add(fixtures::Path(fixtures::FixtureId::Avi), false);
    RunToEnd();
    EXPECT_EQ(started, 0);
    EXPECT_TRUE(view.events.empty());
    EXPECT_TRUE(system.Calls.empty());
}

TEST_F(BatchRun, CheckedRowsBecomeTasksInListOrderAndUnreadableOnesAreSkipped) {
    const std::string avi = fixtures::Path(fixtures::FixtureId::Avi);
    Add(avi, true);                                           // row 0 -> task 0
    Add(fixtures::Path(fixtures::FixtureId::Mp4), false);     // row 1 unchecked
    Add(fixtures::Path(fixtures::FixtureId::NonMedia), true); // row 2 skipped
    Add(fixtures::Path(fixtures::FixtureId::Mp4), true);      // row 3 -> task 1
    jobs.rows[3].TrimStart = 500000;
    jobs.rows[3].TrimLength = 1000000;
    jobs.rows[3].Brightness = 300;
    Add(avi, true); // row 4 -> task 2
    RunToEnd();

    EXPECT_EQ(started, 3);
    EXPECT_EQ(controller->TaskItems().Rows(), (std::vector<int>{0, 3, 4}));
    EXPECT_EQ(view.events, (std::vector<std::string>{"skipped 2", "started 3", "finished 0->0",
                                                     "finished 1->3", "finished 2->4", "ended"}));
    EXPECT_NE(view.skipMessage.find("not-media.avi"), std::string::npos);
    EXPECT_EQ(view.rowText[4], "100%");
    EXPECT_EQ(system.Calls, (std::vector<std::string>{"open " + (root / "out").string(), "shutdown"}));

    const auto results = controller->Results();
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[1].Outcome, TJobOutcome::Skipped);
    EXPECT_EQ(results[0].Destination, (root / "out" / "clip_(new).avi").string());
    // Three sources named "clip" in one start: three different outputs.
    EXPECT_EQ(results[2].Destination, (root / "out" / "clip_(new_1).avi").string());
    EXPECT_EQ(results[3].Destination, (root / "out" / "clip_(new_2).avi").string());
    for (const auto& r : results)
        if (r.Outcome != TJobOutcome::Skipped) {
            EXPECT_GT(fs::file_size(r.Destination), 0u) << r.Destination;
        }

    // The trimmed job stops after its trimmed length.
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(results[2].Destination));
    TFileStreamInfo info;
    ASSERT_TRUE(probe.GetFileStreamInfo(info));
    EXPECT_NEAR(info.Duration / 1e6, 1.0, 0.2);
}

// A stored size the format's device cannot show still converts at that size; the job's row
// says the device may not play it. The format's own defaults say nothing.
TEST_F(BatchRun, ChoiceOutsideTheDeviceWinsAndTheRowSaysSo) {
    struct Case {
        const char* Size;
        const char* Note; // empty: none
    };
    const Case cases[] = {
        {nullptr, ""},
        {"1280x720", "The device may not play this output: frame 1280x720 above 720x576."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Size ? c.Size : "defaults");
        if (c.Size) settings->Ini().WriteString("formatInfo803", "paraVideoSize", c.Size);
        controller.reset(); // one controller listens to the converter at a time
        jobs = Jobs();
        view = RecordingView();
        Add(fixtures::Path(fixtures::FixtureId::Avi), true);
        RunToEnd();
        ASSERT_EQ(started, 1);
        EXPECT_EQ(view.notes.count(0) ? view.notes[0] : "", c.Note);
        const auto results = controller->Results();
        ASSERT_EQ(results.size(), 1u);
        TAVProbe probe;
        ASSERT_TRUE(probe.LoadFile(results[0].Destination));
        TVideoStreamInfo video;
        ASSERT_TRUE(probe.GetVideoStreamInfo(-1, video));
        EXPECT_EQ(std::to_string(video.Width) + "x" + std::to_string(video.Height),
                  c.Size ? c.Size : "320x240");
        fs::remove(results[0].Destination);
    }
}

TEST_F(BatchRun, CancelledLastJobOpensNothing) {
    Add(fixtures::Path(fixtures::FixtureId::Avi), true);
    view.openFolder = true;
    controller = std::make_unique<TBatchController>(converter, *store, *settings, jobs, view, system, prompt,
                                                    boxes, (root / "def").string());
    converter.Pause();
    ASSERT_EQ(controller->Start(), 1);
    controller->Cancel();
    EXPECT_TRUE(dispatcher.ServeUntil([&] { return !controller->Running(); }, 60000));
    EXPECT_TRUE(system.Calls.empty());
    EXPECT_EQ(view.events.back(), "ended");
}

} // namespace
