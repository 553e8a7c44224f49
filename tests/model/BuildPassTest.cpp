// SPDX-License-Identifier: GPL-3.0-or-later
// The build pass. Sections: the start-up design and the scales; the grid, the tube and the water
// (with the pen earlier drawing left); unknown or missing selections; failures that keep the
// shown picture; screen densities; the scene against step-by-step drawing.
#include "BuildMessage.h"
#include "Numerics.h"
#include "OpticalModel.h"

#include <gtest/gtest.h>

using kavrol::BuildInputs;
using kavrol::OpticalModel;
namespace Colors = kavrol::Colors;
using kavrol::test::BuildMessage;

namespace {

BuildInputs Quiet() {
    BuildInputs in;
    in.rayVisible = false;
    return in;
}

// The columns of one row that hold the given colour, as first and last column.
std::pair<int, int> Span(const kavrol::Canvas& c, int row, kavrol::Rgb color) {
    int first = -1, last = -1;
    for (int x = 0; x < c.width(); ++x)
        if (c.pixel(x, row) == color) {
            if (first < 0)
                first = x;
            last = x;
        }
    return {first, last};
}

} // namespace

// --- The start-up design and the scales ---

TEST(BuildPass, StartUpDesignAt96DotsPerInch) {
    OpticalModel model(96);
    model.PaintRef(BuildInputs{});
    const auto& q = model.quantities();
    EXPECT_EQ(model.workImage().width(), 820);
    EXPECT_EQ(model.workImage().height(), 820);
    EXPECT_EQ(q.PixelsPerMm, 4);
    EXPECT_EQ(q.Scale, 1);
    EXPECT_EQ(q.CenterX, 410);
    EXPECT_EQ(q.TopY, 10);
    EXPECT_EQ(q.LampX, 410);
    EXPECT_EQ(q.LampY, 60);
    EXPECT_EQ(q.LampR, 8);
    EXPECT_EQ(q.WaterY, 260);
    EXPECT_EQ(q.AquaWPx, 500);
    EXPECT_EQ(q.RefBPx, 100);
    EXPECT_EQ(q.RefAPx, 200);
    EXPECT_EQ(q.RefCPx, 50);
    EXPECT_EQ(q.RefSidePx, 150);
    EXPECT_EQ(q.RefLeft, 310);
    EXPECT_EQ(q.RefRight, 510);
}

TEST(BuildPass, ScalesDivideThePixelsPerMillimetreWithTruncation) {
    OpticalModel at96(96);
    BuildInputs in = Quiet();
    in.scale = 0;
    at96.PaintRef(in);
    auto q = at96.quantities();
    EXPECT_EQ(q.Scale, 4);
    EXPECT_EQ(q.TopY, 40);
    EXPECT_EQ(q.LampY, 240);
    EXPECT_EQ(q.LampR, 32);
    EXPECT_EQ(q.WaterY, 1040);
    EXPECT_EQ(q.RefAPx, 800);
    EXPECT_EQ(q.RefLeft, 10);
    EXPECT_EQ(q.RefRight, 810);
    // The water line lies below the picture: not one water pixel.
    for (kavrol::Rgb c : at96.workImage().pixels())
        ASSERT_NE(c, Colors::SkyBlue);

    in.scale = 1;
    at96.PaintRef(in);
    q = at96.quantities();
    EXPECT_EQ(q.Scale, 2);
    EXPECT_EQ(q.WaterY, 520);
    EXPECT_EQ(q.AquaWPx, 1000);
    // An aquarium wider than the picture fills every column from the water line down.
    EXPECT_EQ(Span(at96.workImage(), 600, Colors::SkyBlue), std::make_pair(0, 819));
    EXPECT_EQ(at96.workImage().pixel(5, 519), Colors::White);

    OpticalModel at144(144);
    const int expected[] = {6, 3, 2};
    for (int k = 0; k < 3; ++k) {
        in.scale = k;
        at144.PaintRef(in);
        EXPECT_EQ(at144.quantities().PixelsPerMm, 6);
        EXPECT_EQ(at144.quantities().Scale, expected[k]);
        EXPECT_EQ(at144.workImage().width(), 1220);
    }
}

// --- The grid, the tube and the water ---

TEST(BuildPass, GridLinesLieOnTenMillimetreStepsFromTheCentre) {
    for (int scale : {2, 0}) {
        OpticalModel model(96);
        BuildInputs in = Quiet();
        in.scale = scale;
        model.PaintRef(in);
        const int step = scale == 2 ? 10 : 40;
        // Row 5 and column 5 hold nothing but grid lines; no line lies at 0.
        for (int a = 0; a < 820; ++a) {
            const bool onGrid = a > 0 && (a - 410) % step == 0;
            ASSERT_EQ(model.workImage().pixel(a, 5) == Colors::Silver, onGrid) << a;
            ASSERT_EQ(model.workImage().pixel(5, a) == Colors::Silver, onGrid) << a;
        }
    }
}

