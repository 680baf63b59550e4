// Spreading the items of a job over kept helper threads.
#include "engine/StripWorkers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace orvel {
namespace {

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
            if (count == 45)
                workers.Stop(); // helpers end; the next run starts them again
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

} // namespace
} // namespace orvel
