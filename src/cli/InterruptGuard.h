#pragma once

#include <atomic>
#include <csignal>

namespace kavrol {

// While a guard lives, Ctrl-C sets Flag() instead of ending the program, so that long work can
// stop cleanly and report what it has; the previous handler comes back after.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // Set by Ctrl-C; cleared when a guard is made.
    static std::atomic<bool>& Flag();

private:
    struct sigaction previous_ {};
};

} // namespace kavrol
