// SPDX-License-Identifier: GPL-3.0-or-later
// "kavrol-cli optimise". Sections: words and numbers in the output; parsing the options (search
// space, fixed context, output); the help text; the CSV lines; the report; running the search
// (the CSV file, the progress line, the signals, the exit status).

#include "OptimiseCommand.h"

#include "CommandRunner.h"

#include "AtomicFile.h"
#include "CommandLine.h"
#include "DesignSearch.h"
#include "FastEvaluator.h"
#include "InputDomain.h"
#include "NumberFormat.h"
#include "PhysicalCommandLine.h"
#include "PhysicalOptimise.h"
#include "ProgressDisplay.h"
#include "ResourceLimits.h"
#include "SignalGuard.h"
#include "StandardOutput.h"
#include "Tracer.h"

#include <atomic>
#include <chrono>
#include <iostream>
#include <map>
#include <new>
#include <optional>
#include <sstream>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace kavrol::OptimiseCommand {

namespace {

namespace D = InputDomain;

std::string ShapeWord(int shape) {
    return std::string(D::Shape.word(shape));
}

std::vector<int> ParseShapes(const std::string& option, const std::string& text) {
    std::vector<int> shapes;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = std::min(text.find(',', from), text.size());
        const std::string word = text.substr(from, comma - from);
        // "zefo," or "zefo,,parabola" is a slip, not a list of one or two.
        if (word.empty())
            throw UsageError(option + ": expected a comma-separated list of shapes, got '" + text +
                             "'");
        shapes.push_back(ParseChoice(option, word, D::Shape));
        if (comma == text.size())
            break;
        from = comma + 1;
    }
    for (std::size_t i = 0; i < shapes.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (shapes[i] == shapes[j])
                throw UsageError(option + ": shape '" + ShapeWord(shapes[i]) + "' given twice");
    return shapes;
}

using NumberFormat::fixed;
using NumberFormat::padLeft;
using NumberFormat::padRight;

std::string Describe(const Design& d) {
    std::string text =
        ShapeWord(d.shape) + " A " + std::to_string(d.refA) + " B " + std::to_string(d.refB);
    if (SearchSpace::UsesC(d.shape))
        text += " C " + std::to_string(d.refC);
    return text + " lamp " + std::to_string(d.lamp);
}

std::string ProgressLine(std::int64_t done, std::int64_t total, double seconds) {
    constexpr int Width = 30;
    const double share = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1;
    const int filled = static_cast<int>(share * Width);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(Width, '.');
    std::string left = "estimating";
    if (done > 0) {
        const double remaining =
            seconds * static_cast<double>(total - done) / static_cast<double>(done);
        left = fixed(remaining, 0) + " s left";
    }
    return "\r[" + bar + "] " + fixed(share * 100, 1) + "%  " + std::to_string(done) + "/" +
           std::to_string(total) + "  " + left + "   ";
}

} // namespace

