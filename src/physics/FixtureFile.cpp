// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: the fields' ranges; messages; typed fields; the tank and materials; tubes;
// reflectors and profiles (inline or CSV); the order of a profile's points; a unit along the
// whole tank; the whole file.
#include "FixtureFile.h"

#include "BoundedFile.h"
#include "FixtureError.h"
#include "FixtureScene.h"
#include "InputDomain.h"
#include "JsonReader.h"
#include "QuotedText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string_view>

namespace kavrol::physics {

namespace {

// --- The fields' ranges ---

// The range of a number in the file: from `low` (included or not) to `high` (included).
struct Range {
    double low;
    double high;
    bool lowIncluded;
    const char* unit; // appended to the numbers in messages; may be empty
};

// Every field's range, stated once. Lengths in millimetres: a tank up to 10 m wide, a lamp up
// to 5 m above the water; tubes from 1 mm to 100 mm across.
constexpr Range kWaterDistance{0.0, 5000.0, false, " mm"};
constexpr Range kTankWidth{0.0, 10000.0, false, " mm"};
constexpr Range kShare{0.0, 1.0, true, ""};
constexpr Range kGlossSpread{0.0, 30.0, true, " degrees"};
constexpr Range kRefractiveIndex{1.0, 3.0, true, ""};
constexpr Range kUnitX{-5000.0, 5000.0, true, " mm"};
constexpr Range kLampDistance{0.0, 2000.0, false, " mm"};
constexpr Range kPower{0.0, 1000.0, false, ""};
constexpr Range kTubeDiameter{1.0, 100.0, true, " mm"};
constexpr Range kOpening{0.0, 5000.0, false, " mm"}; // A and B
constexpr Range kFlat{0.0, 5000.0, true, " mm"};     // C
constexpr Range kPointX{-5000.0, 5000.0, true, " mm"};
constexpr Range kPointY{0.0, 5000.0, true, " mm"};

namespace D = InputDomain;

// The whole tank's fields take the command line's ranges from the input table.
constexpr Range Of(const IntegerInput& input, const char* unit) {
    return {static_cast<double>(input.minimum), static_cast<double>(input.maximum), true, unit};
}
constexpr Range Of(const RealInput& input, const char* unit) {
    return {static_cast<double>(input.minimum), static_cast<double>(input.maximum), true, unit};
}
constexpr Range kTankLength = Of(D::TankLength, " mm");
constexpr Range kWaterDepth = Of(D::WaterDepth, " mm");
constexpr Range kAttenuation = Of(D::WaterAttenuation, " per m");
constexpr Range kLitLength = Of(D::LitLength, " mm");
constexpr Range kReflectorLength = Of(D::ReflectorLength, " mm");
constexpr Range kTubeCentre = Of(D::TubeCentre, " mm");
constexpr Range kLumens = Of(D::Lumens, " lm");
constexpr Range kPhotonFlux = Of(D::PhotonFlux, " umol/s");

// A unit's fields along the whole tank, refused without the tank's length.
constexpr std::array<const char*, 7> kAlongKeys = {
    "tubeModel", "litLength", "reflectorLength", "ends", "z", "lumens", "photonFlux"};

// --- Messages ---

std::string Number(double value) {
    std::ostringstream text;
    text.precision(6);
    text << value;
    return text.str();
}

std::string Describe(const Range& r) {
    return std::string("must be ") + (r.lowIncluded ? "at least " : "greater than ") +
           Number(r.low) + r.unit + " and at most " + Number(r.high) + r.unit;
}

// Where a message points: the file and place, then the unit and the field.
struct Place {
    const std::string& source;
    std::string unit;   // "unit 2" or "unit 2 (\"left\")"; empty for the fixture's own fields
    std::string prefix; // "tank." or "reflector."
};

[[noreturn]] void Fail(const Place& place, const JsonValue& at, const std::string& field,
                       const std::string& reason) {
    std::string message = place.source + ": line " + std::to_string(at.line) + ", column " +
                          std::to_string(at.column) + ": ";
    if (!place.unit.empty()) {
        message += place.unit + ", ";
    }
    if (!field.empty()) {
        message += "\"" + place.prefix + field + "\": ";
    }
    throw FixtureError(message + reason);
}

// --- Typed fields ---

const char* TypeName(JsonValue::Type type) {
    switch (type) {
    case JsonValue::Type::Null:
        return "null";
    case JsonValue::Type::Boolean:
        return "true or false";
    case JsonValue::Type::Number:
        return "a number";
    case JsonValue::Type::String:
        return "a string";
    case JsonValue::Type::Array:
        return "a list";
    case JsonValue::Type::Object:
        return "an object";
    }
    return "a value";
}

void RequireType(const Place& place, const JsonValue& value, const std::string& field,
                 JsonValue::Type type) {
    if (value.type != type) {
        Fail(place, value, field,
             std::string("must be ") + TypeName(type) + ", got " + TypeName(value.type));
    }
}

void CheckKeys(const Place& place, const JsonValue& object,
               std::initializer_list<const char*> known) {
    for (std::size_t i = 0; i < object.keys.size(); ++i) {
        const std::string& key = object.keys[i];
        const JsonValue& value = object.items[i];
        bool found = false;
        std::string list;
        for (const char* k : known) {
            found = found || key == k;
            list += (list.empty() ? "" : ", ") + std::string(k);
        }
        if (!found) {
            Fail(place, value, "",
                 "unknown key \"" + place.prefix + QuotedText::Excerpt(key) + "\" (known: " + list +
                     ")");
        }
    }
}

const JsonValue& Required(const Place& place, const JsonValue& object, const char* key) {
    const JsonValue* value = object.find(key);
    if (value == nullptr) {
        Fail(place, object, key, "is missing");
    }
    return *value;
}

double InRange(const Place& place, const JsonValue& value, const std::string& field,
               const Range& range) {
    RequireType(place, value, field, JsonValue::Type::Number);
    const double v = value.number;
    const bool aboveLow = range.lowIncluded ? v >= range.low : v > range.low;
    if (!aboveLow || v > range.high) {
        Fail(place, value, field, Describe(range) + ", got " + Number(v) + range.unit);
    }
    return v;
}

double NumberField(const Place& place, const JsonValue& object, const char* key,
                   const Range& range) {
    return InRange(place, Required(place, object, key), key, range);
}

double OptionalNumber(const Place& place, const JsonValue& object, const char* key,
                      const Range& range, double fallback) {
    const JsonValue* value = object.find(key);
    return value == nullptr ? fallback : InRange(place, *value, key, range);
}

// --- The tank and materials ---

void ReadTank(const std::string& source, const JsonValue& root, Fixture& fixture) {
    Place place{source, "", ""};
    const JsonValue& tank = Required(place, root, "tank");
    RequireType(place, tank, "tank", JsonValue::Type::Object);
    place.prefix = "tank.";
    CheckKeys(place, tank, {"waterDistance", "width", "length", "depth", "attenuation"});
    fixture.waterDistance = NumberField(place, tank, "waterDistance", kWaterDistance);
    fixture.width = NumberField(place, tank, "width", kTankWidth);
    if (tank.find("length") == nullptr) {
        for (const char* key : {"depth", "attenuation"}) {
            if (const JsonValue* value = tank.find(key)) {
                Fail(place, *value, key, "needs the tank's \"tank.length\" along the tubes");
            }
        }
        return;
    }
    Tank whole;
    whole.length = NumberField(place, tank, "length", kTankLength);
    whole.waterDepth = OptionalNumber(place, tank, "depth", kWaterDepth, D::WaterDepth.initial);
    whole.attenuationPerM = OptionalNumber(place, tank, "attenuation", kAttenuation,
                                           static_cast<double>(D::WaterAttenuation.initial));
    fixture.wholeTank = whole;
}

// --- Tubes ---

// One of the input table's tubes ("T4", "T5", "T8") or a diameter in millimetres.
double TubeRadius(const Place& place, const JsonValue& tube) {
    if (tube.type == JsonValue::Type::Number) {
        return InRange(place, tube, "tube", kTubeDiameter) / 2.0;
    }
    if (tube.type == JsonValue::Type::String) {
        const int index = InputDomain::Tube.indexOf(tube.text);
        if (index >= 0) {
            return InputDomain::TubeRadiusMm[static_cast<std::size_t>(index)];
        }
    }
    Fail(place, tube, "tube",
         "must be \"T4\", \"T5\", \"T8\" or a diameter in millimetres, got " +
             (tube.type == JsonValue::Type::String ? "\"" + QuotedText::Excerpt(tube.text) + "\""
                                                   : std::string(TypeName(tube.type))));
}

// A unit's sheet: a preset of the input table ("surface") and the figures set by hand, which win
// over the preset's.
void ReadSurface(const Place& place, const JsonValue& unit, Fixture::Unit& result) {
    if (const JsonValue* word = unit.find("surface")) {
        const SurfacePreset* preset = word->type == JsonValue::Type::String
                                          ? InputDomain::SurfacePresetOf(word->text)
                                          : nullptr;
        const bool mirror =
            word->type == JsonValue::Type::String && word->text == InputDomain::MirrorSurface;
        if (preset == nullptr && !mirror) {
            std::string words = "\"" + std::string(InputDomain::MirrorSurface) + "\"";
            for (const SurfacePreset& p : InputDomain::SurfacePresets) {
                words += ", \"" + std::string(p.word) + "\"";
            }
            Fail(place, *word, "surface",
                 "must be one of " + words + ", got " +
                     (word->type == JsonValue::Type::String
                          ? "\"" + QuotedText::Excerpt(word->text) + "\""
                          : std::string(TypeName(word->type))));
        }
        if (preset != nullptr) {
            result.surface = {preset->diffuseShare, preset->glossSpreadDeg};
        }
        result.surfaceName = word->text;
    }
    const bool diffuse = unit.find("diffuseShare") != nullptr;
    const bool gloss = unit.find("glossSpread") != nullptr;
    result.surface.diffuseShare =
        OptionalNumber(place, unit, "diffuseShare", kShare, result.surface.diffuseShare);
    result.surface.glossSpreadDeg =
        OptionalNumber(place, unit, "glossSpread", kGlossSpread, result.surface.glossSpreadDeg);
    if (diffuse || gloss) {
        result.surfaceName = std::string(InputDomain::CustomSurface);
    }
}

// --- Reflectors and profiles (inline or CSV) ---

// Two numbers on a line, separated by a comma, a semicolon or blanks.
bool ParsePair(const std::string& line, double& x, double& y) {
    const char* p = line.data();
    const char* end = p + line.size();
    const auto skip = [&](bool separator) {
        bool seen = false;
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' ||
                           (separator && !seen && (*p == ',' || *p == ';')))) {
            seen = seen || *p == ',' || *p == ';';
            ++p;
        }
    };
    skip(false);
    auto first = std::from_chars(p, end, x);
    if (first.ec != std::errc()) {
        return false;
    }
    p = first.ptr;
    skip(true);
    auto second = std::from_chars(p, end, y);
    if (second.ec != std::errc()) {
        return false;
    }
    p = second.ptr;
    skip(false);
    return p == end && std::isfinite(x) && std::isfinite(y);
}

