// SPDX-License-Identifier: GPL-3.0-or-later
// Fixture files: every field read, profiles inline and from CSV, and refusals that name the
// place, the unit, the field and the reason.
#include "FixtureFile.h"
#include "FixtureError.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kavrol::physics {
namespace {

// A valid two-unit fixture; `unit2` replaces the second unit's text.
std::string Text(const std::string& unit2 =
                     R"({"tube": 16, "x": 100, "lampDistance": 40, "power": 2,
      "reflector": {"profile": [[-60, 30], [0, 0], [60, 30]], "join": "straight"}})") {
    return R"({"name": "test", "tank": {"waterDistance": 150, "width": 600}, "albedo": 0.9,
  "refractiveIndex": 1.0, "tubeTransmission": 0.1,
  "units": [
    {"name": "left", "tube": "T8", "x": -100, "lampDistance": 50,
      "reflector": {"shape": "twin-arc", "A": 180, "B": 60, "C": 40}},
    )" + unit2 +
           "]}";
}

std::string ParseError(const std::string& text) {
    try {
        (void)FixtureFile::Parse(text, "f.json", "");
    } catch (const FixtureError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(FixtureFile, ReadsEveryField) {
    const Fixture f = FixtureFile::Parse(Text(), "f.json", "");
    EXPECT_EQ(f.name, "test");
    EXPECT_EQ(f.waterDistance, 150.0);
    EXPECT_EQ(f.width, 600.0);
    EXPECT_EQ(f.materials.albedo, 0.9);
    EXPECT_EQ(f.materials.refractiveIndex, 1.0);
    EXPECT_EQ(f.materials.tubeTransmission, 0.1);
    ASSERT_EQ(f.units.size(), 2u);
    const Fixture::Unit& a = f.units[0];
    EXPECT_EQ(a.name, "left");
    EXPECT_EQ(a.tubeRadius, 13.0);
    EXPECT_EQ(a.x, -100.0);
    EXPECT_EQ(a.lampDistance, 50.0);
    EXPECT_EQ(a.power, 1.0);
    EXPECT_FALSE(a.reflector.hasProfile);
    EXPECT_EQ(a.reflector.shape, ReflectorShape::TwinArc);
    EXPECT_EQ(a.reflector.c, 40.0);
    const Fixture::Unit& b = f.units[1];
    EXPECT_EQ(b.tubeRadius, 8.0);
    EXPECT_EQ(b.power, 2.0);
    EXPECT_TRUE(b.reflector.hasProfile);
    EXPECT_EQ(b.reflector.join, Fixture::Join::Straight);
    ASSERT_EQ(b.reflector.points.size(), 3u);
    EXPECT_EQ(b.reflector.points[2].y, 30.0);
    // Defaults, points given from right to left.
    const Fixture g = FixtureFile::Parse(
        R"({"tank": {"waterDistance": 150, "width": 600}, "albedo": 0.5, "units": [
        {"tube": "T4", "x": 0, "lampDistance": 30,
         "reflector": {"profile": [[50, 20], [0, 0], [-50, 20]]}}]})",
        "g.json", "");
    EXPECT_EQ(g.materials.refractiveIndex, 1.33);
    EXPECT_EQ(g.materials.tubeTransmission, 0.0);
    EXPECT_EQ(g.units[0].tubeRadius, 6.0);
    EXPECT_EQ(g.units[0].reflector.join, Fixture::Join::Smooth);
    EXPECT_EQ(g.units[0].reflector.points.front().x, -50.0);
}

