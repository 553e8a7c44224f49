// SPDX-License-Identifier: GPL-3.0-or-later
#include "FresnelTable.h"

#include "QuadratureRule.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <numbers>

namespace kavrol::physics {

namespace {

// Nodes of the fine rule that integrates Tbar for the table: psi on [0, pi/2].
constexpr int kFineNodes = 48;

// Index of u's table interval and the fraction within it; u is clamped to [0, 1].
std::pair<std::size_t, double> Locate(double u) {
    const double scaled = std::clamp(u, 0.0, 1.0) * FresnelTable::kIntervals;
    const auto index = std::min(static_cast<std::size_t>(scaled),
                                static_cast<std::size_t>(FresnelTable::kIntervals - 1));
    return {index, scaled - static_cast<double>(index)};
}

} // namespace

double FresnelTable::Transmittance(double cosTheta, double n) {
    if (n == 1.0) {
        return 1.0;
    }
    const double ci = std::clamp(cosTheta, 0.0, 1.0);
    const double sinT2 = (1.0 - ci * ci) / (n * n);
    const double ct = std::sqrt(1.0 - sinT2);
    const double rs = (ci - n * ct) / (ci + n * ct);
    const double rp = (n * ci - ct) / (n * ci + ct);
    return 1.0 - 0.5 * (rs * rs + rp * rp);
}

double FresnelTable::IntegratedMeanTransmittance(double u, double n) {
    if (n == 1.0) {
        return 1.0;
    }
    // (4/pi) * integral over psi in [0, pi/2] of T(cos psi * u) cos^2 psi, by symmetry in psi.
    static const QuadratureRule rule = QuadratureRule::GaussLegendre(kFineNodes);
    const double half = std::numbers::pi / 4.0;
    double sum = 0.0;
    for (std::size_t i = 0; i < rule.nodes.size(); ++i) {
        const double psi = half * (rule.nodes[i] + 1.0);
        const double c = std::cos(psi);
        sum += rule.weights[i] * half * Transmittance(c * u, n) * c * c;
    }
    return sum * 4.0 / std::numbers::pi;
}

FresnelTable::FresnelTable(double refractiveIndex) : n_(refractiveIndex) {
    const QuadratureRule rule = QuadratureRule::GaussLegendre(kPsiNodes);
    const double half = std::numbers::pi / 4.0;
    double total = 0.0;
    for (std::size_t k = 0; k < kPsiNodes; ++k) {
        psiNodes_[k] = half * (rule.nodes[k] + 1.0);
        const double c = std::cos(psiNodes_[k]);
        psiWeights_[k] = rule.weights[k] * c * c;
        total += psiWeights_[k];
    }
    for (double& w : psiWeights_) {
        w /= total;
    }
    rows_.resize(kIntervals + 1);
    for (int i = 0; i <= kIntervals; ++i) {
        rows_[static_cast<std::size_t>(i)] = exactRow(static_cast<double>(i) / kIntervals);
    }
    for (int i = 0; i < kIntervals; ++i) {
        const double u = (i + 0.5) / kIntervals;
        const double difference =
            std::abs(meanTransmittance(u) - IntegratedMeanTransmittance(u, n_));
        interpolationError_ = std::max(interpolationError_, difference);
    }
}

FresnelTable::Row FresnelTable::exactRow(double u) const {
    Row row;
    row.meanT = IntegratedMeanTransmittance(u, n_);
    double reflected = 0.0;
    for (std::size_t k = 0; k < kPsiNodes; ++k) {
        row.nodeT[k] = Transmittance(std::cos(psiNodes_[k]) * u, n_);
        row.reflectedSplit[k] = psiWeights_[k] * (1.0 - row.nodeT[k]);
        reflected += row.reflectedSplit[k];
    }
    for (std::size_t k = 0; k < kPsiNodes; ++k) {
        row.reflectedSplit[k] =
            reflected > 0.0 ? row.reflectedSplit[k] / reflected : psiWeights_[k];
    }
    return row;
}

std::shared_ptr<const FresnelTable> FresnelTable::ForIndex(double refractiveIndex) {
    static std::mutex mutex;
    static std::map<double, std::shared_ptr<const FresnelTable>> tables;
    const std::lock_guard lock(mutex);
    auto& table = tables[refractiveIndex];
    if (!table) {
        table = std::make_shared<const FresnelTable>(refractiveIndex);
    }
    return table;
}

double FresnelTable::meanTransmittance(double u) const {
    const auto [i, f] = Locate(u);
    return rows_[i].meanT + f * (rows_[i + 1].meanT - rows_[i].meanT);
}

double FresnelTable::enterFirst(double u, double weight,
                                std::array<double, kPsiNodes>& reflected) const {
    const auto [i, f] = Locate(u);
    const Row& lo = rows_[i];
    const Row& hi = rows_[i + 1];
    const double entering = weight * (lo.meanT + f * (hi.meanT - lo.meanT));
    const double rest = weight - entering;
    for (std::size_t k = 0; k < kPsiNodes; ++k) {
        reflected[k] =
            rest * (lo.reflectedSplit[k] + f * (hi.reflectedSplit[k] - lo.reflectedSplit[k]));
    }
    return entering;
}

double FresnelTable::enterAgain(double u, std::array<double, kPsiNodes>& weights) const {
    const auto [i, f] = Locate(u);
    const Row& lo = rows_[i];
    const Row& hi = rows_[i + 1];
    double entering = 0.0;
    for (std::size_t k = 0; k < kPsiNodes; ++k) {
        const double in = weights[k] * (lo.nodeT[k] + f * (hi.nodeT[k] - lo.nodeT[k]));
        weights[k] -= in;
        entering += in;
    }
    return entering;
}

} // namespace kavrol::physics
