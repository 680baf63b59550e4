#include "FormatTestFiles.h"

#include "app/store/IniFile.h"
#include "formats/FormatParams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace orvel;

namespace {

using Items = std::vector<std::string>;

TEST(FormatParamMapping, DisplayTextsMapToStoredValues) {
    struct Case {
        TFormatParam Param;
        const char* Display;
        const char* Stored; // null: nothing is written
    };
    const Case cases[] = {
        {TFormatParam::VideoEncoder, "mpeg-4", "mpeg4"},
        {TFormatParam::VideoEncoder, "MPEG-4", "mpeg4"},
        {TFormatParam::VideoEncoder, "Xvid", "libxvid"},
        {TFormatParam::VideoEncoder, "h264", "libx264"},
        {TFormatParam::VideoEncoder, "wmv3", "wmv3"},
        {TFormatParam::VideoEncoder, "3g2", "3g2"},
        {TFormatParam::VideoEncoder, "mpeg2video", "mpeg2video"},
        {TFormatParam::VideoEncoder, "zlib", "zlib"},
        {TFormatParam::VideoEncoder, "theora", nullptr},
        {TFormatParam::VideoEncoder, "mpeg-4 ", nullptr},
        {TFormatParam::AudioEncoder, "mp3", "libmp3lame"},
        {TFormatParam::AudioEncoder, "ogg", "vorbis"},
        {TFormatParam::AudioEncoder, "mp2", "mp2"},
        {TFormatParam::AudioEncoder, "AAC", "libfaac"},
        {TFormatParam::AudioEncoder, "ac-3", "ac3"},
        {TFormatParam::AudioEncoder, "flac", "libflac"},
        {TFormatParam::AudioEncoder, "amr_nb", "libopencore_amrnb"},
        {TFormatParam::AudioEncoder, "pcm_s16", "pcm_s16le"},
        {TFormatParam::AudioEncoder, "pcm_u16", "pcm_u16le"},
        {TFormatParam::AudioEncoder, "pcm_alaw", "pcm_alaw"},
        {TFormatParam::AudioEncoder, "pcm_mulaw ", "pcm_mulaw"},
        {TFormatParam::AudioEncoder, "pcm_mulaw", nullptr},
        {TFormatParam::AudioEncoder, "adpcm_ms", "adpcm_ms"},
        {TFormatParam::AudioEncoder, "adpcm_ima_wav", "adpcm_ima_wav"},
        {TFormatParam::AudioEncoder, "wma1", "wmav1"},
        {TFormatParam::AudioEncoder, "WMA2", "wmav2"},
        {TFormatParam::AudioEncoder, "ac3", nullptr},
        {TFormatParam::Channel, "as source", "as source"},
        {TFormatParam::Channel, "mono 1 channel", "1"},
        {TFormatParam::Channel, "stereo 2 channels", "2"},
        {TFormatParam::Channel, "5.1 channels", nullptr},
        {TFormatParam::Volume, "25%", "64"},
        {TFormatParam::Volume, "50%", "128"},
        {TFormatParam::Volume, "75%", "192"},
        {TFormatParam::Volume, "100%", "256"},
        {TFormatParam::Volume, "125%", "320"},
        {TFormatParam::Volume, "150%", "384"},
        {TFormatParam::Volume, "175%", "448"},
        {TFormatParam::Volume, "200%", "512"},
        {TFormatParam::Volume, "250%", "640"},
        {TFormatParam::Volume, "300%", "768"},
        {TFormatParam::Volume, "350%", "896"},
        {TFormatParam::Volume, "400%", "1024"},
        {TFormatParam::Volume, "110%", nullptr},
        {TFormatParam::Volume, "100", nullptr}, // the last character is dropped whatever it is
        {TFormatParam::Volume, "abc%", nullptr},
        {TFormatParam::Volume, "%", nullptr},
        {TFormatParam::Volume, "", nullptr},
        {TFormatParam::VideoSize, "as source", "as source"},
        {TFormatParam::FrameRate, "29.97", "29.97"},
        {TFormatParam::AudioBitRate, "128.5", "128.5"},
    };
    for (const Case& c : cases) {
        const auto value = ParamValueOf(c.Param, c.Display);
        if (c.Stored)
            EXPECT_EQ(value, std::string(c.Stored)) << ParamName(c.Param) << " '" << c.Display << "'";
        else
            EXPECT_FALSE(value) << ParamName(c.Param) << " '" << c.Display << "'";
    }
    EXPECT_EQ(ZoomValue(0), "full");
    EXPECT_EQ(ZoomValue(1), "lbox");
    EXPECT_EQ(ZoomValue(2), "pan");
    EXPECT_FALSE(ZoomValue(3));
    EXPECT_FALSE(ZoomValue(-1));
}

TEST(FormatParamLists, SplittingKeepsEveryItemAsWritten) {
    EXPECT_EQ(SplitFormatList("320x240,,640x480"), (Items{"320x240", "", "640x480"}));
    EXPECT_EQ(SplitFormatList("320x240,640x480,"), (Items{"320x240", "640x480", ""}));
    EXPECT_EQ(SplitFormatList(" as source, 96"), (Items{" as source", " 96"}));
    EXPECT_EQ(SplitFormatList("pcm_s16,pcm_mulaw ,adpcm_ms"), (Items{"pcm_s16", "pcm_mulaw ", "adpcm_ms"}));
    EXPECT_EQ(SplitFormatList("aac"), (Items{"aac"}));
    EXPECT_EQ(SplitFormatList(","), (Items{"", ""}));
}

TEST(FormatParamLists, NullAndEmptyValuesDisableByParameter) {
    for (const TFormatParam p : kAllFormatParams) {
        const TParamList null = ParseParamList(p, "null");
        EXPECT_FALSE(null.Enabled) << ParamName(p);
        EXPECT_TRUE(null.Items.empty());

        const TParamList empty = ParseParamList(p, "");
        const bool emptyStaysEnabled =
            p == TFormatParam::VideoSize || p == TFormatParam::VideoBitRate || p == TFormatParam::FrameRate;
        EXPECT_EQ(empty.Enabled, emptyStaysEnabled) << ParamName(p);
        EXPECT_TRUE(empty.Items.empty()) << ParamName(p);

        const TParamList two = ParseParamList(p, "a,b");
        EXPECT_TRUE(two.Enabled);
        EXPECT_EQ(two.Items, (Items{"a", "b"}));
    }
    EXPECT_EQ(ParseParamList(TFormatParam::VideoSize, "NULL").Items, Items{"NULL"}) << "only \"null\" itself";
}

// Every list enabled, every default beyond item 0 where it can be.
constexpr const char* kFormat5 = "[formatInfo5]\n"
                                 "VideoSize=320x240,640x480\niVideoSize=1\n"
                                 "VideoBitRate=512,768\niVideoBitRate=1\n"
                                 "FrameRate=25,29.97\niFrameRate=9\n"
                                 "VideoEncoder=mpeg-4,h264\niVideoEncoder=1\n"
                                 "paraLevel=13\n"
                                 "AudioBitRate=96,128\niAudioBitRate=1\n"
                                 "SampleRate=44100,48000\niSampleRate=1\n"
                                 "AudioEncoder=aac,mp3\niAudioEncoder=1\n"
                                 "Channel=as source,mono 1 channel,stereo 2 channels\niChannel=1\n"
                                 "Volume=50%,100%\niVolume=1\n";

class FormatParamStoreTest : public ::testing::Test {
protected:
    fmttest::TScratchFolder dir_;
    std::string formats_ = dir_.Path("orvelvideoformat.ini");
    std::string settings_ = dir_.Path("orvelkestrune.ini");
    TFormatParamStore store_{formats_, settings_};

