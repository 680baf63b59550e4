#include "app/windows/frmMain.h"

#include "app/KeyboardShortcuts.h"
#include "app/store/AppSettings.h"
#include "app/store/IniFile.h"
#include "app/windows/JobListPart.h"
#include "app/windows/MainWindowTest.h"
#include "app/windows/frmShortcuts.h"
#include "engine/foundation/FFmpegException.h"
#include "fixtures/Fixtures.h"
#include "formats/FormatCatalog.h"
#include "ui/ColorSchemes.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QTreeView>
#include <QTreeWidget>

#include <map>

using namespace orvel;

namespace {

using frmMainTest = test::TMainWindowTest;

QStringList Captions(const QMenu* menu) {
    QStringList list;
    for (const QAction* a : menu->actions())
        list << (a->isSeparator() ? "-" : a->text());
    return list;
}

template <class T> T* C(const std::unique_ptr<TfrmMain>& w, const char* name) {
    return test::Control<T>(w.get(), name);
}

} // namespace

TEST_F(frmMainTest, FirstRunShowsTheDefaults) {
    ApplyColorScheme(4); // whatever ran before, a first run starts with scheme 0
    auto w = Create();
    EXPECT_EQ(GlobalObject(), w->GlobalObj());
    EXPECT_EQ(GlobalObject()->VersionText(), " ver 1.70 ");
    EXPECT_EQ(ApplicationTitle(), "Orvel Video Converter");
    EXPECT_EQ(CurrentColorScheme(), 0);
    w->show();

    EXPECT_EQ(w->size(), QSize(786, 522)); // the first size; the user may change it
    const test::TWindowState expected{
        {"frmMain", {"Orvel Video Converter 3.300 ", true, false, true}},
        {"imgbtnPlay", {"", true, false, true}},
        {"imgbtnPAuse", {"", false, false, true}},
        {"imgbtnStop", {"", false, false, true}},
        {"imgbtnSnap", {"", false, false, true}},
        {"trcPreview", {"0", false, false, true}},
        {"trcVolume", {"0", true, false, true}},
        {"ckMute", {"Mute", true, false, true}},
        {"edDirectory", {DefaultKestruneDir(), true, false, true}},
        {"mmoLog", {"", true, false, false}},
        {"miSettings", {"Se&ttings", false, false, false}}, // a hidden action is never enabled
    };
    EXPECT_EQ(test::StateDifferences(test::WindowState(w.get()), expected), "");
    EXPECT_EQ(C<QSlider>(w, "trcVolume")->maximum(), 128);
    EXPECT_EQ(w->CurrentFormatCode, "1");
    EXPECT_EQ(w->CurrentFormatName, "iPod Video MPEG-4");
    ASSERT_NE(w->PreviewFrame, nullptr);

    auto* list = C<QTreeView>(w, "lvFiles");
    const QStringList columns{"Source", "Length", "Trimmed Length", "Destination File", "Progress"};
    const int widths[] = {140, 65, 90, 120, 60};
    ASSERT_EQ(list->model()->columnCount(), 5);
    int total = 0;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list->model()->headerData(i, Qt::Horizontal).toString(), columns[i]);
        // Every caption shows whole; a wider one takes its room from the source column, so the
        // columns together keep their given width.
        EXPECT_GT(list->columnWidth(i), list->header()->fontMetrics().horizontalAdvance(columns[i]))
            << columns[i].toStdString();
        if (i != 0) {
            EXPECT_GE(list->columnWidth(i), widths[i]) << columns[i].toStdString();
        }
        total += list->columnWidth(i);
    }
    EXPECT_EQ(total, 140 + 65 + 90 + 120 + 60);
    EXPECT_GT(catalog.RowCount(), 0) << "the first show fills the format catalog";
    EXPECT_TRUE(boxes.Shown.empty());
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(frmMainTest, StoredSettingsAtCreationAndShow) {
    struct Case {
        std::string lines;
        int scheme, volume;
        bool mute;
    };
    for (const Case& c : std::vector<Case>{{"skinIndex=9\n", 0, 0, false},
                                           {"skinIndex=-1\n", 0, 0, false},
                                           {"skinIndex=3\nvolume=100\nmute=1\n", 3, 100, true},
                                           {"skinIndex=6\nvolume=200\n", 6, 64, false},
                                           {"volume=-1\nmute=0\n", 0, 64, false}}) {
        SCOPED_TRACE(c.lines);
        Settings(c.lines + "OutPutDir=/srv/out\nFormatCode=17\nFormatName=DVD\n");
        auto w = Create();
        EXPECT_EQ(CurrentColorScheme(), c.scheme);
        w->show();
        EXPECT_EQ(C<QSlider>(w, "trcVolume")->value(), c.volume);
        EXPECT_EQ(C<QCheckBox>(w, "ckMute")->isChecked(), c.mute);
        EXPECT_EQ(C<QLineEdit>(w, "edDirectory")->text(), "/srv/out");
        EXPECT_EQ(w->CurrentFormatCode, "17");
        EXPECT_EQ(w->CurrentFormatName, "DVD");
        w->ExitWithoutAsking = true;
        w->close();
    }
    // Showing the slider at 64 does not rewrite the stored value.
    EXPECT_EQ(settings.Volume(), -1);
}

