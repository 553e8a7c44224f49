// SPDX-License-Identifier: GPL-3.0-or-later
// Reflector surfaces per unit of a fixture: the file's keys, one unit against the single design
// to the bit, and units with different sheets never taken for mirror images.
#include "FixtureError.h"
#include "FixtureFile.h"
#include "FixtureScene.h"
#include "LightEstimator.h"

#include <gtest/gtest.h>

#include <string>

namespace kavrol::physics {
namespace {

std::string File(const std::string& left, const std::string& right) {
    return R"({"tank": {"waterDistance": 150, "width": 700}, "albedo": 0.85, "units": [
        {"tube": "T5", "x": -120, "lampDistance": 40,
         "reflector": {"shape": "parabola", "A": 160, "B": 60})" +
           left + R"(},
        {"tube": "T5", "x": 120, "lampDistance": 40,
         "reflector": {"shape": "parabola", "A": 160, "B": 60})" +
           right + "}]}";
}

std::string Refusal(const std::string& text) {
    try {
        (void)FixtureFile::Check(text, "f.json", "");
    } catch (const FixtureError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(FixtureSurface, UnitsReadTheirSheetsAndRefuseWhatIsNoSheet) {
    const CheckedFixture f =
        FixtureFile::Check(File(R"(, "surface": "crumpled-foil")",
                                R"(, "surface": "smooth-foil", "glossSpread": 2.5)"),
                           "f.json", "");
    const Fixture::Unit& a = f.fixture.units[0];
    const Fixture::Unit& b = f.fixture.units[1];
    EXPECT_EQ(a.surfaceName, "crumpled-foil");
    EXPECT_EQ(a.surface.diffuseShare, 0.3);
    EXPECT_EQ(a.surface.glossSpreadDeg, 15.0);
    EXPECT_EQ(b.surfaceName, "custom");
    EXPECT_EQ(b.surface.diffuseShare, 0.05);
    EXPECT_EQ(b.surface.glossSpreadDeg, 2.5);
    // The pieces carry their unit's sheet, and the scene is no mirror image of itself.
    const Scene& scene = f.scene.scene();
    ASSERT_EQ(scene.arcSurfaces.size(), 2u);
    EXPECT_EQ(scene.arcSurface(0).glossSpreadDeg, 15.0);
    EXPECT_EQ(scene.arcSurface(1).glossSpreadDeg, 2.5);
    EXPECT_FALSE(scene.mirrorSymmetric());
    const CheckedFixture same =
        FixtureFile::Check(File(R"(, "diffuseShare": 1)", R"(, "diffuseShare": 1)"), "f.json", "");
    EXPECT_TRUE(same.scene.scene().arcSurfaces.empty());
    EXPECT_EQ(same.scene.scene().materials.surface.diffuseShare, 1.0);
    EXPECT_TRUE(same.scene.scene().mirrorSymmetric());

    const std::string chrome = Refusal(File(R"(, "surface": "chrome")", ""));
    EXPECT_NE(chrome.find("unit 1, \"surface\": must be one of \"mirror\", \"mirror-aluminium\""),
              std::string::npos)
        << chrome;
    EXPECT_NE(chrome.find("got \"chrome\""), std::string::npos) << chrome;
    for (const std::string& bad :
         {std::string(R"(, "surface": "chrome")"), std::string(R"(, "surface": 3)"),
          std::string(R"(, "glossSpread": 31)"), std::string(R"(, "diffuseShare": -0.1)")}) {
        const std::string message = Refusal(File(bad, ""));
        EXPECT_NE(message.find("unit 1"), std::string::npos) << bad << ": " << message;
        EXPECT_NE(message.find(bad.substr(3, bad.find('"', 3) - 3)), std::string::npos)
            << bad << ": " << message;
    }
}

TEST(FixtureSurface, OneUnitGivesTheSingleDesignsFiguresToTheBit) {
    for (const ReflectorSurface& surface :
         {ReflectorSurface{1.0, 0.0}, ReflectorSurface{0.2, 4.0}}) {
        Fixture fixture;
        fixture.waterDistance = 150.0;
        fixture.width = 600.0;
        fixture.materials.albedo = 0.85;
        Fixture::Unit unit;
        unit.lampDistance = 40.0;
        unit.reflector.shape = ReflectorShape::TwinArc;
        unit.reflector.a = 150.0;
        unit.reflector.b = 60.0;
        unit.reflector.c = 40.0;
        unit.surface = surface;
        fixture.units.push_back(unit);
        EstimateOptions options;
        options.tolerance = 0.005;
        options.bins = 20;
        const LightEstimator estimator(options);
        const PhysicalEstimate a = estimator.estimate(FixtureScene(fixture).scene());
        const PhysicalEstimate b = estimator.estimate(FixtureScene::UnitDesign(fixture, 0));
        EXPECT_EQ(a.efficiency, b.efficiency);
        EXPECT_EQ(a.error, b.error);
        EXPECT_EQ(a.perMm, b.perMm);
    }
}

} // namespace
} // namespace kavrol::physics
