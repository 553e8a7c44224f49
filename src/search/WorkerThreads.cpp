// SPDX-License-Identifier: GPL-3.0-or-later
#include "WorkerThreads.h"

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

} // namespace kavrol
