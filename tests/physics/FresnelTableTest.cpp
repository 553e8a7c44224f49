// SPDX-License-Identifier: GPL-3.0-or-later
// The Fresnel share at the water and its table folded over the out-of-plane angle.
#include "FresnelTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace kavrol::physics {
namespace {

constexpr double kN = 1.33;

// Tbar(u) by a plain midpoint rule over psi in (-pi/2, pi/2), independent of the table's rule.
double MidpointMeanTransmittance(double u, double n) {
    constexpr int kSteps = 20000;
    const double step = std::numbers::pi / kSteps;
    double sum = 0.0;
    for (int i = 0; i < kSteps; ++i) {
        const double psi = -std::numbers::pi / 2.0 + (i + 0.5) * step;
        const double c = std::cos(psi);
        sum += FresnelTable::Transmittance(c * u, n) * c * c * step;
    }
    return sum * 2.0 / std::numbers::pi;
}

TEST(FresnelTable, TransmittanceAtKnownAngles) {
    // Normal incidence: 1 - ((n - 1)/(n + 1))^2.
    EXPECT_NEAR(FresnelTable::Transmittance(1.0, kN), 0.979941, 5e-7);
    // Brewster's angle: Rp vanishes, so T = 1 - Rs / 2.
    const double brewster = std::atan(kN);
    const double ci = std::cos(brewster);
    const double ct = std::sqrt(1.0 - std::pow(std::sin(brewster) / kN, 2));
    const double rs = std::pow((ci - kN * ct) / (ci + kN * ct), 2);
    EXPECT_NEAR(FresnelTable::Transmittance(ci, kN), 1.0 - rs / 2.0, 1e-15);
    // Grazing incidence reflects everything; index 1 reflects nothing.
    EXPECT_NEAR(FresnelTable::Transmittance(0.0, kN), 0.0, 1e-15);
    EXPECT_EQ(FresnelTable::Transmittance(0.3, 1.0), 1.0);
}

TEST(FresnelTable, MeanOverPsiMatchesAnIndependentIntegral) {
    const FresnelTable table(kN);
    EXPECT_LT(table.interpolationError(), 1e-6);
    for (double u : {0.0, 0.05, 0.3, 0.5, 0.77, 0.9, 0.999, 1.0}) {
        const double reference = MidpointMeanTransmittance(u, kN);
        EXPECT_NEAR(FresnelTable::IntegratedMeanTransmittance(u, kN), reference, 1e-8) << u;
        EXPECT_NEAR(table.meanTransmittance(u), reference, table.interpolationError() + 1e-8) << u;
    }
    // Rays out of the plane meet the water obliquely, so straight down keeps less than T(0).
    EXPECT_LT(table.meanTransmittance(1.0), FresnelTable::Transmittance(1.0, kN) - 1e-3);
}

TEST(FresnelTable, SplitsKeepEveryBitOfLightAndFollowPsi) {
    const FresnelTable table(kN);
    for (double u : {0.02, 0.4, 0.95}) {
        std::array<double, FresnelTable::kPsiNodes> reflected{};
        const double entered = table.enterFirst(u, 0.7, reflected);
        double rest = 0.0;
        for (double r : reflected) {
            EXPECT_GE(r, 0.0);
            rest += r;
        }
        EXPECT_NEAR(entered + rest, 0.7, 1e-15);
        EXPECT_NEAR(entered, 0.7 * table.meanTransmittance(u), 1e-15);
        // The second arrival weighs T by the psi the first reflection left: not Tbar twice.
        const double before = rest;
        const double again = table.enterAgain(u, reflected);
        double left = 0.0;
        for (double r : reflected) {
            left += r;
        }
        EXPECT_NEAR(again + left, before, 1e-15);
        // Reference: (2/pi) * integral of (1 - T1) T2 cos^2 psi, with T1 = T2 at the same u.
        double reference = 0.0;
        constexpr int kSteps = 20000;
        for (int i = 0; i < kSteps; ++i) {
            const double psi = -std::numbers::pi / 2.0 + (i + 0.5) * std::numbers::pi / kSteps;
            const double t = FresnelTable::Transmittance(std::cos(psi) * u, kN);
            reference += (1.0 - t) * t * std::pow(std::cos(psi), 2) / kSteps * 2.0;
        }
        EXPECT_NEAR(again, 0.7 * reference, 1e-6 * 0.7) << u;
        EXPECT_GT(std::abs(again - before * table.meanTransmittance(u)), 1e-4 * before) << u;
    }
}

TEST(FresnelTable, IndexOneLetsEverythingIn) {
    const auto table = FresnelTable::ForIndex(1.0);
    std::array<double, FresnelTable::kPsiNodes> reflected{};
    EXPECT_EQ(table->enterFirst(0.3, 1.0, reflected), 1.0);
    EXPECT_EQ(table->meanTransmittance(0.0), 1.0);
    EXPECT_EQ(FresnelTable::ForIndex(1.0), table) << "tables are shared per index";
}

} // namespace
} // namespace kavrol::physics
