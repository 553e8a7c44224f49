// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <functional>

namespace kavrol::physics {

// How hard an estimate works and how it reports.
struct EstimateOptions {
    // How the tolerance is shared out between the parts of the bound (see
    // docs/physical-estimate.md); what directions and offsets leave is kept for the Fresnel
    // table's interpolation.
    struct ErrorBudget {
        double directions = 0.4; // the integrals over each offset's directions
        double offsets = 0.55;   // the integral over the tubes' offsets
        // Rough integrands (kinks, near-jumps at caustics) can make two rules agree by chance;
        // the difference counts this many times over. Doubling it cost a third more rays and
        // did not change how often the bound missed over 300 random designs.
        double differenceSafety = 1.0;
        // Changes of path are followed while a ray carries this share of the directions' part
        // or more; what rays carry beyond counts in the bound whole.
        double follow = 0.1;
        // With a gloss spread the integrals aim at up to this many times the tolerance, less
        // when little of the kept light is reflected specularly: the gloss rule's own error, which
        // refining them does not reduce, is of that size (0.001 to 0.05 for the presets with
        // little diffuse light, against the default tolerance 0.0005; see docs/surfaces.md).
        double gloss = 4.0;
    };

    // The bound to reach on the share entering the water (absolute, about 95 %).
    static constexpr double kDefaultTolerance = 0.0005;
    double tolerance = kDefaultTolerance;
    // Irradiance bins across the tank's span; 0 leaves the irradiance out.
    static constexpr int kDefaultBins = 50;
    int bins = kDefaultBins;
    // Also estimate the bare tube (same tubes and water, no reflector) and the gain.
    bool bareTube = true;
    // Polled while the estimate runs; once it reads true the estimate throws EstimateCancelled.
    const std::atomic<bool>* cancel = nullptr;
    // Called now and then with the fraction done, from 0 to 1, on the estimating thread.
    std::function<void(double)> progress;
    ErrorBudget budget;
    // For a scattering reflector: the patches of the diffuse transfer (0: from the tolerance)
    // and, when above 0, a composite gloss rule on that many panels instead of the Radau one
    // (both for much finer runs).
    int surfacePatches = 0;
    int glossPanels = 0;
    // The first samples over half a turn of directions (0: from the tolerance, 8 to 32).
    int cellsPerHalfTurn = 0;

    // A cheap screening estimate for searches: a loose bound (still honest), no bare tube. About
    // 1,600 rays a design against some 25,000 at the default tolerance.
    static EstimateOptions Screening() {
        EstimateOptions options;
        options.tolerance = 0.02;
        options.bareTube = false;
        return options;
    }

    // A coarser estimate still, for pruning a search's designs before screening: the same
    // honest bound at a fifth of the screening's precision, from a quarter of its first samples
    // and without the irradiance (about 650 rays a twin arc against 2,000).
    static EstimateOptions Coarse() {
        EstimateOptions options = Screening();
        options.tolerance = 0.1;
        options.cellsPerHalfTurn = 2;
        options.bins = 0;
        return options;
    }
};

} // namespace kavrol::physics