namespace {

// What the options of the lamp distance leave: a fixed distance, or a range once any end or step
// of it is given (the rest then default to the window's range and step).
struct LampChoice {
    int distance = D::Lamp.initial;
    IntRange range = SearchSpace::Whole(D::Lamp);
    bool ranged = false;
    bool fixed = false;
};

// A step of a searched range: at least 1 and at most the width of the input's range.
int ParseStep(const std::string& option, const std::string& text, const IntegerInput& input) {
    return ParseInteger(option, text, 1, input.maximum - input.minimum,
                        (" (" + std::string(input.unit) + ")").c_str());
}

// The options that shape the search space; false when the option is none of them.
bool ParseSpaceOption(ArgumentReader& reader, SearchSpace& s, LampChoice& lamp) {
    const std::string& name = reader.name();
    const auto value = [&](const IntegerInput& input) {
        return ParseInput(name, reader.value(), input);
    };
    const auto step = [&](const IntegerInput& input) {
        return ParseStep(name, reader.value(), input);
    };
    if (name == "--shapes")
        s.shapes = ParseShapes(name, reader.value());
    else if (name == "--a-min")
        s.a.first = value(D::RefA);
    else if (name == "--a-max")
        s.a.last = value(D::RefA);
    else if (name == "--a-step")
        s.a.step = step(D::RefA);
    else if (name == "--b-min")
        s.b.first = value(D::RefB);
    else if (name == "--b-max")
        s.b.last = value(D::RefB);
    else if (name == "--b-step")
        s.b.step = step(D::RefB);
    else if (name == "--c-min")
        s.c.first = value(D::RefC);
    else if (name == "--c-max")
        s.c.last = value(D::RefC);
    else if (name == "--c-step")
        s.c.step = step(D::RefC);
    else if (name == "--lamp-min")
        lamp.range.first = value(D::Lamp);
    else if (name == "--lamp-max")
        lamp.range.last = value(D::Lamp);
    else if (name == "--lamp-step")
        lamp.range.step = step(D::Lamp);
    else if (name == "--lamp-distance")
        lamp.distance = value(D::Lamp);
    else
        return false;
    if (name.rfind("--lamp-", 0) == 0)
        (name == "--lamp-distance" ? lamp.fixed : lamp.ranged) = true;
    // A fixed distance beside a range would be dropped without a word.
    if (lamp.fixed && lamp.ranged)
        throw UsageError("--lamp-distance fixes the lamp distance; it cannot be combined with "
                         "--lamp-min, --lamp-max or --lamp-step");
    return true;
}

// The options of the fixed context; false when the option is none of them.
bool ParseContextOption(ArgumentReader& reader, EvaluationContext& c) {
    const std::string& name = reader.name();
    if (name == "--tube")
        c.tube = ParseChoice(name, reader.value(), D::Tube);
    else if (name == "--scale")
        c.scale = ParseChoice(name, reader.value(), D::Scale);
    else if (name == "--water-distance")
        c.lampH = ParseInput(name, reader.value(), D::LampH);
    else if (name == "--aquarium-width")
        c.aquaW = ParseInput(name, reader.value(), D::AquaW);
    else if (name == "--albedo")
        c.albedo = ParseReal(name, reader.value(), D::Albedo.minimum, D::Albedo.maximum);
    else if (name == "--dpi")
        c.dotsPerInch = ParseInput(name, reader.value(), D::CommandLineDotsPerInch);
    else if (name == "--no-lamp") {
        reader.noValue();
        c.lampVisible = false;
    } else if (name == "--no-grid")
        reader.noValue(); // The grid is free space: it changes no efficiency.
    else
        return false;
    return true;
}

// The options of what is printed and written; false when the option is none of them.
bool ParseOutputOption(ArgumentReader& reader, OptimiseOptions& o) {
    const std::string& name = reader.name();
    if (name == "--help" || name == "-h") {
        reader.noValue();
        o.help = true;
    } else if (name == "--top") {
        o.top = static_cast<std::size_t>(ParseInteger(name, reader.value(), 0, 1000000, ""));
    } else if (name == "--list-refused") {
        o.listRefused =
            static_cast<std::size_t>(ParseInteger(name, reader.value(), 0, 100000000, ""));
    } else if (name == "--threads") {
        o.threads = ParseInteger(name, reader.value(), 1, 256, "");
    } else if (name == "--csv") {
        o.csvPath = reader.value();
        if (o.csvPath.empty())
            throw UsageError("--csv: expected a file name");
    } else if (name == "--json") {
        reader.noValue();
        o.json = true;
    } else if (name == "--no-progress") {
        reader.noValue();
        o.progress = false;
    } else {
        return false;
    }
    return true;
}

} // namespace

OptimiseOptions Parse(const std::vector<std::string>& args) {
    OptimiseOptions o;
    SearchSpace& s = o.space;
    LampChoice lamp;
    std::string needsPhysical;
    ArgumentReader reader(args);
    while (reader.next()) {
        if (!ParseOutputOption(reader, o) && !ParseSpaceOption(reader, s, lamp) &&
            !ParseContextOption(reader, o.context) &&
            !PhysicalCommandLine::ParseSearchOption(reader, o.objective, needsPhysical))
            throw UsageError("unknown option '" + reader.raw() + "' (see optimise --help)");
    }
    PhysicalCommandLine::CheckSearch(o.objective, needsPhysical, o.context.lampVisible);
    if (o.json && !o.objective.physical)
        throw UsageError("--json: only with --objective physical");
    s.lamp = lamp.ranged ? lamp.range : IntRange{lamp.distance, lamp.distance, 1};
    auto check = [](const IntRange& r, const char* what) {
        if (r.first > r.last)
            throw UsageError(std::string("--") + what + "-min must not exceed --" + what + "-max");
    };
    check(s.a, "a");
    check(s.b, "b");
    check(s.c, "c");
    check(s.lamp, "lamp");
    return o;
}

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

// The loss columns hold shares of the tube's light, as the table does: each sum over the fan
// divided by its ray count.
std::string CsvHeader() {
    return "shape,A,B,C,lamp,efficiency,deliveredShare,absorbedShare,reflectedAtWaterShare,"
           "returnedToTubeShare,escapedShare,refused\n";
}