// The closing sequence, each step seen from the collaborator it acts on: the catalog's list
// state is in the settings file, the conversion's handlers are detached before its running task
// is stopped and waited for, and only then the preview player is stopped, without waiting.
TEST_F(frmMainTest, CloseAsksAndOnlyYesRunsTheClosingSequence) {
    auto w = Create();
    w->show();
    ASSERT_TRUE(converter.LoadLibraries("")) << converter.LastErrorMessage();
    ASSERT_GE(converter.AddTask(fixtures::Path(fixtures::FixtureId::Mp4)), 0) << converter.LastErrorMessage();
    ASSERT_TRUE(converter.SetOutputFile(0, tmp.File("out.mp4"))) << converter.LastErrorMessage();
    int terminations = 0;
    converter.OnTerminate = [&](TCustomFFmpegConverter*, const TTerminateInfo&) { ++terminations; };
    converter.StartTask(1);
    converter.Pause(); // the task cannot end by itself before the window closes
    const auto listStateSaved = [&] { return TIniFile(SettingsFile()).SectionExists(kListStateSection); };

    boxes.Answers = {TMsgResult::No};
    EXPECT_FALSE(w->close());
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, "Do you really want to exit?");
    EXPECT_EQ(boxes.Shown[0].Caption, "Warning");
    EXPECT_EQ(boxes.Shown[0].Icon, TMsgIcon::Question);
    EXPECT_EQ(boxes.Shown[0].Buttons, TMsgButtons::YesNo);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(listStateSaved());
    EXPECT_FALSE(converter.AllDone()) << "No keeps the conversion running";
    EXPECT_EQ(Player().Calls,
              std::vector<std::string>{"LoadLibraries " + (ExecutableDir() / "LibAV").string()});
    EXPECT_NE(GlobalObject(), nullptr);
    EXPECT_NE(w->PreviewFrame, nullptr);

    bool savedBeforePlayerStop = false, conversionDoneBeforePlayerStop = false;
    Player().WhenStopping = [&](bool) {
        savedBeforePlayerStop = listStateSaved();
        conversionDoneBeforePlayerStop = converter.AllDone();
    };
    w->TaskItems.Build({true, false, true});
    boxes.Answers = {TMsgResult::Yes};
    EXPECT_TRUE(w->close());
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(savedBeforePlayerStop);
    EXPECT_TRUE(conversionDoneBeforePlayerStop);
    EXPECT_EQ(terminations, 0) << "the handlers were detached before the stop";
    EXPECT_FALSE(converter.OnTerminate);
    EXPECT_EQ(Player().Calls.back(), "Stop");
    EXPECT_EQ(GlobalObject(), nullptr);
    EXPECT_EQ(w->GlobalObj(), nullptr);
    EXPECT_EQ(w->PreviewFrame, nullptr);
    EXPECT_EQ(w->TaskItems.Count(), 0);
}

