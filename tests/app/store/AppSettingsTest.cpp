#include "app/store/AppSettings.h"

#include "app/store/AppTestSupport.h"
#include "app/store/GlobalObject.h"

#include <gtest/gtest.h>

using namespace orvel;

TEST(AppSettingsTest, FirstRunWithoutAFileGivesEachReadersDefault) {
    test::TTempDir tmp;
    const TAppSettings s(tmp.File("orvelkestrune.ini"));
    EXPECT_EQ(s.OutPutDir(), DefaultKestruneDir());
    EXPECT_EQ(s.SnapOutPutDir(), DefaultKestruneDir());
    EXPECT_EQ(s.FormatCodeAtShow(), "1");
    EXPECT_EQ(s.FormatCodeForJobs(), 1);
    EXPECT_EQ(s.FormatCodeForCatalog(), 0);
    EXPECT_EQ(s.FormatNameAtShow(), "iPod Video MPEG-4");
    EXPECT_EQ(s.FormatNameForCatalog(), "Apple iPod Video MPEG-4 Movie (*.mp4)");
    EXPECT_EQ(s.OutPutFormat(), 0);
    EXPECT_EQ(s.SkinIndexAtStart(), 0);
    EXPECT_EQ(s.SkinIndexForMenu(), 1);
    EXPECT_EQ(s.VolumeForSlider(), 0);
    EXPECT_FALSE(s.Mute());
    EXPECT_EQ(s.Priority(), 1);
    EXPECT_TRUE(s.SnapFullSize());
    EXPECT_TRUE(s.SnapSmallSize());
    EXPECT_TRUE(s.SnapBmp());
    EXPECT_TRUE(s.SnapJpg());
    EXPECT_EQ(s.JpgCmp(), 30);
    EXPECT_FALSE(std::filesystem::exists(tmp.File("orvelkestrune.ini")))
        << "reading must not create the file";
    EXPECT_EQ(DefaultKestruneDir(), std::string(std::getenv("HOME")) + "/kestrune");
}

TEST(AppSettingsTest, StoredVolumeOutsideTheRangeShowsTheMiddleAndStays) {
    test::TTempDir tmp;
    TAppSettings s(tmp.File("s.ini"));
    struct Case {
        const char* stored;
        int shown;
    };
    for (const Case& c : {Case{"200", 64}, Case{"-1", 64}, Case{"129", 64}, Case{"128", 128}, Case{"0", 0},
                          Case{"77", 77}, Case{"loud", 0}}) {
        tmp.Write("s.ini", std::string("[settings]\nvolume=") + c.stored + "\n");
        EXPECT_EQ(s.VolumeForSlider(), c.shown) << c.stored;
        EXPECT_EQ(s.Ini().ReadString("settings", "volume", ""), c.stored);
    }
}

TEST(AppSettingsTest, EverySetterWritesTheKeyItsReaderReads) {
    test::TTempDir tmp;
    TAppSettings s(tmp.File("s.ini"));
    ASSERT_TRUE(s.SetOutPutDir("/data/out"));
    ASSERT_TRUE(s.SetFormatCode(42));
    ASSERT_TRUE(s.SetFormatName("MKV"));
    ASSERT_TRUE(s.SetSkinIndex(5));
    ASSERT_TRUE(s.SetVolume(99));
    ASSERT_TRUE(s.SetMute(true));
    ASSERT_TRUE(s.SetPriority(3));
    ASSERT_TRUE(s.SetSnapOutPutDir("/data/snap"));
    ASSERT_TRUE(s.SetSnapFullSize(false));
    ASSERT_TRUE(s.SetSnapSmallSize(false));
    ASSERT_TRUE(s.SetSnapBmp(false));
    ASSERT_TRUE(s.SetSnapJpg(false));
    ASSERT_TRUE(s.SetJpgCmp(85));

    const TAppSettings r(tmp.File("s.ini")); // a second reader sees every write
    EXPECT_EQ(r.OutPutDir(), "/data/out");
    EXPECT_EQ(r.FormatCodeAtShow(), "42");
    EXPECT_EQ(r.FormatCodeForJobs(), 42);
    EXPECT_EQ(r.FormatCodeForCatalog(), 42);
    EXPECT_EQ(r.FormatNameAtShow(), "MKV");
    EXPECT_EQ(r.FormatNameForCatalog(), "MKV");
    EXPECT_EQ(r.SkinIndexAtStart(), 5);
    EXPECT_EQ(r.SkinIndexForMenu(), 5);
    EXPECT_EQ(r.VolumeForSlider(), 99);
    EXPECT_TRUE(r.Mute());
    EXPECT_EQ(r.Priority(), 3);
    EXPECT_EQ(r.SnapOutPutDir(), "/data/snap");
    EXPECT_FALSE(r.SnapFullSize());
    EXPECT_FALSE(r.SnapSmallSize());
    EXPECT_FALSE(r.SnapBmp());
    EXPECT_FALSE(r.SnapJpg());
    EXPECT_EQ(r.JpgCmp(), 85);
}

TEST(AppSettingsTest, WritesIntoAMissingFolderFailVisibly) {
    test::TTempDir tmp;
    TAppSettings s(tmp.File("no/such/folder/s.ini"));
    EXPECT_FALSE(s.SetVolume(10));
    EXPECT_EQ(s.Volume(), 0);
}
