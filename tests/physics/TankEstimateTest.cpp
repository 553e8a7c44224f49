// SPDX-License-Identifier: GPL-3.0-or-later
// The whole tank against independent physics: a bare finite tube over a floor without water
// against the view factor of a finite Lambertian cylinder integrated here with a fine rule;
// a long lamp against the cross-section's 2.5D share; the image of a closed end plate; total
// reflection at the glass; a descent kept to a window; the energy balance; the floor grid's
// spreading; bounds against a much finer run; cell bounds that shrink with the tolerance; a
// lamp of two tubes bounded on their sum.
#include "FixtureScene.h"
#include "FloorGrid.h"
#include "LightEstimator.h"
#include "QuadratureRule.h"
#include "TankEstimator.h"
#include "TankScene.h"
#include "TankWater.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <numeric>

namespace kavrol::physics {
namespace {

constexpr double kPi = std::numbers::pi;

Fixture Lamp(double width, double albedo = 0.8, double n = 1.33) {
    Fixture f;
    f.waterDistance = 200.0;
    f.width = width;
    f.materials.albedo = albedo;
    f.materials.refractiveIndex = n;
    Fixture::Unit u;
    u.tubeRadius = 8.0;
    u.lampDistance = 50.0;
    u.reflector.shape = ReflectorShape::Parabola;
    u.reflector.a = 200.0;
    u.reflector.b = 100.0;
    f.units.push_back(u);
    return f;
}

TankUnit Span(double centre, double length, bool closedLow = false, bool closedHigh = false) {
    TankUnit u;
    u.centre = centre;
    u.litLength = length;
    u.reflectorLength = length;
    u.closedLow = closedLow;
    u.closedHigh = closedHigh;
    u.photonFlux = 1.0;
    return u;
}

TankEstimator::Settings Settings(double tolerance, int cellsX, int cellsZ) {
    TankEstimator::Settings s;
    s.tolerance = tolerance;
    s.cellsX = cellsX;
    s.cellsZ = cellsZ;
    s.depths = 2;
    return s;
}

double Sum(const TankEstimate& e) {
    const TankEstimate::Losses& l = e.losses;
    return e.floorShare + l.absorbed + l.returnedToTube + l.besideTank + l.frontBackGlass +
           l.endGlass + l.water;
}

// A run with every direction of the grid doubled at least twice agrees with `coarse`: the floor
// share within both bounds, and all but a few cells too (a cell's bound is an estimate of its
// own error, so two may miss by up to three times).
void ExpectAMuchFinerRunAgrees(const TankScene& scene, const TankEstimate& coarse, int cellsX,
                               int cellsZ) {
    TankEstimator::Settings fine = Settings(1.0, cellsX, cellsZ);
    fine.startOffsets = 4 * coarse.offsets;
    fine.startAngles = 2 * coarse.angles;
    fine.startElevations = 4 * coarse.elevations;
    const TankEstimate reference = TankEstimator(fine).estimate(scene);
    EXPECT_NEAR(coarse.floorShare, reference.floorShare, coarse.error + reference.error);
    int beyond = 0;
    for (std::size_t c = 0; c < coarse.cells.size(); ++c) {
        const double gap = std::abs(coarse.cells[c] - reference.cells[c]);
        beyond += gap > coarse.cellErrors[c] + reference.cellErrors[c] ? 1 : 0;
        EXPECT_LT(gap, 3.0 * (coarse.cellErrors[c] + reference.cellErrors[c])) << c;
    }
    EXPECT_LE(beyond, 2);
}

// The share of a bare Lambertian tube's light (radius R, lit from z0 to z1, axis at height h
// above the floor plane and at x = 0) falling on the floor rectangle [xa, xb] x [za, zb]:
// radiance 1 / (pi * 2 pi R (z1 - z0)) integrated over the tube's side facing each floor point.
double CylinderShare(double radius, double h, double z0, double z1, double xa, double xb, double za,
                     double zb) {
    const QuadratureRule floorRule = QuadratureRule::GaussLegendre(8);
    const QuadratureRule arcRule = QuadratureRule::GaussLegendre(24);
    const QuadratureRule lengthRule = QuadratureRule::GaussLegendre(48);
    const double radiance = 1.0 / (kPi * 2.0 * kPi * radius * (z1 - z0));
    double total = 0.0;
    for (std::size_t i = 0; i < floorRule.nodes.size(); ++i) {
        const double x = 0.5 * (xa + xb) + 0.5 * (xb - xa) * floorRule.nodes[i];
        for (std::size_t j = 0; j < floorRule.nodes.size(); ++j) {
            const double z = 0.5 * (za + zb) + 0.5 * (zb - za) * floorRule.nodes[j];
            // The arc of the circle facing the point: normals within acos(R/d) of its bearing.
            const double d = std::hypot(x, h);
            const double bearing = std::atan2(-h, x); // from the axis toward the point (y up)
            const double half = std::acos(radius / d);
            double irradiance = 0.0;
            for (std::size_t a = 0; a < arcRule.nodes.size(); ++a) {
                const double phi = bearing + half * arcRule.nodes[a];
                const double nx = std::cos(phi);
                const double ny = std::sin(phi);
                const double qx = radius * nx;
                const double qy = radius * ny;
                // Splitting the length at the point's z keeps the integrand smooth on each part.
                const double cut = std::clamp(z, z0, z1);
                for (const auto& [lo, hi] : {std::pair{z0, cut}, std::pair{cut, z1}}) {
                    if (!(hi > lo)) {
                        continue;
                    }
                    for (std::size_t l = 0; l < lengthRule.nodes.size(); ++l) {
                        const double qz = 0.5 * (lo + hi) + 0.5 * (hi - lo) * lengthRule.nodes[l];
                        const double rx = x - qx;
                        const double ry = -h - qy;
                        const double rz = z - qz;
                        const double r2 = rx * rx + ry * ry + rz * rz;
                        const double r = std::sqrt(r2);
                        const double cosTube = (rx * nx + ry * ny) / r;
                        const double cosFloor = h / r * (-ry / h);
                        const double w = half * arcRule.weights[a] * radius * 0.5 * (hi - lo) *
                                         lengthRule.weights[l];
                        irradiance += w * radiance * cosTube * std::max(cosFloor, 0.0) / r2;
                    }
                }
            }
            total += 0.25 * (xb - xa) * (zb - za) * floorRule.weights[i] * floorRule.weights[j] *
                     irradiance;
        }
    }
    return total;
}

// No water (n = 1, the glass then passes everything), no reflector: the floor's light is the
// finite cylinder's, under the middle and near an end.
TEST(TankEstimate, BareTubeWithoutWaterIsTheFiniteLambertianCylinder) {
    const Fixture lamp = Lamp(900.0, 0.8, 1.0);
    Tank tank;
    tank.length = 1200.0;
    tank.waterDepth = 100.0;
    const TankScene scene = TankScene(lamp, tank, {Span(600.0, 600.0)}).withoutReflectors();
    const TankEstimate e = TankEstimator(Settings(0.001, 9, 12)).estimate(scene);
    const double area = 100.0 * 100.0;
    const double h = lamp.waterDistance + tank.waterDepth;
    struct Case {
        int column;
        int row;
    };
    // Under the middle; below the tube's end (z = 900 is an edge of row 9); beyond it.
    for (const Case c : {Case{4, 5}, Case{4, 8}, Case{4, 9}, Case{3, 10}}) {
        const double xa = e.edgesXmm[static_cast<std::size_t>(c.column)];
        const double xb = e.edgesXmm[static_cast<std::size_t>(c.column + 1)];
        const double za = e.edgesZmm[static_cast<std::size_t>(c.row)];
        const double zb = e.edgesZmm[static_cast<std::size_t>(c.row + 1)];
        const double exact = CylinderShare(8.0, h, 300.0, 900.0, xa, xb, za, zb);
        const std::size_t cell = static_cast<std::size_t>(c.row * 9 + c.column);
        const double share = e.cells[cell] * area / e.photonFlux * 1e-6;
        const double bound = e.cellErrors[cell] * area / e.photonFlux * 1e-6;
        EXPECT_NEAR(share, exact, bound + 1e-3 * exact) << "cell " << c.column << ", " << c.row;
        EXPECT_NEAR(share, exact, 0.01 * exact) << "cell " << c.column << ", " << c.row;
    }
    EXPECT_NEAR(Sum(e), 1.0, 1e-12);
}

// As the lamp grows in a tank a little longer than it (closed ends), the share entering the
// water tends to the cross-section's.
TEST(TankEstimate, LongLampTendsToTheCrossSectionsShare) {
    const Fixture lamp = Lamp(500.0);
    const PhysicalEstimate flat =
        LightEstimator(EstimateOptions{}).estimate(FixtureScene(lamp).scene());
    double previous = 1.0;
    for (const double length : {1000.0, 10000.0}) {
        Tank tank;
        tank.length = length + 100.0;
        tank.waterDepth = 100.0;
        const TankScene scene(lamp, tank, {Span(tank.length / 2.0, length, true, true)});
        TankEstimator::Settings s = Settings(0.004, 2, 4);
        const TankEstimate e = TankEstimator(s).estimate(scene);
        const double gap = std::abs(e.enteredWater - flat.efficiency);
        EXPECT_LT(gap, previous) << length;
        previous = gap;
        EXPECT_NEAR(Sum(e), 1.0, 1e-12);
    }
    EXPECT_LT(previous, 0.01);
}

// Method of images: with a closed end plate of albedo 1, twice the floor light at P of an open
// lamp twice as long equals the short closed lamp's at P plus at P's mirror point across the
// plate. Light the water reflects is dropped so that nothing comes back up beside the plate.
TEST(TankEstimate, ClosedEndPlateIsTheImageOfTheLampBeyondIt) {
    const Fixture lamp = Lamp(400.0, 1.0);
    Tank tank;
    tank.length = 1200.0;
    tank.waterDepth = 150.0;
    const auto estimate = [&](const TankUnit& unit) {
        TankScene scene(lamp, tank, {unit});
        scene.setWaterReflection(WaterReflection::Lost);
        return TankEstimator(Settings(0.002, 4, 12)).estimate(scene);
    };
    const TankEstimate longOpen = estimate(Span(600.0, 800.0));
    const TankEstimate shortClosed = estimate(Span(400.0, 400.0, false, true));
    // Per unit of emitted light the long lamp's cells hold half of what two short ones would.
    for (int row = 0; row < 12; ++row) {
        for (int column = 0; column < 4; ++column) {
            const std::size_t c = static_cast<std::size_t>(row * 4 + column);
            const std::size_t m = static_cast<std::size_t>((11 - row) * 4 + column);
            const double left = 2.0 * longOpen.cells[c];
            const double right = shortClosed.cells[c] + shortClosed.cells[m];
            const double bound = 2.0 * longOpen.cellErrors[c] + shortClosed.cellErrors[c] +
                                 shortClosed.cellErrors[m];
            EXPECT_NEAR(left, right, bound + 1e-9) << row << ", " << column;
        }
    }
}

// Light meeting a wall beyond the critical angle (48.75 degrees for water) stays in the tank.
TEST(TankEstimate, TotalReflectionAtTheGlassLosesNothing) {
    const double critical = std::asin(1.0 / 1.33);
    EXPECT_NEAR(critical * 180.0 / kPi, 48.75, 0.005);
    EXPECT_EQ(TankWater::WallTransmittance(std::cos(critical + 1e-6), 1.33), 0.0);
    EXPECT_GT(TankWater::WallTransmittance(std::cos(critical - 1e-3), 1.33), 0.0);
    EXPECT_EQ(TankWater::WallTransmittance(0.3, 1.0), 1.0);
    const TankWater water(200.0, 1000.0, 1.33, 0.0);
    struct Case {
        double incidence; // degrees, at the front glass
        bool lost;
    };
    for (const Case c : {Case{49.0, false}, Case{60.0, false}, Case{45.0, true}}) {
        // A line whose direction across meets the wall at the incidence, moving down.
        const double across = std::cos(c.incidence * kPi / 180.0) * 0.999;
        WaterEntry entry;
        entry.x = 50.0;
        entry.z0 = 400.0;
        entry.z1 = 600.0;
        entry.density = 0.001;
        const double down = std::sqrt(1.0 - across * across);
        entry.slopeX = across / down;
        entry.lengthPerDepth = 1.0 / down;
        TankWater::Descent d;
        water.descend(entry, 500.0, d);
        EXPECT_EQ(d.frontBackGlass > 0.0, c.lost) << c.incidence;
        EXPECT_NEAR(d.arrived + d.frontBackGlass + d.endGlass + d.absorbed, 0.2, 1e-15);
        if (!c.lost) {
            EXPECT_NEAR(d.arrived, 0.2, 1e-15);
        }
    }
}

// A descent kept to a window along the tank brings the window the same light as the whole
// descent, with its pieces moved by the window's shifts and folded back at the end glass.
TEST(TankEstimate, DescentKeptToAWindowBringsItTheSameLight) {
    const TankWater water(200.0, 1000.0, 1.33, 0.5);
    const FloorGrid grid(200.0, 1000.0, 4, 40);
    struct Case {
        double z0, z1, slopeZ, window0, window1, shift0, shift1;
    };
    for (const Case c : {Case{100.0, 900.0, 0.0, 480.0, 520.0, -5.0, 5.0},
                         Case{0.0, 1000.0, 0.9, 480.0, 520.0, -40.0, 10.0},
                         Case{300.0, 1000.0, 1.1, 700.0, 760.0, 0.0, 0.0},
                         Case{0.0, 700.0, -1.1, 450.0, 520.0, -300.0, 300.0}}) {
        WaterEntry entry;
        entry.x = 20.0;
        entry.z0 = c.z0;
        entry.z1 = c.z1;
        entry.density = 0.001;
        entry.slopeX = 0.4;
        entry.slopeZ = c.slopeZ;
        entry.lengthPerDepth = std::sqrt(1.0 + 0.16 + c.slopeZ * c.slopeZ);
        const auto inWindow = [&](const TankWater::Descent& d) {
            double light = 0.0;
            for (const TankWater::Piece& piece : d.pieces) {
                light += piece.share * grid.alongWithin({piece.z0, piece.z1, c.shift0, c.shift1},
                                                        c.window0, c.window1);
            }
            return light;
        };
        TankWater::Descent whole;
        TankWater::Descent kept;
        water.descend(entry, 450.0, whole);
        water.descend(entry, 450.0, {c.window0, c.window1, c.shift0, c.shift1}, kept);
        EXPECT_GT(inWindow(whole), 0.0);
        EXPECT_NEAR(inWindow(kept), inWindow(whole), 1e-15);
        EXPECT_LE(kept.pieces.size(), whole.pieces.size());
    }
}

// Every share ends somewhere, whatever the ends, walls, water and materials.
TEST(TankEstimate, EnergySumsToOne) {
    struct Case {
        bool closed;
        double attenuation;
        double transmission;
        WaterReflection reflection;
        double centre;
    };
    for (const Case c : {Case{false, 0.0, 0.0, WaterReflection::Traced, 600.0},
                         Case{true, 2.5, 0.3, WaterReflection::Traced, 450.0},
                         Case{true, 0.0, 0.0, WaterReflection::Lost, 1100.0}}) {
        Fixture lamp = Lamp(500.0);
        lamp.materials.tubeTransmission = c.transmission;
        Tank tank;
        tank.length = 1200.0;
        tank.waterDepth = 300.0;
        tank.attenuationPerM = c.attenuation;
        TankScene scene(lamp, tank, {Span(c.centre, 800.0, c.closed, c.closed)});
        scene.setWaterReflection(c.reflection);
        TankEstimator::Settings s = Settings(0.05, 5, 12);
        const TankEstimate e = TankEstimator(s).estimate(scene);
        EXPECT_NEAR(Sum(e), 1.0, 1e-12);
        EXPECT_GT(e.floorShare, 0.2);
        if (c.attenuation > 0.0) {
            EXPECT_GT(e.losses.water, 0.01);
        }
        if (c.centre > 1000.0) {
            EXPECT_GT(e.losses.besideTank, 0.1);
        }
    }
}

// Light spread over the floor keeps its share wherever it lands: what lies beyond a wall is
// mirrored back.
TEST(TankEstimate, FloorGridKeepsEverySpreadsShare) {
    const FloorGrid grid(400.0, 1000.0, 8, 20);
    struct Case {
        double x0, x1, xs0, xs1, z0, z1, s0, s1;
    };
    for (const Case c : {Case{-10.0, 30.0, 0.0, 0.0, 100.0, 400.0, -20.0, 20.0},
                         Case{150.0, 260.0, 0.0, 0.0, -50.0, 300.0, 0.0, 0.0},
                         Case{-450.0, -100.0, 0.0, 0.0, 900.0, 1800.0, -300.0, 100.0},
                         Case{12.5, 12.5, 0.0, 0.0, 500.0, 500.0, 0.0, 0.0},
                         Case{-30.0, 10.0, -25.0, 5.0, 100.0, 400.0, 0.0, 0.0},
                         Case{180.0, 190.0, -2.0, 60.0, 950.0, 990.0, -40.0, 30.0},
                         Case{0.0, 0.0, -300.0, 300.0, 0.0, 0.0, 0.0, 0.0}}) {
        const FloorGrid::Spread x{c.x0, c.x1, c.xs0, c.xs1};
        const FloorGrid::Spread z{c.z0, c.z1, c.s0, c.s1};
        std::vector<double> cells(static_cast<std::size_t>(grid.cells()), 0.0);
        grid.deposit(x, z, 0.5, cells);
        EXPECT_NEAR(std::accumulate(cells.begin(), cells.end(), 0.0), 0.5, 1e-14);
        EXPECT_NEAR(grid.within(x, z, -200.0, 200.0, 0.0, 1000.0), 1.0, 1e-14);
    }
    // Across, a box moved evenly over shifts is a trapezoid: a box of 40 mm moved over 20 mm
    // falls linearly from 10 to 30 mm, and puts (5^2 / 2) / (40 * 20) = 1/64 beyond 25 mm.
    EXPECT_NEAR(
        grid.within({-20.0, 20.0, -10.0, 10.0}, {100.0, 200.0, 0.0, 0.0}, 25.0, 200.0, 0.0, 1000.0),
        1.0 / 64.0, 1e-14);
    // A spread wholly inside one cell lands there; a box with shifts becomes a trapezoid.
    std::vector<double> cells(static_cast<std::size_t>(grid.cells()), 0.0);
    grid.deposit(-40.0, -10.0, 110.0, 140.0, -5.0, 5.0, 1.0, cells);
    EXPECT_NEAR(cells[2 * 8 + 3], 1.0, 1e-14);
    EXPECT_NEAR(grid.within(0.0, 0.0, 0.0, 100.0, 0.0, 100.0, -1.0, 1.0, 0.0, 100.0), 0.5, 1e-14);
}

// The bounds hold against a much finer run of the same estimate (every direction of the grid
// doubled at least twice): the floor share within both bounds, and all but a few cells too.
// The tank is short beside a long lamp, so that light meets the end glass below and beyond
// its critical angle.
TEST(TankEstimate, BoundsHoldAgainstAMuchFinerRun) {
    const Fixture lamp = Lamp(400.0);
    Tank tank;
    tank.length = 700.0;
    tank.waterDepth = 300.0;
    tank.attenuationPerM = 1.0;
    const TankScene scene(lamp, tank, {Span(350.0, 600.0)});
    const TankEstimate coarse = TankEstimator(Settings(0.004, 4, 7)).estimate(scene);
    EXPECT_GT(coarse.losses.endGlass, 0.001);
    ExpectAMuchFinerRunAgrees(scene, coarse, 4, 7);
}

// The cells' bounds shrink with the tolerance and meet it.
TEST(TankEstimate, CellBoundsConvergeWithTheTolerance) {
    const Fixture lamp = Lamp(500.0);
    Tank tank;
    tank.length = 1000.0;
    tank.waterDepth = 300.0;
    const TankScene scene = TankScene(lamp, tank, {Span(500.0, 800.0)}).withoutReflectors();
    double previous = 1.0;
    for (const double tolerance : {0.008, 0.002}) {
        const TankEstimate e = TankEstimator(Settings(tolerance, 5, 10)).estimate(scene);
        const double worst = *std::max_element(e.cellErrors.begin(), e.cellErrors.end());
        EXPECT_LE(worst, TankEstimator::kCellFactor * tolerance * e.mean) << tolerance;
        EXPECT_LE(e.error, tolerance);
        EXPECT_LT(worst / e.mean, previous);
        previous = worst / e.mean;
    }
}

// A lamp of several tubes meets its bounds on their sum, the floor the cells show: two bare
// tubes of unequal light side by side, against a much finer run of the same lamp.
TEST(TankEstimate, ALampsTubesMeetTheBoundsOfTheirSum) {
    Fixture lamp = Lamp(500.0);
    lamp.units.push_back(lamp.units.front());
    lamp.units[0].x = -110.0;
    lamp.units[1].x = 90.0;
    Tank tank;
    tank.length = 900.0;
    tank.waterDepth = 300.0;
    std::vector<TankUnit> spans{Span(450.0, 700.0), Span(400.0, 500.0)};
    spans[1].photonFlux = 3.0;
    const TankScene scene = TankScene(lamp, tank, spans).withoutReflectors();
    const double tolerance = 0.004;
    const TankEstimate coarse = TankEstimator(Settings(tolerance, 5, 9)).estimate(scene);
    const double worst = *std::max_element(coarse.cellErrors.begin(), coarse.cellErrors.end());
    EXPECT_LE(worst, TankEstimator::kCellFactor * tolerance * coarse.mean);
    EXPECT_LE(coarse.error, tolerance);
    ExpectAMuchFinerRunAgrees(scene, coarse, 5, 9);
}

} // namespace
} // namespace kavrol::physics
