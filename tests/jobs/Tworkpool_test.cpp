#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "jobs/Tworkpool.h"

namespace {
// A task that adds `fanout` tasks below itself down to the given depth, each counting its
// own runs: a tree of 1 + 8 + 64 + 512 tasks for depth 3.
void Spread(TWorkPool& pool, std::vector<std::atomic<int>>& runs, std::size_t id, int depth)
{
    constexpr std::size_t Fanout = 8;
    runs[id].fetch_add(1);
    if (depth == 0)
        return;
    for (std::size_t child = 1; child <= Fanout; ++child)
        pool.Add([&pool, &runs, next = id * Fanout + child, depth] { Spread(pool, runs, next, depth - 1); });
}
}  // namespace

TEST(WorkPool, RunsEveryTaskOnceAndRaisesTheFirstFailure)
{
    for (const int jobs : {1, 3, 0}) {
        TWorkPool pool(jobs);
        EXPECT_GE(pool.ActiveThreads(), 1);
        std::vector<std::atomic<int>> runs(1 + 8 + 64 + 512);
        int ticks = 0;
        pool.Run({[&] { Spread(pool, runs, 0, 3); }}, [&] { ++ticks; });
        for (std::size_t id = 0; id < runs.size(); ++id)
            ASSERT_EQ(runs[id].load(), 1) << "task " << id << " with " << jobs << " jobs";
        EXPECT_GE(ticks, 1);

        std::atomic<int> after{0};
        std::vector<TWorkPool::TTask> tasks(100, [&] { after.fetch_add(1); });
        tasks[50] = [] { throw std::runtime_error("task failed"); };
        EXPECT_THROW(pool.Run(std::move(tasks), [] {}), std::runtime_error);
        EXPECT_LT(after.load(), 100);

        // The pool is whole again for the next job.
        after = 0;
        pool.Run(std::vector<TWorkPool::TTask>(10, [&] { after.fetch_add(1); }), [] {});
        EXPECT_EQ(after.load(), 10);
    }
}