TEST(FixtureFile, ReadsAProfileFromACsvFileBesideIt) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kavrol-fixture-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "p.csv") << "# measured with a ruler\nx,y\n-60, 30\r\n\n-20;4\n0 0\n"
                                    "20,4\n60,30\n";
    std::ofstream(dir / "bad.csv") << "x,y\n-60,30\n0,zero\n60,30\n";
    std::ofstream(dir / "f.json") << Text(R"({"tube": "T5", "x": 100, "lampDistance": 40,
        "reflector": {"profile": "p.csv"}})");
    const Fixture f = FixtureFile::Read((dir / "f.json").string());
    ASSERT_EQ(f.units[1].reflector.points.size(), 5u);
    EXPECT_EQ(f.units[1].reflector.points[1].x, -20.0);
    EXPECT_EQ(f.units[1].reflector.points[1].y, 4.0);
    std::ofstream(dir / "f.json") << Text(R"({"tube": "T5", "x": 100, "lampDistance": 40,
        "reflector": {"profile": "bad.csv"}})");
    EXPECT_EQ(ParseError(Text(R"({"tube": "T5", "x": 100, "lampDistance": 40,
        "reflector": {"profile": "missing.csv"}})")),
              "f.json: line 7, column 34: unit 2, \"reflector.profile\": cannot open the "
              "profile file missing.csv: No such file or directory");
    try {
        (void)FixtureFile::Read((dir / "f.json").string());
        ADD_FAILURE() << "a bad CSV row was accepted";
    } catch (const FixtureError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "bad.csv, line 3: unit 2, expected two numbers x, y, got \"0,zero\"");
    }
    EXPECT_THROW((void)FixtureFile::Read((dir / "none.json").string()), FixtureError);
    std::filesystem::remove_all(dir);
}

