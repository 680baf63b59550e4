#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

using namespace orvel;

namespace {

// A window with one control of each kind the state table reads.
struct TSampleWindow {
    TSampleWindow() {
        window.setObjectName("frmSample");
        window.setWindowTitle("Sample");
        auto* layout = new QVBoxLayout(&window);
        auto add = [&](QWidget* w, const char* name) {
            w->setObjectName(name);
            layout->addWidget(w);
        };
        add(ok = new QPushButton("&Ok"), "btnOk1");
        add(mute = new QCheckBox("Mute"), "ckMute");
        add(path = new QLineEdit("/tmp/a.avi"), "edtPath");
        add(hint = new QLabel("hint"), "lblHint");
        add(new QWidget, ""); // unnamed helpers are not part of the state
        mute->setChecked(true);
        path->setEnabled(false);
        hint->hide();
        action = new QAction("&Crop", &window);
        action->setObjectName("miCrop");
        action->setCheckable(true);
        action->setChecked(true);
        window.addAction(action);
    }
    QWidget window;
    QPushButton* ok;
    QCheckBox* mute;
    QLineEdit* path;
    QLabel* hint;
    QAction* action;
};

} // namespace

TEST(WindowTestKitTest, StateTableHoldsEveryNamedControlAndReportsEachDifference) {
    test::WindowApp();
    TSampleWindow sample;
    const test::TWindowState expected{
        {"frmSample", {"Sample", true, false, false}}, // not shown yet
        {"btnOk1", {"&Ok", true, false, true}},          {"ckMute", {"Mute", true, true, true}},
        {"edtPath", {"/tmp/a.avi", false, false, true}}, {"lblHint", {"hint", true, false, false}},
        {"miCrop", {"&Crop", true, true, true}},
    };
    EXPECT_EQ(test::WindowState(&sample.window), expected);
    EXPECT_EQ(test::StateDifferences(test::WindowState(&sample.window), expected), "");

    EXPECT_EQ(test::Control<QPushButton>(&sample.window, "btnOk1"), sample.ok);
    EXPECT_EQ(test::Control<QAction>(&sample.window, "miCrop"), sample.action);

    sample.ok->setEnabled(false);
    sample.mute->setChecked(false);
    sample.window.show();
    test::TWindowState wanted = expected;
    wanted["btnMissing"] = {};
    EXPECT_EQ(test::StateDifferences(test::WindowState(&sample.window), wanted),
              "btnMissing: missing\n"
              "btnOk1: {\"&Ok\" disabled}, expected {\"&Ok\"}\n"
              "ckMute: {\"Mute\"}, expected {\"Mute\" checked}\n"
              "frmSample: {\"Sample\"}, expected {\"Sample\" hidden}\n");
}

TEST(WindowTestKitTest, AnswererAnswersDialogsRunWithExec) {
    test::WindowApp();
    QWidget owner;
    owner.show();
    {
        QDialog dialog(&owner);
        test::TModalAnswerer answer([&](QWidget* modal) {
            EXPECT_EQ(modal, &dialog);
            dialog.accept();
        });
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
        EXPECT_TRUE(answer.Answered());
    }
    {
        QMessageBox box(QMessageBox::Question, "Warning", "Do you really want to exit?",
                        QMessageBox::Yes | QMessageBox::No, &owner);
        test::TModalAnswerer answer([](QWidget* modal) {
            auto* shown = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(shown, nullptr);
            EXPECT_EQ(shown->text(), "Do you really want to exit?");
            shown->button(QMessageBox::No)->click();
        });
        EXPECT_EQ(box.exec(), QMessageBox::No);
    }
}
