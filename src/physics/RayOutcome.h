// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace kavrol::physics {

// Where the light of one emitted ray ends, as shares of the ray's weight.
struct RayOutcome {
    static constexpr double kNever = std::numeric_limits<double>::infinity();
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
    std::array<double, kMaxEntries> entrySlope{};  // d entryX / da (mm per radian)
    // How far the direction a may move up (ahead) or down (behind) before the path meets a
    // rim, a tube's or an arc's tangent or the water's edge, to first order in a (radians), by
    // the weight the ray carries where it would: class c holds the steps carrying at most
    // kClassWeight[c] and more than the next class's.
    // Fourfold steps below a half: a change of path at a light step counts at most four times
    // the light it can move.
    static constexpr int kClasses = 10;
    static constexpr std::array<double, kClasses> kClassWeight{
        1.0,       0.5,        1.0 / 8,    1.0 / 32,    1.0 / 128,
        1.0 / 512, 1.0 / 2048, 1.0 / 8192, 1.0 / 32768, 1.0 / 131072};
    static constexpr std::array<double, kClasses> Nowhere() {
        std::array<double, kClasses> never{};
        never.fill(kNever);
        return never;
    }
    std::array<double, kClasses> clearAhead = Nowhere();
    std::array<double, kClasses> clearBehind = Nowhere();
    // The signature through the steps of class c and the heavier ones (and how the path ended
    // when its last step was of such a class): two rays whose paths part at a step of class c
    // differ from classSignature[c] on.
    std::array<std::uint64_t, kClasses> classSignature{};
    // The weight the ray still carried where its clearances stopped being followed (0 when it
    // ended first): what changes of path beyond that point could move.
    double unfollowed = 0.0;
    // Where the Diffused share went: (side of a reflector patch, amount), in order.
    std::vector<std::pair<int, double>> deposits;
    // Weight whose gloss spread was no longer followed (taken as a mirror from there on): its
    // fate is uncertain, so it joins the error bound whole.
    double unresolved = 0.0;
    // What the followed gloss rule brought into the water (and handed to the patches) beyond
    // what the cruder rule it is compared with brings: an estimate of the gloss rule's error.
    double glossWaterDelta = 0.0;
    double glossDiffusedDelta = 0.0;

    // The same ray at a further albedo of the reflector's sheet (see PathTracer): its branches
    // are the same, only their weights differ, by a factor at each reflection on the sheet. Only
    // what the share entering the water and its bound need. Capacity: one further albedo, the
    // comparison of surfaces' pair (the design's albedo and the preset's typical one).
    static constexpr int kMaxAlike = 1;
    struct Alike {
        double water = 0.0;
        double diffused = 0.0;
        double unresolved = 0.0;
        double glossWaterDelta = 0.0;
        double glossDiffusedDelta = 0.0;
    };
    std::array<Alike, kMaxAlike> alike{};
    // Each deposit's amount at the further albedos, in the order of deposits (empty without).
    std::vector<std::array<double, kMaxAlike>> alikeDeposits;
};

} // namespace kavrol::physics