TEST_F(frmMainTest, ExitWithoutAskingClosesWithoutTheQuestion) {
    auto w = Create();
    w->show();
    w->ExitWithoutAsking = true;
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(boxes.Shown.empty());
    EXPECT_EQ(GlobalObject(), nullptr);
    EXPECT_EQ(Player().Calls.back(), "Stop");
}

TEST_F(frmMainTest, PlayerLibraryFailureIsOnlyLogged) {
    for (const bool loads : {false, true}) {
        SCOPED_TRACE(loads);
        players.LibrariesLoad = loads;
        auto w = Create();
        auto* log = C<QPlainTextEdit>(w, "mmoLog");
        EXPECT_EQ(log->toPlainText(), loads ? "" : "libav or libsdl not loaded.");
        EXPECT_FALSE(log->isVisibleTo(w.get()));
    }
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(frmMainTest, CreationInstallsTheGlobalErrorHandler) {
    ReportUnhandledError(std::make_exception_ptr(FFmpegException("early")));
    EXPECT_TRUE(boxes.Shown.empty()) << "no handler before the main window exists";
    {
        auto w = Create();
        ReportUnhandledError(
            std::make_exception_ptr(FFmpegException("Output file #0 does not contain any stream")));
        ASSERT_EQ(boxes.Shown.size(), 1u);
        EXPECT_EQ(boxes.Shown[0].Text, "Output file #0 does not contain any stream.");
        EXPECT_EQ(boxes.Shown[0].Caption, "Orvel Video Converter");
        EXPECT_EQ(boxes.Shown[0].Icon, TMsgIcon::Warning);
    }
    ReportUnhandledError(std::make_exception_ptr(FFmpegException("late")));
    EXPECT_EQ(boxes.Shown.size(), 1u);
}

TEST_F(frmMainTest, MenusCarryTheirCaptions) {
    auto w = Create();
    QStringList top;
    for (const QAction* a : w->menuBar()->actions())
        top << a->text();
    EXPECT_EQ(top, QStringList({"&File", "&Edit", "&Tools", "&Help"}));
    EXPECT_EQ(Captions(C<QMenu>(w, "mnuFile")),
              QStringList({"&Add", "&Remove", "&Clear", "&Start", "Se&ttings", "-", "&Exit"}));
    EXPECT_EQ(Captions(C<QMenu>(w, "mnuEdit")),
              QStringList({"&Crop", "&Trim", "&Video Effect && Water Mark", "Apply &Edits To...", "-",
                           "Check &All", "&Uncheck All", "&Reverse Check", "-", "C&heck", "U&ncheck"}));
    EXPECT_EQ(Captions(C<QMenu>(w, "mnuTools")), QStringList({"&Preference", "&Skin"}));
    EXPECT_EQ(Captions(C<QMenu>(w, "mnuSkin")),
              QStringList({"Default", "Gray", "Orange", "Purple", "Red", "Green", "Light blue"}));
    EXPECT_EQ(
        Captions(C<QMenu>(w, "mnuHelp")),
        QStringList({"&Help", "-", "&Web Site", "&Support and Contact", "&About", "&Keyboard Shortcuts"}));
    EXPECT_EQ(Captions(C<QMenu>(w, "pmFiles")),
              QStringList({"&Crop", "&Trim", "&Video Effect && Water Mark", "Apply &Edits To...", "-", "Add",
                           "Remove", "Clear", "Start", "-", "Video Infomation"}));
}

// The letter after a single "&", lower-cased; 0 when the text has none.
QChar Mnemonic(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') return text[i + 1].toLower();
        ++i;
    }
    return {};
}