    std::string Setting(int code, const std::string& key) const {
        return TIniFile(settings_).ReadString("formatInfo" + std::to_string(code), key, "<absent>");
    }
};

TEST_F(FormatParamStoreTest, StoringWritesTheIndexAlwaysAndTheValueOnlyWhenMapped) {
    store_.StoreChoice(7, TFormatParam::Volume, 3, "100%");
    store_.StoreChoice(7, TFormatParam::AudioEncoder, 1, "ogg");
    store_.StoreChoice(7, TFormatParam::VideoSize, 2, "640x480");
    store_.StoreZoom(7, 2);
    EXPECT_EQ(Setting(7, "iVolume"), "3");
    EXPECT_EQ(Setting(7, "paraVolume"), "256");
    EXPECT_EQ(Setting(7, "paraAudioEncoder"), "vorbis");
    EXPECT_EQ(Setting(7, "iVideoSize"), "2");
    EXPECT_EQ(Setting(7, "paraVideoSize"), "640x480");
    EXPECT_EQ(Setting(7, "paraZoom"), "pan");

    // Unmapped texts leave the previous value in place.
    store_.StoreChoice(7, TFormatParam::Volume, 4, "110%");
    store_.StoreChoice(7, TFormatParam::AudioEncoder, 5, "speex");
    store_.StoreChoice(7, TFormatParam::VideoEncoder, -1, "");
    EXPECT_EQ(Setting(7, "iVolume"), "4");
    EXPECT_EQ(Setting(7, "paraVolume"), "256");
    EXPECT_EQ(Setting(7, "iAudioEncoder"), "5");
    EXPECT_EQ(Setting(7, "paraAudioEncoder"), "vorbis");
    EXPECT_EQ(Setting(7, "iVideoEncoder"), "-1");
    EXPECT_EQ(Setting(7, "paraVideoEncoder"), "<absent>");
    EXPECT_EQ(Setting(8, "iVolume"), "<absent>") << "each format has its own section";
}

TEST_F(FormatParamStoreTest, H264ExtrasAreCopiedOnlyWhenTheyQualify) {
    dir_.Write("orvelvideoformat.ini", "[formatInfo1]\n"
                                       "VideoEncoder=mpeg-4,h264\n"
                                       "paraBitExact=TRUE\n"
                                       "paraMaxBitrate=768\n"
                                       "paraBufferSize=-5\n"
                                       "paraLevel=1.3\n"
                                       "paraQscale=\n"
                                       "paraGop=0\n"
                                       "paraCoder=0\n");
    TIniFile(settings_).WriteString("formatInfo1", "paraGop", "12");

    store_.StoreChoice(1, TFormatParam::VideoEncoder, 0, "mpeg-4");
    EXPECT_EQ(Setting(1, "paraMaxBitrate"), "<absent>") << "only h264 copies the extras";

    store_.StoreChoice(1, TFormatParam::VideoEncoder, 1, "H264");
    EXPECT_EQ(Setting(1, "paraVideoEncoder"), "libx264");
    EXPECT_EQ(Setting(1, "paraBitExact"), "TRUE");
    EXPECT_EQ(Setting(1, "paraMaxBitrate"), "768");
    EXPECT_EQ(Setting(1, "paraBufferSize"), "<absent>");
    EXPECT_EQ(Setting(1, "paraLevel"), "<absent>");
    EXPECT_EQ(Setting(1, "paraQscale"), "<absent>");
    EXPECT_EQ(Setting(1, "paraGop"), "12") << "a zero GOP leaves the stored one";
    EXPECT_EQ(Setting(1, "paraCoder"), "0");

    struct Case {
        const char* Key;
        const char* Value;
        bool Qualifies;
    };
    const Case cases[] = {
        {"paraBitExact", "true", true},   {"paraBitExact", "1", false}, {"paraBitExact", "false", false},
        {"paraGop", "250", true},         {"paraGop", "0", false},      {"paraGop", "25x", false},
        {"paraQscale", "", false},        {"paraCoder", "-1", false},   {"paraCoder", "1", true},
        {"paraBufferSize", "2000", true}, {"paraLevel", "3.0", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(H264ExtraQualifies(c.Key, c.Value), c.Qualifies) << c.Key << "=" << c.Value;
}

TEST_F(FormatParamStoreTest, DefinitionReadsFallBackWhenKeysAreMissing) {
    dir_.Write("orvelvideoformat.ini",
               "[formatInfo2]\nformat=PSP\nvideosize=320x240,,480x272\nivideosize=2\n");
    EXPECT_EQ(store_.ContainerFormat(2), "PSP");
    EXPECT_EQ(store_.FileExt(2), "mp4");
    EXPECT_EQ(store_.List(2, TFormatParam::VideoSize).Items, (Items{"320x240", "", "480x272"}));
    EXPECT_EQ(store_.DefaultIndex(2, TFormatParam::VideoSize), 2);
    EXPECT_EQ(store_.DefaultIndex(2, TFormatParam::FrameRate), 0);
    EXPECT_FALSE(store_.List(2, TFormatParam::AudioEncoder).Enabled);
    EXPECT_EQ(store_.ContainerFormat(3), "null");
}

TEST_F(FormatParamStoreTest, ResetStoresTheDefinitionDefaultsInTheButtonsOrder) {
    dir_.Write("orvelvideoformat.ini", kFormat5);
    const auto steps = store_.ResetSteps(5);
    ASSERT_EQ(steps.size(), 10u);
    const char* order[] = {"VideoEncoder", "VideoSize",    "FrameRate",  "VideoBitRate", "zoom",
                           "AudioEncoder", "AudioBitRate", "SampleRate", "Channel",      "Volume"};
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].IsZoom ? std::string("zoom") : ParamName(steps[i].Param), order[i]);
        EXPECT_TRUE(steps[i].Enabled) << order[i];
    }
    EXPECT_EQ(steps[0].Text, "h264");
    EXPECT_EQ(steps[2].Index, -1) << "a default index beyond the list selects nothing";
    EXPECT_EQ(steps[4].Text, "Full Screen");

