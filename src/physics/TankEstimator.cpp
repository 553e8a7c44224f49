// SPDX-License-Identifier: GPL-3.0-or-later
// Sections (each under a banner "// ---- name ----"): the grid's rules; a row of traced
// directions; spreading a direction's light over the floor; one tube at one grid; refining the
// tubes' grids; the whole lamp and its figures.
#include "TankEstimator.h"

#include "EstimateCancelled.h"
#include "FloorGrid.h"
#include "TankTracer.h"
#include "TankWater.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

// ---- The grid's rules ----
namespace kavrol::physics {

namespace {

constexpr double kPi = std::numbers::pi;
// The rules compared: the full grid, and every other in-plane angle, elevation or offset.
constexpr int kVariants = 4;
enum Variant { Full, HalfAngles, HalfElevations, HalfOffsets };

// A trapezoid rule on an axis: the nodes, their weights, and the weights of the rule with
// every other node (zero on the nodes it leaves out); with the stretch of the axis each node
// stands for in either rule (`low` to `high`, `halfLow` to `halfHigh`).
struct Rule {
    std::vector<double> nodes;
    std::vector<double> weights;
    std::vector<double> halfWeights;
    std::vector<double> low;
    std::vector<double> high;
    std::vector<double> halfLow;
    std::vector<double> halfHigh;
};

void Normalise(std::vector<double>& weights, double total = 1.0) {
    double sum = 0.0;
    for (double w : weights) {
        sum += w;
    }
    for (double& w : weights) {
        w *= total / sum;
    }
}

// Offsets p = R (3t - t^3) / 2 over t in (-1, 1) with weight (3/4)(1 - t^2), as
// LightEstimator takes them; the end nodes carry no weight and are left out, so the nodes
// beside them stand for the stretch up to the tube's edge. Nodes and stretches in p.
Rule OffsetRule(int intervals, double radius) {
    Rule rule;
    const auto offset = [radius](double t) {
        const double u = std::clamp(t, -1.0, 1.0);
        return radius * (3.0 * u - u * u * u) / 2.0;
    };
    const double h = 2.0 / intervals;
    for (int k = 1; k < intervals; ++k) {
        const double t = -1.0 + k * h;
        const bool first = k == 1;
        const bool last = k + 1 == intervals;
        rule.nodes.push_back(offset(t));
        rule.weights.push_back(1.0 - t * t);
        rule.low.push_back(first ? -radius : offset(t - 0.5 * h));
        rule.high.push_back(last ? radius : offset(t + 0.5 * h));
        const bool even = k % 2 == 0;
        rule.halfWeights.push_back(even ? 1.0 - t * t : 0.0);
        rule.halfLow.push_back(k == 2 ? -radius : offset(t - h));
        rule.halfHigh.push_back(k + 2 == intervals ? radius : offset(t + h));
    }
    Normalise(rule.weights);
    Normalise(rule.halfWeights);
    return rule;
}

// The elevation at which light in water (index n) meets an end glass at the critical angle:
// the glass's loss sets in there with the square root of the distance from it, the same for
// every in-plane direction. Zero when there is no such angle.
double CriticalElevation(double n) {
    if (!(n > 1.0) || n * n - 1.0 >= 1.0) {
        return 0.0;
    }
    return std::asin(std::sqrt(n * n - 1.0));
}

// The share of (2/pi) cos^2 psi below psi.
double ElevationMass(double psi) {
    return (psi + 0.5 * std::sin(2.0 * psi)) / kPi + 0.5;
}

// A piece of the elevations: from one end to the other, uniform or graded (psi = from +
// (to - from) s^2 for uniform s), in `steps` intervals.
struct ElevationPiece {
    double from;
    double to;
    bool graded;
    int steps;
};

// The trapezoid rule of one piece and its half rule, each with the piece's exact share.
Rule PieceRule(const ElevationPiece& piece) {
    const auto at = [&piece](double s) {
        const double u = std::clamp(s, 0.0, 1.0);
        return piece.from + (piece.to - piece.from) * (piece.graded ? u * u : u);
    };
    const auto rate = [&piece](double s) {
        return std::abs(piece.to - piece.from) * (piece.graded ? 2.0 * s : 1.0);
    };
    const int m = piece.steps;
    const double h = 1.0 / m;
    Rule part;
    for (int i = 0; i <= m; ++i) {
        const double s = i * h;
        const double psi = at(s);
        const double cosine = std::cos(psi);
        const double end = i == 0 || i == m ? 0.5 : 1.0;
        const double density = cosine * cosine * rate(s);
        if (!(density > 0.0) || std::abs(psi) >= kPi / 2.0 - 1e-12) {
            continue;
        }
        part.nodes.push_back(psi);
        part.weights.push_back(end * density);
        const bool even = i % 2 == 0;
        part.halfWeights.push_back(even ? end * density : 0.0);
        const auto sorted = [](double u, double v) {
            return std::pair{std::min(u, v), std::max(u, v)};
        };
        const auto [low, high] = sorted(at(s - 0.5 * h), at(s + 0.5 * h));
        const auto [halfLow, halfHigh] = sorted(at(s - h), at(s + h));
        part.low.push_back(low);
        part.high.push_back(high);
        part.halfLow.push_back(halfLow);
        part.halfHigh.push_back(halfHigh);
    }
    const double share = std::abs(ElevationMass(piece.to) - ElevationMass(piece.from));
    Normalise(part.weights, share);
    Normalise(part.halfWeights, share);
    return part;
}

// Elevations psi over (-pi/2, pi/2) with the density (2/pi) cos^2 psi. Where an end glass's
// critical elevation +-c exists the range is cut into three pieces: within +-c uniform steps,
// beyond it steps growing as psi = c + (pi/2 - c) s^2 for uniform s, which takes the square
// root's edge smoothly. Each piece's trapezoid rule has its exact share; its half rule takes
// every other node. `intervals` is split half to the middle piece, a quarter to each outer
// one, each even (rounded up). Nodes and stretches in psi; nodes without weight are left out.
Rule ElevationRule(int intervals, double refractiveIndex) {
    const double c = CriticalElevation(refractiveIndex);
    std::vector<ElevationPiece> pieces;
    if (c > 0.0) {
        const int quarter = std::max(2, (intervals + 7) / 8 * 2);
        pieces = {{-c, -kPi / 2.0, true, quarter},
                  {-c, c, false, 2 * quarter},
                  {c, kPi / 2.0, true, quarter}};
    } else {
        pieces = {{-kPi / 2.0, kPi / 2.0, false, std::max(2, (intervals + 1) / 2 * 2)}};
    }
    Rule rule;
    for (const ElevationPiece& piece : pieces) {
        const Rule part = PieceRule(piece);
        for (std::size_t k = 0; k < part.nodes.size(); ++k) {
            rule.nodes.push_back(part.nodes[k]);
            rule.weights.push_back(part.weights[k]);
            rule.halfWeights.push_back(part.halfWeights[k]);
            rule.low.push_back(part.low[k]);
            rule.high.push_back(part.high[k]);
            rule.halfLow.push_back(part.halfLow[k]);
            rule.halfHigh.push_back(part.halfHigh[k]);
        }
    }
    // The pieces' shares add up to 1 to rounding; the sum is made exact.
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
    // For each axis (angles, elevations, offsets): the full rule's difference from the rule
    // with every other node on it, of each cell and of the floor share, and the largest cell's.
    std::array<std::vector<double>, 3> cellDifferences;
    std::array<double, 3> shareDifferences{};
    std::array<double, 3> largestCellDifferences{};
    // The bounds made of them.
    std::vector<double> cellErrors;
    double shareError = 0.0;
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
        int gridLeft = 0;  // the grid angle at or before it
        std::uint64_t signature = 0;
        std::array<double, kTankFates> share{};
        int firstEntry = 0;
        int entries = 0;
    };
    std::vector<Sample> samples;
    std::vector<Entry> entries;
    std::vector<TankWater::Piece> pieces;
    std::vector<int> grid; // the sample of each grid angle
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
    row.grid.clear();
    for (std::size_t k = 0; k < row.samples.size(); ++k) {
        if (row.samples[k].onGrid) {
            row.grid.push_back(static_cast<int>(k));
        }
        row.samples[k].gridLeft = static_cast<int>(row.grid.size()) - 1;
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

// Where an entry's rays reach `depth` at elevation psi instead of its own: the in-plane path
// is the same, only tan psi and the refraction change. Across, unfolded; along, how far the
// rays have moved from where they were emitted, whichever way they go (both depend on |psi|).
struct Landing {
    double x = 0.0;
    double along = 0.0;
};
// An elevation's magnitude with its cosine, sine and tangent, taken once for a whole row.
struct Elevation {
    double cos = 1.0;
    double sin = 0.0;
    double tan = 0.0;
    explicit Elevation(double psi) {
        const double magnitude = std::min(std::abs(psi), kPi / 2.0 - 1e-9);
        cos = std::cos(magnitude);
        sin = std::sin(magnitude);
        tan = std::tan(magnitude);
    }
};
Landing LandingAt(const WaterEntry& e, const Elevation& psi, double depth, double n) {
    const double across = psi.cos * e.inPlaneDx / n;
    const double along = psi.sin / n;
    const double down = std::sqrt(std::max(1.0 - across * across - along * along, 1e-300));
    return {e.x + depth * across / down, e.inPlaneLength * psi.tan + depth * along / down};
}

// A rule over one row: its samples in order and their weights, and the elevations the row
// stands for.
struct RowRule {
    RowRule(const std::vector<int>& samples, const std::vector<double>& sampleWeights, double own,
            double low, double high)
        : order(samples), weights(sampleWeights), psi(own), lowPsi(low), highPsi(high),
          ownElevation(own), lowElevation(low), highElevation(high) {}
    const std::vector<int>& order;
    const std::vector<double>& weights;
    double psi = 0.0; // the row's own
    double lowPsi = 0.0;
    double highPsi = 0.0;
    Elevation ownElevation;
    Elevation lowElevation;
    Elevation highElevation;
};

// The neighbouring offsets' rows of one elevation, for the stretch of offsets a row stands
// for (`low` to `high` around `p`). Null where there is no neighbour.
struct OffsetSpread {
    const Row* below = nullptr;
    const Row* above = nullptr;
    double pBelow = 0.0;
    double p = 0.0;
    double pAbove = 0.0;
    double low = 0.0;
    double high = 0.0;
};

double LandingX(const Row::Entry& e, double depth) {
    return e.water.x + depth * e.water.slopeX;
}

// How far across the entry's landing moves per millimetre of offset: from the same path's
// landings at the neighbouring offsets and the same grid angle (a sample between grid angles
// takes the grid angle's before it, failing that the one after); zero where no neighbour
// took the path.
double AcrossPerOffset(const Row& row, const Row::Sample& sample, const Row::Entry& e,
                       const OffsetSpread& spread, double depth) {
    const int angles = static_cast<int>(row.grid.size());
    const std::array<int, 2> candidates{sample.gridLeft, (sample.gridLeft + 1) % angles};
    const std::uint64_t path = e.water.path;
    for (int k = 0; k < (sample.onGrid ? 1 : 2); ++k) {
        const std::size_t g = static_cast<std::size_t>(candidates[static_cast<std::size_t>(k)]);
        const Row::Entry* below =
            spread.below != nullptr ? Match(*spread.below, spread.below->grid[g], path) : nullptr;
        const Row::Entry* above =
            spread.above != nullptr ? Match(*spread.above, spread.above->grid[g], path) : nullptr;
        if (below != nullptr && above != nullptr) {
            return (LandingX(*above, depth) - LandingX(*below, depth)) /
                   (spread.pAbove - spread.pBelow);
        }
        const Row::Entry* own = sample.onGrid ? &e : Match(row, row.grid[g], path);
        if (own != nullptr && above != nullptr) {
            return (LandingX(*above, depth) - LandingX(*own, depth)) / (spread.pAbove - spread.p);
        }
        if (own != nullptr && below != nullptr) {
            return (LandingX(*own, depth) - LandingX(*below, depth)) / (spread.p - spread.pBelow);
        }
    }
    return 0.0;
}

// The stretch of floor around an entry's landing its direction stands for: across, half way
// to its neighbours' landings, moved evenly as far as the offsets it stands for move it;
// along and across, as far as the elevations it stands for move it.
struct Footprint {
    FloorGrid::Spread x;
    double shift0 = 0.0; // along z, relative to the entry's pieces
    double shift1 = 0.0;
};
Footprint Stretch(const Row& row, const RowRule& rule, std::size_t k, const Row::Entry& e,
                  const OffsetSpread& offsets, double depth, double n) {
    const double x = LandingX(e, depth);
    double x0 = x;
    double x1 = x;
    const std::size_t count = rule.order.size();
    for (std::size_t other : {(k + count - 1) % count, (k + 1) % count}) {
        if (const Row::Entry* m = Match(row, rule.order[other], e.water.path)) {
            const double half = 0.5 * (x + LandingX(*m, depth));
            x0 = std::min(x0, half);
            x1 = std::max(x1, half);
        }
    }
    // Relative to the row's own elevation, where the entry's pieces lie. The row at psi = 0
    // does not move along z; the elevations it stands for move either way.
    const Landing own = LandingAt(e.water, rule.ownElevation, depth, n);
    const Landing low = LandingAt(e.water, rule.lowElevation, depth, n);
    const Landing high = LandingAt(e.water, rule.highElevation, depth, n);
    double along0 = 0.0;
    double along1 = 0.0;
    if (e.water.sinPsi == 0.0) {
        along0 = rule.lowPsi < 0.0 ? -low.along : low.along;
        along1 = rule.highPsi < 0.0 ? -high.along : high.along;
    } else {
        const double direction = e.water.sinPsi < 0.0 ? -1.0 : 1.0;
        along0 = direction * (low.along - own.along);
        along1 = direction * (high.along - own.along);
    }
    const double across0 = std::min({0.0, low.x - own.x, high.x - own.x});
    const double across1 = std::max({0.0, low.x - own.x, high.x - own.x});
    const Row::Sample& sample = row.samples[static_cast<std::size_t>(rule.order[k])];
    const double rate = AcrossPerOffset(row, sample, e, offsets, depth);
    const double s0 = rate * (offsets.low - offsets.p);
    const double s1 = rate * (offsets.high - offsets.p);
    return {{x0 + across0, x1 + across1, std::min(s0, s1), std::max(s0, s1)},
            std::min(along0, along1),
            std::max(along0, along1)};
}

// Adds an entry's light to the depth profile: at each depth, the part of its stretch that
// falls in the probe, one floor cell's area under the tank's centre.
void AddToDepthProfile(Work& work, const Row& row, const RowRule& rule, std::size_t k,
                       const Row::Entry& e, const OffsetSpread& offsets, const Footprint& floor,
                       double w, Accumulator& target, TankWater::Descent& descent) {
    const double n = work.scene.scene().materials.refractiveIndex;
    // The stretch's edges move linearly with depth, or as the least (most) of such moves: an
    // entry reaching the probe's column at no depth between the surface and the floor reaches
    // it at neither end either.
    const Footprint top = Stretch(row, rule, k, e, offsets, 0.0, n);
    const double reach0 = std::min(top.x.low(), floor.x.low());
    const double reach1 = std::max(top.x.high(), floor.x.high());
    if (work.grid.acrossWithin({reach0, reach1, 0.0, 0.0}, work.probeX0, work.probeX1) == 0.0) {
        return;
    }
    const double floorDepth = work.scene.tank().waterDepth;
    for (std::size_t d = 0; d < work.depths.size(); ++d) {
        const double depth = work.depths[d];
        // At any depth the stretch lies between the lines joining its edges at the surface and
        // at the floor (the least of linear moves is concave, the most convex).
        const double t = depth / floorDepth;
        const double low = top.x.low() + t * (floor.x.low() - top.x.low());
        const double high = top.x.high() + t * (floor.x.high() - top.x.high());
        const double margin = 1e-9 * (1.0 + std::abs(low) + std::abs(high));
        if (work.grid.acrossWithin({low - margin, high + margin, 0.0, 0.0}, work.probeX0,
                                   work.probeX1) == 0.0) {
            continue;
        }
        const Footprint at = Stretch(row, rule, k, e, offsets, depth, n);
        const double across = work.grid.acrossWithin(at.x, work.probeX0, work.probeX1);
        if (across == 0.0) {
            continue;
        }
        // Only the pieces that can reach the probe's rows are followed down.
        work.water.descend(e.water, depth, {work.probeZ0, work.probeZ1, at.shift0, at.shift1},
                           descent);
        for (const TankWater::Piece& piece : descent.pieces) {
            target.depth[d] +=
                w * piece.share *
                (across * work.grid.alongWithin({piece.z0, piece.z1, at.shift0, at.shift1},
                                                work.probeZ0, work.probeZ1));
        }
    }
}

void Deposit(Work& work, const Row& row, const RowRule& rule, const OffsetSpread& offsets,
             double weight, Accumulator& target, bool depthProfile, TankWater::Descent& descent) {
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
            const Footprint floor = Stretch(row, rule, k, e, offsets, floorDepth, n);
            for (int i = 0; i < e.pieces; ++i) {
                const TankWater::Piece& piece =
                    row.pieces[static_cast<std::size_t>(e.firstPiece + i)];
                work.grid.deposit(floor.x, {piece.z0, piece.z1, floor.shift0, floor.shift1},
                                  w * piece.share, target.cells);
            }
            if (depthProfile) {
                AddToDepthProfile(work, row, rule, k, e, offsets, floor, w, target, descent);
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

// Each cell's largest value among itself and its (up to eight) neighbours.
std::vector<double> LargestAround(const std::vector<double>& cells, int cellsX, int cellsZ) {
    std::vector<double> out(cells.size(), 0.0);
    for (int j = 0; j < cellsZ; ++j) {
        for (int i = 0; i < cellsX; ++i) {
            double largest = 0.0;
            for (int v = std::max(j - 1, 0); v <= std::min(j + 1, cellsZ - 1); ++v) {
                for (int u = std::max(i - 1, 0); u <= std::min(i + 1, cellsX - 1); ++u) {
                    largest = std::max(largest, cells[static_cast<std::size_t>(v * cellsX + u)]);
                }
            }
            out[static_cast<std::size_t>(j * cellsX + i)] = largest;
        }
    }
    return out;
}

// The full rule's difference from each halved one, per axis: of the floor share, and of each
// cell. A cell's difference can pass through zero where its error does not: the errors of
// neighbouring cells come from the same directions, so each cell takes the largest difference
// around it.
void SetDifferences(const std::array<Accumulator, kVariants>& rules, const FloorGrid& grid,
                    TubeLight& light) {
    const std::size_t cellCount = light.full.cells.size();
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const Accumulator& half = rules[axis + 1];
        std::vector<double>& differences = light.cellDifferences[axis];
        differences.resize(cellCount);
        for (std::size_t c = 0; c < cellCount; ++c) {
            differences[c] = std::abs(light.full.cells[c] - half.cells[c]);
        }
        differences = LargestAround(differences, grid.cellsX(), grid.cellsZ());
        const double largest = *std::max_element(differences.begin(), differences.end());
        light.largestCellDifferences[axis] = largest;
        light.shareDifferences[axis] = std::abs(light.full.fates[Floor] - half.fates[Floor]);
    }
}

// The rows of the offsets around the one being spread, kept as they are traced.
struct RowWindow {
    static constexpr std::size_t kRows = 5;
    const Rule& offsets;
    std::array<Row, kRows> rows;

    Row& at(std::size_t k) { return rows[k % kRows]; }
    // The row `step` offsets from k, or null beyond the offsets.
    const Row* near(std::size_t k, std::ptrdiff_t step) const {
        const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(k) + step;
        if (at < 0 || at >= static_cast<std::ptrdiff_t>(offsets.nodes.size())) {
            return nullptr;
        }
        return &rows[static_cast<std::size_t>(at) % kRows];
    }
    // Row k's neighbours `step` away and the stretch of offsets it stands for in the full rule
    // or the rule with every other offset.
    OffsetSpread spread(std::size_t k, std::ptrdiff_t step, bool half) const {
        OffsetSpread spread;
        spread.below = near(k, -step);
        spread.above = near(k, step);
        spread.p = offsets.nodes[k];
        if (spread.below != nullptr) {
            spread.pBelow = offsets.nodes[k - static_cast<std::size_t>(step)];
        }
        if (spread.above != nullptr) {
            spread.pAbove = offsets.nodes[k + static_cast<std::size_t>(step)];
        }
        spread.low = half ? offsets.halfLow[k] : offsets.low[k];
        spread.high = half ? offsets.halfHigh[k] : offsets.high[k];
        return spread;
    }
};

// The offsets' rows of one elevation are traced in order and kept five at a time: a row's
// light is spread with its neighbours' (two away for the rule with every other offset).
TubeLight IntegrateTube(Work& work, int tube, const Grid& grid) {
    const double radius = work.scene.scene().tubes[static_cast<std::size_t>(tube)].radius;
    const Rule offsets = OffsetRule(grid.offsets, radius);
    const Rule elevations =
        ElevationRule(grid.elevations, work.scene.scene().materials.refractiveIndex);
    const std::size_t cellCount = static_cast<std::size_t>(work.grid.cells());
    const std::size_t depthCount = work.depths.size();
    std::array<Accumulator, kVariants> rules;
    for (Accumulator& r : rules) {
        r.reset(cellCount, depthCount);
    }
    RowWindow window{offsets, {}};
    TankRay ray;
    TankWater::Descent descent;
    TubeLight light;
    light.grid = grid;
    const std::size_t count = offsets.nodes.size();
    const auto spreadAt = [&window](std::size_t k, std::ptrdiff_t step, bool half) {
        return window.spread(k, step, half);
    };
    for (std::size_t j = 0; j < elevations.nodes.size(); ++j) {
        const double psi = elevations.nodes[j];
        for (std::size_t step = 0; step < count + 2; ++step) {
            CheckCancel(work);
            if (step < count) {
                TraceRow(work, tube, offsets.nodes[step], psi, grid.angles, window.at(step), ray,
                         descent);
                Report(work);
            }
            if (step < 2) {
                continue;
            }
            const std::size_t k = step - 2;
            const Row& row = window.at(k);
            const double weight = offsets.weights[k] * elevations.weights[j];
            const OffsetSpread near = spreadAt(k, 1, false);
            const RowRule fine{row.full, row.fullWeights, psi, elevations.low[j],
                               elevations.high[j]};
            const RowRule halfAngles{row.half, row.halfWeights, psi, elevations.low[j],
                                     elevations.high[j]};
            Deposit(work, row, fine, near, weight, rules[Full], true, descent);
            Deposit(work, row, halfAngles, near, weight, rules[HalfAngles], false, descent);
            if (elevations.halfWeights[j] > 0.0) {
                const RowRule halfElevations{row.full, row.fullWeights, psi, elevations.halfLow[j],
                                             elevations.halfHigh[j]};
                Deposit(work, row, halfElevations, near,
                        offsets.weights[k] * elevations.halfWeights[j], rules[HalfElevations],
                        false, descent);
            }
            if (offsets.halfWeights[k] > 0.0) {
                Deposit(work, row, fine, spreadAt(k, 2, true),
                        offsets.halfWeights[k] * elevations.weights[j], rules[HalfOffsets], false,
                        descent);
            }
        }
    }
    light.full = rules[Full];
    SetDifferences(rules, work.grid, light);
    return light;
}

} // namespace

} // namespace kavrol::physics

// ---- Refining the tubes' grids ----
namespace kavrol::physics {

namespace {

// How much of an axis's difference counts in the cells' bounds. A rule of order q on an axis
// differs from its half by (2^q - 1) times its own error; q is read from how the largest
// cell's difference shrank when the axis was last doubled (the ratio r = 2^q). The ratio is
// taken between 2 and 3, not 4: the difference counts whole while no doubling has shown the
// order, or where it shrank by 2 or less, and half of it at most (docs/tank.md has how this
// was checked against a much finer run). The floor share's bound takes the differences whole.
struct AxisOrder {
    int nodes = 0; // the axis's intervals when the difference was taken
    double cell = 0.0;
    double part = 1.0;

