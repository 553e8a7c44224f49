// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: the grid's rules; a row of traced directions; spreading a direction's light over
// the floor; one tube at one grid; refining a tube's grid; the whole lamp and its figures.
#include "TankEstimator.h"

#include "EstimateCancelled.h"
#include "FloorGrid.h"
#include "TankTracer.h"
#include "TankWater.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace kavrol::physics {

namespace {

constexpr double kPi = std::numbers::pi;
// The rules compared: the full grid, and every other in-plane angle, elevation or offset.
constexpr int kVariants = 4;
enum Variant { Full, HalfAngles, HalfElevations, HalfOffsets };

// A trapezoid rule on an axis: the nodes, their weights, and the weights of the rule with
// every other node (zero on the nodes it leaves out).
struct Rule {
    std::vector<double> nodes;
    std::vector<double> weights;
    std::vector<double> halfWeights;
};

void Normalise(std::vector<double>& weights) {
    double sum = 0.0;
    for (double w : weights) {
        sum += w;
    }
    for (double& w : weights) {
        w /= sum;
    }
}

// Offsets p = R (3t - t^3) / 2 over t in (-1, 1) with weight (3/4)(1 - t^2), as
// LightEstimator takes them; the end nodes carry no weight and are left out.
Rule OffsetRule(int intervals) {
    Rule rule;
    for (int k = 1; k < intervals; ++k) {
        const double t = -1.0 + 2.0 * k / intervals;
        rule.nodes.push_back(t);
        rule.weights.push_back(1.0 - t * t);
        rule.halfWeights.push_back(k % 2 == 0 ? 1.0 - t * t : 0.0);
    }
    Normalise(rule.weights);
    Normalise(rule.halfWeights);
    return rule;
}

// Elevations psi over (-pi/2, pi/2) with the density (2/pi) cos^2 psi.
Rule ElevationRule(int intervals) {
    Rule rule;
    for (int j = 1; j < intervals; ++j) {
        const double psi = -kPi / 2.0 + kPi * j / intervals;
        const double c = std::cos(psi);
        rule.nodes.push_back(psi);
        rule.weights.push_back(c * c);
        rule.halfWeights.push_back(j % 2 == 0 ? c * c : 0.0);
    }
    Normalise(rule.weights);
    Normalise(rule.halfWeights);
    return rule;
}

struct Grid {
    int offsets = 4;
    int angles = 256;
    int elevations = 16;
    std::int64_t directions() const {
        return std::int64_t(offsets - 1) * angles * (elevations - 1);
    }
};

struct Accumulator {
    std::vector<double> cells;
    std::array<double, kTankFates> fates{};
    std::vector<double> depth;

    void reset(std::size_t cellCount, std::size_t depths) {
        cells.assign(cellCount, 0.0);
        depth.assign(depths, 0.0);
        fates.fill(0.0);
    }
    void add(const Accumulator& other, double weight) {
        for (std::size_t c = 0; c < cells.size(); ++c) {
            cells[c] += weight * other.cells[c];
        }
        for (std::size_t d = 0; d < depth.size(); ++d) {
            depth[d] += weight * other.depth[d];
        }
        for (std::size_t f = 0; f < fates.size(); ++f) {
            fates[f] += weight * other.fates[f];
        }
    }
};

// One tube's figures at one grid: the full rule, and each cell's and the floor share's
// error bound.
struct TubeLight {
    Accumulator full;
    std::vector<double> cellErrors;
    double shareError = 0.0;
    std::array<double, 3> cellErrorByAxis{}; // largest cell error from each halved axis
    std::array<double, 3> shareErrorByAxis{};
    std::int64_t rays = 0;
    Grid grid;
};

} // namespace

} // namespace kavrol::physics

