#include "app/windows/frmMain.h"

#include "app/AppSettings.h"
#include "app/IniFile.h"
#include "app/windows/JobListPart.h"
#include "fixtures/Fixtures.h"
#include "formats/windows/CatalogPanel.h"
#include "formats/windows/ParameterPanel.h"
#include "ui/ColorSchemes.h"
#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include <fstream>

using namespace orvel;
using fixtures::FixtureId;

namespace {

class frmMainJobListTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WindowApp();
        std::filesystem::create_directories(tmp.Path() / "out");
        tmp.Write("orvelkestrune.ini", "[settings]\nOutPutDir=" + tmp.File("out") + "\n");
        w = std::make_unique<TfrmMain>(
            TAppPaths{tmp.File("orvelkestrune.ini"), ORVEL_BINARY_DIR "/orvelvideoformat.ini"});
        w->SetOpenFileDialog(&files);
        w->SetFolderChooser(&chooser);
        w->OpenAddress = [this](const std::string& url) { opened.push_back("url " + url); };
        w->OpenFolder = [this](const std::string& folder) { opened.push_back("folder " + folder); };
        w->OnStartPreview = [this] { ++previews; };
        w->OnStopPreview = [this] { ++stops; };
        w->show();
    }
    void TearDown() override {
        w->ExitWithoutAsking = true;
        w->close();
    }
    std::vector<QString> Captions() const {
        std::vector<QString> c;
        for (int i = 0; i < w->JobList->RowCount(); ++i)
            c.push_back(w->JobList->RowTexts(i)[0]);
        return c;
    }
    void AddThree() {
        files.Answers = {{mp4, avi, mp3}};
        w->btnAdd->click();
        ASSERT_EQ(w->JobList->RowCount(), 3);
    }
    std::string Stored(const std::string& key) const {
        return TIniFile(tmp.File("orvelkestrune.ini")).ReadString("settings", key, "<none>");
    }

    const std::string mp4 = fixtures::Path(FixtureId::Mp4);
    const std::string avi = fixtures::Path(FixtureId::Avi);
    const std::string mp3 = fixtures::Path(FixtureId::Mp3);
    test::TTempDir tmp;
    test::TFakeMessageBoxes boxes;
    test::TFakeOpenFileDialog files;
    test::TFakeFolderChooser chooser;
    std::unique_ptr<TfrmMain> w;
    std::vector<std::string> opened;
    int previews = 0, stops = 0;
};

TEST_F(frmMainJobListTest, AddProbesEachFileAndSkipsWhatCannotBeAJob) {
    files.Answers = {{fixtures::Path(FixtureId::NonMedia), mp4, tmp.File("out"), mp4, avi},
                     {avi, mp3, tmp.File("missing.mp4")}};
    w->btnAdd->click();
    EXPECT_EQ(Captions(), (std::vector<QString>{QString::fromStdString(mp4), QString::fromStdString(avi)}));
    EXPECT_EQ(w->JobList->RowTexts(0),
              (QStringList{QString::fromStdString(mp4), "2", "2", "clip_(new)_ipod.mp4", ""}));
    EXPECT_TRUE(w->JobList->JobChecked(0));
    EXPECT_EQ(w->JobList->SelectedRow(), 0);
    EXPECT_EQ(w->JobList->Job(0).ZoomMode, w->JobList->Job(1).ZoomMode);
    EXPECT_EQ(w->JobList->Job(1).AddIndex, 4) << "the position in its selection";

    w->miAdd->trigger(); // a second selection: the listed file is not added again
    EXPECT_EQ(w->JobList->RowCount(), 3);
    EXPECT_EQ(w->JobList->SelectedRow(), 0);
    ASSERT_EQ(files.Requests.size(), 2u);
    EXPECT_TRUE(files.Requests[0].MultiSelect);
    ASSERT_EQ(files.Requests[0].Filters.size(), 36u);
    EXPECT_EQ(files.Requests[0].Filters[0].Name, "All Supported Video Formats");
    EXPECT_TRUE(boxes.Shown.empty()) << "skipped files are skipped silently";

    files.Answers = {{}}; // cancelled
    w->btnAdd->click();
    EXPECT_EQ(w->JobList->RowCount(), 3);
}

