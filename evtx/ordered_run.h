// Jobs done on several threads whose results come back in order: the
// caller consumes them in the order one thread would have made them, so
// what it writes is the same bytes whatever the thread count, and memory is
// bounded by the jobs in flight.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tav::evtx {

// Jobs in flight per thread: enough to keep every worker busy while the
// caller consumes a slow one, few enough to bound memory.
inline constexpr std::size_t kJobsPerThread = 3;

// Runs jobs on `threads` workers and hands them to the caller in order.
// `next` fills the next job into a free slot (under a lock, in job order)
// and answers false when there is none; `work` runs on a worker; `consume`
// runs on the caller's thread in job order, and false from it stops the run.
// At most `threads` * kJobsPerThread jobs are taken and not yet consumed.
// Slots are reused, so a job's buffers keep their storage. With one thread
// everything runs on the caller's thread.
template <class Job>
void RunOrdered(unsigned threads, const std::function<bool(Job&)>& next, const std::function<void(Job&)>& work,
                const std::function<bool(Job&)>& consume)
{
    if (threads <= 1) {
        Job job;
        while (next(job)) {
            work(job);
            if (!consume(job))
                return;
        }
        return;
    }
    const std::size_t window = std::size_t{threads} * kJobsPerThread;
    std::vector<Job> slots(window);
    std::vector<char> ready(window, 0);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t taken = 0;
    std::size_t consumed = 0;
    bool exhausted = false;
    bool stop = false;
    const auto worker = [&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stop || exhausted || taken < consumed + window; });
            if (stop || exhausted)
                return;
            Job& job = slots[taken % window];
            if (!next(job)) {
                exhausted = true;
                changed.notify_all();
                return;
            }
            const std::size_t slot = taken++ % window;
            lock.unlock();
            work(job);
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
    for (unsigned t = 0; t < threads; ++t)
        pool.workers.emplace_back(worker);
    for (;;) {
        const std::size_t slot = consumed % window;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return ready[slot] || (exhausted && consumed == taken); });
            if (!ready[slot])
                return;
        }
        const bool go = consume(slots[slot]);
        {
            const std::lock_guard<std::mutex> lock(mutex);
            ready[slot] = 0;
            ++consumed;
        }
        changed.notify_all();
        if (!go)
            return;
    }
}

}  // namespace tav::evtx
