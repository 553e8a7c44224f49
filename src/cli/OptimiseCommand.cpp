#include "OptimiseCommand.h"

#include "CommandLine.h"
#include "DesignSearch.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace kavrol::OptimiseCommand {

namespace {

const char* const ShapeWords[] = {"trapezoid", "parabola", "zefo"};
const char* const TubeWords[] = {"T4", "T5", "T8"};
const char* const ScaleWords[] = {"1:1", "2:1", "3:1"};

template <std::size_t N>
int Choice(const std::string& option, const std::string& text, const char* const (&words)[N]) {
    std::string accepted;
    for (std::size_t i = 0; i < N; ++i) {
        if (text == words[i])
            return static_cast<int>(i);
        accepted += (i ? ", " : "") + std::string(words[i]);
    }
    throw UsageError(option + ": expected one of " + accepted + ", got '" + text + "'");
}

std::vector<int> ParseShapes(const std::string& option, const std::string& text) {
    std::vector<int> shapes;
    std::istringstream in(text);
    std::string word;
    while (std::getline(in, word, ','))
        shapes.push_back(Choice(option, word, ShapeWords));
    if (shapes.empty())
        throw UsageError(option + ": expected a comma-separated list of shapes");
    for (std::size_t i = 0; i < shapes.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (shapes[i] == shapes[j])
                throw UsageError(option + ": shape '" + ShapeWords[shapes[i]] + "' given twice");
    return shapes;
}

std::string Fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

// 17 significant digits: the text reads back as the very double.
std::string Exact(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

std::string Describe(const Design& d) {
    std::string text = std::string(ShapeWords[d.shape]) + " A " + std::to_string(d.refA) + " B " +
                       std::to_string(d.refB);
    if (SearchSpace::UsesC(d.shape))
        text += " C " + std::to_string(d.refC);
    return text + " lamp " + std::to_string(d.lamp);
}

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) {
    interrupted.store(true);
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
        left = Fixed(remaining, 0) + " s left";
    }
    return "\r[" + bar + "] " + Fixed(share * 100, 1) + "%  " + std::to_string(done) + "/" +
           std::to_string(total) + "  " + left + "   ";
}

} // namespace

