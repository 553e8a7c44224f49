// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "OptimiseOptions.h"
#include "SearchOutcome.h"

#include <string>
#include <vector>

namespace kavrol {

// "kavrol-cli optimise": searches shapes and dimensions for the design that delivers the most
// light into the water, in a fixed context.
namespace OptimiseCommand {

// Parses the arguments after "optimise"; throws UsageError.
OptimiseOptions Parse(const std::vector<std::string>& args);

// The text of "optimise --help".
std::string UsageText();

// The ranked table of the best designs, the refused count and the first refused designs.
std::string Report(const OptimiseOptions& options, const SearchOutcome& outcome);

// One CSV line of an evaluated design, and the header line.
std::string CsvHeader();
std::string CsvLine(const ScoredDesign& scored);

// Runs the command: exit status 0 when the search finished, 1 when it, the CSV file or the
// output failed, 2 for a refused command line, 128 + N when signal N (SIGINT, SIGTERM, SIGHUP)
// stopped it; after a failed CSV file or a signal the best designs so far are printed.
int Run(const std::vector<std::string>& args);

} // namespace OptimiseCommand

} // namespace kavrol
