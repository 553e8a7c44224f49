// SPDX-License-Identifier: GPL-3.0-or-later
#include "WorkerThreads.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>

namespace kavrol {

WorkerThreads::WorkerThreads(int count, const std::function<void(int)>& work)
    : asked_(count < 1 ? 1 : count) {
    threads_.reserve(static_cast<std::size_t>(asked_ - 1));
    for (int slot = 1; slot < asked_; ++slot) {
        try {
            threads_.emplace_back(work, slot);
        } catch (const std::system_error& e) {
            refusal_ = e.code().message();
            return;
        }
    }
}

WorkerThreads::~WorkerThreads() {
    join();
}

void WorkerThreads::join() {
    for (std::thread& t : threads_)
        if (t.joinable())
            t.join();
}

void WorkerThreads::ForEach(std::int64_t count, std::int64_t batch, int threads,
                            const std::atomic<bool>* stop,
                            const std::function<void(int, std::int64_t)>& work,
                            PoolReport& report) {
    std::atomic<std::int64_t> next{0};
    std::mutex lock;
    std::exception_ptr failure;
    const auto stopped = [&] { return stop != nullptr && stop->load(std::memory_order_relaxed); };
    const auto run = [&](int slot) {
        try {
            for (;;) {
                const std::int64_t first = next.fetch_add(batch);
                if (first >= count || stopped())
                    return;
                const std::int64_t end = std::min(count, first + batch);
                for (std::int64_t i = first; i < end && !stopped(); ++i)
                    work(slot, i);
            }
        } catch (...) {
            const std::lock_guard<std::mutex> guard(lock);
            if (!failure)
                failure = std::current_exception();
            next.store(count);
        }
    };
    WorkerThreads pool(threads, run);
    run(0);
    pool.join();
    report.threads = std::min(report.threads, pool.running());
    if (!pool.refusal().empty())
        report.refusal = pool.refusal();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace kavrol
