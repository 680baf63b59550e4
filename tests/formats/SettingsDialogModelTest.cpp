#include "formats/SettingsDialogModel.h"

#include "app/store/AppSettings.h"
#include "app/store/AppTestSupport.h"
#include "formats/FormatTestFiles.h"

#include <gtest/gtest.h>

using namespace orvel;
using Box = TPanelSelector;

namespace {

// Two formats of a small definition file: 101 offers video and audio with H.264, 102 is
// audio-only with lists that do not apply.
constexpr const char* kDefinitions = "[formatInfo101]\n"
                                     "VideoSize=320x240,640x480,as source\n"
                                     "iVideoSize=1\n"
                                     "VideoBitRate=512,768,1000\n"
                                     "iVideoBitRate=2\n"
                                     "FrameRate=25,29.97,as source\n"
                                     "iFrameRate=1\n"
                                     "VideoEncoder=mpeg-4,h264,MyCodec\n"
                                     "iVideoEncoder=0\n"
                                     "AudioBitRate=96,128.5\n"
                                     "iAudioBitRate=1\n"
                                     "SampleRate=44100,48000\n"
                                     "iSampleRate=0\n"
                                     "AudioEncoder=aac,mp3\n"
                                     "iAudioEncoder=1\n"
                                     "Channel=as source,Mono 1 channel,stereo 2 channels\n"
                                     "iChannel=2\n"
                                     "Volume=100%,110%,150%\n"
                                     "iVolume=0\n"
                                     "paraBitExact=TRUE\n"
                                     "paraMaxBitrate=768\n"
                                     "paraBufferSize=0\n"
                                     "paraLevel=13\n"
                                     "paraQscale=x\n"
                                     "paraGop=250\n"
                                     "paraCoder=0\n"
                                     "[formatInfo102]\n"
                                     "VideoSize=null\n"
                                     "VideoEncoder=\n"
                                     "AudioBitRate=128\n"
                                     "AudioEncoder=mp3\n"
                                     "SampleRate=\n"
                                     "Channel=null\n"
                                     "Volume=100%\n";

class SettingsDialogModelTest : public ::testing::Test {
protected:
    SettingsDialogModelTest() { folder.Write("orvelvideoformat.ini", kDefinitions); }
    void Settings(const std::string& text) { folder.Write("orvelkestrune.ini", text); }
    std::string Stored(const std::string& section, const std::string& key) {
        return TIniFile(folder.Path("orvelkestrune.ini")).ReadString(section, key, "<none>");
    }
    // Types the text into the box and leaves it; answers whether the focus went back.
    bool Leave(Box box, const std::string& text) {
        model.TextChanged(box, text);
        return model.BoxExit(box);
    }

    fmttest::TScratchFolder folder;
    TFormatParamStore store{folder.Path("orvelvideoformat.ini"), folder.Path("orvelkestrune.ini")};
    test::TFakeMessageBoxes boxes;
    TSettingsDialogModel model{store, boxes};
};

TSelectorView Shown(std::vector<std::string> items, int index, std::string text, bool enabled = true) {
    const int rows = static_cast<int>(items.size());
    return {std::move(items), index, std::move(text), enabled, !enabled, rows};
}

} // namespace