// A profile file's name as written in the fixture: absolute names are used as they are,
// relative ones are taken from the fixture file's folder.
std::string ProfilePath(const std::string& directory, const std::string& name) {
    if (directory.empty() || (!name.empty() && name.front() == '/')) {
        return name;
    }
    return directory + "/" + name;
}

// A CSV file of x, y rows; blank lines and lines starting with '#' are skipped, and a first
// row that is not two numbers is taken for a header.
std::vector<Fixture::Point> ReadCsv(const Place& place, const JsonValue& at,
                                    const std::string& directory, const std::string& name) {
    const std::string path = ProfilePath(directory, name);
    std::string text;
    try {
        text = BoundedFile::Read(path, "profile file " + QuotedText::Name(path));
    } catch (const FixtureError& e) {
        Fail(place, at, "profile", e.what());
    }
    const std::string shown = QuotedText::Name(name);
    const std::string_view start = std::string_view(text).substr(0, 2);
    if (start == "\xFF\xFE" || start == "\xFE\xFF") {
        throw FixtureError(shown + ": " + place.unit +
                           ", the profile file is UTF-16 (by its byte order mark), not UTF-8");
    }
    std::vector<Fixture::Point> points;
    int number = 0;
    bool first = true;
    for (std::size_t from = 0; from < text.size();) {
        const std::size_t newline = text.find('\n', from);
        const std::size_t end = newline == std::string::npos ? text.size() : newline;
        const std::string line = text.substr(from, end - from);
        from = end + 1;
        ++number;
        const std::size_t lead = line.find_first_not_of(" \t\r");
        if (lead == std::string::npos || line[lead] == '#') {
            continue;
        }
        double x = 0.0;
        double y = 0.0;
        if (!ParsePair(line, x, y)) {
            if (first) {
                first = false;
                continue;
            }
            throw FixtureError(shown + ", line " + std::to_string(number) + ": " + place.unit +
                               ", expected two numbers x, y, got \"" + QuotedText::Excerpt(line) +
                               "\"");
        }
        first = false;
        if (x < kPointX.low || x > kPointX.high || y < kPointY.low || y > kPointY.high) {
            throw FixtureError(shown + ", line " + std::to_string(number) + ": " + place.unit +
                               ", the point (" + Number(x) + ", " + Number(y) + "): x " +
                               Describe(kPointX) + " and y " + Describe(kPointY));
        }
        points.push_back({x, y});
        if (points.size() > static_cast<std::size_t>(FixtureFile::kMaxPoints)) {
            break;
        }
    }
    return points;
}

