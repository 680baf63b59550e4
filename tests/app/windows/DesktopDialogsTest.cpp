// The program's dialogs belong to the main window: centred on it and without taskbar entries
// of their own; at the end they go before it.
#include "app/windows/DesktopDialogs.h"

#include "app/store/AppSettings.h"
#include "batch/FakeSystemActions.h"
#include "formats/FormatParams.h"
#include "player/FakeMediaPlayer.h"
#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QMainWindow>

using namespace orvel;

namespace {

TEST(DesktopDialogsTest, FileInformationAndPreferencesBelongToTheMainWindow) {
    test::WindowApp();
    test::TTempDir tmp;
    test::TFakeMessageBoxes boxes;
    test::TFakeFolderChooser folders;
    test::TFakeSystemActions system;
    test::TFakeOpenFileDialog openDialog;
    test::TFakePlayerFactory players;
    TAppSettings settings(tmp.File("orvelkestrune.ini"));
    TFormatParamStore formats(ORVEL_BINARY_DIR "/orvelvideoformat.ini", tmp.File("orvelkestrune.ini"));
    auto main = std::make_unique<QMainWindow>();
    main->setGeometry(40, 30, 700, 540); // the test screen is 800 x 600
    main->show();
    TMainDialogs dialogs(DesktopDialogFactories({.Settings = settings,
                                                 .Formats = formats,
                                                 .Players = players,
                                                 .OpenDialog = openDialog,
                                                 .System = system,
                                                 .Folders = folders,
                                                 .Boxes = boxes,
                                                 .Owner = [&main] { return main.get(); }}));
    const std::pair<const char*, std::function<void()>> openings[] = {
        {"file information", [&] { dialogs.ShowFileInfo(""); }},
        {"preferences", [&] { dialogs.ShowPreference(); }},
    };
    for (const auto& [name, open] : openings) {
        SCOPED_TRACE(name);
        QWidget* parent = nullptr;
        QPoint centre;
        test::TModalAnswerer answer([&](QWidget* modal) {
            parent = modal->parentWidget();
            centre = modal->geometry().center();
            static_cast<QDialog*>(modal)->reject();
        });
        open();
        EXPECT_EQ(parent, main.get());
        EXPECT_LE((centre - main->geometry().center()).manhattanLength(), 2);
    }
    dialogs.Release();
    main.reset(); // no dialog is left for the main window to destroy a second time
}

} // namespace
