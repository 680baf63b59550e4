#pragma once
// The panel a player draws into: keeps the newest picture as an image, paints it scaled into
// the player's picture rectangle with black around it, and repaints it by itself while the
// player is paused.
#include <QImage>
#include <QRect>
#include <QWidget>

#include <mutex>

#include "engine/foundation/AVHandles.h"
#include "player/DisplaySurface.h"

namespace orvel {

class TVideoPanel : public QWidget, public IDisplaySurface {
    Q_OBJECT
public:
    explicit TVideoPanel(QWidget* parent = nullptr);
    ~TVideoPanel() override;

    // IDisplaySurface; every call may come from the player's presentation thread.
    void ClientSize(int& width, int& height) const override;
    bool OpenDisplay(int width, int height) override;
    void ShowPicture(const YuvPicture& picture, const DisplayRect& rect) override;
    void SetListener(IDisplayListener* listener) override;

    // The picture as last shown and where it goes in widget coordinates.
    QImage CurrentImage() const;
    QRect PictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QRect PictureRectLocked() const;

    mutable std::mutex mutex_; // image, rectangle, display size, client size
    QImage image_;
    DisplayRect rect_;
    int displayWidth_ = 0;
    int displayHeight_ = 0;
    int clientWidth_ = 0;
    int clientHeight_ = 0;

    // Owned by the presentation thread: conversion state and the image being filled.
    SwsContextPtr scaler_;
    QImage scratch_;

    std::mutex listenerMutex_;
    IDisplayListener* listener_ = nullptr;
};

} // namespace orvel
