// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "JsonWriter.h"
#include "TankEstimate.h"

#include <string>

namespace kavrol {

// What the command line prints about the light over the whole tank.
namespace TankReport {

// What the tube sends: its model or "given", the lit length and the photon output. Several
// tubes (a fixture's) are named in `model` each with its own lit length.
struct TubeLine {
    std::string model;
    double litLength = 0.0; // of the one tube
    int count = 1;
};

// The floor share with its bound, the losses, PPFD on the floor (mean, least, largest,
// min/mean, the largest cell bound), the share of the floor at or above each level and PPFD
// under the centre by depth.
std::string text(const physics::TankEstimate& estimate, const TubeLine& tube);
std::string refusedText(const std::string& reason);

// The object "tank": "floorShare", "error", "photonFlux",
// "ppfd" {"mean", "min", "max", "minOverMean", "cellsX", "cellsZ", "edgesXmm", "edgesZmm",
// "cells" (cellsZ rows of cellsX), "cellErrors" (the same), "atLeast" {level: share}},
// "depthProfile" [{"depthMm", "ppfd"}], "losses" {"absorbed", "returnedToTube", "besideTank",
// "frontBackGlass", "endGlass", "water"}; reals with 17 significant digits.
// As a value where the writer stands.
void writeObject(JsonWriter& json, const physics::TankEstimate& estimate);
// Its members, into an object the caller has open (and may add to, as the single build adds
// the surface).
void writeMembers(JsonWriter& json, const physics::TankEstimate& estimate);
// The member "tank" as {"refused": reason}.
void writeRefusedMember(JsonWriter& json, const std::string& reason);

// A level as a JSON key: its shortest decimal form, "30", "37.5".
std::string levelKey(double level);

} // namespace TankReport

} // namespace kavrol