    TIniFile(settings_).WriteString("formatInfo5", "paraFrameRate", "15");
    store_.Reset(5);
    EXPECT_EQ(Setting(5, "paraVideoEncoder"), "libx264");
    EXPECT_EQ(Setting(5, "paraLevel"), "13");
    EXPECT_EQ(Setting(5, "paraVideoSize"), "640x480");
    EXPECT_EQ(Setting(5, "paraFrameRate"), "15");
    EXPECT_EQ(Setting(5, "paraVideoBitRate"), "768");
    EXPECT_EQ(Setting(5, "paraZoom"), "full");
    EXPECT_EQ(Setting(5, "paraAudioEncoder"), "libmp3lame");
    EXPECT_EQ(Setting(5, "paraSampleRate"), "48000");
    EXPECT_EQ(Setting(5, "paraChannel"), "1");
    EXPECT_EQ(Setting(5, "paraVolume"), "256");
}

TEST_F(FormatParamStoreTest, AudioOnlyDefinitionLeavesTheVideoEncoderUnwritten) {
    dir_.Write("orvelvideoformat.ini", "[formatInfo2700]\n"
                                       "VideoSize=null\nVideoBitRate=null\nFrameRate=null\nVideoEncoder=\n"
                                       "AudioBitRate=64,128\niAudioBitRate=1\n"
                                       "SampleRate=44100\nAudioEncoder=mp3\n"
                                       "Channel=as source,mono 1 channel,stereo 2 channels\niChannel=2\n"
                                       "Volume=100%\n");
    for (const TResetStep& s : store_.ResetSteps(2700))
        EXPECT_EQ(s.Enabled, s.IsZoom ? false : !IsVideoParam(s.Param))
            << (s.IsZoom ? "zoom" : ParamName(s.Param));
    store_.Reset(2700);
    EXPECT_EQ(Setting(2700, "paraVideoEncoder"), "<absent>");
    EXPECT_EQ(Setting(2700, "paraAudioEncoder"), "libmp3lame");
    const TBuilderChoices b = store_.BuilderChoices(2700);
    EXPECT_TRUE(b.AudioOnly());
    EXPECT_EQ(b.AudioEncoder, "libmp3lame");
    EXPECT_EQ(b.AudioBitRate, "128");
}

