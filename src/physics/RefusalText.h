// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PhysicalDesignError.h"

#include <sstream>
#include <string>

// The pieces of the messages with which scenes refuse a design, shared by every scene builder.
namespace kavrol::physics::RefusalText {

// A length in millimetres with six significant digits, as every refusal writes it. The stream
// keeps the classic locale, so the message reads the same in any environment.
inline std::string Mm(double value) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text.precision(6);
    text << value << " mm";
    return text.str();
}

// Throws the refusal when the condition fails.
inline void Require(bool condition, const std::string& message) {
    if (!condition) {
        throw PhysicalDesignError(message);
    }
}

} // namespace kavrol::physics::RefusalText
