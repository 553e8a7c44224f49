#include "InterruptGuard.h"

namespace kavrol {

namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) {
    interrupted.store(true);
}

} // namespace

InterruptGuard::InterruptGuard() {
    interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
}

InterruptGuard::~InterruptGuard() {
    sigaction(SIGINT, &previous_, nullptr);
}

std::atomic<bool>& InterruptGuard::Flag() {
    return interrupted;
}

} // namespace kavrol
