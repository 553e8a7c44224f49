// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <csignal>
#include <iterator>

namespace kavrol {

// While it lives, SIGINT (Ctrl-C), SIGTERM (timeout, a service manager) and SIGHUP (a closing
// terminal) ask the running search to stop instead of ending the program; the handlers that
// were there before come back after. A signal the program was started ignoring (nohup) stays
// ignored. One guard at a time.
class SignalGuard {
public:
    SignalGuard();
    ~SignalGuard();
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

    // The flag the search watches; set by the signals and by requestStop().
    static const std::atomic<bool>& stopFlag();
    // Asks the search to stop for another reason (a failed write).
    static void requestStop();
    // The signal that asked to stop, 0 when none did.
    static int signal();

    static constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP};

    // Outside a guard, the same signals first remove the temporary files of the files being
    // replaced (AtomicFile) and then end the program as they would have. Call once at start-up.
    static void RemoveTemporaryFilesOnSignals();

private:
    struct sigaction previous_[std::size(Signals)]{};
};

} // namespace kavrol
