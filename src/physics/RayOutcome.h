// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <limits>

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
    std::array<double, kMaxEntries> entrySlope{};  // d entryX / da (mm per radian)
    // How far the direction a may move up (ahead) or down (behind) before the path meets a
    // rim, a tube's or an arc's tangent or the water's edge, to first order in a (radians).
    double clearAhead = std::numeric_limits<double>::infinity();
    double clearBehind = std::numeric_limits<double>::infinity();
    // The weight the ray still carried where its clearances stopped being followed (0 when it
    // ended first): what changes of path beyond that point could move.
    double unfollowed = 0.0;
};

} // namespace kavrol::physics
