// SPDX-License-Identifier: GPL-3.0-or-later
// "kavrol-cli fixture": its reports. Sections: numbers and words; the text report; the JSON
// report; the search's report.
#include "FixtureCommand.h"

#include "FixtureTank.h"
#include "InputDomain.h"
#include "JsonWriter.h"
#include "NumberFormat.h"
#include "PhysicalReport.h"
#include "ProgramInfo.h"
#include "QuotedText.h"

#include <sstream>

namespace kavrol::FixtureCommand {

// --- Numbers and words ---

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

// --- The text report ---

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

// --- The JSON report ---

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

// --- The search's report ---

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

} // namespace kavrol::FixtureCommand
