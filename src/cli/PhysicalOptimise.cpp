// SPDX-License-Identifier: GPL-3.0-or-later
// "optimise --objective physical". Sections: numbers and words; the CSV lines; the report;
// running the search with its progress line.

#include "PhysicalOptimise.h"

#include "NumberFormat.h"
#include "SignalGuard.h"
#include "StandardOutput.h"

#include "OptimiseCommand.h"
#include "PendingFile.h"
#include "PhysicalSearch.h"
#include "PhysicalSearchJson.h"
#include "PictureFile.h"
#include "ProgressDisplay.h"
#include "ResourceLimits.h"
#include "SurfaceContrast.h"

#include <QByteArray>
#include <chrono>
#include <exception>
#include <iostream>
#include <optional>
#include <sstream>
#include <thread>

namespace kavrol::PhysicalOptimise {

namespace {

// --- Numbers and words ---

namespace D = InputDomain;

using NumberFormat::fixed;
using NumberFormat::padLeft;
using NumberFormat::padRight;

// A CSV field in quotes, quotes inside doubled.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

} // namespace

// --- The CSV lines ---

std::string CsvHeader() {
    std::string header = OptimiseCommand::CsvHeader();
    header.pop_back();
    return header + ",physical,physicalError,minOverMean,maxOverMean,physicalTolerance," +
           "physicalRefused\n";
}

std::string CsvLine(const PhysicalSearchOutcome::Scored& s) {
    std::string line;
    if (s.pixel) {
        line = OptimiseCommand::CsvLine({s.index, s.design, *s.pixel});
        line.pop_back();
    } else {
        // The design's own columns as the 72-ray lines have them; that model's seven left empty.
        const Design& d = s.design;
        line = std::string(D::Shape.word(d.shape)) + "," + std::to_string(d.refA) + "," +
               std::to_string(d.refB) + "," + (D::UsesC(d.shape) ? std::to_string(d.refC) : "") +
               "," + std::to_string(d.lamp) + ",,,,,,,";
    }
    const PhysicalScore& p = s.score;
    if (p.refused())
        return line + ",,,,," + NumberFormat::general(p.tolerance) + "," + Quoted(p.refusal) + "\n";
    return line + "," + NumberFormat::exact(p.efficiency) + "," + NumberFormat::exact(p.error) +
           "," + NumberFormat::exact(p.minOverMean) + "," + NumberFormat::exact(p.maxOverMean) +
           "," + NumberFormat::general(p.tolerance) + ",\n";
}

// --- The report ---

namespace {

void WriteBest(std::ostream& out, const PhysicalSearchOutcome& outcome) {
    if (outcome.best.empty()) {
        out << "No design was ranked.\n";
        return;
    }
    out << "Best designs by the physical share (shares of the tube's light; 72-ray: the "
           "window's efficiency):\n";
    out << "rank  shape        A    B    C  lamp  physical  error     min/mean  max/mean  "
           "tolerance  72-ray\n";
    int rank = 0;
    for (const PhysicalSearchOutcome::Scored& s : outcome.best) {
        const Design& d = s.design;
        const PhysicalScore& p = s.score;
        const std::string cText = D::UsesC(d.shape) ? std::to_string(d.refC) : "-";
        const std::string pixel = !s.pixel             ? "-"
                                  : s.pixel->refused() ? "refused"
                                                       : fixed(s.pixel->efficiency, 6);
        out << padLeft(std::to_string(++rank), 4) << "  "
            << padRight(std::string(D::Shape.word(d.shape)), 9) << "  "
            << padLeft(std::to_string(d.refA), 4) << " " << padLeft(std::to_string(d.refB), 4)
            << " " << padLeft(cText, 4) << "  " << padLeft(std::to_string(d.lamp), 4) << "  "
            << padLeft(fixed(p.efficiency, 6), 8) << "  " << padLeft(fixed(p.error, 6), 8) << "  "
            << padLeft(fixed(p.minOverMean, 4), 8) << "  " << padLeft(fixed(p.maxOverMean, 4), 8)
            << "  " << padRight(NumberFormat::general(p.tolerance), 9) << "  " << pixel << "\n";
    }
    const PhysicalScore& first = outcome.best.front().score;
    const PhysicalScore& last = outcome.best.back().score;
    if (outcome.best.size() > 1 && first.efficiency - last.efficiency < first.error + last.error)
        out << "(the listed shares lie within their error bounds of one another; a smaller "
               "--tolerance tells them apart)\n";
}

void WriteRefused(std::ostream& out, const OptimiseOptions& options,
                  const PhysicalSearchOutcome& outcome) {
    out << "\nRefused by the physical model: " << outcome.refusedCount << " of " << outcome.screened
        << " screened designs";
    if (!outcome.refusalKinds.empty()) {
        out << " (";
        bool first = true;
        for (const auto& [kind, count] : outcome.refusalKinds) {
            out << (first ? "" : "; ") << kind << ": " << count;
            first = false;
        }
        out << ")";
    }
    out << "\n";
    const std::size_t listed = std::min<std::size_t>(options.listRefused, outcome.refused.size());
    for (std::size_t i = 0; i < listed; ++i)
        out << "  " << Describe(outcome.refused[i].design) << ": "
            << outcome.refused[i].score.refusal << "\n";
    const auto left = outcome.refusedCount - static_cast<std::int64_t>(listed);
    if (left > 0)
        out << "  ... and " << left << " more"
            << (options.csvPath.empty() ? " (--list-refused N lists more, --csv FILE all)\n"
                                        : " (all are in the CSV file)\n");
}

} // namespace

std::string Report(const OptimiseOptions& options, const PhysicalSearchOutcome& outcome) {
    const EvaluationContext& c = options.context;
    const PhysicalObjective& o = options.objective;
    std::ostringstream out;
    if (outcome.stopped)
        out << "Stopped after screening " << outcome.screened << " of " << outcome.total
            << " designs and estimating " << outcome.reestimated
            << " again; the best so far, by the figures known:\n";
    else
        out << "Searched " << outcome.total << " designs by the physical model in "
            << fixed(outcome.seconds, 1) << " s: screened in " << fixed(outcome.screeningSeconds, 1)
            << " s ("
            << fixed(outcome.screeningSeconds > 0
                         ? static_cast<double>(outcome.screened) / outcome.screeningSeconds
                         : 0,
                     0)
            << " designs/s), " << outcome.reestimated << " of " << outcome.candidates
            << " candidates estimated again at " << NumberFormat::general(o.settings.tolerance)
            << "\n";
    out << "Context: " << D::Tube.word(c.tube) << " tube, water " << c.lampH
        << " mm below it, aquarium " << c.aquaW << " mm, albedo " << static_cast<double>(c.albedo)
        << ", water reflection " << D::WaterReflection.word(o.settings.waterReflection)
        << ", tube transmission " << NumberFormat::general(o.settings.tubeTransmission) << ", "
        << o.settings.bins << " bins\n";
    if (o.minUniformity > 0)
        out << "Uniformity: min/mean at least " << NumberFormat::general(o.minUniformity) << "; "
            << outcome.belowUniformity << " designs below it\n";
    out << "\n";
    WriteBest(out, outcome);
    WriteRefused(out, options, outcome);
    return out.str();
}

// --- Running the search ---

namespace {

// The screening's bar, then the count of designs estimated again.
std::string ProgressLine(const SearchProgress& progress, std::int64_t total, double seconds) {
    const std::int64_t done = progress.stage == 0 ? progress.done : total;
    if (done >= total)
        return "\rscreened " + std::to_string(total) +
               "; estimated again: " + std::to_string(progress.stage == 1 ? progress.done : 0) +
               "   ";
    constexpr int Width = 30;
    const double share = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1;
    std::string bar(static_cast<std::size_t>(share * Width), '#');
    bar.resize(Width, '.');
    const std::string left =
        done > 0
            ? fixed(seconds * static_cast<double>(total - done) / static_cast<double>(done), 0) +
                  " s left"
            : "estimating";
    return "\r[" + bar + "] " + fixed(share * 100, 1) + "%  " + std::to_string(done) + "/" +
           std::to_string(total) + " screened  " + left + "   ";
}

// Runs the search, with its progress line on standard error when `show`.
PhysicalSearchOutcome RunShowing(bool show, PhysicalSearch& search,
                                 PhysicalSearch::RunOptions run) {
    ProgressDisplay::Latest latest;
    run.control.progress = latest.sink();
    PhysicalSearchOutcome outcome;
    ProgressDisplay::Run(
        show, [&](double seconds) { return ProgressLine(latest.get(), search.size(), seconds); },
        80, [&] { outcome = search.run(run); });
    return outcome;
}

} // namespace

namespace {

// The run's options: the list's lengths, the CSV file's rows, the threads (noted on standard
// error when capped) and the stop flag.
PhysicalSearch::RunOptions RunOptionsFor(const OptimiseOptions& options,
                                         const std::atomic<bool>& stop) {
    PhysicalSearch::RunOptions run;
    run.top = options.top;
    run.listRefused = options.listRefused;
    run.keepAll = !options.csvPath.empty();
    // Capped as the pixel search's threads are: with the CSV file each thread builds the 72-ray
    // picture; without, it needs its stack and the estimate's own few megabytes.
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const ResourceLimits::ThreadPlan plan =
        run.keepAll
            ? ResourceLimits::PlanThreads(options.threads, cores, options.context.dotsPerInch,
                                          ResourceLimits::AvailableMemory())
            : ResourceLimits::PlanEstimateThreads(options.threads);
    if (!plan.note.empty())
        std::cerr << "kavrol-cli optimise: " << plan.note << '\n';
    run.threads = plan.threads;
    run.control.stop = &stop;
    return run;
}

// Writes every design's line into the CSV file; the failure's text, or empty.
std::string WriteCsv(PendingFile& csvFile, const PhysicalSearchOutcome& outcome) {
    QByteArray text = QByteArray::fromStdString(CsvHeader());
    for (const PhysicalSearchOutcome::Scored& s : outcome.all) {
        const std::string line = CsvLine(s);
        text.append(line.data(), static_cast<qsizetype>(line.size()));
    }
    try {
        csvFile.commit(text);
    } catch (const SaveError& e) {
        return e.detail();
    }
    return {};
}

} // namespace

int Run(const OptimiseOptions& options, const std::atomic<bool>& stop, bool showProgress) {
    PhysicalSearch search(options.context, options.space, options.objective.settings,
                          options.objective.minUniformity);
    const PhysicalSearch::RunOptions run = RunOptionsFor(options, stop);
    // The CSV file's name is checked, and its temporary file made, before the search: a
    // missing folder fails now, not after the whole search.
    std::optional<PendingFile> csvFile;
    if (run.keepAll)
        csvFile.emplace(PictureFile::nameFromBytes(options.csvPath));
    const PhysicalSearchOutcome outcome = RunShowing(showProgress, search, run);
    if (!outcome.threadRefusal.empty())
        std::cerr << "kavrol-cli optimise: "
                  << ResourceLimits::ThreadsNotStarted(outcome.threads, run.threads,
                                                       outcome.threadRefusal)
                  << '\n';
    // A CSV file that cannot be written is reported after the ranking, which is printed all the
    // same.
    const std::string csvFailure = run.keepAll ? WriteCsv(*csvFile, outcome) : std::string();
    // A scattering surface's best shape is set against the mirror's: the same search again.
    std::optional<SurfaceContrast> contrast;
    if (SurfaceContrast::Wanted(options) && !outcome.stopped && !outcome.best.empty())
        contrast = SurfaceContrast::Find(
            options, search, outcome.best.front(), run,
            [showProgress](PhysicalSearch& mirror, const PhysicalSearch::RunOptions& mirrorRun) {
                return RunShowing(showProgress, mirror, mirrorRun);
            });
    StandardOutput::Write(options.json ? PhysicalSearchJson::Report(options, outcome, contrast)
                                       : Report(options, outcome) +
                                             (contrast ? contrast->text() : std::string()));
    if (!csvFailure.empty()) {
        std::cerr << "kavrol-cli optimise: " << csvFailure << '\n';
        return 1;
    }
    if (SignalGuard::signal() != 0)
        return 128 + SignalGuard::signal();
    return outcome.stopped || (contrast && contrast->mirrorStopped) ? 130 : 0;
}

} // namespace kavrol::PhysicalOptimise
