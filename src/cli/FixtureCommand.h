#pragma once

#include "Fixture.h"
#include "FixtureOptions.h"
#include "FixtureSearch.h"
#include "PhysicalEstimate.h"

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
std::string JsonReport(const physics::Fixture& fixture, const std::string& file,
                       const physics::PhysicalEstimate& estimate);

// The search's result before the best fixture's own report.
std::string SearchReport(const FixtureOptions& options,
                         const physics::FixtureSearch::Outcome& outcome);

// Runs the command: exit status 0 when it finished, 1 when it failed (a fixture file refused
// included), 2 for a refused command line, 130 when Ctrl-C stopped it.
int Run(const std::vector<std::string>& args);

} // namespace FixtureCommand

} // namespace kavrol
