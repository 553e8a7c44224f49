// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace kavrol::physics {

// A fixture file that cannot be read or a fixture that cannot exist. The message names the
// file, the unit and the field where it can, and says why.
class FixtureError : public std::runtime_error {
public:
    explicit FixtureError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace kavrol::physics
