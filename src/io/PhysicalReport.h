// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "JsonWriter.h"
#include "PhysicalEstimate.h"

#include <string>

namespace kavrol {

// What the command line prints about the physical estimate of a design: the single build's
// part "physical", and the pieces the fixture's report wraps with its own units and order.
namespace PhysicalReport {

// The share entering the water with its error bound, where the rest went, the bare tube and
// the gain over it, and the uniformity; shares with 6 decimals.
std::string text(const physics::PhysicalEstimate& estimate);
// One line giving the reason the physical model refused the design.
std::string refusedText(const std::string& reason);
// One line naming the surface and its figures, for the text report.
std::string surfaceText(const std::string& name, double diffuseShare, double glossSpreadDeg);

// The members of the estimate's object, into an object the caller has open: "efficiency",
// "error", "toleranceReached", "losses", "bareTube", "gain", "irradiance" and "uniformity" (see
// the pieces below, with their bounds); reals with 17 significant digits.
void writeMembers(JsonWriter& json, const physics::PhysicalEstimate& estimate);

// The pieces, each one member: "losses" {"absorbed", "returnedToTube", "besideAquarium",
// "escaped", "reflectedAtWater"}; "bareTube" {"efficiency", "error"}; "irradiance"
// {"edgesMm", "relative", "perMm", with their bounds "errors"}; "uniformity" {"minOverMean",
// "maxOverMean", with their bounds "minOverMeanBounds" and "maxOverMeanBounds" as [low, high]}.
// The fixture's report has no bounds (yet).
enum class Bounds { Without, With };
void writeLosses(JsonWriter& json, const physics::PhysicalEstimate::Losses& losses);
void writeBareTube(JsonWriter& json, const physics::PhysicalEstimate& estimate);
void writeIrradiance(JsonWriter& json, const physics::PhysicalEstimate& estimate,
                     Bounds bounds = Bounds::Without);
void writeUniformity(JsonWriter& json, const physics::PhysicalEstimate& estimate,
                     Bounds bounds = Bounds::Without);

// The member "surface": {"name", "diffuseShare", "glossSpread"} (degrees).
void writeSurface(JsonWriter& json, const std::string& name, double diffuseShare,
                  double glossSpreadDeg);

} // namespace PhysicalReport

} // namespace kavrol
