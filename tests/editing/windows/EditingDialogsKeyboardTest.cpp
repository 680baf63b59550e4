// The three editing dialogs driven by the keyboard: Enter and Esc, the previews' keys, Trim's I and
// O and typed times, and what keyboard and screen-reader users rely on (mnemonics, names, order).
#include "editing/windows/frmCrop.h"
#include "editing/windows/frmTrim.h"
#include "editing/windows/frmWaterMark.h"

#include "EditingDialogsTestSupport.h"

#include <QAccessible>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <functional>
#include <map>

using namespace orvel;
using namespace orvel::test;

namespace {

constexpr int64_t kSec = 1'000'000;

enum class TDialog { Trim, Crop, WaterMark };

const char* NameOf(TDialog d) {
    return d == TDialog::Trim ? "Trim" : d == TDialog::Crop ? "Crop" : "Watermark";
}

// Synthetic mouse events are avoided here: a pointing device left behind crashes the program on
// its way out (see frmWaterMarkTest).
class EditingDialogsKeyboardTest : public ::testing::Test {
public:
    void SetUp() override { WindowApp(); }

    TJobPreviewDialog& Open(TDialog which, const TlvFilesRecord& job = Job()) {
        switch (which) {
        case TDialog::Trim:
            window_ = std::make_unique<TfrmTrim>(players_);
            break;
        case TDialog::Crop:
            window_ = std::make_unique<TfrmCrop>(players_);
            break;
        case TDialog::WaterMark:
            window_ = std::make_unique<TfrmWaterMark>(players_, files_);
            break;
        }
        window_->Open(job);
        return *window_;
    }
    TOpeningFakePlayer& Player() { return players_.Last(); }
    static TlvFilesRecord Job() {
        TlvFilesRecord job;
        job.SourceFile = "/media/clip.avi";
        return job;
    }
    // A key pressed while control has the focus, as the keyboard delivers it.
    void Press(const char* control, int key) {
        QWidget* target = Control<QWidget>(window_.get(), control);
        target->setFocus();
        QTest::keyClick(target, static_cast<Qt::Key>(key));
    }

    TOpeningFakeFactory players_;
    TFakeOpenFileDialog files_;
    std::unique_ptr<TJobPreviewDialog> window_;
};

} // namespace

TEST_F(EditingDialogsKeyboardTest, EnterIsOkAndEscIsCancel) {
    struct TCase {
        TDialog dialog;
        const char* focus;
        std::function<void(EditingDialogsKeyboardTest&)> edit; // before the key
        int key;
        std::function<void(const std::optional<TlvFilesRecord>&)> check;
    };
    const auto cancelled = [](const std::optional<TlvFilesRecord>& r) { EXPECT_FALSE(r); };
    const TCase cases[] = {
        // Enter on the start row's "Ok" does not take the start again: it is the dialog's Ok.
        {TDialog::Trim, "btnOk1",
         [](auto& t) {
             t.Player().RaisePosition(2 * kSec);
             t.Press("btnOk1", Qt::Key_Space); // Space presses the focused button
             t.Player().RaisePosition(4 * kSec);
         },
         Qt::Key_Return,
         [](const auto& r) {
             ASSERT_TRUE(r);
             EXPECT_EQ(r->TrimStart, 2 * kSec);
         }},
        // A time typed and Enter: the time is taken and Ok stores it.
        {TDialog::Trim, "edtEnd",
         [](auto& t) {
             auto* end = Control<QLineEdit>(t.window_.get(), "edtEnd");
             end->setFocus();
             end->selectAll();
             QTest::keyClicks(end, "00:00:20");
         },
         Qt::Key_Enter,
         [](const auto& r) {
             ASSERT_TRUE(r);
             EXPECT_EQ(r->TrimLength, 20 * kSec);
         }},
        {TDialog::Trim, "imgPreview", nullptr, Qt::Key_Escape, cancelled},
        // Enter in a margin box is Ok, not "Reset".
        {TDialog::Crop, "spedUp", [](auto& t) { Control<QSpinBox>(t.window_.get(), "spedUp")->stepBy(10); },
         Qt::Key_Return,
         [](const auto& r) {
             ASSERT_TRUE(r);
             EXPECT_EQ(r->CropUpInput, 10);
         }},
        {TDialog::Crop, "btnReset",
         [](auto& t) { Control<QSpinBox>(t.window_.get(), "spedLeft")->stepBy(4); }, Qt::Key_Return,
         [](const auto& r) {
             ASSERT_TRUE(r);
             EXPECT_EQ(r->CropLeftInput, 4);
         }},
        {TDialog::Crop, "spedUp", [](auto& t) { Control<QSpinBox>(t.window_.get(), "spedUp")->stepBy(10); },
         Qt::Key_Escape, cancelled},
        // Enter while typing the text is Ok, not "Clear Text".
        {TDialog::WaterMark, "edtFont",
         [](auto& t) {
             Control<QTabWidget>(t.window_.get(), "pageControl")->setCurrentIndex(0);
             QTest::keyClicks(Control<QLineEdit>(t.window_.get(), "edtFont"), "Orvel");
         },
         Qt::Key_Return,
         [](const auto& r) {
             ASSERT_TRUE(r);
             EXPECT_EQ(r->WatermarkText, "Orvel");
         }},
        {TDialog::WaterMark, "btnClearImage", nullptr, Qt::Key_Escape, cancelled},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(NameOf(c.dialog)) + ", focus on " + c.focus);
        TJobPreviewDialog& w = Open(c.dialog);
        if (c.edit) c.edit(*this);
        Press(c.focus, c.key);
        EXPECT_FALSE(w.isVisible()) << "the key closes the dialog";
        c.check(w.Result());
    }
}

