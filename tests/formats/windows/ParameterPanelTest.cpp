#include "formats/windows/ParameterPanel.h"

#include "app/store/IniFile.h"
#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

using namespace orvel;

namespace {

// Code 1 as the shipped definitions give it (an H.264 iPod format); code 9 without video.
constexpr const char* kDefinitions = "[formatInfo1]\n"
                                     "VideoSize=320x240,480x320,640x480\n"
                                     "VideoBitRate=256,384,512,768\n"
                                     "FrameRate=15,25,29.97\n"
                                     "VideoEncoder=h264,mpeg-4\n"
                                     "AudioBitRate=64,96,128\n"
                                     "SampleRate=22050,44100\n"
                                     "AudioEncoder=aac\n"
                                     "Channel=as source,mono 1 channel,stereo 2 channels\n"
                                     "Volume=50%,100%\n"
                                     "[formatInfo9]\n"
                                     "VideoEncoder=null\n"
                                     "AudioEncoder=mp3\n"
                                     "AudioBitRate=128\n";

class ParameterPanelTest : public ::testing::Test {
protected:
    ParameterPanelTest()
        : store((test::WindowApp(), tmp.Write("def.ini", kDefinitions), tmp.File("def.ini")),
                tmp.File("set.ini")),
          panel(store, boxes) {
        panel.resize(560, 110);
        panel.show();
    }
    std::string Stored(const std::string& key) const {
        return TIniFile(tmp.File("set.ini")).ReadString("formatInfo1", key, "<none>");
    }
    static void Type(QComboBox* box, const QString& text) {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(box, &press);
        }
    }
    static void Backspace(QComboBox* box) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QApplication::sendEvent(box, &press);
    }
    static void Leave(QComboBox* box) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(box, &out);
    }

    test::TTempDir tmp;
    TFormatParamStore store;
    test::TFakeMessageBoxes boxes;
    TParameterPanel panel;
};

TEST_F(ParameterPanelTest, TheSelectorsAreNamedAndLabelledAsTheUserKnowsThem) {
    EXPECT_EQ(panel.grpVideo->title(), "Video Options");
    EXPECT_EQ(panel.grpAudio->title(), "Audio Options");
    QStringList labels;
    for (QGroupBox* group : {panel.grpVideo, panel.grpAudio})
        for (const QLabel* l : group->findChildren<QLabel*>())
            labels << l->text();
    EXPECT_EQ(labels,
              (QStringList{"Frame Size:", "Encoder:", "BitRate (Kbps):", "FrameRate (Fps):", "Zoom:",
                           "SampleRate (Hz):", "Encoder:", "Channel:", "Volume:", "BitRate (Kbps):"}));
    for (const char* name :
         {"cmbVideoSize", "cmbVideoEncoder", "cmbVideoBitRate", "cmbFrameRate", "cmbZoom", "cmbSamplerate",
          "cmbAudioEncoder", "cmbChannel", "cmbVolume", "cmbAudioBitRate"})
        EXPECT_NE(panel.findChild<QComboBox*>(name), nullptr) << name;
    EXPECT_EQ(panel.btnDefault->text(), "Default");
    EXPECT_EQ(panel.cmbZoom->itemText(1), "Letterbox") << "design-time items before the first load";
}

TEST_F(ParameterPanelTest, LoadFillsTheBoxes) {
    panel.Load(1);
    EXPECT_EQ(panel.cmbVideoSize->count(), 3);
    EXPECT_EQ(panel.cmbVideoSize->currentText(), "320x240");
    EXPECT_EQ(panel.cmbVideoBitRate->currentText(), "256");
    EXPECT_EQ(panel.cmbAudioBitRate->currentText(), "64");
    EXPECT_EQ(panel.cmbVideoEncoder->currentText(), "h264");
    EXPECT_EQ(panel.cmbZoom->itemText(1), "Letter Box");
    EXPECT_EQ(panel.cmbVolume->maxVisibleItems(), 2);
    EXPECT_TRUE(panel.cmbVideoSize->isEnabled());

    panel.Load(9);
    for (QComboBox* box : {panel.cmbVideoSize, panel.cmbVideoBitRate, panel.cmbFrameRate,
                           panel.cmbVideoEncoder, panel.cmbZoom}) {
        EXPECT_FALSE(box->isEnabled()) << box->objectName().toStdString();
        EXPECT_NE(box->palette().color(QPalette::Text), QColor(Qt::black));
    }
    EXPECT_TRUE(panel.cmbAudioBitRate->isEnabled());
    EXPECT_EQ(panel.cmbAudioBitRate->palette().color(QPalette::Text), QColor(Qt::black));
}

TEST_F(ParameterPanelTest, TypedSizeIsFilteredAndCorrectedWhenTheBoxIsLeft) {
    panel.Load(1);
    panel.cmbVideoSize->lineEdit()->clear();
    panel.cmbVideoSize->lineEdit()->setFocus();
    Type(panel.cmbVideoSize, "641xx4q80"); // the second "x" and the "q" are dropped
    EXPECT_EQ(panel.cmbVideoSize->currentText(), "641x480");
    Leave(panel.cmbVideoSize);
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, "Frame Size must be a multiple of 2.\nThe correct value:640x480");
    EXPECT_EQ(boxes.Shown[0].Caption, "Input Error!");
    EXPECT_EQ(panel.cmbVideoSize->currentText(), "640x480");
    EXPECT_EQ(Stored("paraVideoSize"), "640x480");
}

TEST_F(ParameterPanelTest, NumberBoxesRefuseOtherKeysAndCheckEveryChange) {
    panel.Load(1);
    QComboBox* rate = panel.cmbVideoBitRate;
    rate->lineEdit()->setFocus();
    rate->lineEdit()->end(false);
    Type(rate, "0.");
    EXPECT_EQ(rate->currentText(), "2560");
    EXPECT_EQ(Stored("paraVideoBitRate"), "2560");
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, "Please enter numerical.");

    boxes.Shown.clear();
    for (int i = 0; i < 4; ++i)
        Backspace(rate);
    // The empty text is refused and the second item takes its place.
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, "Video BitRate is not a valid value!");
    EXPECT_EQ(rate->currentIndex(), 1);
    EXPECT_EQ(rate->currentText(), "384");
    EXPECT_EQ(Stored("paraVideoBitRate"), "384");
}

TEST_F(ParameterPanelTest, ChoicesFromTheListsAndDefaultStore) {
    panel.Load(1);
    emit panel.cmbVideoEncoder->activated(1);
    emit panel.cmbChannel->activated(1);
    emit panel.cmbZoom->activated(2);
    EXPECT_EQ(Stored("paraVideoEncoder"), "mpeg4");
    EXPECT_EQ(Stored("paraChannel"), "1");
    EXPECT_EQ(Stored("paraZoom"), "pan");
    EXPECT_EQ(panel.cmbVideoEncoder->currentText(), "mpeg-4");

    panel.btnDefault->click();
    EXPECT_EQ(Stored("paraVideoEncoder"), "libx264");
    EXPECT_EQ(Stored("paraZoom"), "full");
    EXPECT_EQ(panel.cmbVideoEncoder->currentText(), "h264");
    EXPECT_EQ(panel.cmbZoom->currentText(), "Full Screen");
    EXPECT_TRUE(boxes.Shown.empty());
}

} // namespace
