// SPDX-License-Identifier: GPL-3.0-or-later
// The adaptive Gauss rule against integrals known in closed form: smooth, kinked and jumping
// integrands, one component or several, its error estimate covering its true error.
#include "AdaptiveGauss.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace kavrol::physics {
namespace {

struct Known {
    std::string name;
    double a;
    double b;
    double budget;
    std::size_t judged;
    AdaptiveGauss::Integrand f;
    std::vector<double> exact; // per component
    bool weighted = false;     // times the density (3/4)(1 - x^2) on [-1, 1]
};

std::vector<Known> Cases() {
    const double pi = std::numbers::pi;
    const auto one = [](double (*g)(double)) {
        return [g](double x, std::vector<double>& v) { v.assign(1, g(x)); };
    };
    const double third = 1.0 / 3.0;
    return {
        // The 3-point rule is exact to degree 5, but its nodes' stray from the quadratic
        // through them still asks for halving.
        {"x^5", 0.0, 1.0, 1e-6, 0, one([](double x) { return std::pow(x, 5); }), {1.0 / 6.0}},
        {"exp",
         0.0,
         2.0,
         1e-10,
         0,
         one([](double x) { return std::exp(x); }),
         {std::exp(2.0) - 1.0}},
        // A square-root kink, as where a path appears at a fold.
        {"sqrt|x - 1/3|",
         0.0,
         1.0,
         1e-6,
         0,
         one([](double x) { return std::sqrt(std::abs(x - 1.0 / 3.0)); }),
         {2.0 / 3.0 * (std::pow(third, 1.5) + std::pow(2.0 * third, 1.5))}},
        // A jump between nodes, where the halves' sums may agree by chance.
        {"step at 0.3",
         0.0,
         1.0,
         1e-4,
         0,
         one([](double x) { return x < 0.3 ? 0.0 : 1.0; }),
         {0.7}},
        // Several components, judged by the last one.
        {"1, x, cos x",
         0.0,
         pi / 2.0,
         1e-9,
         2,
         [](double x, std::vector<double>& v) {
             v = {1.0, x, std::cos(x)};
         },
         {pi / 2.0, pi * pi / 8.0, 1.0}},
        // Under a known density, with a jump: (3/4)(1 - x^2) over x > 0.2, and its x^2 moment.
        {"density, step at 0.2",
         -1.0,
         1.0,
         1e-4,
         0,
         [](double x, std::vector<double>& v) {
             v = {x > 0.2 ? 1.0 : 0.0, x * x};
         },
         {0.5 - 0.75 * 0.2 + 0.25 * 0.008, 0.75 * (2.0 / 3.0 - 2.0 / 5.0)},
         true},
    };
}

TEST(AdaptiveGauss, KnownIntegralsWithinTheirErrorEstimate) {
    for (const Known& c : Cases()) {
        AdaptiveGauss::Settings settings;
        settings.budget = c.budget;
        settings.judged = c.judged;
        if (c.weighted) {
            settings.density = [](double x) { return 0.75 * (1.0 - x * x); };
            settings.densityIntegral = [](double x) { return 0.5 + 0.75 * x - 0.25 * x * x * x; };
        }
        int foreseen = 9; // the whole range and its halves
        settings.foresee = [&foreseen](int evaluations) { foreseen += evaluations; };
        const AdaptiveGauss::Result r = AdaptiveGauss(settings).integrate(c.f, c.a, c.b);
        ASSERT_EQ(r.value.size(), c.exact.size()) << c.name;
        EXPECT_TRUE(r.reached) << c.name;
        EXPECT_EQ(r.evaluations, foreseen) << c.name;
        EXPECT_EQ(r.evaluations % settings.points, 0) << c.name;
        EXPECT_LE(r.error[c.judged], c.budget) << c.name;
        for (std::size_t k = 0; k < c.exact.size(); ++k) {
            // Rounding aside, the true error lies within the estimate.
            EXPECT_LE(std::abs(r.value[k] - c.exact[k]), r.error[k] + 1e-14)
                << c.name << ", component " << k;
        }
    }
}

TEST(AdaptiveGauss, HalvesOnlyWhereTheIntegrandNeedsIt) {
    const auto run = [](const AdaptiveGauss::Integrand& f, double budget) {
        AdaptiveGauss::Settings settings;
        settings.budget = budget;
        return AdaptiveGauss(settings).integrate(f, 0.0, 1.0);
    };
    // A quadratic lies on the polynomial through the nodes: nothing strays, nothing is halved.
    const auto quadratic = [](double x, std::vector<double>& v) { v.assign(1, 3.0 * x * x - x); };
    const AdaptiveGauss::Result once = run(quadratic, 1e-12);
    EXPECT_EQ(once.evaluations, 9);
    EXPECT_NEAR(once.value[0], 0.5, 1e-15);
    // A finer budget costs more evaluations on the kink, and its error falls with it.
    const auto kink = [](double x, std::vector<double>& v) {
        v.assign(1, std::sqrt(std::abs(x - 1.0 / 3.0)));
    };
    const AdaptiveGauss::Result coarse = run(kink, 1e-4);
    const AdaptiveGauss::Result fine = run(kink, 1e-8);
    EXPECT_GT(fine.evaluations, coarse.evaluations);
    EXPECT_LT(fine.error[0], coarse.error[0]);
}

TEST(AdaptiveGauss, SaysWhenTheDepthRunsOutBeforeTheBudget) {
    AdaptiveGauss::Settings settings;
    settings.budget = 1e-12;
    settings.maxDepth = 3;
    const auto step = [](double x, std::vector<double>& v) { v.assign(1, x < 0.3 ? 0.0 : 1.0); };
    const AdaptiveGauss::Result r = AdaptiveGauss(settings).integrate(step, 0.0, 1.0);
    EXPECT_FALSE(r.reached);
    EXPECT_NEAR(r.value[0], 0.7, 0.1);
}

} // namespace
} // namespace kavrol::physics
