#include "auxiliary/windows/frmFileInfo.h"

#include "app/MainDialogs.h"
#include "app/OpenFileCheck.h"
#include "engine/foundation/FFmpegLoader.h"
#include "fixtures/Fixtures.h"
#include "ui/ColorSchemes.h"
#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>

using namespace orvel;
namespace fs = std::filesystem;

namespace {

class frmFileInfoTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FFLoader().Load(kConverterLibraries)) << FFLoader().LastError(); }
    QApplication& app = test::WindowApp(); // before any widget
    test::TFakeMessageBoxes boxes;
    TfrmFileInfo w{FFLoader().LibraryFolder(), boxes};
};

} // namespace

TEST_F(frmFileInfoTest, ControlsCarryTheirNamesAndCaptions) {
    const test::TWindowState expected = {
        {"frmFileInfo", {"File infomation", true, false, false}},
        {"lbl1", {"File Name:"}},
        {"lblSourceName", {""}},
        {"lbl3", {"Duration:"}},
        {"lblFileLength", {""}},
        {"grpbx1", {"Video "}},
        {"lbl5", {"Format:"}},
        {"lbl6", {"Resloution:"}},
        {"lbl13", {"Bit Rate:"}},
        {"lbl7", {"Frame Rate:"}},
        {"lbl8", {"Total Frame:"}},
        {"grpbx2", {"Audio"}},
        {"lbl9", {"Format:"}},
        {"lbl12", {"Bit Rate:"}},
        {"lbl10", {"Sample Rate:"}},
        {"lbl11", {"Channel:"}},
        {"btn1", {"&Ok"}},
    };
    EXPECT_EQ(test::StateDifferences(test::WindowState(&w), expected), "");
}

TEST_F(frmFileInfoTest, FactEditsAreReadOnlyOnTheTooltipColourUnderEveryScheme) {
    for (const int scheme : {0, 4}) {
        ApplyColorScheme(scheme); // the schemes' style sheet must not paint them over
        TfrmFileInfo window(FFLoader().LibraryFolder(), boxes);
        window.show();
        const QColor tooltip = window.palette().color(QPalette::ToolTipBase);
        for (const char* name : {"edtFormat", "edtResloution", "edtBitRate", "edtFrameRate", "edtTotalFrame",
                                 "edtAudioForamt", "edtAudioBitRate", "edtSampleRate", "edtChannel"}) {
            auto* edit = test::Control<QLineEdit>(&window, name);
            ASSERT_NE(edit, nullptr);
            EXPECT_TRUE(edit->isReadOnly()) << name;
            const QImage picture = edit->grab().toImage();
            EXPECT_EQ(picture.pixelColor(picture.width() / 2, picture.height() / 2).name(), tooltip.name())
                << name << " in scheme " << scheme;
        }
        window.close();
    }
    ApplyColorScheme(0);
}

TEST_F(frmFileInfoTest, ShowingFillsTheWindowAndClosingReleasesTheFile) {
    test::TTempDir tmp;
    const fs::path file = tmp.File("clip.mp4");
    fs::copy_file(fixtures::Path(fixtures::FixtureId::Mp4), file);
    w.SetSourceFile(file.string());
    w.resize(600, 600);
    w.show();
    EXPECT_EQ(w.size(), QSize(420, 460));
    EXPECT_EQ(w.lblSourceName->text().toStdString(), ShortSourceName(file.string()));
    EXPECT_EQ(w.lblFileLength->text().left(3), "2.0");
    EXPECT_EQ(w.edtFormat->text(), "mov,mp4,m4a,3gp,3g2,mj2");
    EXPECT_EQ(w.edtResloution->text(), "320x240");
    EXPECT_EQ(w.edtFrameRate->text(), "25");
    EXPECT_EQ(w.edtTotalFrame->text(), "1");
    EXPECT_EQ(w.edtAudioForamt->text(), "aac (LC) (mp4a / 0x6134706D)");
    EXPECT_EQ(w.edtSampleRate->text(), "44100");
    EXPECT_EQ(w.edtChannel->text(), "2");
    EXPECT_TRUE(boxes.Shown.empty());
    EXPECT_TRUE(test::OpenInThisProcess(file));

    w.btn1->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(test::OpenInThisProcess(file));
    fs::rename(file, tmp.File("moved.mp4"));

    // The close box releases it too.
    w.SetSourceFile(tmp.File("moved.mp4"));
    w.show();
    EXPECT_TRUE(test::OpenInThisProcess(tmp.File("moved.mp4")));
    w.close();
    EXPECT_FALSE(test::OpenInThisProcess(tmp.File("moved.mp4")));
}

TEST_F(frmFileInfoTest, UnreadableFileIsReported) {
    w.SetSourceFile(std::string("/no/such/file.mp4"));
    w.show();
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Icon, TMsgIcon::Warning);
    EXPECT_NE(boxes.Shown[0].Text.find("file.mp4"), std::string::npos) << boxes.Shown[0].Text;
    EXPECT_EQ(w.edtFormat->text(), "");
    w.close();
}

TEST_F(frmFileInfoTest, OpensModallyThroughTheMainWindowsDialogs) {
    TfrmFileInfo* made = nullptr;
    TMainDialogFactories factories;
    factories.FileInfo = [&]() -> std::unique_ptr<IFileInfoDialog> {
        auto window = std::make_unique<TfrmFileInfo>(FFLoader().LibraryFolder(), boxes);
        made = window.get();
        return window;
    };
    TMainDialogs dialogs(std::move(factories));
    const std::string path = fixtures::Path(fixtures::FixtureId::Mp4);
    QString shown;
    {
        test::TModalAnswerer answer([&](QWidget* modal) {
            shown = test::Control<QLineEdit>(modal, "edtResloution")->text();
            test::Control<QPushButton>(modal, "btn1")->click();
        });
        dialogs.ShowFileInfo(path);
    }
    EXPECT_EQ(shown, "320x240");
    EXPECT_FALSE(test::OpenInThisProcess(path));
    // Kept: the next opening is the same window, and an empty list leaves its edits.
    TfrmFileInfo* first = made;
    {
        test::TModalAnswerer answer([&](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        dialogs.ShowFileInfo("");
    }
    EXPECT_EQ(made, first);
    EXPECT_EQ(made->edtResloution->text(), "320x240");
    EXPECT_EQ(made->lblSourceName->text(), "");
}
