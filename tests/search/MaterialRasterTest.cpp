// SPDX-License-Identifier: GPL-3.0-or-later
#include "MaterialRaster.h"
#include "Canvas.h"

#include <gtest/gtest.h>

#include <random>

namespace kavrol {
namespace {

void ExpectSameCodes(const Canvas& canvas, const MaterialRaster& raster) {
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            ASSERT_EQ(MaterialRaster::CodeOf(canvas.pixel(x, y)), raster.at(x, y))
                << "pixel " << x << ", " << y;
}

Canvas Background(int side) {
    Canvas canvas(side, side);
    canvas.setBrushColor(Colors::White);
    canvas.fillAll();
    canvas.setBrushColor(Colors::SkyBlue);
    canvas.setPenColor(Colors::SkyBlue);
    canvas.rectangle(10, side / 2, side - 10, side);
    return canvas;
}

// Random segments, many of them reaching out of the picture or far beyond it, drawn black 3
// pixels wide and then red 1 pixel wide over them: the codes read back the same.
TEST(MaterialRaster, DrawsTheSamePixelsAsTheCanvas) {
    const int side = 120;
    Canvas canvas = Background(side);
    MaterialRaster raster;
    raster.setBase(canvas);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> near(-30, side + 30);
    std::uniform_int_distribution<int> far(-3000000, 3000000);
    for (int k = 0; k < 400; ++k) {
        const bool distant = k % 10 == 0;
        const int x0 = near(rng);
        const int y0 = near(rng);
        const int x1 = distant ? far(rng) : x0 + near(rng) / 8 - 5;
        const int y1 = distant ? far(rng) : y0 + near(rng) / 8 - 5;
        canvas.setPenColor(Colors::Black);
        canvas.setPenWidth(3);
        canvas.moveTo(x0, y0);
        canvas.lineTo(x1, y1);
        raster.wideLine(x0, y0, x1, y1, MaterialRaster::Reflector);
    }
    ExpectSameCodes(canvas, raster);
    for (int k = 0; k < 400; ++k) {
        const int x0 = near(rng);
        const int y0 = near(rng);
        const int x1 = k % 7 == 0 ? x0 + 1 : near(rng);
        const int y1 = k % 7 == 0 ? y0 : near(rng);
        canvas.setPenColor(Colors::Red);
        canvas.setPenWidth(1);
        canvas.moveTo(x0, y0);
        canvas.lineTo(x1, y1);
        raster.thinLine(x0, y0, x1, y1, MaterialRaster::Free);
    }
    ExpectSameCodes(canvas, raster);
}

TEST(MaterialRaster, RestoreBringsBackTheBase) {
    const Canvas canvas = Background(64);
    MaterialRaster raster;
    raster.setBase(canvas);
    raster.wideLine(0, 0, 63, 63, MaterialRaster::Reflector);
    raster.thinLine(0, 40, 63, 40, MaterialRaster::Free);
    raster.restore();
    ExpectSameCodes(canvas, raster);
}

// A square without mark must really hold free space only, before and after drawing.
TEST(MaterialRaster, UnmarkedSquaresHoldNoCode) {
    Canvas canvas = Background(200);
    MaterialRaster raster;
    raster.setBase(canvas);
    raster.wideLine(20, 30, 150, 60, MaterialRaster::Reflector);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const int shift = raster.freeSquareShift(x, y);
            if (shift == 0)
                continue;
            const int left = (x >> shift) << shift;
            const int top = (y >> shift) << shift;
            for (int v = top; v < top + (1 << shift); ++v)
                for (int u = left; u < left + (1 << shift); ++u)
                    ASSERT_EQ(raster.at(u, v), MaterialRaster::Free) << u << ", " << v;
        }
    EXPECT_EQ(raster.freeSquareShift(100, 5), MaterialRaster::SuperShift);
    EXPECT_EQ(raster.freeSquareShift(20, 30), 0);
}

} // namespace
} // namespace kavrol
