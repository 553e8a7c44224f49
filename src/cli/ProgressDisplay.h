// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SearchControl.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace kavrol {

// The command line's one progress display, for the searches and the estimates alike: the job
// runs on a worker thread while this one redraws the line on standard error every 200 ms, and
// the line is cleared (clearWidth spaces) at the end. The job's failure is rethrown here.
// Without `show` the job runs on this thread and nothing is drawn.
class ProgressDisplay {
public:
    // The text to draw, from the seconds since the job began; it starts with "\r".
    using Line = std::function<std::string(double seconds)>;

    static void Run(bool show, const Line& line, int clearWidth, const std::function<void()>& job);

    // The last progress a search reported, kept for the drawing thread.
    class Latest {
    public:
        // The search's SearchControl::progress.
        std::function<void(const SearchProgress&)> sink() {
            return [this](const SearchProgress& p) {
                stage_.store(p.stage, std::memory_order_relaxed);
                done_.store(p.done, std::memory_order_relaxed);
                total_.store(p.total, std::memory_order_relaxed);
            };
        }
        SearchProgress get() const {
            return {stage_.load(std::memory_order_relaxed), done_.load(std::memory_order_relaxed),
                    total_.load(std::memory_order_relaxed)};
        }

    private:
        std::atomic<int> stage_{0};
        std::atomic<std::int64_t> done_{0};
        std::atomic<std::int64_t> total_{0};
    };
};

} // namespace kavrol
