// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandLine.h"
#include "PhysicalObjective.h"
#include "PhysicalOptions.h"
#include "PhysicalSettings.h"

#include <string>

namespace kavrol::PhysicalCommandLine {

// The estimate's settings, --tolerance, --bins, --water-reflection and --tube-transmission, with
// the input table's ranges and words; false when the option is none of them.
bool ParseSetting(ArgumentReader& reader, PhysicalSettings& settings);

// A single build's options of the physical model: the settings, --physical, --plot,
// --profile-csv and --template; false when the option is none of them. Records in needsEstimate
// the first option given that means nothing without --physical.
bool ParseBuildOption(ArgumentReader& reader, PhysicalOptions& options, std::string& needsEstimate);

// After the last option: UsageError when needsEstimate names an option and --physical is
// missing.
void CheckBuild(const PhysicalOptions& options, const std::string& needsEstimate);

// The search's options of the physical model: the settings, --objective and --min-uniformity;
// false when the option is none of them. Records in needsPhysical the first option given that
// means nothing without --objective physical.
bool ParseSearchOption(ArgumentReader& reader, PhysicalObjective& objective,
                       std::string& needsPhysical);

// After the last option: UsageError when needsPhysical names an option and the objective is
// not the physical share, or when the physical objective is asked for without the tube
// (--no-lamp; the physical model always has its tube).
void CheckSearch(const PhysicalObjective& objective, const std::string& needsPhysical,
                 bool lampVisible);

// The help lines of the settings, descriptions from the given column, and the single build's
// section on the physical model.
std::string SettingsHelp(std::size_t column);
std::string BuildHelp();
// The search's section on the physical objective.
std::string SearchHelp();

} // namespace kavrol::PhysicalCommandLine
