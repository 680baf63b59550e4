// The editing dialogs open at their default sizes and give a larger window's room to the preview.
#include "editing/windows/frmCrop.h"
#include "editing/windows/frmTrim.h"
#include "editing/windows/frmWaterMark.h"

#include "EditingDialogsTestSupport.h"
#include "editing/windows/RectTracker.h"

#include <QTest>

#include <functional>

using namespace orvel;
using namespace orvel::test;

TEST(EditingDialogsLayoutTest, ThePreviewTakesTheRoomOfALargerWindow) {
    WindowApp();
    TOpeningFakeFactory players;
    TFakeOpenFileDialog files;
    struct TCase {
        std::function<std::unique_ptr<TJobPreviewDialog>()> make;
        QSize size;
        QRect preview; // in the dialog, at the default size
    };
    const TCase cases[] = {
        {[&] { return std::make_unique<TfrmTrim>(players); }, {615, 435}, {236, 32, 372, 260}},
        {[&] { return std::make_unique<TfrmCrop>(players); }, {615, 435}, {236, 32, 370, 253}},
        {[&] { return std::make_unique<TfrmWaterMark>(players, files); }, {786, 605}, {411, 32, 364, 236}},
    };
    const QSize more(200, 100);
    for (const TCase& c : cases) {
        std::unique_ptr<TJobPreviewDialog> w = c.make();
        TlvFilesRecord job;
        job.SourceFile = "/media/clip.avi";
        job.CropUpInput = 10;
        w->Open(job);
        SCOPED_TRACE(w->windowTitle().toStdString());
        auto* preview = Control<QWidget>(w.get(), "imgPreview");
        const auto inDialog = [&] { return QRect(preview->mapTo(w.get(), QPoint()), preview->size()); };
        EXPECT_EQ(w->size(), c.size);
        EXPECT_EQ(inDialog(), c.preview);
        EXPECT_LE(w->minimumSizeHint().width(), c.size.width());
        EXPECT_LE(w->minimumSizeHint().height(), c.size.height());

        w->resize(c.size + more);
        QApplication::processEvents();
        EXPECT_EQ(inDialog(), QRect(c.preview.topLeft(), c.preview.size() + more));
        // Nothing is pushed out of the window or left behind over the preview.
        for (QWidget* child : w->findChildren<QWidget*>()) {
            if (!child->isVisibleTo(w.get()) || child->parentWidget() != w.get()) continue;
            EXPECT_TRUE(w->rect().contains(child->geometry())) << child->objectName().toStdString();
        }
        if (auto* crop = dynamic_cast<TfrmCrop*>(w.get())) {
            const TCropRect d = crop->Model().Display();
            EXPECT_EQ(Control<RectTracker>(crop, "RectTracker")->geometry().top(),
                      d.Top + crop->Model().View().Up);
            EXPECT_EQ(crop->Model().View().Up, 14) << "10 of 251 rows is 14 of 351";
        }
        w->close();
    }
}
