// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: the ranges searched; one candidate; the grids; placing the units; screening,
// verifying and the whole search. The screening's candidates are spread by
// WorkerThreads::ForEach; the few final estimates run in turn, each deciding the next.
#include "FixtureSearch.h"

#include "EstimateCancelled.h"
#include "FixtureError.h"
#include "FixtureScene.h"
#include "LightEstimator.h"
#include "WorkerThreads.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kavrol {

using physics::EstimateCancelled;
using physics::EstimateOptions;
using physics::Fixture;
using physics::FixtureError;
using physics::FixtureScene;
using physics::LightEstimator;
using physics::PhysicalEstimate;

namespace {

// --- The ranges searched ---

struct Candidate {
    double spacing = 0.0;
    double lamp = 0.0;
    bool exists = false;
    double share = 0.0;
    double uniformity = 0.0;
    bool estimated = false; // false when a stop left it out
};

struct Ranges {
    double spacingMin = 0.0;
    double spacingMax = 0.0;
    double lampMin = 0.0;
    double lampMax = 0.0;
};

// The spacing from the closest the reflectors may sit (side by side) to the outer tubes at the
// tank's walls; the lamp distance from the thinnest tube's radius to the deepest rim plus the
// widest tube's radius.
Ranges SearchRanges(const Fixture& fixture, const FixtureSearch::Options& options) {
    const int n = static_cast<int>(fixture.units.size());
    if (options.spacing && n < 2) {
        throw FixtureError("searching the spacing needs at least two units");
    }
    Ranges r;
    std::vector<double> left(static_cast<std::size_t>(n));
    std::vector<double> right(static_cast<std::size_t>(n));
    double thinnest = fixture.units[0].tubeRadius;
    double widest = 0.0;
    double deepest = 0.0;
    for (int i = 0; i < n; ++i) {
        Fixture alone = fixture;
        alone.units = {fixture.units[static_cast<std::size_t>(i)]};
        alone.units[0].x = 0.0;
        const FixtureScene scene(alone);
        left[static_cast<std::size_t>(i)] = -scene.left(0);
        right[static_cast<std::size_t>(i)] = scene.right(0);
        const Fixture::Unit& u = alone.units[0];
        thinnest = std::min(thinnest, u.tubeRadius);
        widest = std::max(widest, u.tubeRadius);
        deepest = std::max(deepest, scene.bottom(0));
    }
    for (int i = 0; i + 1 < n; ++i) {
        r.spacingMin = std::max(r.spacingMin, right[static_cast<std::size_t>(i)] +
                                                  left[static_cast<std::size_t>(i) + 1]);
    }
    r.spacingMax = n > 1 ? fixture.width / (n - 1) : 0.0;
    if (options.spacing && !(r.spacingMax > r.spacingMin)) {
        throw FixtureError("the units are too wide to spread over the tank: side by side their "
                           "tubes lie at least " +
                           std::to_string(r.spacingMin) + " mm apart");
    }
    r.lampMin = thinnest;
    r.lampMax = deepest + widest;
    return r;
}

// --- One candidate ---

// The screening estimate of one candidate; candidates that cannot exist are marked so.
Candidate Estimate(const Fixture& fixture, double spacing, double lamp,
                   const FixtureSearch::Options& options) {
    Candidate c{spacing, lamp, false, 0.0, 0.0, true};
    const Fixture placed = FixtureSearch::Placed(fixture, options.spacing ? spacing : 0.0,
                                                 options.lampDistance ? lamp : 0.0);
    try {
        const FixtureScene scene(placed);
        EstimateOptions screening = EstimateOptions::Screening();
        screening.bins = options.finalEstimate.bins > 0 ? options.finalEstimate.bins : 50;
        screening.cancel = options.control.stop;
        const PhysicalEstimate e = LightEstimator(screening).estimate(scene.scene());
        c.exists = true;
        c.share = e.efficiency;
        c.uniformity = e.uniformity.minOverMean;
    } catch (const FixtureError&) {
        // Refused: it cannot exist.
    }
    return c;
}

// Candidates the final estimate may check against the floor, best first.
constexpr std::size_t kFinalTries = 4;

// Whether a is better than b: meeting the floor first, then the larger share; among those
// that miss it, the more uniform.
bool Better(const Candidate& a, const Candidate& b, double floor) {
    if (!b.exists) {
        return a.exists;
    }
    if (!a.exists) {
        return false;
    }
    const bool aMeets = a.uniformity >= floor;
    const bool bMeets = b.uniformity >= floor;
    if (aMeets != bMeets) {
        return aMeets;
    }
    return aMeets ? a.share > b.share : a.uniformity > b.uniformity;
}

// --- The grids ---

// Evenly spaced values from low to high (one value when they agree).
std::vector<double> Grid(double low, double high, int steps, bool searched, double fixed) {
    if (!searched) {
        return {fixed};
    }
    std::vector<double> values;
    for (int k = 0; k < steps; ++k) {
        values.push_back(steps == 1 ? low : low + (high - low) * k / (steps - 1));
    }
    return values;
}

} // namespace