TEST(FixtureFile, RefusesBadFieldsNamingUnitFieldAndReason) {
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {"[1]", "f.json: line 1, column 1: must be an object, got a list"},
        {R"({"tank": {"width": 600}, "albedo": 0.5, "units": []})",
         "f.json: line 1, column 10: \"tank.waterDistance\": is missing"},
        {R"({"tank": {"waterDistance": 0, "width": 600}, "albedo": 0.5, "units": []})",
         "f.json: line 1, column 28: \"tank.waterDistance\": must be greater than 0 mm and at "
         "most 5000 mm, got 0 mm"},
        {R"({"tank": {"waterDistance": 10, "width": 600}, "albedo": 1.5, "units": []})",
         "f.json: line 1, column 57: \"albedo\": must be at least 0 and at most 1, got 1.5"},
        {R"({"tank": {"waterDistance": 10, "width": 600}, "albedo": 0.5, "units": []})",
         "f.json: line 1, column 71: \"units\": must hold from 1 to 32 units, got 0"},
        {R"({"tank": {"waterDistance": 10, "width": 600}, "albedo": 0.5, "colour": 1})",
         "f.json: line 1, column 72: unknown key \"colour\" (known: name, tank, albedo, "
         "tubeTransmission, refractiveIndex, units)"},
        {Text(R"({"tube": "T6", "x": 100, "lampDistance": 40, "reflector": {}})"),
         "f.json: line 6, column 14: unit 2, \"tube\": must be \"T4\", \"T5\", \"T8\" or a "
         "diameter in millimetres, got \"T6\""},
        {Text(R"({"tube": 0.5, "x": 100, "lampDistance": 40, "reflector": {}})"),
         "f.json: line 6, column 14: unit 2, \"tube\": must be at least 1 mm and at most 100 "
         "mm, got 0.5 mm"},
        {Text(R"({"name": "r", "tube": "T5", "x": "100", "lampDistance": 40})"),
         "f.json: line 6, column 38: unit 2 (\"r\"), \"x\": must be a number, got a string"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": -4, "reflector": {}})"),
         "f.json: line 6, column 46: unit 2, \"lampDistance\": must be greater than 0 mm and "
         "at most 2000 mm, got -4 mm"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4, "height": 3})"),
         "f.json: line 6, column 59: unit 2, unknown key \"height\" (known: name, tube, x, "
         "lampDistance, power, reflector, surface, diffuseShare, glossSpread, tubeModel, "
         "litLength, "
         "reflectorLength, ends, z, lumens, photonFlux)"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4})"),
         "f.json: line 6, column 5: unit 2, \"reflector\": is missing"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4, "reflector": {}})"),
         "f.json: line 6, column 62: unit 2, the reflector needs a \"shape\" with A, B, C or a "
         "\"profile\" of points"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4,
          "reflector": {"shape": "cone", "A": 1, "B": 1}})"),
         "f.json: line 7, column 34: unit 2, \"reflector.shape\": must be \"trapezoid\", "
         "\"parabola\" or \"zefo\" (also \"twin-arc\")"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4,
          "reflector": {"shape": "trapezoid", "A": 100, "B": 40}})"),
         "f.json: line 7, column 24: unit 2, \"reflector.C\": is missing"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4,
          "reflector": {"shape": "parabola", "A": 100, "B": 0}})"),
         "f.json: line 7, column 61: unit 2, \"reflector.B\": must be greater than 0 mm and at "
         "most 5000 mm, got 0 mm"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4,
          "reflector": {"shape": "parabola", "A": 100, "B": 10, "D": 1}})"),
         "f.json: line 7, column 70: unit 2, unknown key \"reflector.D\" (known: shape, A, B, "
         "C)"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4,
          "reflector": {"profile": [[0, 1]]}})"),
         "f.json: line 7, column 36: unit 2, \"reflector.profile\": must hold from 2 to 4000 "
         "points, got 1"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4,
          "reflector": {"profile": [[0, 1], [5]]}})"),
         "f.json: line 7, column 45: unit 2, \"reflector.profile[2]\": must be a pair [x, y] "
         "of numbers in millimetres"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4,
          "reflector": {"profile": [[0, 1], [5, -2]]}})"),
         "f.json: line 7, column 49: unit 2, \"reflector.profile[2].y\": must be at least 0 mm "
         "and at most 5000 mm, got -2 mm"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4,
          "reflector": {"profile": [[-50, 20], [-60, 10], [0, 0], [50, 20]]}})"),
         "f.json: line 7, column 36: unit 2, \"reflector.profile\": the points are not ordered "
         "from rim to rim: a point at x = -60 mm lies beyond the rims at x = -50 mm and x = 50 "
         "mm (the first and the last point)"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4,
          "reflector": {"profile": [[-50, 20], [0, 0], [0, 0], [50, 20]]}})"),
         "f.json: line 7, column 36: unit 2, \"reflector.profile\": the point (0, 0) is given "
         "twice in a row"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4,
          "reflector": {"profile": [[5, 20], [0, 0], [5, 10]]}})"),
         "f.json: line 7, column 36: unit 2, \"reflector.profile\": the points must run from "
         "one rim to the other, but the first and the last lie at the same x = 5 mm"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4,
          "reflector": {"profile": [[-5, 20], [5, 20]], "join": "round"}})"),
         "f.json: line 7, column 65: unit 2, \"reflector.join\": must be \"smooth\" or "
         "\"straight\""},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4,
          "reflector": {"profile": 3}})"),
         "f.json: line 7, column 36: unit 2, \"reflector.profile\": must be a list of [x, y] "
         "points or the name of a CSV file, got a number"},
        {Text(R"({"tube": "T5", "x": -150, "lampDistance": 40,
          "reflector": {"shape": "parabola", "A": 100, "B": 40}})"),
         "f.json: unit 2: overlaps unit 1 (\"left\"): their reflectors span x = -200 mm to -100 "
         "mm and x = -190 mm to -10 mm"},
        {Text(R"({"tube": "T5", "x": 100 "lampDistance": 4})"),
         "f.json: line 6, column 29: expected ',' or '}' after a member"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseError(c.text), c.message) << c.text;
    }
}

