// The row pool shares a pixel pass among threads: every row must be handed out exactly once,
// whatever the size, and passes asked for from several threads at once must all finish.
#include "editing/effects/RowPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace orvel {
namespace {

constexpr size_t kLargeRow = size_t{1} << 20; // far above the size worth sharing out

std::vector<int> CountRows(TRowPool& pool, int rows, size_t bytesPerRow) {
    std::vector<std::atomic<int>> hits(static_cast<size_t>(rows));
    std::atomic<bool> bandsInRange{true};
    pool.ForRows(rows, bytesPerRow, [&](int y0, int y1) {
        if (y0 < 0 || y1 > rows || y0 >= y1) bandsInRange = false;
        for (int y = y0; y < y1; ++y)
            ++hits[static_cast<size_t>(y)];
    });
    EXPECT_TRUE(bandsInRange);
    return std::vector<int>(hits.begin(), hits.end());
}

TEST(RowPool, HandsOutEveryRowOnce) {
    for (int helpers : {0, 1, 3}) {
        TRowPool pool(helpers);
        for (int rows : {0, 1, 2, 7, 100, 1081})
            for (size_t bytes : {size_t{3}, kLargeRow})
                EXPECT_EQ(CountRows(pool, rows, bytes), std::vector<int>(static_cast<size_t>(rows), 1))
                    << helpers << " helpers, " << rows << " rows of " << bytes << " bytes";
    }
}

TEST(RowPool, PassesFromSeveralThreadsAllFinish) {
    TRowPool pool(1);
    std::atomic<int> wrong{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 3; ++t)
        callers.emplace_back([&] {
            for (int pass = 0; pass < 200; ++pass)
                if (CountRows(pool, 64, kLargeRow) != std::vector<int>(64, 1)) ++wrong;
        });
    for (std::thread& t : callers)
        t.join();
    EXPECT_EQ(wrong, 0);
}

// With helpers, a large pass runs partly on another thread than the asking one. Bands wait a
// little so a helper has time to wake up even on a busy machine.
TEST(RowPool, LargePassesUseTheHelpers) {
    TRowPool pool(1);
    std::set<std::thread::id> threads;
    std::mutex mutex;
    for (int pass = 0; pass < 50 && threads.size() < 2; ++pass)
        pool.ForRows(64, kLargeRow, [&](int, int) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
        });
    EXPECT_EQ(threads.size(), 2u);
}

// A conversion at a lowered priority must not have its pixels done by threads at normal priority.
TEST(RowPool, PassesOfALowerPriorityThreadStayOnIt) {
    TRowPool pool(1);
    std::set<std::thread::id> threads;
    std::mutex mutex;
    std::thread lowered([&] {
        const auto self = static_cast<id_t>(gettid());
        errno = 0;
        const int nice = getpriority(PRIO_PROCESS, self);
        ASSERT_EQ(errno, 0);
        ASSERT_EQ(setpriority(PRIO_PROCESS, self, std::min(nice + 5, 19)), 0);
        for (int pass = 0; pass < 5; ++pass)
            pool.ForRows(64, kLargeRow, [&](int, int) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                std::lock_guard lock(mutex);
                threads.insert(std::this_thread::get_id());
            });
    });
    lowered.join();
    EXPECT_EQ(threads.size(), 1u);
}

} // namespace
} // namespace orvel
