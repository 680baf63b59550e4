// The player's waits on the main thread: none may wait for a thread that is handing a call to
// the main thread, and none may wait for a reading thread that has stopped reading.
#include "PlayerTestSupport.h"
#include "support/DeadlockWatch.h"

#include <arpa/inet.h>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvel::testing {
namespace {

using fixtures::FixtureId;
using testsupport::DeadlockWatch;

class PlayerWaits : public PlayerTestBase {};

// A host hook that hands a call to the main thread (a window update, a log line) while the
// main thread is opening the file. Here the main thread is a thread of the test's own, so that
// the opening itself runs where the media libraries were set up.
TEST_F(PlayerWaits, OpenDoesNotWaitForAHookThatHandsACallOver) {
    std::atomic<bool> inHook{false}, ready{false}, opened{false}, served{false};
    std::atomic<int> handed{0};
    player->SetHook(true);
    player->SetOnHook([&](IMediaPlayer*, Bitmap24&, int64_t) {
        if (inHook.exchange(true)) return;
        // Long enough for the open to queue its own notification to the main thread first.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        RunInMainThread([&] { ++handed; });
    });
    std::thread mainThread([&] {
        QueuedDispatcher own;
        SetMainThreadDispatcher(&own);
        ready = true;
        // Busy elsewhere until the hook waits for this thread.
        for (int i = 0; i < 1000 && !inHook; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        DeadlockWatch watch("opening while the hook hands a call over", std::chrono::seconds(60));
        served = own.ServeUntil([&] { return opened && handed > 0; }, 30000);
        SetMainThreadDispatcher(&dispatcher);
        // A player thread may have taken this dispatcher just before the switch: serve what it
        // hands over, or it would wait for ever on a dispatcher that is gone.
        own.ServeUntil([] { return false; }, 300);
    });
    while (!ready)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(player->Open(fixtures::Path(FixtureId::Mp4), &surface));
    opened = true;
    mainThread.join();
    EXPECT_TRUE(served);
    player->Stop(true);
}

// A network source whose connection breaks after it was opened: reading ends with an error, and
// a seek that waits must come back.
TEST_F(PlayerWaits, SeekWithWaitingAfterAFatalReadErrorReturns) {
    fixtures::ClipRecipe recipe;
    recipe.container = "mpegts";
    recipe.videoCodec = "mpeg2video";
    recipe.audioCodec = "mp2";
    recipe.seconds = 3.0;
    std::ifstream in(fixtures::Generate(recipe), std::ios::binary);
    const std::string clip((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(server, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    ASSERT_EQ(::getsockname(server, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::atomic<bool> breakNow{false};
    std::thread sender([&] {
        const int connection = ::accept(server, nullptr, nullptr);
        if (connection < 0) return;
        // Half of the clip, then the connection is reset.
        for (size_t done = 0; done < clip.size() / 2;) {
            const ssize_t n = ::send(connection, clip.data() + done, clip.size() / 2 - done, MSG_NOSIGNAL);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        while (!breakNow)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const linger reset{1, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        ::close(connection);
    });
    ASSERT_TRUE(player->Open("tcp://127.0.0.1:" + std::to_string(ntohs(address.sin_port)), &surface));
    Serve(500); // everything sent is read; the reader waits for more
    breakNow = true;
    sender.join();
    ASSERT_TRUE(Until([&] { return log.Logged("while reading file"); }, 10000));
    {
        DeadlockWatch watch("a seek with waiting after a read error", std::chrono::seconds(60));
        player->Seek(sfBackward, true, 0);
    }
    player->Stop(true);
    ::close(server);
}

} // namespace
} // namespace orvel::testing