// --- Placing the units ---

Fixture FixtureSearch::Placed(const Fixture& fixture, double spacing, double lampDistance) {
    Fixture placed = fixture;
    const double n = static_cast<double>(fixture.units.size());
    for (std::size_t i = 0; i < placed.units.size(); ++i) {
        if (spacing > 0.0) {
            placed.units[i].x = (static_cast<double>(i) - (n - 1.0) / 2.0) * spacing;
        }
        if (lampDistance > 0.0) {
            placed.units[i].lampDistance = lampDistance;
        }
    }
    return placed;
}

namespace {

// --- Screening, verifying and the whole search ---

// One grid of screening estimates on the worker pool, taken in the grid's order: the candidates
// that can exist join `all`, the best so far is updated. False when a stop left some out.
bool ScreenGrid(const Fixture& fixture, const FixtureSearch::Options& options,
                const std::vector<double>& spacings, const std::vector<double>& lamps,
                ProgressCounter& progress, Candidate& best, std::vector<Candidate>& all,
                FixtureSearch::Outcome& outcome, PoolReport& pool) {
    std::vector<Candidate> grid(spacings.size() * lamps.size());
    WorkerThreads::ForEach(
        static_cast<std::int64_t>(grid.size()), 1, std::max(1, options.threads),
        options.control.stop,
        [&](int, std::int64_t k) {
            const auto at = static_cast<std::size_t>(k);
            try {
                grid[at] = Estimate(fixture, spacings[at / lamps.size()], lamps[at % lamps.size()],
                                    options);
            } catch (const EstimateCancelled&) {
                return; // the stop: no further candidate is handed out
            }
            progress.step();
        },
        pool);
    bool complete = true;
    for (const Candidate& c : grid) {
        complete = complete && c.estimated;
        if (!c.estimated) {
            continue;
        }
        if (c.exists) {
            ++outcome.candidates;
            all.push_back(c);
        } else {
            ++outcome.refused;
        }
        if (Better(c, best, options.minUniformity)) {
            best = c;
        }
    }
    return complete;
}

// Both grids of screening estimates: every candidate that can exist, in the grids' order. A
// stop ends them and marks the outcome stopped.
std::vector<Candidate> Screen(const Fixture& fixture, const FixtureSearch::Options& options,
                              const Ranges& r, FixtureSearch::Outcome& outcome) {
    const int steps = std::max(options.steps, 3);
    const double spacing0 =
        fixture.units.size() > 1 ? fixture.units[1].x - fixture.units[0].x : 0.0;
    const double lamp0 = fixture.units[0].lampDistance;
    const int total = 2 * (options.spacing ? steps : 1) * (options.lampDistance ? steps : 1);
    ProgressCounter progress(options.control, 0, total);
    PoolReport pool{std::max(1, options.threads), {}};
    Candidate best;
    std::vector<Candidate> all;
    const auto runGrid = [&](double sLow, double sHigh, double lLow, double lHigh) {
        return ScreenGrid(fixture, options, Grid(sLow, sHigh, steps, options.spacing, spacing0),
                          Grid(lLow, lHigh, steps, options.lampDistance, lamp0), progress, best,
                          all, outcome, pool);
    };
    bool complete = runGrid(r.spacingMin, r.spacingMax, r.lampMin, r.lampMax);
    if (complete && best.exists) {
        // The finer grid spans the best's neighbours, kept within the ranges.
        const double spacingStep = (r.spacingMax - r.spacingMin) / (steps - 1);
        const double lampStep = (r.lampMax - r.lampMin) / (steps - 1);
        complete = runGrid(std::max(r.spacingMin, best.spacing - spacingStep),
                           std::min(r.spacingMax, best.spacing + spacingStep),
                           std::max(r.lampMin, best.lamp - lampStep),
                           std::min(r.lampMax, best.lamp + lampStep));
    }
    outcome.stopped = !complete;
    outcome.threads = pool.threads;
    outcome.threadRefusal = pool.refusal;
    return all;
}

void Take(const Fixture& fixture, const FixtureSearch::Options& options, const Candidate& c,
          FixtureSearch::Outcome& outcome) {
    outcome.spacing = c.spacing;
    outcome.lampDistance = c.lamp;
    outcome.screeningShare = c.share;
    outcome.screeningUniformity = c.uniformity;
    outcome.best = FixtureSearch::Placed(fixture, options.spacing ? c.spacing : 0.0,
                                         options.lampDistance ? c.lamp : 0.0);
}

// The screening's bins are rougher than the final estimate's, so a candidate near the floor
// may miss it there: the leading candidates (ranked) that met it are estimated in turn until
// one meets it at the final tolerance too; otherwise the first of them is kept.
void Verify(const Fixture& fixture, const FixtureSearch::Options& options,
            const std::vector<Candidate>& ranked, FixtureSearch::Outcome& outcome) {
    EstimateOptions last = options.finalEstimate;
    if (last.cancel == nullptr) {
        last.cancel = options.control.stop;
    }
    try {
        for (std::size_t k = 0; k < ranked.size() && k < kFinalTries; ++k) {
            if (k > 0 && !(ranked[k].uniformity >= options.minUniformity)) {
                break;
            }
            const Fixture placed =
                FixtureSearch::Placed(fixture, options.spacing ? ranked[k].spacing : 0.0,
                                      options.lampDistance ? ranked[k].lamp : 0.0);
            const PhysicalEstimate e = LightEstimator(last).estimate(FixtureScene(placed).scene());
            ++outcome.verified;
            const bool meets = e.uniformity.minOverMean >= options.minUniformity;
            if (k == 0 || meets) {
                Take(fixture, options, ranked[k], outcome);
                outcome.estimate = e;
                outcome.estimated = true;
                outcome.metFloor = meets;
            }
            if (meets) {
                break;
            }
        }
    } catch (const EstimateCancelled&) {
        outcome.stopped = true;
    }
}

} // namespace

FixtureSearch::Outcome FixtureSearch::Run(const Fixture& fixture, const Options& options) {
    const Ranges r = SearchRanges(fixture, options);
    Outcome outcome;
    outcome.spacingMin = r.spacingMin;
    outcome.spacingMax = r.spacingMax;
    outcome.lampMin = r.lampMin;
    outcome.lampMax = r.lampMax;
    std::vector<Candidate> ranked = Screen(fixture, options, r, outcome);
    if (ranked.empty()) {
        if (outcome.stopped) {
            return outcome;
        }
        throw FixtureError("no spacing or lamp distance searched gives a fixture that can exist");
    }
    std::stable_sort(ranked.begin(), ranked.end(), [&](const Candidate& a, const Candidate& b) {
        return Better(a, b, options.minUniformity);
    });
    Take(fixture, options, ranked.front(), outcome);
    outcome.screeningMetFloor = ranked.front().uniformity >= options.minUniformity;
    outcome.metFloor = outcome.screeningMetFloor;
    if (!outcome.stopped) {
        Verify(fixture, options, ranked, outcome);
    }
    return outcome;
}

} // namespace kavrol
