// The progress window as the batch controller's view, with the real conversion component.
#include "batch/windows/frmProgress.h"

#include "batch/LivePicture.h"
#include "batch/windows/BatchWindowTestSupport.h"

#include <QPixmap>
#include <QTest>

namespace fs = std::filesystem;
using namespace orvel;
using namespace orvel::test;

namespace {

// Long enough that a job is still running when a test presses a button in its first report.
std::string LongClip() {
    fixtures::ClipRecipe r;
    r.container = "avi";
    r.videoCodec = "mpeg4";
    r.audioCodec = "libmp3lame";
    r.seconds = 30;
    return fixtures::Generate(r);
}

class frmProgressTest : public TBatchWindowFixture {
protected:
    void SetUp() override {
        TBatchWindowFixture::SetUp();
        snapshots = std::make_unique<TSnapshotWriter>(*settings, boxes, (root / "kestrune").string());
        window = std::make_unique<TfrmProgress>(jobs, host, *snapshots, boxes);
        controller = std::make_unique<TBatchController>(converter, *store, *settings, jobs, *window, system,
                                                        prompt, boxes, (root / "def").string());
        window->SetController(controller.get());
        converter.SetProgressInterval(100); // reports well before a job's end
    }
    void TearDown() override {
        controller.reset();
        window.reset();
        TBatchWindowFixture::TearDown();
    }
    // Starts the batch and waits for its end.
    int RunBatch() {
        const int started = controller->Start();
        EXPECT_TRUE(WaitUntil([&] { return !controller->Running(); }));
        return started;
    }
    QAbstractButton* Button(const char* name) { return Control<QAbstractButton>(window.get(), name); }
    std::string Label(const char* name) { return Control<QLabel>(window.get(), name)->text().toStdString(); }

