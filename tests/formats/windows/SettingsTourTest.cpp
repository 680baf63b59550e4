// The settings dialog with its catalog open, beside the window tour's pictures in
// <build>/screens/, to be looked at as a user would see it.
#include "formats/windows/frmSettings.h"
#include "ui/ColorSchemes.h"
#include "ui/WindowTestKit.h"

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

class SettingsTourTest : public ::testing::Test {
protected:
    void SetUp() override { ApplyColorScheme(0); }

    QApplication& app = test::WindowApp(); // before any widget
    test::TTempDir tmp;
    test::TFakeMessageBoxes boxes;
};

} // namespace

TEST_F(SettingsTourTest, SettingsWithItsCatalogOpen) {
    tmp.Write("orvelkestrune.ini", "[settings]\nFormatCode=1\nFormatName=iPod Video H.264 (*.mp4)\n"
                                   "[lstformat]\n0=0\n");
    TFormatParamStore store(ORVEL_BINARY_DIR "/orvelvideoformat.ini", tmp.File("orvelkestrune.ini"));
    TfrmSettings window(store, boxes);
    window.show();
    window.catalog->imgbtn1->click();
    ASSERT_TRUE(window.catalog->lst1->isVisible());
    Save(window, "frmSettings_catalog");
    window.close();
}
