// SPDX-License-Identifier: GPL-3.0-or-later
// "kavrol-cli fixture". Sections: numbers and words; parsing the options; the help text; the
// text report; the JSON report; the search's report; running (Ctrl-C, progress, files).
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
#include "InputDomain.h"
#include "IrradianceChart.h"
#include "IrradianceCsv.h"
#include "JsonWriter.h"
#include "LightEstimator.h"
#include "NumberFormat.h"
#include "PendingFile.h"
#include "PhysicalReport.h"
#include "PictureFile.h"
#include "ProgramInfo.h"
#include "ProgressDisplay.h"
#include "QuotedText.h"
#include "SignalGuard.h"
#include "StandardOutput.h"

#include <QString>
#include <chrono>
#include <iostream>
#include <optional>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace kavrol::FixtureCommand {

namespace D = InputDomain;

namespace {

using physics::Fixture;
using physics::PhysicalEstimate;

using NumberFormat::fixed;
using NumberFormat::general;

std::string TubeWord(double radius) {
    const std::string across = general(2.0 * radius) + " mm";
    for (int i = 0; i < ChoiceInput::Count; ++i) {
        if (radius == InputDomain::TubeRadiusMm[static_cast<std::size_t>(i)]) {
            return std::string(InputDomain::Tube.word(i)) + " (" + across + ")";
        }
    }
    return across + " tube";
}

// The input table's word; the shapes' values are its list indices.
std::string ShapeWord(physics::ReflectorShape shape) {
    return std::string(InputDomain::Shape.word(static_cast<int>(shape)));
}

std::string ReflectorWords(const Fixture::Reflector& r) {
    if (r.hasProfile) {
        return "profile of " + std::to_string(r.points.size()) + " points, " +
               (r.join == Fixture::Join::Smooth ? "smooth" : "straight");
    }
    std::string text = ShapeWord(r.shape) + " A " + general(r.a) + " B " + general(r.b);
    if (r.shape != physics::ReflectorShape::Parabola) {
        text += " C " + general(r.c);
    }
    return text;
}

double PowerShare(const Fixture& fixture, std::size_t unit) {
    double power = 0.0;
    for (const Fixture::Unit& u : fixture.units) {
        power += u.power;
    }
    return fixture.units[unit].power / power;
}

} // namespace

FixtureOptions Parse(const std::vector<std::string>& args) {
    FixtureOptions options;
    ArgumentReader reader(args);
    while (reader.next()) {
        const std::string& name = reader.name();
        if (name.rfind("--", 0) != 0) {
            if (!options.file.empty()) {
                throw UsageError("one fixture file only, got '" + options.file + "' and '" +
                                 reader.raw() + "'");
            }
            options.file = reader.raw();
        } else if (name == "--help") {
            reader.noValue();
            options.help = true;
        } else if (name == "--json") {
            reader.noValue();
            options.json = true;
        } else if (name == "--no-bare-tube") {
            reader.noValue();
            options.bareTube = false;
        } else if (name == "--no-tank") {
            reader.noValue();
            options.wholeTank = false;
        } else if (name == "--no-progress") {
            reader.noValue();
            options.progress = false;
        } else if (name == "--tolerance") {
            options.tolerance = ParseRealInput(name, reader.value(), D::Tolerance);
        } else if (name == "--bins") {
            options.bins = ParseInput(name, reader.value(), D::Bins);
        } else if (name == "--steps") {
            options.steps = ParseInput(name, reader.value(), D::FixtureSteps);
        } else if (name == "--min-uniformity") {
            options.minUniformity = ParseRealInput(name, reader.value(), D::MinUniformity);
        } else if (name == "--optimise" || name == "--optimize") {
            const std::string value = reader.value();
            if (value.empty()) {
                throw UsageError(name + ": expected spacing, lamp-distance or both, separated by a "
                                        "comma, got ''");
            }
            std::istringstream words(value);
            std::string word;
            while (std::getline(words, word, ',')) {
                if (word == "spacing") {
                    options.optimiseSpacing = true;
                } else if (word == "lamp-distance") {
                    options.optimiseLamp = true;
                } else {
                    throw UsageError(name +
                                     ": expected spacing, lamp-distance or both, "
                                     "separated by a comma, got '" +
                                     word + "'");
                }
            }
        } else if (name == "--plot" || name == "--profile-csv" || name == "--template") {
            std::string value = reader.value();
            if (value.empty()) {
                throw UsageError(name + ": the file name is empty");
            }
            (name == "--plot"          ? options.plotPath
             : name == "--profile-csv" ? options.profileCsvPath
                                       : options.templatePath) = std::move(value);
        } else {
            throw UsageError("unknown option '" + name + "' (see kavrol-cli fixture --help)");
        }
    }
    if (options.file.empty() && !options.help) {
        throw UsageError("expected a fixture file (see kavrol-cli fixture --help)");
    }
    return options;
}

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