// ---- A row of traced directions ----
namespace kavrol::physics {

namespace {

// Halvings of a grid step at most, where neighbouring directions took different paths: the
// change is then located within 1/64 of the step.
constexpr int kBisections = 6;
// Directions traced at most between two neighbours of the grid to locate their changes.
constexpr int kBisectionBudget = 40;

// The traced directions of one offset and one elevation in ascending a: every in-plane angle
// of the grid, and between neighbours whose paths differ the directions that locate the
// change; each with its entries' descent to the floor.
struct Row {
    struct Entry {
        WaterEntry water;
        double floorX = 0.0; // unfolded
        int firstPiece = 0;
        int pieces = 0;
    };
    struct Sample {
        double a = 0.0;
        bool onGrid = false;
        bool even = false; // on the grid at an even index
        std::uint64_t signature = 0;
        std::array<double, kTankFates> share{};
        int firstEntry = 0;
        int entries = 0;
    };
    std::vector<Sample> samples;
    std::vector<Entry> entries;
    std::vector<TankWater::Piece> pieces;
    // The samples of the full rule and of the rule with every other grid angle, in order,
    // with their weights.
    std::vector<int> full;
    std::vector<double> fullWeights;
    std::vector<int> half;
    std::vector<double> halfWeights;
};

struct Work {
    const TankScene& scene;
    const TankTracer& tracer;
    const TankWater& water;
    const FloorGrid& grid;
    const TankEstimator::Settings& settings;
    std::vector<double> depths;
    double probeX0 = 0.0;
    double probeX1 = 0.0;
    double probeZ0 = 0.0;
    double probeZ1 = 0.0;
    std::int64_t rowsDone = 0;
    std::int64_t rowsExpected = 1;
    std::int64_t rays = 0;
};

void CheckCancel(const Work& work) {
    if (work.settings.cancel != nullptr && work.settings.cancel->load(std::memory_order_relaxed)) {
        throw EstimateCancelled();
    }
}

// Traces a direction and appends it to the row.
void Append(Work& work, int tube, double p, double psi, double a, bool onGrid, bool even, Row& row,
            TankRay& ray, TankWater::Descent& descent) {
    work.tracer.trace(tube, a, p, psi, ray);
    ++work.rays;
    const double depth = work.scene.tank().waterDepth;
    Row::Sample& sample = row.samples.emplace_back();
    sample.a = a;
    sample.onGrid = onGrid;
    sample.even = even;
    sample.signature = ray.signature;
    sample.share = ray.share;
    sample.firstEntry = static_cast<int>(row.entries.size());
    sample.entries = static_cast<int>(ray.entries.size());
    for (const WaterEntry& entry : ray.entries) {
        work.water.descend(entry, depth, descent);
        sample.share[Floor] += descent.arrived;
        sample.share[FrontBackGlass] += descent.frontBackGlass;
        sample.share[EndGlass] += descent.endGlass;
        sample.share[WaterAbsorbed] += descent.absorbed;
        Row::Entry e;
        e.water = entry;
        e.floorX = descent.x;
        e.firstPiece = static_cast<int>(row.pieces.size());
        e.pieces = static_cast<int>(descent.pieces.size());
        row.pieces.insert(row.pieces.end(), descent.pieces.begin(), descent.pieces.end());
        row.entries.push_back(e);
    }
}

struct Bracket {
    Work& work;
    int tube;
    double p;
    double psi;
    Row& row;
    TankRay& ray;
    TankWater::Descent& descent;
    int budget = 0;

    // Appends, in ascending a, directions between aL and aR (signatures sL, sR) that locate
    // where the path changes.
    void between(double aL, std::uint64_t sL, double aR, std::uint64_t sR, int depth) {
        if (depth >= kBisections || budget <= 0) {
            return;
        }
        --budget;
        const double middle = 0.5 * (aL + aR);
        // The sample is traced before the left half's are appended, so it is moved after them.
        Row scratch;
        Append(work, tube, p, psi, middle, false, false, scratch, ray, descent);
        const std::uint64_t sM = scratch.samples.back().signature;
        if (sM != sL) {
            between(aL, sL, middle, sM, depth + 1);
        }
        Move(scratch, row);
        if (sM != sR) {
            between(middle, sM, aR, sR, depth + 1);
        }
    }

