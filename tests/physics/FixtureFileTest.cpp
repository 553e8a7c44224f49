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
         "lampDistance, power, reflector, surface, diffuseShare, glossSpread)"},
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
         "x, lampDistance, power, reflector, surface, diffuseShare, glossSpread)"},
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
