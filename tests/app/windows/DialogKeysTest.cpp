// The auxiliary dialogs, the settings dialog and the progress window as keyboard and screen
// reader users meet them: Enter is Ok and Esc is Cancel whatever control has the focus, every
// control has a name, no two share a mnemonic, and Tab follows the layout.
#include "auxiliary/windows/fmDirectory.h"
#include "auxiliary/windows/frmFileInfo.h"
#include "auxiliary/windows/frmPreference.h"
#include "batch/windows/BatchWindowTestSupport.h"
#include "batch/windows/frmProgress.h"
#include "formats/windows/frmSettings.h"
#include "ui/DialogConventions.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTreeView>

using namespace orvel;

namespace {

class DialogKeysTest : public ::testing::Test {
protected:
    DialogKeysTest() {
        test::WindowApp();
        std::filesystem::create_directories(tmp.Path() / "videos");
    }
    std::string SettingsFile() const { return tmp.File("orvelkestrune.ini"); }

    // Every window of the table, made afresh.
    std::unique_ptr<QDialog> Make(const std::string& name) {
        if (name == "frmFileInfo") return std::make_unique<TfrmFileInfo>(std::string(), boxes);
        if (name == "frmPreference")
            return std::make_unique<TfrmPreference>(TAppSettings(SettingsFile()), chooser, system, boxes);
        if (name == "fmDirectory") return std::make_unique<TfmDirectory>(boxes, nullptr, tmp.File("videos"));
        if (name == "frmSettings") return std::make_unique<TfrmSettings>(formats, boxes);
        return std::make_unique<TfrmProgress>(jobs, host, snapshots, boxes);
    }

    test::TTempDir tmp;
    test::TFakeMessageBoxes boxes;
    test::TFakeFolderChooser chooser;
    test::TFakeSystemActions system;
    TFormatParamStore formats{ORVEL_BINARY_DIR "/orvelvideoformat.ini", tmp.File("orvelkestrune.ini")};
    TAppSettings settings{tmp.File("orvelkestrune.ini")};
    TSnapshotWriter snapshots{settings, boxes, tmp.File("snaps")};
    test::TTestJobs jobs;
    test::TTestBatchHost host;
};

TEST_F(DialogKeysTest, EnterIsOkAndEscIsCancelFromAnyControl) {
    enum TOutcome { Accepted, Rejected, StaysOpen };
    const struct {
        const char* dialog;
        const char* focused;
        Qt::Key key;
        TOutcome outcome;
    } cases[] = {
        {"frmFileInfo", "edtFormat", Qt::Key_Return, Accepted},
        {"frmFileInfo", "edtChannel", Qt::Key_Escape, Rejected},
        {"frmPreference", "ckBmp", Qt::Key_Return, Accepted},
        {"frmPreference", "trcCmp", Qt::Key_Enter, Accepted},
        {"frmPreference", "rdPriority2", Qt::Key_Escape, Rejected},
        {"fmDirectory", "stview_selectdir", Qt::Key_Return, Accepted},
        {"fmDirectory", "stview_selectdir", Qt::Key_Escape, Rejected},
        {"frmSettings", "cmbZoom", Qt::Key_Return, Accepted},
        {"frmSettings", "cmbChannel", Qt::Key_Escape, Rejected},
        // The progress window has no Ok: Enter must not pause or stop the batch.
        {"frmProgress", "ckOpen", Qt::Key_Return, StaysOpen},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.dialog) + ", " + c.focused + ", " + QTest::toString(c.key));
        std::unique_ptr<QDialog> dialog = Make(c.dialog);
        dialog->setResult(-1);
        dialog->show();
        QWidget* focused = test::Control<QWidget>(dialog.get(), c.focused);
        ASSERT_NE(focused, nullptr);
        focused->setFocus();
        QTest::keyClick(focused, c.key);
        QApplication::processEvents();
        switch (c.outcome) {
        case Accepted:
            EXPECT_EQ(dialog->result(), QDialog::Accepted);
            EXPECT_FALSE(dialog->isVisible());
            break;
        case Rejected:
            EXPECT_EQ(dialog->result(), QDialog::Rejected);
            EXPECT_FALSE(dialog->isVisible());
            break;
        case StaysOpen:
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_TRUE(test::Control<QWidget>(dialog.get(), "btnPause")->isEnabled());
            EXPECT_TRUE(boxes.Shown.empty());
            break;
        }
    }
    // The folder Enter took is the chooser's answer.
    auto chooserWindow = Make("fmDirectory");
    auto& folders = static_cast<TfmDirectory&>(*chooserWindow);
    folders.show();
    QTest::keyClick(folders.stview_selectdir, Qt::Key_Return);
    EXPECT_EQ(folders.Result(), tmp.File("videos"));
}

TEST_F(DialogKeysTest, EveryControlNamedNoSharedMnemonicTabInReadingOrder) {
    for (const char* name : {"frmFileInfo", "frmPreference", "fmDirectory", "frmSettings", "frmProgress"}) {
        SCOPED_TRACE(name);
        std::unique_ptr<QDialog> dialog = Make(name);
        dialog->show();
        QApplication::processEvents();
        EXPECT_EQ(test::ControlsWithoutAccessibleName(*dialog), std::vector<std::string>{});
        EXPECT_EQ(test::SharedMnemonics(*dialog), std::vector<std::string>{});
        EXPECT_EQ(test::TabStepsAgainstReadingOrder(*dialog), std::vector<std::string>{});
        dialog->hide();
    }
}

} // namespace
