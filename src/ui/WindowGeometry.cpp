#include "ui/WindowGeometry.h"

#include "app/store/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace orvel {
namespace {

// The room a window may take: the screen under the rectangle's centre, else the window's own.
QRect AvailableRoom(const QWidget& window, const QRect& wanted) {
    QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen) screen = window.screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// Shrinks the rectangle to fit the room (never below what the layout needs) and moves it
// inside, so a window stored on a screen that is gone, or larger than this one, stays reachable.
QRect FitInto(const QWidget& window, QRect rect, const QRect& room) {
    if (room.isEmpty()) return rect;
    const QSize least = window.minimumSizeHint().expandedTo(window.minimumSize());
    rect.setWidth(std::max(std::min(rect.width(), room.width()), least.width()));
    rect.setHeight(std::max(std::min(rect.height(), room.height()), least.height()));
    rect.moveLeft(std::max(room.left(), std::min(rect.left(), room.right() + 1 - rect.width())));
    rect.moveTop(std::max(room.top(), std::min(rect.top(), room.bottom() + 1 - rect.height())));
    return rect;
}

class TGeometryKeeper : public QObject {
public:
    TGeometryKeeper(QWidget& window, std::string settingsIniPath, QSize defaultSize)
        : QObject(&window), window_(window), store_(std::move(settingsIniPath)), default_(defaultSize) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &window_) return false;
        if (event->type() == QEvent::Show && !restored_) {
            restored_ = true;
            Restore();
        } else if ((event->type() == QEvent::Hide || event->type() == QEvent::Close) && restored_) {
            Save();
        }
        return false;
    }

private:
    std::string Name() const { return window_.objectName().toStdString(); }

    void Restore() {
        const std::optional<TWindowPlacement> stored = store_.Placement(Name());
        QRect rect;
        if (stored) {
            rect = QRect(stored->Left, stored->Top, stored->Width, stored->Height);
        } else {
            rect = QRect(QPoint(), default_.expandedTo(window_.minimumSizeHint()));
            const QWidget* parent = window_.parentWidget() ? window_.parentWidget()->window() : nullptr;
            const QRect around = parent && parent->isVisible() ? parent->geometry()
                                                               : AvailableRoom(window_, window_.geometry());
            rect.moveCenter(around.center());
        }
        window_.setGeometry(FitInto(window_, rect, AvailableRoom(window_, rect)));
        if (stored && stored->Maximized) window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
    }

    void Save() {
        const bool maximized = window_.isMaximized();
        const QRect rect = maximized ? window_.normalGeometry() : window_.geometry();
        if (rect.isEmpty()) return;
        store_.SetPlacement(Name(), {rect.left(), rect.top(), rect.width(), rect.height(), maximized});
    }

    QWidget& window_;
    TWindowPlacementStore store_;
    QSize default_;
    bool restored_ = false;
};

} // namespace

void RememberWindowGeometry(QWidget& window, const std::string& settingsIniPath, QSize defaultSize) {
    new TGeometryKeeper(window, settingsIniPath, defaultSize);
}

bool RestoreColumnWidths(QHeaderView& header, const std::string& settingsIniPath, const std::string& key) {
    const std::vector<int> widths = TWindowPlacementStore(settingsIniPath).ColumnWidths(key);
    if (widths.empty() || static_cast<int>(widths.size()) != header.count()) return false;
    for (int column = 0; column < header.count(); ++column)
        header.resizeSection(column, widths[static_cast<std::size_t>(column)]);
    return true;
}

void SaveColumnWidths(const QHeaderView& header, const std::string& settingsIniPath, const std::string& key) {
    std::vector<int> widths;
    for (int column = 0; column < header.count(); ++column)
        widths.push_back(header.sectionSize(column));
    if (!widths.empty()) TWindowPlacementStore(settingsIniPath).SetColumnWidths(key, widths);
}

} // namespace orvel

namespace orvel {

void KeepColumnWidthsSaved(QHeaderView& header, const std::string& settingsIniPath, const std::string& key) {
    // One write per drag, not one per pixel.
    auto* pending = new QTimer(&header);
    pending->setSingleShot(true);
    pending->setInterval(400);
    QObject::connect(pending, &QTimer::timeout, &header,
                     [&header, settingsIniPath, key] { SaveColumnWidths(header, settingsIniPath, key); });
    QObject::connect(&header, &QHeaderView::sectionResized, pending, qOverload<>(&QTimer::start));
}

} // namespace orvel
