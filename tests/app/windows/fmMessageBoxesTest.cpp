// The Qt message boxes: the stop question of a running batch answers Yes only for its "Stop the
// whole batch" button; Enter and Esc, pressed in haste, go on.
#include "app/windows/fmMessageBoxes.h"

#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace orvel;

namespace {

TEST(fmMessageBoxesTest, StopQuestionStopsOnlyOnItsStopButton) {
    test::WindowApp();
    const struct {
        const char* how;
        std::function<void(QMessageBox&)> answer;
        TMsgResult expected;
    } cases[] = {
        {"Stop button", [](QMessageBox& b) { b.buttons()[0]->click(); }, TMsgResult::Yes},
        {"Go on button", [](QMessageBox& b) { b.buttons()[1]->click(); }, TMsgResult::No},
        {"Enter", [](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Return); }, TMsgResult::No},
        {"Esc", [](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Escape); }, TMsgResult::No},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        QStringList captions;
        test::TModalAnswerer answerer([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            for (const QAbstractButton* b : box->buttons())
                captions << b->text();
            c.answer(*box);
        });
        TQtMessageBoxes boxes;
        EXPECT_EQ(boxes.Show("Stop?", "Warning", TMsgIcon::Question, TMsgButtons::StopGoOn), c.expected);
        EXPECT_EQ(captions, (QStringList{"&Stop the whole batch", "&Go on"}));
    }
}

} // namespace
