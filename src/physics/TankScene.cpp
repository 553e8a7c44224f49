// SPDX-License-Identifier: GPL-3.0-or-later
#include "TankScene.h"
#include "RefusalText.h"

#include "FixtureScene.h"
#include "PhysicalDesignError.h"
#include "ProfileCurve.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace kavrol::physics {

namespace {

// Samples per mirror piece of an end plate's outline: a parabola's arc is one piece, so this
// keeps the polygon within a few micrometres of the curve for the reflectors the window takes.
constexpr int kRegionSamples = 512;

using RefusalText::Mm;
using RefusalText::Require;

bool Positive(double value) {
    return std::isfinite(value) && value > 0.0;
}

void CheckTank(const Tank& tank, const Fixture& fixture) {
    Require(Positive(tank.length), "The tank's length must be positive, got " + Mm(tank.length));
    Require(Positive(tank.waterDepth),
            "The water depth must be positive, got " + Mm(tank.waterDepth));
    Require(std::isfinite(tank.attenuationPerM) && tank.attenuationPerM >= 0.0,
            "The water's attenuation must not be negative");
    Require(fixture.units.size() > 0, "The lamp has no tube");
}

// The whole tank's tracer mirrors the sheets' specular light with their gloss spread, but
// does not re-emit light diffusely; a diffuse sheet would be traced as something it is not.
const std::string kDiffuseNotModelled =
    "the whole tank does not yet re-emit a reflector's diffuse light; a diffuse share above 0 is "
    "not modelled over the whole tank";

void CheckUnit(const TankUnit& u, std::size_t index) {
    const std::string name = "Unit " + std::to_string(index + 1) + ": ";
    Require(Positive(u.litLength),
            name + "the lit length must be positive, got " + Mm(u.litLength));
    Require(Positive(u.reflectorLength),
            name + "the reflector's length must be positive, got " + Mm(u.reflectorLength));
    Require(std::isfinite(u.centre), name + "the centre along the tank must be a finite length");
    Require(Positive(u.photonFlux), name + "the photon output must be positive");
}

} // namespace

TankScene::TankScene(const Fixture& fixture, const Tank& tank, const std::vector<TankUnit>& units)
    : tank_(tank), units_(units) {
    CheckTank(tank, fixture);
    Require(units.size() == fixture.units.size(), "Every unit needs its extent along the tank");
    for (std::size_t i = 0; i < units.size(); ++i) {
        CheckUnit(units[i], i);
        Require(fixture.units[i].surface.diffuseShare == 0.0,
                "Unit " + std::to_string(i + 1) + ": " + kDiffuseNotModelled);
    }
    const FixtureScene cross(fixture);
    scene_ = cross.scene();
    for (std::size_t i = 0; i < units.size(); ++i) {
        scene_.tubes[i].power = units[i].photonFlux;
        std::vector<Fixture::Point> outline;
        for (const MirrorCurve& curve : cross.outline(static_cast<int>(i))) {
            mirrors_.push_back({curve, static_cast<int>(i), fixture.units[i].surface});
            for (const Fixture::Point& p : ProfileCurve::Sample(curve, kRegionSamples)) {
                if (outline.empty() || p.x != outline.back().x || p.y != outline.back().y) {
                    outline.push_back(p);
                }
            }
        }
        Region region;
        for (const Fixture::Point& p : outline) {
            region.x.push_back(p.x);
            region.y.push_back(p.y);
        }
        const auto [xLow, xHigh] = std::minmax_element(region.x.begin(), region.x.end());
        const auto [yLow, yHigh] = std::minmax_element(region.y.begin(), region.y.end());
        region.xMin = *xLow;
        region.xMax = *xHigh;
        region.yMin = *yLow;
        region.yMax = *yHigh;
        regions_.push_back(std::move(region));
    }
}

TankScene TankScene::FromDesign(const PhysicalDesign& design, const Tank& tank,
                                const TankUnit& unit) {
    (void)Scene::FromDesign(design);
    Require(design.materials.surface.diffuseShare == 0.0,
            "The reflector's surface: " + kDiffuseNotModelled);
    Fixture fixture;
    fixture.waterDistance = design.waterDistance;
    fixture.width = design.aquariumWidth;
    fixture.materials = design.materials;
    Fixture::Unit u;
    u.tubeRadius = design.tubeRadius;
    u.lampDistance = design.lampDistance;
    u.reflector.shape = design.shape;
    u.reflector.a = design.a;
    u.reflector.b = design.b;
    u.reflector.c = design.c;
    u.surface = design.materials.surface;
    fixture.units.push_back(u);
    TankScene scene(fixture, tank, {unit});
    scene.setWaterReflection(design.materials.waterReflection);
    return scene;
}

TankScene TankScene::withoutReflectors() const {
    TankScene bare = *this;
    bare.scene_ = scene_.withoutReflector();
    bare.mirrors_.clear();
    for (TankUnit& u : bare.units_) {
        u.closedLow = false;
        u.closedHigh = false;
    }
    return bare;
}

// Crossing number over the polygon closed by the chord from the right rim back to the left.
bool TankScene::inRegion(int unit, double x, double y) const {
    const Region& r = regions_[static_cast<std::size_t>(unit)];
    if (x < r.xMin || x > r.xMax || y < r.yMin || y > r.yMax) {
        return false;
    }
    bool inside = false;
    const std::size_t n = r.x.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        if ((r.y[i] > y) != (r.y[j] > y)) {
            const double crossing = r.x[j] + (y - r.y[j]) * (r.x[i] - r.x[j]) / (r.y[i] - r.y[j]);
            if (x < crossing) {
                inside = !inside;
            }
        }
    }
    return inside;
}

bool TankScene::anyGloss() const {
    return std::any_of(mirrors_.begin(), mirrors_.end(),
                       [](const Mirror& m) { return m.surface.glossSpreadDeg > 0.0; });
}

double TankScene::glossySpecularShare() const {
    double specular = 0.0;
    for (const Mirror& m : mirrors_) {
        if (m.surface.glossSpreadDeg > 0.0) {
            specular = std::max(specular, 1.0 - m.surface.diffuseShare);
        }
    }
    return specular;
}

} // namespace kavrol::physics