TEST(BuildPass, TubeDiscAndWaterAreDrawnWithThePenLeftByEarlierDrawing) {
    OpticalModel model(96);
    BuildInputs in = Quiet();
    in.gridVisible = false;
    // Before any pass the pen is 1 pixel wide.
    model.PaintRef(in);
    EXPECT_EQ(Span(model.workImage(), 60, Colors::Yellow), std::make_pair(402, 417));
    EXPECT_EQ(Span(model.workImage(), 300, Colors::SkyBlue), std::make_pair(160, 659));
    EXPECT_EQ(model.workImage().pixel(300, 260), Colors::SkyBlue);
    EXPECT_EQ(model.workImage().pixel(300, 259), Colors::White);
    // The outline left the pen 3 pixels wide: both figures grow by one pixel on every side.
    model.PaintRef(in);
    EXPECT_EQ(Span(model.workImage(), 60, Colors::Yellow), std::make_pair(401, 418));
    EXPECT_EQ(Span(model.workImage(), 300, Colors::SkyBlue), std::make_pair(159, 660));
    EXPECT_EQ(model.workImage().pixel(300, 259), Colors::SkyBlue);
    // The grid sets the pen to 1 pixel in the same pass.
    in.gridVisible = true;
    model.PaintRef(in);
    EXPECT_EQ(Span(model.workImage(), 60, Colors::Yellow), std::make_pair(402, 417));
    // Rays leave the pen 1 pixel wide for the next pass.
    in.gridVisible = false;
    model.PaintRef(in); // pen 3 after this pass
    in.rayVisible = true;
    model.PaintRef(in); // drawn with 3, ends with 1
    in.rayVisible = false;
    model.PaintRef(in);
    EXPECT_EQ(Span(model.workImage(), 60, Colors::Yellow), std::make_pair(402, 417));
}

TEST(BuildPass, TwoPassesWithTheGridGiveIdenticalPictures) {
    OpticalModel model(96);
    model.PaintRef(BuildInputs{});
    const auto first = model.workImage().pixels();
    model.PaintRef(BuildInputs{});
    EXPECT_EQ(model.workImage().pixels(), first);
    EXPECT_EQ(model.shownImage().pixels(), first);
}

TEST(BuildPass, HiddenTubeLeavesNoYellowButKeepsItsRadius) {
    OpticalModel model(96);
    BuildInputs in;
    in.lampVisible = false;
    in.gridVisible = false;
    in.rayVisible = false;
    model.PaintRef(in);
    EXPECT_EQ(model.quantities().LampR, 8);
    for (kavrol::Rgb c : model.workImage().pixels())
        ASSERT_NE(c, Colors::Yellow);
    // The water and the outline are drawn whatever the boxes say.
    EXPECT_EQ(model.workImage().pixel(300, 300), Colors::SkyBlue);
    EXPECT_EQ(model.workImage().pixel(410, 10), Colors::Black);
}

// --- Unknown or missing selections ---

TEST(BuildPass, UnknownTubeKeepsThePreviousRadius) {
    OpticalModel model(96);
    BuildInputs in = Quiet();
    in.tube = -1;
    model.PaintRef(in);
    EXPECT_EQ(model.quantities().LampR, 0);
    in.tube = 2;
    model.PaintRef(in);
    EXPECT_EQ(model.quantities().LampR, 13);
    in.tube = -1;
    model.PaintRef(in);
    EXPECT_EQ(model.quantities().LampR, 13);
}

TEST(BuildPass, NoShapeCollapsesTheOutlineOntoTheCorner) {
    OpticalModel model(96);
    BuildInputs in = Quiet();
    in.shape = -1;
    in.gridVisible = false;
    model.PaintRef(in);
    for (std::size_t i = 0; i < model.profile().size(); ++i) {
        const auto& p = model.profile()[i];
        ASSERT_TRUE(p.X == 0 && p.Y == 0 && p.PX == 0 && p.PY == 0 && p.Angle == 0) << i;
    }
    EXPECT_EQ(model.workImage().pixel(0, 0), Colors::Black);
    EXPECT_EQ(model.workImage().pixel(1, 1), Colors::Black);
    EXPECT_EQ(model.workImage().pixel(2, 0), Colors::White);
}

TEST(BuildPass, NoScaleSelectedFailsBeforeDrawingAnything) {
    OpticalModel model(96);
    model.PaintRef(BuildInputs{});
    const double efficiency = model.efficiency();
    const auto picture = model.workImage().pixels();
    BuildInputs in;
    in.scale = -1;
    EXPECT_EQ(BuildMessage(model, in), "Division by zero");
    EXPECT_EQ(model.workImage().pixels(), picture);
    EXPECT_EQ(model.shownImage().pixels(), picture);
    EXPECT_EQ(model.efficiency(), efficiency);
}

// --- Failures that keep the shown picture ---