// A fixture over a whole tank of `tank` (the members after waterDistance and width) with one T5
// unit whose members after the reflector are `unit`.
std::string TankText(const std::string& tank, const std::string& unit) {
    return R"({"tank": {"waterDistance": 200, "width": 500)" + tank + R"(}, "albedo": 0.8,
  "units": [{"tube": "T5", "x": 0, "lampDistance": 50,
    "reflector": {"shape": "parabola", "A": 200, "B": 100})" +
           unit + "}]}";
}

// The unit along the tank: the catalogue's tube by name or by the tube's diameter, given values
// in its place, the photons from lumens as the command line makes them.
TEST(FixtureFile, ReadsTheWholeTankAndEachUnitAlongIt) {
    const Fixture none = FixtureFile::Parse(TankText("", ""), "f.json", "");
    EXPECT_FALSE(none.wholeTank.has_value());
    const double k = 0.0135;
    const struct {
        std::string tank;
        std::string unit;
        Tank expectedTank;
        TankUnit expected;
        const char* model;
    } cases[] = {
        {R"(, "length": 1200)",
         "",
         {1200, 450, 0},
         {600, 1099, 1099, false, false, 5000 * k},
         "T5-HO-54"},
        {R"(, "length": 900, "depth": 300, "attenuation": 0.5)",
         R"(, "tubeModel": "T5-HO-39", "ends": "closed", "z": 400, "reflectorLength": 820)",
         {900, 300, 0.5},
         {400, 799, 820, true, true, 3500 * k},
         "T5-HO-39"},
        {R"(, "length": 1000)",
         R"(, "litLength": 700, "lumens": 3000, "ends": "open")",
         {1000, 450, 0},
         {500, 700, 700, false, false, 3000 * k},
         "T5-HO-54 (lumens given)"},
        {R"(, "length": 1000)",
         R"(, "photonFlux": 42.5)",
         {1000, 450, 0},
         {500, 1099, 1099, false, false, 42.5},
         "T5-HO-54 (photon output given)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        const Fixture f = FixtureFile::Parse(TankText(c.tank, c.unit), "f.json", "");
        ASSERT_TRUE(f.wholeTank.has_value());
        EXPECT_EQ(f.wholeTank->length, c.expectedTank.length);
        EXPECT_EQ(f.wholeTank->waterDepth, c.expectedTank.waterDepth);
        EXPECT_EQ(f.wholeTank->attenuationPerM, c.expectedTank.attenuationPerM);
        const TankUnit& u = f.units[0].along;
        EXPECT_EQ(u.centre, c.expected.centre);
        EXPECT_EQ(u.litLength, c.expected.litLength);
        EXPECT_EQ(u.reflectorLength, c.expected.reflectorLength);
        EXPECT_EQ(u.closedLow, c.expected.closedLow);
        EXPECT_EQ(u.closedHigh, c.expected.closedHigh);
        EXPECT_DOUBLE_EQ(u.photonFlux, c.expected.photonFlux);
        EXPECT_EQ(f.units[0].tubeModel, c.model);
    }
}

TEST(FixtureFile, RefusesTheWholeTanksFieldsNamingUnitFieldAndReason) {
    const struct {
        std::string tank;
        std::string unit;
        const char* message;
    } cases[] = {
        {R"(, "depth": 300)", "",
         "f.json: line 1, column 56: \"tank.depth\": needs the tank's \"tank.length\" along the "
         "tubes"},
        {"", R"(, "z": 300)",
         "f.json: line 3, column 66: unit 1, \"z\": needs the tank's \"tank.length\" along the "
         "tubes"},
        {R"(, "length": 50)", "",
         "f.json: line 1, column 57: \"tank.length\": must be at least 100 mm and at most 5000 "
         "mm, got 50 mm"},
        {R"(, "length": 1200, "depth": 2500)", "",
         "f.json: line 1, column 72: \"tank.depth\": must be at least 20 mm and at most 2000 "
         "mm, got 2500 mm"},
        {R"(, "length": 1200, "attenuation": -1)", "",
         "f.json: line 1, column 78: \"tank.attenuation\": must be at least 0 per m and at most "
         "100 per m, got -1 per m"},
        {R"(, "length": 1200)", R"(, "tubeModel": "T5-99")",
         "f.json: line 3, column 74: unit 1, \"tubeModel\": must be one of the catalogue's tubes "
         "(\"T4-12\", \"T4-16\", \"T4-20\", \"T4-24\", \"T4-30\", \"T5-HE-14\", \"T5-HE-21\", "
         "\"T5-HE-28\", \"T5-HE-35\", \"T5-HO-24\", \"T5-HO-39\", \"T5-HO-49\", \"T5-HO-54\", "
         "\"T5-HO-80\", \"T8-18\", \"T8-30\", \"T8-36\", \"T8-58\"), got \"T5-99\""},
        {R"(, "length": 1200)", R"(, "tubeModel": "T8-36")",
         "f.json: line 3, column 74: unit 1, \"tubeModel\": is a T8 tube, of another diameter "
         "than the unit's \"tube\""},
        {R"(, "length": 1200)", R"(, "litLength": 3500)",
         "f.json: line 3, column 74: unit 1, \"litLength\": must be at least 50 mm and at most "
         "3000 mm, got 3500 mm"},
        {R"(, "length": 1200)", R"(, "z": 1300)",
         "f.json: line 3, column 66: unit 1, \"z\": must lie along the tank, at most its length "
         "1200 mm, got 1300 mm"},
        {R"(, "length": 1200)", R"(, "ends": "half")",
         "f.json: line 3, column 69: unit 1, \"ends\": must be \"open\" or \"closed\""},
        {R"(, "length": 1200)", R"(, "lumens": 3000, "photonFlux": 40)",
         "f.json: line 3, column 91: unit 1, \"photonFlux\": and \"lumens\" give the tube's "
         "output twice; give one"},
        {R"(, "length": 1200)", R"(, "surface": "crumpled-foil")",
         "f.json: line 3, column 72: unit 1, \"surface\": re-emits light diffusely (a diffuse "
         "share above 0), which the whole tank (\"tank.length\") does not model yet; leave out "
         "one of the two"},
        {R"(, "length": 1200)", R"(, "photonFlux": 0)",
         "f.json: line 3, column 75: unit 1, \"photonFlux\": must be at least 0.01 umol/s and at "
         "most 2000 umol/s, got 0 umol/s"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseError(TankText(c.tank, c.unit)), c.message) << c.tank << c.unit;
    }
    // A tube the catalogue does not hold needs its lit length and output given.
    const std::string odd = R"({"tank": {"waterDistance": 200, "width": 500, "length": 900},
  "albedo": 0.8, "units": [{"tube": 20, "x": 0, "lampDistance": 50, "litLength": 600,
    "reflector": {"shape": "parabola", "A": 200, "B": 100}}]})";
    EXPECT_EQ(ParseError(odd), "f.json: line 2, column 28: unit 1, \"lumens\": is missing, and so "
                               "is \"photonFlux\" (the catalogue has no tube of this diameter)");
}

