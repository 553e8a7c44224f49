// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EstimateOptions.h"
#include "TankEstimate.h"
#include "TankScene.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace kavrol::physics {

// The light of a lamp over a whole tank, on the floor's cells and in total, with error bounds.
//
// Each tube's light is integrated over its emitting directions: the offset p across the tube,
// the in-plane angle a and the elevation psi, on a grid of trapezoid rules (uniform in a over
// the whole turn; in psi with weight (2/pi) cos^2 psi, in three pieces meeting where the end
// glass stops reflecting totally; in the offset's substitution of LightEstimator); the lit
// length is integrated exactly by tracing every point of it at once (TankTracer). Each grid
// point's floor light is spread over the stretch of floor the directions it stands for reach:
// across, half way to its neighbouring angles' landings, moved evenly as far as its offsets
// move it; along and across, as far as its elevations move it. The cells thus see a piecewise
// linear picture rather than points. The grid with every other point in one of the three
// directions is the same rule at twice the step; its difference from the full grid is that
// direction's error estimate (a part of it once doubling the direction has shown the rule's
// order), and the three added are the bound of every cell and of the floor share. Each tube
// has its own grid; the tubes' bounds, weighted by their photons, add up to the lamp's. The
// grids are doubled in the directions that need it until the lamp's floor share bound is within
// the tolerance and every cell's within kCellFactor * tolerance of the lamp's mean cell.
// With a glossy sheet each direction also carries the light of the cruder gloss rule it is
// compared with (TankTracer); the difference of the two, cell by cell and in the floor share,
// is the gloss rule's part of the bounds.
class TankEstimator {
public:
    // A cell's bound relative to the mean cell, per unit of the share's tolerance: 20, so that
    // the default tolerance 0.0005 asks for +-1 % of the mean in every cell.
    static constexpr double kCellFactor = 20.0;
    // The largest grid: offsets x angles x elevations per tube. Memory does not grow with it:
    // five rows of angles are kept at a time, besides four arrays of the cells (the full rule
    // and the three halved ones) and the per-axis differences and bounds of the cells.
    static constexpr std::int64_t kMaxDirections = 1LL << 25;

    struct Settings {
        double tolerance = EstimateOptions::kDefaultTolerance;
        int cellsX = 20;
        int cellsZ = 0; // 0: in proportion to the tank's length over its width
        std::vector<double> levels{30.0, 50.0};
        int depths = 20;
        // The first grid's intervals: offsets, in-plane angles, elevations (each even), and
        // the largest grid refinement may reach.
        int startOffsets = 8;
        int startAngles = 256;
        int startElevations = 16;
        std::int64_t maxDirections = kMaxDirections;
        // With a glossy sheet the grids are refined to up to this many times the tolerance
        // (less when the glossy sheet reflects less than half its kept light specularly); the
        // stated bounds add the gloss rule's own error (as EstimateOptions::ErrorBudget::gloss).
        double glossLoosening = EstimateOptions::ErrorBudget{}.gloss;
        const std::atomic<bool>* cancel = nullptr;
        std::function<void(double)> progress;
    };

    explicit TankEstimator(Settings settings);

    // Throws EstimateCancelled when cancelled.
    TankEstimate estimate(const TankScene& scene) const;

    // Cells along the tank for `cellsX` across: in proportion, at least 1, at most 400.
    static int CellsAlong(double width, double length, int cellsX);

private:
    Settings settings_;
};

} // namespace kavrol::physics