OptimiseOptions Parse(const std::vector<std::string>& args) {
    OptimiseOptions o;
    EvaluationContext& c = o.context;
    SearchSpace& s = o.space;
    int lampDistance = 50;
    bool lampRange = false;
    // Once any end or step of the lamp distance range is given, the rest default to the window's.
    IntRange lamp{10, 100, 1};
    ArgumentReader reader(args);
    while (reader.next()) {
        const std::string& name = reader.name();
        auto flag = [&]() { reader.noValue(); };
        auto next = [&]() { return reader.value(); };
        auto mm = [&](int minimum, int maximum) {
            return ParseInteger(name, next(), minimum, maximum, " (mm)");
        };
        if (name == "--help" || name == "-h") {
            flag();
            o.help = true;
        } else if (name == "--shapes") {
            s.shapes = ParseShapes(name, next());
        } else if (name == "--a-min") {
            s.a.first = mm(20, 200);
        } else if (name == "--a-max") {
            s.a.last = mm(20, 200);
        } else if (name == "--a-step") {
            s.a.step = mm(1, 180);
        } else if (name == "--b-min") {
            s.b.first = mm(10, 200);
        } else if (name == "--b-max") {
            s.b.last = mm(10, 200);
        } else if (name == "--b-step") {
            s.b.step = mm(1, 190);
        } else if (name == "--c-min") {
            s.c.first = mm(10, 200);
        } else if (name == "--c-max") {
            s.c.last = mm(10, 200);
        } else if (name == "--c-step") {
            s.c.step = mm(1, 190);
        } else if (name == "--lamp-min") {
            lamp.first = mm(10, 100);
            lampRange = true;
        } else if (name == "--lamp-max") {
            lamp.last = mm(10, 100);
            lampRange = true;
        } else if (name == "--lamp-step") {
            lamp.step = mm(1, 90);
            lampRange = true;
        } else if (name == "--lamp-distance") {
            lampDistance = mm(10, 100);
        } else if (name == "--tube") {
            c.tube = Choice(name, next(), TubeWords);
        } else if (name == "--scale") {
            c.scale = Choice(name, next(), ScaleWords);
        } else if (name == "--water-distance") {
            c.lampH = mm(50, 1000);
        } else if (name == "--aquarium-width") {
            c.aquaW = mm(100, 1000);
        } else if (name == "--albedo") {
            c.albedo = ParseReal(name, next(), 0.1L, 1.0L);
        } else if (name == "--dpi") {
            c.dotsPerInch = ParseInteger(name, next(), 1, 600, " (dots per inch)");
        } else if (name == "--no-lamp") {
            flag();
            c.lampVisible = false;
        } else if (name == "--no-grid") {
            flag(); // The grid is free space: it changes no efficiency.
        } else if (name == "--top") {
            o.top = static_cast<std::size_t>(ParseInteger(name, next(), 0, 1000000, ""));
        } else if (name == "--list-refused") {
            o.listRefused = static_cast<std::size_t>(ParseInteger(name, next(), 0, 100000000, ""));
        } else if (name == "--threads") {
            o.threads = ParseInteger(name, next(), 1, 256, "");
        } else if (name == "--csv") {
            o.csvPath = next();
            if (o.csvPath.empty())
                throw UsageError("--csv: expected a file name");
        } else if (name == "--no-progress") {
            flag();
            o.progress = false;
        } else {
            throw UsageError("unknown option '" + reader.raw() + "' (see optimise --help)");
        }
    }
    s.lamp = lampRange ? lamp : IntRange{lampDistance, lampDistance, 1};
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

std::string UsageText() {
    return R"(Usage: kavrol-cli optimise [options]

Searches reflector shapes and dimensions for the design that delivers the most of the
tube's light into the water, in a fixed context, and ranks the best designs. Every
efficiency it reports is the one a single build of that design gives, to the last bit.

Fixed context (defaults are the window's start-up values):
  --tube T4|T5|T8           tube type (T5)
  --water-distance MM       tube's centre to the water, 50 to 1000 (200)
  --aquarium-width MM       aquarium width, 100 to 1000 (500)
  --albedo X                share of the light a reflection keeps, 0.1 to 1.0 (0.8)
  --scale 1:1|2:1|3:1       view scale (3:1)
  --dpi N                   screen density, 1 to 600 (96)
  --no-lamp                 no tube drawn (rays then cross its place)
  --no-grid                 accepted; the grid changes no efficiency
  --lamp-distance MM        reflector top line to the tube's centre, 10 to 100 (50),
                            when no lamp distance range is given

Search space (each range from MIN to MAX inclusive in steps of STEP):
  --shapes LIST             comma-separated: trapezoid,parabola,zefo (all three)
  --a-min, --a-max, --a-step        reflector width A (20, 200, 2)
  --b-min, --b-max, --b-step        reflector height B (10, 200, 2)
  --c-min, --c-max, --c-step        dimension C of the trapezoid and "ZeFo" (10, 200, 2);
                                    the parabola does not use C and is evaluated once
  --lamp-min, --lamp-max, --lamp-step
                            search the lamp distance too (10, 100, 1 once any is given)

Output:
  --top N                   how many of the best designs to print (10)
  --list-refused N          how many refused designs to list (20); all are counted
  --csv FILE                write every evaluated design, refused ones included
  --threads N               worker threads (one per core)
  --no-progress             no progress bar (it is shown only on a terminal)
  --help                    this text

The full grid of one shape with C is 91 x 96 x 96 = 838,656 designs. Ctrl-C stops the
search and prints the best designs found so far.

Exit status: 0 searched, 1 the search failed, 2 the command line was refused,
130 stopped by Ctrl-C.
)";
}

std::string CsvHeader() {
    return "shape,A,B,C,lamp,efficiency,delivered,absorbed,reflectedAtWater,returnedToTube,"
           "escaped,refused\n";
}

std::string CsvLine(const ScoredDesign& s) {
    const Design& d = s.design;
    std::string line = std::string(ShapeWords[d.shape]) + "," + std::to_string(d.refA) + "," +
                       std::to_string(d.refB) + "," +
                       (SearchSpace::UsesC(d.shape) ? std::to_string(d.refC) : "") + "," +
                       std::to_string(d.lamp) + ",";
    const Evaluation& e = s.evaluation;
    if (e.refused())
        return line + ",,,,,,\"" + e.refusal + "\"\n";
    const LossBreakdown& l = e.losses;
    return line + Exact(e.efficiency) + "," + Exact(l.delivered) + "," + Exact(l.absorbed) + "," +
           Exact(l.reflectedAtWater) + "," + Exact(l.returnedToTube) + "," + Exact(l.escaped) +
           ",\n";
}

std::string Report(const OptimiseOptions& options, const SearchOutcome& outcome) {
    const EvaluationContext& c = options.context;
    std::ostringstream out;
    if (outcome.stopped)
        out << "Stopped after " << outcome.evaluated << " of " << outcome.total
            << " designs; the best so far:\n";
    else
        out << "Searched " << outcome.total << " designs";
    if (!outcome.stopped) {
        out << " in " << Fixed(outcome.seconds, 1) << " s";
        if (outcome.seconds > 0)
            out << " (" << Fixed(static_cast<double>(outcome.evaluated) / outcome.seconds, 0)
                << " designs/s)";
        out << "\n";
    }
    out << "Context: " << TubeWords[c.tube] << " tube " << (c.lampVisible ? "shown" : "not shown")
        << ", water " << c.lampH << " mm below it, aquarium " << c.aquaW << " mm, albedo "
        << static_cast<double>(c.albedo) << ", scale " << ScaleWords[c.scale] << ", "
        << c.dotsPerInch << " dpi\n\n";
    const std::int64_t built =
        outcome.evaluated - static_cast<std::int64_t>(outcome.refused.size());
    if (outcome.best.empty()) {
        out << (built == 0 ? "No design was built.\n" : "");
    } else {
        out << "Best designs (efficiency to 17 digits; shares of the tube's light):\n";
        out << "rank  shape        A    B    C  lamp  efficiency           water     absorbed  "
               "off water  to tube   escaped\n";
        int rank = 0;
        for (const ScoredDesign& s : outcome.best) {
            const Design& d = s.design;
            const LossBreakdown& l = s.evaluation.losses;
            char line[256];
            const std::string cText = SearchSpace::UsesC(d.shape) ? std::to_string(d.refC) : "-";
            std::snprintf(line, sizeof line,
                          "%4d  %-9s  %4d %4d %4s  %4d  %-19s  %8.6f  %8.6f  %9.6f  %7.6f  %8.6f\n",
                          ++rank, ShapeWords[d.shape], d.refA, d.refB, cText.c_str(), d.lamp,
                          Exact(s.evaluation.efficiency).c_str(), l.delivered / 72, l.absorbed / 72,
                          l.reflectedAtWater / 72, l.returnedToTube / 72, l.escaped / 72);
            out << line;
        }
    }
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
    return out.str();
}

int Run(const std::vector<std::string>& args) {
    OptimiseOptions options;
    try {
        options = Parse(args);
    } catch (const UsageError& e) {
        std::cerr << "kavrol-cli optimise: " << e.what() << '\n';
        return 2;
    }
    if (options.help) {
        std::cout << UsageText();
        return 0;
    }
    try {
        DesignSearch search(options.context, options.space);
        std::ofstream csv;
        SearchOptions run;
        run.top = options.top;
        run.threads = options.threads > 0
                          ? options.threads
                          : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        run.stop = &interrupted;
        if (!options.csvPath.empty()) {
            csv.open(options.csvPath, std::ios::binary);
            if (!csv)
                throw std::runtime_error("cannot write '" + options.csvPath + "'");
            csv << CsvHeader();
            run.onBatch = [&csv](const std::vector<ScoredDesign>& batch) {
                std::string text;
                for (const ScoredDesign& s : batch)
                    text += CsvLine(s);
                csv << text;
            };
        }
        // Ctrl-C asks the workers to stop; the best designs so far are printed all the same.
        interrupted.store(false);
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        struct sigaction previous {};
        sigaction(SIGINT, &action, &previous);

        SearchOutcome outcome;
        const bool showProgress = options.progress && isatty(STDERR_FILENO) != 0;
        if (showProgress) {
            std::exception_ptr failure;
            std::atomic<bool> finished{false};
            std::thread worker([&] {
                try {
                    outcome = search.run(run);
                } catch (...) {
                    failure = std::current_exception();
                }
                finished.store(true);
            });
            const auto started = std::chrono::steady_clock::now();
            while (!finished.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                const double seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started)
                        .count();
                std::cerr << ProgressLine(search.done(), search.size(), seconds) << std::flush;
            }
            worker.join();
            std::cerr << "\r" << std::string(80, ' ') << "\r" << std::flush;
            if (failure)
                std::rethrow_exception(failure);
        } else {
            outcome = search.run(run);
        }
        sigaction(SIGINT, &previous, nullptr);
        if (csv.is_open()) {
            csv.close();
            if (!csv)
                throw std::runtime_error("writing '" + options.csvPath + "' failed");
        }
        std::cout << Report(options, outcome);
        return outcome.stopped ? 130 : 0;
    } catch (const std::exception& e) {
        std::cerr << "kavrol-cli optimise: " << e.what() << '\n';
        return 1;
    }
}

} // namespace kavrol::OptimiseCommand
