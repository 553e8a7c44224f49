// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PhysicalEstimate.h"

#include <string>

namespace kavrol {

// What the command line prints about the physical estimate of a built design, after the build's
// own report.
namespace PhysicalReport {

// The share entering the water with its error bound, where the rest went, the bare tube and
// the gain over it, and the uniformity; shares with 6 decimals.
std::string text(const physics::PhysicalEstimate& estimate);
// One line giving the reason the physical model refused the design.
std::string refusedText(const std::string& reason);

// The JSON object of the estimate: "efficiency", "error", "toleranceReached", "losses"
// {"absorbed", "returnedToTube", "besideAquarium", "escaped", "reflectedAtWater"}, "bareTube"
// {"efficiency", "error"}, "gain", "irradiance" {"edgesMm", "relative", "perMm", "errors"} and
// "uniformity" {"minOverMean", "maxOverMean", "minOverMeanBounds", "maxOverMeanBounds"}; reals
// with 17 significant digits.
std::string json(const physics::PhysicalEstimate& estimate);
// The reflector's surface: {"name", "diffuseShare", "glossSpread"} (degrees).
std::string surfaceJson(const std::string& name, double diffuseShare, double glossSpreadDeg);
// The object `objectJson` with the member `key` added last.
std::string withMember(const std::string& objectJson, const std::string& key,
                       const std::string& valueJson);
// One line naming the surface and its figures, for the text report.
std::string surfaceText(const std::string& name, double diffuseShare, double glossSpreadDeg);

// {"refused": reason}.
std::string refusedJson(const std::string& reason);

// The build's JSON object (one line, as Report::json writes it) with the member "physical"
// added last.
std::string withPhysical(const std::string& buildJson, const std::string& physical);

// A JSON string literal of UTF-8 text.
std::string quoted(const std::string& text);

} // namespace PhysicalReport

} // namespace kavrol