    void update(int axisNodes, double cellDifference) {
        if (nodes > 0 && axisNodes == 2 * nodes) {
            part = cellDifference > 0.0 ? 1.0 / (std::clamp(cell / cellDifference, 2.0, 3.0) - 1.0)
                                        : 0.5;
        }
        if (axisNodes != nodes) {
            nodes = axisNodes;
            cell = cellDifference;
        }
    }
};

// A tube's part in the refinement: its grid, what doubling each axis has shown, its share of
// the lamp's photons and its light at its grid.
struct TubeRefinement {
    Grid grid;
    std::array<AxisOrder, 3> orders;
    double weight = 0.0;
    TubeLight light;
    bool stale = true; // its grid changed since its light was integrated
};

// Integrates the tube at its grid. Each cell's bound and the floor share's add the three axes'
// estimated errors (above).
void Integrate(Work& work, int tube, TubeRefinement& r) {
    const std::int64_t before = r.light.rays;
    work.rays = 0;
    r.light = IntegrateTube(work, tube, r.grid);
    r.light.rays = before + work.rays;
    r.stale = false;
    const std::array<int, 3> nodes{r.grid.angles, r.grid.elevations, r.grid.offsets};
    const std::size_t cellCount = r.light.full.cells.size();
    r.light.cellErrors.assign(cellCount, 0.0);
    r.light.shareError = 0.0;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        AxisOrder& order = r.orders[axis];
        order.update(nodes[axis], r.light.largestCellDifferences[axis]);
        for (std::size_t c = 0; c < cellCount; ++c) {
            r.light.cellErrors[c] += order.part * r.light.cellDifferences[axis][c];
        }
        r.light.shareError += r.light.shareDifferences[axis];
        // Kept until the lamp is done: each tube's cells and bounds, not its differences.
        std::vector<double>().swap(r.light.cellDifferences[axis]);
    }
}

// The lamp's bounds on the sum of its tubes: the cells', the largest of them against what the
// cells may have (kCellFactor * tolerance of the lamp's mean cell), and the floor share's.
struct LampBounds {
    double cellTarget = 0.0;
    double worstCell = 0.0;
    double share = 0.0;
};
LampBounds Bounds(const std::vector<TubeRefinement>& tubes, double tolerance) {
    const std::size_t cellCount = tubes.front().light.full.cells.size();
    std::vector<double> cells(cellCount, 0.0);
    std::vector<double> errors(cellCount, 0.0);
    LampBounds bounds;
    for (const TubeRefinement& r : tubes) {
        for (std::size_t c = 0; c < cellCount; ++c) {
            cells[c] += r.weight * r.light.full.cells[c];
            errors[c] += r.weight * r.light.cellErrors[c];
        }
        bounds.share += r.weight * r.light.shareError;
    }
    double meanCell = 0.0;
    for (double c : cells) {
        meanCell += c;
    }
    meanCell /= static_cast<double>(cellCount);
    bounds.cellTarget = TankEstimator::kCellFactor * tolerance * meanCell;
    bounds.worstCell = *std::max_element(errors.begin(), errors.end());
    return bounds;
}

// A tube's axis needs doubling as much as its weighted difference fills the lamp's bound, in
// the floor share or in its largest cell. The tube and axis needing it most are doubled, and
// each other whose need is more than a third and a quarter of the largest: an axis far behind
// the largest is left until the others have come down to it. False when none may be doubled.
bool Double(std::vector<TubeRefinement>& tubes, const LampBounds& bounds, double tolerance,
            std::int64_t maxDirections) {
    std::vector<std::array<double, 3>> need(tubes.size());
    double largest = 0.0;
    for (std::size_t i = 0; i < tubes.size(); ++i) {
        const TubeRefinement& r = tubes[i];
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const double cell = r.orders[axis].part * r.light.largestCellDifferences[axis];
            need[i][axis] =
                std::max(r.weight * r.light.shareDifferences[axis] / tolerance,
                         bounds.cellTarget > 0.0 ? r.weight * cell / bounds.cellTarget : 0.0);
            largest = std::max(largest, need[i][axis]);
        }
    }
    bool doubled = false;
    for (std::size_t i = 0; i < tubes.size(); ++i) {
        Grid next = tubes[i].grid;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const double n = need[i][axis];
            if ((n > 1.0 / 3.0 && n >= 0.25 * largest) || n == largest) {
                (axis == 0 ? next.angles : axis == 1 ? next.elevations : next.offsets) *= 2;
            }
        }
        if (next.directions() != tubes[i].grid.directions() && next.directions() <= maxDirections) {
            tubes[i].grid = next;
            tubes[i].stale = true;
            doubled = true;
        }
    }
    return doubled;
}

// The tubes' light at the first grids meeting both bounds of the lamp: the sum of the tubes'
// light is what the cells show, so the bounds are the sum's (a tube's bound counts in its
// photons' share), not each tube's against its own mean. Only the tubes whose grids changed are
// integrated again.
std::vector<TubeLight> RefineLamp(Work& work, const std::vector<double>& weights) {
    const double tolerance = work.settings.tolerance;
    std::vector<TubeRefinement> tubes(weights.size());
    for (std::size_t i = 0; i < tubes.size(); ++i) {
        tubes[i].grid = {work.settings.startOffsets, work.settings.startAngles,
                         work.settings.startElevations};
        tubes[i].weight = weights[i];
    }
    while (true) {
        work.rowsExpected = work.rowsDone;
        for (const TubeRefinement& r : tubes) {
            if (r.stale) {
                work.rowsExpected += std::int64_t(r.grid.offsets - 1) * (r.grid.elevations - 1);
            }
        }
        for (std::size_t i = 0; i < tubes.size(); ++i) {
            if (tubes[i].stale) {
                Integrate(work, static_cast<int>(i), tubes[i]);
            }
        }
        const LampBounds bounds = Bounds(tubes, tolerance);
        if (bounds.share <= tolerance && bounds.worstCell <= bounds.cellTarget) {
            break;
        }
        if (!Double(tubes, bounds, tolerance, work.settings.maxDirections)) {
            break;
        }
    }
    std::vector<TubeLight> lights;
    for (TubeRefinement& r : tubes) {
        lights.push_back(std::move(r.light));
    }
    return lights;
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

namespace {

// The lamp's light: its tubes' added in proportion to their photons, as shares of all of them.
struct LampLight {
    std::vector<double> cells;
    std::vector<double> cellErrors;
    std::vector<double> depth;
    std::array<double, kTankFates> fates{};
};

// Adds the tubes' light; the result takes the floor share's bound, the directions traced and
// the grid of the tube that needed most.
LampLight AddTubes(const std::vector<TubeLight>& lights, const std::vector<double>& weights,
                   TankEstimate& result) {
    const std::size_t cellCount = lights.front().full.cells.size();
    LampLight lamp;
    lamp.cells.assign(cellCount, 0.0);
    lamp.cellErrors.assign(cellCount, 0.0);
    lamp.depth.assign(lights.front().full.depth.size(), 0.0);
    for (std::size_t i = 0; i < lights.size(); ++i) {
        const double weight = weights[i];
        const TubeLight& light = lights[i];
        for (std::size_t c = 0; c < cellCount; ++c) {
            lamp.cells[c] += weight * light.full.cells[c];
            lamp.cellErrors[c] += weight * light.cellErrors[c];
        }
        for (std::size_t d = 0; d < lamp.depth.size(); ++d) {
            lamp.depth[d] += weight * light.full.depth[d];
        }
        for (std::size_t f = 0; f < kTankFates; ++f) {
            lamp.fates[f] += weight * light.full.fates[f];
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
    return lamp;
}

void SetShares(std::array<double, kTankFates> fates, double attenuationPerM, TankEstimate& result) {
    // Without attenuation the water's share is what rounding leaves of the telescoping sum.
    if (attenuationPerM == 0.0 && std::abs(fates[WaterAbsorbed]) < 1e-12) {
        fates[Floor] += fates[WaterAbsorbed];
        fates[WaterAbsorbed] = 0.0;
    }
    result.floorShare = fates[Floor];
    result.losses = {fates[ReflectorAbsorbed], fates[ReturnedToTube], fates[BesideTank],
                     fates[FrontBackGlass],    fates[EndGlass],       fates[WaterAbsorbed]};
    result.enteredWater =
        fates[Floor] + fates[FrontBackGlass] + fates[EndGlass] + fates[WaterAbsorbed];
}

// The cells' edges, PPFD with its bounds, and their mean, least, largest and levels.
void SetFloor(const LampLight& lamp, const FloorGrid& floor, double flux,
              const std::vector<double>& levels, TankEstimate& result) {
    const int cellsX = floor.cellsX();
    const int cellsZ = floor.cellsZ();
    const std::size_t cellCount = lamp.cells.size();
    result.cellsX = cellsX;
    result.cellsZ = cellsZ;
    const double width = floor.width();
    for (int i = 0; i <= cellsX; ++i) {
        result.edgesXmm.push_back(i == cellsX ? width / 2.0 : -width / 2.0 + i * floor.cellWidth());
    }
    for (int j = 0; j <= cellsZ; ++j) {
        result.edgesZmm.push_back(j == cellsZ ? floor.length() : j * floor.cellLength());
    }
    // Share per cell to PPFD: photons per second over the cell's area in square metres.
    const double cellArea = floor.cellWidth() * floor.cellLength();
    const double toPpfd = flux / cellArea * 1e6;
    result.cells.resize(cellCount);
    result.cellErrors.resize(cellCount);
    for (std::size_t c = 0; c < cellCount; ++c) {
        result.cells[c] = lamp.cells[c] * toPpfd;
        result.cellErrors[c] = lamp.cellErrors[c] * toPpfd;
    }
    double sum = 0.0;
    for (double v : result.cells) {
        sum += v;
    }
    result.mean = sum / static_cast<double>(cellCount);
    result.min = *std::min_element(result.cells.begin(), result.cells.end());
    result.max = *std::max_element(result.cells.begin(), result.cells.end());
    result.minOverMean = result.mean > 0.0 ? result.min / result.mean : 0.0;
    for (double level : levels) {
        const auto count = std::count_if(result.cells.begin(), result.cells.end(),
                                         [level](double v) { return v >= level; });
        result.atLeast.emplace_back(level,
                                    static_cast<double>(count) / static_cast<double>(cellCount));
    }
}

} // namespace

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
    std::vector<double> weights;
    for (const Tube& t : tubes) {
        weights.push_back(t.power / flux);
    }
    TankEstimate result;
    result.photonFlux = flux;
    const LampLight lamp = AddTubes(RefineLamp(work, weights), weights, result);
    SetShares(lamp.fates, tank.attenuationPerM, result);
    SetFloor(lamp, floor, flux, settings_.levels, result);
    const double toPpfd = flux / (floor.cellWidth() * floor.cellLength()) * 1e6;
    for (std::size_t d = 0; d < work.depths.size(); ++d) {
        result.depthProfile.emplace_back(work.depths[d], lamp.depth[d] * toPpfd);
    }
    if (settings_.progress) {
        settings_.progress(1.0);
    }
    return result;
}

} // namespace kavrol::physics
