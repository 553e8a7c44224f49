// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InputDomain.h"

#include <array>
#include <string>

namespace kavrol {

// What --tank asks of a single build: the tank, the tube along it and the floor's cells. Every
// value starts as the input table's default; 0 marks one taken from elsewhere.
struct TankOptions {
    bool enabled = false; // --tank
    int tankLength = InputDomain::TankLength.initial;
    int waterDepth = InputDomain::WaterDepth.initial;
    std::string tubeModel;   // empty: the catalogue's default for the design's tube
    int litLength = 0;       // 0: the tube model's
    double lumens = 0.0;     // 0: the tube model's
    double photonFlux = 0.0; // 0: lumens x photon factor x output factor
    double photonFactor = static_cast<double>(InputDomain::PhotonFactor.initial);
    double outputFactor = static_cast<double>(InputDomain::OutputFactor.initial);
    int reflectorLength = 0; // 0: the lit length
    int tubeCentre = -1;     // -1: the tank's middle
    bool closedEnds = InputDomain::ReflectorEnds.initial == 1;
    double attenuation = static_cast<double>(InputDomain::WaterAttenuation.initial);
    int cellsX = InputDomain::FloorCellsX.initial;
    int cellsZ = 0; // 0: in proportion
    std::array<double, 2> levels = InputDomain::PpfdLevels;
};

} // namespace kavrol
