#include "app/windows/frmMain.h"

#include "app/AppSettings.h"
#include "engine/FFmpegException.h"
#include "ui/ColorSchemes.h"
#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QMenuBar>

using namespace orvel;

namespace {

class frmMainTest : public ::testing::Test {
protected:
    void SetUp() override { test::WindowApp(); }
    void TearDown() override { TfrmMain::PlayerLibraryLoader = nullptr; }

    std::unique_ptr<TfrmMain> Create() {
        return std::make_unique<TfrmMain>(
            TAppPaths{tmp.File("orvelkestrune.ini"), tmp.File("orvelvideoformat.ini")});
    }
    void Settings(const std::string& lines) { tmp.Write("orvelkestrune.ini", "[settings]\n" + lines); }

    test::TTempDir tmp;
    test::TFakeMessageBoxes boxes;
};

QStringList Captions(const QMenu* menu) {
    QStringList list;
    for (const QAction* a : menu->actions())
        list << (a->isSeparator() ? "-" : a->text());
    return list;
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

    EXPECT_EQ(w->windowTitle(), "Orvel Video Converter 3.300 ");
    EXPECT_EQ(w->size(), QSize(786, 522));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    EXPECT_EQ(w->trcVolume->minimum(), 0);
    EXPECT_EQ(w->trcVolume->maximum(), 128);
    EXPECT_EQ(w->trcVolume->value(), 0);
    EXPECT_FALSE(w->ckMute->isChecked());
    EXPECT_EQ(w->edDirectory->text().toStdString(), DefaultKestruneDir());
    EXPECT_EQ(w->CurrentFormatCode, "1");
    EXPECT_EQ(w->CurrentFormatName, "iPod Video MPEG-4");
    EXPECT_TRUE(w->imgbtnPlay->isEnabled());
    EXPECT_FALSE(w->imgbtnPAuse->isEnabled());
    EXPECT_FALSE(w->imgbtnStop->isEnabled());
    EXPECT_FALSE(w->imgbtnSnap->isEnabled());
    EXPECT_FALSE(w->trcPreview->isEnabled());
    ASSERT_NE(w->PreviewFrame, nullptr);

    const QStringList columns{"Source", "Length", "Trimmed Length", "Destination File", "Progress"};
    const int widths[] = {140, 65, 90, 120, 60};
    ASSERT_EQ(w->lvFiles->columnCount(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(w->lvFiles->headerItem()->text(i), columns[i]);
        EXPECT_EQ(w->lvFiles->columnWidth(i), widths[i]);
    }
    EXPECT_TRUE(boxes.Shown.empty());
    EXPECT_FALSE(std::filesystem::exists(tmp.File("orvelkestrune.ini")));
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
        Settings(c.lines + "OutPutDir=/srv/out\nFormatCode=17\nFormatName=DVD\n");
        auto w = Create();
        EXPECT_EQ(CurrentColorScheme(), c.scheme) << c.lines;
        w->show();
        EXPECT_EQ(w->trcVolume->value(), c.volume) << c.lines;
        EXPECT_EQ(w->ckMute->isChecked(), c.mute) << c.lines;
        EXPECT_EQ(w->edDirectory->text(), "/srv/out");
        EXPECT_EQ(w->CurrentFormatCode, "17");
        EXPECT_EQ(w->CurrentFormatName, "DVD");
        w->ExitWithoutAsking = true;
        w->close();
    }
    // Showing the slider at 64 does not rewrite the stored value.
    EXPECT_EQ(TAppSettings(tmp.File("orvelkestrune.ini")).Volume(), -1);
}

TEST_F(frmMainTest, CloseAsksAndOnlyYesReleasesTheSession) {
    auto w = Create();
    std::vector<std::string> steps;
    w->OnSaveCatalogState = [&] { steps.push_back("catalog"); };
    w->OnStopConversion = [&] { steps.push_back("conversion"); };
    w->OnStopPreview = [&] { steps.push_back("preview"); };
    w->show();

    boxes.Answers = {TMsgResult::No};
    EXPECT_FALSE(w->close());
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, "Do you really want to exit?");
    EXPECT_EQ(boxes.Shown[0].Caption, "Warning");
    EXPECT_EQ(boxes.Shown[0].Icon, TMsgIcon::Question);
    EXPECT_EQ(boxes.Shown[0].Buttons, TMsgButtons::YesNo);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(steps.empty());
    EXPECT_NE(GlobalObject(), nullptr);
    EXPECT_NE(w->PreviewFrame, nullptr);

