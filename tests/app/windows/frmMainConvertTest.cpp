// Converting from the main window: Start through the batch controller with the real
// conversion component, the progress window over the window, and what the rows show after.
#include "MainWindowTest.h"

#include "app/windows/JobListPart.h"
#include "batch/windows/frmProgress.h"
#include "fixtures/Fixtures.h"
#include "formats/windows/CatalogPanel.h"
#include "player/PlayerArbiter.h"
#include "probe/AVProbe.h"
#include "ui/QtMainThreadDispatcher.h"

#include <QElapsedTimer>

#include <filesystem>

using namespace orvel;
using fixtures::FixtureId;
namespace fs = std::filesystem;

namespace {

using test::WaitUntil;

bool HasPicture(const QImage& image) {
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            if (image.pixelColor(x, y) != QColor(166, 202, 240)) return true;
    return false;
}

class frmMainConvertTest : public test::TMainWindowTest {
protected:
    void SetUp() override {
        SetMainThreadDispatcher(&dispatcher);
        fs::create_directories(tmp.Path() / "out");
        Settings("OutPutDir=" + tmp.File("out") + "\n");
        fs::copy_file(ORVEL_BINARY_DIR "/orvelvideoformat.ini", paths.FormatIniPath);
        ASSERT_TRUE(converter.LoadLibraries(""));
        converter.SetProgressInterval(100); // several reports per fixture
        w = Create();
        w->show();
    }
    void TearDown() override {
        w->ExitWithoutAsking = true;
        w->close();
        w.reset();
        SetMainThreadDispatcher(nullptr);
    }
    template <class T> T* C(const char* name) { return test::Control<T>(w.get(), name); }
    static TfrmProgress* Progress() {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<TfrmProgress*>(top)) return progress;
        return nullptr;
    }
    QString RowText(int row, int column) {
        return C<QTreeView>("lvFiles")->model()->index(row, column).data().toString();
    }
    // Opens the catalog and presses the entry of code, expanding categories on the way.
    void Uncheck(int row) {
        QAbstractItemModel* list = C<QTreeView>("lvFiles")->model();
        list->setData(list->index(row, 0), Qt::Unchecked, Qt::CheckStateRole);
    }
    void ChooseFormat(int code) {
        auto* catalog = C<TCatalogPanel>("CatalogPanel");
        catalog->imgbtn1->click();
        for (int round = 0; round < 2; ++round) {
            const auto rows = catalog->Model().View().Rows;
            for (size_t i = 0; i < rows.size(); ++i)
                if (!rows[i].IsCategory && rows[i].Code == code) {
                    catalog->Model().lst1MouseDown(static_cast<int>(i), 60);
                    catalog->Fill(); // the box and the selectors show the stored choice
                    return;
                }
            for (size_t i = rows.size(); i-- > 0;)
                if (rows[i].IsCategory && rows[i].Collapsed)
                    catalog->Model().lst1DblClick(static_cast<int>(i));
        }
        FAIL() << "no catalog entry " << code;
    }

    QtMainThreadDispatcher dispatcher;
    std::unique_ptr<TfrmMain> w;
};

