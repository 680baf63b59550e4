// The video panel on Qt's offscreen platform, alone and with a player playing into it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QThread>

#include <vector>

#include "engine/component/MainThreadDispatcher.h"
#include "fixtures/Fixtures.h"
#include "player/FFPlay.h"
#include "ui/QtMainThreadDispatcher.h"
#include "ui/VideoPanel.h"

namespace orvel {
namespace {

// The application is ended by the test environment, before the exit handlers run: a static
// application outlives Qt's own input-device registry and crashes the program on its way out.
QApplication* gApp = nullptr;

struct AppEnvironment : ::testing::Environment {
    void TearDown() override {
        delete gApp;
        gApp = nullptr;
    }
};
const auto* const kAppEnvironment = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

QApplication& App() {
    static int argc = 1;
    static char name[] = "orvel-test";
    static char* argv[] = {name, nullptr};
    if (!gApp) gApp = new QApplication(argc, argv);
    return *gApp;
}

bool ProcessUntil(const std::function<bool()>& pred, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        MainThreadDispatcher().ServePending();
        QThread::msleep(2);
    }
    return true;
}

struct Listener : IDisplayListener {
    int width = 0, height = 0, exposes = 0;
    void DisplayResized(int w, int h) override {
        width = w;
        height = h;
    }
    void DisplayExposed() override { ++exposes; }
};

// A 64 x 32 picture: left half white, right half black.
struct HalfWhite {
    std::vector<uint8_t> y = std::vector<uint8_t>(64 * 32, 16), u = std::vector<uint8_t>(32 * 16, 128),
                         v = std::vector<uint8_t>(32 * 16, 128);
    HalfWhite() {
        for (int row = 0; row < 32; ++row)
            std::fill_n(y.begin() + row * 64, 32, 235);
    }
    YuvPicture Picture() {
        YuvPicture p;
        p.Planes[0] = y.data();
        p.Planes[1] = u.data();
        p.Planes[2] = v.data();
        p.Strides[0] = 64;
        p.Strides[1] = p.Strides[2] = 32;
        p.Width = 64;
        p.Height = 32;
        return p;
    }
};

class VideoPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        panel = std::make_unique<TVideoPanel>();
        panel->resize(200, 100);
        panel->show();
    }
    std::unique_ptr<TVideoPanel> panel; // made after the application object
};

TEST_F(VideoPanelTest, PaintsThePictureInItsRectangleWithBlackAround) {
    HalfWhite source;
    ASSERT_TRUE(panel->OpenDisplay(200, 100));
    panel->ShowPicture(source.Picture(), DisplayRect{50, 25, 100, 50});
    ProcessUntil([] { return false; }, 50);
    const QImage shot = panel->grab().toImage();
    const struct {
        int x, y, gray;
    } points[] = {{10, 50, 0}, {190, 50, 0}, {100, 10, 0}, {100, 90, 0}, {70, 50, 255}, {130, 50, 0}};
    for (const auto& p : points) {
        SCOPED_TRACE(::testing::Message() << p.x << "," << p.y);
        EXPECT_NEAR(qGray(shot.pixel(p.x, p.y)), p.gray, 12);
    }
    EXPECT_EQ(panel->PictureRect(), QRect(50, 25, 100, 50));
}

TEST_F(VideoPanelTest, ScalesTheDisplayAreaToThePanelAndRepaintsWithoutNewPictures) {
    HalfWhite source;
    // The player laid out for 100 x 50; the panel is twice that.
    panel->OpenDisplay(100, 50);
    panel->ShowPicture(source.Picture(), DisplayRect{0, 0, 100, 50});
    ProcessUntil([] { return false; }, 50);
    EXPECT_EQ(panel->PictureRect(), QRect(0, 0, 200, 100));
    // A paused player sends nothing; the panel still paints its picture.
    panel->repaint();
    const QImage shot = panel->grab().toImage();
    EXPECT_GT(qGray(shot.pixel(50, 50)), 240);
    EXPECT_LT(qGray(shot.pixel(150, 50)), 12);
}

TEST_F(VideoPanelTest, IgnoresCloseTakesFocusOnPressAndReportsResizes) {
    Listener listener;
    panel->SetListener(&listener);
    EXPECT_FALSE(panel->close());
    EXPECT_TRUE(panel->isVisible());

    EXPECT_EQ(panel->focusWidget(), nullptr);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(panel.get(), &press);
    EXPECT_EQ(panel->focusWidget(), panel.get()); // the offscreen window is never active

    panel->resize(320, 180);
    ProcessUntil([&] { return listener.width == 320; }, 1000);
    EXPECT_EQ(listener.height, 180);
    int w = 0, h = 0;
    panel->ClientSize(w, h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 180);
    panel->SetListener(nullptr);
}

TEST_F(VideoPanelTest, PlayerPlaysIntoThePanelAtItsSize) {
    QtMainThreadDispatcher dispatcher;
    SetMainThreadDispatcher(&dispatcher);
    {
        TFFPlayer player;
        ASSERT_TRUE(player.LoadLibraries(""));
        std::vector<TPlayState> states;
        player.SetOnState([&](IMediaPlayer*, TPlayState s) { states.push_back(s); });
        ASSERT_TRUE(player.Open(fixtures::Path(fixtures::FixtureId::Avi), panel.get()));
        EXPECT_EQ(player.ScreenWidth(), 200);
        EXPECT_EQ(player.ScreenHeight(), 100);
        ASSERT_TRUE(ProcessUntil([&] { return player.CurrentPosition() > 400000; }));
        player.Pause();
        ProcessUntil([] { return false; }, 200);
        // 4:3 in 200 x 100: full height, centred.
        EXPECT_EQ(panel->PictureRect(), QRect(34, 0, 132, 100));
        const QImage shot = panel->grab().toImage();
        EXPECT_LT(qGray(shot.pixel(10, 50)), 12);
        // The leftmost bar is white, the rightmost black, wherever the box is.
        EXPECT_GT(qGray(shot.pixel(37, 10)), 200);
        EXPECT_LT(qGray(shot.pixel(162, 10)), 40);
        // A bigger panel tells the player, which lays the picture out again.
        panel->resize(400, 150);
        ASSERT_TRUE(ProcessUntil([&] { return player.ScreenWidth() == 400; }, 2000));
        ASSERT_TRUE(ProcessUntil([&] { return panel->PictureRect() == QRect(100, 0, 200, 150); }, 2000));
        player.Stop(true);
        ASSERT_TRUE(ProcessUntil([&] { return !states.empty() && states.back() == psStop; }));
        EXPECT_EQ(states.front(), psPlay);
    }
    SetMainThreadDispatcher(nullptr);
}

} // namespace
} // namespace orvel