// "   2  left       ": a unit's number and its name, escaped, in a column of ten bytes or
// more (as "%-10s" pads), whole however long.
std::string NumberAndName(std::size_t i, const std::string& name) {
    return "  " + NumberFormat::padLeft(std::to_string(i + 1), 2) + "  " +
           NumberFormat::padRight(physics::QuotedText::Escaped(name), 10) + " ";
}

std::string TextReport(const Fixture& fixture, const std::string& file, const PhysicalEstimate& e) {
    std::ostringstream out;
    // Names come from the file and the command line: control characters are shown as escapes,
    // never sent to the terminal.
    const std::string shownFile = physics::QuotedText::Escaped(file);
    out << "Fixture: "
        << (fixture.name.empty()
                ? shownFile
                : physics::QuotedText::Escaped(fixture.name) + " (" + shownFile + ")")
        << "\n";
    out << "Tank " << general(fixture.width) << " mm wide, water " << general(fixture.waterDistance)
        << " mm below the tubes' axes; albedo " << general(fixture.materials.albedo)
        << ", water index " << general(fixture.materials.refractiveIndex) << "\n";
    out << "Units:\n";
    for (std::size_t i = 0; i < fixture.units.size(); ++i) {
        const Fixture::Unit& u = fixture.units[i];
        out << NumberAndName(i, u.name) << NumberFormat::padRight(TubeWord(u.tubeRadius), 12)
            << " x " << NumberFormat::padLeft(fixed(u.x, 1), 8) << " mm  lamp "
            << NumberFormat::padLeft(fixed(u.lampDistance, 1), 6) << " mm  "
            << ReflectorWords(u.reflector) << "\n";
    }
    out << "Share into the water: " << fixed(e.efficiency, 6) << " +- " << fixed(e.error, 6) << " ("
        << fixed(100.0 * e.efficiency, 2) << " %)\n";
    const PhysicalEstimate::Losses& l = e.losses;
    out << "Losses: absorbed " << fixed(l.absorbed, 6) << ", returned to a tube "
        << fixed(l.returnedToTube, 6) << ", beside the tank " << fixed(l.besideAquarium, 6)
        << ", escaped " << fixed(l.escaped, 6) << ", reflected at the water "
        << fixed(l.reflectedAtWater, 6) << "\n";
    if (e.hasBareTube) {
        out << "Bare tubes: " << fixed(e.bareTube.efficiency, 6) << " +- "
            << fixed(e.bareTube.error, 6) << ", gain " << fixed(e.gain, 3) << "\n";
    }
    if (!e.relative.empty()) {
        out << "Irradiance across the tank: min/mean " << fixed(e.uniformity.minOverMean, 3)
            << ", max/mean " << fixed(e.uniformity.maxOverMean, 3) << " (" << e.relative.size()
            << " bins)\n";
    }
    out << "Per tube: the share of its own light into the water, and its part of the whole\n";
    for (std::size_t i = 0; i < e.tubes.size(); ++i) {
        out << NumberAndName(i, fixture.units[i].name) << fixed(e.tubes[i].efficiency, 6) << " +- "
            << fixed(e.tubes[i].error, 6) << "   "
            << fixed(PowerShare(fixture, i) * e.tubes[i].efficiency, 6) << "\n";
    }
    out << "Rays traced: " << e.raysTraced << "\n";
    return out.str();
}

