// SPDX-License-Identifier: GPL-3.0-or-later
// Sections (each under a banner "// --- name ---"): samples and pairs; judging a pair; the queue
// of pairs; the 7-point rule; cutting a pair; the refinement loop; the irradiance histogram.
#include "DirectionIntegrator.h"

#include "EstimateCancelled.h"
#include "QuadratureRule.h"
#include "WaterBins.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <queue>

namespace kavrol::physics {

namespace {

constexpr int kFates = RayOutcome::kFates;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Stretches narrower than this (radians) are not cut further: rounding rules there.
constexpr double kNarrowest = 1e-13;
// How far past a foreseen change of path a cut goes, as a share of the distance to it: beyond
// the first order's error there, yet close enough to narrow the bracket many times over.
constexpr double kCutPast = 1.0 / 64.0;

double LargestLossDifference(const RayOutcome& p, const RayOutcome& q) {
    double largest = 0.0;
    for (int f = 0; f < kFates; ++f) {
        if (f != RayOutcome::Water) {
            largest = std::max(largest, std::abs(p.share[static_cast<std::size_t>(f)] -
                                                 q.share[static_cast<std::size_t>(f)]));
        }
    }
    return largest;
}

} // namespace

// --- Samples and pairs ---

DirectionIntegrator::DirectionIntegrator(const PathTracer& tracer, int tube, double p,
                                         const Settings& settings)
    : tracer_(tracer), tube_(tube), p_(p), settings_(settings),
      followed_(tracer.followsClearances() && tube < tracer.tubeCount()) {}

void DirectionIntegrator::checkCancel() const {
    if (settings_.cancel != nullptr && settings_.cancel->load(std::memory_order_relaxed)) {
        throw EstimateCancelled();
    }
}

int DirectionIntegrator::addSample(double a) {
    if ((rays_ & 63) == 0) {
        checkCancel();
    }
    Sample& sample = samples_.emplace_back();
    sample.a = a;
    tracer_.trace(tube_, a, p_, sample.ray, settings_.followWeight);
    ++rays_;
    return static_cast<int>(samples_.size()) - 1;
}

int DirectionIntegrator::addPair(int left, int right) {
    Pair& pair = pairs_.emplace_back();
    pair.left = left;
    pair.right = right;
    assess(pair);
    return static_cast<int>(pairs_.size()) - 1;
}

// --- Judging a pair ---

// The width of directions between two samples that neither sample's path accounts for, by the
// changes of path at steps of the first `classes` weight classes: the left ray's path holds for
// clearAhead beyond it and the right one's for clearBehind before it, to first order. Anything
// may happen there. The clearances are shortened by the clearance factor, room for their
// second order, also between samples of different paths: there too two first-order clearances
// that only just meet left room for a window of a third path between them.
double DirectionIntegrator::unexplained(const RayOutcome& left, const RayOutcome& right, double gap,
                                        int classes) const {
    double ahead = RayOutcome::kNever;
    double behind = RayOutcome::kNever;
    for (std::size_t c = 0; c < static_cast<std::size_t>(classes); ++c) {
        ahead = std::min(ahead, left.clearAhead[c]);
        behind = std::min(behind, right.clearBehind[c]);
    }
    const double covered = (ahead + behind) / settings_.clearanceFactor;
    return covered >= gap ? 0.0 : gap - covered;
}

// What the light between two samples may differ by beyond their smooth variation: each
// unexplained width times the most light a change of path there can move (its class's
// weight), and the weight the rays carried past their followed clearances.
double DirectionIntegrator::openError(const RayOutcome& left, const RayOutcome& right,
                                      double gap) const {
    double error = gap * std::max(left.unfollowed, right.unfollowed);
    // unexplained() for the first c + 1 classes, its minima carried from class to class.
    const double factor = settings_.clearanceFactor;
    double ahead = RayOutcome::kNever;
    double behind = RayOutcome::kNever;
    double before = 0.0;
    for (std::size_t c = 0; c < static_cast<std::size_t>(RayOutcome::kClasses); ++c) {
        ahead = std::min(ahead, left.clearAhead[c]);
        behind = std::min(behind, right.clearBehind[c]);
        const double covered = (ahead + behind) / factor;
        double width = covered >= gap ? 0.0 : gap - covered;
        // Paths that part at a step of this class are never explained by clearances: where
        // they claim to cover the gap with room to spare, the first order has failed (a single
        // change between them leaves their clearances just meeting).
        if (followed_ && left.classSignature[c] != right.classSignature[c]) {
            width = gap;
        }
        error += (width - before) * RayOutcome::kClassWeight[c];
        before = width;
        if (width >= gap) {
            break; // the lighter classes add nothing to a gap counted whole
        }
    }
    return error;
}

// True when two samples `gap` apart follow one path and no change of path at a step carrying
// more than half the light can lie between them: the light varies smoothly from one to the
// other but for what openError bounds.
bool DirectionIntegrator::clears(const RayOutcome& left, const RayOutcome& right,
                                 double gap) const {
    return left.signature == right.signature && unexplained(left, right, gap, 1) == 0.0;
}

// The trapezoid rule over a pair. Its error is at most half the width times the jump when the
// figures change monotonically or jump once, which holds for the narrow pairs it is kept for,
// plus the unexplained width, where a ray's share may be anything from 0 to 1.
void DirectionIntegrator::assess(Pair& pair) {
    const Sample& l = samples_[static_cast<std::size_t>(pair.left)];
    const Sample& r = samples_[static_cast<std::size_t>(pair.right)];
    const double half = 0.5 * (r.a - l.a);
    for (std::size_t f = 0; f < kFates; ++f) {
        pair.value[f] = half * (l.ray.share[f] + r.ray.share[f]);
    }
    // Light handed to the reflector's patches reaches the water later: its error counts too.
    const double jump =
        std::abs(l.ray.share[RayOutcome::Water] - r.ray.share[RayOutcome::Water]) +
        std::abs(l.ray.share[RayOutcome::Diffused] - r.ray.share[RayOutcome::Diffused]);
    const double open = openError(l.ray, r.ray, 2.0 * half);
    pair.shareError = half * jump + open;
    pair.key =
        half * std::max(jump, settings_.lossWeight * LargestLossDifference(l.ray, r.ray)) + open;
    // Each further albedo's share is judged alike.
    for (std::size_t v = 0; v < static_cast<std::size_t>(tracer_.alikeCount()); ++v) {
        const RayOutcome::Alike& la = l.ray.alike[v];
        const RayOutcome::Alike& ra = r.ray.alike[v];
        pair.alikeWater[v] = half * (la.water + ra.water);
        pair.alikeError[v] =
            half * (std::abs(la.water - ra.water) + std::abs(la.diffused - ra.diffused)) + open;
        pair.key = std::max(pair.key, pair.alikeError[v]);
    }
    // Wide pairs may hide further changes of path: the 7-point rule probes those with one path
    // at both ends, bisection the others.
    if (2.0 * half > trapezoidWidth_) {
        pair.key = kInfinity;
    }
    if (2.0 * half < kNarrowest) {
        pair.key = 0.0;
    }
}

// --- The queue of pairs ---

void DirectionIntegrator::enqueue(int pairIndex) {
    const Pair& pair = pairs_[static_cast<std::size_t>(pairIndex)];
    if (std::isinf(pair.key)) {
        ++infiniteKeys_;
    } else {
        finiteKeys_ += pair.key;
    }
    queue_.emplace(pair.key, pairIndex);
}

void DirectionIntegrator::retire(int pairIndex) {
    Pair& pair = pairs_[static_cast<std::size_t>(pairIndex)];
    if (std::isinf(pair.key)) {
        --infiniteKeys_;
    } else {
        finiteKeys_ -= pair.key;
    }
    pair.alive = false;
}

// --- The 7-point rule ---

// The rule's nodes over a pair: where they lie and the rays traced there.
void DirectionIntegrator::traceNodes(const Pair& pair, std::array<RayOutcome, 7>& rays,
                                     std::array<double, 7>& at) const {
    const double aL = samples_[static_cast<std::size_t>(pair.left)].a;
    const double aR = samples_[static_cast<std::size_t>(pair.right)].a;
    const double centre = 0.5 * (aL + aR);
    const double half = 0.5 * (aR - aL);
    for (std::size_t i = 0; i < 7; ++i) {
        at[i] = centre + half * GaussKronrod7::kNodes[i];
        tracer_.trace(tube_, at[i], p_, rays[i], settings_.followWeight);
    }
}

// True when the pair's ends and the nodes between them follow one path throughout: every node
// has the ends' signature and each sample clears the next.
bool DirectionIntegrator::onePath(const Pair& pair, const std::array<RayOutcome, 7>& rays,
                                  const std::array<double, 7>& at) const {
    const Sample& left = samples_[static_cast<std::size_t>(pair.left)];
    const Sample& right = samples_[static_cast<std::size_t>(pair.right)];
    for (const RayOutcome& ray : rays) {
        if (ray.signature != left.ray.signature) {
            return false;
        }
    }
    const RayOutcome* before = &left.ray;
    double from = left.a;
    for (std::size_t i = 0; i <= 7; ++i) {
        const RayOutcome& next = i < 7 ? rays[i] : right.ray;
        const double to = i < 7 ? at[i] : right.a;
        if (!clears(*before, next, to - from)) {
            return false;
        }
        before = &next;
        from = to;
    }
    return true;
}

// A pair that hides a change of path: its nodes become samples and the eight pieces are judged
// anew.
void DirectionIntegrator::splitAtNodes(const Pair& pair, std::array<RayOutcome, 7>& rays,
                                       const std::array<double, 7>& at) {
    int previous = pair.left;
    for (std::size_t i = 0; i < 7; ++i) {
        Sample& sample = samples_.emplace_back();
        sample.a = at[i];
        sample.ray = std::move(rays[i]);
        const int current = static_cast<int>(samples_.size()) - 1;
        enqueue(addPair(previous, current));
        previous = current;
    }
    enqueue(addPair(previous, pair.right));
}

// The rule's value over a pair of one path, its bound (the difference from the Gauss rule and
// what the gaps between the nodes leave open) and its key; the nodes are kept for the bins.
void DirectionIntegrator::keepRule(const Pair& pair, std::array<RayOutcome, 7>& rays,
                                   const std::array<double, 7>& at) {
    const Sample& left = samples_[static_cast<std::size_t>(pair.left)];
    const Sample& right = samples_[static_cast<std::size_t>(pair.right)];
    const double half = 0.5 * (right.a - left.a);
    Pair& done = pairs_.emplace_back(pair);
    done.alive = true;
    done.integrated = true;
    done.firstNode = static_cast<int>(nodes_.size());
    std::array<double, kFates> gauss{};
    done.value = {};
    for (std::size_t i = 0; i < 7; ++i) {
        for (std::size_t f = 0; f < kFates; ++f) {
            done.value[f] += half * GaussKronrod7::kKronrodWeights[i] * rays[i].share[f];
            gauss[f] += half * GaussKronrod7::kGaussWeights[i] * rays[i].share[f];
        }
    }
    double lossDifference = 0.0;
    for (std::size_t f = 0; f < kFates; ++f) {
        if (f != RayOutcome::Water) {
            lossDifference = std::max(lossDifference, std::abs(done.value[f] - gauss[f]));
        }
    }
    // The gaps between the nodes may still hold changes of path at light steps.
    done.openError = 0.0;
    const RayOutcome* from = &left.ray;
    double fromAt = left.a;
    for (std::size_t i = 0; i <= 7; ++i) {
        const RayOutcome& to = i < 7 ? rays[i] : right.ray;
        const double toAt = i < 7 ? at[i] : right.a;
        done.openError += openError(*from, to, toAt - fromAt);
        from = &to;
        fromAt = toAt;
    }
    done.shareError = std::abs(done.value[RayOutcome::Water] - gauss[RayOutcome::Water]) +
                      std::abs(done.value[RayOutcome::Diffused] - gauss[RayOutcome::Diffused]) +
                      done.openError;
    double alikeKey = 0.0;
    for (std::size_t v = 0; v < static_cast<std::size_t>(tracer_.alikeCount()); ++v) {
        std::array<double, 4> sums{}; // the water and the diffused light, by each rule
        for (std::size_t i = 0; i < 7; ++i) {
            const RayOutcome::Alike& a = rays[i].alike[v];
            sums[0] += half * GaussKronrod7::kKronrodWeights[i] * a.water;
            sums[1] += half * GaussKronrod7::kGaussWeights[i] * a.water;
            sums[2] += half * GaussKronrod7::kKronrodWeights[i] * a.diffused;
            sums[3] += half * GaussKronrod7::kGaussWeights[i] * a.diffused;
        }
        done.alikeWater[v] = sums[0];
        done.alikeError[v] =
            std::abs(sums[0] - sums[1]) + std::abs(sums[2] - sums[3]) + done.openError;
        alikeKey = std::max(alikeKey, done.alikeError[v]);
    }
    // The nodes are kept for the bins; nothing above reads their deposits, which move.
    nodes_.insert(nodes_.end(), std::make_move_iterator(rays.begin()),
                  std::make_move_iterator(rays.end()));
    done.key = std::max({done.shareError, settings_.lossWeight * lossDifference, alikeKey});
    enqueue(static_cast<int>(pairs_.size()) - 1);
}

// Applies the 7-point rule to a pair whose ends share a path. When a node's path differs, the
// pair hides a change of path: its nodes become samples and the pieces are judged anew.
void DirectionIntegrator::integrateRule(int pairIndex) {
    const Pair pair = pairs_[static_cast<std::size_t>(pairIndex)];
    std::array<RayOutcome, 7> rays;
    std::array<double, 7> at{};
    traceNodes(pair, rays, at);
    rays_ += 7;
    retire(pairIndex);
    if (onePath(pair, rays, at)) {
        keepRule(pair, rays, at);
    } else {
        splitAtNodes(pair, rays, at);
    }
}

// --- Cutting a pair ---

// Where to cut a pair whose ends do not clear each other: where its nearer end's clearance says
// the path changes (a Newton step on the condition that changes it), pushed a little past it
// toward the other end so that the cut lands beyond the change and brackets it from both sides.
// Each such cut narrows the bracket some fifty-fold once the first order holds, where halving
// narrows it two-fold. Halving where no change is foreseen inside, or where cutting at the
// foreseen one has twice in a row failed to halve the pair.
double DirectionIntegrator::cutPoint(const Pair& pair) const {
    const Sample& l = samples_[static_cast<std::size_t>(pair.left)];
    const Sample& r = samples_[static_cast<std::size_t>(pair.right)];
    const double gap = r.a - l.a;
    const double middle = 0.5 * (l.a + r.a);
    if (pair.integrated || pair.slowCuts >= 2 || clears(l.ray, r.ray, gap)) {
        return middle;
    }
    // A change between samples of one path is one their heavy steps foresee.
    const std::size_t classes = l.ray.signature == r.ray.signature ? 1 : RayOutcome::kClasses;
    double ahead = RayOutcome::kNever;
    double behind = RayOutcome::kNever;
    for (std::size_t c = 0; c < classes; ++c) {
        ahead = std::min(ahead, l.ray.clearAhead[c]);
        behind = std::min(behind, r.ray.clearBehind[c]);
    }
    const double nearer = std::min(ahead, behind);
    if (!(nearer < gap)) {
        return middle;
    }
    const double past = std::max(nearer * kCutPast, kNarrowest);
    const double at = ahead <= behind ? l.a + nearer + past : r.a - nearer - past;
    const double margin = 0.5 * kNarrowest;
    return at > l.a + margin && at < r.a - margin ? at : middle;
}

void DirectionIntegrator::bisect(int pairIndex) {
    const Pair& pair = pairs_[static_cast<std::size_t>(pairIndex)];
    const int left = pair.left;
    const int right = pair.right;
    const int slowCuts = pair.slowCuts;
    const double at = cutPoint(pair);
    retire(pairIndex);
    const double aL = samples_[static_cast<std::size_t>(left)].a;
    const double aR = samples_[static_cast<std::size_t>(right)].a;
    const int sample = addSample(at);
    // A cut that leaves more than half the pair on one side counts toward halving next time.
    const auto lineage = [&](double width) { return width > 0.5 * (aR - aL) ? slowCuts + 1 : 0; };
    const int low = addPair(left, sample);
    pairs_[static_cast<std::size_t>(low)].slowCuts = lineage(at - aL);
    enqueue(low);
    const int high = addPair(sample, right);
    pairs_[static_cast<std::size_t>(high)].slowCuts = lineage(aR - at);
    enqueue(high);
}

// --- The refinement loop ---

// The first samples, evenly spread, then the pair whose refining gains most, again and again,
// until the bound is met or the rays run out.
void DirectionIntegrator::refine(double aMin, double aMax, double budget) {
    const double range = aMax - aMin;
    const int cells = std::max(settings_.gridCells, 1);
    trapezoidWidth_ = range / cells / 8.0;
    // Room for the refinement most offsets need, so that samples are seldom moved (coarse
    // estimates from two cells trace some seventy rays an offset).
    const auto room = static_cast<std::size_t>(std::max(16 * cells, 64));
    samples_.reserve(room);
    pairs_.reserve(2 * room);
    nodes_.reserve(room);
    for (int i = 0; i <= cells; ++i) {
        addSample(i == cells ? aMax : aMin + range * i / cells);
    }
    for (int i = 0; i < cells; ++i) {
        enqueue(addPair(i, i + 1));
    }
    while ((infiniteKeys_ > 0 || finiteKeys_ > budget) && rays_ < settings_.maxRays &&
           !queue_.empty()) {
        const auto [key, index] = queue_.top();
        queue_.pop();
        const Pair& pair = pairs_[static_cast<std::size_t>(index)];
        if (!pair.alive || key != pair.key) {
            continue;
        }
        if (key == 0.0) {
            break;
        }
        const Sample& l = samples_[static_cast<std::size_t>(pair.left)];
        const Sample& r = samples_[static_cast<std::size_t>(pair.right)];
        // The rule only where one path holds throughout; elsewhere the pair is cut where a
        // change of path or a window of another path may be.
        if (clears(l.ray, r.ray, r.a - l.a) && !pair.integrated) {
            integrateRule(index);
        } else {
            bisect(index);
        }
    }
}

DirectionIntegrator::Result DirectionIntegrator::integrate(double aMin, double aMax,
                                                           const Bins& bins) {
    const double range = aMax - aMin;
    const double budget = settings_.budget * range;
    refine(aMin, aMax, budget);
    Result result;
    result.rays = rays_;
    result.reached = infiniteKeys_ == 0 && finiteKeys_ <= budget;
    for (const Pair& pair : pairs_) {
        if (!pair.alive) {
            continue;
        }
        for (std::size_t f = 0; f < kFates; ++f) {
            result.mean[f] += pair.value[f];
        }
        // A stretch left unresolved when the ray budget ran out may hold anything.
        const double width = samples_[static_cast<std::size_t>(pair.right)].a -
                             samples_[static_cast<std::size_t>(pair.left)].a;
        result.error += std::isinf(pair.key) ? width : pair.shareError;
    }
    for (double& value : result.mean) {
        value /= range;
    }
    result.error /= range;
    if (bins.count > 0) {
        deposit(result, bins);
        for (double& value : result.histogram) {
            value /= range;
        }
        for (double& value : result.histogramError) {
            value /= range;
        }
    }
    if (tracer_.alikeCount() > 0) {
        gatherAlike(result, range);
    }
    if (tracer_.sourceCount() > tracer_.tubeCount() || !tracer_.mirrorSurface()) {
        gatherScattered(result);
        for (double& value : result.deposits) {
            value /= range;
        }
        result.unresolved /= range;
        result.glossWaterDelta /= range;
        result.glossDiffusedDelta /= range;
    }
    return result;
}

// The patches' deposits and the unresolved weight, integrated with the same weights as the
// fates so that they add up with them.
void DirectionIntegrator::gatherScattered(Result& result) const {
    const int sides = tracer_.sourceCount() - tracer_.tubeCount();
    result.deposits.assign(static_cast<std::size_t>(sides), 0.0);
    const auto add = [&](const RayOutcome& ray, double weight) {
        for (const auto& [side, amount] : ray.deposits) {
            result.deposits[static_cast<std::size_t>(side)] += weight * amount;
        }
        result.unresolved += weight * ray.unresolved;
        result.glossWaterDelta += weight * ray.glossWaterDelta;
        result.glossDiffusedDelta += weight * ray.glossDiffusedDelta;
    };
    for (const Pair& pair : pairs_) {
        if (!pair.alive) {
            continue;
        }
        const Sample& l = samples_[static_cast<std::size_t>(pair.left)];
        const Sample& r = samples_[static_cast<std::size_t>(pair.right)];
        const double half = 0.5 * (r.a - l.a);
        if (!pair.integrated) {
            add(l.ray, half);
            add(r.ray, half);
            continue;
        }
        for (std::size_t i = 0; i < 7; ++i) {
            add(nodes_[static_cast<std::size_t>(pair.firstNode) + i],
                half * GaussKronrod7::kKronrodWeights[i]);
        }
    }
}

// Each further albedo's share and bound, as the primary's, and its scattered light gathered as
// gatherScattered gathers the primary's; all per unit of direction, as the result's.
void DirectionIntegrator::gatherAlike(Result& result, double range) const {
    const auto count = static_cast<std::size_t>(tracer_.alikeCount());
    const auto sides = static_cast<std::size_t>(tracer_.sourceCount() - tracer_.tubeCount());
    for (std::size_t v = 0; v < count; ++v) {
        result.alike[v].deposits.assign(sides, 0.0);
    }
    const auto add = [&](const RayOutcome& ray, double weight) {
        for (std::size_t v = 0; v < count; ++v) {
            Result::Alike& alike = result.alike[v];
            for (std::size_t k = 0; k < ray.alikeDeposits.size(); ++k) {
                alike.deposits[static_cast<std::size_t>(ray.deposits[k].first)] +=
                    weight * ray.alikeDeposits[k][v] / range;
            }
            alike.unresolved += weight * ray.alike[v].unresolved / range;
            alike.glossWaterDelta += weight * ray.alike[v].glossWaterDelta / range;
            alike.glossDiffusedDelta += weight * ray.alike[v].glossDiffusedDelta / range;
        }
    };
    for (const Pair& pair : pairs_) {
        if (!pair.alive) {
            continue;
        }
        const Sample& l = samples_[static_cast<std::size_t>(pair.left)];
        const Sample& r = samples_[static_cast<std::size_t>(pair.right)];
        const double half = 0.5 * (r.a - l.a);
        for (std::size_t v = 0; v < count; ++v) {
            result.alike[v].water += pair.alikeWater[v] / range;
            result.alike[v].error +=
                (std::isinf(pair.key) ? 2.0 * half : pair.alikeError[v]) / range;
        }
        if (!pair.integrated) {
            add(l.ray, half);
            add(r.ray, half);
            continue;
        }
        for (std::size_t i = 0; i < 7; ++i) {
            add(nodes_[static_cast<std::size_t>(pair.firstNode) + i],
                half * GaussKronrod7::kKronrodWeights[i]);
        }
    }
}

// --- The irradiance histogram ---

// Each pair's light entering the water goes to the bins where it lands. Along a stretch of one
// path each entry's place follows the rays' own slopes between the samples, and its light the
// rule's polynomial through the nodes (see WaterBins); a bin's error is the rules' difference
// over the part that lands in it. Pairs that straddle a change of path put each end's light
// where that end lands, with the pair's bound; the unexplained widths may land anywhere.
void DirectionIntegrator::deposit(Result& result, const Bins& bins) const {
    WaterBins water(bins.xMin, bins.xMax, bins.count);
    for (const Pair& pair : pairs_) {
        if (!pair.alive) {
            continue;
        }
        const Sample& l = samples_[static_cast<std::size_t>(pair.left)];
        const Sample& r = samples_[static_cast<std::size_t>(pair.right)];
        const double half = 0.5 * (r.a - l.a);
        const double open = pair.integrated ? pair.openError : openError(l.ray, r.ray, r.a - l.a);
        water.addAnywhere(std::isinf(pair.key) ? 2.0 * half : open);
        if (!clears(l.ray, r.ray, r.a - l.a) || !sameEntries(pair)) {
            depositApart(water, pair, open);
            continue;
        }
        depositStretch(water, pair);
    }
    result.histogram = water.light();
    result.histogramError = water.errors();
}

// True when the pair's ends and nodes enter the water equally often. Glossy branches are told
// apart by a hash of their events, which may meet by chance; a stretch whose rays differ here
// cannot be followed as one path.
bool DirectionIntegrator::sameEntries(const Pair& pair) const {
    const int entries = samples_[static_cast<std::size_t>(pair.left)].ray.entries;
    if (samples_[static_cast<std::size_t>(pair.right)].ray.entries != entries) {
        return false;
    }
    for (int i = 0; pair.integrated && i < 7; ++i) {
        if (nodes_[static_cast<std::size_t>(pair.firstNode + i)].entries != entries) {
            return false;
        }
    }
    return true;
}

// Each ray of the pair puts its light where it lands, weighed by the pair's rule (the ends'
// halves, or the 7-point rule's nodes), with the pair's bound spread over it.
void DirectionIntegrator::depositApart(WaterBins& water, const Pair& pair, double open) const {
    const Sample& l = samples_[static_cast<std::size_t>(pair.left)];
    const Sample& r = samples_[static_cast<std::size_t>(pair.right)];
    const double half = 0.5 * (r.a - l.a);
    const double value = pair.value[RayOutcome::Water];
    const double rate = value > 0.0 ? (pair.shareError - open) / value : 0.0;
    const auto add = [&](const RayOutcome& ray, double weight) {
        for (int j = 0; j < ray.entries; ++j) {
            const auto k = static_cast<std::size_t>(j);
            const double amount = weight * ray.entryAmount[k];
            water.addAt(ray.entryX[k], amount, rate * amount);
        }
    };
    if (!pair.integrated) {
        add(l.ray, half);
        add(r.ray, half);
        return;
    }
    for (std::size_t i = 0; i < 7; ++i) {
        add(nodes_[static_cast<std::size_t>(pair.firstNode) + i],
            half * GaussKronrod7::kKronrodWeights[i]);
    }
}

// A stretch of one path: its ends and, when the rule ruled it, its nodes.
void DirectionIntegrator::depositStretch(WaterBins& water, const Pair& pair) const {
    const Sample& l = samples_[static_cast<std::size_t>(pair.left)];
    const Sample& r = samples_[static_cast<std::size_t>(pair.right)];
    const double half = 0.5 * (r.a - l.a);
    std::array<const RayOutcome*, 9> rays{};
    WaterBins::Track track;
    track.scale = half;
    track.points = pair.integrated ? 9 : 2;
    rays[0] = &l.ray;
    track.tau[0] = -1.0;
    for (std::size_t i = 1; i + 1 < static_cast<std::size_t>(track.points); ++i) {
        rays[i] = &nodes_[static_cast<std::size_t>(pair.firstNode) + i - 1];
        track.tau[i] = GaussKronrod7::kNodes[i - 1];
    }
    const auto last = static_cast<std::size_t>(track.points - 1);
    rays[last] = &r.ray;
    track.tau[last] = 1.0;
    const double value = pair.value[RayOutcome::Water];
    const double smooth = pair.shareError - openError(l.ray, r.ray, r.a - l.a);
    track.errorRate = !pair.integrated && value > 0.0 ? smooth / value : 0.0;
    for (int j = 0; j < l.ray.entries; ++j) {
        const auto k = static_cast<std::size_t>(j);
        std::array<double, 7> amounts{};
        for (std::size_t i = 0; i <= last; ++i) {
            track.x[i] = rays[i]->entryX[k];
            track.slope[i] = rays[i]->entrySlope[k] * half;
            if (pair.integrated && i >= 1 && i <= 7) {
                amounts[i - 1] = rays[i]->entryAmount[k];
            }
        }
        if (pair.integrated) {
            static const std::array<double, 3> gaussNodes{
                GaussKronrod7::kNodes[1], GaussKronrod7::kNodes[3], GaussKronrod7::kNodes[5]};
            static const WaterBins::Interpolation kronrod(GaussKronrod7::kNodes.data(), 7);
            static const WaterBins::Interpolation gauss(gaussNodes.data(), 3);
            const std::array<double, 3> gaussAmounts{amounts[1], amounts[3], amounts[5]};
            track.high = kronrod.coefficients(amounts.data());
            track.low = gauss.coefficients(gaussAmounts.data());
        } else {
            const double wl = l.ray.entryAmount[k];
            const double wr = r.ray.entryAmount[k];
            track.high = {};
            track.high[0] = 0.5 * (wl + wr);
            track.high[1] = 0.5 * (wr - wl);
            track.low = track.high;
        }
        water.add(track);
    }
}

} // namespace kavrol::physics
