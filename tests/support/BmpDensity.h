// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace kavrol::test {

// The horizontal and vertical densities a BMP file's header records, in pixels per metre.
struct BmpDensity {
    std::int32_t x = -1;
    std::int32_t y = -1;
};

// Reads the densities at bytes 38 and 42 of the file (the info header's XPelsPerMeter and
// YPelsPerMeter, little-endian); -1 each when the file is shorter.
inline BmpDensity ReadBmpDensity(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[46] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        return {};
    const auto at = [&](int offset) {
        const std::uint32_t value = static_cast<std::uint32_t>(header[offset]) |
                                    static_cast<std::uint32_t>(header[offset + 1]) << 8 |
                                    static_cast<std::uint32_t>(header[offset + 2]) << 16 |
                                    static_cast<std::uint32_t>(header[offset + 3]) << 24;
        return static_cast<std::int32_t>(value);
    };
    return {at(38), at(42)};
}

} // namespace kavrol::test
