// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kavrol {

// What the tracer finds at a pixel of a scene: black in the picture is the reflector, yellow the
// tube, sky blue the water; everything else, and everything outside the picture, is free space.
enum class Material : std::uint8_t { Free = 0, Reflector = 1, Tube = 2, Water = 3 };

} // namespace kavrol