    static void Move(const Row& from, Row& to) {
        for (std::size_t k = 0; k < from.samples.size(); ++k) {
            MoveOne(from, k, to);
        }
    }
    static void MoveOne(const Row& from, std::size_t index, Row& to) {
        {
            const Row::Sample& s = from.samples[index];
            Row::Sample copy = s;
            copy.firstEntry = static_cast<int>(to.entries.size());
            for (int q = 0; q < s.entries; ++q) {
                Row::Entry e = from.entries[static_cast<std::size_t>(s.firstEntry + q)];
                const int firstPiece = e.firstPiece;
                e.firstPiece = static_cast<int>(to.pieces.size());
                to.pieces.insert(to.pieces.end(), from.pieces.begin() + firstPiece,
                                 from.pieces.begin() + firstPiece + e.pieces);
                to.entries.push_back(e);
            }
            to.samples.push_back(copy);
        }
    }
};

// Trapezoid weights over the whole turn for the samples listed, in ascending a.
void Weigh(const Row& row, const std::vector<int>& order, std::vector<double>& weights) {
    const std::size_t n = order.size();
    weights.assign(n, 0.0);
    for (std::size_t k = 0; k < n; ++k) {
        const double here = row.samples[static_cast<std::size_t>(order[k])].a;
        double before = row.samples[static_cast<std::size_t>(order[(k + n - 1) % n])].a;
        double after = row.samples[static_cast<std::size_t>(order[(k + 1) % n])].a;
        if (before >= here) {
            before -= 2.0 * kPi;
        }
        if (after <= here) {
            after += 2.0 * kPi;
        }
        weights[k] = 0.5 * (after - before) / (2.0 * kPi);
    }
}

void TraceRow(Work& work, int tube, double p, double psi, int angles, Row& row, TankRay& ray,
              TankWater::Descent& descent) {
    Row grid;
    for (int i = 0; i < angles; ++i) {
        Append(work, tube, p, psi, -kPi + 2.0 * kPi * i / angles, true, i % 2 == 0, grid, ray,
               descent);
    }
    row.samples.clear();
    row.entries.clear();
    row.pieces.clear();
    for (int i = 0; i < angles; ++i) {
        Bracket::MoveOne(grid, static_cast<std::size_t>(i), row);
        const Row::Sample& left = grid.samples[static_cast<std::size_t>(i)];
        const Row::Sample& right = grid.samples[static_cast<std::size_t>((i + 1) % angles)];
        if (left.signature != right.signature) {
            Bracket bracket{work, tube, p, psi, row, ray, descent, kBisectionBudget};
            bracket.between(left.a, left.signature, i + 1 == angles ? kPi : right.a,
                            right.signature, 0);
        }
    }
    row.full.clear();
    row.half.clear();
    for (std::size_t k = 0; k < row.samples.size(); ++k) {
        row.full.push_back(static_cast<int>(k));
        if (!row.samples[k].onGrid || row.samples[k].even) {
            row.half.push_back(static_cast<int>(k));
        }
    }
    Weigh(row, row.full, row.fullWeights);
    Weigh(row, row.half, row.halfWeights);
}

} // namespace

} // namespace kavrol::physics

