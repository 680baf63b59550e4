#include "formats/windows/frmSettings.h"

#include "formats/FormatTestFiles.h"
#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QFocusEvent>
#include <QInputDevice>
#include <QLineEdit>
#include <QTest>

using namespace orvel;

namespace {

constexpr const char* kDefinitions = "[formatInfo101]\n"
                                     "VideoSize=320x240,640x480\n"
                                     "VideoBitRate=512,768\n"
                                     "FrameRate=25,29.97\n"
                                     "VideoEncoder=mpeg-4,h264\n"
                                     "iVideoEncoder=1\n"
                                     "AudioBitRate=96,128\n"
                                     "SampleRate=44100,48000\n"
                                     "AudioEncoder=aac\n"
                                     "Channel=stereo 2 channels\n"
                                     "Volume=100%,150%\n"
                                     "paraGop=250\n"
                                     "[formatInfo102]\n"
                                     "VideoEncoder=null\n"
                                     "AudioEncoder=mp3\n";

class frmSettingsTest : public ::testing::Test {
protected:
    frmSettingsTest() {
        folder.Write("orvelvideoformat.ini", kDefinitions);
        folder.Write("orvelkestrune.ini", "[settings]\nFormatCode=101\nFormatName=Phone MP4\n"
                                          "[formatInfo101]\niVideoSize=1\niVolume=1\n");
    }
    std::string Stored(const std::string& section, const std::string& key) {
        return TIniFile(folder.Path("orvelkestrune.ini")).ReadString(section, key, "<none>");
    }
    // Types into the box key by key, as a user would: the keys go to the box, not its edit field.
    static void Type(QComboBox* box, const QString& text) { QTest::keyClicks(box, text); }
    static void ClearBox(QComboBox* box) {
        box->lineEdit()->end(false);
        while (!box->lineEdit()->text().isEmpty())
            QTest::keyClick(box, Qt::Key_Backspace);
    }
    static void Leave(QComboBox* box) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(box, &out);
    }

    // Qt's list of input devices must outlive the application, which deletes the keyboard that
    // the typed keys create: made first, the list is destroyed last at exit.
    const bool devicesFirst = (QInputDevice::devices(), true);
    QApplication& app = test::WindowApp(); // before any widget
    fmttest::TScratchFolder folder;
    TFormatParamStore store{folder.Path("orvelvideoformat.ini"), folder.Path("orvelkestrune.ini")};
    test::TFakeMessageBoxes boxes;
    TfrmSettings w{store, boxes};
};

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

TEST_F(frmSettingsTest, OpensWithTheStoredFormat) {
    EXPECT_EQ(w.windowTitle(), "Settings");
    w.resize(700, 700);
    w.show();
    EXPECT_EQ(w.size(), QSize(475, 370));
    EXPECT_EQ(w.grpbxVideo->title(), "Video Options");
    EXPECT_EQ(w.grpbxAudio->title(), "Audio Options");
    EXPECT_EQ(w.Label1->text(), "Output Format:");
    EXPECT_EQ(w.btnDefault->text(), "&Default");
    EXPECT_EQ(w.btnOk->text(), "&Ok");
    EXPECT_EQ(w.btnCancel->text(), "&Cancel");
    EXPECT_FALSE(w.cbOutputFormat->isVisible());
    EXPECT_EQ(w.cmbVideoSize->currentText(), "640x480");
    EXPECT_EQ(w.cmbVolume->currentText(), "150%");
    EXPECT_EQ(Items(w.cmbZoom), (QStringList{"Full screen", "Letterbox", "Pan and Scan"}));
    EXPECT_EQ(w.cmbZoom->currentText(), "Full screen");
    EXPECT_EQ(w.cmbVolume->maxVisibleItems(), 2);
    for (const QComboBox* box : {w.cmbVideoSize, w.cmbVideoBitRate, w.cmbSamplerate, w.cmbAudioBitRate})
        EXPECT_TRUE(box->isEditable()) << box->objectName().toStdString();
    for (const QComboBox* box :
         {w.cmbVideoEncoder, w.cmbFrameRate, w.cmbZoom, w.cmbAudioEncoder, w.cmbChannel})
        EXPECT_FALSE(box->isEditable()) << box->objectName().toStdString();

    w.edt1Change("102", "Audio MP3");
    EXPECT_FALSE(w.cmbVideoSize->isEnabled());
    EXPECT_FALSE(w.cmbZoom->isEnabled());
    EXPECT_TRUE(w.cmbAudioEncoder->isEnabled());
    EXPECT_NE(w.cmbVideoSize->palette().color(QPalette::Text), QColor(Qt::black));
    w.close();
}

TEST_F(frmSettingsTest, KeysAreFilteredAndLeavingChecksTheBox) {
    w.show();
    ClearBox(w.cmbVideoSize);
    Type(w.cmbVideoSize, "641xx480a");
    EXPECT_EQ(w.cmbVideoSize->currentText(), "641x480");
    EXPECT_TRUE(boxes.Shown.empty());
    Leave(w.cmbVideoSize);
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Caption, "Input Error!");
    EXPECT_EQ(boxes.Shown[0].Text, "Frame Size must be a multiple of 2.\nThe correct value:640x480");
    EXPECT_EQ(w.cmbVideoSize->currentText(), "640x480");

    boxes.Shown.clear();
    ClearBox(w.cmbVideoBitRate);
    Type(w.cmbVideoBitRate, "12.5");
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, "Please enter numerical.");
    EXPECT_EQ(w.cmbVideoBitRate->currentText(), "125");
    Leave(w.cmbVideoBitRate);
    EXPECT_EQ(boxes.Shown.size(), 1u);
    w.close();
}

TEST_F(frmSettingsTest, OkWritesAndCancelDoesNot) {
    w.show();
    w.cmbVideoEncoder->setCurrentIndex(1);
    emit w.cmbVideoEncoder->activated(1); // h264, as a user's choice
    const std::string before = folder.Read("orvelkestrune.ini");
    int committed = 0;
    w.OnCommitted = [&] { ++committed; };
    w.btnCancel->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(folder.Read("orvelkestrune.ini"), before);
    EXPECT_EQ(committed, 0);

    w.show(); // reopened: the stored choice again, then h264 and Ok
    EXPECT_EQ(w.cmbVideoEncoder->currentText(), "mpeg-4");
    emit w.cmbVideoEncoder->activated(1);
    w.btnOk->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(committed, 1); // the main window refills its catalog
    EXPECT_EQ(Stored("formatInfo101", "paraVideoEncoder"), "libx264");
    EXPECT_EQ(Stored("formatInfo101", "paraGop"), "250");
    EXPECT_EQ(Stored("formatInfo101", "paraVolume"), "384");
    EXPECT_EQ(Stored("settings", "FormatName"), "Phone MP4");
}

TEST_F(frmSettingsTest, OkIntoAnUnwritableFileTellsAndStaysOpen) {
    TFormatParamStore unwritable(folder.Path("orvelvideoformat.ini"),
                                 folder.Path("missing/orvelkestrune.ini"));
    TfrmSettings dialog(unwritable, boxes);
    dialog.show();
    dialog.btnOk->click();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Icon, TMsgIcon::Warning);
    dialog.btnCancel->click();
}
