// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: the dense solver; rows of sides; the power each side emits; the sides worth
// tracing; the coarse twin; the solution.
#include "DiffuseTransfer.h"

#include "SurfacePatches.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace kavrol::physics {

namespace {

// --- The dense solver ---

// Solves x_j - sum_i deposits[i][j] x_i = rhs_j for every right-hand side, by Gaussian
// elimination with partial pivoting. The matrix is diagonally dominant by columns (a side hands
// on less than it emits), so it never meets a zero pivot.
std::vector<std::vector<double>> SolveEmission(const std::vector<std::vector<double>>& deposits,
                                               std::vector<std::vector<double>> rhs) {
    const std::size_t n = deposits.size();
    std::vector<std::vector<double>> a(n, std::vector<double>(n, 0.0));
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < n; ++i) {
            a[j][i] = (i == j ? 1.0 : 0.0) - deposits[i][j];
        }
    }
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t pivot = col;
        for (std::size_t r = col + 1; r < n; ++r) {
            if (std::abs(a[r][col]) > std::abs(a[pivot][col])) {
                pivot = r;
            }
        }
        std::swap(a[col], a[pivot]);
        for (auto& b : rhs) {
            std::swap(b[col], b[pivot]);
        }
        for (std::size_t r = col + 1; r < n; ++r) {
            const double factor = a[r][col] / a[col][col];
            if (factor == 0.0) {
                continue;
            }
            for (std::size_t c = col; c < n; ++c) {
                a[r][c] -= factor * a[col][c];
            }
            for (auto& b : rhs) {
                b[r] -= factor * b[col];
            }
        }
    }
    for (auto& b : rhs) {
        for (std::size_t r = n; r-- > 0;) {
            double sum = b[r];
            for (std::size_t c = r + 1; c < n; ++c) {
                sum -= a[r][c] * b[c];
            }
            b[r] = sum / a[r][r];
        }
    }
    return rhs;
}

// The neighbour a side is paired with in the coarse patches.
int Sibling(int side) {
    return side ^ 2;
}

} // namespace

// --- Rows of sides ---

DiffuseTransfer::DiffuseTransfer(int sides, std::vector<int> mirror, SideTracer trace, int bins,
                                 double untracedBudget)
    : sides_(sides), mirror_(std::move(mirror)), trace_(std::move(trace)), bins_(bins),
      untracedBudget_(untracedBudget), rows_(static_cast<std::size_t>(sides)),
      known_(static_cast<std::size_t>(sides), false) {}

const PatchLight& DiffuseTransfer::row(int side) {
    const auto s = static_cast<std::size_t>(side);
    if (known_[s]) {
        return rows_[s];
    }
    const int partner = mirror_.empty() ? -1 : mirror_[s];
    if (partner >= 0 && partner != side && known_[static_cast<std::size_t>(partner)]) {
        // The partner's light mirrored: its deposits go to the mirror images of its sides.
        const PatchLight& p = rows_[static_cast<std::size_t>(partner)];
        PatchLight& m = rows_[s];
        m = p;
        m.rays = 0;
        for (int k = 0; k < sides_; ++k) {
            m.deposits[static_cast<std::size_t>(mirror_[static_cast<std::size_t>(k)])] =
                p.deposits[static_cast<std::size_t>(k)];
        }
        std::reverse(m.histogram.begin(), m.histogram.end());
    } else {
        rows_[s] = trace_(side);
        rays_ += rows_[s].rays;
        reached_ = reached_ && rows_[s].reached;
    }
    known_[s] = true;
    return rows_[s];
}

// --- The power each side emits ---

// The power each side emits when only the traced sides re-emit: theirs from the system, the
// others' as what reaches them (they absorb it).
std::vector<double> DiffuseTransfer::emitted(const std::vector<int>& traced,
                                             const std::vector<double>& source,
                                             std::vector<double>& untraced) const {
    std::vector<std::vector<double>> deposits(traced.size(),
                                              std::vector<double>(traced.size(), 0.0));
    std::vector<double> rhs(traced.size());
    for (std::size_t i = 0; i < traced.size(); ++i) {
        const PatchLight& r = rows_[static_cast<std::size_t>(traced[i])];
        for (std::size_t j = 0; j < traced.size(); ++j) {
            deposits[i][j] = r.deposits[static_cast<std::size_t>(traced[j])];
        }
        rhs[i] = source[static_cast<std::size_t>(traced[i])];
    }
    const std::vector<double> power = SolveEmission(deposits, {rhs})[0];
    std::vector<double> all(source);
    for (std::size_t i = 0; i < traced.size(); ++i) {
        const PatchLight& r = rows_[static_cast<std::size_t>(traced[i])];
        for (int k = 0; k < sides_; ++k) {
            all[static_cast<std::size_t>(k)] += power[i] * r.deposits[static_cast<std::size_t>(k)];
        }
    }
    untraced = all;
    for (std::size_t i = 0; i < traced.size(); ++i) {
        all[static_cast<std::size_t>(traced[i])] = power[i];
        untraced[static_cast<std::size_t>(traced[i])] = 0.0;
    }
    return all;
}

// --- The sides worth tracing ---

