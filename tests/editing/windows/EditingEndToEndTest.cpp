// One job through the three editing dialogs with the real player, then converted by the batch
// controller: the output carries the trim, the crop, the text and the brightness.
#include "app/store/AppSettings.h"
#include "batch/BatchController.h"
#include "editing/windows/frmCrop.h"
#include "editing/windows/frmTrim.h"
#include "editing/windows/frmWaterMark.h"
#include "formats/FormatParams.h"
#include "formats/OptionBuilder.h"
#include "player/PlayerArbiter.h"
#include "probe/AVProbe.h"
#include "ui/QtMainThreadDispatcher.h"

#include "EditingDialogsTestSupport.h"
#include "engine/TranscodeSupport.h"
#include "fixtures/Fixtures.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

extern "C" {
#include <libswscale/swscale.h>
}

#include <filesystem>
#include <unistd.h>

using namespace orvel;
using namespace orvel::test;
namespace fs = std::filesystem;

namespace {

bool ProcessUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

class OneJob : public IBatchJobs {
public:
    TlvFilesRecord job;
    int JobCount() const override { return 1; }
    bool JobChecked(int) const override { return true; }
    TlvFilesRecord& Job(int) override { return job; }
};

class QuietView : public IBatchView {
public:
    void BatchStarted(int) override {}
    void ShowProgress(const TBatchProgress&) override {}
    void SetRowProgress(int, const std::string&) override {}
    void JobFinished(int, int) override {}
    void JobStopped(int, int, bool, const std::string& m) override { message = m; }
    void JobSkipped(int, const std::string& m) override { message = m; }
    void BatchEnded() override {}
    bool OpenFolderAfterConversion() const override { return false; }
    bool ShutDownAfterConversion() const override { return false; }
    std::string message;
};

class NoPrompt : public ISizePrompt {
public:
    bool UseDefaultSize() override { return true; }
};

class NoSystem : public ISystemActions {
public:
    void OpenFolder(const std::string&) override {}
    void OpenAddress(const std::string&) override {}
    void ShutDown() override {}
};

class SilentBoxes : public IMessageBoxes {
public:
    TMsgResult Show(const std::string&, const std::string&, TMsgIcon, TMsgButtons) override {
        return TMsgResult::Ok;
    }
};

// The first picture of the file's video as 24-bit rows.
void FirstPicture(const std::string& path, Bitmap24& picture) {
    orvel::testing::DecodeAll(path, AVMEDIA_TYPE_VIDEO, [&](AVFrame* f) {
        if (!picture.Empty()) return;
        picture.SetSize(f->width, f->height);
        SwsContext* sws = sws_getContext(f->width, f->height, static_cast<AVPixelFormat>(f->format), f->width,
                                         f->height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
        uint8_t* dst[4] = {picture.Bits()};
        int dstStride[4] = {picture.Stride()};
        sws_scale(sws, f->data, f->linesize, 0, f->height, dst, dstStride);
        sws_freeContext(sws);
    });
}

int Green(const Bitmap24& p, int x, int y) {
    return p.Row(y)[x * 3 + 1];
}

} // namespace

TEST(EditingEndToEndTest, TrimCropTextAndBrightnessReachTheOutput) {
    WindowApp();
    QtMainThreadDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);
    const fs::path root = fs::path(ORVEL_BINARY_DIR) / ("editing-e2e-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "out");
    fixtures::ClipRecipe recipe;
    recipe.container = "avi";
    recipe.videoCodec = "mpeg4";
    recipe.audioCodec = "libmp3lame";
    recipe.seconds = 4;
    const std::string source = fixtures::Generate(recipe);

    OneJob jobs;
    jobs.job.SourceFile = source;
    jobs.job.ZoomMode = "full";
    {
        TFFPlayerFactory players;
        TfrmTrim trim(players);
        trim.Open(jobs.job);
        ASSERT_TRUE(ProcessUntil([&] { return trim.Player().CurrentPosition() > 0; }));
        // While it plays: the position is taken just after the seek lands.
        const auto takeAt = [&](int64_t at, QPushButton* button) {
            trim.Player().Seek(0, true, at);
            ASSERT_TRUE(ProcessUntil([&] {
                const int64_t p = trim.Player().CurrentPosition();
                return p >= at - 40000 && p < at + 200000;
            }));
            QTest::mouseClick(button, Qt::LeftButton);
        };
        takeAt(1'000'000, trim.btnOk1);
        takeAt(3'000'000, trim.btnOk2);
        QTest::mouseClick(trim.btnOk, Qt::LeftButton);
        ASSERT_TRUE(trim.Result());
        jobs.job = *trim.Result();
        EXPECT_NEAR(jobs.job.TrimStart, 1'000'000, 200000);
        EXPECT_NEAR(jobs.job.TrimLength, 2'000'000, 200000);

        TfrmCrop crop(players);
        crop.Open(jobs.job);
        for (int i = 0; i < 21; ++i) // 21 preview pixels of 251 are 20 of the 240 source rows
            crop.spedUp->stepUp();
        QTest::mouseClick(crop.btnOk, Qt::LeftButton);
        ASSERT_TRUE(crop.Result());
        jobs.job = *crop.Result();
        EXPECT_EQ(jobs.job.CropTop, 20);

        TFakeOpenFileDialog files;
        TfrmWaterMark mark(players, files);
        mark.Open(jobs.job);
        QTest::keyClicks(mark.edtFont, "ORVEL");
        mark.suiFontSizeCmb->setCurrentText("24");
        mark.suiColorBoxcmb->setCurrentIndex(9); // Red
        mark.suiChkBold->setChecked(true);
        mark.trcTextHoriz->setValue(10);
        mark.trcTextVert->setValue(80);
        mark.spedtBrightness->setValue(400);
        ProcessUntil([] { return false; }, 300); // a few preview frames with the text
        QTest::mouseClick(mark.btnOk, Qt::LeftButton);
        ASSERT_TRUE(mark.Result());
        jobs.job = *mark.Result();
        EXPECT_EQ(jobs.job.TextLeft, 32);
        EXPECT_EQ(jobs.job.TextTop, 192);
    }

    TAppSettings settings((root / "settings.ini").string());
    settings.SetOutPutDir((root / "out").string());
    settings.SetFormatCode(803); // AVI
    TFormatParamStore store(std::string(ORVEL_SOURCE_DIR) + "/data/orvelvideoformat.ini",
                            settings.Ini().FileName());
    store.Reset(803);
    TFFmpegConverter converter;
    ASSERT_TRUE(converter.LoadLibraries(""));
    QuietView view;
    NoSystem system;
    NoPrompt prompt;
    SilentBoxes boxes;
    std::string output;
    {
        TBatchController controller(converter, store, settings, jobs, view, system, prompt, boxes,
                                    (root / "def").string());
        ASSERT_EQ(controller.Start(), 1) << view.message;
        ASSERT_TRUE(ProcessUntil([&] { return !controller.Running(); }, 120000));
        ASSERT_EQ(controller.Results().at(0).Outcome, TJobOutcome::Finished) << view.message;
        output = controller.Results().at(0).Destination;
    }

    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(output));
    TFileStreamInfo info;
    ASSERT_TRUE(probe.GetFileStreamInfo(info));
    EXPECT_NEAR(info.Duration / 1e6, jobs.job.TrimLength / 1e6, 0.15);