std::vector<Fixture::Point> InlinePoints(const Place& place, const JsonValue& profile) {
    std::vector<Fixture::Point> points;
    for (std::size_t i = 0; i < profile.items.size(); ++i) {
        const JsonValue& item = profile.items[i];
        const std::string field = "profile[" + std::to_string(i + 1) + "]";
        if (item.type != JsonValue::Type::Array || item.items.size() != 2) {
            Fail(place, item, field, "must be a pair [x, y] of numbers in millimetres");
        }
        points.push_back({InRange(place, item.items[0], field + ".x", kPointX),
                          InRange(place, item.items[1], field + ".y", kPointY)});
    }
    return points;
}

// --- The order of a profile's points ---

// The points must run from one rim to the other: the ends are the leftmost and the rightmost
// points, consecutive points differ. Points given from right to left are turned round.
void CheckOrder(const Place& place, const JsonValue& at, std::vector<Fixture::Point>& points) {
    const std::size_t n = points.size();
    if (n < 2 || n > static_cast<std::size_t>(FixtureFile::kMaxPoints)) {
        Fail(place, at, "profile",
             "must hold from 2 to " + std::to_string(FixtureFile::kMaxPoints) + " points, got " +
                 (n > static_cast<std::size_t>(FixtureFile::kMaxPoints) ? "more"
                                                                        : std::to_string(n)));
    }
    if (points.front().x > points.back().x) {
        std::vector<Fixture::Point> reversed(points.rbegin(), points.rend());
        points.swap(reversed);
    }
    const double left = points.front().x;
    const double right = points.back().x;
    if (!(left < right)) {
        Fail(place, at, "profile",
             "the points must run from one rim to the other, but the first and the last lie "
             "at the same x = " +
                 Number(left) + " mm");
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (points[i].x < left || points[i].x > right) {
            Fail(place, at, "profile",
                 "the points are not ordered from rim to rim: a point at x = " +
                     Number(points[i].x) + " mm lies beyond the rims at x = " + Number(left) +
                     " mm and x = " + Number(right) + " mm (the first and the last point)");
        }
        if (i + 1 < n && points[i].x == points[i + 1].x && points[i].y == points[i + 1].y) {
            Fail(place, at, "profile",
                 "the point (" + Number(points[i].x) + ", " + Number(points[i].y) +
                     ") is given twice in a row");
        }
    }
}

