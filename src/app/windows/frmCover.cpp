#include "app/windows/frmCover.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace orvel {

TfrmCover::TfrmCover(const std::filesystem::path& folder, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      imgCover(new QLabel(this)), tmrClose(new QTimer(this)) {
    setWindowTitle(kProductName);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(imgCover);

    QPixmap picture;
    const std::filesystem::path file = folder / "skin" / "videocover.jpg";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec) || !picture.load(QString::fromStdString(file.string())))
        picture = BuiltInPicture();
    imgCover->setPixmap(picture);

    tmrClose->setInterval(1000);
    connect(tmrClose, &QTimer::timeout, this, [this] { tmrCloseTimer(); });
    tmrClose->start();
}

void TfrmCover::SetMainWindow(QWidget* mainWindow) {
    mainWindow_ = mainWindow;
}

void TfrmCover::tmrCloseTimer() {
    if (mainWindow_ && mainWindow_->isVisible()) {
        tmrClose->stop();
        close();
    }
}

void TfrmCover::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    setFixedSize(imgCover->pixmap().size());
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

QPixmap TfrmCover::BuiltInPicture() {
    QPixmap pixmap(399, 239);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, 0, pixmap.height());
    background.setColorAt(0, QColor(34, 74, 150));
    background.setColorAt(1, QColor(10, 24, 60));
    p.fillRect(pixmap.rect(), background);

    // A strip of film across the lower part.
    const QRect strip(0, 150, pixmap.width(), 44);
    p.fillRect(strip, QColor(20, 20, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 230, 235));
    for (int x = 6; x < pixmap.width(); x += 18) {
        p.drawRoundedRect(QRect(x, strip.top() + 4, 9, 6), 2, 2);
        p.drawRoundedRect(QRect(x, strip.bottom() - 9, 9, 6), 2, 2);
    }
    for (int i = 0; i < 5; ++i) {
        QLinearGradient frame(0, strip.top() + 13, 0, strip.bottom() - 12);
        frame.setColorAt(0, QColor::fromHsv((200 + i * 30) % 360, 140, 230));
        frame.setColorAt(1, QColor::fromHsv((220 + i * 30) % 360, 200, 120));
        p.fillRect(QRect(12 + i * 78, strip.top() + 13, 66, strip.height() - 26), frame);
    }

    p.setPen(Qt::white);
    QFont title("DejaVu Sans", 22, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(0, 40, pixmap.width(), 44), Qt::AlignCenter, "Orvel");
    QFont subtitle("DejaVu Sans", 14);
    p.setFont(subtitle);
    p.drawText(QRect(0, 86, pixmap.width(), 30), Qt::AlignCenter, "Video Converter");
    p.setPen(QColor(190, 205, 235));
    p.setFont(QFont("DejaVu Sans", 8));
    p.drawText(QRect(0, 206, pixmap.width(), 24), Qt::AlignCenter, "Loading...");
    return pixmap;
}

} // namespace orvel
