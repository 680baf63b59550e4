#include "app/windows/frmCover.h"

#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QImage>

using namespace orvel;

TEST(frmCoverTest, PictureComesFromTheSkinFolderOrIsDrawnInCode) {
    test::WindowApp();
    test::TTempDir tmp;
    {
        TfrmCover cover(tmp.Path());
        EXPECT_EQ(cover.imgCover->pixmap().size(), QSize(399, 239));
        cover.show();
        EXPECT_EQ(cover.size(), QSize(399, 239));
    }
    // A file that is not a picture leaves the built-in one.
    tmp.Write("skin/videocover.jpg", "not a jpeg");
    EXPECT_EQ(TfrmCover(tmp.Path()).imgCover->pixmap().size(), QSize(399, 239));

    QImage picture(320, 200, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(QString::fromStdString(tmp.File("skin/videocover.jpg")), "JPG"));
    TfrmCover cover(tmp.Path());
    EXPECT_EQ(cover.imgCover->pixmap().size(), QSize(320, 200));
    cover.show();
    EXPECT_EQ(cover.size(), QSize(320, 200));
}

TEST(frmCoverTest, ClosesAtTheFirstTickTheMainWindowIsShowing) {
    test::WindowApp();
    test::TTempDir tmp;
    TfrmCover cover(tmp.Path());
    EXPECT_TRUE(cover.tmrClose->isActive());
    EXPECT_EQ(cover.tmrClose->interval(), 1000);
    cover.show();

    cover.tmrCloseTimer(); // no main window yet
    EXPECT_TRUE(cover.isVisible());
    QWidget mainWindow;
    cover.SetMainWindow(&mainWindow);
    cover.tmrCloseTimer(); // created but not shown
    EXPECT_TRUE(cover.isVisible());
    mainWindow.show();
    cover.tmrCloseTimer();
    EXPECT_FALSE(cover.isVisible());
    EXPECT_FALSE(cover.tmrClose->isActive());
}