// A letter shared by two controls of one level only moves the focus between them (or opens the
// menu instead of pressing the button): each level's letters must be distinct.
TEST_F(frmMainTest, NoTwoControlsShareAnUnderlinedLetter) {
    auto w = Create();
    w->show();
    std::vector<std::pair<QString, QStringList>> levels;
    QStringList window; // the menu bar's titles with the window's buttons and captions
    for (const QAction* a : w->menuBar()->actions())
        window << a->text();
    for (const QAbstractButton* b : w->findChildren<QAbstractButton*>())
        if (b->isVisibleTo(w.get())) window << b->text();
    for (const QLabel* l : w->findChildren<QLabel*>())
        if (l->buddy() && l->isVisibleTo(w.get())) window << l->text();
    levels.emplace_back("window", window);
    for (const QMenu* menu : w->findChildren<QMenu*>())
        levels.emplace_back(menu->objectName(), Captions(menu));
    for (const auto& [level, texts] : levels) {
        std::map<QChar, QString> seen;
        for (const QString& text : texts) {
            const QChar letter = Mnemonic(text);
            if (letter.isNull()) continue;
            const auto [at, fresh] = seen.emplace(letter, text);
            EXPECT_TRUE(fresh) << level.toStdString() << ": " << text.toStdString() << " and "
                               << at->second.toStdString();
        }
    }
    EXPECT_EQ(C<QPushButton>(w, "btnStart")->text(), "&Start");
    EXPECT_EQ(Mnemonic(C<QPushButton>(w, "btnExit")->text()), QChar('x'));
}

// Every control a screen reader or the Tab key reaches says what it is; Tab follows the layout
// from the toolbar to the catalog's arrow under it and on to the job list.
TEST_F(frmMainTest, ControlsHaveSpokenNamesAndTabFollowsTheLayout) {
    auto w = Create();
    w->show();
    for (QWidget* c : w->findChildren<QWidget*>()) {
        // An editable box's line is read as part of its box.
        const bool boxLine = qobject_cast<QLineEdit*>(c) && qobject_cast<QComboBox*>(c->parentWidget());
        const bool control = qobject_cast<QAbstractButton*>(c) || qobject_cast<QAbstractSlider*>(c) ||
                             (qobject_cast<QLineEdit*>(c) && !boxLine) ||
                             qobject_cast<QAbstractItemView*>(c) || qobject_cast<QComboBox*>(c);
        if (!control || !c->isVisibleTo(w.get()) || c->focusPolicy() == Qt::NoFocus) continue;
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(c);
        ASSERT_NE(spoken, nullptr);
        EXPECT_FALSE(spoken->text(QAccessible::Name).trimmed().isEmpty())
            << c->metaObject()->className() << " " << c->objectName().toStdString();
    }
    EXPECT_EQ(C<QWidget>(w, "btnExit")->nextInFocusChain(), C<QWidget>(w, "imgbtn1"));
    EXPECT_EQ(C<QWidget>(w, "imgbtn1")->nextInFocusChain(), C<QWidget>(w, "lvFiles"));
}

// Every key an item of the window answers is in the list the Help menu shows.
TEST_F(frmMainTest, TheShortcutListNamesEveryKeyOfTheWindow) {
    auto w = Create();
    QStringList listed;
    for (const TKeyShortcut& s : KeyboardShortcuts())
        for (const QKeySequence& k : QKeySequence::listFromString(s.Keys))
            listed << k.toString();
    int keyed = 0;
    for (const QAction* a : w->findChildren<QAction*>())
        for (const QKeySequence& k : a->shortcuts()) {
            ++keyed;
            EXPECT_TRUE(listed.contains(k.toString())) << a->objectName().toStdString();
        }
    EXPECT_GE(keyed, 3);
    TfrmShortcuts list(w.get());
    const auto* rows = list.findChild<QTreeWidget*>("lvShortcuts");
    ASSERT_NE(rows, nullptr);
    EXPECT_GT(rows->topLevelItemCount(), static_cast<int>(KeyboardShortcuts().size()));
    EXPECT_EQ(rows->topLevelItem(1)->text(0).toStdString(),
              QKeySequence(Qt::CTRL | Qt::Key_Return).toString(QKeySequence::NativeText).toStdString() +
                  ", " +
                  QKeySequence(Qt::CTRL | Qt::Key_Enter).toString(QKeySequence::NativeText).toStdString());
}

