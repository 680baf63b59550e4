#include "MainWindowTest.h"

#include "../JobListModelWatch.h"

#include "app/JobAdder.h"
#include "app/store/AppSettings.h"
#include "app/store/IniFile.h"
#include "app/windows/JobListPart.h"
#include "app/windows/frmApplyEdits.h"
#include "fixtures/Fixtures.h"
#include "formats/windows/CatalogPanel.h"
#include "formats/windows/ParameterPanel.h"
#include "ui/ColorSchemes.h"
#include "ui/JobRowDelegate.h"
#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

#include <cstdlib>
#include <fstream>
#include <map>

using namespace orvel;
using fixtures::FixtureId;

namespace {

class frmMainJobListTest : public test::TMainWindowTest {
protected:
    void SetUp() override {
        std::filesystem::create_directories(tmp.Path() / "out");
        Settings("OutPutDir=" + tmp.File("out") + "\n");
        std::filesystem::copy_file(ORVEL_BINARY_DIR "/orvelvideoformat.ini", paths.FormatIniPath);
        w = Create();
        w->show();
        jobs = &w->JobList();
        watch = std::make_unique<test::TJobListModelWatch>(jobs->Model());
    }
    void TearDown() override {
        EXPECT_EQ(watch->Problems(), "");
        w->ExitWithoutAsking = true;
        w->close();
    }
    TCatalogPanel* Catalog() { return C<TCatalogPanel>("CatalogPanel"); }
    TParameterPanel* Params() { return C<TParameterPanel>("ParameterPanel"); }
    template <class T> T* C(const char* name) { return test::Control<T>(w.get(), name); }
    QAction* A(const char* name) { return test::Control<QAction>(w.get(), name); }
    QTreeView* List() { return C<QTreeView>("lvFiles"); }
    TJobListModel& Model() { return jobs->Model(); }
    void Select(int row) { List()->setCurrentIndex(List()->model()->index(row, 0)); }
    QStringList RowTexts(int row) {
        QStringList texts;
        for (int c = 0; c < jcColumnCount; ++c)
            texts << List()->model()->index(row, c).data().toString();
        return texts;
    }
    std::vector<QString> Captions() {
        std::vector<QString> c;
        for (int i = 0; i < jobs->RowCount(); ++i)
            c.push_back(RowTexts(i)[0]);
        return c;
    }
    void AddThree() {
        openDialog.Answers = {{mp4, avi, mp3}};
        C<QPushButton>("btnAdd")->click();
        ASSERT_EQ(jobs->RowCount(), 3);
    }
    std::string Stored(const std::string& key) const {
        return TIniFile(SettingsFile()).ReadString("settings", key, "<none>");
    }

    const std::string mp4 = fixtures::Path(FixtureId::Mp4);
    const std::string avi = fixtures::Path(FixtureId::Avi);
    const std::string mp3 = fixtures::Path(FixtureId::Mp3);
    std::unique_ptr<TfrmMain> w;
    TJobListPart* jobs = nullptr;
    std::unique_ptr<test::TJobListModelWatch> watch; // Qt's model tester and the consistency check

