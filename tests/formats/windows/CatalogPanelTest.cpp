#include "formats/windows/CatalogPanel.h"

#include "app/store/IniFile.h"
#include "formats/windows/CategoryIcons.h"
#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

using namespace orvel;

namespace {

class CatalogPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WindowApp();
        host.setFixedSize(600, 500);
        auto* layout = new QVBoxLayout(&host);
        panel = new TCatalogPanel(tmp.File("set.ini"), TCatalogPanelOptions::MainWindow(), &host, &host);
        layout->addWidget(panel);
        layout->addStretch();
        other = new QPushButton("other", &host);
        layout->addWidget(other);
        QObject::connect(panel, &TCatalogPanel::FormatChanged, [this](int code) { loads.push_back(code); });
        host.show();
    }

    static void Press(QWidget* w, QPoint at, QEvent::Type type = QEvent::MouseButtonPress) {
        QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    QPoint RowPoint(int row, int x) const {
        const QRect r = panel->lst1->visualItemRect(panel->lst1->item(row));
        return {x, r.center().y()};
    }
    int RowOf(const QString& text) const {
        for (int i = 0; i < panel->lst1->count(); ++i)
            if (panel->lst1->item(i)->text() == text) return i;
        return -1;
    }

    test::TTempDir tmp;
    QApplication& app = test::WindowApp(); // before the first widget
    QWidget host;
    QPushButton* other = nullptr;
    TCatalogPanel* panel = nullptr;
    std::vector<int> loads;
};

