// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <memory>
#include <vector>

namespace kavrol::physics {

// The unpolarised Fresnel share entering the water, folded over the out-of-plane angle psi.
// A ray's in-plane direction meets the water at u = cos(a), a from the vertical; with elevation
// psi its 3D incidence has cos(theta) = cos(psi) * u, and psi has density (2/pi) cos^2 psi
// whatever the in-plane path. The table holds, against u on a uniform grid:
// - Tbar(u), the mean share entering on a ray's first arrival;
// - how the reflected rest splits over kPsiNodes Gauss nodes in psi, so that light the surface
//   reflects keeps its psi when it comes back to the water at another angle;
// - T at each node.
// Entering and reflected shares always add up to what arrived (to rounding).
class FresnelTable {
public:
    static constexpr int kPsiNodes = 12;
    static constexpr int kIntervals = 2048; // over u in [0, 1]

    explicit FresnelTable(double refractiveIndex);

    // A shared table per refractive index, built on first use; safe from several threads.
    static std::shared_ptr<const FresnelTable> ForIndex(double refractiveIndex);

    // T = 1 - (Rs + Rp) / 2 at incidence cos(theta), from a medium of index 1 into index n.
    static double Transmittance(double cosTheta, double n);

    double refractiveIndex() const { return n_; }

    // Tbar(u) interpolated from the table.
    double meanTransmittance(double u) const;

    // First arrival of in-plane weight `weight` at u: returns the entering share and writes the
    // reflected rest, split over the psi nodes, to `reflected`.
    double enterFirst(double u, double weight, std::array<double, kPsiNodes>& reflected) const;

    // A later arrival of weight already split over psi: returns the entering share and leaves
    // the reflected rest in `weights`.
    double enterAgain(double u, std::array<double, kPsiNodes>& weights) const;

    // The largest difference between the interpolated and the directly integrated Tbar found
    // halfway between grid points: a bound on the table's own error per unit weight.
    double interpolationError() const { return interpolationError_; }

    // Tbar(u) integrated directly with a fine rule (slow; for checks and the table itself).
    static double IntegratedMeanTransmittance(double u, double n);

private:
    struct Row {
        double meanT = 1.0;
        std::array<double, kPsiNodes> reflectedSplit{};
        std::array<double, kPsiNodes> nodeT{};
    };
    Row exactRow(double u) const;

    double n_;
    std::array<double, kPsiNodes> psiNodes_{};
    std::array<double, kPsiNodes> psiWeights_{};
    std::vector<Row> rows_;
    double interpolationError_ = 0.0;
};

} // namespace kavrol::physics
