// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace kavrol::physics {

// The light of a lamp over a whole tank. Shares are fractions of all photons the tubes emit;
// floorShare + every loss = 1 (to rounding). PPFD in micromoles per square metre and second.
struct TankEstimate {
    struct Losses {
        double absorbed = 0.0;       // by the reflectors and end plates
        double returnedToTube = 0.0; // met a tube (its side or an end disc) again
        double besideTank = 0.0;     // met the water's plane outside the tank, or nothing
        double frontBackGlass = 0.0; // left through the front or back glass
        double endGlass = 0.0;       // left through an end glass
        double water = 0.0;          // absorbed by the water
    };

    double floorShare = 0.0;
    double error = 0.0;        // bound on floorShare's error (absolute, about 95 %)
    double enteredWater = 0.0; // the share entering the water (floor, glass and water losses)
    double photonFlux = 0.0;   // all tubes together, micromoles per second
    Losses losses;

    // The floor's cells: cellsZ rows of cellsX, edges in millimetres (x from the tank's centre
    // line, z from one end glass).
    int cellsX = 0;
    int cellsZ = 0;
    std::vector<double> edgesXmm;
    std::vector<double> edgesZmm;
    std::vector<double> cells;      // PPFD of each cell, row-major
    std::vector<double> cellErrors; // bound on each cell's error, same units
    double mean = 0.0;
    double min = 0.0;
    double max = 0.0;
    double minOverMean = 0.0;
    // For each level asked for: the share of the floor's area at or above it.
    std::vector<std::pair<double, double>> atLeast;

    // PPFD under the tank's centre at depths from the surface to the floor, each over a
    // floor cell's area.
    std::vector<std::pair<double, double>> depthProfile; // {depth mm, PPFD}

    // The work done: directions traced, and the last grid (offsets, in-plane angles,
    // elevations) of the tube that needed most.
    std::int64_t raysTraced = 0;
    int offsets = 0;
    int angles = 0;
    int elevations = 0;
};

} // namespace kavrol::physics
