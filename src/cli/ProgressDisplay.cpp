// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgressDisplay.h"

#include <chrono>
#include <exception>
#include <iostream>
#include <thread>

namespace kavrol {

void ProgressDisplay::Run(bool show, const Line& line, int clearWidth,
                          const std::function<void()>& job) {
    if (!show) {
        job();
        return;
    }
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        finished.store(true);
    });
    const auto started = std::chrono::steady_clock::now();
    while (!finished.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::cerr << line(seconds) << std::flush;
    }
    worker.join();
    std::cerr << "\r" << std::string(static_cast<std::size_t>(clearWidth), ' ') << "\r"
              << std::flush;
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace kavrol