TEST_F(frmMainJobListTest, RemoveSelectsTheNextRowAndAnEmptyListStopsThePreview) {
    AddThree();
    struct Step {
        int Select;
        std::vector<std::string> Left;
        int Selected;
    };
    const Step steps[] = {
        {2, {"clip.mp4", "clip.avi"}, 1}, // the last of three: the new last row
        {0, {"clip.avi"}, 0},             // the first: the new first row
        {0, {}, -1},                      // the only one
    };
    for (const Step& s : steps) {
        w->lvFiles->setCurrentItem(w->lvFiles->topLevelItem(s.Select));
        w->btnRemove->click();
        std::vector<std::string> left;
        for (const QString& c : Captions())
            left.push_back(std::filesystem::path(c.toStdString()).filename().string());
        EXPECT_EQ(left, s.Left);
        EXPECT_EQ(w->JobList->SelectedRow(), s.Selected);
    }
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(w->btnRemove->isEnabled()) << "Remove and Clear stay as they were";
    EXPECT_TRUE(w->btnClear->isEnabled());
    w->btnRemove->click(); // nothing selected: nothing happens
    EXPECT_EQ(stops, 1);
}

TEST_F(frmMainJobListTest, ClearDeleteAndTheCheckCommands) {
    AddThree();
    w->miUncheckAll->trigger();
    EXPECT_FALSE(w->JobList->JobChecked(0) || w->JobList->JobChecked(1) || w->JobList->JobChecked(2));
    w->lvFiles->setCurrentItem(w->lvFiles->topLevelItem(1));
    w->miCheck->trigger();
    EXPECT_TRUE(w->JobList->JobChecked(1));
    w->miReverseCheck->trigger();
    EXPECT_EQ(
        (std::vector<bool>{w->JobList->JobChecked(0), w->JobList->JobChecked(1), w->JobList->JobChecked(2)}),
        (std::vector<bool>{true, false, true}));
    w->miCheckAll->trigger();
    EXPECT_TRUE(w->JobList->JobChecked(1));
    w->miUncheck->trigger();
    EXPECT_FALSE(w->JobList->JobChecked(1));

    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(w->lvFiles, &del);
    EXPECT_EQ(w->JobList->RowCount(), 2);

    w->btnClear->click();
    EXPECT_EQ(w->JobList->RowCount(), 0);
    EXPECT_EQ(stops, 1);
    w->btnClear->click(); // an empty list: nothing happens
    EXPECT_EQ(stops, 1);
}

TEST_F(frmMainJobListTest, MenusEnableTheirItemsOnlyForASelectedJob) {
    emit w->pmFiles->aboutToShow();
    for (QAction* a :
         {w->pmCrop, w->pmTrim, w->pmEffects, w->pmRemove, w->pmClear, w->pmStart, w->pmVideoInfo})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_TRUE(w->pmAdd->isEnabled());
    emit w->mnuEdit->aboutToShow();
    for (QAction* a : w->mnuEdit->actions())
        EXPECT_TRUE(a->isSeparator() || !a->isEnabled()) << a->text().toStdString();

    AddThree();
    emit w->pmFiles->aboutToShow();
    emit w->mnuEdit->aboutToShow();
    EXPECT_TRUE(w->pmRemove->isEnabled());
    EXPECT_TRUE(w->miCrop->isEnabled());
    w->lvFiles->clearSelection();
    emit w->mnuEdit->aboutToShow();
    EXPECT_FALSE(w->miCheck->isEnabled());
}

TEST_F(frmMainJobListTest, PlayOnAnEmptyListAddsFirstThenPreviews) {
    files.Answers = {{mp4}};
    w->imgbtnPlay->click();
    EXPECT_EQ(files.Requests.size(), 1u);
    EXPECT_EQ(w->JobList->RowCount(), 1);
    EXPECT_EQ(previews, 1);
    EXPECT_FALSE(w->PlayAfterAdd);
    w->imgbtnPlay->click(); // rows there: no dialog
    EXPECT_EQ(files.Requests.size(), 1u);
    EXPECT_EQ(previews, 2);
}

