#include "FormatTestFiles.h"

#include "app/store/IniFile.h"
#include "formats/ParameterPanelModel.h"

#include <gtest/gtest.h>

#include <deque>

using namespace orvel;

namespace {

using Items = std::vector<std::string>;
using S = TPanelSelector;

struct TBox {
    std::string Text, Caption;
};

class TRecordingBoxes : public IMessageBoxes {
public:
    TMsgResult Show(const std::string& text, const std::string& caption, TMsgIcon, TMsgButtons) override {
        Shown.push_back({text, caption});
        return TMsgResult::Ok;
    }
    std::vector<TBox> Shown;
};

// Code 1: a video format with every list; code 2: "null" video encoder; code 3: audio list empty.
constexpr const char* kDefinitions = "[formatInfo1]\n"
                                     "VideoSize=320x240,480x320,640x480,as source\n"
                                     "iVideoSize=2\n"
                                     "VideoBitRate=256,384,768\n"
                                     "iVideoBitRate=1\n"
                                     "FrameRate=15,25,29.97\n"
                                     "iFrameRate=2\n"
                                     "VideoEncoder=mpeg-4,h264\n"
                                     "iVideoEncoder=1\n"
                                     "paraGop=250\n"
                                     "AudioBitRate=64,96,128.5\n"
                                     "iAudioBitRate=2\n"
                                     "SampleRate=22050,44100\n"
                                     "iSampleRate=1\n"
                                     "AudioEncoder=aac,mp3\n"
                                     "iAudioEncoder=1\n"
                                     "Channel=as source,mono 1 channel,stereo 2 channels\n"
                                     "iChannel=2\n"
                                     "Volume=50%,100%,200%\n"
                                     "iVolume=1\n"
                                     "[formatInfo2]\n"
                                     "VideoSize=320x240\n"
                                     "VideoBitRate=256\n"
                                     "FrameRate=25\n"
                                     "VideoEncoder=null\n"
                                     "AudioBitRate=128\n"
                                     "SampleRate=44100\n"
                                     "AudioEncoder=mp3\n"
                                     "Channel=stereo 2 channels\n"
                                     "Volume=100%\n"
                                     "[formatInfo3]\n"
                                     "VideoSize=320x240\n"
                                     "VideoBitRate=\n"
                                     "FrameRate=null\n"
                                     "VideoEncoder=mpeg-4\n"
                                     "AudioEncoder=\n";

class ParameterPanelModelTest : public ::testing::Test {
protected:
    ParameterPanelModelTest()
        : store(dir.Write("orvelvideoformat.ini", kDefinitions), dir.Path("orvelkestrune.ini")),
          panel(store, boxes) {}

    std::string Stored(int code, const std::string& key) const {
        return TIniFile(dir.Path("orvelkestrune.ini"))
            .ReadString("formatInfo" + std::to_string(code), key, "<none>");
    }
    void Type(S selector, const std::string& text) { panel.TextChanged(selector, text); }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& b : boxes.Shown)
            texts.push_back(b.Text);
        return texts;
    }

    fmttest::TScratchFolder dir;
    TFormatParamStore store;
    TRecordingBoxes boxes;
    TParameterPanelModel panel;
};

TEST_F(ParameterPanelModelTest, ZoomShowsTheDesignTimeItemsUntilTheFirstLoad) {
    EXPECT_EQ(panel.View()[S::Zoom].Items, (Items{"Full screen", "Letterbox", "Pan and Scan"}));
    panel.Load(1);
    EXPECT_EQ(panel.View()[S::Zoom].Items, (Items{"Full Screen", "Letter Box", "Pan and Scan"}));
    EXPECT_EQ(panel.View()[S::Zoom].ItemIndex, 0);
}

