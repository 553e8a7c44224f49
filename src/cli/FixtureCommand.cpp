// SPDX-License-Identifier: GPL-3.0-or-later
// "kavrol-cli fixture": running it. Sections: progress and the estimate's options; the
// estimate, the search and the whole tank; checking the outputs and running; the files.
#include "FixtureCommand.h"

#include "ApplicationForFiles.h"
#include "ChartFile.h"
#include "CommandLine.h"
#include "CommandRunner.h"
#include "CuttingTemplate.h"
#include "EstimateCancelled.h"
#include "FixtureFile.h"
#include "FixtureScene.h"
#include "FixtureTank.h"
#include "FixtureTemplate.h"
#include "FloorMap.h"
#include "IrradianceChart.h"
#include "IrradianceCsv.h"
#include "LightEstimator.h"
#include "NumberFormat.h"
#include "PendingFile.h"
#include "PictureFile.h"
#include "ProgressDisplay.h"
#include "ResourceLimits.h"
#include "SignalGuard.h"
#include "StandardOutput.h"

#include <QString>
#include <iostream>
#include <optional>
#include <unistd.h>

namespace kavrol::FixtureCommand {

namespace {

using physics::Fixture;
using physics::PhysicalEstimate;

using NumberFormat::fixed;

// --- Progress and the estimate's options ---

// The estimate's or the search's progress on one line of standard error, while `job` runs.
template <typename Job> void WithProgress(bool show, std::atomic<double>& fraction, Job job) {
    ProgressDisplay::Run(
        show, [&](double) { return "\r[fixture] " + fixed(100.0 * fraction.load(), 1) + "%   "; },
        40, job);
}

physics::EstimateOptions EstimateOptionsOf(const FixtureOptions& options) {
    physics::EstimateOptions e;
    e.tolerance = options.tolerance;
    e.bins = options.bins;
    e.bareTube = options.bareTube;
    return e;
}

// The files besides the report, written once the estimate has finished.
void WriteFiles(const FixtureOptions& options, const Fixture& fixture,
                const PhysicalEstimate& estimate, const physics::TankEstimate* tank);

} // namespace

// --- The estimate, the search and the whole tank ---

namespace {

// What a run found, and how its progress shows.
struct Work {
    bool show = false;
    std::atomic<double> fraction{0.0};
    PhysicalEstimate estimate;
    std::string searchText;                       // the search's report before the best fixture's
    std::optional<FixtureSearch::Outcome> search; // for the JSON report
    bool stopped = false; // a search stopped after its best had its final estimate
    std::string tankText; // the whole tank's report after the fixture's, when it has one
    std::optional<physics::TankEstimate> tank; // the same for the JSON report
};

// The whole tank's light of a fixture that gives the tank's length; false when it was stopped.
// A search stopped before has its best reported without it.
bool EstimateTank(const FixtureOptions& options, const Fixture& fixture, Work& work) {
    if (!fixture.wholeTank || !options.wholeTank || work.stopped) {
        return true;
    }
    work.fraction.store(0.0);
    physics::TankEstimate tank;
    try {
        WithProgress(work.show, work.fraction, [&] {
            tank = FixtureTank::Estimate(fixture, options.tolerance, &SignalGuard::stopFlag(),
                                         [&](double f) { work.fraction.store(f); });
        });
    } catch (const physics::EstimateCancelled&) {
        return false;
    }
    work.tankText = FixtureTank::Text(fixture, tank);
    work.tank = tank;
    return true;
}

// The estimate of the fixture as read, over the scene that checked it; false when it was
// stopped.
bool Estimate(const FixtureOptions& options, const physics::FixtureScene& scene, Work& work) {
    physics::EstimateOptions e = EstimateOptionsOf(options);
    e.cancel = &SignalGuard::stopFlag();
    e.progress = [&](double f) { work.fraction.store(f); };
    try {
        WithProgress(work.show, work.fraction,
                     [&] { work.estimate = physics::LightEstimator(e).estimate(scene.scene()); });
    } catch (const physics::EstimateCancelled&) {
        return false;
    }
    return true;
}

// The search; the fixture becomes its best. False when it stopped before the best had its
// final estimate.
bool Search(const FixtureOptions& options, Fixture& fixture, Work& work) {
    FixtureSearch::Options search;
    search.spacing = options.optimiseSpacing;
    search.lampDistance = options.optimiseLamp;
    search.minUniformity = options.minUniformity;
    search.steps = options.steps;
    search.finalEstimate = EstimateOptionsOf(options);
    // One thread per core, as the physical search's default; the result does not depend on it.
    const ResourceLimits::ThreadPlan plan = ResourceLimits::PlanEstimateThreads(0);
    if (!plan.note.empty()) {
        std::cerr << "kavrol-cli fixture: " << plan.note << '\n';
    }
    search.threads = plan.threads;
    search.control.stop = &SignalGuard::stopFlag();
    search.control.progress = [&](const SearchProgress& p) {
        work.fraction.store(static_cast<double>(p.done) / static_cast<double>(p.total + 1));
    };
    FixtureSearch::Outcome outcome;
    WithProgress(work.show, work.fraction, [&] { outcome = FixtureSearch::Run(fixture, search); });
    if (!outcome.threadRefusal.empty()) {
        std::cerr << "kavrol-cli fixture: "
                  << ResourceLimits::ThreadsNotStarted(outcome.threads, search.threads,
                                                       outcome.threadRefusal)
                  << '\n';
    }
    work.searchText = SearchReport(options, outcome);
    work.search = outcome;
    if (!outcome.estimated) {
        return false;
    }
    fixture = outcome.best;
    work.estimate = outcome.estimate;
    work.stopped = outcome.stopped;
    return true;
}

} // namespace

// --- Checking the outputs and running ---

namespace {

// Every file the run is to write is checked before the work starts: its name, its ending and its
// folder (a temporary file is made there and dropped), so that a mistake costs no estimate. The
// messages are those the writing would give.
void CheckOutputs(const FixtureOptions& options) {
    if (!options.plotPath.empty()) {
        const QString name = PictureFile::nameFromBytes(options.plotPath);
        ChartFile::checkName(name);
        PendingFile probe(name);
    }
    if (!options.profileCsvPath.empty()) {
        PendingFile probe(PictureFile::nameFromBytes(options.profileCsvPath));
    }
    if (!options.templatePath.empty()) {
        const QString name = PictureFile::nameFromBytes(options.templatePath);
        CuttingTemplate::CheckName(name);
        PendingFile probe(name);
    }
}

} // namespace

int Run(const std::vector<std::string>& args) {
    return CommandRunner::Run("kavrol-cli fixture", [&] {
        const FixtureOptions options = Parse(args);
        if (options.help) {
            StandardOutput::Write(UsageText());
            return 0;
        }
        CheckOutputs(options);
        physics::CheckedFixture checked = physics::FixtureFile::Load(options.file);
        Fixture& fixture = checked.fixture;
        const SignalGuard guard;
        Work work;
        work.show = options.progress && isatty(STDERR_FILENO) != 0;
        const bool searching = options.optimiseSpacing || options.optimiseLamp;
        if (!(searching ? Search(options, fixture, work)
                        : Estimate(options, checked.scene, work)) ||
            !EstimateTank(options, fixture, work)) {
            if (!options.json) {
                StandardOutput::Write(work.searchText);
            }
            std::cerr << "kavrol-cli fixture: stopped\n";
            return 128 + SignalGuard::signal();
        }
        StandardOutput::Write(options.json ? JsonReport(fixture, options.file, work.estimate,
                                                        work.search ? &*work.search : nullptr,
                                                        work.tank ? &*work.tank : nullptr)
                                           : work.searchText +
                                                 TextReport(fixture, options.file, work.estimate) +
                                                 work.tankText);
        // A stop that comes while the report or the files are written is honoured as one that
        // comes during the estimate: the file being written is finished whole, the next ones
        // are not begun.
        WriteFiles(options, fixture, work.estimate, work.tank ? &*work.tank : nullptr);
        if (SignalGuard::signal() != 0) {
            std::cerr << "kavrol-cli fixture: stopped\n";
            return 128 + SignalGuard::signal();
        }
        return work.stopped ? 128 + SignalGuard::signal() : 0;
    });
}

// --- The files ---

namespace {

void WritePlot(const std::string& path, const PhysicalEstimate& estimate) {
    // A fixture's x runs from the tank's middle, not from one tube's axis.
    const std::unique_ptr<QChart> chart =
        IrradianceChart::create(estimate, ChartText::Subject::Fixture);
    ChartFile::write(*chart, PictureFile::nameFromBytes(path));
}

// "lamp.svg" for the n-th of several templates becomes "lamp-n.svg".
std::string Numbered(const std::string& path, std::size_t n) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    const std::size_t at =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path.size() : dot;
    return path.substr(0, at) + "-" + std::to_string(n) + path.substr(at);
}

// One template for each distinct reflector with its tube, shapes and profiles of points alike.
void WriteTemplates(const std::string& path, const Fixture& fixture) {
    const std::vector<FixtureTemplate> templates = FixtureTemplate::of(fixture);
    for (std::size_t k = 0; k < templates.size() && SignalGuard::signal() == 0; ++k) {
        std::string units;
        for (const int u : templates[k].units) {
            units += (units.empty() ? "" : ", ") + physics::FixtureScene::UnitName(fixture, u);
        }
        const std::string file = templates.size() == 1 ? path : Numbered(path, k + 1);
        templates[k]
            .make(fixture, QString::fromStdString(units))
            .write(PictureFile::nameFromBytes(file));
        std::cerr << "kavrol-cli fixture: cutting template of " << units << ": " << file << "\n";
    }
}

// With the whole tank, the chart and the bins are the floor's map and cells, as with --tank.
void WriteFiles(const FixtureOptions& options, const Fixture& fixture,
                const PhysicalEstimate& estimate, const physics::TankEstimate* tank) {
    if (SignalGuard::signal() != 0) {
        return;
    }
    // The chart (Qt Charts) and the template's PDF (its fonts) need an application object.
    std::optional<ApplicationForFiles> application;
    if (!options.plotPath.empty() || !options.templatePath.empty()) {
        application.emplace();
    }
    const auto stopped = [] { return SignalGuard::signal() != 0; };
    if (!options.plotPath.empty() && !stopped()) {
        if (tank != nullptr) {
            FixtureTank::WriteMap(fixture, *tank, PictureFile::nameFromBytes(options.plotPath));
        } else {
            WritePlot(options.plotPath, estimate);
        }
    }
    if (!options.profileCsvPath.empty() && !stopped()) {
        const QString name = PictureFile::nameFromBytes(options.profileCsvPath);
        if (tank != nullptr) {
            FloorMap::writeCsv(*tank, name);
        } else {
            IrradianceCsv::write(estimate, name);
        }
    }
    if (!options.templatePath.empty() && !stopped()) {
        WriteTemplates(options.templatePath, fixture);
    }
}

} // namespace

} // namespace kavrol::FixtureCommand
