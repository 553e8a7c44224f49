// SPDX-License-Identifier: GPL-3.0-or-later
#include "AdaptiveGauss.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kavrol::physics {

namespace {

// The halves' difference from the whole in component k.
double Difference(const std::vector<double>& left, const std::vector<double>& right,
                  const std::vector<double>& whole, std::size_t k) {
    return k < whole.size() ? std::abs(left[k] + right[k] - whole[k]) : 0.0;
}

} // namespace

// The rule over one range: the sums of every component, and the judged component's values at
// the nodes (for the stray).
struct AdaptiveGauss::Sum {
    std::vector<double> value;
    std::vector<double> nodeX;
    std::vector<double> nodeValue;
};

// A range with the rule over it whole and over both halves.
struct AdaptiveGauss::Range {
    double a = 0.0;
    double b = 0.0;
    int depth = 1;
    Sum whole;
    Sum left;
    Sum right;
    double key = 0.0; // what the range may still be wrong by, as refinement judges it
};

AdaptiveGauss::AdaptiveGauss(Settings settings)
    : settings_(std::move(settings)), rule_(QuadratureRule::GaussLegendre(settings_.points)) {}

AdaptiveGauss::Sum AdaptiveGauss::gauss(const Integrand& f, double a, double b,
                                        int& evaluations) const {
    const double centre = 0.5 * (a + b);
    const double half = 0.5 * (b - a);
    Sum sum;
    std::vector<double> value;
    for (std::size_t i = 0; i < rule_.nodes.size(); ++i) {
        const double x = centre + half * rule_.nodes[i];
        f(x, value);
        ++evaluations;
        sum.value.resize(value.size(), 0.0);
        const double weight =
            half * rule_.weights[i] * (settings_.density ? settings_.density(x) : 1.0);
        for (std::size_t k = 0; k < value.size(); ++k) {
            sum.value[k] += weight * value[k];
        }
        sum.nodeX.push_back(x);
        sum.nodeValue.push_back(settings_.judged < value.size() ? value[settings_.judged] : 0.0);
    }
    return sum;
}

// How far the halves' nodes stray from the polynomial through the whole range's nodes: large
// where the integrand jumps or kinks between nodes, however well the sums happen to agree.
double AdaptiveGauss::stray(const Range& range) const {
    const Sum& whole = range.whole;
    double largest = 0.0;
    for (const Sum* half : {&range.left, &range.right}) {
        for (std::size_t i = 0; i < half->nodeX.size(); ++i) {
            double value = 0.0;
            for (std::size_t j = 0; j < whole.nodeX.size(); ++j) {
                double basis = 1.0;
                for (std::size_t k = 0; k < whole.nodeX.size(); ++k) {
                    if (k != j) {
                        basis *=
                            (half->nodeX[i] - whole.nodeX[k]) / (whole.nodeX[j] - whole.nodeX[k]);
                    }
                }
                value += basis * whole.nodeValue[j];
            }
            largest = std::max(largest, std::abs(half->nodeValue[i] - value));
        }
    }
    return largest;
}

// The halves of a range whose whole rule is known, and what the range may still be wrong by.
void AdaptiveGauss::judge(const Integrand& f, Range& range, int& evaluations) const {
    const double middle = 0.5 * (range.a + range.b);
    range.left = gauss(f, range.a, middle, evaluations);
    range.right = gauss(f, middle, range.b, evaluations);
    const double difference =
        Difference(range.left.value, range.right.value, range.whole.value, settings_.judged);
    const double share = settings_.densityIntegral ? settings_.densityIntegral(range.b) -
                                                         settings_.densityIntegral(range.a)
                                                   : range.b - range.a;
    range.key = std::max(settings_.differenceSafety * difference,
                         stray(range) * share / settings_.strayFactor);
}

AdaptiveGauss::Result AdaptiveGauss::integrate(const Integrand& f, double a, double b) const {
    Result result;
    std::vector<Range> ranges(1);
    ranges[0].a = a;
    ranges[0].b = b;
    ranges[0].whole = gauss(f, a, b, result.evaluations);
    judge(f, ranges[0], result.evaluations);
    const auto total = [&ranges] {
        double sum = 0.0;
        for (const Range& range : ranges) {
            sum += range.key;
        }
        return sum;
    };
    while (total() > settings_.budget) {
        std::size_t worst = ranges.size();
        for (std::size_t i = 0; i < ranges.size(); ++i) {
            if (ranges[i].depth < settings_.maxDepth &&
                (worst == ranges.size() || ranges[i].key > ranges[worst].key)) {
                worst = i;
            }
        }
        if (worst == ranges.size()) {
            break;
        }
        if (settings_.foresee) {
            settings_.foresee(4 * settings_.points);
        }
        Range parent = std::move(ranges[worst]);
        const double middle = 0.5 * (parent.a + parent.b);
        Range low{parent.a, middle, parent.depth + 1, std::move(parent.left), {}, {}, 0.0};
        judge(f, low, result.evaluations);
        Range high{middle, parent.b, parent.depth + 1, std::move(parent.right), {}, {}, 0.0};
        judge(f, high, result.evaluations);
        ranges[worst] = std::move(low);
        ranges.insert(ranges.begin() + static_cast<std::ptrdiff_t>(worst) + 1, std::move(high));
    }
    result.reached = total() <= settings_.budget;
    const std::size_t components = ranges[0].whole.value.size();
    result.value.assign(components, 0.0);
    result.error.assign(components, 0.0);
    for (const Range& range : ranges) {
        for (std::size_t k = 0; k < components; ++k) {
            result.value[k] += range.left.value[k];
            result.value[k] += range.right.value[k];
            result.error[k] +=
                settings_.differenceSafety *
                Difference(range.left.value, range.right.value, range.whole.value, k);
        }
    }
    return result;
}

} // namespace kavrol::physics
