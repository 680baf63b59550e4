#include "auxiliary/windows/frmPreference.h"

#include "app/store/GlobalObject.h"
#include "batch/FakeSystemActions.h"
#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

using namespace orvel;

namespace {

class frmPreferenceTest : public ::testing::Test {
protected:
    std::string Stored(const char* key) {
        return TIniFile(tmp.File("orvelkestrune.ini")).ReadString("settings", key, "<none>");
    }

    QApplication& app = test::WindowApp(); // before any widget
    test::TTempDir tmp;
    test::TFakeMessageBoxes boxes;
    test::TFakeFolderChooser chooser;
    test::TFakeSystemActions system;
    TfrmPreference w{TAppSettings(tmp.File("orvelkestrune.ini")), chooser, system, boxes};
};

} // namespace

TEST_F(frmPreferenceTest, ControlsCarryTheirCaptionsAndRanges) {
    const test::TWindowState expected = {
        {"frmPreference", {"Preference", true, false, false}},
        {"grpbx2", {"Snapshot"}},
        {"lbl1", {"Snapshot folder:"}},
        {"edtSnapDirectory", {""}},
        {"btnBrows", {"&Brows"}},
        {"btnOpen", {"O&pen"}},
        {"lbl2", {"Snapshot size:"}},
        {"ckSmallSize", {"Small Size"}},
        {"ckFullSize", {"Full Size"}},
        {"lbl3", {"Snapshot format:"}},
        {"ckBmp", {"BMP"}},
        {"ckJpg", {"JPG"}},
        {"lbl4", {"Jpg Compression Quality:"}},
        {"lbl5", {"(The higher the value, the better the image quality.)"}},
        {"rdGrpPriority", {"Work priority"}},
        {"btnDefault", {"&Default"}},
        {"btnOk", {"&Ok"}},
        {"btnCancel", {"&Cancel"}},
    };
    EXPECT_EQ(test::StateDifferences(test::WindowState(&w), expected), "");
    QStringList items;
    for (const QRadioButton* r : w.rdPriority)
        items << r->text();
    EXPECT_EQ(items, (QStringList{"Idle", "Normal", "Lower", "Lowest"}));
    EXPECT_TRUE(w.edtSnapDirectory->isReadOnly());
    EXPECT_EQ(w.spedCmp->minimum(), 1);
    EXPECT_EQ(w.spedCmp->maximum(), 100);
    EXPECT_TRUE(w.spedCmp->findChild<QLineEdit*>()->isReadOnly());
    EXPECT_TRUE(
        w.spedCmp->toolTip().startsWith("Use Compression Quality to set the compression quality of the \n"
                                        "JPEG image when writing out a snapshot jpeg image."));
    EXPECT_TRUE(w.spedCmp->toolTip().endsWith("\n the smaller the resulting file size, but at the expense of "
                                              "picture quality."));
    EXPECT_EQ(w.spedCmp->toolTip().count('\n'), 7);
    EXPECT_EQ(w.trcCmp->minimum(), 1);
    EXPECT_EQ(w.trcCmp->maximum(), 100);
    EXPECT_EQ(w.trcCmp->tickInterval(), 10);
    EXPECT_EQ(w.trcCmp->pageStep(), 2);
    EXPECT_EQ(w.trcCmp->singleStep(), 1);
}

TEST_F(frmPreferenceTest, FirstShowingClicksAndOk) {
    w.show();
    EXPECT_EQ(w.size(), QSize(480, 390));
    EXPECT_EQ(w.edtSnapDirectory->text().toStdString(), DefaultKestruneDir());
    for (QCheckBox* box : {w.ckSmallSize, w.ckFullSize, w.ckBmp, w.ckJpg})
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_EQ(w.spedCmp->value(), 30);
    EXPECT_EQ(w.trcCmp->value(), 30);
    EXPECT_TRUE(w.rdPriority[1]->isChecked());

    // A user's clicks go through the rules: the last size cannot be unchecked.
    w.ckSmallSize->click();
    w.ckFullSize->click();
    EXPECT_FALSE(w.ckSmallSize->isChecked());
    EXPECT_TRUE(w.ckFullSize->isChecked());
    w.ckJpg->click();
    EXPECT_FALSE(w.spedCmp->isEnabled());
    EXPECT_FALSE(w.trcCmp->isEnabled());
    w.ckBmp->click();
    EXPECT_TRUE(w.ckBmp->isChecked());
    w.ckJpg->click();
    w.trcCmp->setValue(55);
    EXPECT_EQ(w.spedCmp->value(), 55);
    w.spedCmp->stepUp();
    EXPECT_EQ(w.trcCmp->value(), 56);
    w.rdPriority[3]->click();

    w.btnOk->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Stored("snapSmallSize"), "0");
    EXPECT_EQ(Stored("snapFullSize"), "1");
    EXPECT_EQ(Stored("snapJpg"), "1");
    EXPECT_EQ(Stored("jpgCmp"), "56");
    EXPECT_EQ(Stored("priority"), "3");
}

TEST_F(frmPreferenceTest, DefaultShowsTheDefaults) {
    w.show();
    w.btnDefault->click();
    EXPECT_TRUE(w.ckBmp->isChecked());
    EXPECT_FALSE(w.ckJpg->isChecked());
    EXPECT_FALSE(w.spedCmp->isEnabled());
    EXPECT_EQ(w.trcCmp->value(), 20);
    EXPECT_TRUE(w.rdPriority[1]->isChecked());
    w.btnOk->click(); // what Ok stores after Default: the model's tests
    EXPECT_EQ(Stored("jpgCmp"), "20");
}

TEST_F(frmPreferenceTest, BrowsIsKeptAfterCancelAndOpenUsesTheStoredFolder) {
    w.show();
    chooser.Answers = {std::nullopt, "/media/shots"};
    w.btnBrows->click(); // cancelled
    EXPECT_EQ(Stored("SnapOutPutDir"), "<none>");
    w.btnBrows->click();
    EXPECT_EQ(chooser.Calls, 2);
    EXPECT_EQ(w.edtSnapDirectory->text(), "/media/shots");
    w.btnCancel->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Stored("SnapOutPutDir"), "/media/shots");
    EXPECT_EQ(Stored("snapBmp"), "<none>"); // Cancel stored nothing else

    w.show();
    EXPECT_EQ(w.edtSnapDirectory->text(), "/media/shots");
    w.btnDefault->click();
    w.btnOpen->click();
    EXPECT_EQ(system.Calls, std::vector<std::string>{"open /media/shots"});
    w.close();
}

TEST_F(frmPreferenceTest, OkIntoAnUnwritableFileTellsAndStaysOpen) {
    TfrmPreference unwritable(TAppSettings(tmp.File("missing/orvelkestrune.ini")), chooser, system, boxes);
    unwritable.show();
    unwritable.btnOk->click();
    EXPECT_TRUE(unwritable.isVisible());
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Icon, TMsgIcon::Warning);
    EXPECT_NE(boxes.Shown[0].Text.find("missing/orvelkestrune.ini"), std::string::npos);
    unwritable.btnCancel->click();
}