// Traces sides in rounds, each round those whose light the system leaves them, faintest last,
// beyond the untraced budget (with their coarse siblings), until the rest fits the budget.
// Returns the power each side emits; `traced` ends sorted, `untraced` holds what the untraced
// sides receive.
std::vector<double> DiffuseTransfer::traceLitSides(const std::vector<double>& source,
                                                   std::vector<int>& traced,
                                                   std::vector<double>& untraced) {
    std::vector<bool> isTraced(static_cast<std::size_t>(sides_), false);
    std::vector<double> power = emitted(traced, source, untraced);
    for (;;) {
        std::vector<int> order(static_cast<std::size_t>(sides_));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int p, int q) {
            return untraced[static_cast<std::size_t>(p)] < untraced[static_cast<std::size_t>(q)];
        });
        double left = 0.0;
        std::vector<int> next;
        for (int side : order) {
            if (isTraced[static_cast<std::size_t>(side)]) {
                continue;
            }
            left += untraced[static_cast<std::size_t>(side)];
            if (left > untracedBudget_) {
                next.push_back(side);
            }
        }
        if (next.empty()) {
            return power;
        }
        for (int side : next) {
            for (int s : {side, Sibling(side)}) {
                if (!isTraced[static_cast<std::size_t>(s)]) {
                    isTraced[static_cast<std::size_t>(s)] = true;
                    traced.push_back(s);
                    row(s);
                }
            }
        }
        std::sort(traced.begin(), traced.end());
        power = emitted(traced, source, untraced);
    }
}

// --- The coarse twin ---

// The share entering the water with the same light on patches twice as long: each pair of
// traced sides emits evenly over both.
double DiffuseTransfer::coarseWater(const std::vector<int>& traced,
                                    const std::vector<double>& source) const {
    std::vector<int> coarse;
    for (int side : traced) {
        coarse.push_back(SurfacePatches::CoarseSide(side));
    }
    coarse.erase(std::unique(coarse.begin(), coarse.end()), coarse.end());
    std::vector<int> indexOf(static_cast<std::size_t>(sides_), -1);
    for (std::size_t i = 0; i < coarse.size(); ++i) {
        indexOf[static_cast<std::size_t>(coarse[i])] = static_cast<int>(i);
    }
    std::vector<std::vector<double>> deposits(coarse.size(),
                                              std::vector<double>(coarse.size(), 0.0));
    std::vector<double> rhs(coarse.size(), 0.0);
    std::vector<double> water(coarse.size(), 0.0);
    for (int side : traced) {
        const auto i = static_cast<std::size_t>(
            indexOf[static_cast<std::size_t>(SurfacePatches::CoarseSide(side))]);
        const PatchLight& r = rows_[static_cast<std::size_t>(side)];
        rhs[i] += source[static_cast<std::size_t>(side)];
        water[i] += 0.5 * r.mean[RayOutcome::Water];
        for (int k = 0; k < sides_; ++k) {
            const int j = indexOf[static_cast<std::size_t>(SurfacePatches::CoarseSide(k))];
            if (j >= 0) {
                deposits[i][static_cast<std::size_t>(j)] +=
                    0.5 * r.deposits[static_cast<std::size_t>(k)];
            }
        }
    }
    const std::vector<double> coarsePower = SolveEmission(deposits, {rhs})[0];
    double total = 0.0;
    for (std::size_t i = 0; i < coarse.size(); ++i) {
        total += coarsePower[i] * water[i];
    }
    return total;
}

// --- The solution ---

DiffuseTransfer::Solution
DiffuseTransfer::solve(const std::vector<double>& source,
                       const std::vector<std::vector<double>>& perSource) {
    std::vector<int> traced;
    std::vector<double> untraced;
    const std::vector<double> power = traceLitSides(source, traced, untraced);

    Solution solution;
    solution.histogram.assign(static_cast<std::size_t>(bins_), 0.0);
    for (int side : traced) {
        const PatchLight& r = rows_[static_cast<std::size_t>(side)];
        const double e = power[static_cast<std::size_t>(side)];
        for (int f = 0; f < RayOutcome::kFates; ++f) {
            if (f != RayOutcome::Diffused) {
                solution.mean[static_cast<std::size_t>(f)] +=
                    e * r.mean[static_cast<std::size_t>(f)];
            }
        }
        for (std::size_t b = 0; b < r.histogram.size() && b < solution.histogram.size(); ++b) {
            solution.histogram[b] += e * r.histogram[b];
        }
        solution.error += e * (r.error + r.unresolved);
    }
    const double lost = std::accumulate(untraced.begin(), untraced.end(), 0.0);
    solution.mean[RayOutcome::Absorbed] += lost;
    solution.error += lost;
    solution.discretisation =
        std::abs(coarseWater(traced, source) - solution.mean[RayOutcome::Water]);
    solution.error += solution.discretisation;

    for (const std::vector<double>& s : perSource) {
        std::vector<double> ignored;
        const std::vector<double> p = emitted(traced, s, ignored);
        double w = 0.0;
        for (int side : traced) {
            w += p[static_cast<std::size_t>(side)] *
                 rows_[static_cast<std::size_t>(side)].mean[RayOutcome::Water];
        }
        solution.water.push_back(w);
    }
    solution.rays = rays_;
    solution.reached = reached_;
    solution.tracedSides = static_cast<int>(traced.size());
    return solution;
}

} // namespace kavrol::physics