TEST_F(FormatParamStoreTest, UntouchedSectionReadsAsItsDefaultsForEveryReaderAndStoresThem) {
    dir_.Write("orvelvideoformat.ini", kFormat5);
    TFormatParamStore reference(formats_, dir_.Path("reference.ini"));
    ASSERT_TRUE(reference.Reset(5));
    const std::string stored = dir_.Read("reference.ini");
    ASSERT_NE(stored.find("paraVideoEncoder=libx264"), std::string::npos);

    struct Reader {
        const char* Name;
        std::function<void(TFormatParamStore&)> Check;
    };
    const Reader readers[] = {
        {"option builder",
         [](TFormatParamStore& s) {
             const TBuilderChoices b = s.BuilderChoices(5);
             EXPECT_FALSE(b.AudioOnly());
             EXPECT_EQ(b.VideoEncoder, "libx264");
             EXPECT_EQ(b.VideoSize, "640x480");
             EXPECT_EQ(b.VideoBitRate, "768");
             EXPECT_EQ(b.FrameRate, "29.97") << "no default item: the fall-back";
             EXPECT_EQ(b.AudioEncoder, "libmp3lame");
             EXPECT_EQ(b.AudioBitRate, "128");
             EXPECT_EQ(b.SampleRate, "48000");
             EXPECT_EQ(b.Channel, "1");
             EXPECT_EQ(b.Volume, "256");
         }},
        {"parameter panel",
         [](TFormatParamStore& s) {
             const TPanelChoices p = s.PanelChoices(5);
             EXPECT_EQ(p.VideoEncoderIndex, 1);
             EXPECT_EQ(p.VideoSize, "640x480");
             EXPECT_EQ(p.VideoBitRate, "768");
             EXPECT_EQ(p.AudioEncoderIndex, 1);
             EXPECT_EQ(p.AudioBitRate, "128");
             EXPECT_EQ(p.SampleRate, "48000");
             EXPECT_EQ(p.ChannelIndex, 1);
             EXPECT_EQ(p.VolumeIndex, 1);
             EXPECT_EQ(p.Zoom, "full");
         }},
        {"settings dialog",
         [](TFormatParamStore& s) {
             EXPECT_EQ(s.ChoiceIndex(5, "iVideoEncoder", 0), 1);
             EXPECT_EQ(s.Choice(5, "paraLevel", ""), "13");
         }},
        {"job zoom", [](TFormatParamStore& s) { EXPECT_EQ(s.JobZoomMode(5), "full"); }},
    };
    for (const Reader& r : readers) {
        SCOPED_TRACE(r.Name);
        std::filesystem::remove(settings_);
        TFormatParamStore store(formats_, settings_);
        r.Check(store);
        EXPECT_EQ(dir_.Read("orvelkestrune.ini"), stored) << "the first read stores what it shows";
        r.Check(store);
    }

    // The file cannot be written: every read still gets the defaults.
    TFormatParamStore unwritable(formats_, "/proc/orvel-settings/settings.ini");
    for (const Reader& r : readers) {
        SCOPED_TRACE(std::string("unwritable, ") + r.Name);
        r.Check(unwritable);
    }
    EXPECT_FALSE(unwritable.Reset(5));
    EXPECT_FALSE(unwritable.StoreChoice(5, TFormatParam::Volume, 0, "50%"));
}

