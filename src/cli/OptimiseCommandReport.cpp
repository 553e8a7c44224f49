// SPDX-License-Identifier: GPL-3.0-or-later
// "kavrol-cli optimise": the CSV lines and the report. Sections: the CSV lines; the report.
#include "OptimiseCommand.h"

#include "InputDomain.h"
#include "NumberFormat.h"
#include "Tracer.h"

#include <map>
#include <sstream>

namespace kavrol::OptimiseCommand {

namespace D = InputDomain;

using NumberFormat::fixed;
using NumberFormat::padLeft;
using NumberFormat::padRight;

// --- The CSV lines ---

// The loss columns hold shares of the tube's light, as the table does: each sum over the fan
// divided by its ray count.
std::string CsvHeader() {
    return "shape,A,B,C,lamp,efficiency,deliveredShare,absorbedShare,reflectedAtWaterShare,"
           "returnedToTubeShare,escapedShare,refused\n";
}

std::string CsvLine(const ScoredDesign& s) {
    const Design& d = s.design;
    std::string line = std::string(D::Shape.word(d.shape)) + "," + std::to_string(d.refA) + "," +
                       std::to_string(d.refB) + "," +
                       (SearchSpace::UsesC(d.shape) ? std::to_string(d.refC) : "") + "," +
                       std::to_string(d.lamp) + ",";
    const Evaluation& e = s.evaluation;
    if (e.refused())
        return line + ",,,,,,\"" + e.refusal + "\"\n";
    const LossBreakdown& l = e.losses;
    const auto share = [](double sum) { return NumberFormat::exact(sum / Tracer::RayCount); };
    return line + NumberFormat::exact(e.efficiency) + "," + share(l.delivered) + "," +
           share(l.absorbed) + "," + share(l.reflectedAtWater) + "," + share(l.returnedToTube) +
           "," + share(l.escaped) + ",\n";
}

// --- The report ---

namespace {

// The ranked table of the best designs, their loss shares per ray.
void WriteBest(std::ostream& out, const SearchOutcome& outcome) {
    const std::int64_t built =
        outcome.evaluated - static_cast<std::int64_t>(outcome.refused.size());
    if (outcome.best.empty()) {
        out << (built == 0 ? "No design was built.\n" : "");
        return;
    }
    out << "Best designs (efficiency to 17 digits; shares of the tube's light):\n";
    out << "rank  shape        A    B    C  lamp  efficiency           water     absorbed  "
           "off water  to tube   escaped\n";
    int rank = 0;
    for (const ScoredDesign& s : outcome.best) {
        const Design& d = s.design;
        const LossBreakdown& l = s.evaluation.losses;
        const std::string cText = SearchSpace::UsesC(d.shape) ? std::to_string(d.refC) : "-";
        out << padLeft(std::to_string(++rank), 4) << "  "
            << padRight(std::string(D::Shape.word(d.shape)), 9) << "  "
            << padLeft(std::to_string(d.refA), 4) << " " << padLeft(std::to_string(d.refB), 4)
            << " " << padLeft(cText, 4) << "  " << padLeft(std::to_string(d.lamp), 4) << "  "
            << padRight(NumberFormat::exact(s.evaluation.efficiency), 19) << "  "
            << padLeft(fixed(l.delivered / 72, 6), 8) << "  "
            << padLeft(fixed(l.absorbed / 72, 6), 8) << "  "
            << padLeft(fixed(l.reflectedAtWater / 72, 6), 9) << "  "
            << padLeft(fixed(l.returnedToTube / 72, 6), 7) << "  "
            << padLeft(fixed(l.escaped / 72, 6), 8) << "\n";
    }
}

// The count of refused designs by reason and the first of them.
void WriteRefused(std::ostream& out, const OptimiseOptions& options, const SearchOutcome& outcome) {
    out << "\nRefused: " << outcome.refused.size() << " of " << outcome.evaluated
        << " evaluated designs";
    if (!outcome.refused.empty()) {
        std::map<std::string, std::size_t> reasons;
        for (const ScoredDesign& s : outcome.refused)
            ++reasons[s.evaluation.refusal];
        out << " (";
        bool first = true;
        for (const auto& [reason, count] : reasons) {
            out << (first ? "" : "; ") << reason << ": " << count;
            first = false;
        }
        out << ")";
    }
    out << "\n";
    const std::size_t listed = std::min(options.listRefused, outcome.refused.size());
    for (std::size_t i = 0; i < listed; ++i)
        out << "  " << Describe(outcome.refused[i].design) << ": "
            << outcome.refused[i].evaluation.refusal << "\n";
    if (listed < outcome.refused.size())
        out << "  ... and " << outcome.refused.size() - listed << " more"
            << (options.csvPath.empty() ? " (--list-refused N lists more, --csv FILE all)\n"
                                        : " (all are in the CSV file)\n");
}

} // namespace

std::string Report(const OptimiseOptions& options, const SearchOutcome& outcome) {
    const EvaluationContext& c = options.context;
    std::ostringstream out;
    if (outcome.stopped)
        out << "Stopped after " << outcome.evaluated << " of " << outcome.total
            << " designs; the best so far:\n";
    else
        out << "Searched " << outcome.total << " designs";
    if (!outcome.stopped) {
        out << " in " << fixed(outcome.seconds, 1) << " s";
        if (outcome.seconds > 0)
            out << " (" << fixed(static_cast<double>(outcome.evaluated) / outcome.seconds, 0)
                << " designs/s)";
        out << "\n";
    }
    out << "Context: " << D::Tube.word(c.tube) << " tube "
        << (c.lampVisible ? "shown" : "not shown") << ", water " << c.lampH
        << " mm below it, aquarium " << c.aquaW << " mm, albedo " << static_cast<double>(c.albedo)
        << ", scale " << D::Scale.word(c.scale) << ", " << c.dotsPerInch << " dpi\n\n";
    WriteBest(out, outcome);
    WriteRefused(out, options, outcome);
    if (outcome.stopped && !options.csvPath.empty())
        out << "\nThe CSV file holds the first " << outcome.delivered
            << " designs of the search order, without a gap.\n";
    return out.str();
}

} // namespace kavrol::OptimiseCommand