// Every file read is a regular file within the size cap, judged before its bytes are read, and
// every refusal says why; as the fixture and as a profile the same reasons apply.
TEST(FixtureFile, RefusesWhatIsNotASmallRegularFileWithTheReason) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kavrol-kinds-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    // Sparse: a gigabyte that takes no room, refused by its size without a byte read.
    std::ofstream(dir / "huge");
    std::filesystem::resize_file(dir / "huge", std::uintmax_t(1) << 30);
    std::ofstream(dir / "utf16", std::ios::binary) << std::string("\xFF\xFE{\0", 4);
    std::filesystem::create_directories(dir / "sub" / "deeper");
    std::filesystem::create_directories(dir / "sub" / "deeper");
    const std::string d = dir.string();
    const struct {
        std::string path;
        std::string reason; // after the name, for the fixture; after "the profile file NAME "
    } cases[] = {
        {"/dev/zero", "is a device, not a regular file"},
        {d + "/folder", "is a folder, not a file"},
        {d + "/pipe", "is a pipe, not a regular file"},
        {d + "/huge", "is larger than the 4194304 bytes allowed"},
        {d + "/missing", ": No such file or directory"},
    };
    for (const auto& c : cases) {
        const bool missing = c.reason.front() == ':';
        std::string message;
        try {
            (void)FixtureFile::Read(c.path);
        } catch (const FixtureError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, missing ? c.path + ": cannot open the fixture file" + c.reason
                                   : c.path + ": the fixture file " + c.reason);
        // As a profile, named by its absolute path and relative to the fixture's folder.
        for (const std::string& name :
             {c.path, std::filesystem::relative(c.path, dir / "sub" / "deeper").string()}) {
            std::ofstream(dir / "sub" / "deeper" / "f.json") << Text(
                R"({"tube": "T5", "x": 100, "lampDistance": 40, "reflector": {"profile": ")" +
                name + R"("}})");
            const std::string shown = name.front() == '/' ? name : d + "/sub/deeper/" + name;
            message.clear();
            try {
                (void)FixtureFile::Read(d + "/sub/deeper/f.json");
            } catch (const FixtureError& e) {
                message = e.what();
            }
            const std::string expected =
                (missing ? "cannot open the profile file " + shown + c.reason
                         : "the profile file " + shown + " " + c.reason);
            EXPECT_NE(message.find("unit 2, \"reflector.profile\": " + expected), std::string::npos)
                << message;
        }
    }
    std::string message;
    try {
        (void)FixtureFile::Read(d + "/utf16");
    } catch (const FixtureError& e) {
        message = e.what();
    }
    EXPECT_EQ(message, d + "/utf16: line 1, column 1: the file is UTF-16 (by its byte order "
                           "mark), not UTF-8");
    std::filesystem::remove_all(dir);
}

