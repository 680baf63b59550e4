// The window tour: every window that exists, shown at its fixed size with the default colour
// scheme and written as <build>/screens/<window>.png, so anyone can look at each of them
// without a display. A new window is one more line in the table.
#include "app/windows/MainWindowTest.h"
#include "app/windows/frmCover.h"
#include "app/windows/frmMain.h"
#include "auxiliary/windows/frmFileInfo.h"
#include "auxiliary/windows/frmPreference.h"
#include "engine/foundation/FFmpegLoader.h"
#include "fixtures/Fixtures.h"
#include "formats/windows/frmSettings.h"
#include "ui/ColorSchemes.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include <filesystem>
#include <functional>
#include <memory>

using namespace orvel;

namespace {

class WindowTourTest : public test::TMainWindowTest {};

struct TTourStop {
    const char* name; // the PNG's name
    std::function<std::unique_ptr<QWidget>()> create;
};

} // namespace

TEST_F(WindowTourTest, EveryWindowIsWrittenAsAPicture) {
    ASSERT_TRUE(FFLoader().Load(kConverterLibraries)) << FFLoader().LastError();
    TFormatParamStore shippedFormats(ORVEL_BINARY_DIR "/orvelvideoformat.ini", paths.SettingsIniPath);
    const TTourStop tour[] = {
        {"frmMain", [&] { return std::make_unique<TfrmMain>(Parts()); }},
        {"frmCover", [&] { return std::make_unique<TfrmCover>(tmp.Path()); }},
        {"frmFileInfo",
         [&] {
             auto window = std::make_unique<TfrmFileInfo>(FFLoader().LibraryFolder(), boxes);
             window->SetSourceFile(fixtures::Path(fixtures::FixtureId::Mp4)); // video and audio
             return window;
         }},
        {"frmPreference", [&] { return std::make_unique<TfrmPreference>(settings, folders, system, boxes); }},
        {"frmSettings", [&] { return std::make_unique<TfrmSettings>(shippedFormats, boxes); }},
    };
    const std::filesystem::path screens = std::filesystem::path(ORVEL_BINARY_DIR) / "screens";
    std::filesystem::create_directories(screens);
    for (const TTourStop& stop : tour) {
        SCOPED_TRACE(stop.name);
        ApplyColorScheme(0);
        std::unique_ptr<QWidget> window = stop.create();
        window->show();
        QApplication::processEvents();
        const std::string file = (screens / (std::string(stop.name) + ".png")).string();
        std::filesystem::remove(file);
        ASSERT_TRUE(window->grab().save(QString::fromStdString(file), "PNG"));
        const QImage written(QString::fromStdString(file));
        EXPECT_EQ(written.size(), window->size() * window->devicePixelRatio());
        if (auto* main = dynamic_cast<TfrmMain*>(window.get())) main->ExitWithoutAsking = true;
        window->close();
    }
}
