// The editing dialogs as a user sees them, written as PNG files under the build folder to be
// looked at: trim with a selection, crop with a rectangle, watermark with a text.
#include "editing/windows/frmCrop.h"
#include "editing/windows/frmTrim.h"
#include "editing/windows/frmWaterMark.h"

#include "EditingDialogsTestSupport.h"

#include <QDir>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

using namespace orvel;
using namespace orvel::test;

namespace {

void Save(QWidget& window, const char* name) {
    const QString dir = QString::fromLatin1(ORVEL_BINARY_DIR) + "/window-tour";
    QDir().mkpath(dir);
    QApplication::processEvents();
    EXPECT_TRUE(window.grab().save(dir + "/" + name + ".png"));
}

TlvFilesRecord Job() {
    TlvFilesRecord job;
    job.SourceFile = "/home/user/Videos/holiday-2024/the-long-walk-along-the-beach-at-dusk.avi";
    job.TrimStart = 12'000'000;
    job.TrimLength = 20'000'000;
    job.CropUpInput = 20;
    job.CropLeftInput = 30;
    job.CropRightInput = 30;
    job.CropDownInput = 10;
    job.WatermarkText = "Orvel";
    job.WatermarkFont.Name = "DejaVu Sans";
    job.WatermarkFont.Size = 20;
    job.TextHorzPos = 40;
    job.Brightness = 300;
    return job;
}

} // namespace

TEST(EditingDialogsTour, WritesTheDialogs) {
    WindowApp();
    TOpeningFakeFactory players;
    players.Duration = 95'500'000;
    TfrmTrim trim(players);
    trim.Open(Job());
    players.Last().RaisePosition(31'250'000);
    Save(trim, "frmTrim");

    TfrmCrop crop(players);
    crop.Open(Job());
    Bitmap24 frame(720, 576);
    FillGrey(frame);
    players.Last().RaiseHook(frame, 0);
    crop.TimerTimer();
    Save(crop, "frmCrop");

    TFakeOpenFileDialog files;
    TfrmWaterMark mark(players, files);
    mark.Open(Job());
    Save(mark, "frmWaterMark");
    auto* pages = Control<QTabWidget>(&mark, "pageControl");
    pages->setCurrentIndex(0);
    Save(mark, "frmWaterMark-text");
    pages->setCurrentIndex(2);
    Save(mark, "frmWaterMark-effect");
}