TEST_F(frmMainConvertTest, StartConvertsTheCheckedRows) {
    const std::vector<std::string> sources = {fixtures::Path(FixtureId::Avi), fixtures::Path(FixtureId::Mp4),
                                              fixtures::Path(FixtureId::MpegTs)};
    openDialog.Answers = {sources};
    C<QPushButton>("btnAdd")->click();
    ASSERT_EQ(w->JobList().RowCount(), 3);
    Uncheck(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(RowText(0, 3), "clip_(new).mp4") << "the default format's file, not the add-time name";
    ChooseFormat(803); // AVI
    ASSERT_EQ(settings.FormatCodeForJobs(), 803);
    QCoreApplication::processEvents();
    // The column follows the format, and the checked rows of one name get the names Start gives.
    const std::set<QString> announced = {RowText(0, 3), RowText(2, 3)};
    EXPECT_EQ(announced, (std::set<QString>{"clip_(new).avi", "clip_(new_1).avi"}));

    C<QPushButton>("btnStart")->click();
    TfrmProgress* progress = Progress();
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), progress);
    EXPECT_FALSE(C<QPushButton>("btnStart")->isEnabled());

    std::set<std::string> counters;
    bool picture = false;
    bool tourWritten = false;
    ASSERT_TRUE(WaitUntil([&] {
        counters.insert(test::Control<QLabel>(progress, "lblProgress")->text().toStdString());
        progress->Timer1Timer();
        picture = picture || HasPicture(progress->LiveImage());
        // The window tour's picture: the live picture with the first report's figures.
        if (picture && !tourWritten && !test::Control<QLabel>(progress, "lblSpeed")->text().isEmpty())
            tourWritten = test::SaveTourScreen(*progress, "frmProgress");
        return !progress->isVisible();
    }));
    EXPECT_TRUE(counters.count("[1/2]"));
    EXPECT_TRUE(counters.count("[2/2]"));
    EXPECT_TRUE(picture);
    EXPECT_TRUE(tourWritten);

    EXPECT_EQ(RowText(0, 4), "100%");
    EXPECT_EQ(RowText(1, 4), "");
    EXPECT_EQ(RowText(2, 4), "100%");
    EXPECT_TRUE(C<QPushButton>("btnStart")->isEnabled());
    EXPECT_EQ(system.Calls, std::vector<std::string>{"open " + tmp.File("out")});
    EXPECT_TRUE(boxes.Shown.empty());

    int outputs = 0;
    std::set<QString> written;
    for (const auto& entry : fs::directory_iterator(tmp.Path() / "out")) {
        ++outputs;
        written.insert(QString::fromStdString(entry.path().filename().string()));
        TAVProbe probe;
        ASSERT_TRUE(probe.LoadFile(entry.path().string())) << entry.path();
        TFileStreamInfo info;
        ASSERT_TRUE(probe.GetFileStreamInfo(info));
        EXPECT_NE(probe.FormatName().find("avi"), std::string::npos);
        EXPECT_NEAR(info.Duration / 1e6, 2.0, 0.3) << entry.path();
        EXPECT_GE(probe.VideoStreamCount(), 1) << entry.path();
        EXPECT_GE(probe.AudioStreamCount(), 1) << entry.path();
    }
    EXPECT_EQ(outputs, 2);
    EXPECT_EQ(written, announced) << "the column named the files written";
    QCoreApplication::processEvents();
    EXPECT_EQ(RowText(0, 3), "clip_(new_2).avi") << "after the batch, the next free name";
}

TEST_F(frmMainConvertTest, NoCheckedRowStillChecksTheSizeAndOpensNoWindow) {
    openDialog.Answers = {{fixtures::Path(FixtureId::Avi)}};
    C<QPushButton>("btnAdd")->click();
    Uncheck(0);
    auto* size = C<QComboBox>("cmbVideoSize");
    size->setEditText("12x");
    C<QPushButton>("btnStart")->click();
    EXPECT_FALSE(boxes.Shown.empty()); // the size check ran
    const TfrmProgress* progress = Progress();
    EXPECT_TRUE(progress == nullptr || !progress->isVisible());
    EXPECT_TRUE(system.Calls.empty());
}

TEST_F(frmMainConvertTest, AJobLeftOutShowsWhyAsItsRowsTooltip) {
    const std::string gone = tmp.File("gone.avi");
    fs::copy_file(fixtures::Path(FixtureId::Avi), gone);
    openDialog.Answers = {{gone}};
    C<QPushButton>("btnAdd")->click();
    ASSERT_EQ(w->JobList().RowCount(), 1);
    fs::remove(gone);
    C<QPushButton>("btnStart")->click();
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_NE(boxes.Shown[0].Text.find(gone), std::string::npos);
    const QAbstractItemModel* list = C<QTreeView>("lvFiles")->model();
    for (int column = 0; column < list->columnCount(); ++column)
        EXPECT_TRUE(list->index(0, column)
                        .data(Qt::ToolTipRole)
                        .toString()
                        .startsWith(QString::fromStdString("Cannot read " + gone)))
            << column;
    EXPECT_TRUE(C<QPushButton>("btnStart")->isEnabled()) << "no batch ran";
}

