// Jobs done on several threads come back in the order one thread would have
// made them; a short run stays on the caller's thread, and a stop ends it.
#include "evtx/ordered_run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace tav::evtx {
namespace {

struct Job {
    std::size_t number = 0;
    unsigned thread = 0;
};

TEST(RunOrdered, InOrderOnAnyThreadCountAndStopsWhenAsked)
{
    const struct {
        std::size_t jobs;
        unsigned threads;
        std::size_t stopAfter;  // consume answers false there
        bool oneThread;         // every job worked on the caller's thread
    } cases[] = {
        {0, 2, 0, true},    {1, 2, 9, true},     {3, 3, 9, true},     {4, 2, 99, false},
        {500, 1, 999, true}, {500, 2, 999, false}, {500, 4, 999, false}, {500, 3, 40, false},
    };
    for (const auto& c : cases) {
        const std::string name = std::to_string(c.jobs) + " jobs, " + std::to_string(c.threads) + " threads";
        std::size_t taken = 0;
        std::string order;
        std::atomic<bool> others = false;
        std::atomic<bool> outOfRange = false;
        RunOrdered<Job>(
            c.threads,
            [&](Job& job) {
                job.number = taken;
                return taken++ < c.jobs;
            },
            [&](Job& job, unsigned thread) {
                job.thread = thread;
                others = others || thread != 0;
                outOfRange = outOfRange || thread >= c.threads;
            },
            [&](Job& job) {
                order += std::to_string(job.number) + " ";
                return job.number != c.stopAfter;
            });
        std::string expected;
        for (std::size_t n = 0; n < c.jobs && n <= c.stopAfter; ++n)
            expected += std::to_string(n) + " ";
        EXPECT_EQ(order, expected) << name;
        EXPECT_FALSE(outOfRange) << name;
        EXPECT_TRUE(!c.oneThread || !others) << name;
    }
}

}  // namespace
}  // namespace tav::evtx
