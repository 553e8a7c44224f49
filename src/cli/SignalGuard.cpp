#include "SignalGuard.h"

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

} // namespace

SignalGuard::SignalGuard() {
    stopAsked.store(false);
    stoppedBy.store(0);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(Signals); ++i)
        sigaction(Signals[i], &action, &previous_[i]);
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