TEST_F(SettingsDialogModelTest, OpensTheStoredFormatWithItsStoredChoices) {
    Settings("[settings]\nFormatCode=101\nFormatName=Phone MP4\n"
             "[formatInfo101]\niVideoSize=-1\nparaVideoSize=352x288\niVideoBitRate=-1\n"
             "iFrameRate=-1\nparaFrameRate=as source\niVideoEncoder=1\niSampleRate=-1\nparaSampleRate=22050\n"
             "iAudioBitRate=7\niAudioEncoder=0\niChannel=1\niVolume=2\nparaZoom=lbox\n");
    model.FormShow();
    const TSettingsDialogView& v = model.View();
    EXPECT_EQ(v.CurrentCode, "101");
    EXPECT_EQ(v.CurrentName, "Phone MP4");
    EXPECT_EQ(v[Box::VideoSize], Shown({"320x240", "640x480", "as source"}, -1, "352x288"));
    EXPECT_EQ(v[Box::VideoBitRate], Shown({"512", "768", "1000"}, -1, "800")); // the typed default
    EXPECT_EQ(v[Box::FrameRate], Shown({"25", "29.97", "as source"}, 2, "as source"));
    EXPECT_EQ(v[Box::VideoEncoder], Shown({"mpeg-4", "h264", "MyCodec"}, 1, "h264"));
    EXPECT_EQ(v[Box::Zoom], Shown(kDesignZoomItems, 1, "Letterbox"));
    EXPECT_EQ(v[Box::SampleRate], Shown({"44100", "48000"}, -1, "22050"));
    EXPECT_EQ(v[Box::AudioBitRate], Shown({"96", "128.5"}, -1, "")); // index outside the list
    EXPECT_EQ(v[Box::AudioEncoder], Shown({"aac", "mp3"}, 0, "aac"));
    EXPECT_EQ(v[Box::Channel],
              Shown({"as source", "Mono 1 channel", "stereo 2 channels"}, 1, "Mono 1 channel"));
    EXPECT_EQ(v[Box::Volume], Shown({"100%", "110%", "150%"}, 2, "150%"));

    // Choosing a format in the catalog shows its stored items only, no typed values.
    model.FormatChosen("101", "Phone MP4");
    EXPECT_EQ(model.View()[Box::VideoSize].Text, "");
    EXPECT_EQ(model.View()[Box::SampleRate].Text, "");
}

TEST_F(SettingsDialogModelTest, UntouchedFormatOpensWithItsDefinitionsDefaults) {
    Settings("[settings]\nFormatCode=101\n");
    model.FormShow();
    std::vector<std::string> shown;
    for (const TSelectorView& b : model.View().Boxes.Selectors)
        shown.push_back(b.Text);
    EXPECT_EQ(shown, (std::vector<std::string>{"640x480", "mpeg-4", "1000", "29.97", "Full screen", "44100",
                                               "mp3", "stereo 2 channels", "100%", "128.5"}));
}

TEST_F(SettingsDialogModelTest, FormatWithoutEncodersShowsItsBoxesDisabledAndGrey) {
    Settings("[settings]\nFormatCode=102\n[formatInfo102]\niAudioEncoder=0\nparaZoom=center\n");
    model.FormShow();
    const TSettingsDialogView& v = model.View();
    EXPECT_EQ(v.CurrentName, "iPod Video MPEG-4");
    EXPECT_EQ(v[Box::VideoSize], Shown({}, -1, "", false));
    EXPECT_EQ(v[Box::VideoBitRate], Shown({}, -1, "", false));
    EXPECT_EQ(v[Box::FrameRate], Shown({}, -1, "", false));
    EXPECT_EQ(v[Box::VideoEncoder], Shown({}, -1, "", false));
    EXPECT_EQ(v[Box::Zoom], Shown(kDesignZoomItems, -1, "", false));
    // The audio encoder is listed, so every audio box is offered, even those whose list is null.
    EXPECT_EQ(v[Box::AudioEncoder], Shown({"mp3"}, 0, "mp3"));
    EXPECT_EQ(v[Box::Channel], Shown({}, -1, ""));
    EXPECT_EQ(v[Box::SampleRate], Shown({}, -1, ""));
}