Fixture::Reflector ReadProfile(const Place& place, const JsonValue& reflector,
                               const std::string& directory) {
    CheckKeys(place, reflector, {"profile", "join"});
    Fixture::Reflector result;
    result.hasProfile = true;
    const JsonValue& profile = Required(place, reflector, "profile");
    if (profile.type == JsonValue::Type::String) {
        result.points = ReadCsv(place, profile, directory, profile.text);
    } else if (profile.type == JsonValue::Type::Array) {
        result.points = InlinePoints(place, profile);
    } else {
        Fail(place, profile, "profile",
             std::string("must be a list of [x, y] points or the name of a CSV file, got ") +
                 TypeName(profile.type));
    }
    CheckOrder(place, profile, result.points);
    if (const JsonValue* join = reflector.find("join")) {
        if (join->type != JsonValue::Type::String ||
            (join->text != "smooth" && join->text != "straight")) {
            Fail(place, *join, "join", "must be \"smooth\" or \"straight\"");
        }
        result.join = join->text == "smooth" ? Fixture::Join::Smooth : Fixture::Join::Straight;
    }
    return result;
}

Fixture::Reflector ReadShape(const Place& place, const JsonValue& reflector) {
    CheckKeys(place, reflector, {"shape", "A", "B", "C"});
    Fixture::Reflector result;
    const JsonValue& shape = Required(place, reflector, "shape");
    int index = -1;
    if (shape.type == JsonValue::Type::String) {
        index = shape.text == D::ZeFoAlias ? D::ZeFo : D::Shape.indexOf(shape.text);
    }
    if (index < 0) {
        const auto word = [](int i) { return "\"" + std::string(D::Shape.word(i)) + "\""; };
        Fail(place, shape, "shape",
             "must be " + word(D::Trapezoid) + ", " + word(D::Parabola) + " or " + word(D::ZeFo) +
                 " (also \"" + std::string(D::ZeFoAlias) + "\")");
    }
    result.shape = static_cast<ReflectorShape>(index);
    result.a = NumberField(place, reflector, "A", kOpening);
    result.b = NumberField(place, reflector, "B", kOpening);
    const bool needsC = result.shape != ReflectorShape::Parabola;
    result.c = needsC ? NumberField(place, reflector, "C", kFlat)
                      : OptionalNumber(place, reflector, "C", kFlat, 0.0);
    return result;
}

