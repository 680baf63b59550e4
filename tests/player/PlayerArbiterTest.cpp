#include "player/PlayerArbiter.h"

#include <gtest/gtest.h>

#include "player/FakeMediaPlayer.h"
#include "player/PlayerTestSupport.h"

using namespace orvel;
using test::TFakeMediaPlayer;

namespace {

// Players under one arbiter, each with its fake and one shared record of who did what.
struct TArbitratedFakes {
    explicit TArbitratedFakes(int count) {
        for (int i = 0; i < count; ++i) {
            auto fake = std::make_unique<TFakeMediaPlayer>();
            fakes.push_back(fake.get());
            players.push_back(arbiter.Adopt(std::move(fake)));
        }
    }
    std::vector<std::string> Calls(int i) const { return fakes[static_cast<size_t>(i)]->Calls; }

    TPlayerArbiter arbiter;
    std::vector<TFakeMediaPlayer*> fakes;
    std::vector<std::unique_ptr<IMediaPlayer>> players;
};

} // namespace

TEST(PlayerArbiterTest, OpeningOnePlayerStopsEveryOtherPlayingOneFirstAndWaits) {
    TArbitratedFakes p(3);
    std::vector<std::string> order;
    for (int i = 0; i < 3; ++i)
        p.players[static_cast<size_t>(i)]->SetOnState([&order, i](IMediaPlayer*, TPlayState state) {
            if (state == psStop) order.push_back("player " + std::to_string(i) + " stopped");
        });

    ASSERT_TRUE(p.players[0]->Open("/a.mp4", nullptr));
    EXPECT_EQ(p.Calls(1), std::vector<std::string>{}) << "a player that plays nothing is left alone";
    ASSERT_TRUE(p.players[1]->Open("/b.mp4", nullptr, true)); // a paused player counts as playing
    EXPECT_EQ(p.Calls(0), (std::vector<std::string>{"Open /a.mp4", "Stop wait"}));
    EXPECT_FALSE(p.players[0]->Playing());

    ASSERT_TRUE(p.players[2]->Open("/c.mp4", nullptr));
    EXPECT_EQ(p.Calls(1), (std::vector<std::string>{"Open paused /b.mp4", "Stop wait"}));
    EXPECT_EQ(p.Calls(0).size(), 2u);
    EXPECT_EQ(order, (std::vector<std::string>{"player 0 stopped", "player 1 stopped"}));

    // Re-opening the one that plays does not stop it through the arbiter: the player's own
    // Open ends its previous file.
    ASSERT_TRUE(p.players[2]->Open("/d.mp4", nullptr));
    EXPECT_EQ(p.Calls(2), (std::vector<std::string>{"Open /c.mp4", "Open /d.mp4"}));
}

TEST(PlayerArbiterTest, EventsNameThePlayerTheHostHoldsAndAClearedHandlerIsGone) {
    TArbitratedFakes p(1);
    IMediaPlayer* held = p.players[0].get();
    std::vector<IMediaPlayer*> senders;
    int shownWidth = 0;
    held->SetOnFileOpen([&](IMediaPlayer* s, int64_t, int w, int, int& sw, int& sh) {
        senders.push_back(s);
        sw = w / 2;
        sh = 120;
    });
    held->SetOnPosition([&](IMediaPlayer* s, int64_t) { senders.push_back(s); });
    held->SetOnState([&](IMediaPlayer* s, TPlayState) { senders.push_back(s); });
    held->SetOnHook([&](IMediaPlayer* s, Bitmap24& b, int64_t) {
        senders.push_back(s);
        shownWidth = b.Width();
    });
    held->SetHook(true);
    ASSERT_TRUE(held->Open("/a.mp4", nullptr));
    EXPECT_EQ(p.fakes[0]->RaiseOpened(10'000'000, 320, 240), std::make_pair(160, 120));
    p.fakes[0]->RaisePosition(40'000);
    Bitmap24 picture;
    picture.SetSize(8, 4);
    EXPECT_TRUE(p.fakes[0]->RaiseHook(picture, 40'000));
    EXPECT_EQ(shownWidth, 8);
    EXPECT_EQ(senders, std::vector<IMediaPlayer*>(4, held)); // file open, psPlay, position, hook

    held->SetOnState(nullptr);
    p.fakes[0]->RaiseState(psPause); // must not call the cleared handler
    EXPECT_EQ(senders.size(), 4u);
}

TEST(PlayerArbiterTest, APlayerGoneWhileAnotherStopsIsNotTouchedAndEitherSideMayEndFirst) {
    auto p = std::make_unique<TArbitratedFakes>(3);
    ASSERT_TRUE(p->players[0]->Open("/a.mp4", nullptr));
    ASSERT_TRUE(p->players[1]->Open("/b.mp4", nullptr)); // stops 0
    // Stopping player 1 runs a handler that destroys player 2, which the arbiter would look at
    // next; player 2 plays behind the arbiter's back so it would be stopped.
    ASSERT_TRUE(p->fakes[2]->Open("/c.mp4", nullptr, false));
    p->players[1]->SetOnState([&](IMediaPlayer*, TPlayState state) {
        if (state == psStop) p->players[2].reset();
    });
    ASSERT_TRUE(p->players[0]->Open("/a.mp4", nullptr));
    EXPECT_EQ(p->players[2], nullptr);
    EXPECT_FALSE(p->players[1]->Playing());

    // The arbiter ends before its players; they go on opening and stopping each other.
    std::vector<std::unique_ptr<IMediaPlayer>> players = std::move(p->players);
    TFakeMediaPlayer* first = p->fakes[0];
    p.reset();
    ASSERT_TRUE(players[1]->Open("/b.mp4", nullptr));
    EXPECT_EQ(first->Calls.back(), "Stop wait");
}

// Two real players under the program's factory: the second one's open ends the first one's
// playback before its own starts.
class PlayerFactoryTest : public orvel::testing::PlayerTestBase {};

TEST_F(PlayerFactoryTest, TheProgramsPlayersPlayOneAtATime) {
    TFFPlayerFactory factory;
    auto first = factory.CreatePlayer();
    auto second = factory.CreatePlayer();
    std::vector<std::string> states;
    std::mutex mutex;
    auto record = [&](const std::string& who) {
        return [&, who](IMediaPlayer*, TPlayState s) {
            std::lock_guard lock(mutex);
            if (s == psPlay || s == psStop) states.push_back(who + (s == psPlay ? " play" : " stop"));
        };
    };
    first->SetOnState(record("first"));
    second->SetOnState(record("second"));
    ASSERT_TRUE(first->LoadLibraries("")) << first->LastErrorMessage();

    orvel::testing::FakeSurface otherSurface;
    ASSERT_TRUE(first->Open(fixtures::Path(fixtures::FixtureId::Mp4), &surface));
    ASSERT_TRUE(Until([&] {
        std::lock_guard lock(mutex);
        return !states.empty();
    }));
    ASSERT_TRUE(second->Open(fixtures::Path(fixtures::FixtureId::Avi), &otherSurface));
    EXPECT_FALSE(first->Playing());
    ASSERT_TRUE(Until([&] {
        std::lock_guard lock(mutex);
        return states.size() >= 3;
    }));
    second->Stop(true);
    EXPECT_TRUE(Until([&] {
        std::lock_guard lock(mutex);
        return states.size() >= 4;
    }));
    std::lock_guard lock(mutex);
    EXPECT_EQ(states, (std::vector<std::string>{"first play", "first stop", "second play", "second stop"}));
}
