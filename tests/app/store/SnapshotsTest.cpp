// Snapshot files: which files the switches give, their pictures, and the folder rules.
#include "app/store/Snapshots.h"

#include "app/store/AppTestSupport.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;
using namespace orvel;
using orvel::test::TFakeMessageBoxes;
using orvel::test::TTempDir;

namespace {

// Red over blue, so a picture written upside down or with swapped channels shows.
QImage TwoBands(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, y < height / 2 ? QColor(220, 20, 30) : QColor(10, 40, 200));
    return image;
}

std::set<std::string> FilesIn(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

bool Near(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

class SnapshotsTest : public ::testing::Test {
protected:
    TTempDir tmp;
    TAppSettings settings{tmp.File("settings.ini")};
    TFakeMessageBoxes boxes;
    std::string snapDir = tmp.File("snaps");
    std::string defaultDir = tmp.File("kestrune");
    TSnapshotWriter writer{settings, boxes, defaultDir};

    void SetSwitches(bool full, bool small, bool bmp, bool jpg) {
        settings.SetSnapOutPutDir(snapDir);
        settings.SetSnapFullSize(full);
        settings.SetSnapSmallSize(small);
        settings.SetSnapBmp(bmp);
        settings.SetSnapJpg(jpg);
    }
    TSnapshotResult SaveFrame(const QImage& full) {
        return writer.Save(full, StretchedPicture(full, kPreviewPanelWidth, kPreviewPanelHeight));
    }
};

TEST_F(SnapshotsTest, TheFourSwitchesChooseTheFiles) {
    struct Case {
        bool full, small, bmp, jpg;
        std::set<std::string> files;
    };
    const std::vector<Case> cases = {
        {true,
         true,
         true,
         true,
         {"Snapshot_full.bmp", "Snapshot_small.bmp", "Snapshot_full.jpg", "Snapshot_small.jpg"}},
        {false, true, false, true, {"Snapshot_small.jpg"}},
        {true, false, true, false, {"Snapshot_full.bmp"}},
        {true, true, false, false, {}},
        {false, false, true, true, {}},
    };
    for (const Case& c : cases) {
        fs::remove_all(snapDir);
        SetSwitches(c.full, c.small, c.bmp, c.jpg);
        const TSnapshotResult result = SaveFrame(TwoBands(320, 240));
        EXPECT_EQ(result.Folder, snapDir);
        EXPECT_EQ(result.Files.size(), c.files.size());
        EXPECT_EQ(FilesIn(snapDir), c.files) << c.full << c.small << c.bmp << c.jpg;
    }
    EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(SnapshotsTest, OnlySmallJpegGivesOnePictureOfThePanelSize) {
    SetSwitches(false, true, false, true);
    SaveFrame(TwoBands(640, 360));
    const QImage small(QString::fromStdString(snapDir + "/Snapshot_small.jpg"));
    ASSERT_FALSE(small.isNull());
    EXPECT_EQ(small.size(), QSize(243, 171)); // stretched, proportions not kept
    EXPECT_TRUE(Near(small.pixelColor(120, 20), QColor(220, 20, 30), 40));
    EXPECT_TRUE(Near(small.pixelColor(120, 150), QColor(10, 40, 200), 40));
}

TEST_F(SnapshotsTest, BmpIsTwentyFourBitsAndKeepsEveryPixel) {
    SetSwitches(true, false, true, false);
    const QImage source = TwoBands(37, 10); // odd width: rows need padding
    SaveFrame(source);
    const std::string path = snapDir + "/Snapshot_full.bmp";
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<uint8_t>(bytes[28]), 24); // bits per pixel
    EXPECT_EQ(bytes.size(), 54u + 112u * 10u);      // 37 * 3 = 111 bytes, padded to 112
    const QImage back(QString::fromStdString(path));
    ASSERT_EQ(back.size(), source.size());
    for (int y : {0, 4, 5, 9})
        for (int x : {0, 36})
            EXPECT_EQ(back.pixelColor(x, y), source.pixelColor(x, y)) << x << "," << y;
}

TEST_F(SnapshotsTest, JpegQualityComesFromTheStoredSetting) {
    SetSwitches(true, false, false, true);
    QImage noisy(200, 200, QImage::Format_RGB888);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            noisy.setPixelColor(x, y, QColor((x * 7 + y * 13) % 256, (x * y) % 256, (x ^ y) % 256));
    const auto sizeAt = [&](int quality) {
        settings.SetJpgCmp(quality);
        SaveFrame(noisy);
        return fs::file_size(snapDir + "/Snapshot_full.jpg");
    };
    const auto low = sizeAt(10);
    const auto high = sizeAt(95);
    EXPECT_LT(low * 2, high);
    EXPECT_EQ(QImage(QString::fromStdString(snapDir + "/Snapshot_full.jpg")).size(), QSize(200, 200));
    EXPECT_EQ(EncodeJpeg(noisy, 30), EncodeJpeg(noisy, 30)); // the default quality encodes alike
}

TEST_F(SnapshotsTest, AnExistingFileIsReplacedWholeAndNoTemporaryFileStays) {
    SetSwitches(true, false, true, false);
    fs::create_directories(snapDir);
    std::ofstream(snapDir + "/Snapshot_full.bmp") << "old picture";
    SaveFrame(TwoBands(16, 16));
    EXPECT_EQ(QImage(QString::fromStdString(snapDir + "/Snapshot_full.bmp")).size(), QSize(16, 16));
    EXPECT_EQ(FilesIn(snapDir), std::set<std::string>{"Snapshot_full.bmp"});
}

TEST_F(SnapshotsTest, AFileThatCannotBeWrittenIsReportedAndLeftAlone) {
    SetSwitches(true, true, true, false);
    fs::create_directories(snapDir + "/Snapshot_full.bmp"); // a folder where the file goes
    const TSnapshotResult result = SaveFrame(TwoBands(16, 16));
    EXPECT_EQ(result.Files, std::vector<std::string>{snapDir + "/Snapshot_small.bmp"});
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, "Cannot write the snapshot file " + snapDir + "/Snapshot_full.bmp");
    EXPECT_TRUE(fs::is_directory(snapDir + "/Snapshot_full.bmp"));
    EXPECT_EQ(FilesIn(snapDir), (std::set<std::string>{"Snapshot_full.bmp", "Snapshot_small.bmp"}));
}

TEST_F(SnapshotsTest, AMissingFolderIsCreated) {
    SetSwitches(true, false, true, false);
    settings.SetSnapOutPutDir(snapDir + "/deeper/still/");
    const TSnapshotResult result = SaveFrame(TwoBands(8, 8));
    EXPECT_TRUE(fs::exists(snapDir + "/deeper/still/Snapshot_full.bmp"));
    EXPECT_TRUE(boxes.Shown.empty());
    EXPECT_EQ(result.Files.size(), 1u);
}

TEST_F(SnapshotsTest, AFolderThatCannotBeCreatedGivesWayToTheDefault) {
    SetSwitches(true, false, true, false);
    tmp.Write("plain-file", "x");
    const std::string impossible = tmp.File("plain-file") + "/snaps";
    settings.SetSnapOutPutDir(impossible);
    const TSnapshotResult result = SaveFrame(TwoBands(8, 8));
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, "Cannot create output directory:" + impossible +
                                       ".It will create default directory " + defaultDir + "!");
    EXPECT_EQ(boxes.Shown[0].Caption, "Warning");
    EXPECT_EQ(boxes.Shown[0].Buttons, TMsgButtons::Ok);
    EXPECT_EQ(settings.SnapOutPutDir(), defaultDir);
    EXPECT_EQ(result.Folder, defaultDir);
    EXPECT_TRUE(fs::exists(defaultDir + "/Snapshot_full.bmp"));
}

TEST_F(SnapshotsTest, NoPictureWritesNothing) {
    SetSwitches(true, true, true, true);
    const TSnapshotResult result = writer.Save(QImage(), QImage());
    EXPECT_TRUE(result.Folder.empty());
    EXPECT_FALSE(fs::exists(snapDir));
}

TEST(SnapshotPictures, ImageOfBitmapCopiesBlueGreenRedRows) {
    Bitmap24 frame(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            uint8_t* p = frame.Row(y) + x * 3;
            p[0] = 200; // blue
            p[1] = static_cast<uint8_t>(50 * x);
            p[2] = static_cast<uint8_t>(100 * y); // red
        }
    const QImage image = ImageOfBitmap(frame);
    frame.Row(0)[0] = 0; // a copy: later drawing on the frame does not change it
    EXPECT_EQ(image.pixelColor(2, 1), QColor(100, 100, 200));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 0, 200));
    EXPECT_TRUE(ImageOfBitmap(Bitmap24()).isNull());
}

} // namespace