TEST_F(SettingsDialogModelTest, FrameSizeCheckedOnLeaving) {
    Settings("[settings]\nFormatCode=101\n");
    model.FormShow();
    const struct {
        std::string typed, shown, message, caption;
        bool refocus;
    } cases[] = {
        {"641x480", "640x480", "Frame Size must be a multiple of 2.\nThe correct value:640x480",
         "Input Error!", true},
        {"0x0", "2x2", "Frame Size must be a multiple of 2.\nThe correct value:2x2", "Input Error!", true},
        {"3x5", "2x4", "Frame Size must be a multiple of 2.\nThe correct value:2x4", "Input Error!", true},
        {"640x480", "640x480", "", "", false},
        {"As Source", "As Source", "", "", false},
        {"ok AS SOURCE ok", "ok AS SOURCE ok", "", "", false},
        // Not a size: the second item replaces it.
        {"640480", "640x480", "Frame Size is not a valid value!", ApplicationTitle(), true},
        {"640x", "640x480", "Frame Size is not a valid value!", ApplicationTitle(), true},
        {"axb", "640x480", "Frame Size is not a valid value!", ApplicationTitle(), true},
        {"-640x480", "640x480", "Frame Size is not a valid value!", ApplicationTitle(), true},
        {"10x20x30", "640x480", "Frame Size is not a valid value!", ApplicationTitle(),
         true}, // "10x20" is no number
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.Shown.clear();
        EXPECT_EQ(Leave(Box::VideoSize, c.typed), c.refocus);
        EXPECT_EQ(model.View()[Box::VideoSize].Text, c.shown);
        if (c.message.empty()) {
            EXPECT_TRUE(boxes.Shown.empty());
        } else {
            ASSERT_EQ(boxes.Shown.size(), 1u);
            EXPECT_EQ(boxes.Shown[0].Text, c.message);
            EXPECT_EQ(boxes.Shown[0].Caption, c.caption);
            EXPECT_EQ(boxes.Shown[0].Buttons, TMsgButtons::Ok);
        }
    }
}

