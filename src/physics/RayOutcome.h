// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

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
        Diffused, // re-emitted diffusely by the reflector: the patches' own light
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
    // Where the Diffused share went: (side of a reflector patch, amount), in order.
    std::vector<std::pair<int, double>> deposits;
    // Weight whose gloss spread was no longer followed (taken as a mirror from there on): its
    // fate is uncertain, so it joins the error bound whole.
    double unresolved = 0.0;
    // What the 3-point gloss rule brought into the water (and handed to the patches) beyond
    // what the 2-point rule brings: an estimate of the gloss rule's error.
    double glossWaterDelta = 0.0;
    double glossDiffusedDelta = 0.0;
};

} // namespace kavrol::physics