Fixture::Reflector ReadReflector(Place place, const JsonValue& unit, const std::string& directory) {
    const JsonValue& reflector = Required(place, unit, "reflector");
    RequireType(place, reflector, "reflector", JsonValue::Type::Object);
    place.prefix = "reflector.";
    if (reflector.find("profile") != nullptr) {
        return ReadProfile(place, reflector, directory);
    }
    if (reflector.find("shape") == nullptr) {
        Fail(place, reflector, "",
             "the reflector needs a \"shape\" with A, B, C or a "
             "\"profile\" of points");
    }
    return ReadShape(place, reflector);
}

// --- A unit along the whole tank ---

// The catalogue tube a unit names, or the catalogue's default for its tube's diameter; null for
// a diameter the catalogue does not hold.
const D::TubeModel* ReadTubeModel(const Place& place, const JsonValue& unit, double radius) {
    const JsonValue* word = unit.find("tubeModel");
    if (word == nullptr) {
        for (std::size_t i = 0; i < D::TubeRadiusMm.size(); ++i) {
            if (D::TubeRadiusMm[i] == radius) {
                return D::FindTubeModel(D::DefaultTubeModel[i]);
            }
        }
        return nullptr;
    }
    const D::TubeModel* model =
        word->type == JsonValue::Type::String ? D::FindTubeModel(word->text) : nullptr;
    if (model == nullptr) {
        std::string words;
        for (const D::TubeModel& m : D::TubeCatalogue) {
            words += (words.empty() ? "\"" : ", \"") + std::string(m.word) + "\"";
        }
        Fail(place, *word, "tubeModel",
             "must be one of the catalogue's tubes (" + words + "), got " +
                 (word->type == JsonValue::Type::String
                      ? "\"" + QuotedText::Excerpt(word->text) + "\""
                      : std::string(TypeName(word->type))));
    }
    if (D::TubeRadiusMm[static_cast<std::size_t>(model->tube)] != radius) {
        Fail(place, *word, "tubeModel",
             "is a " + std::string(D::Tube.word(model->tube)) +
                 " tube, of another diameter than the unit's \"tube\"");
    }
    return model;
}