TEST(BuildPass, FailingProfileKeepsTheShownPictureAndEfficiency) {
    OpticalModel model(96);
    model.PaintRef(BuildInputs{});
    const double efficiency = model.efficiency();
    const auto shown = model.shownImage().pixels();
    BuildInputs in;
    in.refA = 20;
    in.refB = 102;
    EXPECT_EQ(BuildMessage(model, in), "Floating point division by zero");
    EXPECT_EQ(model.shownImage().pixels(), shown);
    EXPECT_EQ(model.efficiency(), efficiency);
    // The work image holds background, grid, tube and water, and no outline or ray.
    int black = 0, red = 0, yellow = 0, water = 0;
    for (kavrol::Rgb c : model.workImage().pixels()) {
        black += c == Colors::Black;
        red += c == Colors::Red || c == Colors::Blue;
        yellow += c == Colors::Yellow;
        water += c == Colors::SkyBlue;
    }
    EXPECT_EQ(black, 0);
    EXPECT_EQ(red, 0);
    EXPECT_GT(yellow, 0);
    EXPECT_GT(water, 0);
    // The next pass starts afresh.
    model.PaintRef(BuildInputs{});
    EXPECT_EQ(model.shownImage().pixels(), shown);
    EXPECT_EQ(model.efficiency(), efficiency);
}

// --- Screen densities ---

TEST(BuildPass, LowDensityScreenKeepsTheScaleAtOne) {
    // 40 dots per inch: 2 pixels per mm, and "3:1" would give a scale of 0.
    OpticalModel model(40);
    model.PaintRef(BuildInputs{});
    EXPECT_EQ(model.quantities().PixelsPerMm, 2);
    EXPECT_EQ(model.quantities().Scale, 1);
    EXPECT_EQ(model.rayIndex(), 72);
    EXPECT_THROW(OpticalModel(0), std::invalid_argument);
}

TEST(BuildPass, DenseScreenFitsTheWidestReflectorInTheProfileTable) {
    // 600 dots per inch at "1:1": A = 200 mm is 4800 pixels, more than 2000.
    OpticalModel model(600);
    BuildInputs in;
    in.scale = 0;
    model.PaintRef(in);
    const auto& q = model.quantities();
    EXPECT_EQ(q.Scale, 24);
    EXPECT_EQ(q.RefAPx, 4800);
    ASSERT_GT(model.profile().size(), 4800u);
    EXPECT_EQ(model.profile()[4800].PX, q.RefRight);
    EXPECT_EQ(model.profile()[4800].Angle, static_cast<double>(kavrol::Pi / 2));
}

// --- The scene against step-by-step drawing ---

// The scene drawn step by step with the canvas primitives, as the pass describes it: white fill,
// grid lines one by one, tube disc, water, outline through the profile's pixel points.
TEST(BuildPass, SceneEqualsTheStepByStepDrawing) {
    for (int scale : {0, 1, 2})
        for (int shape : {0, 1, 2})
            for (bool grid : {true, false}) {
                OpticalModel model(96);
                BuildInputs in = Quiet();
                in.scale = scale;
                in.shape = shape;
                in.gridVisible = grid;
                in.refC = 40;
                model.PaintRef(in);
                const auto& q = model.quantities();
                kavrol::Canvas ref(820, 820);
                ref.setBrushColor(Colors::White);
                ref.fillAll();
                if (grid) {
                    ref.setPenColor(Colors::Silver);
                    const int s = q.Scale * 10;
                    auto cross = [&](int a) {
                        ref.moveTo(a, 0);
                        ref.lineTo(a, 820);
                        ref.moveTo(0, a);
                        ref.lineTo(820, a);
                    };
                    for (int a = q.CenterX; a > 0; a -= s)
                        cross(a);
                    for (int a = q.CenterX; a < 820; a += s)
                        cross(a);
                }
                ref.setPenColor(Colors::Yellow);
                ref.setBrushColor(Colors::Yellow);
                ref.ellipse(q.LampX - q.LampR, q.LampY - q.LampR, q.LampX + q.LampR,
                            q.LampY + q.LampR);
                ref.setPenColor(Colors::SkyBlue);
                ref.setBrushColor(Colors::SkyBlue);
                ref.rectangle(q.LampX - q.AquaWPx / 2, q.WaterY, q.LampX + q.AquaWPx / 2, 820);
                ref.setPenColor(Colors::Black);
                ref.setPenWidth(3);
                ref.moveTo(model.profile()[0].PX, model.profile()[0].PY);
                for (int i = 1; i <= q.RefAPx; ++i)
                    ref.lineTo(model.profile()[static_cast<std::size_t>(i)].PX,
                               model.profile()[static_cast<std::size_t>(i)].PY);
                ASSERT_EQ(model.workImage().pixels(), ref.pixels())
                    << "scale " << scale << " shape " << shape << " grid " << grid;
            }
}
