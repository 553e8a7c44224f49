// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace kavrol {

// How far a search has got: the designs (or candidates) done and foreseen in its current stage.
// A search with one stage reports stage 0 only; the search by the physical share reports its
// screening as stage 0 and its estimates again at full tolerance as stage 1 (whose total is the
// designs that could be visited).
struct SearchProgress {
    int stage = 0;
    std::int64_t done = 0;
    std::int64_t total = 0;
};

// How every search is stopped and followed, the pixel search, the physical one and the
// fixture's alike. The stop flag is read between designs: soon after it turns true the search
// ends and returns what it has, marked stopped. `progress` receives each step's progress from
// one thread at a time, never concurrently, so it may simply keep the last one for a display
// that reads it from another thread.
struct SearchControl {
    const std::atomic<bool>* stop = nullptr;
    std::function<void(const SearchProgress&)> progress;

    bool stopRequested() const { return stop != nullptr && stop->load(std::memory_order_relaxed); }
};

// Counts a stage's steps from several threads and hands each new count to the control's
// progress, one call at a time.
class ProgressCounter {
public:
    ProgressCounter(const SearchControl& control, int stage, std::int64_t total)
        : control_(control), progress_{stage, 0, total} {}

    void step(std::int64_t count = 1) {
        const std::int64_t done = done_.fetch_add(count, std::memory_order_relaxed) + count;
        if (!control_.progress)
            return;
        const std::lock_guard<std::mutex> guard(lock_);
        // Counts from several threads may arrive out of order; the progress never goes back.
        if (done > progress_.done) {
            progress_.done = done;
            control_.progress(progress_);
        }
    }
    std::int64_t done() const { return done_.load(std::memory_order_relaxed); }

private:
    const SearchControl& control_;
    SearchProgress progress_;
    std::atomic<std::int64_t> done_{0};
    std::mutex lock_;
};

} // namespace kavrol