    // The preview's Stop waits for the player.
    int Stops() {
        return static_cast<int>(std::count(Player().Calls.begin(), Player().Calls.end(), "Stop wait"));
    }
    std::vector<std::string> Opened() const { return system.Calls; }
};

TEST_F(frmMainJobListTest, AddProbesEachFileAndSkipsWhatCannotBeAJob) {
    openDialog.Answers = {{fixtures::Path(FixtureId::NonMedia), mp4, tmp.File("out"), mp4, avi},
                          {avi, mp3, tmp.File("missing.mp4")}};
    C<QPushButton>("btnAdd")->click();
    EXPECT_EQ(Captions(), (std::vector<QString>{QString::fromStdString(mp4), QString::fromStdString(avi)}));
    EXPECT_EQ(RowTexts(0), (QStringList{QString::fromStdString(mp4), "2", "2", "clip_(new)_ipod.mp4", ""}));
    EXPECT_TRUE(Model().JobChecked(0));
    EXPECT_EQ(jobs->SelectedRow(), 0);
    EXPECT_EQ(List()->currentIndex().row(), 0) << "the focus row";
    EXPECT_EQ(Model().Job(0).ZoomMode, Model().Job(1).ZoomMode);
    EXPECT_EQ(Model().Job(1).AddIndex, 4) << "the position in its selection";

    A("miAdd")->trigger(); // a second selection: the listed file is not added again
    EXPECT_EQ(jobs->RowCount(), 3);
    EXPECT_EQ(jobs->SelectedRow(), 0);
    ASSERT_EQ(openDialog.Requests.size(), 2u);
    EXPECT_TRUE(openDialog.Requests[0].MultiSelect);
    ASSERT_EQ(openDialog.Requests[0].Filters.size(), 36u);
    EXPECT_EQ(openDialog.Requests[0].Filters[0].Name, "All Supported Video Formats");
    ASSERT_EQ(boxes.Shown.size(), 2u) << "a notice after each add that skipped files";
    EXPECT_EQ(boxes.Shown[0].Text, UnreadableFilesNotice({fixtures::Path(FixtureId::NonMedia)}));
    EXPECT_EQ(boxes.Shown[1].Text, UnreadableFilesNotice({tmp.File("missing.mp4")}));

    openDialog.Answers = {{}}; // cancelled
    C<QPushButton>("btnAdd")->click();
    EXPECT_EQ(jobs->RowCount(), 3);

    // The window's events keep running while the files are read, under a box that blocks the
    // window (nothing may start the converter the reading uses).
    bool adding = true, firedWhileAdding = false, blocked = false;
    QTimer::singleShot(0, [&] {
        firedWhileAdding = adding;
        blocked = QApplication::activeModalWidget() &&
                  QApplication::activeModalWidget()->objectName() == "dlgAddProgress";
    });
    std::filesystem::copy_file(mp3, tmp.Path() / "again.mp3");
    openDialog.Answers = {{tmp.File("again.mp3")}};
    C<QPushButton>("btnAdd")->click();
    adding = false;
    EXPECT_TRUE(firedWhileAdding);
    EXPECT_TRUE(blocked);
    EXPECT_EQ(jobs->RowCount(), 4);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy cursor is gone";
}

TEST_F(frmMainJobListTest, RemoveSelectsTheNextRowAndAnEmptyListStopsThePreview) {
    AddThree();
    C<QPushButton>("imgbtnPlay")->click(); // the preview plays: the empty list stops it
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
        Select(s.Select);
        C<QPushButton>("btnRemove")->click();
        std::vector<std::string> left;
        for (const QString& c : Captions())
            left.push_back(std::filesystem::path(c.toStdString()).filename().string());
        EXPECT_EQ(left, s.Left);
        EXPECT_EQ(jobs->SelectedRow(), s.Selected);
    }
    EXPECT_EQ(Stops(), 1);
    EXPECT_TRUE(C<QPushButton>("btnRemove")->isEnabled()) << "Remove and Clear stay as they were";
    EXPECT_TRUE(C<QPushButton>("btnClear")->isEnabled());
    C<QPushButton>("btnRemove")->click(); // nothing selected: nothing happens
    EXPECT_EQ(Stops(), 1);
}

TEST_F(frmMainJobListTest, ClearDeleteAndTheCheckCommands) {
    AddThree();
    A("miUncheckAll")->trigger();
    EXPECT_FALSE(Model().JobChecked(0) || Model().JobChecked(1) || Model().JobChecked(2));
    Select(1);
    A("miCheck")->trigger();
    EXPECT_TRUE(Model().JobChecked(1));
    A("miReverseCheck")->trigger();
    EXPECT_EQ((std::vector<bool>{Model().JobChecked(0), Model().JobChecked(1), Model().JobChecked(2)}),
              (std::vector<bool>{true, false, true}));
    A("miCheckAll")->trigger();
    EXPECT_TRUE(Model().JobChecked(1));
    A("miUncheck")->trigger();
    EXPECT_FALSE(Model().JobChecked(1));
    C<QPushButton>("imgbtnPlay")->click();

    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(List(), &del);
    EXPECT_EQ(jobs->RowCount(), 2);

    C<QPushButton>("btnClear")->click();
    EXPECT_EQ(jobs->RowCount(), 0);
    EXPECT_EQ(Stops(), 1);
    C<QPushButton>("btnClear")->click(); // an empty list: nothing happens
    EXPECT_EQ(Stops(), 1);
}

