// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RayOutcome.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace kavrol::physics {

// What one side of a reflector patch does with light it re-emits diffusely, per unit of it:
// where it ends (mean; mean[Diffused] went on to patches, by side in deposits), the water's
// irradiance bins and the bound on the traced integral's error.
struct PatchLight {
    std::array<double, RayOutcome::kFates> mean{};
    std::vector<double> deposits;
    std::vector<double> histogram;
    double error = 0.0;
    double unresolved = 0.0;
    std::int64_t rays = 0;
    bool reached = true; // false when a direction integral stopped at its ray limit
};

// The diffuse transfer between the reflector's patches: light the tubes hand to the patches
// (the sources) is re-emitted, partly handed on to other patches, and so on. The power E each
// side emits solves E = S + M^T E, M the sides' deposits per unit emitted, as a linear system.
// Sides are traced only when light reaches them: sides receiving in all less than a small
// budget are left untraced and their light counts as absorbed and joins the error bound whole.
//
// The discretisation's error is judged by solving again on patches twice as long (neighbours
// paired, each pair emitting evenly over both): the two solutions' difference joins the bound.
class DiffuseTransfer {
public:
    using SideTracer = std::function<PatchLight(int side)>;

    // `mirror` maps each side to its mirror image (empty when the scene is not symmetric):
    // a side's light is then the mirror image of its partner's, traced only once.
    DiffuseTransfer(int sides, std::vector<int> mirror, SideTracer trace, int bins,
                    double untracedBudget);

    struct Solution {
        std::array<double, RayOutcome::kFates> mean{}; // of the patches' light, Diffused 0
        std::vector<double> histogram;
        double error = 0.0;          // traced integrals, unresolved gloss, untraced sides
        double discretisation = 0.0; // the fine and the coarse patches' difference
        std::vector<double> water;   // share entering the water for each extra source
        std::int64_t rays = 0;
        int tracedSides = 0;
        bool reached = true; // false when a traced side's integral stopped at its limit
    };

    // `source` is what the tubes handed to each side together; `perSource` the same for each
    // tube alone (may be empty), for the tubes' own shares.
    Solution solve(const std::vector<double>& source,
                   const std::vector<std::vector<double>>& perSource);

private:
    const PatchLight& row(int side);
    std::vector<double> emitted(const std::vector<int>& traced, const std::vector<double>& source,
                                std::vector<double>& untraced) const;
    std::vector<double> traceLitSides(const std::vector<double>& source, std::vector<int>& traced,
                                      std::vector<double>& untraced);
    double coarseWater(const std::vector<int>& traced, const std::vector<double>& source) const;

    int sides_;
    std::vector<int> mirror_;
    SideTracer trace_;
    int bins_;
    double untracedBudget_;
    std::vector<PatchLight> rows_;
    std::vector<bool> known_;
    std::int64_t rays_ = 0;
    bool reached_ = true;
};

} // namespace kavrol::physics
