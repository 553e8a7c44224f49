// SPDX-License-Identifier: GPL-3.0-or-later
// "kavrol-cli optimise --help", its ranges and defaults from the input table.
#include "OptimiseCommand.h"

#include "CommandLine.h"
#include "InputDomain.h"
#include "PhysicalCommandLine.h"

#include <string_view>

namespace kavrol::OptimiseCommand {

namespace D = InputDomain;

namespace {

// "(20, 200, 2)": a searched input's default range and step.
std::string SearchSpan(const IntegerInput& input) {
    return "(" + std::to_string(input.minimum) + ", " + std::to_string(input.maximum) + ", " +
           std::to_string(input.step) + ")";
}

// A count with a comma between groups of three digits.
std::string Grouped(std::int64_t value) {
    std::string digits = std::to_string(value);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

} // namespace

namespace {

// One line of the help, its description from column 28.
std::string HelpLine(const std::string& option, std::string_view description,
                     const std::string& span) {
    return OptionLine(option, 26, description, span);
}

// The help's section on the fixed context.
std::string ContextHelp() {
    return HelpLine("--tube " + Alternatives(D::Tube), "tube type", Default(D::Tube)) +
           HelpLine("--water-distance MM", D::LampH.description, Span(D::LampH)) +
           HelpLine("--aquarium-width MM", D::AquaW.description, Span(D::AquaW)) +
           HelpLine("--albedo X", D::Albedo.description, Span(D::Albedo)) +
           HelpLine("--scale " + Alternatives(D::Scale), "view scale", Default(D::Scale)) +
           HelpLine("--dpi N", "screen density", Span(D::CommandLineDotsPerInch)) +
           R"(  --no-lamp                 no tube drawn (rays then cross its place)
  --no-grid                 accepted; the grid changes no efficiency
)" + "  --lamp-distance MM        " +
           std::string(D::Lamp.description) + ", " + Span(D::Lamp) + R"(,
                            not together with a lamp distance range
)";
}

// The help's section on the search space.
std::string SpaceHelp() {
    const auto searched = [](const char* word, std::string_view description,
                             const std::string& tail) {
        const std::string option =
            std::string("--") + word + "-min, --" + word + "-max, --" + word + "-step";
        return "  " + option + std::string(34 - option.size(), ' ') + std::string(description) +
               " " + tail;
    };
    const std::string lampRange = std::to_string(D::Lamp.minimum) + ", " +
                                  std::to_string(D::Lamp.maximum) + ", " +
                                  std::to_string(D::Lamp.step);
    return HelpLine("--shapes LIST", "comma-separated: " + Alternatives(D::Shape, ','),
                    "(all three)") +
           searched("a", D::RefA.description, SearchSpan(D::RefA) + "\n") +
           searched("b", D::RefB.description, SearchSpan(D::RefB) + "\n") +
           searched("c", D::RefC.description, SearchSpan(D::RefC) + ";\n") +
           R"(                                    the parabola does not use C and is evaluated once
  --lamp-min, --lamp-max, --lamp-step
                            search the lamp distance too ()" +
           lampRange + " once any is given)\n";
}

} // namespace

// The defaults and ranges in the help come from the input table; the layout is this text's own.
std::string UsageText() {
    const SearchSpace whole;
    return std::string(R"(Usage: kavrol-cli optimise [options]

Searches reflector shapes and dimensions for the design that delivers the most of the
tube's light into the water, in a fixed context, and ranks the best designs. Every
efficiency it reports is the one a single build of that design gives, to the last bit.

Fixed context (defaults are the window's start-up values):
)") + ContextHelp() +
           "\nSearch space (each range from MIN to MAX inclusive in steps of STEP):\n" +
           SpaceHelp() + PhysicalCommandLine::SearchHelp() + R"(
Output:
  --top N                   how many of the best designs to print (10)
  --list-refused N          how many refused designs to list (20); all are counted
  --csv FILE                write every evaluated design, refused ones included, with
                            the loss shares the table shows; the file replaces an old
                            one only when whole, and a failed write stops the search
  --threads N               worker threads (one per core), fewer when the memory
                            available does not hold that many pictures
  --no-progress             no progress bar (it is shown only on a terminal)
  --json                    the report as one JSON object (only with --objective physical)
  --help                    this text

The full grid of one shape with C is )" +
           std::to_string(whole.a.count()) + " x " + std::to_string(whole.b.count()) + " x " +
           std::to_string(whole.c.count()) + " = " +
           Grouped(std::int64_t{whole.a.count()} * whole.b.count() * whole.c.count()) +
           R"( designs. Ctrl-C, SIGTERM
or SIGHUP stops the search and prints the best designs found so far; the CSV file then
holds the first designs of the search order (shape, lamp distance, A, B, C; C fastest)
without a gap, and the report says how many.

)" + OptionRules() +
           R"(
Exit status: 0 searched, 1 the search, the CSV file or the output failed (after a failed CSV
file the best designs so far are printed), 2 the command line was refused, 128 + N when
signal N stopped it (130 Ctrl-C, 129 SIGHUP, 143 SIGTERM).
)";
}

} // namespace kavrol::OptimiseCommand
