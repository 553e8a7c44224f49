// SPDX-License-Identifier: GPL-3.0-or-later
// "kavrol-cli fixture --help", its option lines made from the input table.
#include "FixtureCommand.h"

#include "CommandLine.h"
#include "InputDomain.h"
#include "ProgramInfo.h"

#include <string_view>

namespace kavrol::FixtureCommand {

namespace D = InputDomain;

std::string UsageText() {
    const auto line = [](const std::string& option, std::string_view description,
                         const std::string& span) {
        return OptionLine(option, 23, description, span);
    };
    return R"(Usage: kavrol-cli fixture FILE [options]

The physical estimate of a whole fixture: several tubes side by side, each under its own
reflector, over one tank, described by a JSON file (see docs/fixture.md; examples/ holds
three; all are installed in )" +
           std::string(ProgramInfo::DocumentationFolder()) + R"(/).

Options:
  --json                 the report as JSON
)" + line("--tolerance X", D::Tolerance.description, RealSpan(D::Tolerance)) +
           line("--bins N", D::Bins.description, Span(D::Bins)) +
           R"(  --no-bare-tube         leave out the bare tubes and the gain
  --no-tank              leave out the whole tank's light (the floor's PPFD, see
                         docs/tank.md) that a file giving "tank.length" gets; it takes
                         minutes at the default tolerance
  --plot FILE            the irradiance across the tank as a chart, .png or .svg; with
                         the whole tank, the floor's PPFD as a map
  --profile-csv FILE     the irradiance bins as CSV; with the whole tank, the floor's cells
  --template FILE        1:1 cutting templates, .svg or .pdf: one for each distinct
                         reflector, shapes and profiles of points alike (FILE-1, FILE-2,
                         ... when several)
  --optimise WHAT        search spacing, lamp-distance or spacing,lamp-distance: the units
                         are spread evenly about the tank's centre and the best share whose
                         uniformity reaches --min-uniformity is reported
)" + line("--min-uniformity U", D::MinUniformity.description, RealSpan(D::MinUniformity)) +
           line("--steps N", D::FixtureSteps.description, Span(D::FixtureSteps)) +
           R"(  --no-progress          no progress line on standard error
  --help                 this text

Ctrl-C stops a search and prints the best candidate so far.

Exit status: 0 done, 1 the estimate or a file failed (a refused fixture file included),
2 the command line was refused, 130 stopped by Ctrl-C.
)";
}

} // namespace kavrol::FixtureCommand