std::string CsvLine(const ScoredDesign& s) {
    const Design& d = s.design;
    std::string line = ShapeWord(d.shape) + "," + std::to_string(d.refA) + "," +
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
        out << padLeft(std::to_string(++rank), 4) << "  " << padRight(ShapeWord(d.shape), 9) << "  "
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

namespace {

// The CSV file while the search runs: rows stream into a file that replaces the old one only
// when it is whole. The first failed write asks the search to stop and is kept for the report.
class CsvSink {
public:
    explicit CsvSink(const std::string& path) : file_(path) { write(CsvHeader()); }

    void write(const std::string& text) {
        if (!failure_.empty())
            return;
        try {
            file_.write(text);
        } catch (const FileError& e) {
            failure_ = e.what();
            SignalGuard::requestStop();
        }
    }

    // Puts the file in place unless a write failed; the failure, or empty.
    const std::string& commit() {
        if (failure_.empty()) {
            try {
                file_.commit();
            } catch (const FileError& e) {
                failure_ = e.what();
            }
        }
        return failure_;
    }

private:
    AtomicFile file_;
    std::string failure_;
};

// The search's run options; with a CSV file, every batch is written to csv as it arrives.
SearchOptions RunOptions(const OptimiseOptions& options, int threads, CsvSink* csv) {
    SearchOptions run;
    run.top = options.top;
    run.threads = threads;
    run.control.stop = &SignalGuard::stopFlag();
    if (csv != nullptr)
        run.onBatch = [csv](const std::vector<ScoredDesign>& batch) {
            std::string text;
            for (const ScoredDesign& s : batch)
                text += CsvLine(s);
            csv->write(text);
        };
    return run;
}

// Runs the search, with its progress line on standard error when `show`.
SearchOutcome RunShowing(bool show, DesignSearch& search, SearchOptions run) {
    ProgressDisplay::Latest latest;
    run.control.progress = latest.sink();
    SearchOutcome outcome;
    ProgressDisplay::Run(
        show,
        [&](double seconds) { return ProgressLine(latest.get().done, search.size(), seconds); }, 80,
        [&] { outcome = search.run(run); });
    return outcome;
}

} // namespace

namespace {

// Refuses a context in which even the shortest lamp distance puts the water below the picture:
// every design would deliver nothing.
void CheckWaterReachable(const OptimiseOptions& options) {
    if (!FastEvaluator::WaterInPicture(options.context, options.space.lamp.first))
        throw UsageError("no design can reach the water: " +
                         ResourceLimits::WaterOutOfPicture(options.context.dotsPerInch));
}

// Searches and reports; the exit status as Run() gives it.
int Search(const OptimiseOptions& options) {
    const auto plan = ResourceLimits::PlanThreads(
        options.threads, static_cast<int>(std::thread::hardware_concurrency()),
        options.context.dotsPerInch, ResourceLimits::AvailableMemory());
    if (!plan.note.empty())
        std::cerr << "kavrol-cli optimise: " << plan.note << '\n';
    // The signals stop the search from here on; the best designs so far are printed all the same.
    const SignalGuard guard;
    DesignSearch search(options.context, options.space);
    std::optional<CsvSink> csv;
    if (!options.csvPath.empty())
        csv.emplace(options.csvPath);
    const SearchOptions run = RunOptions(options, plan.threads, csv ? &*csv : nullptr);
    const bool showProgress = options.progress && isatty(STDERR_FILENO) != 0;
    const SearchOutcome outcome = RunShowing(showProgress, search, run);
    if (!outcome.threadRefusal.empty())
        std::cerr << "kavrol-cli optimise: "
                  << ResourceLimits::ThreadsNotStarted(outcome.threads, plan.threads,
                                                       outcome.threadRefusal)
                  << '\n';
    const std::string csvFailure = csv ? csv->commit() : std::string();
    StandardOutput::Write(Report(options, outcome));
    if (!csvFailure.empty()) {
        std::cerr << "kavrol-cli optimise: " << csvFailure << "; the search stopped after "
                  << outcome.evaluated << " of " << outcome.total << " designs and '"
                  << options.csvPath << "' was left as it was\n";
        return 1;
    }
    return SignalGuard::signal() != 0 ? 128 + SignalGuard::signal() : 0;
}

} // namespace

int Run(const std::vector<std::string>& args) {
    OptimiseOptions options;
    return CommandRunner::Run(
        "kavrol-cli optimise",
        [&] {
            options = Parse(args);
            if (options.help) {
                StandardOutput::Write(UsageText());
                return 0;
            }
            CheckWaterReachable(options);
            if (options.objective.physical) {
                // The signals stop the search from here on; the best designs so far are printed.
                const SignalGuard guard;
                return PhysicalOptimise::Run(options, SignalGuard::stopFlag(),
                                             options.progress && isatty(STDERR_FILENO) != 0);
            }
            return Search(options);
        },
        [&] { return ResourceLimits::OutOfMemory(options.context.dotsPerInch, true); });
}

} // namespace kavrol::OptimiseCommand
