#include "auxiliary/windows/fmDirectory.h"

#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

using namespace orvel;

namespace {

class fmDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WindowApp();
        std::filesystem::create_directories(tmp.Path() / "start");
        std::filesystem::create_directories(tmp.Path() / "disc");
        std::filesystem::create_directories(tmp.Path() / "videos");
        chooser = std::make_unique<TfmDirectory>(boxes, nullptr, tmp.File("start"));
        chooser->IsOpticalDisc = [this](const std::string& p) {
            return p.find("/disc") != std::string::npos;
        };
    }
    test::TTempDir tmp;
    test::TFakeMessageBoxes boxes;
    std::unique_ptr<TfmDirectory> chooser;
};

TEST_F(fmDirectoryTest, EveryShowingStartsAtTheFirstFolderWithTheFixedSize) {
    chooser->show();
    EXPECT_EQ(chooser->windowTitle(), "Brows");
    EXPECT_EQ(chooser->size(), QSize(322, 351));
    EXPECT_EQ(chooser->Label1->text(), "Please select an output directory:");
    EXPECT_EQ(chooser->SelectedFolder(), tmp.File("start"));
    EXPECT_TRUE(chooser->btnOk->isEnabled());

    chooser->SelectFolder(tmp.File("videos"));
    chooser->btnOk->click();
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(chooser->Result(), tmp.File("videos"));

    chooser->show(); // the second showing starts at the first folder again
    EXPECT_EQ(chooser->SelectedFolder(), tmp.File("start"));
    EXPECT_EQ(chooser->Result(), tmp.File("videos")) << "the result is kept between uses";
    chooser->close(); // the close box leaves the result
    EXPECT_EQ(chooser->Result(), tmp.File("videos"));
}

TEST_F(fmDirectoryTest, AFolderOnAnOpticalDiscIsRefusedAndTheChooserStaysOpen) {
    chooser->show();
    chooser->SelectFolder(tmp.File("disc"));
    chooser->btnOk->click();
    chooser->btnOk->click();
    ASSERT_EQ(boxes.Shown.size(), 2u) << "one message per press";
    EXPECT_EQ(boxes.Shown[0].Text, "Output folder cannot be located in CD-ROM.Please select another folder.");
    EXPECT_EQ(boxes.Shown[0].Icon, TMsgIcon::Information);
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_EQ(chooser->Result(), "");
    chooser->btnCancel->click();
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(chooser->Result(), "");
    EXPECT_EQ(chooser->result(), QDialog::Rejected);
}

TEST_F(fmDirectoryTest, PseudoFileSystemFoldersCannotBeChosen) {
    chooser->show();
    for (const char* folder : {"/proc", "/sys", "/dev"}) {
        chooser->SelectFolder(folder);
        EXPECT_FALSE(chooser->btnOk->isEnabled()) << folder;
    }
    chooser->SelectFolder("/");
    EXPECT_TRUE(chooser->btnOk->isEnabled());
}

} // namespace

// The one chooser belongs to whichever window asks while it shows, and to none afterwards, so
// it is centred on that window and the window's end never takes the chooser with it.
TEST_F(fmDirectoryTest, BelongsToTheAskingWindowWhileItShows) {
    QDialog asking;
    asking.setGeometry(300, 200, 500, 400);
    asking.setWindowModality(Qt::ApplicationModal);
    asking.show();
    QWidget* parentWhileShown = nullptr;
    QPoint centreWhileShown;
    test::TModalAnswerer answer([&](QWidget* modal) {
        parentWhileShown = modal->parentWidget();
        centreWhileShown = modal->geometry().center();
        chooser->btnCancel->click();
    });
    EXPECT_EQ(chooser->ChooseFolder(), std::nullopt);
    EXPECT_EQ(parentWhileShown, &asking);
    EXPECT_LE((centreWhileShown - asking.geometry().center()).manhattanLength(), 2);
    EXPECT_EQ(chooser->parentWidget(), nullptr);
    EXPECT_TRUE(chooser->isWindow());
}
