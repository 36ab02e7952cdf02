// Jobs done on several threads whose results come back in order: the
// caller consumes them in the order one thread would have made them, so
// what it writes is the same bytes whatever the thread count, and memory is
// bounded by the jobs in flight.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tav::evtx {

// Jobs in flight per thread: enough to keep every worker busy while the
// caller consumes a slow one (or writes rows out), few enough to bound memory.
inline constexpr std::size_t kJobsPerThread = 16;
// A run of this many jobs or fewer (a small log: opened, a chunk, ended)
// stays on the caller's thread: starting a thread costs more.
inline constexpr std::size_t kJobsOnOneThread = 3;

// Runs jobs on `threads` threads, the caller's among them (the others
// start once there are more than a few jobs), and hands them to the caller
// in order. `next` fills the next job into a free slot (under
// a lock, in job order) and answers false when there is none; `work` runs
// on any of the threads, told which (0 the caller's, up to `threads` - 1);
// `consume` runs on the caller's thread in job
// order, and false from it stops the run. At most `threads` *
// kJobsPerThread jobs are taken and not yet consumed. Slots are reused, so
// a job's buffers keep their storage. The caller works a job itself while
// the one it is to consume next is not done: one thread is the plain loop.
template <class Job>
void RunOrdered(unsigned threads, const std::function<bool(Job&)>& next,
                const std::function<void(Job&, unsigned thread)>& work,
                const std::function<bool(Job&)>& consume)
{
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    const std::size_t window = std::size_t{std::max(threads, 1u)} * kJobsPerThread;
    // A slot is made when first used: a short run makes few.
    std::vector<std::unique_ptr<Job>> slots(window);
    std::vector<char> ready(window, 0);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t taken = 0;
    std::size_t consumed = 0;
    bool exhausted = false;
    bool stop = false;
    // The slot of the next job, taken with the lock held; kNone when there
    // is no job or no free slot.
    const auto take = [&]() -> std::size_t {
        if (exhausted || taken == consumed + window)
            return kNone;
        std::unique_ptr<Job>& slot = slots[taken % window];
        if (!slot)
            slot = std::make_unique<Job>();
        if (!next(*slot)) {
            exhausted = true;
            changed.notify_all();
            return kNone;
        }
        return taken++ % window;
    };
    const auto worker = [&](unsigned thread) {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stop || exhausted || taken < consumed + window; });
            const std::size_t slot = stop ? kNone : take();
            if (slot == kNone) {
                if (stop || exhausted)
                    return;
                continue;
            }
            lock.unlock();
            work(*slots[slot], thread);
            lock.lock();
            ready[slot] = 1;
            changed.notify_all();
        }
    };
    // Stops and joins the workers however the caller's loop ends.
    struct Pool {
        std::vector<std::thread> workers;
        std::mutex& mutex;
        std::condition_variable& changed;
        bool& stop;
        ~Pool()
        {
            {
                const std::lock_guard<std::mutex> lock(mutex);
                stop = true;
            }
            changed.notify_all();
            for (std::thread& t : workers)
                t.join();
        }
    } pool{{}, mutex, changed, stop};
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        const std::size_t slot = consumed % window;
        if (ready[slot]) {
            lock.unlock();
            const bool go = consume(*slots[slot]);
            lock.lock();
            ready[slot] = 0;
            ++consumed;
            changed.notify_all();
            if (!go)
                return;
            continue;
        }
        if (exhausted && consumed == taken)
            return;
        const std::size_t mine = take();
        if (mine != kNone && taken > kJobsOnOneThread && pool.workers.empty())
            for (unsigned t = 1; t < threads; ++t)
                pool.workers.emplace_back(worker, t);
        if (mine == kNone) {
            if (!exhausted || consumed != taken)
                changed.wait(lock);  // for a worker's job, or a free slot
            continue;
        }
        lock.unlock();
        work(*slots[mine], 0);
        lock.lock();
        ready[mine] = 1;
    }
}

}  // namespace tav::evtx