TEST_F(ParameterPanelModelTest, LoadShowsTheStoredChoices) {
    panel.Load(1);
    const TParameterPanelView& v = panel.View();
    // A format never touched shows its definition's defaults.
    EXPECT_EQ(v[S::VideoSize].ItemIndex, 2);
    EXPECT_EQ(v[S::VideoSize].Text, "640x480");
    EXPECT_EQ(v[S::VideoBitRate].Text, "384");
    EXPECT_EQ(v[S::AudioBitRate].Text, "128.5");
    EXPECT_EQ(v[S::VideoEncoder].Text, "h264");
    EXPECT_EQ(v[S::Volume].DropDownCount, 3);
    EXPECT_EQ(v[S::VideoSize].DropDownCount, 4);
    for (const TSelectorView& s : v.Selectors) {
        EXPECT_TRUE(s.Enabled);
        EXPECT_FALSE(s.Grey);
    }

    // A section holding some choices: the stored ones, typed where they are no item, and the
    // panel's own fall-backs for the rest.
    std::filesystem::remove(dir.Path("orvelkestrune.ini"));
    TIniFile settings(dir.Path("orvelkestrune.ini"));
    settings.WriteString("formatInfo1", "paraVideoSize", "1000x500");
    settings.WriteString("formatInfo1", "paraZoom", "pan");
    settings.WriteInteger("formatInfo1", "iVolume", 2);
    settings.WriteInteger("formatInfo1", "iChannel", 7); // outside the list: no selection
    panel.Load(1);
    EXPECT_EQ(v[S::VideoSize].ItemIndex, -1);
    EXPECT_EQ(v[S::VideoSize].Text, "1000x500");
    EXPECT_EQ(v[S::VideoBitRate].ItemIndex, 2);
    EXPECT_EQ(v[S::VideoBitRate].Text, "768");
    EXPECT_EQ(v[S::AudioBitRate].ItemIndex, 1);
    EXPECT_EQ(v[S::AudioBitRate].Text, "96");
    EXPECT_EQ(v[S::Zoom].ItemIndex, 2);
    EXPECT_EQ(v[S::Volume].Text, "200%");
    EXPECT_EQ(v[S::Channel].ItemIndex, -1);
    EXPECT_EQ(v[S::Channel].Text, "");
    EXPECT_EQ(Stored(1, "paraVideoBitRate"), "<none>") << "loading stores nothing into a touched format";
}

TEST_F(ParameterPanelModelTest, AGroupWithoutEncodersIsDisabledAndGrey) {
    panel.Load(2); // "null" video encoder
    for (S s : {S::VideoSize, S::VideoBitRate, S::FrameRate, S::VideoEncoder, S::Zoom}) {
        EXPECT_FALSE(panel.View()[s].Enabled) << static_cast<int>(s);
        EXPECT_TRUE(panel.View()[s].Grey);
    }
    for (S s : {S::SampleRate, S::AudioEncoder, S::Channel, S::Volume, S::AudioBitRate})
        EXPECT_TRUE(panel.View()[s].Enabled);

    panel.Load(3); // empty audio encoder list; the video group is on even where its list is "null"
    for (S s : {S::SampleRate, S::AudioEncoder, S::Channel, S::Volume, S::AudioBitRate})
        EXPECT_TRUE(panel.View()[s].Grey);
    EXPECT_TRUE(panel.View()[S::FrameRate].Enabled);
    EXPECT_TRUE(panel.View()[S::VideoBitRate].Items.empty());

    TIniFile(dir.Path("orvelkestrune.ini")).WriteString("formatInfo1", "paraZoom", "null");
    panel.Load(1);
    EXPECT_TRUE(panel.View()[S::Zoom].Enabled) << "the video group's rule overrides the zoom's";
}