TEST_F(frmMainJobListTest, SeveralRowsAndTheKeyboard) {
    AddThree();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    List()->setFocus();
    auto checks = [&] {
        return std::vector<bool>{Model().JobChecked(0), Model().JobChecked(1), Model().JobChecked(2)};
    };
    QTest::keyClick(List(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(jobs->SelectedRows(), (std::vector<int>{0, 1, 2}));
    QTest::keyClick(List(), Qt::Key_Space);
    EXPECT_EQ(checks(), (std::vector<bool>{false, false, false})) << "Space toggles every selected row";

    Select(1);
    QTest::keyClick(List(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(jobs->SelectedRows(), (std::vector<int>{1, 2}));
    A("miCheck")->trigger();
    EXPECT_EQ(checks(), (std::vector<bool>{false, true, true}));
    QTest::keyClick(List(), Qt::Key_Space);
    EXPECT_EQ(checks(), (std::vector<bool>{false, false, false}));

    QTest::keyClick(List(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(dialogs.Opened, std::vector<std::string>{"FileInfo " + mp3}) << "the focus row";
    QSignalSpy starts(A("miStart"), &QAction::triggered);
    QTest::keyClick(List(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(starts.count(), 1);
    QSignalSpy adds(A("miAdd"), &QAction::triggered);
    openDialog.Answers = {{}};
    QTest::keyClick(List(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(adds.count(), 1);

    QTest::keyClick(List(), Qt::Key_Delete);
    EXPECT_EQ(Captions(), std::vector<QString>{QString::fromStdString(mp4)}) << "both selected rows go";
    EXPECT_EQ(jobs->SelectedRow(), 0);
}

// Moved rows stay selected and keep their destination names; a drop lands by the half of the
// row under the pointer.
TEST_F(frmMainJobListTest, SelectedRowsMoveByKeysAndDrops) {
    AddThree();
    QTest::qWait(50); // the destination names are filled in soon after an add
    std::map<QString, QString> destinations;
    for (int row = 0; row < 3; ++row)
        destinations[RowTexts(row)[jcSource]] = RowTexts(row)[jcDestination];
    const QString a = QString::fromStdString(mp4), b = QString::fromStdString(avi),
                  c = QString::fromStdString(mp3);
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    List()->setFocus();
    Select(1);
    QTest::keyClick(List(), Qt::Key_Down, Qt::ShiftModifier);

    const struct {
        Qt::Key key;
        std::vector<QString> order;
        std::vector<int> selected;
    } keys[] = {
        {Qt::Key_Up, {b, c, a}, {0, 1}},
        {Qt::Key_Up, {b, c, a}, {0, 1}}, // already at the top
        {Qt::Key_Down, {a, b, c}, {1, 2}},
        {Qt::Key_Down, {a, b, c}, {1, 2}}, // already at the end
    };
    for (const auto& k : keys) {
        QTest::keyClick(List(), k.key, Qt::AltModifier);
        EXPECT_EQ(Captions(), k.order) << k.key;
        EXPECT_EQ(jobs->SelectedRows(), k.selected) << k.key;
    }

    const QRect first = List()->visualRect(Model().index(0, jcSource));
    const struct {
        std::vector<int> rows;
        QPoint at;
        std::vector<QString> order;
    } drops[] = {
        {{2}, first.topLeft() + QPoint(5, 1), {c, a, b}},                 // upper half of the first
        {{2}, first.bottomLeft() + QPoint(5, -1), {c, b, a}},             // lower half of the first
        {{0, 1}, QPoint(5, List()->viewport()->height() - 2), {a, c, b}}, // below the last row
    };
    for (const auto& d : drops) {
        jobs->MoveRowsTo(d.rows, d.at);
        EXPECT_EQ(Captions(), d.order) << d.at.x() << "," << d.at.y();
    }
    QTest::qWait(50);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(RowTexts(row)[jcDestination], destinations[RowTexts(row)[jcSource]]) << row;
}

TEST_F(frmMainJobListTest, ApplyEditsToTheSelectedRowsOrAll) {
    AddThree();
    TlvFilesRecord edited = Model().Job(0);
    edited.WatermarkText = "logo";
    edited.TrimStart = 1'000'000;
    Model().SetJob(0, edited);
    auto answer = [](bool all, bool trim) {
        QTimer::singleShot(0, [all, trim] {
            auto* ask = qobject_cast<TfrmApplyEdits*>(QApplication::activeModalWidget());
            ASSERT_NE(ask, nullptr);
            (all ? ask->rbAll : ask->rbSelected)->setChecked(true);
            ask->ckTrim->setChecked(trim);
            ask->accept();
        });
    };
    Select(0);
    List()->selectionModel()->select(List()->model()->index(1, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    answer(false, false);
    A("miApplyEdits")->trigger();
    EXPECT_EQ(Model().Job(1).WatermarkText, "logo");
    EXPECT_EQ(Model().Job(1).TrimStart, 0);
    EXPECT_EQ(Model().Job(2).WatermarkText, "") << "not selected";
    answer(true, true);
    A("pmApplyEdits")->trigger();
    EXPECT_EQ(Model().Job(2).WatermarkText, "logo");
    EXPECT_EQ(Model().Job(2).TrimStart, 1'000'000);
    EXPECT_EQ(Model().Job(2).SourceFile, mp3);
}

// The list's mouse and tooltip work goes through the view, its row delegate and the model.
TEST_F(frmMainJobListTest, TheDrawnBoxTogglesTheCheckAndADoubleClickPlaysTheRow) {
    AddThree();
    QWidget* rows = List()->viewport();
    const QRect cell = List()->visualRect(List()->model()->index(1, 0));
    QTest::mouseClick(rows, Qt::LeftButton, {}, JobRowCheckBox(cell).center());
    EXPECT_EQ((std::vector<bool>{Model().JobChecked(0), Model().JobChecked(1), Model().JobChecked(2)}),
              (std::vector<bool>{true, false, true}));
    QTest::mouseClick(rows, Qt::LeftButton, {}, cell.center() + QPoint(40, 0)); // the caption: no toggle
    EXPECT_FALSE(Model().JobChecked(1));
    EXPECT_EQ(jobs->SelectedRow(), 1);

    const QPoint third = List()->visualRect(List()->model()->index(2, 1)).center();
    QTest::mouseClick(rows, Qt::LeftButton, {}, third);
    QTest::mouseDClick(rows, Qt::LeftButton, {}, third);
    EXPECT_TRUE(std::any_of(
        Player().Calls.begin(), Player().Calls.end(),
        [&](const std::string& call) { return call.rfind("Open", 0) == 0 && call.ends_with(mp3); }))
        << "the double-clicked row plays; player calls: " << ::testing::PrintToString(Player().Calls);

    Model().SetFailure(2, "Cannot read it");
    QHelpEvent tip(QEvent::ToolTip, List()->visualRect(List()->model()->index(2, 3)).center(),
                   rows->mapToGlobal(List()->visualRect(List()->model()->index(2, 3)).center()));
    QApplication::sendEvent(rows, &tip);
    EXPECT_EQ(QToolTip::text(), "Cannot read it");
    QToolTip::hideText();
}

TEST_F(frmMainJobListTest, MenusEnableTheirItemsOnlyForASelectedJob) {
    emit C<QMenu>("pmFiles")->aboutToShow();
    for (QAction* a : {A("pmCrop"), A("pmTrim"), A("pmEffects"), A("pmRemove"), A("pmClear"), A("pmStart"),
                       A("pmVideoInfo")})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_TRUE(A("pmAdd")->isEnabled());
    emit C<QMenu>("mnuEdit")->aboutToShow();
    for (QAction* a : C<QMenu>("mnuEdit")->actions())
        EXPECT_TRUE(a->isSeparator() || !a->isEnabled()) << a->text().toStdString();

    AddThree();
    emit C<QMenu>("pmFiles")->aboutToShow();
    emit C<QMenu>("mnuEdit")->aboutToShow();
    EXPECT_TRUE(A("pmRemove")->isEnabled());
    EXPECT_TRUE(A("miCrop")->isEnabled());
    List()->clearSelection();
    emit C<QMenu>("mnuEdit")->aboutToShow();
    EXPECT_FALSE(A("miCheck")->isEnabled());
}

TEST_F(frmMainJobListTest, PlayOnAnEmptyListOpensTheAddDialog) {
    openDialog.Answers = {{mp4}};
    C<QPushButton>("imgbtnPlay")->click();
    EXPECT_EQ(openDialog.Requests.size(), 1u);
    EXPECT_EQ(jobs->RowCount(), 1);
    C<QPushButton>("imgbtnPlay")->click(); // rows there: no dialog
    EXPECT_EQ(openDialog.Requests.size(), 1u);
}

TEST_F(frmMainJobListTest, DroppedFilesAndFoldersAreAddedThroughTheSameSteps) {
    std::filesystem::create_directories(tmp.Path() / "drop");
    std::filesystem::copy_file(avi, tmp.Path() / "drop" / "b.AVI");
    std::filesystem::copy_file(mp3, tmp.Path() / "drop" / "a.mp3");
    std::ofstream(tmp.File("drop/notes.txt")) << "text";
    // Below the top, with an extension only a single filter names.
    std::filesystem::create_directories(tmp.Path() / "drop" / "sub" / "deeper");
    std::filesystem::copy_file(mp4, tmp.Path() / "drop" / "sub" / "deeper" / "c.m2ts");
    QMimeData mime;
    mime.setUrls(
        {QUrl::fromLocalFile(QString::fromStdString(mp4)), QUrl::fromLocalFile(tmp.File("drop").c_str())});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(List()->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(List()->viewport(), &drop);
    EXPECT_EQ(Captions(), (std::vector<QString>{QString::fromStdString(mp4),
                                                QString::fromStdString(tmp.File("drop/a.mp3")),
                                                QString::fromStdString(tmp.File("drop/b.AVI")),
                                                QString::fromStdString(tmp.File("drop/sub/deeper/c.m2ts"))}));
}

TEST_F(frmMainJobListTest, TheOutputFolderBoxBrowsAndOpen) {
    C<QLineEdit>("edDirectory")->setFocus();
    C<QLineEdit>("edDirectory")->selectAll();
    for (QChar c : QString("/x")) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(C<QLineEdit>("edDirectory"), &key);
    }
    EXPECT_EQ(Stored("OutPutDir"), "/x") << "every change is stored";
    C<QPushButton>("btnOpen")->click(); // two characters: nothing opens
    EXPECT_TRUE(Opened().empty());

    folders.Answers = {std::string("/x"), std::nullopt, tmp.File("out")};
    C<QPushButton>("btnBrows")->click(); // the folder it already has
    C<QPushButton>("btnBrows")->click(); // cancelled
    EXPECT_EQ(C<QLineEdit>("edDirectory")->text(), "/x");
    C<QPushButton>("btnBrows")->click();
    EXPECT_EQ(C<QLineEdit>("edDirectory")->text().toStdString(), tmp.File("out"));
    EXPECT_EQ(Stored("OutPutDir"), tmp.File("out"));
    C<QPushButton>("btnOpen")->click();
    EXPECT_EQ(Opened(), std::vector<std::string>{"open " + tmp.File("out")});
}

TEST_F(frmMainJobListTest, AFolderThatCannotBeMadeLeavesTheBoxShowingTheFolderUsed) {
    // The fall-back folder is made in the home folder: one inside the test's folder.
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", tmp.File("home").c_str(), 1);
    watch.reset();
    w->ExitWithoutAsking = true;
    w->close();
    w = Create();
    w->show();
    jobs = &w->JobList();
    watch = std::make_unique<test::TJobListModelWatch>(jobs->Model());

    std::ofstream(tmp.File("file")) << "not a folder";
    C<QLineEdit>("edDirectory")->setText(QString::fromStdString(tmp.File("file/sub")));
    emit C<QLineEdit>("edDirectory")->textEdited(C<QLineEdit>("edDirectory")->text());
    openDialog.Answers = {{mp4}};
    C<QPushButton>("btnAdd")->click();
    setenv("HOME", savedHome.c_str(), 1);
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(Stored("OutPutDir"), tmp.File("home/kestrune"));
    EXPECT_EQ(C<QLineEdit>("edDirectory")->text().toStdString(), tmp.File("home/kestrune"));
}

TEST_F(frmMainJobListTest, HelpItemsOpenTheirAddresses) {
    A("miHelp")->trigger();
    A("miWebSite")->trigger();
    A("miSupport")->trigger();
    EXPECT_EQ(Opened(), (std::vector<std::string>{"address " + w->GlobalObj()->HelpUrl(),
                                                  "address " + w->GlobalObj()->WebSiteUrl(),
                                                  std::string("address ") + kSupportUrl}));
}

TEST_F(frmMainJobListTest, TheCatalogAndTheSelectorsShowTheCurrentFormat) {
    EXPECT_EQ(Catalog()->edt1->text().toStdString(), "iPod Video H.264 (*.mp4)");
    EXPECT_EQ(Params()->Model().Code(), 1);
    EXPECT_GT(Params()->cmbVideoEncoder->count(), 0);
    // The list drops down inside the window.
    Catalog()->imgbtn1->click();
    EXPECT_TRUE(Catalog()->lst1->isVisible());
    EXPECT_LE(Catalog()->lst1->geometry().bottom(), w->height());
    EXPECT_GT(Catalog()->lst1->geometry().top(), Catalog()->edt1->mapTo(w.get(), QPoint(0, 0)).y());
}

TEST_F(frmMainJobListTest, ChoosingASchemeAppliesAndStoresIt) {
    A("miSkin3")->trigger();
    EXPECT_EQ(CurrentColorScheme(), 3);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(Stored("skinIndex"), "3");
    EXPECT_EQ(qApp->styleSheet(), ColorSchemeStyleSheet(3));
    ApplyColorScheme(0);
}

} // namespace

namespace {

TEST_F(frmMainJobListTest, DialogCommandsWorkOnTheSelectedJobAndWriteOnlyOnOk) {
    AddThree();
    Select(1);
    TlvFilesRecord trimmed = Model().Job(1);
    trimmed.TrimStart = 500000;
    trimmed.TrimLength = 1'400'000;
    dialogs.Edits = {trimmed, std::nullopt};
    C<QPushButton>("imgbtnPlay")->click();
    A("miTrim")->trigger();
    EXPECT_EQ(Player().Calls.back(), "Stop wait") << "an editing dialog stops the preview first";
    EXPECT_TRUE(C<QPushButton>("imgbtnPlay")->isEnabled()) << "the preview shows the stop";
    EXPECT_FALSE(C<QPushButton>("imgbtnStop")->isEnabled());
    EXPECT_EQ(Model().Job(1).TrimStart, 500000);
    EXPECT_EQ(Model().Job(1).SourceFile, avi);
    EXPECT_EQ(RowTexts(1)[jcTrimmedLength], "1") << "the trimmed length in whole seconds";
    EXPECT_EQ(RowTexts(1)[jcLength], "2");
    A("pmCrop")->trigger(); // cancelled: the job stays
    EXPECT_EQ(Model().Job(1).TrimStart, 500000);
    EXPECT_EQ(RowTexts(1)[jcTrimmedLength], "1");
    A("pmVideoInfo")->trigger();
    A("miPreference")->trigger();
    A("miAbout")->trigger();
    EXPECT_EQ(dialogs.Opened, (std::vector<std::string>{"Trim " + avi, "Crop " + avi, "FileInfo " + avi,
                                                        "Preference", "About"}));

    dialogs.Missing[static_cast<int>(TMainDialog::Watermark)] = true; // a dialog this build lacks
    emit C<QMenu>("pmFiles")->aboutToShow();
    EXPECT_FALSE(A("pmEffects")->isEnabled());
    EXPECT_TRUE(A("pmTrim")->isEnabled());
}

} // namespace