TEST_F(EditingDialogsKeyboardTest, PreviewKeysDriveThePlayer) {
    struct TCase {
        TDialog dialog;
        const char* focus;
        bool paused;
        int key;
        std::vector<std::string> calls; // what the player is asked, in order
    };
    const TCase cases[] = {
        {TDialog::Trim, "imgPreview", false, Qt::Key_Space, {"Pause"}},
        {TDialog::Trim, "imgPreview", true, Qt::Key_Space, {"Resume"}},
        {TDialog::Trim, "trcPreview", false, Qt::Key_Right, {"Seek 0 15000000"}},
        {TDialog::Trim, "imgbtnpause", false, Qt::Key_Left, {"Seek 0 5000000"}},
        {TDialog::Crop, "trcPreview", true, Qt::Key_Left, {"Seek 16 9960000"}}, // exactly one picture back
        {TDialog::Crop, "imgPreview", false, Qt::Key_Home, {"Seek 0 0"}},
        {TDialog::WaterMark, "imgPreview", false, Qt::Key_End, {"Seek 0 59960000"}},
        // Paused, Right plays until the next picture shows and pauses there.
        {TDialog::WaterMark, "trcPreview", true, Qt::Key_Right, {"Resume", "Pause"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(NameOf(c.dialog)) + ", focus on " + c.focus + ", key " +
                     std::to_string(c.key));
        TJobPreviewDialog& w = Open(c.dialog);
        if (c.paused) Press("imgPreview", Qt::Key_Space);
        Player().RaisePosition(10 * kSec);
        const size_t before = Player().Calls.size();
        Press(c.focus, c.key);
        Player().RaisePosition(10 * kSec + 40'000); // the next picture
        const std::vector<std::string> calls(Player().Calls.begin() + static_cast<long>(before),
                                             Player().Calls.end());
        EXPECT_EQ(calls, c.calls);
        EXPECT_TRUE(w.isVisible());
    }
}

TEST_F(EditingDialogsKeyboardTest, TrimTakesIAndOAndTypedTimes) {
    auto& w = static_cast<TfrmTrim&>(Open(TDialog::Trim));
    Player().RaisePosition(3 * kSec);
    Press("imgPreview", Qt::Key_I);
    Player().RaisePosition(8 * kSec);
    Press("trcPreview", Qt::Key_O);
    EXPECT_EQ(Control<QLineEdit>(&w, "edtTrimLength")->text(), "00:00:05.000");

    // A typed end before the start is refused with a message, and Ok keeps the dialog open.
    auto* end = Control<QLineEdit>(&w, "edtEnd");
    end->setFocus();
    end->selectAll();
    QTest::keyClicks(end, "00:00:01");
    QTest::keyClick(end, Qt::Key_Return);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(Control<QLabel>(&w, "lblTimeError")->text(),
              "The end must come after the start (00:00:03.000).");
    EXPECT_EQ(end->text(), "00:00:01") << "the text stays for the user to mend";
    Player().RaisePosition(9 * kSec);
    EXPECT_EQ(end->text(), "00:00:01") << "the position's updates leave it alone";

    end->selectAll();
    QTest::keyClicks(end, "0:12.5");
    QTest::keyClick(end, Qt::Key_Return);
    ASSERT_TRUE(w.Result());
    EXPECT_EQ(w.Result()->TrimStart, 3 * kSec);
    EXPECT_EQ(w.Result()->TrimLength, 9'500'000);
}

TEST_F(EditingDialogsKeyboardTest, MnemonicsNamesAndTabOrder) {
    // The controls a user tabs through, in the order of the layout (a selection: labels and
    // read-only fields in between are not listed).
    const std::map<TDialog, std::vector<const char*>> order{
        {TDialog::Trim,
         {"edtStart", "btnOk1", "edtEnd", "btnOk2", "btnReset", "imgPreview", "trcPreview", "btnDefault",
          "btnOk", "btnCancel"}},
        {TDialog::Crop,
         {"spedUp", "spedDown", "spedLeft", "spedRight", "btnReset", "imgPreview", "trcPreview", "btnDefault",
          "btnOk", "btnCancel"}},
        {TDialog::WaterMark,
         {"edtAddImage", "btnBrows", "trcImageHoriz", "trcImageVert", "trcImageAlpha", "rbTransparent1",
          "btnClearImage", "imgPreview", "trcPreview", "btnOk", "btnCancel"}},
    };
    for (const auto& [dialog, wanted] : order) {
        SCOPED_TRACE(NameOf(dialog));
        TlvFilesRecord job = Job();
        job.WatermarkImage = "/logo.bmp"; // the picture's sliders enabled
        TJobPreviewDialog& w = Open(dialog, job);

        std::map<QChar, QStringList> mnemonics;
        const auto note = [&](const QString& text, const QString& owner) {
            const int amp = text.indexOf('&');
            if (amp >= 0 && amp + 1 < text.size()) mnemonics[text.at(amp + 1).toLower()] << owner;
        };
        for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
            note(b->text(), b->objectName());
        for (QLabel* l : w.findChildren<QLabel*>())
            note(l->text(), l->objectName());
        for (QTabWidget* tabs : w.findChildren<QTabWidget*>())
            for (int i = 0; i < tabs->count(); ++i)
                note(tabs->tabText(i), tabs->tabText(i));
        for (const auto& [key, owners] : mnemonics)
            EXPECT_EQ(owners.size(), 1)
                << "Alt+" << QString(key).toStdString() << ": " << owners.join(", ").toStdString();

        std::vector<std::string> chain;
        for (QWidget* f = w.nextInFocusChain(); f != &w; f = f->nextInFocusChain()) {
            if (f->focusPolicy() == Qt::NoFocus || f->isHidden() || !f->isVisibleTo(&w)) continue;
            if (qobject_cast<QAbstractSpinBox*>(f->parentWidget())) continue; // the box speaks for its field
            const QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(f);
            EXPECT_TRUE(accessible && !accessible->text(QAccessible::Name).isEmpty())
                << f->metaObject()->className() << " " << f->objectName().toStdString() << " has no name";
            chain.push_back(f->objectName().toStdString());
        }
        std::vector<std::string> listed;
        for (const std::string& name : chain)
            for (const char* want : wanted)
                if (name == want) listed.push_back(name);
        EXPECT_EQ(listed, std::vector<std::string>(wanted.begin(), wanted.end()));
    }
}
