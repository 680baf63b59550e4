#include "FormatTestFiles.h"

#include "app/store/IniFile.h"
#include "formats/FormatCatalog.h"
#include "formats/FormatListModel.h"

#include <gtest/gtest.h>

#include <set>

using namespace orvel;

namespace {

constexpr int kIRiverRow = 10; // row of the "iRiver" header while everything is collapsed
constexpr int kAudioRow = 27;  // row of the last header, "General Audio formates"
constexpr int kAllEntryRows = 121;

TEST(FormatCatalog, CodesAreCategoryTimesHundredPlusEntryAndNamesAreExact) {
    const auto& catalog = FormatCatalog();
    ASSERT_EQ(catalog.size(), 28u);
    const auto codes = AllFormatCodes();
    EXPECT_EQ(codes.size(), static_cast<size_t>(kAllEntryRows));
    EXPECT_EQ(std::set<int>(codes.begin(), codes.end()).size(), codes.size());
    EXPECT_EQ(codes.front(), 0);
    EXPECT_EQ(codes.back(), 2706);

    const std::pair<int, const char*> samples[] = {
        {0, "iPod Video MPEG-4 (*.mp4)"},
        {8, "iPod Touch MPEG-4 Wide Screen (*.mp4)"},
        {104, "iPhone Movie for 576p TV Out (*.mp4)"},
        {904, "Creative Zen Vison Video (*.avi)"},
        {1009, "iRiver PMP-120/140/IMP-1000/1100 Video (*.avi)"},
        {1301, "Nitendeo Wii MOV Video (*.mov)"},
        {1402, "Mobile Phone 3GP2 h263 Video(*.3gp)"},
        {1405, "Nokia N Series MPEG-4 Video(*.mp4)"},
        {1600, "Nokia N Series MPEG-4 Video (*.mp4)"},
        {2201, "DVD - PAL MPEG-2 Moive (*.mpg)"},
        {2608, "DV - NTSC -Digital Video Format (*.dv)"},
        {2701, "AAC Advenced Audio Codec (*.aac)"},
        {2706, "AC-3 Audio Codec (*.ac3)"},
    };
    for (const auto& [code, name] : samples)
        EXPECT_EQ(FormatNameOfCode(code), std::string(name)) << code;
    for (const int bad : {-1, 9, 105, 2707, 2800})
        EXPECT_FALSE(FormatNameOfCode(bad)) << bad;

    EXPECT_EQ(catalog[13].Name, std::string("Nitendeo WII"));
    EXPECT_EQ(catalog[26].Name, std::string("General Video formates"));
    EXPECT_EQ(FormatSection(2706), "formatInfo2706");
    EXPECT_EQ(ExtensionInName("Mobile Phone 3GP h263 Video(*.3gp)"), "3gp");
    EXPECT_EQ(ExtensionInName("iPod MPEG-4 Mini (320 x 240)(*.mp4)"), "mp4");
    EXPECT_FALSE(ExtensionInName("Apple iPod"));
}

class FormatListModelTest : public ::testing::Test {
protected:
    fmttest::TScratchFolder dir_;
    std::string settings_ = dir_.Path("orvelkestrune.ini");