// The unit's tube, reflector and place along the tank. A catalogue tube gives the lit length
// and the lumens unless they are given; photons are lumens times the input table's photon and
// output factors, as on the command line.
void ReadAlongTank(const Place& place, const JsonValue& unit, const Tank& tank,
                   Fixture::Unit& result) {
    // The whole tank's tracer follows a sheet's gloss but does not re-emit its diffuse light.
    if (result.surface.diffuseShare > 0.0) {
        for (const char* key : {"diffuseShare", "surface"}) {
            if (const JsonValue* value = unit.find(key)) {
                Fail(place, *value, key,
                     "re-emits light diffusely (a diffuse share above 0), which the whole tank "
                     "(\"tank.length\") does not model yet; leave out one of the two");
            }
        }
    }
    const D::TubeModel* model = ReadTubeModel(place, unit, result.tubeRadius);
    const std::string none = " (the catalogue has no tube of this diameter)";
    if (model == nullptr && unit.find("litLength") == nullptr) {
        Fail(place, unit, "litLength", "is missing" + none);
    }
    if (model == nullptr && unit.find("lumens") == nullptr && unit.find("photonFlux") == nullptr) {
        Fail(place, unit, "lumens", "is missing, and so is \"photonFlux\"" + none);
    }
    if (const JsonValue* both = unit.find("photonFlux");
        both != nullptr && unit.find("lumens") != nullptr) {
        Fail(place, *both, "photonFlux", "and \"lumens\" give the tube's output twice; give one");
    }
    TankUnit& along = result.along;
    along.litLength = unit.find("litLength") != nullptr
                          ? NumberField(place, unit, "litLength", kLitLength)
                          : static_cast<double>(model->litLengthMm);
    along.reflectorLength =
        OptionalNumber(place, unit, "reflectorLength", kReflectorLength, along.litLength);
    along.centre = OptionalNumber(place, unit, "z", kTubeCentre, tank.length / 2.0);
    if (along.centre > tank.length) {
        Fail(place, *unit.find("z"), "z",
             "must lie along the tank, at most its length " + Number(tank.length) + " mm, got " +
                 Number(along.centre) + " mm");
    }
    if (const JsonValue* ends = unit.find("ends")) {
        const int index =
            ends->type == JsonValue::Type::String ? D::ReflectorEnds.indexOf(ends->text) : -1;
        if (index < 0) {
            Fail(place, *ends, "ends", "must be \"open\" or \"closed\"");
        }
        along.closedLow = along.closedHigh = index == 1;
    }
    const double photonFactor = static_cast<double>(D::PhotonFactor.initial);
    const double outputFactor = static_cast<double>(D::OutputFactor.initial);
    if (unit.find("photonFlux") != nullptr) {
        along.photonFlux = NumberField(place, unit, "photonFlux", kPhotonFlux);
    } else {
        const double lumens = unit.find("lumens") != nullptr
                                  ? NumberField(place, unit, "lumens", kLumens)
                                  : static_cast<double>(model->lumens);
        along.photonFlux = lumens * photonFactor * outputFactor;
    }
    // Named as the command line's report names them.
    const std::string given = unit.find("photonFlux") != nullptr ? " (photon output given)"
                              : unit.find("lumens") != nullptr   ? " (lumens given)"
                                                                 : "";
    result.tubeModel = model != nullptr ? std::string(model->word) + given : "given";
}

// ---- The whole file ----

