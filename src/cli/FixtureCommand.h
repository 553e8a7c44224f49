// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Fixture.h"
#include "FixtureOptions.h"
#include "FixtureSearch.h"
#include "PhysicalEstimate.h"
#include "TankEstimate.h"

#include <string>
#include <vector>

namespace kavrol {

// "kavrol-cli fixture FILE": the physical estimate of a whole fixture file, and the search of
// its tubes' spacing (and lamp distance).
namespace FixtureCommand {

// Parses the arguments after "fixture"; throws UsageError.
FixtureOptions Parse(const std::vector<std::string>& args);

// The text of "fixture --help".
std::string UsageText();

// The reports of one estimate, as text and as JSON.
std::string TextReport(const physics::Fixture& fixture, const std::string& file,
                       const physics::PhysicalEstimate& estimate);
// With a search, its figures follow as the member "search"; with the whole tank, its object as
// the member "tank".
std::string JsonReport(const physics::Fixture& fixture, const std::string& file,
                       const physics::PhysicalEstimate& estimate,
                       const FixtureSearch::Outcome* search = nullptr,
                       const physics::TankEstimate* tank = nullptr);

// The search's result before the best fixture's own report.
std::string SearchReport(const FixtureOptions& options, const FixtureSearch::Outcome& outcome);

// Runs the command: exit status 0 when it finished, 1 when it failed (a fixture file refused
// included), 2 for a refused command line, 128 + the signal when one stopped it (130 for
// Ctrl-C).
int Run(const std::vector<std::string>& args);

} // namespace FixtureCommand

} // namespace kavrol
