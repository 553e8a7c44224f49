#pragma once

#include "CommandLine.h"
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

// The help lines of the settings, descriptions from the given column, and the single build's
// section on the physical model.
std::string SettingsHelp(std::size_t column);
std::string BuildHelp();

} // namespace kavrol::PhysicalCommandLine
