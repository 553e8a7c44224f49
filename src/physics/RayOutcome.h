// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace kavrol::physics {

// Where the light of one emitted ray ends, as shares of the ray's weight.
struct RayOutcome {
    enum Fate {
        Water,
        Absorbed,
        ReturnedToTube,
        BesideAquarium,
        Escaped,
        ReflectedAtWater,
        kFates
    };
    static constexpr int kMaxEntries = 8; // water entries kept with their place; later ones
                                          // join the last kept entry

    // The path's history: which pieces, tubes and water it met, in order, and how it ended.
    // Rays with equal signatures differ only smoothly in their figures.
    std::uint64_t signature = 0;
    std::array<double, kFates> share{};
    int entries = 0;
    std::array<double, kMaxEntries> entryX{};      // where the light entered the water (mm)
    std::array<double, kMaxEntries> entryAmount{}; // how much entered there
};

} // namespace kavrol::physics
