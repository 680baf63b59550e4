#include "ui/ColorSchemes.h"

#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <set>

using namespace orvel;

TEST(ColorSchemesTest, SevenNamedSchemesInOrderWithDistinctLooks) {
    const char* names[] = {"Default", "Gray", "Orange", "Purple", "Red", "Green", "Light blue"};
    const QRgb stripes[] = {qRgb(226, 230, 246), qRgb(236, 236, 236), qRgb(248, 242, 224),
                            qRgb(246, 230, 241), qRgb(247, 225, 225), qRgb(226, 247, 225),
                            qRgb(225, 240, 247)};
    std::set<QRgb> windows, highlights;
    for (int i = 0; i < kColorSchemeCount; ++i) {
        ASSERT_NE(ColorSchemeName(i), nullptr);
        EXPECT_STREQ(ColorSchemeName(i), names[i]);
        EXPECT_EQ(ColorSchemeStripe(i).rgb(), stripes[i]) << names[i];
        const QPalette p = ColorSchemePalette(i);
        EXPECT_EQ(p.color(QPalette::AlternateBase).rgb(), stripes[i]);
        windows.insert(p.color(QPalette::Window).rgb());
        highlights.insert(p.color(QPalette::Highlight).rgb());
    }
    EXPECT_EQ(windows.size(), 7u);
    EXPECT_EQ(highlights.size(), 7u);
    for (int bad : {-1, 7, 9}) {
        EXPECT_FALSE(IsColorScheme(bad));
        EXPECT_EQ(ColorSchemeName(bad), nullptr);
        EXPECT_EQ(ColorSchemePalette(bad), ColorSchemePalette(0));
    }
}

TEST(ColorSchemesTest, ApplyingANumberThatNamesNoSchemeChangesNothing) {
    test::WindowApp();
    ASSERT_TRUE(ApplyColorScheme(2));
    EXPECT_EQ(CurrentColorScheme(), 2);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), ColorSchemePalette(2).color(QPalette::Window));
    EXPECT_FALSE(ApplyColorScheme(9));
    EXPECT_EQ(CurrentColorScheme(), 2);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), ColorSchemePalette(2).color(QPalette::Window));
}

TEST(ColorSchemesTest, EachSchemeStylesEveryControlKindInItsOwnColours) {
    test::WindowApp();
    std::set<QString> sheets;
    for (int i = 0; i < kColorSchemeCount; ++i) {
        const QString sheet = ColorSchemeStyleSheet(i);
        for (const char* kind : {"QPushButton", "QGroupBox", "QHeaderView", "QTreeView", "QMenu", "QSlider"})
            EXPECT_TRUE(sheet.contains(kind)) << ColorSchemeName(i) << " " << kind;
        sheets.insert(sheet);
        ASSERT_TRUE(ApplyColorScheme(i));
        EXPECT_EQ(qApp->styleSheet(), sheet);
    }
    EXPECT_EQ(sheets.size(), 7u);
    ApplyColorScheme(0);
}
