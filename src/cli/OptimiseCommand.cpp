// SPDX-License-Identifier: GPL-3.0-or-later
// "kavrol-cli optimise": running the search. Sections: the progress line; the CSV file and the
// run's options; running and the exit status.
#include "OptimiseCommand.h"

#include "CommandRunner.h"

#include "AtomicFile.h"
#include "CommandLine.h"
#include "DesignSearch.h"
#include "FastEvaluator.h"
#include "NumberFormat.h"
#include "PhysicalOptimise.h"
#include "ProgressDisplay.h"
#include "ResourceLimits.h"
#include "SignalGuard.h"
#include "StandardOutput.h"

#include <atomic>
#include <iostream>
#include <optional>
#include <thread>
#include <unistd.h>

namespace kavrol::OptimiseCommand {

namespace {

using NumberFormat::fixed;

// --- The progress line ---

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

// --- The CSV file and the run's options ---

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

// --- Running and the exit status ---

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
