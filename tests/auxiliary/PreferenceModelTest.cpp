#include "auxiliary/PreferenceModel.h"

#include "app/store/AppTestSupport.h"
#include "app/store/GlobalObject.h"

#include <gtest/gtest.h>

using namespace orvel;
using Check = TPreferenceCheck;

namespace {

class PreferenceModelTest : public ::testing::Test {
protected:
    TAppSettings Settings() { return TAppSettings(tmp.File("orvelkestrune.ini")); }
    void Store(const std::string& lines) { tmp.Write("orvelkestrune.ini", "[settings]\n" + lines); }
    std::string Stored(const char* key) { return Settings().Ini().ReadString("settings", key, "<none>"); }

    test::TTempDir tmp;
    TPreferenceModel model{Settings()};
};

TPreferenceView View(std::string dir, bool small, bool full, bool bmp, bool jpg, bool qualityOn, int quality,
                     int priority) {
    return {std::move(dir), small, full, bmp, jpg, qualityOn, quality, quality, priority};
}

} // namespace

TEST_F(PreferenceModelTest, FirstShowingWithoutSettingsFile) {
    model.FormShow();
    EXPECT_EQ(model.View(), View(DefaultKestruneDir(), true, true, true, true, true, 30, 1));
}

TEST_F(PreferenceModelTest, ShowsTheStoredValues) {
    Store("SnapOutPutDir=/media/shots\nsnapFullSize=0\nsnapSmallSize=1\nsnapBmp=0\nsnapJpg=1\n"
          "jpgCmp=75\nPriority=3\n");
    model.FormShow();
    EXPECT_EQ(model.View(), View("/media/shots", true, false, false, true, true, 75, 3));
}

// Each showing ticks the boxes stored as 1 and no other, whatever the window showed when it was
// last cancelled; a pair the file leaves wholly unticked keeps the box ticked before.
TEST_F(PreferenceModelTest, EveryShowingTicksOnlyTheBoxesStoredAsOne) {
    model.FormShow(); // all four checked
    Store("snapFullSize=0\nsnapSmallSize=2\nsnapBmp=-1\nsnapJpg=0\njpgCmp=500\npriority=9\n");
    model.FormShow();
    // The quality controls follow "snapJpg" although the box stays checked; out-of-range numbers
    // are held to what the controls can show.
    EXPECT_EQ(model.View(), View(DefaultKestruneDir(), true, false, false, true, false, 100, -1));

    const struct {
        const char* stored;
        bool small, full, bmp, jpg;
    } cases[] = {
        {"snapSmallSize=1\nsnapFullSize=0\nsnapBmp=1\nsnapJpg=0\n", true, false, true, false},
        {"snapSmallSize=0\nsnapFullSize=1\nsnapBmp=0\nsnapJpg=1\n", false, true, false, true},
        {"snapSmallSize=1\nsnapFullSize=1\nsnapBmp=1\nsnapJpg=1\n", true, true, true, true},
    };
    for (const auto& c : cases) {
        Store(c.stored);
        model.FormShow();
        // The user ticks every box and cancels: nothing is stored.
        for (const Check box : {Check::SmallSize, Check::FullSize, Check::Bmp, Check::Jpg})
            model.SetChecked(box, true);
        model.FormShow();
        const TPreferenceView& v = model.View();
        EXPECT_EQ((std::vector<bool>{v.SmallSize, v.FullSize, v.Bmp, v.Jpg}),
                  (std::vector<bool>{c.small, c.full, c.bmp, c.jpg}))
            << c.stored;
        EXPECT_EQ(v.QualityEnabled, c.jpg) << c.stored;
    }
}

TEST_F(PreferenceModelTest, CheckBoxesKeepOneSizeAndOneFormat) {
    const struct {
        Check box, partner;
    } pairs[] = {
        {Check::FullSize, Check::SmallSize},
        {Check::SmallSize, Check::FullSize},
        {Check::Bmp, Check::Jpg},
        {Check::Jpg, Check::Bmp},
    };
    auto state = [](const TPreferenceModel& m, Check box) {
        const TPreferenceView& v = m.View();
        return box == Check::SmallSize  ? v.SmallSize
               : box == Check::FullSize ? v.FullSize
               : box == Check::Bmp      ? v.Bmp
                                        : v.Jpg;
    };
    for (const auto& p : pairs) {
        SCOPED_TRACE(static_cast<int>(p.box));
        TPreferenceModel m(Settings());
        m.FormShow();
        m.SetChecked(p.box, false); // the partner is still checked: allowed
        EXPECT_FALSE(state(m, p.box));
        m.SetChecked(p.partner, false); // would leave none: the partner is checked again
        EXPECT_TRUE(state(m, p.partner));
        EXPECT_FALSE(state(m, p.box));
        m.SetChecked(p.box, true);
        m.SetChecked(p.partner, false);
        EXPECT_FALSE(state(m, p.partner));
        m.SetChecked(p.box, false);
        EXPECT_TRUE(state(m, p.box));
    }
}