TEST_F(CatalogPanelTest, FillShowsTheNameAndReloadsTheParameters) {
    panel->Fill();
    EXPECT_EQ(panel->edt1->text(), "iPod Video H.264 (*.mp4)");
    EXPECT_TRUE(panel->edt1->isReadOnly());
    EXPECT_EQ(panel->edt1->focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(panel->lst1->isVisible());
    EXPECT_EQ(panel->lst1->count(), 28);
    EXPECT_EQ(loads, std::vector<int>{1});
    panel->Fill(); // a second filling reloads although the name stayed
    EXPECT_EQ(loads, (std::vector<int>{1, 1}));
}

TEST_F(CatalogPanelTest, ClickingOpensAboveTheBoxAndAPressElsewhereCloses) {
    panel->Fill();
    Press(panel->edt1, {10, 5});
    ASSERT_TRUE(panel->lst1->isVisible());
    EXPECT_EQ(panel->lst1->height(), 386);
    // The list drops down below the box, its bottom edge 431 pixels below the box's top.
    const int editTop = panel->edt1->mapTo(&host, QPoint(0, 0)).y();
    EXPECT_EQ(panel->lst1->geometry().top(), editTop + 431 - 386);
    Press(other, {5, 5});
    EXPECT_FALSE(panel->lst1->isVisible());

    panel->imgbtn1->click();
    ASSERT_TRUE(panel->lst1->isVisible());
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QApplication::sendEvent(qApp, &deactivate);
    EXPECT_FALSE(panel->lst1->isVisible());
}

TEST_F(CatalogPanelTest, ExpandingAndChoosingAnEntry) {
    panel->Fill();
    panel->imgbtn1->click();
    const int audio = RowOf("General Audio formates");
    Press(panel->lst1->viewport(), RowPoint(audio, 60)); // outside the toggle zone
    EXPECT_EQ(panel->lst1->count(), 28);
    Press(panel->lst1->viewport(), RowPoint(audio, 8));
    ASSERT_EQ(panel->lst1->count(), 35);

    const int ac3 = RowOf("AC-3 Audio Codec (*.ac3)");
    Press(panel->lst1->viewport(), RowPoint(ac3, 80));
    EXPECT_FALSE(panel->lst1->isVisible());
    EXPECT_EQ(panel->edt1->text(), "AC-3 Audio Codec (*.ac3)");
    EXPECT_EQ(loads.back(), 2706);
    const TIniFile settings(tmp.File("set.ini"));
    EXPECT_EQ(settings.ReadString("settings", "FormatCode", ""), "2706");

    // A double-click anywhere on a header toggles it once.
    panel->imgbtn1->click();
    const int ipod = RowOf("Apple iPod");
    Press(panel->lst1->viewport(), RowPoint(ipod, 100));
    Press(panel->lst1->viewport(), RowPoint(ipod, 100), QEvent::MouseButtonDblClick);
    EXPECT_EQ(panel->lst1->count(), 35 + 9);
    panel->SaveState();
    EXPECT_EQ(TIniFile(tmp.File("set.ini")).ReadString("lstformat", "0", ""), "0");
}

// Without a mouse: the arrow takes the focus, Alt+Down opens, typing and the arrows move, Return
// opens a category and chooses an entry, Esc closes.
TEST_F(CatalogPanelTest, TheKeyboardOpensMovesAndChooses) {
    panel->Fill();
    EXPECT_EQ(panel->imgbtn1->focusPolicy(), Qt::StrongFocus);
    panel->imgbtn1->setFocus();
    QTest::keyClick(panel->imgbtn1, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(panel->lst1->isVisible());
    QTest::keyClick(panel->lst1, Qt::Key_Escape);
    EXPECT_FALSE(panel->lst1->isVisible());
    QTest::keyClick(panel->imgbtn1, Qt::Key_F4);
    ASSERT_TRUE(panel->lst1->isVisible());

    QTest::keyClicks(panel->lst1, "General A"); // type-ahead
    const int audio = RowOf("General Audio formates");
    EXPECT_EQ(panel->lst1->currentRow(), audio);
    EXPECT_EQ(panel->Model().View().SelectedRow, audio);
    QTest::keyClick(panel->lst1, Qt::Key_Return);
    ASSERT_EQ(panel->lst1->count(), 35) << "Return opened the category";
    QTest::keyClick(panel->lst1, Qt::Key_Down);
    EXPECT_EQ(panel->Model().View().SelectedRow, audio + 1);
    const QString entry = panel->lst1->item(audio + 1)->text();
    QTest::keyClick(panel->lst1, Qt::Key_Return);
    EXPECT_FALSE(panel->lst1->isVisible());
    EXPECT_EQ(panel->edt1->text(), entry);
    EXPECT_EQ(loads.back(), 2700);
    EXPECT_TRUE(panel->imgbtn1->hasFocus() || !host.isActiveWindow());
}

TEST_F(CatalogPanelTest, RowsAreDrawnWithTheirColoursAndIcons) {
    TIniFile(tmp.File("set.ini")).WriteString("lstformat", "1", "0");
    panel->Fill();
    panel->imgbtn1->click();
    const int iphone = RowOf("iPhone MPEG-4 Wide Screen (*.mp4)");
    QMouseEvent move(QEvent::MouseMove, QPointF(RowPoint(iphone, 150)), QPointF(), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(panel->lst1->viewport(), &move);
    EXPECT_EQ(panel->lst1->currentRow(), iphone) << "hot tracking";

    QApplication::processEvents(); // the list lays its rows out again once its scroll bar shows
    const QImage image = panel->lst1->viewport()->grab().toImage();
    const QRect selected = panel->lst1->visualItemRect(panel->lst1->item(iphone));
    EXPECT_EQ(image.pixelColor(selected.right() - 4, selected.center().y()), QColor(185, 204, 236));
    EXPECT_EQ(image.pixelColor(selected.right() - 2, selected.center().y()), QColor(122, 160, 218));
    const QRect plain = panel->lst1->visualItemRect(panel->lst1->item(0));
    EXPECT_EQ(image.pixelColor(plain.right() - 4, plain.center().y()), QColor(246, 247, 248));
    bool navy = false;
    const QRect entry = panel->lst1->visualItemRect(panel->lst1->item(iphone + 1));
    for (int x = entry.left() + 25; x < entry.left() + 120 && !navy; ++x)
        for (int y = entry.top(); y <= entry.bottom() && !navy; ++y)
            navy = image.pixelColor(x, y) == QColor(0, 0, 128);
    EXPECT_TRUE(navy) << "entry names are navy";

    std::vector<QImage> icons;
    for (int c = 0; c < 28; ++c) {
        icons.push_back(CategoryIcon(c).toImage());
        EXPECT_EQ(icons.back().size(), QSize(20, 20));
        for (int d = 0; d < c; ++d)
            EXPECT_NE(icons[static_cast<size_t>(d)], icons.back()) << "icons " << d << " and " << c;
    }
    EXPECT_TRUE(CategoryIcon(28).isNull());
    EXPECT_NE(ExpandGlyph(false).toImage(), ExpandGlyph(true).toImage());
}

} // namespace
