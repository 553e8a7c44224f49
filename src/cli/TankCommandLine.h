// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandLine.h"
#include "TankOptions.h"

#include <string>

namespace kavrol::TankCommandLine {

// The whole tank's options, --tank and those that mean nothing without it, with the input
// table's ranges; false when the option is none of them. Records in needsTank the first option
// given that means nothing without --tank.
bool ParseOption(ArgumentReader& reader, TankOptions& options, std::string& needsTank);

// After the last option: UsageError when needsTank names an option and --tank is missing, or
// when options contradict each other (--lumens with --photon-flux, a tube model of another
// diameter than --tube, the tube's centre beyond the tank's length).
void Check(const TankOptions& options, const std::string& needsTank, int tube);

// The help's section on the whole tank.
std::string Help();

} // namespace kavrol::TankCommandLine
