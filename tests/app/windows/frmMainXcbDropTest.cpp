// Dropping files on the job list under a real X server: the drag enter and drop events go
// through Qt's xcb platform to the list as a file manager's drop would. Runs only on xcb (the
// build runs it under Xvfb when that is installed) and is skipped elsewhere.
#include "MainWindowTest.h"

#include "app/windows/JobListPart.h"
#include "fixtures/Fixtures.h"

#include <gtest/gtest.h>

#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <QTreeView>
#include <QUrl>

using namespace orvel;

namespace {

class frmMainXcbDropTest : public test::TMainWindowTest {};

TEST_F(frmMainXcbDropTest, ADroppedFileBecomesARow) {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server (xcb)";
    std::filesystem::copy_file(ORVEL_BINARY_DIR "/orvelvideoformat.ini", paths.FormatIniPath);
    // The output folder stays in the test's own folder, never the user's home.
    Settings("OutPutDir=" + tmp.File("out") + "\n");
    auto w = Create();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    auto* list = test::Control<QTreeView>(w.get(), "lvFiles");
    const std::string clip = fixtures::Path(fixtures::FixtureId::Mp4);

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(clip))});
    const QPoint at = list->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_EQ(w->JobList().RowCount(), 1);
    EXPECT_EQ(w->JobList().Model().Text(0, jcSource), clip);
    QApplication::processEvents();
    w->grab().save(ORVEL_BINARY_DIR "/screens/frmMain_xcb_drop.png");
    w->ExitWithoutAsking = true;
    w->close();
}

} // namespace
