// SPDX-License-Identifier: GPL-3.0-or-later
#include "FixtureTank.h"

#include "FloorMap.h"

#include "InputDomain.h"
#include "NumberFormat.h"
#include "TankEstimator.h"
#include "TankReport.h"
#include "TankScene.h"

namespace kavrol::FixtureTank {

physics::TankEstimate Estimate(const physics::Fixture& fixture, double tolerance,
                               const std::atomic<bool>* cancel,
                               std::function<void(double)> progress) {
    std::vector<physics::TankUnit> units;
    for (const physics::Fixture::Unit& u : fixture.units) {
        units.push_back(u.along);
    }
    const physics::TankScene scene(fixture, fixture.wholeTank.value(), units);
    physics::TankEstimator::Settings settings;
    settings.tolerance = tolerance;
    settings.cellsX = InputDomain::FloorCellsX.initial;
    settings.cellsZ = InputDomain::FloorCellsZ.initial;
    settings.levels = {InputDomain::PpfdLevels.begin(), InputDomain::PpfdLevels.end()};
    settings.cancel = cancel;
    settings.progress = std::move(progress);
    return physics::TankEstimator(settings).estimate(scene);
}

// One unit reads as the single build's tube line; several name each tube with its lit length.
std::string Text(const physics::Fixture& fixture, const physics::TankEstimate& estimate) {
    TankReport::TubeLine line;
    if (fixture.units.size() == 1) {
        line.model = fixture.units[0].tubeModel;
        line.litLength = fixture.units[0].along.litLength;
    } else {
        line.count = static_cast<int>(fixture.units.size());
        for (const physics::Fixture::Unit& u : fixture.units) {
            line.model += (line.model.empty() ? "" : "; ") + u.tubeModel + " lit " +
                          NumberFormat::fixed(u.along.litLength, 0) + " mm";
        }
    }
    return TankReport::text(estimate, line);
}

void WriteJson(JsonWriter& json, const physics::TankEstimate& estimate) {
    // The tank's object is written compact, as the single build writes it.
    json.key("tank").spacing(JsonWriter::Spacing::Compact);
    TankReport::writeObject(json, estimate);
    json.spacing(JsonWriter::Spacing::Spaced);
}

void WriteMap(const physics::Fixture& fixture, const physics::TankEstimate& estimate,
              const QString& path) {
    std::vector<FloorMap::TubeSpan> tubes;
    for (const physics::Fixture::Unit& u : fixture.units) {
        tubes.push_back({u.x, u.tubeRadius, u.along.centre - u.along.litLength / 2.0,
                         u.along.centre + u.along.litLength / 2.0});
    }
    FloorMap::write(estimate, tubes, path);
}

} // namespace kavrol::FixtureTank
