// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kavrol {

// What a run over the pool leaves for the report: the fewest threads that worked at once, and the
// system's reason when fewer started than were asked (empty otherwise).
struct PoolReport {
    int threads = 1;
    std::string refusal;
};

// The extra threads of a search's workers. A thread the system refuses to start (no memory for
// its stack under an address-space limit, too many processes) ends the starting there: the
// work runs on with the threads that did start, and the refusal is kept for the report.
class WorkerThreads {
public:
    // Starts threads running work(1), work(2), ... up to work(count - 1); the caller runs
    // work(0) itself.
    WorkerThreads(int count, const std::function<void(int)>& work);
    // Joins every thread started.
    ~WorkerThreads();
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    void join();
    // The threads working, the caller's included.
    int running() const { return static_cast<int>(threads_.size()) + 1; }
    int asked() const { return asked_; }
    // The system's reason when fewer than asked started; empty otherwise.
    const std::string& refusal() const { return refusal_; }

    // The one way every search spreads its work: calls work(slot, item) for every item of
    // [0, count) on `threads` threads, slot numbering the thread from 0, handing out `batch`
    // items at a time. Stops handing out items once stop reads true (checked before each item)
    // or a call throws; the first failure is rethrown once every thread has ended. Threads the
    // system refuses to start lower report.threads and leave their reason in report.refusal;
    // the others do their share.
    static void ForEach(std::int64_t count, std::int64_t batch, int threads,
                        const std::atomic<bool>* stop,
                        const std::function<void(int, std::int64_t)>& work, PoolReport& report);

private:
    std::vector<std::thread> threads_;
    int asked_;
    std::string refusal_;
};

} // namespace kavrol
