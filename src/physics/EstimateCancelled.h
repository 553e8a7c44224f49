// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>

namespace kavrol::physics {

// Raised by an estimate whose cancel flag was set while it ran.
class EstimateCancelled : public std::runtime_error {
public:
    EstimateCancelled() : std::runtime_error("The physical estimate was cancelled") {}
};

} // namespace kavrol::physics
