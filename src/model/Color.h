// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kavrol {

// A colour of the work image, held exactly as 0x00RRGGBB. Three of them are material codes that
// the ray tracer reads back: black is the reflector, yellow the tube, sky blue the water.
using Rgb = std::uint32_t;

namespace Colors {
inline constexpr Rgb Black = 0x000000;
inline constexpr Rgb White = 0xFFFFFF;
inline constexpr Rgb Silver = 0xC0C0C0;
inline constexpr Rgb Yellow = 0xFFFF00;
inline constexpr Rgb SkyBlue = 0xA6CAF0;
inline constexpr Rgb Red = 0xFF0000;
inline constexpr Rgb Blue = 0x0000FF;
// What a read outside the picture returns; it equals no 24-bit colour.
inline constexpr Rgb Invalid = 0xFFFFFFFF;
} // namespace Colors

} // namespace kavrol