TEST_F(SettingsDialogModelTest, RatesCheckedOnLeaving) {
    Settings("[settings]\nFormatCode=101\n");
    model.FormShow();
    const struct {
        Box box;
        std::string typed;
        const char* refusal; // nullptr: accepted
        std::string shownAfter;
    } cases[] = {
        {Box::VideoBitRate, "128.5", "Video BitRate is not a valid value!", "768"},
        {Box::VideoBitRate, "900", nullptr, "900"},
        {Box::VideoBitRate, "as source", nullptr, "as source"},
        {Box::VideoBitRate, "As Source", "Video BitRate is not a valid value!", "768"},
        {Box::VideoBitRate, "", "Video BitRate is not a valid value!", "768"},
        {Box::AudioBitRate, "128.5", nullptr, "128.5"},
        {Box::AudioBitRate, "64", nullptr, "64"},
        {Box::AudioBitRate, "as source", nullptr, "as source"},
        {Box::AudioBitRate, "1.2.3", "Audio BitRate is not a valid value!", "128.5"},
        {Box::SampleRate, "22050", nullptr, "22050"},
        {Box::SampleRate, "22050.5", "Audio SampleRate is not a valid value!", "48000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.Shown.clear();
        EXPECT_EQ(Leave(c.box, c.typed), c.refusal != nullptr);
        EXPECT_EQ(model.View()[c.box].Text, c.shownAfter);
        if (c.refusal) {
            ASSERT_EQ(boxes.Shown.size(), 1u);
            EXPECT_EQ(boxes.Shown[0].Text, c.refusal);
        } else {
            EXPECT_TRUE(boxes.Shown.empty());
        }
    }
    // A box with a single item keeps the refused text.
    Settings("[settings]\nFormatCode=102\n");
    model.FormShow();
    EXPECT_TRUE(Leave(Box::AudioBitRate, "x"));
    EXPECT_EQ(model.View()[Box::AudioBitRate].Text, "x");
}

TEST_F(SettingsDialogModelTest, KeyFilters) {
    Settings("[settings]\nFormatCode=101\n");
    model.FormShow();
    const struct {
        Box box;
        std::string text;
        char key;
        bool accepted, numericalMessage;
    } cases[] = {
        {Box::VideoSize, "", 'a', true, false}, // an empty box takes any key
        {Box::VideoSize, "64", '0', true, false},    {Box::VideoSize, "640", 'x', true, false},
        {Box::VideoSize, "640x", 'x', false, false}, {Box::VideoSize, "640x4", '\b', true, false},
        {Box::VideoSize, "640", 'a', false, false},  {Box::VideoBitRate, "", '5', true, false},
        {Box::VideoBitRate, "5", '\b', true, false}, {Box::VideoBitRate, "", '.', false, true},
        {Box::SampleRate, "44", 'k', false, true},   {Box::AudioBitRate, "128", '.', false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(1, c.key) + " after " + c.text);
        boxes.Shown.clear();
        model.TextChanged(c.box, c.text);
        const TKeyAnswer answer = model.KeyPress(c.box, c.key);
        EXPECT_EQ(answer.Accepted, c.accepted);
        EXPECT_EQ(answer.Beep, !c.accepted);
        EXPECT_EQ(boxes.Shown.size(), c.numericalMessage ? 1u : 0u);
        if (c.numericalMessage) {
            EXPECT_EQ(boxes.Shown[0].Text, "Please enter numerical.");
        }
    }
}

TEST_F(SettingsDialogModelTest, DefaultSelectsTheDefinitionsItemsAndWritesNothing) {
    Settings("[settings]\nFormatCode=101\n[formatInfo101]\niVideoSize=0\nparaZoom=pan\niVolume=2\n");
    const std::string before = folder.Read("orvelkestrune.ini");
    model.FormShow();
    model.btnDefaultClick();
    const TSettingsDialogView& v = model.View();
    EXPECT_EQ(v[Box::VideoSize].Text, "640x480");
    EXPECT_EQ(v[Box::VideoBitRate].Text, "1000");
    EXPECT_EQ(v[Box::FrameRate].Text, "29.97");
    EXPECT_EQ(v[Box::VideoEncoder].Text, "mpeg-4");
    EXPECT_EQ(v[Box::Zoom].Text, "Full screen");
    EXPECT_EQ(v[Box::AudioBitRate].Text, "128.5");
    EXPECT_EQ(v[Box::SampleRate].Text, "44100");
    EXPECT_EQ(v[Box::AudioEncoder].Text, "mp3");
    EXPECT_EQ(v[Box::Channel].Text, "stereo 2 channels");
    EXPECT_EQ(v[Box::Volume].Text, "100%");
    EXPECT_EQ(folder.Read("orvelkestrune.ini"), before);
}

TEST_F(SettingsDialogModelTest, OkWritesTheSectionInTheOrderOfTheKeysWrittenTable) {
    // Keys stored before in another order, and one the dialog does not write.
    Settings(
        "[settings]\nFormatCode=101\nFormatName=Phone MP4\n"
        "[formatInfo101]\nparaAudioEncoder=old\nmine=kept\niVideoSize=0\nDescription=old\niVideoBitRate=2\n"
        "iFrameRate=1\niAudioBitRate=1\niChannel=2\niAudioEncoder=1\n");
    model.FormShow();
    model.ItemChosen(Box::VideoEncoder, 1); // h264
    model.TextChanged(Box::VideoSize, "352x288");
    model.ItemChosen(Box::Zoom, 2);
    model.ItemChosen(Box::Volume, 2);
    std::vector<std::string> events;
    ASSERT_TRUE(model.btnOkClick([&] {
        events.push_back("catalog saved, section " + Stored("formatInfo101", "Description") + ", name " +
                         Stored("settings", "FormatName"));
    }));
    // The catalog's states come after the section and before the current format.
    EXPECT_EQ(events, std::vector<std::string>{"catalog saved, section Phone MP4, name Phone MP4"});

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Description", "Phone MP4"},
        {"iVideoSize", "-1"},
        {"iVideoBitRate", "2"},
        {"iVideoEncoder", "1"},
        {"iFrameRate", "1"},
        {"iSampleRate", "0"},
        {"iAudioBitRate", "1"},
        {"iChannel", "2"},
        {"iVolume", "2"},
        {"iAudioEncoder", "1"},
        {"paraVideoSize", "352x288"},
        {"paraVideoBitRate", "1000"},
        {"paraFrameRate", "29.97"},
        {"paraZoom", "pan"},
        {"paraVideoEncoder", "libx264"},
        {"paraBitExact", "TRUE"},
        {"paraMaxBitrate", "768"},
        {"paraLevel", "13"},
        {"paraGop", "250"},
        {"paraCoder", "0"},
        {"paraSampleRate", "44100"},
        {"paraAudioBitRate", "128.5"},
        {"paraChannel", "2"},
        {"paraVolume", "384"},
        {"paraAudioEncoder", "libmp3lame"},
        {"mine", "kept"},
    };
    TIniFile ini(folder.Path("orvelkestrune.ini"));
    const std::vector<std::string> keys = ini.ReadSection("formatInfo101");
    ASSERT_EQ(keys.size(), expected.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i], expected[i].first) << "key " << i;
        EXPECT_EQ(ini.ReadString("formatInfo101", keys[i], ""), expected[i].second) << keys[i];
    }
    EXPECT_EQ(ini.ReadSection("settings"), (std::vector<std::string>{"FormatCode", "FormatName"}));
}

