// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildInputs.h"
#include "PhysicalOptions.h"
#include "TankOptions.h"

#include <string>

namespace kavrol {

// What one run of the command line asks for: a design, the screen density it is drawn for and
// what to do with the result.
struct CliOptions {
    BuildInputs inputs;
    int dotsPerInch = 96;
    std::string savePath; // empty: no picture written
    bool json = false;
    PhysicalOptions physical; // the physical estimate and its files
    TankOptions tank;         // the light over the whole tank
    bool help = false;
};

} // namespace kavrol
