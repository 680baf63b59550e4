// Spreading the items of a job, or the rows of a pixel pass, over kept helper threads.
#include "engine/pictures/StripWorkers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace orvel {
namespace {

constexpr size_t kLargeRow = size_t{1} << 20; // far above the size worth sharing out

int NiceOfThisThread() {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    EXPECT_EQ(errno, 0);
    return nice;
}

std::vector<int> CountRows(TStripWorkers& workers, int rows, size_t bytesPerRow) {
    std::vector<std::atomic<int>> hits(static_cast<size_t>(rows));
    std::atomic<bool> bandsInRange{true};
    workers.ForRows(rows, bytesPerRow, [&](int y0, int y1) {
        if (y0 < 0 || y1 > rows || y0 >= y1) bandsInRange = false;
        for (int y = y0; y < y1; ++y)
            ++hits[static_cast<size_t>(y)];
    });
    EXPECT_TRUE(bandsInRange);
    return std::vector<int>(hits.begin(), hits.end());
}

// The scheduling a band ran at: policy and nice value of its thread.
using TScheduling = std::pair<int, int>;
TScheduling SchedulingOfThisThread() {
    return {sched_getscheduler(0), NiceOfThisThread()};
}

// Runs passes whose bands wait a little, so a helper has time to wake up even on a busy machine,
// until one ran on another thread than the caller (or enough were tried); returns the threads
// and the scheduling the bands ran at.
struct TTakers {
    std::set<std::thread::id> threads;
    std::set<TScheduling> schedulings;
};
TTakers RunSlowPasses(TStripWorkers& workers) {
    TTakers takers;
    std::mutex mutex;
    for (int pass = 0; pass < 50 && takers.threads.size() < 2; ++pass)
        workers.ForRows(64, kLargeRow, [&](int, int) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const TScheduling scheduling = SchedulingOfThisThread();
            std::lock_guard lock(mutex);
            takers.threads.insert(std::this_thread::get_id());
            takers.schedulings.insert(scheduling);
        });
    return takers;
}

TEST(StripWorkers, EveryItemRunsOnceAndNoPartRunsTwiceAtATime) {
    for (int parts : {1, 2, 4}) {
        SCOPED_TRACE(std::to_string(parts) + " parts");
        TStripWorkers workers(parts);
        ASSERT_EQ(workers.Parts(), parts);
        std::atomic<bool> inUse[TStripWorkers::kMaxParts] = {};
        std::atomic<bool> overlap{false}, badPart{false};
        for (int count : {0, 1, 2, 3, 45, 200}) {
            for (int run = 0; run < 20; ++run) {
                std::vector<std::atomic<int>> calls(count);
                workers.Run(count, [&](int part, int item) {
                    if (part < 0 || part >= parts) {
                        badPart = true;
                        return;
                    }
                    if (inUse[part].exchange(true))
                        overlap = true; // per-part state (scalers) would be shared between threads
                    calls[item].fetch_add(1);
                    inUse[part] = false;
                });
                for (int item = 0; item < count; ++item)
                    ASSERT_EQ(calls[item].load(), 1) << "item " << item << " of " << count;
            }
            if (count == 45) workers.Stop(); // helpers end; the next run starts them again
        }
        EXPECT_FALSE(overlap);
        EXPECT_FALSE(badPart);
    }
}

TEST(StripWorkers, PartsFollowTheHardwareWithinLimits) {
    EXPECT_GE(TStripWorkers().Parts(), 1);
    EXPECT_LE(TStripWorkers().Parts(), TStripWorkers::kMaxParts);
    EXPECT_EQ(TStripWorkers(99).Parts(), TStripWorkers::kMaxParts);
}

TEST(StripWorkers, ForRowsHandsOutEveryRowOnce) {
    for (int parts : {1, 2, 4}) {
        TStripWorkers workers(parts);
        for (int rows : {0, 1, 2, 7, 100, 1081})
            for (size_t bytes : {size_t{3}, kLargeRow})
                EXPECT_EQ(CountRows(workers, rows, bytes), std::vector<int>(static_cast<size_t>(rows), 1))
                    << parts << " parts, " << rows << " rows of " << bytes << " bytes";
    }
}

// Runs overlapping on one object (a preview and a conversion at once, or a job that runs a pass
// itself) are done by their callers alone and all finish.
TEST(StripWorkers, OverlappingRunsAllFinish) {
    TStripWorkers workers(2);
    std::atomic<int> wrong{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 3; ++t)
        callers.emplace_back([&] {
            for (int pass = 0; pass < 200; ++pass)
                if (CountRows(workers, 64, kLargeRow) != std::vector<int>(64, 1)) ++wrong;
        });
    for (std::thread& t : callers)
        t.join();
    EXPECT_EQ(wrong, 0);

    std::vector<int> inner;
    workers.Run(4, [&](int, int item) {
        if (item == 0) inner = CountRows(workers, 64, kLargeRow);
    });
    EXPECT_EQ(inner, std::vector<int>(64, 1));
}

TEST(StripWorkers, LargePassesUseTheHelpers) {
    TStripWorkers workers(2);
    EXPECT_EQ(RunSlowPasses(workers).threads.size(), 2u);
}

// A conversion at a lowered or idle priority must not have its pixels done by threads at normal
// priority, nor may a normal one have them done at a lower priority: every band runs at the
// scheduling of the thread that asked, whether the workers are its own or were used by another
// thread first.
TEST(StripWorkers, BandsRunAtTheSchedulingOfTheAskingThread) {
    const TScheduling normal = SchedulingOfThisThread();
    TStripWorkers shared(2);
    ASSERT_EQ(RunSlowPasses(shared).schedulings, std::set<TScheduling>{normal}); // helpers start here
    struct TLowering {
        const char* name;
        bool idle; // SCHED_IDLE, else a higher nice value
    };
    for (const TLowering lowering : {TLowering{"nice", false}, TLowering{"idle", true}}) {
        SCOPED_TRACE(lowering.name);
        if (!lowering.idle && normal.second >= 19) continue; // no lower nice value to take
        std::thread low([&] {
            if (lowering.idle) {
                sched_param param{};
                ASSERT_EQ(sched_setscheduler(0, SCHED_IDLE, &param), 0);
            } else {
                ASSERT_EQ(
                    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), std::min(normal.second + 5, 19)),
                    0);
            }
            const TScheduling lowered = SchedulingOfThisThread();
            ASSERT_NE(lowered, normal);
            for (TStripWorkers* workers : {&shared, &TStripWorkers::OfThisThread()}) {
                const TTakers takers = RunSlowPasses(*workers);
                EXPECT_EQ(takers.schedulings, std::set<TScheduling>{lowered});
                EXPECT_EQ(takers.threads.size(), 2u) << "helpers at the caller's priority take part";
            }
        });
        low.join();
        EXPECT_EQ(RunSlowPasses(shared).schedulings, std::set<TScheduling>{normal});
    }
}

} // namespace
} // namespace orvel
