// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: samples and pairs; judging a pair; the 7-point rule; bisection; the refinement
// loop; the irradiance histogram.
#include "DirectionIntegrator.h"

#include "EstimateCancelled.h"
#include "QuadratureRule.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>

namespace kavrol::physics {

namespace {

constexpr int kFates = RayOutcome::kFates;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Stretches narrower than this (radians) are not cut further: rounding rules there.
constexpr double kNarrowest = 1e-13;

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

// Adds `amount` spread evenly over [x0, x1] (either order) to the histogram; what falls outside
// the span goes to the nearest end bin, so nothing is lost.
void Spread(std::vector<double>& histogram, const DirectionIntegrator::Bins& bins, double x0,
            double x1, double amount) {
    if (amount == 0.0) {
        return;
    }
    const double width = (bins.xMax - bins.xMin) / bins.count;
    const double lo = std::clamp((std::min(x0, x1) - bins.xMin) / width, 0.0, double(bins.count));
    const double hi = std::clamp((std::max(x0, x1) - bins.xMin) / width, 0.0, double(bins.count));
    const int last = bins.count - 1;
    const int first = std::min(static_cast<int>(lo), last);
    const int end = std::min(static_cast<int>(hi), last);
    if (first == end || hi - lo < 1e-12) {
        histogram[static_cast<std::size_t>(first)] += amount;
        return;
    }
    const double perUnit = amount / (hi - lo);
    for (int bin = first; bin <= end; ++bin) {
        const double overlap = std::min(hi, bin + 1.0) - std::max(lo, double(bin));
        if (overlap > 0.0) {
            histogram[static_cast<std::size_t>(bin)] += perUnit * overlap;
        }
    }
}

} // namespace

DirectionIntegrator::DirectionIntegrator(const PathTracer& tracer, int tube, double p,
                                         const Settings& settings)
    : tracer_(tracer), tube_(tube), p_(p), settings_(settings) {}

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
    tracer_.trace(tube_, a, p_, sample.ray);
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

// The trapezoid rule over a pair; its error is at most half the width times the jump when the
// figures change monotonically or jump once, which holds for the narrow pairs it is kept for.
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
    pair.shareError = half * jump;
    pair.key = half * std::max(jump, settings_.lossWeight * LargestLossDifference(l.ray, r.ray));
    // Wide pairs may hide further changes of path: the 7-point rule probes those with one path
    // at both ends, bisection the others.
    if (2.0 * half > trapezoidWidth_) {
        pair.key = kInfinity;
    }
    if (2.0 * half < kNarrowest) {
        pair.key = 0.0;
    }
}

} // namespace kavrol::physics

namespace kavrol::physics {

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

// Applies the 7-point rule to a pair whose ends share a path. When a node's path differs, the
// pair hides a change of path: its nodes become samples and the pieces are judged anew.
void DirectionIntegrator::integrateRule(int pairIndex) {
    const Pair pair = pairs_[static_cast<std::size_t>(pairIndex)];
    const double aL = samples_[static_cast<std::size_t>(pair.left)].a;
    const double aR = samples_[static_cast<std::size_t>(pair.right)].a;
    const std::uint64_t signature = samples_[static_cast<std::size_t>(pair.left)].ray.signature;
    const double centre = 0.5 * (aL + aR);
    const double half = 0.5 * (aR - aL);
    std::array<RayOutcome, 7> rays;
    bool samePath = true;
    for (std::size_t i = 0; i < 7; ++i) {
        tracer_.trace(tube_, centre + half * GaussKronrod7::kNodes[i], p_, rays[i]);
        samePath = samePath && rays[i].signature == signature;
    }
    rays_ += 7;
    retire(pairIndex);
    if (!samePath) {
        int previous = pair.left;
        for (std::size_t i = 0; i < 7; ++i) {
            Sample& sample = samples_.emplace_back();
            sample.a = centre + half * GaussKronrod7::kNodes[i];
            sample.ray = rays[i];
            const int current = static_cast<int>(samples_.size()) - 1;
            enqueue(addPair(previous, current));
            previous = current;
        }
        enqueue(addPair(previous, pair.right));
        return;
    }
    Pair& done = pairs_.emplace_back(pair);
    done.alive = true;
    done.integrated = true;
    done.firstNode = static_cast<int>(nodes_.size());
    nodes_.insert(nodes_.end(), rays.begin(), rays.end());
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
    done.shareError = std::abs(done.value[RayOutcome::Water] - gauss[RayOutcome::Water]) +
                      std::abs(done.value[RayOutcome::Diffused] - gauss[RayOutcome::Diffused]);
    done.key = std::max(done.shareError, settings_.lossWeight * lossDifference);
    enqueue(static_cast<int>(pairs_.size()) - 1);
}

void DirectionIntegrator::bisect(int pairIndex) {
    const int left = pairs_[static_cast<std::size_t>(pairIndex)].left;
    const int right = pairs_[static_cast<std::size_t>(pairIndex)].right;
    retire(pairIndex);
    const double middle = 0.5 * (samples_[static_cast<std::size_t>(left)].a +
                                 samples_[static_cast<std::size_t>(right)].a);
    const int sample = addSample(middle);
    enqueue(addPair(left, sample));
    enqueue(addPair(sample, right));
}

DirectionIntegrator::Result DirectionIntegrator::integrate(double aMin, double aMax,
                                                           const Bins& bins) {
    const double range = aMax - aMin;
    const int cells = std::max(settings_.gridCells, 1);
    trapezoidWidth_ = range / cells / 8.0;
    const double budget = settings_.budget * range;
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
        const bool samePath = samples_[static_cast<std::size_t>(pair.left)].ray.signature ==
                              samples_[static_cast<std::size_t>(pair.right)].ray.signature;
        if (samePath && !pair.integrated) {
            integrateRule(index);
        } else {
            bisect(index);
        }
    }

