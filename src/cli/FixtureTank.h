// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Fixture.h"
#include "JsonWriter.h"
#include "TankEstimate.h"

#include <QString>
#include <atomic>
#include <functional>
#include <string>

namespace kavrol::FixtureTank {

// The whole tank's light under a fixture whose file gives the tank's length, with the floor's
// cells and levels of the input table, as `kavrol-cli --tank` takes them. Throws
// EstimateCancelled when `cancel` is set, PhysicalDesignError for a tank that cannot exist.
physics::TankEstimate Estimate(const physics::Fixture& fixture, double tolerance,
                               const std::atomic<bool>* cancel,
                               std::function<void(double)> progress);

// The text report's lines: the tubes (one line naming each), then the tank's figures.
std::string Text(const physics::Fixture& fixture, const physics::TankEstimate& estimate);

// The JSON report's member "tank", into the fixture's open object (its spacing kept around
// the tank's compact object).
void WriteJson(JsonWriter& json, const physics::TankEstimate& estimate);

// The floor's map with every unit's tube drawn over it (PNG or SVG by the name); throws
// SaveError as the single build's map does.
void WriteMap(const physics::Fixture& fixture, const physics::TankEstimate& estimate,
              const QString& path);

} // namespace kavrol::FixtureTank