// Text from the file is quoted short and escaped in messages: a long CSV line, a key or a unit
// name with control characters or terminal escapes; invalid UTF-8 is refused where it stands.
TEST(FixtureFile, QuotesUntrustedTextShortAndEscaped) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kavrol-quoted-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "long.csv") << "x,y\n-60,30\n" << std::string(100000, '7') << ";\n";
    std::ofstream(dir / "f.json") << Text(R"({"tube": "T5", "x": 100, "lampDistance": 40,
        "reflector": {"profile": "long.csv"}})");
    std::string message;
    try {
        (void)FixtureFile::Read((dir / "f.json").string());
    } catch (const FixtureError& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "long.csv, line 3: unit 2, expected two numbers x, y, got \"" +
                           std::string(60, '7') + "...\"");
    std::filesystem::remove_all(dir);

    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {Text(R"({"name": "a\u001b[2Jb\nc", "tube": "T5", "x": 100, "lampDistance": 4,
          "reflector": {"shape": "parabola", "A": 100, "B": 0}})"),
         "f.json: line 7, column 61: unit 2 (\"a\\x1B[2Jb\\nc\"), \"reflector.B\": must be "
         "greater than 0 mm and at most 5000 mm, got 0 mm"},
        {Text(R"({"tube": "T5", "x": 100, "lampDistance": 4, "\u009b31m": 1})"),
         "f.json: line 6, column 62: unit 2, unknown key \"\\xC2\\x9B31m\" (known: name, tube, "
         "x, lampDistance, power, reflector, surface, diffuseShare, glossSpread, tubeModel, "
         "litLength, "
         "reflectorLength, ends, z, lumens, photonFlux)"},
        {Text("{\"name\": \"caf\xC3\xA9 \xFF\", \"tube\": \"T5\"}"),
         "f.json: line 6, column 20: the text is not valid UTF-8 here (the byte \\xFF)"},
        {Text(R"({"tube": ")" + std::string(500, 'T') + R"(", "x": 1})"),
         "f.json: line 6, column 14: unit 2, \"tube\": must be \"T4\", \"T5\", \"T8\" or a "
         "diameter in millimetres, got \"TTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTTT"
         "TTTTT...\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseError(c.text), c.message) << c.text;
    }
}

} // namespace
} // namespace kavrol::physics
