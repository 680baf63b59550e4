#include "app/store/GlobalObject.h"

#include "app/store/AppTestSupport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace orvel;

TEST(GlobalObjectTest, PathSettersIgnoreShortValuesOthersIgnoreEmpty) {
    TGlobalObject g(TAppPaths{"/opt/orvel/orvelkestrune.ini", "/opt/orvel/orvelvideoformat.ini"});
    EXPECT_EQ(g.ProductName(), "Orvel Video Converter");
    EXPECT_FALSE(g.HelpUrl().empty());
    EXPECT_FALSE(g.WebSiteUrl().empty());
    EXPECT_FALSE(g.DownloadUrl().empty());

    for (const char* ignored : {"", "a", "/ab", "c:\\"}) {
        g.SetSettingsIniPath(ignored);
        g.SetFormatIniPath(ignored);
    }
    EXPECT_EQ(g.SettingsIniPath(), "/opt/orvel/orvelkestrune.ini");
    EXPECT_EQ(g.FormatIniPath(), "/opt/orvel/orvelvideoformat.ini");
    g.SetSettingsIniPath("/a.i");
    g.SetFormatIniPath("/b.i");
    EXPECT_EQ(g.SettingsIniPath(), "/a.i");
    EXPECT_EQ(g.FormatIniPath(), "/b.i");

    const std::string help = g.HelpUrl();
    g.SetHelpUrl("");
    g.SetProductName("");
    g.SetVersionText("");
    g.SetDownloadUrl("");
    g.SetWebSiteUrl("");
    EXPECT_EQ(g.HelpUrl(), help);
    EXPECT_EQ(g.ProductName(), "Orvel Video Converter");
    EXPECT_EQ(g.VersionText(), " ver 1.70 ");
    g.SetProductName("X");
    g.SetVersionText("v");
    g.SetWebSiteUrl("w");
    EXPECT_EQ(g.ProductName(), "X");
    EXPECT_EQ(g.VersionText(), "v");
    EXPECT_EQ(g.WebSiteUrl(), "w");
}

TEST(GlobalObjectTest, RightStrAndVersionText) {
    struct Case {
        std::string text;
        int count;
        std::string expected;
    };
    for (const Case& c : std::vector<Case>{{"orvelkestrune.ini", 4, ".ini"},
                                           {"abc", 3, "abc"},
                                           {"abc", 10, "abc"},
                                           {"abc", 0, ""},
                                           {"abc", -2, ""}})
        EXPECT_EQ(TGlobalObject::RightStr(c.text, c.count), c.expected) << c.text << " " << c.count;

    // The project is version 3.3.0.0: minor, release and build run together after the dot.
    EXPECT_EQ(TGlobalObject::GetFileVersionText(), " 3.300 ");
}

TEST(GlobalObjectTest, FilesLiveBesideTheProgramUnlessItsFolderIsReadOnly) {
    test::TTempDir tmp;
    const fs::path prefix = tmp.Path() / "usr";
    const fs::path bin = prefix / "bin";
    fs::create_directories(bin);
    const std::string shared = (prefix / "share/orvel-video-converter/orvelvideoformat.ini").string();
    const std::string beside = (bin / "orvelvideoformat.ini").string();

    // Writable folder: both beside; the format file is beside even when it is missing there.
    TAppPaths p = ResolveAppPaths(bin, true, "/xdg", "/home/u");
    EXPECT_EQ(p.SettingsIniPath, (bin / "orvelkestrune.ini").string());
    EXPECT_EQ(p.FormatIniPath, beside);

    // Read-only folder: settings under the user's configuration folder.
    EXPECT_EQ(ResolveAppPaths(bin, false, "/xdg", "/home/u").SettingsIniPath,
              "/xdg/orvel-video-converter/orvelkestrune.ini");
    EXPECT_EQ(ResolveAppPaths(bin, false, "", "/home/u").SettingsIniPath,
              "/home/u/.config/orvel-video-converter/orvelkestrune.ini");
    EXPECT_EQ(ResolveAppPaths(bin, false, "relative/dir", "/home/u").SettingsIniPath,
              "/home/u/.config/orvel-video-converter/orvelkestrune.ini");

    // An installed format file is found in <prefix>/share; one beside the program wins.
    tmp.Write("usr/share/orvel-video-converter/orvelvideoformat.ini", "[x]\n");
    EXPECT_EQ(ResolveAppPaths(bin, false, "", "/home/u").FormatIniPath, shared);
    tmp.Write("usr/bin/orvelvideoformat.ini", "[x]\n");
    EXPECT_EQ(ResolveAppPaths(bin, false, "", "/home/u").FormatIniPath, beside);
}

TEST(GlobalObjectTest, TheRunningProgramsPathsAreBesideItsExecutable) {
    // The test folder is writable, so nothing moves.
    const TAppPaths p = TAppPaths::ForExecutable();
    EXPECT_EQ(fs::path(p.SettingsIniPath).parent_path(), ExecutableDir());
    EXPECT_EQ(fs::path(p.SettingsIniPath).filename(), "orvelkestrune.ini");
    EXPECT_TRUE(fs::exists(ExecutableDir() / fs::path(::testing::internal::GetArgvs()[0]).filename()));
}
