// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "OptimiseOptions.h"
#include "PhysicalSearchOutcome.h"

#include <atomic>
#include <string>

namespace kavrol {

// "kavrol-cli optimise --objective physical": the search by the physical share, its report and
// its CSV file.
namespace PhysicalOptimise {

// The CSV columns: the 72-ray columns of "optimise" (empty where not taken), then the
// physical share, its error bound, min/mean, max/mean, the tolerance it was estimated at and
// the physical model's refusal.
std::string CsvHeader();
std::string CsvLine(const PhysicalSearchOutcome::Scored& scored);

// The ranked table of the best designs and the designs the physical model refused.
std::string Report(const OptimiseOptions& options, const PhysicalSearchOutcome& outcome);

// Runs the search; stop is the Ctrl-C flag. Exit status as OptimiseCommand::Run. Throws for a
// search or a CSV file that fails.
int Run(const OptimiseOptions& options, const std::atomic<bool>& stop, bool showProgress);

} // namespace PhysicalOptimise

} // namespace kavrol