TEST_F(frmMainJobListTest, DroppedFilesAndFoldersAreAddedThroughTheSameSteps) {
    std::filesystem::create_directories(tmp.Path() / "drop");
    std::filesystem::copy_file(avi, tmp.Path() / "drop" / "b.AVI");
    std::filesystem::copy_file(mp3, tmp.Path() / "drop" / "a.mp3");
    std::ofstream(tmp.File("drop/notes.txt")) << "text";
    QMimeData mime;
    mime.setUrls(
        {QUrl::fromLocalFile(QString::fromStdString(mp4)), QUrl::fromLocalFile(tmp.File("drop").c_str())});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w->lvFiles->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w->lvFiles->viewport(), &drop);
    EXPECT_EQ(Captions(), (std::vector<QString>{QString::fromStdString(mp4),
                                                QString::fromStdString(tmp.File("drop/a.mp3")),
                                                QString::fromStdString(tmp.File("drop/b.AVI"))}));
}

TEST_F(frmMainJobListTest, TheOutputFolderBoxBrowsAndOpen) {
    w->edDirectory->setFocus();
    w->edDirectory->selectAll();
    for (QChar c : QString("/x")) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w->edDirectory, &key);
    }
    EXPECT_EQ(Stored("OutPutDir"), "/x") << "every change is stored";
    w->btnOpen->click(); // two characters: nothing opens
    EXPECT_TRUE(opened.empty());

    chooser.Answers = {std::string("/x"), std::nullopt, tmp.File("out")};
    w->btnBrows->click(); // the folder it already has
    w->btnBrows->click(); // cancelled
    EXPECT_EQ(w->edDirectory->text(), "/x");
    w->btnBrows->click();
    EXPECT_EQ(w->edDirectory->text().toStdString(), tmp.File("out"));
    EXPECT_EQ(Stored("OutPutDir"), tmp.File("out"));
    w->btnOpen->click();
    EXPECT_EQ(opened, std::vector<std::string>{"folder " + tmp.File("out")});
}

TEST_F(frmMainJobListTest, HelpItemsOpenTheirAddresses) {
    w->miHelp->trigger();
    w->miWebSite->trigger();
    w->miSupport->trigger();
    EXPECT_EQ(opened, (std::vector<std::string>{"url " + w->GlobalObj()->HelpUrl(),
                                                "url " + w->GlobalObj()->WebSiteUrl(),
                                                std::string("url ") + kSupportUrl}));
}

TEST_F(frmMainJobListTest, TheCatalogAndTheSelectorsShowTheCurrentFormat) {
    EXPECT_EQ(w->CatalogPanel->edt1->text(), "Apple iPod Video MPEG-4 Movie (*.mp4)");
    EXPECT_EQ(w->ParameterPanel->Model().Code(), 1);
    EXPECT_GT(w->ParameterPanel->cmbVideoEncoder->count(), 0);
    // The list drops down inside the window.
    w->CatalogPanel->imgbtn1->click();
    EXPECT_TRUE(w->CatalogPanel->lst1->isVisible());
    EXPECT_LE(w->CatalogPanel->lst1->geometry().bottom(), w->height());
    EXPECT_GT(w->CatalogPanel->lst1->geometry().top(),
              w->CatalogPanel->edt1->mapTo(w.get(), QPoint(0, 0)).y());
}

TEST_F(frmMainJobListTest, ChoosingASchemeAppliesAndStoresIt) {
    w->miSkins[3]->trigger();
    EXPECT_EQ(CurrentColorScheme(), 3);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(Stored("skinIndex"), "3");
    EXPECT_EQ(qApp->styleSheet(), ColorSchemeStyleSheet(3));
    ApplyColorScheme(0);
}

} // namespace