    Result result;
    result.rays = rays_;
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

} // namespace kavrol::physics

namespace kavrol::physics {

// Each pair's light entering the water goes to the bins where it enters. Within a pair ruled by
// the 7-point rule, node i stands for a stretch of directions as wide as its weight, and its
// light is spread between the entry places at the stretch's ends, interpolated linearly in a
// between the nodes; this keeps the histogram free of the rule's node pattern.
void DirectionIntegrator::deposit(Result& result, const Bins& bins) const {
    result.histogram.assign(static_cast<std::size_t>(bins.count), 0.0);
    for (const Pair& pair : pairs_) {
        if (!pair.alive) {
            continue;
        }
        const Sample& l = samples_[static_cast<std::size_t>(pair.left)];
        const Sample& r = samples_[static_cast<std::size_t>(pair.right)];
        const double half = 0.5 * (r.a - l.a);
        if (!pair.integrated) {
            const bool samePath = l.ray.signature == r.ray.signature;
            for (int j = 0; j < l.ray.entries; ++j) {
                const auto k = static_cast<std::size_t>(j);
                const double xEnd = samePath ? r.ray.entryX[k] : l.ray.entryX[k];
                Spread(result.histogram, bins, l.ray.entryX[k], xEnd, half * l.ray.entryAmount[k]);
            }
            for (int j = 0; j < r.ray.entries; ++j) {
                const auto k = static_cast<std::size_t>(j);
                const double xStart = samePath ? l.ray.entryX[k] : r.ray.entryX[k];
                Spread(result.histogram, bins, xStart, r.ray.entryX[k],
                       half * r.ray.entryAmount[k]);
            }
            continue;
        }
        std::array<double, 9> at{};
        at[0] = l.a;
        for (std::size_t i = 0; i < 7; ++i) {
            at[i + 1] = l.a + half * (1.0 + GaussKronrod7::kNodes[i]);
        }
        at[8] = r.a;
        const RayOutcome* node = &nodes_[static_cast<std::size_t>(pair.firstNode)];
        for (int j = 0; j < l.ray.entries; ++j) {
            const auto k = static_cast<std::size_t>(j);
            std::array<double, 9> x{};
            x[0] = l.ray.entryX[k];
            for (std::size_t i = 0; i < 7; ++i) {
                x[i + 1] = node[i].entryX[k];
            }
            x[8] = r.ray.entryX[k];
            std::size_t segment = 0;
            const auto placeAt = [&](double a) {
                while (segment < 7 && a > at[segment + 1]) {
                    ++segment;
                }
                const double span = at[segment + 1] - at[segment];
                const double t = span > 0.0 ? (a - at[segment]) / span : 0.0;
                return x[segment] + t * (x[segment + 1] - x[segment]);
            };
            double from = l.a;
            double xFrom = x[0];
            for (std::size_t i = 0; i < 7; ++i) {
                const double width = half * GaussKronrod7::kKronrodWeights[i];
                const double to = i == 6 ? r.a : from + width;
                const double xTo = i == 6 ? x[8] : placeAt(to);
                Spread(result.histogram, bins, xFrom, xTo, width * node[i].entryAmount[k]);
                from = to;
                xFrom = xTo;
            }
        }
    }
}

} // namespace kavrol::physics
