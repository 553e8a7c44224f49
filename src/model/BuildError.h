// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace kavrol {

// A failure of a build pass. The text is what the user is shown, word for word.
class BuildError : public std::runtime_error {
public:
    explicit BuildError(const std::string& message) : std::runtime_error(message) {}
};

namespace Messages {
inline constexpr const char* DivisionByZero = "Division by zero";
inline constexpr const char* FloatDivisionByZero = "Floating point division by zero";
inline constexpr const char* InvalidFloatOperation = "Invalid floating point operation";
inline constexpr const char* IntegerOverflow = "Integer overflow";
inline constexpr const char* TrapezoidTopTooWide =
    "The trapezoid's top C must not be wider than its width A";
inline constexpr const char* ProfileTooWide = "The reflector is too wide for the profile table";
inline constexpr const char* AlbedoOutOfRange = "The albedo must be a number from 0 to 1";
inline constexpr const char* TubeOutOfReach =
    "The tube lies too far outside the picture for its rays to be traced";
} // namespace Messages

} // namespace kavrol