// ---- Spreading a direction's light over the floor ----
namespace kavrol::physics {

namespace {

// The same path's entry in another direction, or null.
const Row::Entry* Match(const Row& row, int sample, std::uint64_t path) {
    const Row::Sample& s = row.samples[static_cast<std::size_t>(sample)];
    for (int q = 0; q < s.entries; ++q) {
        const Row::Entry& e = row.entries[static_cast<std::size_t>(s.firstEntry + q)];
        if (e.water.path == path) {
            return &e;
        }
    }
    return nullptr;
}

// Where an entry's rays reach `depth` (unfolded, across and along relative to the lit length's
// own shift) at elevation psi instead of its own: the in-plane path is the same, only tan psi
// and the refraction change.
struct Landing {
    double x = 0.0;
    double shift = 0.0;
};
Landing LandingAt(const WaterEntry& e, double psi, double depth, double n) {
    const double sign = e.sinPsi < 0.0 ? -1.0 : 1.0;
    const double across = std::cos(psi) * e.inPlaneDx / n;
    const double along = std::sin(psi) / n;
    const double down = std::sqrt(std::max(1.0 - across * across - along * along, 1e-300));
    return {e.x + depth * across / down,
            sign * (e.inPlaneLength * std::tan(psi) + depth * along / down)};
}

// A rule over one row: its samples in order and their weights, and the elevation's node and
// step it stands for.
struct RowRule {
    const std::vector<int>& order;
    const std::vector<double>& weights;
    double elevation = 0.0; // the node's psi
    double step = 0.0;
};

// The stretch of floor around an entry's landing its direction stands for: across, half way
// to its neighbours' landings; along and across, as far as the elevation's step moves it.
void Stretch(const Row& row, const RowRule& rule, std::size_t k, const Row::Entry& e, double depth,
             double n, double& x0, double& x1, double& halfShift) {
    const double x = e.water.x + depth * e.water.slopeX;
    x0 = x;
    x1 = x;
    const std::size_t count = rule.order.size();
    for (std::size_t other : {(k + count - 1) % count, (k + 1) % count}) {
        if (const Row::Entry* m = Match(row, rule.order[other], e.water.path)) {
            const double half = 0.5 * (x + m->water.x + depth * m->water.slopeX);
            x0 = std::min(x0, half);
            x1 = std::max(x1, half);
        }
    }
    const double lowPsi = std::max(rule.elevation - 0.5 * rule.step, -kPi / 2.0 + 1e-9);
    const double highPsi = std::min(rule.elevation + 0.5 * rule.step, kPi / 2.0 - 1e-9);
    const Landing low = LandingAt(e.water, lowPsi, depth, n);
    const Landing high = LandingAt(e.water, highPsi, depth, n);
    const double acrossPsi = 0.5 * std::abs(high.x - low.x);
    x0 -= acrossPsi;
    x1 += acrossPsi;
    halfShift = 0.5 * std::abs(high.shift - low.shift);
}

void Deposit(Work& work, const Row& row, const RowRule& rule, double weight, Accumulator& target,
             bool depthProfile, TankWater::Descent& descent) {
    const double floorDepth = work.scene.tank().waterDepth;
    const double n = work.scene.scene().materials.refractiveIndex;
    for (std::size_t k = 0; k < rule.order.size(); ++k) {
        const Row::Sample& s = row.samples[static_cast<std::size_t>(rule.order[k])];
        const double w = weight * rule.weights[k];
        for (std::size_t f = 0; f < kTankFates; ++f) {
            target.fates[f] += w * s.share[f];
        }
        for (int q = 0; q < s.entries; ++q) {
            const Row::Entry& e = row.entries[static_cast<std::size_t>(s.firstEntry + q)];
            double x0 = 0.0;
            double x1 = 0.0;
            double half = 0.0;
            Stretch(row, rule, k, e, floorDepth, n, x0, x1, half);
            for (int i = 0; i < e.pieces; ++i) {
                const TankWater::Piece& piece =
                    row.pieces[static_cast<std::size_t>(e.firstPiece + i)];
                work.grid.deposit(x0, x1, piece.z0, piece.z1, -half, half, w * piece.share,
                                  target.cells);
            }
            if (!depthProfile) {
                continue;
            }
            const double length = work.scene.tank().length;
            for (std::size_t d = 0; d < work.depths.size(); ++d) {
                const double depth = work.depths[d];
                Stretch(row, rule, k, e, depth, n, x0, x1, half);
                if (work.grid.within(x0, x1, 0.0, length, 0.0, 0.0, work.probeX0, work.probeX1, 0.0,
                                     length) == 0.0) {
                    continue;
                }
                work.water.descend(e.water, depth, descent);
                for (const TankWater::Piece& piece : descent.pieces) {
                    target.depth[d] +=
                        w * piece.share *
                        work.grid.within(x0, x1, piece.z0, piece.z1, -half, half, work.probeX0,
                                         work.probeX1, work.probeZ0, work.probeZ1);
                }
            }
        }
    }
}

} // namespace

} // namespace kavrol::physics