    w->TaskItems.Build({true, false, true});
    boxes.Answers = {TMsgResult::Yes};
    EXPECT_TRUE(w->close());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(steps, (std::vector<std::string>{"catalog", "conversion", "preview"}));
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
}

TEST_F(frmMainTest, PlayerLibraryFailureIsOnlyLogged) {
    struct Case {
        bool installed;
        std::string error;
        QString log;
    };
    for (const Case& c : std::vector<Case>{
             {false, "", "Preview player is not available."},
             {true, "Cannot load library libavcodec.so.59", "Cannot load library libavcodec.so.59"},
             {true, "", ""}}) {
        std::string folder;
        TfrmMain::PlayerLibraryLoader = nullptr;
        if (c.installed)
            TfrmMain::PlayerLibraryLoader = [&](const std::string& dir) {
                folder = dir;
                return c.error;
            };
        auto w = Create();
        EXPECT_EQ(w->mmoLog->toPlainText(), c.log);
        EXPECT_FALSE(w->mmoLog->isVisibleTo(w.get()));
        if (c.installed) {
            EXPECT_EQ(folder, (ExecutableDir() / "LibAV").string());
        }
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
    EXPECT_EQ(Captions(w->mnuFile),
              QStringList({"&Add", "&Remove", "&Clear", "&Start", "Se&ttings", "-", "&Exit"}));
    EXPECT_FALSE(w->miSettings->isVisible());
    EXPECT_EQ(Captions(w->mnuEdit),
              QStringList({"&Crop", "&Trim", "&Video Effect && Water Mark", "-", "&Check All", "&Uncheck All",
                           "&Reverse Check", "-", "C&heck", "U&ncheck"}));
    EXPECT_EQ(Captions(w->mnuTools), QStringList({"&Preference", "&Skin"}));
    EXPECT_EQ(Captions(w->mnuSkin),
              QStringList({"Default", "Gray", "Orange", "Purple", "Red", "Green", "Light blue"}));
    EXPECT_EQ(Captions(w->mnuHelp),
              QStringList({"&Help", "-", "&Web Site", "&Support and Contact", "&About"}));
    EXPECT_EQ(Captions(w->pmFiles), QStringList({"&Crop", "&Trim", "&Video Effect && Water Mark", "-", "Add",
                                                 "Remove", "Clear", "Start", "-", "Video Infomation"}));
}

TEST_F(frmMainTest, SkinMenuChecksTheStoredSchemeAndStoresTheChoice) {
    auto w = Create();
    emit w->mnuSkin->aboutToShow();
    EXPECT_TRUE(w->miSkins[1]->isChecked()) << "the menu's own default";
    w->miSkins[5]->trigger();
    EXPECT_EQ(CurrentColorScheme(), 5);
    EXPECT_TRUE(w->miSkins[5]->isChecked());
    EXPECT_FALSE(w->miSkins[1]->isChecked());
    EXPECT_EQ(TAppSettings(tmp.File("orvelkestrune.ini")).SkinIndexAtStart(), 5);
}

TEST_F(frmMainTest, ExitCommandsGoThroughTheCloseQuestion) {
    auto w = Create();
    w->show();
    boxes.Answers = {TMsgResult::No, TMsgResult::Yes};
    w->btnExit->click();
    EXPECT_TRUE(w->isVisible());
    w->miExit->trigger();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(boxes.Shown.size(), 2u);
}