    std::unique_ptr<TSnapshotWriter> snapshots;
    std::unique_ptr<TfrmProgress> window;
    std::unique_ptr<TBatchController> controller;
};

TEST_F(frmProgressTest, ShowsEachJobAndClosesAtTheEnd) {
    for (int i = 0; i < 2; ++i)
        jobs.Add(fixtures::Path(fixtures::FixtureId::Avi));
    std::vector<std::string> counters;
    bool modalWhileRunning = false;
    host.OnRowProgress = [&](int, const std::string&) {
        if (counters.empty() || counters.back() != Label("lblProgress"))
            counters.push_back(Label("lblProgress"));
        modalWhileRunning = window->isVisible() && window->windowModality() == Qt::ApplicationModal;
    };
    EXPECT_EQ(RunBatch(), 2);
    EXPECT_EQ(counters, (std::vector<std::string>{"[1/2]", "[2/2]"}));
    EXPECT_TRUE(modalWhileRunning);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(host.Ended, 1);
    EXPECT_EQ(host.PreviewStops, 1);
    EXPECT_EQ(host.RowText, (std::map<int, std::string>{{0, "100%"}, {1, "100%"}}));
    EXPECT_EQ(Control<QProgressBar>(window.get(), "progbarFile")->value(), 100);
    EXPECT_EQ(system.Calls, std::vector<std::string>{"open " + (root / "out").string()});
    EXPECT_FALSE(Label("lblSpeed").empty());
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(frmProgressTest, CancelDuringTheFirstOfThreeJobs) {
    for (int i = 0; i < 3; ++i)
        jobs.Add(LongClip());
    boxes.Answers = {TMsgResult::Yes}; // "Stop the whole batch"
    std::vector<std::string> counters;
    host.OnRowProgress = [&](int, const std::string&) {
        counters.push_back(Label("lblProgress"));
        if (counters.size() == 1) Button("btnCancel")->click(); // while the worker waits in its report
        EXPECT_FALSE(Button("btnPause")->isEnabled());
    };
    EXPECT_EQ(RunBatch(), 3);
    for (const std::string& c : counters)
        EXPECT_EQ(c, "[1/3]");
    for (const auto& [row, text] : host.RowText)
        EXPECT_NE(text, "100%") << row;
    EXPECT_TRUE(system.Calls.empty());
    EXPECT_FALSE(window->isVisible());
    for (const TJobResult& r : controller->Results())
        EXPECT_EQ(r.Outcome, TJobOutcome::Stopped) << r.Row;
    ASSERT_EQ(boxes.Shown.size(), 1u); // the question, and no failure message: a cancel is no failure
    EXPECT_EQ(boxes.Shown[0].Buttons, TMsgButtons::StopGoOn);
}

TEST_F(frmProgressTest, PauseThenCancelEndsThePausedJob) {
    jobs.Add(LongClip());
    jobs.Add(LongClip());
    boxes.Answers = {TMsgResult::Yes};
    int reportsWhilePaused = -1;
    host.OnRowProgress = [&](int, const std::string& text) {
        if (text == "100%") return; // the end of a job: too late to pause it
        if (reportsWhilePaused >= 0) {
            ++reportsWhilePaused;
            return;
        }
        Button("btnPause")->click();
        EXPECT_FALSE(Button("btnPause")->isEnabled());
        EXPECT_TRUE(Button("btnResume")->isEnabled());
        reportsWhilePaused = 0;
        QTimer::singleShot(400, window.get(), [&] { Button("btnCancel")->click(); });
    };
    EXPECT_EQ(RunBatch(), 2);
    EXPECT_LE(reportsWhilePaused, 1); // at most the report already under way
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(system.Calls.empty());
    for (const TJobResult& r : controller->Results())
        EXPECT_EQ(r.Outcome, TJobOutcome::Stopped) << r.Row;
}

TEST_F(frmProgressTest, CloseBoxCancelsAndTheWindowStaysUntilTheBatchEnds) {
    jobs.Add(LongClip());
    boxes.Answers = {TMsgResult::Yes};
    bool visibleAfterClose = false;
    host.OnRowProgress = [&](int, const std::string&) {
        if (!visibleAfterClose) {
            window->close();
            visibleAfterClose = window->isVisible();
        }
    };
    RunBatch();
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(controller->Results()[0].Outcome, TJobOutcome::Stopped);
    EXPECT_TRUE(system.Calls.empty());
}

// Cancel, Esc and the close box ask once whether to stop the whole batch; "Go on" keeps it
// running to its end, and a second press while the question is up asks nothing more.
TEST_F(frmProgressTest, EveryWayToCancelAsksOnceAndGoOnKeepsTheBatch) {
    const std::function<void(TfrmProgress&)> cancel[] = {
        [](TfrmProgress& w) { w.findChild<QPushButton*>("btnCancel")->click(); },
        [](TfrmProgress& w) { QTest::keyClick(&w, Qt::Key_Escape); },
        [](TfrmProgress& w) { w.close(); },
    };
    const char* names[] = {"Cancel", "Esc", "close box"};
    for (int way = 0; way < 3; ++way)
        for (const bool stop : {false, true}) {
            SCOPED_TRACE(std::string(names[way]) + (stop ? ", stop" : ", go on"));
            jobs.Rows.clear();
            jobs.Checked.clear();
            jobs.Add(fixtures::Path(fixtures::FixtureId::Avi));
            boxes.Shown.clear();
            boxes.Answers.clear();
            boxes.OnShow = [&](const TShownBox&) { cancel[way](*window); }; // pressed again meanwhile
            bool asked = false;
            host.OnRowProgress = [&](int, const std::string& text) {
                if (asked || text == "100%") return;
                asked = true;
                boxes.Answers = {stop ? TMsgResult::Yes : TMsgResult::No};
                cancel[way](*window);
            };
            RunBatch();
            boxes.OnShow = nullptr;
            ASSERT_TRUE(asked);
            ASSERT_EQ(boxes.Shown.size(), 1u);
            EXPECT_EQ(boxes.Shown[0].Text, kStopBatchQuestion);
            EXPECT_EQ(boxes.Shown[0].Buttons, TMsgButtons::StopGoOn);
            EXPECT_EQ(controller->Results()[0].Outcome, stop ? TJobOutcome::Stopped : TJobOutcome::Finished);
            EXPECT_FALSE(window->isVisible());
        }
}

TEST_F(frmProgressTest, ShutDownBoxIsKeptAndOpenBoxCheckedAtEveryShow) {
    jobs.Add(fixtures::Path(fixtures::FixtureId::Avi));
    host.OnRowProgress = [&](int, const std::string&) {
        Control<QCheckBox>(window.get(), "ckOpen")->setChecked(false);
        Control<QCheckBox>(window.get(), "ckShutDown")->setChecked(true);
    };
    RunBatch();
    EXPECT_EQ(system.Calls, std::vector<std::string>{"shutdown"}); // the fake: nothing shuts down

    host.OnRowProgress = nullptr;
    ASSERT_EQ(controller->Start(), 1);
    EXPECT_TRUE(Control<QCheckBox>(window.get(), "ckOpen")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(window.get(), "ckShutDown")->isChecked());
    EXPECT_EQ(Label("lblOutput"), "");
    EXPECT_EQ(Control<QProgressBar>(window.get(), "progbarFile")->value(), 0);
    EXPECT_TRUE(WaitUntil([&] { return !controller->Running(); }));
    EXPECT_EQ(system.Calls,
              (std::vector<std::string>{"shutdown", "open " + (root / "out").string(), "shutdown"}));
}

TEST_F(frmProgressTest, FailedJobsAreNamedInOneMessageAtTheEnd) {
    jobs.Add(fixtures::Path(fixtures::FixtureId::NonMedia));
    jobs.Add(fixtures::Path(fixtures::FixtureId::Avi));
    EXPECT_EQ(RunBatch(), 1);
    ASSERT_EQ(host.RowFailure.count(0), 1u);
    EXPECT_FALSE(host.RowFailure[0].empty());
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, "This file was not converted:\n" +
                                       fixtures::Path(fixtures::FixtureId::NonMedia) + ": " +
                                       host.RowFailure[0]);
    EXPECT_EQ(host.RowText[1], "100%");
}

TEST_F(frmProgressTest, AStartWithEveryJobLeftOutStillNamesThem) {
    jobs.Add(fixtures::Path(fixtures::FixtureId::NonMedia));
    EXPECT_EQ(controller->Start(), 0);
    EXPECT_FALSE(window->isVisible());
    window->ShowFailures();
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Caption, "Warning");
    window->ShowFailures(); // once
    EXPECT_EQ(boxes.Shown.size(), 1u);
}

