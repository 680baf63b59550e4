#include "app/windows/frmAbout.h"

#include "app/LibraryVersions.h"
#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <regex>

using namespace orvel;

TEST(frmAboutTest, NamesTheProductItsVersionAndTheLibrariesInUse) {
    test::WindowApp();
    const auto versions = LibraryVersions();
    ASSERT_EQ(versions.size(), 8u);
    for (const auto& [name, version] : versions)
        EXPECT_TRUE(std::regex_match(version, std::regex(R"(\d+\.\d+\.\d+)"))) << name << " " << version;
    EXPECT_EQ(versions.front().first, "libavformat");
    EXPECT_EQ(versions.back().first, "Qt");

    TfrmAbout about;
    about.show();
    EXPECT_EQ(about.lblProduct->text(), "Orvel Video Converter");
    EXPECT_EQ(about.lblVersion->text(), "Version 3.300");
    for (const auto& [name, version] : versions)
        EXPECT_TRUE(about.lblLibraries->text().contains(QString::fromStdString(name + " " + version)))
            << name;
    about.btnOk->click();
    EXPECT_FALSE(about.isVisible());
}
