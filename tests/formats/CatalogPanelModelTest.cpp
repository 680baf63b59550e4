#include "FormatTestFiles.h"

#include "app/store/IniFile.h"
#include "formats/CatalogPanelModel.h"

#include <gtest/gtest.h>

using namespace orvel;

namespace {

class CatalogPanelModelTest : public ::testing::Test {
protected:
    std::string Settings() const { return dir.Path("orvelkestrune.ini"); }
    std::string Stored(const std::string& section, const std::string& key) const {
        return TIniFile(Settings()).ReadString(section, key, "<none>");
    }
    static int RowOf(const TCatalogPanelView& v, const std::string& text) {
        for (size_t i = 0; i < v.Rows.size(); ++i)
            if (v.Rows[i].Text == text) return static_cast<int>(i);
        return -1;
    }
    fmttest::TScratchFolder dir;
};

TEST_F(CatalogPanelModelTest, FirstRunShowsCollapsedCategoriesAndTheDefaultName) {
    TCatalogPanelModel panel(Settings(), TCatalogPanelOptions::MainWindow());
    panel.SetEditEdges(0, 20);
    panel.Fill();
    const TCatalogPanelView& v = panel.View();
    // The entry of the code the jobs use (1 when none is stored), so the selectors below match.
    EXPECT_EQ(v.EditText, "iPod Video H.264 (*.mp4)");
    EXPECT_EQ(FormatNameOfCode(1), v.EditText);
    EXPECT_FALSE(v.ListVisible);
    EXPECT_EQ(v.SelectedRow, -1);
    ASSERT_EQ(v.Rows.size(), 28u);
    for (const auto& r : v.Rows)
        EXPECT_TRUE(r.IsCategory && r.Collapsed) << r.Text;
    EXPECT_EQ(panel.CurrentCode(), 1);
    EXPECT_EQ(v.ListHeight, 362); // 28 rows x 20 is past the fill cap
    EXPECT_FALSE(dir.Exists("orvelkestrune.ini"));
}

TEST_F(CatalogPanelModelTest, OpeningClosingAndTheListGeometry) {
    TIniFile(Settings()).WriteString("lstformat", "0", "0");
    TIniFile(Settings()).WriteString("settings", "FormatName", "iPod Video H.264 (*.mp4)");
    TCatalogPanelModel panel(Settings(), TCatalogPanelOptions::MainWindow());
    panel.SetEditEdges(100, 120);
    panel.Fill();
    EXPECT_EQ(panel.View().SelectedRow, 2);
    EXPECT_EQ(panel.View().EditText, "iPod Video H.264 (*.mp4)");

    EXPECT_EQ(panel.edt1Click(), 2) << "the pointer moves onto the current format's row";
    EXPECT_TRUE(panel.View().ListVisible);
    EXPECT_EQ(panel.View().ListHeight, 386); // 37 rows
    EXPECT_EQ(panel.View().ListTop, 100 - 386 + 431);
    EXPECT_EQ(panel.edt1Click(), -1);
    EXPECT_FALSE(panel.View().ListVisible);

    panel.edt1DblClick(); // opens without resizing
    EXPECT_TRUE(panel.View().ListVisible);
    EXPECT_EQ(panel.View().ListHeight, 386);

    TCatalogPanelModel fewRows(Settings(), TCatalogPanelOptions::SettingsDialog());
    fewRows.SetEditEdges(100, 120);
    fewRows.Fill();
    fewRows.edt1Click();
    EXPECT_EQ(fewRows.View().ListHeight, 247);
    EXPECT_EQ(fewRows.View().ListTop, 119) << "the dialog's list drops down below its box";
}

TEST_F(CatalogPanelModelTest, HeightCapsWithEveryCategoryExpanded) {
    for (int c = 0; c < 28; ++c)
        TIniFile(Settings()).WriteString("lstformat", std::to_string(c), "0");
    TCatalogPanelModel panel(Settings(), TCatalogPanelOptions::MainWindow());
    panel.Fill();
    EXPECT_EQ(panel.View().Rows.size(), 28u + 121u);
    EXPECT_EQ(panel.View().ListHeight, 362);
    panel.edt1Click();
    EXPECT_EQ(panel.View().ListHeight, 386);
}

TEST_F(CatalogPanelModelTest, HeaderPressesToggleOnlyInTheLeftZone) {
    TCatalogPanelModel panel(Settings(), TCatalogPanelOptions::MainWindow());
    panel.Fill();
    panel.imgbtn1Click();
    const int iriver = RowOf(panel.View(), "iRiver");
    const TCatalogPanelView before = panel.View();

    panel.lst1MouseDown(iriver, 20); // just outside the zone: nothing
    EXPECT_EQ(panel.View(), before);

    panel.lst1MouseDown(iriver, 19);
    const TCatalogPanelView& v = panel.View();
    ASSERT_EQ(v.Rows.size(), 38u) << "iRiver has ten entries";
    EXPECT_FALSE(v.Rows[static_cast<size_t>(iriver)].Collapsed);
    EXPECT_EQ(v.Rows[static_cast<size_t>(iriver) + 1].Text, "iRiver H.264 Video (*.mp4)");
    EXPECT_EQ(v.Rows[static_cast<size_t>(iriver) + 10].Code, 1009);
    EXPECT_TRUE(v.ListVisible);

    panel.lst1DblClick(iriver); // anywhere on the header
    EXPECT_EQ(panel.View().Rows, before.Rows);

    panel.SaveState();
    EXPECT_EQ(Stored("lstformat", "10"), "1");
    EXPECT_EQ(Stored("lstformat", "27"), "1");
}

TEST_F(CatalogPanelModelTest, ChoosingAnEntryStoresItInTheMainWindowOnly) {
    struct Case {
        TCatalogPanelOptions Options;
        const char* StoredName;
        const char* StoredCode;
    };
    const Case cases[] = {
        {TCatalogPanelOptions::MainWindow(), "AC-3 Audio Codec (*.ac3)", "2706"},
        {TCatalogPanelOptions::SettingsDialog(), "<none>", "<none>"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(Settings());
        TIniFile(Settings()).WriteString("lstformat", "27", "0");
        TCatalogPanelModel panel(Settings(), c.Options);
        panel.Fill();
        panel.edt1Click();
        const int ac3 = RowOf(panel.View(), "AC-3 Audio Codec (*.ac3)");
        ASSERT_GT(ac3, 0);
        panel.lst1MouseMove(ac3); // hot tracking
        EXPECT_EQ(panel.View().SelectedRow, ac3);
        panel.lst1MouseDown(ac3, 100);
        EXPECT_EQ(panel.View().EditText, "AC-3 Audio Codec (*.ac3)");
        EXPECT_FALSE(panel.View().ListVisible);
        EXPECT_EQ(panel.CurrentCode(), 2706);
        EXPECT_EQ(Stored("settings", "FormatName"), c.StoredName);
        EXPECT_EQ(Stored("settings", "FormatCode"), c.StoredCode);
    }
}

TEST_F(CatalogPanelModelTest, AStoredCodeWithoutANameShowsThatCodesEntry) {
    TIniFile(Settings()).WriteString("settings", "FormatCode", "803");
    TCatalogPanelModel panel(Settings(), TCatalogPanelOptions::MainWindow());
    panel.Fill();
    EXPECT_EQ(panel.View().EditText, FormatNameOfCode(803).value());
    panel.imgbtn1Click(); // the opening puts the stored name in the box: the same one
    EXPECT_EQ(panel.View().EditText, FormatNameOfCode(803).value());
}

TEST_F(CatalogPanelModelTest, TheArrowAndADoubleClickPutTheStoredNameInTheBox) {
    TCatalogPanelModel panel(Settings(), TCatalogPanelOptions::MainWindow());
    panel.Fill();
    panel.SetCurrent("5", "shown name");
    panel.edt1Click();
    EXPECT_EQ(panel.View().EditText, "shown name") << "a single click leaves the box";
    panel.HideList();
    panel.edt1DblClick();
    EXPECT_EQ(panel.View().EditText, "iPod Video H.264 (*.mp4)");
    panel.HideList();
    panel.SetCurrent("5", "shown name");
    panel.imgbtn1Click();
    EXPECT_EQ(panel.View().EditText, "iPod Video H.264 (*.mp4)");

    TCatalogPanelModel dialog(Settings(), TCatalogPanelOptions::SettingsDialog());
    dialog.Fill();
    dialog.SetCurrent("2706", "AC-3 Audio Codec (*.ac3)");
    dialog.imgbtn1Click();
    EXPECT_EQ(dialog.View().EditText, "AC-3 Audio Codec (*.ac3)");
}

} // namespace
