// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace kavrol::physics {

// Where light ends in the tank model; every share of a ray ends in exactly one.
enum TankFate {
    Floor,
    ReflectorAbsorbed, // by a reflector or end plate; also what is left at the event limit
    ReturnedToTube,
    BesideTank,     // met the water's plane outside the tank, or left meeting nothing
    FrontBackGlass, // left through the front or back glass
    EndGlass,       // left through an end glass
    WaterAbsorbed,  // absorbed by the water on its way
    kTankFates
};

// Which estimate an entry's light belongs to, where a sheet's gloss is followed. The estimate
// follows the gloss rule from a path's first glossy reflection on (Followed); the cruder rule
// it is compared with, walked apart from that reflection, brings its own light (Compared). Light
// of a path that met no glossy reflection is in both (Shared).
enum class GlossRole { Shared, Followed, Compared };

// Light entering the water from one sheet of rays: rays emitted at every point of a z-range of
// the tube in the same 3D direction. They enter at the in-plane point x along the z-interval
// [z0, z1], `density` of the ray's share per millimetre of it, and go on in a straight line.
struct WaterEntry {
    double x = 0.0;
    double z0 = 0.0;
    double z1 = 0.0;
    double density = 0.0;
    double slopeX = 0.0; // horizontal travel across, per millimetre of depth
    double slopeZ = 0.0; // horizontal travel along, per millimetre of depth
    double lengthPerDepth = 1.0;
    double inPlaneLength = 0.0; // in-plane length travelled above the water
    double sinPsi = 0.0;        // the ray's elevation out of the cross-section
    double inPlaneDx = 0.0;     // the in-plane direction's x component at the water
    std::uint64_t path = 0;     // the events that led here; equal paths vary smoothly
    GlossRole role = GlossRole::Shared;
};

// The light of one emitted direction (tube, a, p, psi), integrated over the lit length.
struct TankRay {
    // Which paths the light took and where it ended: directions with equal signatures differ
    // only smoothly in their figures.
    std::uint64_t signature = 0;
    std::array<double, kTankFates> share{}; // fates above the water
    std::vector<WaterEntry> entries;
    // Weight whose gloss spread was no longer followed (taken as a mirror from there on): its
    // fate is uncertain, so it joins the floor share's bound whole.
    double unresolved = 0.0;
    // Where the compared gloss rule's light ended above the water; kept apart from `share`, so
    // the fates still add up to the ray's weight.
    std::array<double, kTankFates> comparedShare{};
};

} // namespace kavrol::physics