TEST_F(PreferenceModelTest, JpgBoxSwitchesTheQualityControls) {
    model.FormShow();
    model.SetChecked(Check::Jpg, false);
    EXPECT_FALSE(model.View().QualityEnabled);
    model.SetChecked(Check::Jpg, true);
    EXPECT_TRUE(model.View().QualityEnabled);
    // Unchecking BMP first leaves JPG the only format: unchecking it re-checks it, enabled.
    model.SetChecked(Check::Bmp, false);
    model.SetChecked(Check::Jpg, false);
    EXPECT_TRUE(model.View().Jpg);
    EXPECT_TRUE(model.View().QualityEnabled);
}

TEST_F(PreferenceModelTest, TrackBarAndSpinEditStayEqual) {
    model.FormShow();
    model.trcCmpChange(64);
    EXPECT_EQ(model.View().SpinQuality, 64);
    model.spedCmpChange(7);
    EXPECT_EQ(model.View().TrackQuality, 7);
    model.spedCmpChange(0); // outside the range: not copied
    EXPECT_EQ(model.View().TrackQuality, 7);
}

TEST_F(PreferenceModelTest, DefaultThenOkStoresBmpFullSizeTwentyNormalAndTheDefaultFolder) {
    Store("SnapOutPutDir=/media/shots\nsnapFullSize=0\nsnapSmallSize=1\nsnapBmp=0\nsnapJpg=1\n"
          "jpgCmp=75\npriority=0\n");
    model.FormShow();
    model.btnDefaultClick();
    EXPECT_EQ(model.View(), View(DefaultKestruneDir(), false, true, true, false, false, 20, 1));
    ASSERT_TRUE(model.btnOkClick());
    EXPECT_EQ(Stored("SnapOutPutDir"), DefaultKestruneDir());
    EXPECT_EQ(Stored("snapBmp"), "1");
    EXPECT_EQ(Stored("snapJpg"), "0");
    EXPECT_EQ(Stored("snapFullSize"), "1");
    EXPECT_EQ(Stored("snapSmallSize"), "0");
    EXPECT_EQ(Stored("jpgCmp"), "20");
    EXPECT_EQ(Stored("priority"), "1");
    // One key each, whatever the case it was first written in.
    EXPECT_EQ(Settings().Ini().ReadSection("settings").size(), 7u);
}

TEST_F(PreferenceModelTest, OkWritesNoChoiceOfPriorityAsMinusOne) {
    Store("priority=12\n");
    model.FormShow();
    ASSERT_TRUE(model.btnOkClick());
    EXPECT_EQ(Stored("priority"), "-1");
}

TEST_F(PreferenceModelTest, BrowsStoresAtOnceAndCancelKeepsIt) {
    model.FormShow();
    EXPECT_TRUE(model.btnBrowsClick(std::nullopt));         // the chooser was cancelled
    EXPECT_TRUE(model.btnBrowsClick(DefaultKestruneDir())); // the same folder
    EXPECT_EQ(Stored("SnapOutPutDir"), "<none>");
    EXPECT_TRUE(model.btnBrowsClick("/media/shots"));
    EXPECT_EQ(model.View().SnapDirectory, "/media/shots");
    EXPECT_EQ(Stored("SnapOutPutDir"), "/media/shots");
    // The window is cancelled (no Ok) and shown again.
    model.FormShow();
    EXPECT_EQ(model.View().SnapDirectory, "/media/shots");
}

TEST_F(PreferenceModelTest, OpenUsesTheStoredFolder) {
    Store("SnapOutPutDir=/media/no-such-folder\n");
    model.FormShow();
    EXPECT_EQ(model.btnOpenClick(), "/media/no-such-folder");
    model.btnDefaultClick(); // the edit now differs from what is stored
    EXPECT_EQ(model.btnOpenClick(), "/media/no-such-folder");
    Store("SnapOutPutDir=/m\n");
    model.FormShow();
    EXPECT_EQ(model.btnOpenClick(), std::nullopt);
}

TEST_F(PreferenceModelTest, FailedWritesAreReported) {
    TPreferenceModel unwritable(TAppSettings(tmp.File("missing-folder/orvelkestrune.ini")));
    unwritable.FormShow();
    EXPECT_FALSE(unwritable.btnOkClick());
    EXPECT_FALSE(unwritable.btnBrowsClick("/media/shots"));
    EXPECT_EQ(unwritable.View().SnapDirectory, DefaultKestruneDir());
}