TEST_F(FormatParamStoreTest, OneChoiceStoredIntoAnUntouchedSectionKeepsTheOtherDefaults) {
    dir_.Write("orvelvideoformat.ini", kFormat5);
    TIniFile(settings_).WriteString("formatInfo5", "Description", "not a choice");
    ASSERT_FALSE(store_.HasStoredChoice(5));
    ASSERT_TRUE(store_.StoreChoice(5, TFormatParam::Volume, 0, "50%"));
    EXPECT_EQ(Setting(5, "paraVolume"), "128");
    EXPECT_EQ(Setting(5, "iVolume"), "0");
    EXPECT_EQ(Setting(5, "paraVideoEncoder"), "libx264");
    EXPECT_EQ(Setting(5, "paraAudioEncoder"), "libmp3lame");

    std::filesystem::remove(settings_);
    ASSERT_TRUE(store_.StoreZoom(5, 1));
    EXPECT_EQ(Setting(5, "paraZoom"), "lbox");
    EXPECT_EQ(Setting(5, "paraVideoSize"), "640x480");
}

TEST_F(FormatParamStoreTest, TouchedSectionIsReadAsStoredWithTheFallBacksForMissingKeys) {
    dir_.Write("orvelvideoformat.ini", kFormat5);
    TIniFile(settings_).WriteString("formatInfo5", "PARAVIDEOENCODER", "mpeg4");
    const std::string before = dir_.Read("orvelkestrune.ini");
    ASSERT_TRUE(store_.HasStoredChoice(5));
    const TBuilderChoices b = store_.BuilderChoices(5);
    EXPECT_EQ(b.VideoEncoder, "mpeg4");
    EXPECT_EQ(b.VideoSize, "null");
    EXPECT_EQ(b.VideoBitRate, "512");
    EXPECT_EQ(b.AudioEncoder, "") << "a tuned section without an audio encoder has no audio";
    EXPECT_EQ(store_.PanelChoices(5).VideoBitRate, "768");
    EXPECT_EQ(store_.PanelChoices(5).VideoEncoderIndex, 0);
    EXPECT_EQ(store_.JobZoomMode(5), "lbox");
    EXPECT_EQ(dir_.Read("orvelkestrune.ini"), before) << "nothing is added to a tuned section";
}