TEST_F(SettingsDialogModelTest, UnmappedItemsWriteNoValue) {
    Settings("[settings]\nFormatCode=101\n[formatInfo101]\niChannel=1\niVolume=1\niVideoEncoder=2\n"
             "paraVolume=192\nparaChannel=1\nparaVideoEncoder=mpeg4\n");
    model.FormShow();
    ASSERT_TRUE(model.btnOkClick(nullptr));
    // "Mono 1 channel" is not the exact spelling, 110% is no listed volume, "MyCodec" no encoder.
    EXPECT_EQ(Stored("formatInfo101", "paraChannel"), "1");
    EXPECT_EQ(Stored("formatInfo101", "paraVolume"), "192");
    EXPECT_EQ(Stored("formatInfo101", "paraVideoEncoder"), "mpeg4");
    EXPECT_EQ(Stored("formatInfo101", "iVolume"), "1");
    EXPECT_EQ(Stored("formatInfo101", "paraBitExact"), "<none>"); // not h264
}

TEST_F(SettingsDialogModelTest, ChoosingAnotherFormatThenCancelWritesNothing) {
    Settings("[settings]\nFormatCode=101\nFormatName=Phone MP4\n[formatInfo101]\niVideoEncoder=0\n"
             "[formatInfo102]\niAudioEncoder=0\n");
    const std::string before = folder.Read("orvelkestrune.ini");
    model.FormShow();
    model.ItemChosen(Box::VideoEncoder, 1); // h264
    model.FormatChosen("102", "Audio MP3");
    model.btnDefaultClick();
    // Cancel is the dialog closing without Ok.
    EXPECT_EQ(folder.Read("orvelkestrune.ini"), before);

    model.FormatChosen("102", "Audio MP3");
    ASSERT_TRUE(model.btnOkClick(nullptr));
    EXPECT_EQ(Stored("settings", "FormatCode"), "102");
    EXPECT_EQ(Stored("settings", "FormatName"), "Audio MP3");
    EXPECT_EQ(Stored("formatInfo102", "Description"), "Audio MP3");
    EXPECT_EQ(Stored("formatInfo101", "paraVideoEncoder"), "<none>");
}

TEST_F(SettingsDialogModelTest, OkIntoAnUnwritableFileFails) {
    TFormatParamStore unwritable(folder.Path("orvelvideoformat.ini"),
                                 folder.Path("no-folder/orvelkestrune.ini"));
    TSettingsDialogModel dialog(unwritable, boxes);
    dialog.FormShow();
    bool catalogSaved = false;
    EXPECT_FALSE(dialog.btnOkClick([&] { catalogSaved = true; }));
    EXPECT_FALSE(catalogSaved);
}