    Bitmap24 out;
    FirstPicture(output, out);
    ASSERT_FALSE(out.Empty());
    const int W = out.Width(), H = out.Height();
    // Source rows 20..239 fill the output's height.
    const auto rowOf = [&](int sourceRow) { return (sourceRow - 20) * H / 220; };
    const auto colOf = [&](int sourceColumn) { return sourceColumn * W / 320; };
    // The first picture is the source's at the trim start; its grey box lies at rows 90..149.
    // Cropped, source row 95 lies inside the box; uncropped, output row rowOf(95) would show
    // source row 80, above it.
    const int64_t first = (jobs.job.TrimStart * 25 + 500000) / 1000000;
    const int boxColumn = colOf(fixtures::BoxRect(first, 320, 240).left + 30);
    EXPECT_GT(Green(out, boxColumn, rowOf(100)), 150) << "the box, brightened";
    EXPECT_GT(Green(out, boxColumn, rowOf(95)), 150) << "the box starts 20 rows higher";
    EXPECT_LT(Green(out, boxColumn, rowOf(80)), 150) << "a bar above the box";
    // The text: red pixels where no bar is red (the left half holds white, yellow, cyan, green).
    int red = 0;
    for (int y = rowOf(192); y < rowOf(230) && y < H; ++y)
        for (int x = colOf(32); x < colOf(150); ++x) {
            const uint8_t* p = out.Row(y) + x * 3;
            if (p[2] > 170 && p[1] < 110 && p[0] < 110) ++red;
        }
    EXPECT_GT(red, 100);
    // Brighter than the source: the white bar's 235 is lifted to full level.
    EXPECT_GT(Green(out, colOf(20), rowOf(40)), 240);
    fs::remove_all(root);
    SetMainThreadDispatcher(nullptr);
}