TEST_F(frmProgressTest, LivePictureAndItsSnapshot) {
    host.Frame.SetSize(1920, 1080);
    std::fill(host.Frame.Bits(), host.Frame.Bits() + host.Frame.Stride() * 1080, uint8_t{0}); // black
    window->Timer1Timer();
    const QImage shown = Control<QLabel>(window.get(), "imgPreview")->pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(389, 210));
    EXPECT_EQ(shown.pixelColor(5, 100), kLivePictureBackground); // 8-pixel bars left and right
    EXPECT_EQ(shown.pixelColor(12, 100), QColor(0, 0, 0));
    EXPECT_EQ(shown.pixelColor(384, 100), kLivePictureBackground);

    settings->SetSnapBmp(false);
    Button("imgbtnSnap")->click();
    EXPECT_EQ(QImage(QString::fromStdString((root / "snaps/Snapshot_small.jpg").string())).size(),
              QSize(389, 210));
    EXPECT_EQ(QImage(QString::fromStdString((root / "snaps/Snapshot_full.jpg").string())).size(),
              QSize(1920, 1080));
    EXPECT_TRUE(system.Calls.empty()); // the folder is not opened
}

TEST_F(frmProgressTest, NoPreviewFrameNoPictureNoSnapshot) {
    window->Timer1Timer();
    Button("imgbtnSnap")->click();
    EXPECT_FALSE(fs::exists(root / "snaps"));
    window->show();
    EXPECT_EQ(window->size(), QSize(450, 490));
    EXPECT_EQ(window->windowTitle(), "Progress");
}

} // namespace
