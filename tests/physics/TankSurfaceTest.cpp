// SPDX-License-Identifier: GPL-3.0-or-later
// The whole tank with a glossy reflector: energy kept with the gloss's branches, the mirror as
// the spread's limit, and a long lamp against the cross-section with the same sheet.
#include "FixtureScene.h"
#include "LightEstimator.h"
#include "TankEstimator.h"
#include "TankScene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kavrol::physics {
namespace {

Fixture Lamp(double width, ReflectorSurface surface) {
    Fixture f;
    f.waterDistance = 200.0;
    f.width = width;
    f.materials.albedo = 0.8;
    Fixture::Unit u;
    u.tubeRadius = 8.0;
    u.lampDistance = 50.0;
    u.reflector.shape = ReflectorShape::Parabola;
    u.reflector.a = 200.0;
    u.reflector.b = 100.0;
    u.surface = surface;
    f.units.push_back(u);
    return f;
}

TankUnit Span(double centre, double length, bool closed) {
    TankUnit u;
    u.centre = centre;
    u.litLength = length;
    u.reflectorLength = length;
    u.closedLow = closed;
    u.closedHigh = closed;
    return u;
}

double Sum(const TankEstimate& e) {
    const TankEstimate::Losses& l = e.losses;
    return e.floorShare + l.absorbed + l.returnedToTube + l.besideTank + l.frontBackGlass +
           l.endGlass + l.water;
}

TankEstimate Estimate(const Fixture& lamp, const Tank& tank, const TankUnit& unit,
                      TankEstimator::Settings s) {
    return TankEstimator(std::move(s)).estimate(TankScene(lamp, tank, {unit}));
}

// On one fixed grid (no refinement) the gloss rule's branches carry every share, and their
// light, in the floor share and in every cell, tends to the mirror's as the spread goes to 0.
TEST(TankSurface, GlossKeepsEnergyAndTendsToTheMirror) {
    Tank tank;
    tank.length = 1000.0;
    tank.waterDepth = 300.0;
    TankEstimator::Settings s;
    s.cellsX = 4;
    s.cellsZ = 8;
    s.depths = 2;
    s.startOffsets = 4;
    s.startAngles = 64;
    s.startElevations = 8;
    s.maxDirections = 1; // the first grid only
    const TankUnit unit = Span(500.0, 800.0, true);
    const TankEstimate mirror = Estimate(Lamp(500.0, {}), tank, unit, s);
    double previous = 1.0;
    for (const double sigma : {3.0, 0.1, 0.001}) {
        const TankEstimate e = Estimate(Lamp(500.0, {0.0, sigma}), tank, unit, s);
        EXPECT_NEAR(Sum(e), 1.0, 1e-12) << sigma;
        double gap = std::abs(e.floorShare - mirror.floorShare);
        for (std::size_t c = 0; c < e.cells.size(); ++c) {
            gap = std::max(gap, std::abs(e.cells[c] - mirror.cells[c]) / mirror.max);
        }
        EXPECT_LT(gap, previous) << sigma;
        previous = gap;
    }
    EXPECT_LT(previous, 1e-5);
}

// A long lamp in a tank a little longer (closed ends): the gloss changes the share entering
// the water as it changes the cross-section's, within both bounds. The lamp's finite length
// leaves a gap to the cross-section that the mirror shows alike, so the gaps are compared.
TEST(TankSurface, LongGlossyLampTendsToTheCrossSectionsShare) {
    const ReflectorSurface glossy{0.0, 3.0};
    const auto gap = [](const ReflectorSurface& surface) {
        const Fixture lamp = Lamp(500.0, surface);
        const PhysicalEstimate flat =
            LightEstimator(EstimateOptions{}).estimate(FixtureScene(lamp).scene());
        Tank tank;
        tank.length = 1100.0;
        tank.waterDepth = 100.0;
        TankEstimator::Settings s;
        s.tolerance = 0.004;
        s.cellsX = 2;
        s.cellsZ = 4;
        s.depths = 2;
        s.startOffsets = 4;
        s.startAngles = 128;
        s.startElevations = 8;
        const TankEstimate e = Estimate(lamp, tank, Span(550.0, 1000.0, true), s);
        EXPECT_NEAR(Sum(e), 1.0, 1e-12);
        return std::pair{e.enteredWater - flat.efficiency, e.error + flat.error};
    };
    const auto [mirrorGap, mirrorBound] = gap({});
    const auto [glossGap, glossBound] = gap(glossy);
    EXPECT_NEAR(glossGap, mirrorGap, glossBound + mirrorBound);
}

// A diffuse share is refused with its reason rather than traced as a mirror.
TEST(TankSurface, DiffuseShareIsRefused) {
    Tank tank;
    try {
        TankScene(Lamp(500.0, {0.3, 15.0}), tank, {Span(600.0, 800.0, false)});
        FAIL() << "no refusal";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("diffuse share above 0"), std::string::npos)
            << e.what();
    }
}

} // namespace
} // namespace kavrol::physics