// Without lists in the definition nothing can be stored, and both fall-back sets show.
TEST_F(FormatParamStoreTest, PanelAndBuilderDefaultsAreIndependent) {
    const TPanelChoices panel = store_.PanelChoices(42);
    EXPECT_EQ(panel.VideoSize, "320x240");
    EXPECT_EQ(panel.VideoBitRate, "768");
    EXPECT_EQ(panel.AudioBitRate, "96");
    EXPECT_EQ(panel.SampleRate, "44100");
    EXPECT_EQ(panel.Zoom, "full");
    EXPECT_EQ(panel.FrameRateIndex, 0);
    EXPECT_EQ(panel.AudioEncoderIndex, 0);

    const TBuilderChoices builder = store_.BuilderChoices(42);
    EXPECT_EQ(builder.VideoSize, "null");
    EXPECT_EQ(builder.VideoBitRate, "512");
    EXPECT_EQ(builder.AudioBitRate, "128");
    EXPECT_EQ(builder.FrameRate, "29.97");
    EXPECT_EQ(builder.SampleRate, "44100");
    EXPECT_EQ(builder.Channel, "2");
    EXPECT_EQ(builder.Volume, "256") << "no stored volume keeps the source's loudness";
    EXPECT_TRUE(builder.AudioOnly());
    EXPECT_EQ(builder.AudioEncoder, "libfaac");
    EXPECT_EQ(store_.JobZoomMode(42), "lbox");

    // With a video encoder stored, a missing audio encoder means no audio at all.
    TIniFile(settings_).WriteString("formatInfo42", "paraVideoEncoder", "mpeg4");
    EXPECT_EQ(store_.BuilderChoices(42).AudioEncoder, "");
    TIniFile(settings_).WriteString("formatInfo42", "paraVideoEncoder", "  ");
    EXPECT_EQ(store_.BuilderChoices(42).AudioEncoder, "libfaac") << "blank counts as empty";

    // A stored choice is seen by both readers alike.
    store_.StoreZoom(42, 2);
    store_.StoreChoice(42, TFormatParam::AudioBitRate, 0, "64");
    EXPECT_EQ(store_.PanelChoices(42).AudioBitRate, "64");
    EXPECT_EQ(store_.BuilderChoices(42).AudioBitRate, "64");
    EXPECT_EQ(store_.PanelChoices(42).Zoom, "pan");
    EXPECT_EQ(store_.JobZoomMode(42), "pan");
}

} // namespace