// ---- One tube at one grid ----
namespace kavrol::physics {

namespace {

void Report(Work& work) {
    ++work.rowsDone;
    if (work.settings.progress) {
        work.settings.progress(std::min(0.99, double(work.rowsDone) / double(work.rowsExpected)));
    }
}

TubeLight IntegrateTube(Work& work, int tube, const Grid& grid) {
    const double radius = work.scene.scene().tubes[static_cast<std::size_t>(tube)].radius;
    const Rule offsets = OffsetRule(grid.offsets);
    const Rule elevations = ElevationRule(grid.elevations);
    const double step = kPi / grid.elevations;
    const std::size_t cellCount = static_cast<std::size_t>(work.grid.cells());
    const std::size_t depthCount = work.depths.size();
    std::array<Accumulator, kVariants> rules;
    for (Accumulator& r : rules) {
        r.reset(cellCount, depthCount);
    }
    Accumulator own; // one offset's light by the full rule over angles and elevations
    Row row;
    TankRay ray;
    TankWater::Descent descent;
    TubeLight light;
    light.grid = grid;
    for (std::size_t k = 0; k < offsets.nodes.size(); ++k) {
        const double t = offsets.nodes[k];
        const double p = radius * (3.0 * t - t * t * t) / 2.0;
        own.reset(cellCount, depthCount);
        for (std::size_t j = 0; j < elevations.nodes.size(); ++j) {
            CheckCancel(work);
            const double psi = elevations.nodes[j];
            TraceRow(work, tube, p, psi, grid.angles, row, ray, descent);
            const RowRule fine{row.full, row.fullWeights, psi, step};
            const RowRule halfAngles{row.half, row.halfWeights, psi, step};
            const RowRule halfElevations{row.full, row.fullWeights, psi, 2.0 * step};
            Deposit(work, row, fine, elevations.weights[j], own, true, descent);
            Deposit(work, row, halfAngles, offsets.weights[k] * elevations.weights[j],
                    rules[HalfAngles], false, descent);
            if (elevations.halfWeights[j] > 0.0) {
                Deposit(work, row, halfElevations, offsets.weights[k] * elevations.halfWeights[j],
                        rules[HalfElevations], false, descent);
            }
            Report(work);
        }
        rules[Full].add(own, offsets.weights[k]);
        rules[HalfOffsets].add(own, offsets.halfWeights[k]);
    }
    // The depth profile is the full rule's only.
    for (int v = 1; v < kVariants; ++v) {
        rules[static_cast<std::size_t>(v)].depth = rules[Full].depth;
    }
    light.full = rules[Full];
    light.cellErrors.assign(cellCount, 0.0);
    for (int v = 1; v < kVariants; ++v) {
        const Accumulator& half = rules[static_cast<std::size_t>(v)];
        double largest = 0.0;
        for (std::size_t c = 0; c < cellCount; ++c) {
            const double difference = std::abs(light.full.cells[c] - half.cells[c]);
            light.cellErrors[c] += difference;
            largest = std::max(largest, difference);
        }
        const double shareDifference = std::abs(light.full.fates[Floor] - half.fates[Floor]);
        light.cellErrorByAxis[static_cast<std::size_t>(v - 1)] = largest;
        light.shareErrorByAxis[static_cast<std::size_t>(v - 1)] = shareDifference;
        light.shareError += shareDifference;
    }
    return light;
}

} // namespace

} // namespace kavrol::physics

