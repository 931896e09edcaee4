#include "search/work_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace search {
namespace {

TEST(WorkPool, EveryJobRunsOnceInEveryBatch) {
    for (std::size_t helpers : {0u, 1u, 3u}) {
        WorkPool pool(helpers);
        for (std::size_t count : {0u, 1u, 7u, 1000u}) {
            std::vector<std::atomic<int>> runs(count);
            pool.run(count, [&](std::size_t k, std::size_t) { runs[k].fetch_add(1); });
            for (std::size_t k = 0; k < count; ++k)
                ASSERT_EQ(runs[k].load(), 1) << "job " << k << " of " << count << " with " << helpers << " helpers";
        }
    }
}

TEST(WorkPool, BatchesFollowOneAnother) {
    // A batch sees everything the one before it wrote: no job of batch b+1
    // starts before all of batch b have returned.
    WorkPool pool(2);
    std::vector<std::atomic<int>> values(64);
    for (int batch = 1; batch <= 50; ++batch) {
        pool.run(values.size(), [&](std::size_t k, std::size_t) {
            int before = values[(k + 1) % values.size()].load();
            EXPECT_TRUE(before == batch - 1 || before == batch) << "batch " << batch << " saw " << before;
            values[k].store(batch);
        });
    }
    for (const auto& v : values) EXPECT_EQ(v.load(), 50);
}

TEST(WorkPool, EachWorkerNumberBelongsToOneThread) {
    // Jobs use their worker's scratch space: two threads sharing a number
    // would write over each other.
    for (std::size_t helpers : {0u, 1u, 3u}) {
        WorkPool pool(helpers);
        ASSERT_EQ(pool.workers(), helpers + 1);
        std::vector<std::thread::id> threadOf(pool.workers());
        std::vector<std::size_t> workerOf(400);
        std::mutex mutex;
        bool clash = false;
        pool.run(workerOf.size(), [&](std::size_t k, std::size_t worker) {
            std::lock_guard lock(mutex);
            workerOf[k] = worker;
            if (worker >= threadOf.size()) {
                clash = true;
                return;
            }
            if (threadOf[worker] == std::thread::id()) threadOf[worker] = std::this_thread::get_id();
            clash = clash || threadOf[worker] != std::this_thread::get_id();
        });
        EXPECT_FALSE(clash) << helpers << " helpers";
        if (helpers == 0 || threadOf[0] != std::thread::id()) {
            EXPECT_EQ(threadOf[0], std::this_thread::get_id()) << "worker 0 is the caller";
        }
    }
}

}  // namespace
}  // namespace search