    static std::vector<std::string> Texts(const TFormatListModel& m) {
        std::vector<std::string> t;
        for (const auto& r : m.Rows())
            t.push_back(r.Text);
        return t;
    }
    static void ExpandAll(TFormatListModel& m) {
        for (int r = m.RowCount() - 1; r >= 0; --r)
            if (m.Rows()[static_cast<size_t>(r)].Info.IsCategory) m.Toggle(r);
    }
};

TEST_F(FormatListModelTest, FirstRunShowsCollapsedHeadersAndTheDefaultFormatWithoutSelection) {
    TFormatListModel model(settings_);
    model.Fill();
    ASSERT_EQ(model.RowCount(), 28);
    for (int r = 0; r < 28; ++r) {
        const TItemInfo& info = model.Rows()[static_cast<size_t>(r)].Info;
        EXPECT_TRUE(info.IsCategory);
        EXPECT_FALSE(info.IsEntry);
        EXPECT_TRUE(info.Collapsed);
        EXPECT_EQ(info.Code, r);
        EXPECT_EQ(info.CategoryName, FormatCatalog()[static_cast<size_t>(r)].Name);
    }
    EXPECT_EQ(model.CurrentName(), "iPod Video H.264 (*.mp4)");
    EXPECT_EQ(model.CurrentCode(), "1");
    EXPECT_EQ(model.CurrentCodeValue(), 1);
    EXPECT_EQ(model.SelectedRow(), -1);
    EXPECT_EQ(model.Table().Name(10, 9), "iRiver PMP-120/140/IMP-1000/1100 Video (*.avi)");
    EXPECT_EQ(model.Table().Name(10, 10), "");
    EXPECT_EQ(model.Table().Name(50, 50), "");
    EXPECT_FALSE(dir_.Exists("orvelkestrune.ini")) << "filling only reads";
}

TEST_F(FormatListModelTest, IRiverExpandsToExactlyTenEntriesAndCollapsesBack) {
    TFormatListModel model(settings_);
    model.Fill();
    const auto before = Texts(model);

    EXPECT_EQ(model.MousePress(kIRiverRow, 5), TPressResult::Toggled);
    ASSERT_EQ(model.RowCount(), 38);
    EXPECT_FALSE(model.Rows()[kIRiverRow].Info.Collapsed);
    for (int e = 0; e < 10; ++e) {
        const TFormatRow& row = model.Rows()[static_cast<size_t>(kIRiverRow + 1 + e)];
        EXPECT_TRUE(row.Info.IsEntry);
        EXPECT_EQ(row.Info.Code, 1000 + e);
        EXPECT_EQ(row.Text, *FormatNameOfCode(1000 + e));
    }
    EXPECT_EQ(model.Rows()[kIRiverRow + 11].Text, "Sandisk Sansa");

    // A double-click anywhere on the header collapses it again, removing just those rows.
    model.SetSelectedRow(kIRiverRow + 12);
    EXPECT_EQ(model.DoubleClick(kIRiverRow), TPressResult::Toggled);
    EXPECT_EQ(Texts(model), before);
    EXPECT_TRUE(model.Rows()[kIRiverRow].Info.Collapsed);
    EXPECT_EQ(model.SelectedRow(), kIRiverRow + 2) << "the hot row follows its row";
}

TEST_F(FormatListModelTest, PressOnHeaderOutsideToggleZoneDoesNothing) {
    TFormatListModel model(settings_);
    model.Fill();
    int chosen = 0;
    model.OnFormatChosen = [&](const std::string&) { ++chosen; };
    for (const int x : {20, 21, 150}) {
        EXPECT_EQ(model.MousePress(kIRiverRow, x), TPressResult::Nothing) << x;
        EXPECT_EQ(model.RowCount(), 28);
    }
    EXPECT_EQ(model.MousePress(-1, 5), TPressResult::Nothing);
    EXPECT_EQ(model.MousePress(28, 5), TPressResult::Nothing);
    EXPECT_EQ(model.DoubleClick(99), TPressResult::Nothing);
    EXPECT_EQ(chosen, 0);
    EXPECT_EQ(model.CurrentCode(), "1");
    EXPECT_FALSE(dir_.Exists("orvelkestrune.ini"));
}

TEST_F(FormatListModelTest, SelectingAnEntryStoresNameThenCodeAndNotifiesLast) {
    TFormatListModel model(settings_);
    model.Fill();
    model.MousePress(kAudioRow, 0);
    const int ac3Row = model.FindRow("  AC-3 Audio Codec (*.ac3) ");
    ASSERT_EQ(ac3Row, kAudioRow + 7);

    std::string codeSeenByListener;
    model.OnFormatChosen = [&](const std::string& name) {
        EXPECT_EQ(name, "AC-3 Audio Codec (*.ac3)");
        codeSeenByListener = TIniFile(settings_).ReadString("settings", "FormatCode", "");
    };
    EXPECT_EQ(model.MousePress(ac3Row, 200), TPressResult::Selected);
    EXPECT_EQ(codeSeenByListener, "2706");
    EXPECT_EQ(model.CurrentCode(), "2706");
    EXPECT_EQ(model.CurrentName(), "AC-3 Audio Codec (*.ac3)");

    const std::string text = dir_.Read("orvelkestrune.ini");
    const auto name = text.find("FormatName=AC-3 Audio Codec (*.ac3)");
    const auto code = text.find("FormatCode=2706");
    ASSERT_NE(name, std::string::npos);
    ASSERT_NE(code, std::string::npos);
    EXPECT_LT(name, code) << "the name is written first";

    // The next filling takes the stored format and selects its row only where it is shown.
    TFormatListModel again(settings_);
    again.Fill();
    EXPECT_EQ(again.CurrentCodeValue(), 2706);
    EXPECT_EQ(again.SelectedRow(), -1);
}

TEST_F(FormatListModelTest, DialogListChangesOnlyItsOwnCurrentFormat) {
    TFormatListModel model(settings_, /*persistSelection=*/false);
    model.Fill();
    model.Toggle(0);
    EXPECT_EQ(model.MousePress(3, 30), TPressResult::Selected);
    EXPECT_EQ(model.CurrentCode(), "2");
    EXPECT_FALSE(dir_.Exists("orvelkestrune.ini"));
}

TEST_F(FormatListModelTest, CollapsedStatesSurviveSaveAndFill) {
    TFormatListModel model(settings_);
    model.Fill();
    model.Toggle(kAudioRow);
    model.Toggle(kIRiverRow);
    model.SaveState();
    TIniFile ini(settings_);
    EXPECT_EQ(ini.ReadString("lstformat", "10", ""), "0");
    EXPECT_EQ(ini.ReadString("lstformat", "9", ""), "1");
    ini.WriteString("settings", "FormatName", " iRiver E10 Video (*.avi)");

    TFormatListModel again(settings_);
    again.Fill();
    EXPECT_EQ(Texts(again), Texts(model));
    EXPECT_EQ(again.SelectedRow(), kIRiverRow + 5) << "stored name is matched trimmed";
}

TEST_F(FormatListModelTest, HeightsStayAtTheirCapsWithEverythingExpanded) {
    TFormatListModel model(settings_);
    model.Fill();
    ExpandAll(model);
    ASSERT_EQ(model.RowCount(), kAllEntryRows + 28);
    EXPECT_EQ(FilledListHeight(model.RowCount()), 362);
    EXPECT_EQ(OpenedListHeight(model.RowCount()), 386);
    EXPECT_EQ(DialogListHeight(model.RowCount()), 247);
    EXPECT_EQ(FilledListTop(100, 362), 133);
    EXPECT_EQ(OpenedListTop(100, 386), 145);

    // Short lists are one row taller than their rows.
    EXPECT_EQ(FilledListHeight(5), 120);
    EXPECT_EQ(FilledListHeight(18), 380); // 360 is still below the 363 threshold
    EXPECT_EQ(OpenedListHeight(19), 400);
    EXPECT_EQ(OpenedListHeight(20), 386);
    EXPECT_EQ(DialogListHeight(12), 260);
    EXPECT_EQ(DialogListHeight(13), 247);

    EXPECT_EQ(model.RowAt(45, 3), 5);
    EXPECT_EQ(model.RowAt(-1), -1);
    EXPECT_EQ(model.RowAt(model.RowCount() * 20), -1);
}

} // namespace
