// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace kavrol::physics {

// A design that cannot exist physically; the message says why.
class PhysicalDesignError : public std::runtime_error {
public:
    explicit PhysicalDesignError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace kavrol::physics
