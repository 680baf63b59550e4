#include "app/store/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using orvel::TIniFile;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("orvel_ini_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "settings.ini").string();
    }
    void TearDown() override { fs::remove_all(dir_); }
    void Put(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
    std::string Contents() {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    fs::path dir_;
    std::string path_;
};

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesEachReadersDefault) {
    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("settings", "OutPutDir", "x"), "x");
    EXPECT_EQ(ini.ReadInteger("settings", "volume", 7), 7);
    Put("[settings]\r\nvolume=12\r\n");
    EXPECT_EQ(ini.ReadInteger("other", "volume", 3), 3);
    EXPECT_EQ(ini.ReadInteger("settings", "mute", 0), 0);
    EXPECT_FALSE(fs::exists(dir_ / "settings.ini.tmp~"));
}

TEST_F(IniFileTest, NamesMatchWithoutRegardToCase) {
    Put("[Settings]\r\nPriority=3\r\nSnapOutPutDir=/tmp/a\r\n[formatInfo101]\r\nparazoom=2\r\n");
    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadInteger("settings", "priority", 1), 3);
    EXPECT_EQ(ini.ReadString("SETTINGS", "snapOutPutDir", ""), "/tmp/a");
    EXPECT_EQ(ini.ReadString("FORMATINFO101", "paraZoom", ""), "2");
    // Writing through another spelling replaces the one key instead of adding a second.
    ASSERT_TRUE(ini.WriteInteger("settings", "PRIORITY", 0));
    EXPECT_EQ(ini.ReadSection("settings"), (std::vector<std::string>{"Priority", "SnapOutPutDir"}));
    EXPECT_EQ(ini.ReadInteger("Settings", "Priority", 1), 0);
}

TEST_F(IniFileTest, ValuesAreKeptAsWrittenAndIntegersNeedWholeNumbers) {
    TIniFile ini(path_);
    ASSERT_TRUE(ini.WriteString("formatInfo101", "paraAudioEncoder", "pcm_mulaw "));
    EXPECT_EQ(ini.ReadString("formatInfo101", "paraAudioEncoder", ""), "pcm_mulaw ");
    Put("[s]\r\na=12x\r\nb=-5\r\nc=\r\nd=0x10\r\n");
    EXPECT_EQ(ini.ReadInteger("s", "a", 9), 9);
    EXPECT_EQ(ini.ReadInteger("s", "b", 9), -5);
    EXPECT_EQ(ini.ReadInteger("s", "c", 9), 9);
    EXPECT_EQ(ini.ReadInteger("s", "d", 9), 16);
}

TEST_F(IniFileTest, WritesKeepUnknownLinesAndReplaceTheFileWhole) {
    Put("; made by hand\r\ngarbage line\r\n[settings]\r\nvolume=5\r\n# note\r\n\r\n[lstformat]\r\nc1=1\r\n");
    TIniFile ini(path_);
    ASSERT_TRUE(ini.WriteInteger("settings", "mute", 1));
    ASSERT_TRUE(ini.WriteInteger("settings", "volume", 6));
    ASSERT_TRUE(ini.WriteString("new", "k", "v"));
    EXPECT_EQ(Contents(),
              "; made by hand\r\ngarbage line\r\n[settings]\r\nvolume=6\r\n# note\r\nmute=1\r\n\r\n"
              "[lstformat]\r\nc1=1\r\n\r\n[new]\r\nk=v\r\n");
    // No temporary file is left behind, and a stale one from a crash does not matter.
    EXPECT_FALSE(fs::exists(dir_ / "settings.ini.tmp~"));
    std::ofstream(path_ + ".tmp~") << "[settings]\r\nvol";
    EXPECT_EQ(ini.ReadInteger("settings", "volume", 0), 6);
    ASSERT_TRUE(ini.WriteInteger("settings", "volume", 7));
    EXPECT_EQ(ini.ReadInteger("settings", "volume", 0), 7);
}

TEST_F(IniFileTest, RewriteSectionPutsTheEntriesFirstInOrderAndKeepsTheRest) {
    Put("[a]\r\nx=0\r\n[Fmt]\r\nkeep=1\r\nB=old\r\n; note\r\nA=old\r\n\r\n[c]\r\ny=2\r\n");
    TIniFile ini(path_);
    ASSERT_TRUE(ini.RewriteSection("fmt", {{"a", "1"}, {"b", "2"}, {"new", "3"}}));
    EXPECT_EQ(Contents(), "[a]\r\nx=0\r\n[Fmt]\r\na=1\r\nb=2\r\nnew=3\r\nkeep=1\r\n; note\r\n\r\n"
                          "[c]\r\ny=2\r\n");
    ASSERT_TRUE(ini.RewriteSection("d", {{"k", "v"}}));
    EXPECT_EQ(ini.ReadSection("d"), std::vector<std::string>{"k"});
    EXPECT_EQ(ini.ReadString("c", "y", ""), "2");
}

TEST_F(IniFileTest, WriteIntoUnwritableFolderFailsAndKeepsTheOldFile) {
    Put("[s]\r\nk=1\r\n");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    TIniFile ini(path_);
    const bool ok = ini.WriteString("s", "k", "2");
    fs::permissions(dir_, fs::perms::owner_all);
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    EXPECT_FALSE(ok);
    EXPECT_EQ(ini.ReadString("s", "k", ""), "1");
}

} // namespace