// An output size the parameter panel lets through but the option builder cannot use: the
// window asks the builder's question, and the answer decides the output's frame size.
TEST_F(frmMainConvertTest, TheBuildersSizeQuestionIsAskedByTheWindow) {
    fixtures::ClipRecipe recipe;
    recipe.container = "avi";
    recipe.videoCodec = "mpeg4";
    recipe.audioCodec = "libmp3lame";
    recipe.width = 176;
    recipe.height = 144;
    recipe.seconds = 1;
    const std::string source = fixtures::Generate(recipe);
    const struct {
        TMsgResult answer;
        int width, height;
    } cases[] = {{TMsgResult::Yes, 320, 240}, {TMsgResult::No, 176, 144}};
    openDialog.Answers = {{source}};
    C<QPushButton>("btnAdd")->click();
    ChooseFormat(803);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer == TMsgResult::Yes ? "Yes" : "No");
        fs::remove_all(tmp.Path() / "out");
        fs::create_directories(tmp.Path() / "out");
        C<QComboBox>("cmbVideoSize")->setEditText("As Source");
        ASSERT_TRUE(formats.StoreChoice(803, TFormatParam::VideoSize, 0, "As Source"));
        boxes.Shown.clear();
        boxes.Answers = {c.answer};
        C<QPushButton>("btnStart")->click();
        ASSERT_EQ(boxes.Shown.size(), 1u);
        EXPECT_EQ(boxes.Shown[0].Text, "Error output Video Size.Use the default size 320x240?");
        EXPECT_EQ(boxes.Shown[0].Caption, "Warning");
        EXPECT_EQ(boxes.Shown[0].Buttons, TMsgButtons::YesNo);
        ASSERT_TRUE(WaitUntil([&] { return C<QPushButton>("btnStart")->isEnabled(); }));
        EXPECT_EQ(RowText(0, 4), "100%");

        const auto output = fs::directory_iterator(tmp.Path() / "out")->path().string();
        TAVProbe probe;
        ASSERT_TRUE(probe.LoadFile(output));
        TVideoStreamInfo video;
        ASSERT_TRUE(probe.GetVideoStreamInfo(0, video));
        EXPECT_EQ(video.Width, c.width);
        EXPECT_EQ(video.Height, c.height);
    }
}

// The source disappears while the size question is up: its task cannot be made, the global
// error handler names the file, and nothing of that start runs.
TEST_F(frmMainConvertTest, ATaskThatCannotBeMadeAtStartRunsNothing) {
    const fs::path source = tmp.Path() / "moving.avi";
    fs::copy_file(fixtures::Path(FixtureId::Avi), source);
    openDialog.Answers = {{source.string(), fixtures::Path(FixtureId::Mp4)}};
    C<QPushButton>("btnAdd")->click();
    ASSERT_EQ(w->JobList().RowCount(), 2);
    ChooseFormat(803);
    C<QComboBox>("cmbVideoSize")->setEditText("As Source");
    ASSERT_TRUE(formats.StoreChoice(803, TFormatParam::VideoSize, 0, "As Source"));
    boxes.OnShow = [&](const test::TShownBox& box) {
        if (box.Caption == "Warning") fs::remove(source);
    };
    boxes.Answers = {TMsgResult::No};

    C<QPushButton>("btnStart")->click();
    ASSERT_EQ(boxes.Shown.size(), 2u); // the question, then the error
    EXPECT_EQ(boxes.Shown[1].Caption, ApplicationTitle());
    EXPECT_NE(boxes.Shown[1].Text.find("moving.avi"), std::string::npos) << boxes.Shown[1].Text;
    const TfrmProgress* progress = Progress();
    EXPECT_TRUE(progress == nullptr || !progress->isVisible());
    EXPECT_TRUE(C<QPushButton>("btnStart")->isEnabled());
    EXPECT_FALSE(converter.Working());
    EXPECT_EQ(converter.TaskCount(), 0);
    EXPECT_TRUE(fs::is_empty(tmp.Path() / "out"));
    EXPECT_EQ(RowText(0, 4), "");
    EXPECT_EQ(RowText(1, 4), "");
    EXPECT_TRUE(system.Calls.empty());
}

// The preview panel with the real player: the window tour's picture of the main window.
TEST_F(frmMainConvertTest, PreviewPanelPlaysAFixture) {
    w->ExitWithoutAsking = true;
    w->close();
    TFFPlayerFactory realPlayers;
    auto playing = std::make_unique<TfrmMain>(PartsWith(realPlayers));
    playing->show();
    openDialog.Answers = {{fixtures::Path(FixtureId::Avi)}};
    test::Control<QPushButton>(playing.get(), "btnAdd")->click();
    test::Control<QPushButton>(playing.get(), "imgbtnPlay")->click();
    auto* screen = test::Control<TVideoPanel>(playing.get(), "pan1");
    auto* time = test::Control<QLabel>(playing.get(), "lblTime");
    EXPECT_TRUE(
        WaitUntil([&] { return !screen->CurrentImage().isNull() && time->text() != "00:00:00"; }, 20000));
    EXPECT_EQ(test::Control<QLabel>(playing.get(), "lblPTS")->text(), "0:00:02");
    EXPECT_TRUE(test::Control<QPushButton>(playing.get(), "imgbtnStop")->isEnabled());
    EXPECT_TRUE(test::SaveTourScreen(*playing, "frmMain_preview"));
    test::Control<QPushButton>(playing.get(), "imgbtnStop")->click();
    EXPECT_EQ(time->text(), "00:00:00");
    playing->ExitWithoutAsking = true;
    playing->close();
}

} // namespace
