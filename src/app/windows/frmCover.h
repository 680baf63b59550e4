#pragma once
// The splash shown while the program starts. It closes at the first one-second tick at which
// the main window is showing.
#include "app/store/GlobalObject.h"

#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <functional>

namespace orvel {

class TfrmCover : public QWidget {
    Q_OBJECT
public:
    // The picture is folder/skin/videocover.jpg when that file is a readable picture.
    explicit TfrmCover(const std::filesystem::path& folder = ExecutableDir(), QWidget* parent = nullptr);

    // Closes the splash at the first tick at which the window is visible.
    void SetMainWindow(QWidget* mainWindow);
    // Runs one tick of the closing timer.
    void tmrCloseTimer();

    // The picture drawn in code when no picture file is given, 399 x 239.
    static QPixmap BuiltInPicture();

    QLabel* imgCover;
    QTimer* tmrClose;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPointer<QWidget> mainWindow_;
};

} // namespace orvel