namespace {

void WriteSearch(JsonWriter& json, const FixtureSearch::Outcome& o) {
    json.key("search")
        .beginObject()
        .member("stopped", o.stopped)
        .member("candidates", o.candidates)
        .member("refused", o.refused)
        .member("spacingMin", o.spacingMin)
        .member("spacingMax", o.spacingMax)
        .member("lampMin", o.lampMin)
        .member("lampMax", o.lampMax)
        .member("spacing", o.spacing)
        .member("lampDistance", o.lampDistance)
        .member("screeningShare", o.screeningShare)
        .member("screeningUniformity", o.screeningUniformity)
        .member("metFloor", o.metFloor)
        .endObject();
}

} // namespace

// The estimate's pieces in the fixture's order, a member a line, with the file, the units and
// the search around them.
std::string JsonReport(const Fixture& fixture, const std::string& file, const PhysicalEstimate& e,
                       const FixtureSearch::Outcome* search, const physics::TankEstimate* tank) {
    JsonWriter json(JsonWriter::Spacing::Spaced);
    json.beginObject(JsonWriter::Layout::Lines);
    json.member("file", file).member("name", fixture.name);
    json.member("efficiency", e.efficiency).member("error", e.error);
    PhysicalReport::writeLosses(json, e.losses);
    if (e.hasBareTube) {
        PhysicalReport::writeBareTube(json, e);
        json.member("gain", e.gain);
    }
    PhysicalReport::writeUniformity(json, e);
    PhysicalReport::writeIrradiance(json, e);
    json.key("tubes").beginArray(JsonWriter::Layout::Lines);
    for (std::size_t i = 0; i < e.tubes.size(); ++i) {
        json.beginObject()
            .member("unit", i + 1)
            .member("name", fixture.units[i].name)
            .member("x", fixture.units[i].x)
            .member("efficiency", e.tubes[i].efficiency)
            .member("error", e.tubes[i].error)
            .member("part", PowerShare(fixture, i) * e.tubes[i].efficiency)
            .endObject();
    }
    json.endArray().member("raysTraced", e.raysTraced);
    if (search != nullptr)
        WriteSearch(json, *search);
    if (tank != nullptr)
        FixtureTank::WriteJson(json, *tank);
    json.endObject();
    return json.text() + "\n";
}

std::string SearchReport(const FixtureOptions& options, const FixtureSearch::Outcome& o) {
    std::ostringstream out;
    out << (o.stopped ? "Stopped; the best candidate so far" : "Searched") << ": " << o.candidates
        << " candidates estimated, " << o.refused << " could not exist\n";
    if (options.optimiseSpacing) {
        out << "Spacing searched from " << fixed(o.spacingMin, 1) << " to "
            << fixed(o.spacingMax, 1) << " mm; best " << fixed(o.spacing, 2) << " mm\n";
    }
    if (options.optimiseLamp) {
        out << "Lamp distance searched from " << fixed(o.lampMin, 1) << " to "
            << fixed(o.lampMax, 1) << " mm; best " << fixed(o.lampDistance, 2) << " mm\n";
    }
    out << "Screening figures of the best: share " << fixed(o.screeningShare, 4) << ", uniformity "
        << fixed(o.screeningUniformity, 3) << "\n";
    const std::string floor = "the uniformity floor of " + fixed(options.minUniformity, 3);
    if (o.metFloor) {
        out << "The best reaches " << floor << "\n\n";
    } else if (o.screeningMetFloor && o.estimated) {
        out << "The candidates that reached " << floor << " in their screening estimates miss it "
            << "at the final tolerance (" << o.verified << " checked); the best of them is "
            << "shown\n\n";
    } else {
        out << "No candidate reached " << floor << "; the most uniform is shown\n\n";
    }
    return out.str();
}

namespace {

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
    search.control.stop = &SignalGuard::stopFlag();
    search.control.progress = [&](const SearchProgress& p) {
        work.fraction.store(static_cast<double>(p.done) / static_cast<double>(p.total + 1));
    };
    FixtureSearch::Outcome outcome;
    WithProgress(work.show, work.fraction, [&] { outcome = FixtureSearch::Run(fixture, search); });
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
