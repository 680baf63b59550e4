// The tour of the file information, preferences and settings windows: each picture goes to
// <build>/screens/<window>.png, to be looked at as a user would see the window.
#include "batch/FakeSystemActions.h"
#include "engine/FFmpegLoader.h"
#include "fixtures/Fixtures.h"
#include "formats/windows/frmSettings.h"
#include "ui/ColorSchemes.h"
#include "ui/WindowTestKit.h"
#include "windows/frmFileInfo.h"
#include "windows/frmPreference.h"

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>

using namespace orvel;

namespace {

void Save(QWidget& window, const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(ORVEL_BINARY_DIR) / "screens";
    std::filesystem::create_directories(dir);
    const QString file = QString::fromStdString((dir / (name + ".png")).string());
    QApplication::processEvents();
    ASSERT_TRUE(window.grab().save(file, "PNG"));
    EXPECT_EQ(QImage(file).size(), window.size() * window.devicePixelRatio());
}

class AuxWindowsTourTest : public ::testing::Test {
protected:
    void SetUp() override { ApplyColorScheme(0); }

    QApplication& app = test::WindowApp(); // before any widget
    test::TTempDir tmp;
    test::TFakeMessageBoxes boxes;
};

} // namespace

TEST_F(AuxWindowsTourTest, FileInformationOfAClipWithVideoAndAudio) {
    ASSERT_TRUE(FFLoader().Load(kConverterLibraries)) << FFLoader().LastError();
    TfrmFileInfo window(FFLoader().LibraryFolder());
    window.SetSourceFile(fixtures::Path(fixtures::FixtureId::Mp4));
    window.show();
    EXPECT_EQ(window.edtAudioForamt->text(), "aac (LC) (mp4a / 0x6134706D)");
    Save(window, "frmFileInfo");
    window.close();
}

TEST_F(AuxWindowsTourTest, PreferencesAtFirstShowing) {
    test::TFakeFolderChooser chooser;
    test::TFakeSystemActions system;
    TfrmPreference window(TAppSettings(tmp.File("orvelkestrune.ini")), chooser, system);
    window.show();
    Save(window, "frmPreference");
    window.close();
}

TEST_F(AuxWindowsTourTest, SettingsWithItsCatalogOpen) {
    tmp.Write("orvelkestrune.ini", "[settings]\nFormatCode=1\nFormatName=iPod Video H.264 (*.mp4)\n"
                                   "[lstformat]\n0=0\n");
    TFormatParamStore store(ORVEL_BINARY_DIR "/orvelvideoformat.ini", tmp.File("orvelkestrune.ini"));
    TfrmSettings window(store, boxes);
    window.show();
    Save(window, "frmSettings");
    window.catalog->imgbtn1->click();
    ASSERT_TRUE(window.catalog->lst1->isVisible());
    Save(window, "frmSettings_catalog");
    window.close();
}
