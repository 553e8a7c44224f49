// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InputDomain.h"
#include "PhysicalDesign.h"
#include "PhysicalDesignError.h"
#include "PhysicalEstimate.h"
#include "Scene.h"

#include <cstddef>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

// Random designs of the window's ranges for the physical estimate's accuracy tests and its
// benchmark: one generator per seed, so every program draws the same designs from the same seed.
namespace kavrol::testing_support {

// Whole numbers from one seeded generator, as doubles: the window's inputs are whole millimetres.
class WholeNumbers {
public:
    explicit WholeNumbers(unsigned seed) : random_(seed) {}
    double operator()(int lo, int hi) {
        return static_cast<double>(std::uniform_int_distribution<int>(lo, hi)(random_));
    }

private:
    std::mt19937 random_;
};

// Draws designs until `count` of them can exist; the others are skipped.
inline std::vector<physics::PhysicalDesign>
ExistingDesigns(std::size_t count, const std::function<physics::PhysicalDesign()>& draw) {
    std::vector<physics::PhysicalDesign> designs;
    while (designs.size() < count) {
        const physics::PhysicalDesign d = draw();
        try {
            (void)physics::Scene::FromDesign(d);
            designs.push_back(d);
        } catch (const physics::PhysicalDesignError&) {
        }
    }
    return designs;
}

// A design the window could enter: every shape, dimension, tube, distance and width of its
// ranges, the albedo from 0.10 to 1.00, drawn in that order.
inline physics::PhysicalDesign WindowDesign(WholeNumbers& whole) {
    namespace D = InputDomain;
    physics::PhysicalDesign d;
    d.shape = static_cast<physics::ReflectorShape>(whole(0, 2));
    d.a = whole(D::RefA.minimum, D::RefA.maximum);
    d.b = whole(D::RefB.minimum, D::RefB.maximum);
    d.c = whole(D::RefC.minimum, D::RefC.maximum);
    d.lampDistance = whole(D::Lamp.minimum, D::Lamp.maximum);
    d.tubeRadius = D::TubeRadiusMm[static_cast<std::size_t>(whole(0, 2))];
    d.waterDistance = whole(D::LampH.minimum, D::LampH.maximum);
    d.aquariumWidth = whole(D::AquaW.minimum, D::AquaW.maximum);
    d.materials.albedo = whole(10, 100) / 100.0;
    return d;
}

// `count` window designs that can exist, from `seed`; `vary` draws more of each (its materials,
// its surface) from the same numbers before it is checked.
inline std::vector<physics::PhysicalDesign>
RandomDesigns(std::size_t count, unsigned seed,
              const std::function<void(physics::PhysicalDesign&, WholeNumbers&)>& vary = {}) {
    WholeNumbers whole(seed);
    return ExistingDesigns(count, [&] {
        physics::PhysicalDesign d = WindowDesign(whole);
        if (vary)
            vary(d, whole);
        return d;
    });
}

// Every share of an estimate added up: 1 when all the light is accounted for.
inline double ShareSum(const physics::PhysicalEstimate& e) {
    return e.efficiency + e.losses.absorbed + e.losses.returnedToTube + e.losses.besideAquarium +
           e.losses.escaped + e.losses.reflectedAtWater;
}

// A design on one line, for the messages of a failed check.
inline std::string DesignLine(const physics::PhysicalDesign& d) {
    std::ostringstream text;
    text << "shape " << static_cast<int>(d.shape) << " A " << d.a << " B " << d.b << " C " << d.c
         << " lamp " << d.lampDistance << " R " << d.tubeRadius << " water " << d.waterDistance
         << " width " << d.aquariumWidth << " albedo " << d.materials.albedo << " X "
         << d.materials.tubeTransmission << " lost "
         << (d.materials.waterReflection == physics::WaterReflection::Lost) << " d "
         << d.materials.surface.diffuseShare << " sigma " << d.materials.surface.glossSpreadDeg;
    return text.str();
}

} // namespace kavrol::testing_support