TEST_F(frmMainTest, SkinMenuChecksTheStoredSchemeAndStoresTheChoice) {
    auto w = Create();
    emit C<QMenu>(w, "mnuSkin")->aboutToShow();
    EXPECT_TRUE(C<QAction>(w, "miSkin1")->isChecked()) << "the menu's own default";
    C<QAction>(w, "miSkin5")->trigger();
    EXPECT_EQ(CurrentColorScheme(), 5);
    EXPECT_TRUE(C<QAction>(w, "miSkin5")->isChecked());
    EXPECT_FALSE(C<QAction>(w, "miSkin1")->isChecked());
    EXPECT_EQ(settings.SkinIndexAtStart(), 5);
}

TEST_F(frmMainTest, ExitCommandsGoThroughTheCloseQuestion) {
    auto w = Create();
    w->show();
    boxes.Answers = {TMsgResult::No, TMsgResult::Yes};
    C<QPushButton>(w, "btnExit")->click();
    EXPECT_TRUE(w->isVisible());
    C<QAction>(w, "miExit")->trigger();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(boxes.Shown.size(), 2u);
}

// The main window grows with the screen room the user gives it (the job list takes it) and
// comes back at the size and place it was closed with; a stored place that is no longer on a
// screen, or a value edited into nonsense, never leaves the window unreachable.
TEST_F(frmMainTest, SizeAndPlaceAreRememberedAndKeptOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry(); // 800 x 600 here
    const QSize first(786, 522);
    const QPoint centred = screen.center() - QPoint(first.width() / 2, first.height() / 2);
    const struct {
        const char* stored;
        QRect expected;
    } cases[] = {
        {"", QRect(centred + QPoint(1, 1), first)},
        {"10,20,700,560,0", QRect(10, 20, 700, 560)},
        {"5000,-4000,700,560,0", QRect(screen.right() + 1 - 700, screen.top(), 700, 560)},
        {"0,0,3000,2000,0", screen},
        {"10,20,-5,560,0", QRect(centred + QPoint(1, 1), first)},
        {"1,2,3", QRect(centred + QPoint(1, 1), first)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        TIniFile(SettingsFile()).WriteString("windows", "frmMain", c.stored);
        auto w = Create();
        w->show();
        EXPECT_LE((w->geometry().topLeft() - c.expected.topLeft()).manhattanLength(), 4)
            << w->geometry().x() << "," << w->geometry().y();
        EXPECT_EQ(w->size(), c.expected.size());
        w->ExitWithoutAsking = true;
        w->close();
    }

    auto w = Create();
    w->show();
    auto* list = C<QTreeView>(w, "lvFiles");
    const QSize listBefore = list->size();
    w->setGeometry(4, 6, 796, 590);
    QApplication::processEvents();
    EXPECT_EQ(list->size(), listBefore + QSize(796 - 786, 590 - 522)) << "the job list takes the room";
    w->ExitWithoutAsking = true;
    w->close();
    EXPECT_EQ(TIniFile(SettingsFile()).ReadString("windows", "frmMain", ""), "4,6,796,590,0");
}

// The widths the user gives the job list's columns survive a restart and the first added row,
// which sets the columns up again.
TEST_F(frmMainTest, ColumnWidthsAreRemembered) {
    auto w = Create();
    w->show();
    auto* header = C<QTreeView>(w, "lvFiles")->header();
    header->resizeSection(0, 211);
    header->resizeSection(2, 97);
    w->ExitWithoutAsking = true;
    w->close();
    w.reset();

    w = Create();
    w->show();
    header = C<QTreeView>(w, "lvFiles")->header();
    EXPECT_EQ(header->sectionSize(0), 211);
    EXPECT_EQ(header->sectionSize(2), 97);
    openDialog.Answers = {{fixtures::Path(fixtures::FixtureId::Mp4)}};
    C<QPushButton>(w, "btnAdd")->click();
    ASSERT_EQ(w->JobList().RowCount(), 1);
    EXPECT_EQ(header->sectionSize(0), 211);
    EXPECT_EQ(header->sectionSize(2), 97);
    w->ExitWithoutAsking = true;
    w->close();
}
