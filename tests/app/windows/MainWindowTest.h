#pragma once
// A main window over test collaborators: settings in a private folder, the real format store,
// catalog model and conversion component, and fakes for the players, the dialogs, the message
// boxes, the system actions and the open-file dialog.
#include "app/windows/frmMain.h"

#include "batch/FakeSystemActions.h"
#include "engine/component/FFmpegConverter.h"
#include "formats/FormatListModel.h"
#include "formats/FormatParams.h"
#include "player/FakeMediaPlayer.h"
#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvel::test {

// Records every opening ("Trim /a.avi", "About") and answers the editing dialogs from a
// script (nothing: cancelled).
class TFakeMainDialogs : public IMainDialogs {
public:
    std::vector<std::string> Opened;
    std::deque<std::optional<TlvFilesRecord>> Edits;
    bool Missing[7] = {};

    bool Available(TMainDialog dialog) const override { return !Missing[static_cast<int>(dialog)]; }
    std::optional<TlvFilesRecord> EditTrim(const TlvFilesRecord& job) override { return Edit("Trim", job); }
    std::optional<TlvFilesRecord> EditCrop(const TlvFilesRecord& job) override { return Edit("Crop", job); }
    std::optional<TlvFilesRecord> EditWatermark(const TlvFilesRecord& job) override {
        return Edit("Watermark", job);
    }
    void ShowFileInfo(const std::string& sourceFile) override { Opened.push_back("FileInfo " + sourceFile); }
    void ShowPreference() override { Opened.push_back("Preference"); }
    void ShowSettings() override { Opened.push_back("Settings"); }
    void ShowAbout() override { Opened.push_back("About"); }

private:
    std::optional<TlvFilesRecord> Edit(const std::string& name, const TlvFilesRecord& job) {
        Opened.push_back(name + " " + job.SourceFile);
        if (Edits.empty()) return std::nullopt;
        auto answer = std::move(Edits.front());
        Edits.pop_front();
        return answer;
    }
};

class TMainWindowTest : public ::testing::Test {
protected:
    TMainWindowTest() { WindowApp(); }

    std::string SettingsFile() const { return tmp.File("orvelkestrune.ini"); }
    void Settings(const std::string& lines) { tmp.Write("orvelkestrune.ini", "[settings]\n" + lines); }

    TMainWindowParts Parts() { return PartsWith(players); }
    // The same parts with other players (the real ones, for a window that really plays).
    TMainWindowParts PartsWith(IPlayerFactory& playerFactory) {
        return TMainWindowParts{.Paths = paths,
                                .Settings = settings,
                                .Formats = formats,
                                .Catalog = catalog,
                                .Converter = converter,
                                .Players = playerFactory,
                                .Dialogs = dialogs,
                                .Boxes = boxes,
                                .System = system,
                                .OpenDialog = openDialog,
                                .Folders = folders};
    }
    std::unique_ptr<TfrmMain> Create() { return std::make_unique<TfrmMain>(Parts()); }
    // The main window's preview player (the first one it asked for).
    TFakeMediaPlayer& Player() { return *players.Made.at(0); }

    TTempDir tmp;
    TAppPaths paths{tmp.File("orvelkestrune.ini"), tmp.File("orvelvideoformat.ini")};
    TAppSettings settings{paths.SettingsIniPath};
    TFormatParamStore formats{paths.FormatIniPath, paths.SettingsIniPath};
    TFormatListModel catalog{paths.SettingsIniPath};
    TFFmpegConverter converter;
    TFakePlayerFactory players;
    TFakeMainDialogs dialogs;
    TFakeMessageBoxes boxes;
    TFakeSystemActions system;
    TFakeOpenFileDialog openDialog;
    TFakeFolderChooser folders;
};

} // namespace orvel::test