TEST_F(ParameterPanelModelTest, SizeKeyFilter) {
    panel.Load(1);
    struct Case {
        const char* Text;
        char Key;
        bool Accepted;
    };
    const Case cases[] = {
        {"", 'q', true},      {"", 'x', true},       {"640", '5', true},  {"640", 'x', true},
        {"640x", 'x', false}, {"640x48", '0', true}, {"640", 'q', false}, {"640", ' ', false},
        {"640x", '\b', true}, {"640", 'X', false},
    };
    for (const Case& c : cases) {
        Type(S::VideoSize, c.Text);
        const TKeyAnswer a = panel.VideoSizeKeyPress(c.Key);
        EXPECT_EQ(a.Accepted, c.Accepted) << c.Text << " + " << c.Key;
        EXPECT_EQ(a.Beep, !c.Accepted);
    }
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(ParameterPanelModelTest, NumberKeyFilterRefusesAllButDigitsAndBackspace) {
    panel.Load(1);
    for (char key : {'0', '9', '\b'})
        EXPECT_TRUE(panel.NumberKeyPress(key).Accepted);
    for (char key : {'.', 'a', '-', ' '}) {
        const TKeyAnswer a = panel.NumberKeyPress(key);
        EXPECT_FALSE(a.Accepted);
        EXPECT_TRUE(a.Beep);
    }
    EXPECT_EQ(Messages(), (std::vector<std::string>(4, "Please enter numerical.")));
}

TEST_F(ParameterPanelModelTest, LeavingTheSizeBoxChecksCorrectsAndStores) {
    struct Case {
        const char* Typed;
        const char* Shown;  // box afterwards
        const char* Stored; // "paraVideoSize", "<none>" when nothing is stored
        const char* Index;  // "iVideoSize"
        const char* Message;
    };
    const Case cases[] = {
        {"640x480", "640x480", "640x480", "2", nullptr},
        {"1280x720", "1280x720", "1280x720", "0", nullptr},
        {"641x480", "640x480", "640x480", "0",
         "Frame Size must be a multiple of 2.\nThe correct value:640x480"},
        {"0x0", "2x2", "2x2", "0", "Frame Size must be a multiple of 2.\nThe correct value:2x2"},
        {"1x3", "2x2", "2x2", "0", "Frame Size must be a multiple of 2.\nThe correct value:2x2"},
        // Nothing is checked or stored: the definition's default stays.
        {"as source", "as source", "640x480", "2", nullptr},
        {"AS SOURCE please", "AS SOURCE please", "640x480", "2", nullptr},
        // Refused: item 1 replaces the text, and is what gets stored.
        {"640", "480x320", "480x320", "1", "Frame Size is not a valid value!"},
        {"axb", "480x320", "480x320", "1", "Frame Size is not a valid value!"},
        {"640x", "480x320", "480x320", "1", "Frame Size is not a valid value!"},
        {"99999999999x2", "480x320", "480x320", "1", "Frame Size is not a valid value!"},
        {"-2x4", "480x320", "480x320", "1", "Frame Size is not a valid value!"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir.Path("orvelkestrune.ini"));
        boxes.Shown.clear();
        panel.Load(1);
        Type(S::VideoSize, c.Typed);
        panel.VideoSizeExit();
        EXPECT_EQ(panel.View()[S::VideoSize].Text, c.Shown) << c.Typed;
        EXPECT_EQ(Stored(1, "paraVideoSize"), c.Stored) << c.Typed;
        EXPECT_EQ(Stored(1, "iVideoSize"), c.Index) << c.Typed;
        if (c.Message) {
            ASSERT_EQ(boxes.Shown.size(), 1u) << c.Typed;
            EXPECT_EQ(boxes.Shown[0].Text, c.Message);
            if (std::string(c.Message).find("multiple") != std::string::npos) {
                EXPECT_EQ(boxes.Shown[0].Caption, "Input Error!");
            }
        } else {
            EXPECT_TRUE(boxes.Shown.empty()) << c.Typed;
        }
    }
}

TEST_F(ParameterPanelModelTest, ChoosingASizeFromTheListStoresItUnchecked) {
    panel.Load(1);
    panel.ItemChosen(S::VideoSize, 3); // "as source" is stored only this way
    EXPECT_EQ(Stored(1, "paraVideoSize"), "as source");
    EXPECT_EQ(Stored(1, "iVideoSize"), "3");
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(ParameterPanelModelTest, TypedRatesAreCheckedAtEveryChange) {
    struct Case {
        S Selector;
        const char* Typed;
        const char* Stored;  // "para" key afterwards
        const char* Index;   // "i" key afterwards
        const char* Message; // nullptr when accepted
    };
    const Case cases[] = {
        {S::VideoBitRate, "1200", "1200", "-1", nullptr},
        {S::VideoBitRate, "768", "768", "2", nullptr},
        {S::VideoBitRate, "as source", "as source", "-1", nullptr},
        {S::VideoBitRate, "", "384", "1", "Video BitRate is not a valid value!"},
        {S::VideoBitRate, "12.5", "384", "1", "Video BitRate is not a valid value!"},
        {S::SampleRate, "48000", "48000", "-1", nullptr},
        {S::SampleRate, "48k", "44100", "1", "Audio SampleRate is not a valid value!"},
        {S::AudioBitRate, "128.5", "128.5", "2", nullptr},
        {S::AudioBitRate, "100", "100", "-1", nullptr},
        {S::AudioBitRate, "1.2.3", "96", "1", "Audio BitRate is not a valid value!"},
        {S::AudioBitRate, ".", "96", "1", "Audio BitRate is not a valid value!"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir.Path("orvelkestrune.ini"));
        boxes.Shown.clear();
        panel.Load(1);
        Type(c.Selector, c.Typed);
        const std::string key = ParamName(FormatParamOf(c.Selector));
        EXPECT_EQ(Stored(1, "para" + key), c.Stored) << key << " " << c.Typed;
        EXPECT_EQ(Stored(1, "i" + key), c.Index) << key << " " << c.Typed;
        if (c.Message) {
            EXPECT_EQ(Messages(), std::vector<std::string>{c.Message});
            EXPECT_EQ(panel.View()[c.Selector].ItemIndex, 1);
        } else {
            EXPECT_TRUE(boxes.Shown.empty()) << c.Typed;
        }
    }
}

TEST_F(ParameterPanelModelTest, ARefusalWithOneItemLeavesTheTextAndTheStoredChoice) {
    panel.Load(2); // one item per list
    Type(S::AudioBitRate, "abc");
    EXPECT_EQ(Messages(), std::vector<std::string>{"Audio BitRate is not a valid value!"});
    EXPECT_EQ(panel.View()[S::AudioBitRate].Text, "abc");
    EXPECT_EQ(Stored(2, "paraAudioBitRate"), "128") << "the stored choice stays";
}

TEST_F(ParameterPanelModelTest, PickListsStoreThroughTheMappings) {
    panel.Load(1);
    panel.ItemChosen(S::VideoEncoder, 1);
    panel.ItemChosen(S::AudioEncoder, 0);
    panel.ItemChosen(S::Channel, 1);
    panel.ItemChosen(S::Volume, 2);
    panel.ItemChosen(S::FrameRate, 2);
    panel.ItemChosen(S::Zoom, 1);
    const std::pair<const char*, const char*> expected[] = {
        {"iVideoEncoder", "1"},
        {"paraVideoEncoder", "libx264"},
        {"paraGop", "250"},
        {"iAudioEncoder", "0"},
        {"paraAudioEncoder", "libfaac"},
        {"iChannel", "1"},
        {"paraChannel", "1"},
        {"iVolume", "2"},
        {"paraVolume", "512"},
        {"iFrameRate", "2"},
        {"paraFrameRate", "29.97"},
        {"paraZoom", "lbox"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(Stored(1, key), value) << key;
    panel.ItemChosen(S::Volume, 9); // no such item
    EXPECT_EQ(Stored(1, "iVolume"), "2");
}

TEST_F(ParameterPanelModelTest, DefaultStoresAndShowsTheDefinitionsDefaults) {
    panel.Load(1);
    Type(S::VideoBitRate, "999");
    panel.ItemChosen(S::Zoom, 2);
    panel.Default();
    const TParameterPanelView& v = panel.View();
    EXPECT_EQ(v[S::VideoSize].Text, "640x480");
    EXPECT_EQ(v[S::VideoBitRate].Text, "384");
    EXPECT_EQ(v[S::FrameRate].Text, "29.97");
    EXPECT_EQ(v[S::VideoEncoder].Text, "h264");
    EXPECT_EQ(v[S::Zoom].ItemIndex, 0);
    EXPECT_EQ(v[S::AudioBitRate].Text, "128.5");
    EXPECT_EQ(v[S::Volume].Text, "100%");
    EXPECT_EQ(Stored(1, "paraVideoBitRate"), "384");
    EXPECT_EQ(Stored(1, "paraZoom"), "full");
    EXPECT_EQ(Stored(1, "paraVolume"), "256");

    // Loading again shows the same: what is shown is what is stored.
    const TParameterPanelView afterDefault = v;
    panel.Load(1);
    EXPECT_EQ(panel.View(), afterDefault);
}

} // namespace
