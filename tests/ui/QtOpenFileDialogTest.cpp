#include "ui/QtOpenFileDialog.h"

#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>

using namespace orvel;

TEST(QtOpenFileDialogTest, PatternsMatchWithoutRegardToCase) {
    test::WindowApp();
    test::TTempDir dir;
    for (const char* name : {"A.AVI", "b.avi", "c.Avi", "d.avi.txt", "README", "e.ra", "f.RAM", "g.mp4"})
        dir.Write(name, "x");
    const struct {
        std::string patterns;
        QStringList matched;
    } cases[] = {
        {"*.AVI;*.AVM;", {"A.AVI", "b.avi", "c.Avi"}},
        {"*.ra;*.ram", {"e.ra", "f.RAM"}},
        {"*.*", {"A.AVI", "README", "b.avi", "c.Avi", "d.avi.txt", "e.ra", "f.RAM", "g.mp4"}},
        {";;", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.patterns);
        const QStringList patterns = CaseFreePatterns(c.patterns);
        QStringList found = patterns.isEmpty()
                                ? QStringList()
                                : QDir(QString::fromStdString(dir.Path().string()))
                                      .entryList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase);
        found.sort(Qt::CaseInsensitive);
        QStringList want = c.matched;
        want.sort(Qt::CaseInsensitive);
        EXPECT_EQ(found, want);
    }
}

TEST(QtOpenFileDialogTest, AnswersTheChosenFilesOrNothingWhenCancelled) {
    test::WindowApp();
    test::TTempDir dir;
    dir.Write("clip.AVI", "x");
    TQtOpenFileDialog dialog;
    const TOpenFileRequest request{
        "Open", {{"All Supported Video Formats", "*.AVI;*.MP4;"}, {"All files (*.*)", "*.*"}}, true};
    {
        test::TModalAnswerer answer([&](QWidget* modal) {
            auto* shown = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(shown, nullptr);
            EXPECT_EQ(shown->fileMode(), QFileDialog::ExistingFiles);
            EXPECT_EQ(shown->nameFilters(),
                      (QStringList{"All Supported Video Formats (*.[aA][vV][iI] *.[mM][pP]4)",
                                   "All files (*.*) (*)"}));
            shown->selectFile(QString::fromStdString(dir.File("clip.AVI")));
            QMetaObject::invokeMethod(shown, "accept");
        });
        EXPECT_EQ(dialog.OpenFiles(request), std::vector<std::string>{dir.File("clip.AVI")});
    }
    {
        test::TModalAnswerer answer([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
        EXPECT_TRUE(dialog.OpenFiles(request).empty());
    }
}
