// The window tour of the main window and its parts: each picture goes to <build>/screens/ to be
// looked at as a user would see it.
#include "MainWindowTest.h"

#include "app/store/IniFile.h"
#include "app/windows/JobListPart.h"
#include "app/windows/frmAbout.h"
#include "auxiliary/windows/fmDirectory.h"
#include "editing/windows/frmTrim.h"
#include "fixtures/Fixtures.h"
#include "formats/windows/CatalogPanel.h"
#include "player/PlayerArbiter.h"
#include "ui/ColorSchemes.h"
#include "ui/QtMainThreadDispatcher.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTreeView>

using namespace orvel;
using fixtures::FixtureId;

namespace {

void Save(QWidget* w, const std::string& name) {
    ASSERT_TRUE(test::SaveTourScreen(*w, name));
}

class MainWindowTourTest : public test::TMainWindowTest {
protected:
    std::unique_ptr<TfrmMain> ShowWithRows(const std::string& settingsLines = "") {
        std::filesystem::create_directories(tmp.Path() / "out");
        Settings("OutPutDir=" + tmp.File("out") + "\n" + settingsLines);
        if (!std::filesystem::exists(paths.FormatIniPath))
            std::filesystem::copy_file(ORVEL_BINARY_DIR "/orvelvideoformat.ini", paths.FormatIniPath);
        auto w = Create();
        w->show();
        openDialog.Answers = {
            {fixtures::Path(FixtureId::Mp4), fixtures::Path(FixtureId::Avi), fixtures::Path(FixtureId::Mp3)}};
        test::Control<QPushButton>(w.get(), "btnAdd")->click();
        EXPECT_EQ(w->JobList().RowCount(), 3);
        return w;
    }
    static void Close(TfrmMain& w) {
        w.ExitWithoutAsking = true;
        w.close();
    }
};

TEST_F(MainWindowTourTest, MainWindowInEachScheme) {
    for (int scheme = 0; scheme < kColorSchemeCount; ++scheme) {
        ApplyColorScheme(scheme);
        auto w = ShowWithRows("skinIndex=" + std::to_string(scheme) + "\n");
        Save(w.get(), scheme == 0 ? "frmMain" : "frmMain_scheme" + std::to_string(scheme));
        Close(*w);
    }
    ApplyColorScheme(0);
}

TEST_F(MainWindowTourTest, CatalogOpenWithTwoCategoriesExpanded) {
    // An H.264 format is the current one, so the selectors show its parameters.
    auto w = ShowWithRows("FormatCode=1\nFormatName=iPod Video H.264 (*.mp4)\n[lstformat]\n0=0\n27=0\n");
    auto* catalog = test::Control<TCatalogPanel>(w.get(), "CatalogPanel");
    catalog->Fill();
    catalog->imgbtn1->click();
    ASSERT_TRUE(catalog->lst1->isVisible());
    Save(w.get(), "frmMain_catalog");
    catalog->Model().HideList();
    catalog->imgbtn1->click();
    catalog->imgbtn1->click();
    Save(w.get(), "frmMain_h264_parameters");
    Close(*w);
}

// Made larger by the user: the job list takes the room, the columns keep their widths.
TEST_F(MainWindowTourTest, ResizedMainWindow) {
    auto w = ShowWithRows();
    auto* list = test::Control<QTreeView>(w.get(), "lvFiles");
    const int columnWidth = list->header()->sectionSize(0);
    const QSize listBefore = list->size();
    w->resize(1100, 720);
    QApplication::processEvents();
    EXPECT_EQ(list->size(), listBefore + QSize(1100 - 786, 720 - 522));
    EXPECT_EQ(list->header()->sectionSize(0), columnWidth);
    Save(w.get(), "frmMain_resized");
    Close(*w);
}

// The main window and the trim dialog at the screen scale the run was started with
// (QT_SCALE_FACTOR, see CMakeLists.txt), written as frmMain_<percent> and frmTrim_<percent>.
TEST_F(MainWindowTourTest, ScaledMainWindowAndTrim) {
    const int percent = qRound(qApp->devicePixelRatio() * 100);
    if (percent == 100) GTEST_SKIP() << "runs with QT_SCALE_FACTOR set";
    const std::string suffix = "_" + std::to_string(percent);
    auto w = ShowWithRows();
    // Nothing the window's layout sizes may be cut off: every such control gets at least the
    // room its content asks for. Controls of a fixed width are drawn for that width, and the
    // parameter selectors may shrink to a set minimum by their own design.
    const QWidget* parameters = test::Control<QWidget>(w.get(), "ParameterPanel");
    for (const QWidget* child : w->findChildren<QWidget*>()) {
        if (!child->isVisible() || child->objectName().isEmpty() || child->objectName().startsWith("qt_") ||
            child->minimumWidth() == child->maximumWidth() || parameters->isAncestorOf(child))
            continue;
        EXPECT_GE(child->width(), child->minimumSizeHint().width()) << child->objectName().toStdString();
    }
    Save(w.get(), "frmMain" + suffix);
    Close(*w);

    QtMainThreadDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);
    {
        TFFPlayerFactory realPlayers;
        TfrmTrim trim(realPlayers);
        TlvFilesRecord job;
        job.SourceFile = fixtures::Path(FixtureId::Avi);
        job.ZoomMode = "full";
        trim.Open(job);
        test::ProcessFor(1200);
        Save(&trim, "frmTrim" + suffix);
        trim.btnCancel->click();
    }
    SetMainThreadDispatcher(nullptr);
}

TEST_F(MainWindowTourTest, FolderChooserAndAbout) {
    TfmDirectory chooser(boxes, nullptr, ORVEL_BINARY_DIR);
    chooser.show();
    Save(&chooser, "fmDirectory");
    TfrmAbout about;
    about.show();
    Save(&about, "frmAbout");
}

} // namespace
