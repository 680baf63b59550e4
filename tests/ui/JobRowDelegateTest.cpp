#include "ui/JobRowDelegate.h"

#include "ui/ColorSchemes.h"
#include "ui/WindowTestKit.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QTreeView>

using namespace orvel;

namespace {

struct TJobRows {
    TJobRows() {
        model.setColumnCount(2);
        for (int r = 0; r < 3; ++r) {
            auto* caption = new QStandardItem(QString("/videos/a-rather-long-file-name-%1.avi").arg(r));
            caption->setCheckable(true);
            caption->setCheckState(r == 0 ? Qt::Checked : Qt::Unchecked);
            model.appendRow({caption, new QStandardItem("12")});
        }
        view.setModel(&model);
        view.setRootIsDecorated(false);
        view.setItemDelegate(new TJobRowDelegate(&view));
        view.setColumnWidth(0, 140);
        view.resize(260, 120);
        view.show();
    }
    QImage Image() { return view.viewport()->grab().toImage(); }
    QRect Row(int r, int column = 0) const { return view.visualRect(model.index(r, column)); }

    QApplication& app = test::WindowApp(); // before the first widget
    QStandardItemModel model;
    QTreeView view;
};

TEST(JobRowDelegateTest, StripesFocusRowCheckBoxAndEllipsis) {
    struct Case {
        int Scheme;
        QRgb Stripe;
    };
    const Case cases[] = {{0, qRgb(226, 230, 246)}, {4, qRgb(247, 225, 225)}, {6, qRgb(225, 240, 247)}};
    for (const Case& c : cases) {
        ApplyColorScheme(c.Scheme);
        TJobRows rows;
        rows.view.setCurrentIndex(rows.model.index(2, 0));
        rows.view.clearFocus();
        const QImage image = rows.Image();
        const QRect stripe = rows.Row(1, 1), plain = rows.Row(0, 1), focus = rows.Row(2, 1);
        EXPECT_EQ(image.pixel(stripe.center().x(), stripe.center().y()) & 0xFFFFFF, c.Stripe & 0xFFFFFF)
            << ColorSchemeName(c.Scheme);
        EXPECT_EQ(image.pixelColor(plain.right() - 3, plain.center().y()), QColor(Qt::white));
        EXPECT_EQ(image.pixelColor(focus.right() - 3, focus.center().y()), kFocusRowFillInactive);
        EXPECT_EQ(image.pixelColor(focus.center().x(), focus.top()), kFocusRowFrameInactive);

        // Box edge and tick in the checked row, no tick in an unchecked one.
        const QRect first = rows.Row(0), second = rows.Row(1);
        EXPECT_EQ(image.pixelColor(first.left() + 2, first.center().y()), QColor(Qt::black));
        EXPECT_EQ(image.pixelColor(first.left() + 6, first.top() + 10).value(), 0);
        EXPECT_NE(image.pixelColor(second.left() + 6, second.top() + 10).value(), 0);
    }
    ApplyColorScheme(0);
}

TEST(JobRowDelegateTest, AClickOnTheBoxTogglesTheCheck) {
    TJobRows rows;
    const QRect box = JobRowCheckBox(rows.Row(1));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(box.center()), QPointF(), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QStyleOptionViewItem option;
    option.rect = rows.Row(1);
    auto* delegate = static_cast<TJobRowDelegate*>(rows.view.itemDelegate());
    QAbstractItemDelegate* base = delegate;
    EXPECT_TRUE(base->editorEvent(&release, &rows.model, option, rows.model.index(1, 0)));
    EXPECT_EQ(rows.model.item(1)->checkState(), Qt::Checked);
    QMouseEvent elsewhere(QEvent::MouseButtonRelease, QPointF(option.rect.center()), QPointF(),
                          Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_FALSE(base->editorEvent(&elsewhere, &rows.model, option, rows.model.index(1, 0)));
    EXPECT_EQ(rows.model.item(1)->checkState(), Qt::Checked);
}

} // namespace