// ---- Refining a tube's grid ----
namespace kavrol::physics {

namespace {

// The tube's light at the first grid meeting both bounds; each axis whose halved rule differs
// by more than a third of a bound is doubled.
TubeLight RefineTube(Work& work, int tube) {
    Grid grid{work.settings.startOffsets, work.settings.startAngles, work.settings.startElevations};
    work.rays = 0;
    const double tolerance = work.settings.tolerance;
    while (true) {
        work.rowsExpected = work.rowsDone + std::int64_t(grid.offsets - 1) * (grid.elevations - 1);
        TubeLight light = IntegrateTube(work, tube, grid);
        double meanCell = 0.0;
        for (double c : light.full.cells) {
            meanCell += c;
        }
        meanCell /= static_cast<double>(light.full.cells.size());
        const double cellTarget = TankEstimator::kCellFactor * tolerance * meanCell;
        const double worstCell =
            *std::max_element(light.cellErrors.begin(), light.cellErrors.end());
        const bool met = light.shareError <= tolerance && worstCell <= cellTarget;
        std::array<double, 3> need{};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            need[axis] =
                std::max(light.shareErrorByAxis[axis] / tolerance,
                         cellTarget > 0.0 ? light.cellErrorByAxis[axis] / cellTarget : 0.0);
        }
        Grid next = grid;
        const double largest = *std::max_element(need.begin(), need.end());
        for (std::size_t axis = 0; axis < 3; ++axis) {
            if (need[axis] > 1.0 / 3.0 || need[axis] == largest) {
                (axis == 0 ? next.angles : axis == 1 ? next.elevations : next.offsets) *= 2;
            }
        }
        if (met || next.directions() > work.settings.maxDirections) {
            light.rays = work.rays;
            return light;
        }
        grid = next;
    }
}

} // namespace

TankEstimator::TankEstimator(Settings settings) : settings_(std::move(settings)) {}

int TankEstimator::CellsAlong(double width, double length, int cellsX) {
    const double along = std::round(cellsX * length / width);
    return static_cast<int>(std::clamp(along, 1.0, 400.0));
}

} // namespace kavrol::physics

