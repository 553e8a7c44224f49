// SPDX-License-Identifier: GPL-3.0-or-later
#include "SignalGuard.h"

#include "AtomicFile.h"

namespace kavrol {

namespace {

std::atomic<bool> stopAsked{false};
std::atomic<int> stoppedBy{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

extern "C" void OnStopSignal(int number) {
    // The first signal is the one reported; a second one changes nothing.
    int none = 0;
    stoppedBy.compare_exchange_strong(none, number);
    stopAsked.store(true);
}

// Removes the temporary files, then lets the signal do what it would have done: the handler is
// reset on entry and the signal, blocked while it runs, arrives again when it returns.
extern "C" void OnFatalSignal(int number) {
    AtomicFile::RemoveTemporaryFilesNow();
    ::raise(number);
}

// Installs a handler for a signal unless the program was started ignoring it.
void Install(int number, void (*handler)(int), int flags, struct sigaction* previous) {
    struct sigaction current {};
    sigaction(number, nullptr, &current);
    if (previous != nullptr)
        *previous = current;
    if (current.sa_handler == SIG_IGN)
        return;
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    sigaction(number, &action, nullptr);
}

} // namespace

SignalGuard::SignalGuard() {
    stopAsked.store(false);
    stoppedBy.store(0);
    for (std::size_t i = 0; i < std::size(Signals); ++i)
        Install(Signals[i], OnStopSignal, 0, &previous_[i]);
}

void SignalGuard::RemoveTemporaryFilesOnSignals() {
    for (const int number : Signals)
        Install(number, OnFatalSignal, SA_RESETHAND, nullptr);
}

SignalGuard::~SignalGuard() {
    for (std::size_t i = 0; i < std::size(Signals); ++i)
        sigaction(Signals[i], &previous_[i], nullptr);
}

const std::atomic<bool>& SignalGuard::stopFlag() {
    return stopAsked;
}

void SignalGuard::requestStop() {
    stopAsked.store(true);
}

int SignalGuard::signal() {
    return stoppedBy.load();
}

} // namespace kavrol
