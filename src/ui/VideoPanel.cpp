#include "ui/VideoPanel.h"

#include <QCloseEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>

namespace orvel {

TVideoPanel::TVideoPanel(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    clientWidth_ = width();
    clientHeight_ = height();
}

TVideoPanel::~TVideoPanel() {
    // A player still attached must stop talking to a panel that is going away.
    std::lock_guard lock(listenerMutex_);
    listener_ = nullptr;
}

void TVideoPanel::ClientSize(int& width, int& height) const {
    std::lock_guard lock(mutex_);
    width = clientWidth_;
    height = clientHeight_;
}

bool TVideoPanel::OpenDisplay(int width, int height) {
    {
        std::lock_guard lock(mutex_);
        displayWidth_ = width;
        displayHeight_ = height;
    }
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
    return width > 0 && height > 0;
}

void TVideoPanel::ShowPicture(const YuvPicture& picture, const DisplayRect& rect) {
    if (picture.Width <= 0 || picture.Height <= 0) return;
    // Converted outside the lock, so painting never waits for a conversion and the player
    // never waits for painting.
    if (scratch_.width() != picture.Width || scratch_.height() != picture.Height)
        scratch_ = QImage(picture.Width, picture.Height, QImage::Format_RGB32);
    scaler_.reset(sws_getCachedContext(scaler_.release(), picture.Width, picture.Height, AV_PIX_FMT_YUV420P,
                                       picture.Width, picture.Height, AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr,
                                       nullptr, nullptr));
    if (!scaler_) return;
    uint8_t* dst[4] = {scratch_.bits(), nullptr, nullptr, nullptr};
    int dstStride[4] = {static_cast<int>(scratch_.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler_.get(), picture.Planes, picture.Strides, 0, picture.Height, dst, dstStride);
    {
        std::lock_guard lock(mutex_);
        image_.swap(scratch_);
        rect_ = rect;
    }
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

void TVideoPanel::SetListener(IDisplayListener* listener) {
    std::lock_guard lock(listenerMutex_);
    listener_ = listener;
}

QImage TVideoPanel::CurrentImage() const {
    std::lock_guard lock(mutex_);
    return image_;
}

QRect TVideoPanel::PictureRect() const {
    std::lock_guard lock(mutex_);
    return PictureRectLocked();
}

QRect TVideoPanel::PictureRectLocked() const {
    // The player lays the picture out in its display area; the panel may be another size.
    const int dw = displayWidth_ > 0 ? displayWidth_ : clientWidth_;
    const int dh = displayHeight_ > 0 ? displayHeight_ : clientHeight_;
    if (dw <= 0 || dh <= 0) return {};
    const double sx = static_cast<double>(clientWidth_) / dw;
    const double sy = static_cast<double>(clientHeight_) / dh;
    return QRect(qRound(rect_.X * sx), qRound(rect_.Y * sy), qRound(rect_.Width * sx),
                 qRound(rect_.Height * sy));
}

void TVideoPanel::paintEvent(QPaintEvent*) {
    QImage image;
    QRect target;
    {
        std::lock_guard lock(mutex_);
        image = image_;
        target = PictureRectLocked();
    }
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!image.isNull() && !target.isEmpty()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image);
    }
}

void TVideoPanel::resizeEvent(QResizeEvent* event) {
    {
        std::lock_guard lock(mutex_);
        clientWidth_ = width();
        clientHeight_ = height();
    }
    QWidget::resizeEvent(event);
    std::lock_guard lock(listenerMutex_);
    if (listener_) listener_->DisplayResized(width(), height());
}

void TVideoPanel::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void TVideoPanel::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    // The host sees the press too.
    event->ignore();
}

} // namespace orvel
