// The window tour of the main window and its parts: each picture goes to <build>/screens/ to be
// looked at as a user would see it.
#include "MainWindowTest.h"

#include "app/store/IniFile.h"
#include "app/windows/JobListPart.h"
#include "app/windows/frmAbout.h"
#include "auxiliary/windows/fmDirectory.h"
#include "fixtures/Fixtures.h"
#include "formats/windows/CatalogPanel.h"
#include "ui/ColorSchemes.h"

#include <gtest/gtest.h>

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

TEST_F(MainWindowTourTest, FolderChooserAndAbout) {
    TfmDirectory chooser(boxes, nullptr, ORVEL_BINARY_DIR);
    chooser.show();
    Save(&chooser, "fmDirectory");
    TfrmAbout about;
    about.show();
    Save(&about, "frmAbout");
}

} // namespace
