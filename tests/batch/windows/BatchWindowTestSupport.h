#pragma once
// A batch with the real conversion component for window tests: settings in a private folder,
// the AVI format, a job list, a main-window stand-in, and an event-loop wait that serves the
// component's calls into the GUI thread.
#include "app/store/AppSettings.h"
#include "batch/BatchController.h"
#include "batch/BatchHost.h"
#include "batch/FakeSystemActions.h"
#include "fixtures/Fixtures.h"
#include "formats/FormatParams.h"
#include "formats/OptionBuilder.h"
#include "ui/QtMainThreadDispatcher.h"
#include "ui/WindowTestKit.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <unistd.h>

namespace orvel::test {

class TTestJobs : public IBatchJobs {
public:
    std::vector<TlvFilesRecord> Rows;
    std::vector<bool> Checked;
    void Add(const std::string& path, bool checked = true) {
        TlvFilesRecord r;
        r.SourceFile = path;
        Rows.push_back(r);
        Checked.push_back(checked);
    }
    int JobCount() const override { return static_cast<int>(Rows.size()); }
    bool JobChecked(int row) const override { return Checked[static_cast<size_t>(row)]; }
    TlvFilesRecord& Job(int row) override { return Rows[static_cast<size_t>(row)]; }
};

// Records what the batch asked of the main window; OnRowProgress runs inside a progress
// report, while the worker waits for it.
class TTestBatchHost : public IBatchHost {
public:
    std::map<int, std::string> RowText;
    std::map<int, std::string> RowFailure;
    int PreviewStops = 0;
    int Ended = 0;
    Bitmap24 Frame;
    std::function<void(int row, const std::string& text)> OnRowProgress;

    void StopPreview() override { ++PreviewStops; }
    void SetRowProgress(int row, const std::string& text) override {
        RowText[row] = text;
        if (OnRowProgress) OnRowProgress(row, text);
    }
    void SetRowFailure(int row, const std::string& message) override { RowFailure[row] = message; }
    void BatchEnded() override { ++Ended; }
    const Bitmap24* PreviewFrame() const override { return &Frame; }
};

class TYesSizePrompt : public ISizePrompt {
public:
    bool UseDefaultSize() override { return true; }
};

class TBatchWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        WindowApp();
        dispatcher = std::make_unique<QtMainThreadDispatcher>();
        SetMainThreadDispatcher(dispatcher.get());
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = std::filesystem::path(ORVEL_BINARY_DIR) /
               ("batch-window-" + std::to_string(::getpid()) + "-" + info->name());
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "out");
        settings = std::make_unique<TAppSettings>((root / "settings.ini").string());
        settings->SetOutPutDir((root / "out").string());
        settings->SetSnapOutPutDir((root / "snaps").string());
        settings->SetFormatCode(803); // AVI
        store = std::make_unique<TFormatParamStore>(
            std::string(ORVEL_SOURCE_DIR) + "/data/orvelvideoformat.ini", settings->Ini().FileName());
        store->Reset(803);
        ASSERT_TRUE(converter.LoadLibraries(""));
    }
    void TearDown() override {
        converter.DetachEvents();
        converter.Stop(true);
        SetMainThreadDispatcher(nullptr);
        dispatcher.reset();
        std::filesystem::remove_all(root);
    }

    std::unique_ptr<QtMainThreadDispatcher> dispatcher;
    std::filesystem::path root;
    std::unique_ptr<TAppSettings> settings;
    std::unique_ptr<TFormatParamStore> store;
    TFFmpegConverter converter;
    TTestJobs jobs;
    TTestBatchHost host;
    TFakeSystemActions system;
    TYesSizePrompt prompt;
    TFakeMessageBoxes boxes;
};

} // namespace orvel::test
