// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace kavrol {

// A kind of reflector sheet for the physical model: its command-line word, the window's
// caption and its typical figures. The diffuse share and gloss spread set the surface; the
// albedo stays the user's and the typical one is only shown beside the preset as a hint.
struct SurfacePreset {
    std::string_view word;
    std::string_view caption;
    double diffuseShare = 0.0;   // 0 to 1
    double glossSpreadDeg = 0.0; // degrees
    double typicalAlbedo = 0.0;
};

} // namespace kavrol