// ---- The whole lamp and its figures ----
namespace kavrol::physics {

TankEstimate TankEstimator::estimate(const TankScene& scene) const {
    const Tank& tank = scene.tank();
    const double width = scene.width();
    const int cellsX = std::clamp(settings_.cellsX, 1, 200);
    const int cellsZ = settings_.cellsZ > 0 ? std::clamp(settings_.cellsZ, 1, 400)
                                            : CellsAlong(width, tank.length, cellsX);
    const FloorGrid floor(width, tank.length, cellsX, cellsZ);
    const TankTracer tracer(scene);
    const TankWater water(width, tank.length, scene.scene().materials.refractiveIndex,
                          tank.attenuationPerM);
    Work work{scene, tracer, water, floor, settings_, {}, 0.0, 0.0, 0.0, 0.0, 0, 1};
    const int depths = std::max(settings_.depths, 2);
    for (int d = 0; d < depths; ++d) {
        work.depths.push_back(tank.waterDepth * d / (depths - 1));
    }
    // The depth profile's probe: one floor cell's area under the tank's centre.
    work.probeX0 = -0.5 * floor.cellWidth();
    work.probeX1 = 0.5 * floor.cellWidth();
    work.probeZ0 = 0.5 * tank.length - 0.5 * floor.cellLength();
    work.probeZ1 = 0.5 * tank.length + 0.5 * floor.cellLength();

    const auto& tubes = scene.scene().tubes;
    double flux = 0.0;
    for (const Tube& t : tubes) {
        flux += t.power;
    }
    TankEstimate result;
    result.photonFlux = flux;
    result.cellsX = cellsX;
    result.cellsZ = cellsZ;
    const std::size_t cellCount = static_cast<std::size_t>(floor.cells());
    std::vector<double> shares(cellCount, 0.0);
    std::vector<double> errors(cellCount, 0.0);
    std::vector<double> depthShares(work.depths.size(), 0.0);
    std::array<double, kTankFates> fates{};
    for (std::size_t i = 0; i < tubes.size(); ++i) {
        const double weight = tubes[i].power / flux;
        const TubeLight light = RefineTube(work, static_cast<int>(i));
        for (std::size_t c = 0; c < cellCount; ++c) {
            shares[c] += weight * light.full.cells[c];
            errors[c] += weight * light.cellErrors[c];
        }
        for (std::size_t d = 0; d < depthShares.size(); ++d) {
            depthShares[d] += weight * light.full.depth[d];
        }
        for (std::size_t f = 0; f < kTankFates; ++f) {
            fates[f] += weight * light.full.fates[f];
        }
        result.error += weight * light.shareError;
        result.raysTraced += light.rays;
        if (light.grid.directions() >=
            std::int64_t(result.offsets - 1) * result.angles * (result.elevations - 1)) {
            result.offsets = light.grid.offsets;
            result.angles = light.grid.angles;
            result.elevations = light.grid.elevations;
        }
    }
    // Without attenuation the water's share is what rounding leaves of the telescoping sum.
    if (tank.attenuationPerM == 0.0 && std::abs(fates[WaterAbsorbed]) < 1e-12) {
        fates[Floor] += fates[WaterAbsorbed];
        fates[WaterAbsorbed] = 0.0;
    }
    result.floorShare = fates[Floor];
    result.losses = {fates[ReflectorAbsorbed], fates[ReturnedToTube], fates[BesideTank],
                     fates[FrontBackGlass],    fates[EndGlass],       fates[WaterAbsorbed]};
    result.enteredWater =
        fates[Floor] + fates[FrontBackGlass] + fates[EndGlass] + fates[WaterAbsorbed];

    // Share per cell to PPFD: photons per second over the cell's area in square metres.
    const double cellArea = floor.cellWidth() * floor.cellLength();
    const double toPpfd = flux / cellArea * 1e6;
    for (int i = 0; i <= cellsX; ++i) {
        result.edgesXmm.push_back(i == cellsX ? width / 2.0 : -width / 2.0 + i * floor.cellWidth());
    }
    for (int j = 0; j <= cellsZ; ++j) {
        result.edgesZmm.push_back(j == cellsZ ? tank.length : j * floor.cellLength());
    }
    result.cells.resize(cellCount);
    result.cellErrors.resize(cellCount);
    for (std::size_t c = 0; c < cellCount; ++c) {
        result.cells[c] = shares[c] * toPpfd;
        result.cellErrors[c] = errors[c] * toPpfd;
    }
    double sum = 0.0;
    for (double v : result.cells) {
        sum += v;
    }
    result.mean = sum / static_cast<double>(cellCount);
    result.min = *std::min_element(result.cells.begin(), result.cells.end());
    result.max = *std::max_element(result.cells.begin(), result.cells.end());
    result.minOverMean = result.mean > 0.0 ? result.min / result.mean : 0.0;
    for (double level : settings_.levels) {
        const auto count = std::count_if(result.cells.begin(), result.cells.end(),
                                         [level](double v) { return v >= level; });
        result.atLeast.emplace_back(level,
                                    static_cast<double>(count) / static_cast<double>(cellCount));
    }
    for (std::size_t d = 0; d < work.depths.size(); ++d) {
        result.depthProfile.emplace_back(work.depths[d], depthShares[d] * toPpfd);
    }
    if (settings_.progress) {
        settings_.progress(1.0);
    }
    return result;
}

} // namespace kavrol::physics
