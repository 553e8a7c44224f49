// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kavrol {

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

private:
    std::vector<std::thread> threads_;
    int asked_;
    std::string refusal_;
};

} // namespace kavrol