Fixture::Unit ReadUnit(const std::string& source, const JsonValue& unit, int number,
                       const std::string& directory, const std::optional<Tank>& tank) {
    Place place{source, "unit " + std::to_string(number), ""};
    RequireType(place, unit, "", JsonValue::Type::Object);
    CheckKeys(place, unit,
              {"name", "tube", "x", "lampDistance", "power", "reflector", "surface", "diffuseShare",
               "glossSpread", "tubeModel", "litLength", "reflectorLength", "ends", "z", "lumens",
               "photonFlux"});
    Fixture::Unit result;
    if (const JsonValue* name = unit.find("name")) {
        RequireType(place, *name, "name", JsonValue::Type::String);
        result.name = name->text;
        place.unit += " (\"" + QuotedText::Excerpt(result.name) + "\")";
    }
    result.tubeRadius = TubeRadius(place, Required(place, unit, "tube"));
    result.x = NumberField(place, unit, "x", kUnitX);
    result.lampDistance = NumberField(place, unit, "lampDistance", kLampDistance);
    result.power = OptionalNumber(place, unit, "power", kPower, 1.0);
    result.reflector = ReadReflector(place, unit, directory);
    ReadSurface(place, unit, result);
    if (tank) {
        ReadAlongTank(place, unit, *tank, result);
    } else {
        for (const char* key : kAlongKeys) {
            if (const JsonValue* value = unit.find(key)) {
                Fail(place, *value, key, "needs the tank's \"tank.length\" along the tubes");
            }
        }
    }
    return result;
}

} // namespace

// --- The whole file ---

CheckedFixture FixtureFile::Check(const std::string& text, const std::string& source,
                                  const std::string& directory) {
    const JsonValue root = JsonReader::Parse(text, source);
    Place place{source, "", ""};
    RequireType(place, root, "", JsonValue::Type::Object);
    CheckKeys(place, root,
              {"name", "tank", "albedo", "tubeTransmission", "refractiveIndex", "units"});
    Fixture fixture;
    if (const JsonValue* name = root.find("name")) {
        RequireType(place, *name, "name", JsonValue::Type::String);
        fixture.name = name->text;
    }
    ReadTank(source, root, fixture);
    Materials& materials = fixture.materials;
    const Materials defaults;
    materials.albedo = NumberField(place, root, "albedo", kShare);
    materials.tubeTransmission =
        OptionalNumber(place, root, "tubeTransmission", kShare, defaults.tubeTransmission);
    materials.refractiveIndex =
        OptionalNumber(place, root, "refractiveIndex", kRefractiveIndex, defaults.refractiveIndex);
    const JsonValue& units = Required(place, root, "units");
    RequireType(place, units, "units", JsonValue::Type::Array);
    if (units.items.empty() || units.items.size() > static_cast<std::size_t>(kMaxUnits)) {
        Fail(place, units, "units",
             "must hold from 1 to " + std::to_string(kMaxUnits) + " units, got " +
                 std::to_string(units.items.size()));
    }
    for (std::size_t i = 0; i < units.items.size(); ++i) {
        fixture.units.push_back(ReadUnit(source, units.items[i], static_cast<int>(i + 1), directory,
                                         fixture.wholeTank));
    }
    // Whether the units fit together and around their tubes: the scene's own checks.
    try {
        FixtureScene scene(fixture);
        return CheckedFixture{std::move(fixture), std::move(scene)};
    } catch (const FixtureError& e) {
        throw FixtureError(source + ": " + e.what());
    }
}

CheckedFixture FixtureFile::Load(const std::string& path) {
    std::string text;
    try {
        text = BoundedFile::Read(path, "fixture file");
    } catch (const FixtureError& e) {
        throw FixtureError(QuotedText::Name(path) + ": " + e.what());
    }
    const std::size_t slash = path.find_last_of('/');
    // A fixture in the root folder keeps "/" as its folder, not "".
    const std::string directory =
        slash == std::string::npos ? "" : path.substr(0, slash == 0 ? 1 : slash);
    return Check(text, path, directory);
}

} // namespace kavrol::physics
