// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas's pixel rules. Sections: thin and wide lines; rectangles and ellipses with their
// grown borders; reads and clipping outside the picture; filled boxes; far end points.
#include "Canvas.h"
#include "CanvasText.h"

#include <gtest/gtest.h>
#include <random>

using kavrol::Canvas;
using kavrol::Rgb;
namespace Colors = kavrol::Colors;
using kavrol::test::Picture;

namespace {

Canvas Blank(int w, int h) {
    Canvas c(w, h);
    c.setPenColor(Colors::Black);
    return c;
}

void Line(Canvas& c, int x0, int y0, int x1, int y1) {
    c.moveTo(x0, y0);
    c.lineTo(x1, y1);
}

} // namespace

// --- Thin and wide lines ---

TEST(Canvas, ThinLineLeavesOutItsEndPixelAndMovesThePen) {
    Canvas c = Blank(7, 2);
    Line(c, 1, 0, 5, 0);
    EXPECT_EQ(Picture(c), ".####..\n"
                          ".......\n");
    EXPECT_EQ(c.penX(), 5);
    EXPECT_EQ(c.penY(), 0);
    // A line to the pen's own position sets nothing.
    c.lineTo(5, 0);
    EXPECT_EQ(c.pixel(5, 0), Colors::White);
}

// One segment on a blank canvas: the exact pixels of the diamond rule (pen 1) and of the
// round-capped band (pen 3).
struct Segment {
    const char* label;
    int width, height, pen, x0, y0, x1, y1;
    const char* picture;
};

TEST(Canvas, SegmentsSetExactlyTheirRulesPixels) {
    const Segment cases[] = {
        {"x-major, slope 1/4: the tie at x = 2 takes row 0", 5, 2, 1, 0, 0, 4, 1,
         "###..\n"
         "...#.\n"},
        {"the reverse differs only in the end pixel left out", 5, 2, 1, 4, 1, 0, 0,
         ".##..\n"
         "...##\n"},
        {"y-major, slope 1/4: the tie at y = 2 takes column 0", 2, 5, 1, 0, 0, 1, 4,
         "#.\n"
         "#.\n"
         "#.\n"
         ".#\n"
         "..\n"},
        {"diagonal", 4, 4, 1, 3, 3, 0, 0,
         "....\n"
         ".#..\n"
         "..#.\n"
         "...#\n"},
        {"slope 2/5: rows 0, 0.4, 0.8, 1.2, 1.6 round to 0, 0, 1, 1, 2", 6, 3, 1, 0, 0, 5, 2,
         "##....\n"
         "..##..\n"
         "....#.\n"},
        {"wide horizontal: both ends drawn", 8, 5, 3, 2, 2, 5, 2,
         "........\n"
         ".######.\n"
         ".######.\n"
         ".######.\n"
         "........\n"},
        {"wide, zero length: the disc of radius 1.5", 5, 5, 3, 2, 2, 2, 2,
         ".....\n"
         ".###.\n"
         ".###.\n"
         ".###.\n"
         ".....\n"},
        {"wide diagonal: pixels within 1.5 of the segment, by exact distance", 8, 8, 3, 2, 2, 5, 5,
         "........\n"
         ".###....\n"
         ".####...\n"
         ".#####..\n"
         "..#####.\n"
         "...####.\n"
         "....###.\n"
         "........\n"},
    };
    for (const Segment& s : cases) {
        SCOPED_TRACE(s.label);
        Canvas c = Blank(s.width, s.height);
        c.setPenWidth(s.pen);
        Line(c, s.x0, s.y0, s.x1, s.y1);
        EXPECT_EQ(Picture(c), s.picture);
    }
}

// --- Rectangles and ellipses with their grown borders ---

TEST(Canvas, RectangleGrowsWithTheWidePenAndKeepsAThreePixelBorder) {
    Canvas c = Blank(11, 11);
    c.setPenWidth(3);
    c.setBrushColor(Colors::Yellow);
    c.rectangle(2, 2, 9, 9);
    EXPECT_EQ(Picture(c), "...........\n"
                          ".#########.\n"
                          ".#########.\n"
                          ".#########.\n"
                          ".###yyy###.\n"
                          ".###yyy###.\n"
                          ".###yyy###.\n"
                          ".#########.\n"
                          ".#########.\n"
                          ".#########.\n"
                          "...........\n");
    // A clear brush leaves the inside untouched; a thin pen does not grow the box.
    Canvas clear = Blank(6, 5);
    clear.setBrushColor(Colors::Red);
    clear.fillRect(0, 0, 6, 5);
    clear.setBrushStyle(Canvas::BrushStyle::Clear);
    clear.rectangle(1, 1, 5, 4);
    EXPECT_EQ(Picture(clear), "rrrrrr\n"
                              "r####r\n"
                              "r#rr#r\n"
                              "r####r\n"
                              "rrrrrr\n");
}

TEST(Canvas, EmptyBoxDrawsNothingWhateverThePen) {
    Canvas c = Blank(6, 6);
    c.setPenWidth(3);
    c.rectangle(3, 1, 3, 5);
    c.ellipse(1, 4, 5, 2);
    c.fillRect(4, 4, 2, 2);
    EXPECT_EQ(Picture(c), "......\n"
                          "......\n"
                          "......\n"
                          "......\n"
                          "......\n"
                          "......\n");
}

TEST(Canvas, EllipseIsTheInscribedDiscOfTheGrownBox) {
    // The tube at start-up: box (402, 52)-(418, 68), shifted to the corner of a small canvas.
    Canvas thin = Blank(20, 20);
    thin.setPenColor(Colors::Yellow);
    thin.setBrushColor(Colors::Yellow);
    thin.ellipse(2, 2, 18, 18);
    EXPECT_EQ(thin.pixel(2, 10), Colors::Yellow);
    EXPECT_EQ(thin.pixel(1, 10), Colors::White);
    EXPECT_EQ(thin.pixel(17, 10), Colors::Yellow);
    EXPECT_EQ(thin.pixel(18, 10), Colors::White);
    EXPECT_EQ(thin.pixel(10, 2), Colors::Yellow);
    EXPECT_EQ(thin.pixel(10, 1), Colors::White);
    // The corners of the box lie outside the disc.
    EXPECT_EQ(thin.pixel(2, 2), Colors::White);

    Canvas wide = Blank(20, 20);
    wide.setPenColor(Colors::Yellow);
    wide.setBrushColor(Colors::Yellow);
    wide.setPenWidth(3);
    wide.ellipse(2, 2, 18, 18);
    EXPECT_EQ(wide.pixel(1, 10), Colors::Yellow);
    EXPECT_EQ(wide.pixel(0, 10), Colors::White);
    EXPECT_EQ(wide.pixel(18, 10), Colors::Yellow);
    EXPECT_EQ(wide.pixel(19, 10), Colors::White);
}

TEST(Canvas, EllipseBorderIsTheRingWithinPenWidthOfTheOutside) {
    Canvas c = Blank(9, 9);
    c.setBrushColor(Colors::Yellow);
    c.ellipse(0, 0, 9, 9);
    EXPECT_EQ(Picture(c), "..#####..\n"
                          ".#yyyyy#.\n"
                          "#yyyyyyy#\n"
                          "#yyyyyyy#\n"
                          "#yyyyyyy#\n"
                          "#yyyyyyy#\n"
                          "#yyyyyyy#\n"
                          ".#yyyyy#.\n"
                          "..#####..\n");
}

// --- Reads and clipping outside the picture ---

TEST(Canvas, ReadsOutsideThePictureAreTheInvalidColour) {
    Canvas c(4, 3);
    EXPECT_EQ(c.pixel(-1, 0), Colors::Invalid);
    EXPECT_EQ(c.pixel(4, 0), Colors::Invalid);
    EXPECT_EQ(c.pixel(0, 3), Colors::Invalid);
    EXPECT_EQ(c.pixel(0, -1), Colors::Invalid);
    EXPECT_EQ(c.pixel(3, 2), Colors::White);
}

// Clipping never changes which pixels inside the picture a primitive sets: drawing on a small
// canvas must give exactly the matching window of the same drawing on a large one.
TEST(Canvas, ClippingKeepsEveryPixelInsideThePicture) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> coordinate(-30, 50);
    const int offset = 40;
    for (int round = 0; round < 400; ++round) {
        Canvas small = Blank(21, 17);
        Canvas large = Blank(21 + 2 * offset, 17 + 2 * offset);
        const int width = round % 2 == 0 ? 1 : 3;
        small.setPenWidth(width);
        large.setPenWidth(width);
        small.setBrushColor(Colors::Yellow);
        large.setBrushColor(Colors::Yellow);
        const int x0 = coordinate(random), y0 = coordinate(random);
        const int x1 = coordinate(random), y1 = coordinate(random);
        switch (round % 3) {
        case 0:
            Line(small, x0, y0, x1, y1);
            Line(large, x0 + offset, y0 + offset, x1 + offset, y1 + offset);
            break;
        case 1:
            small.ellipse(x0, y0, x1, y1);
            large.ellipse(x0 + offset, y0 + offset, x1 + offset, y1 + offset);
            break;
        default:
            small.rectangle(x0, y0, x1, y1);
            large.rectangle(x0 + offset, y0 + offset, x1 + offset, y1 + offset);
            break;
        }
        for (int y = 0; y < small.height(); ++y)
            for (int x = 0; x < small.width(); ++x)
                ASSERT_EQ(small.pixel(x, y), large.pixel(x + offset, y + offset))
                    << "round " << round << " at " << x << "," << y;
    }
}

// A thin line across the whole 32-bit range is checked with the model's limits.
TEST(Canvas, WideLinesFarOutsideThePictureFinishAndClip) {
    Canvas c = Blank(10, 10);
    c.setPenWidth(3);
    Line(c, -2000000000, -2000000000, 2000000000, 2000000000);
    EXPECT_EQ(c.pixel(5, 5), Colors::Black);
    EXPECT_EQ(c.pixel(9, 0), Colors::White);
}

// --- Filled boxes ---

TEST(Canvas, FillRectIsTheExactBoxInTheBrushColour) {
    Canvas c = Blank(5, 4);
    c.setPenWidth(3);
    c.setBrushColor(Colors::SkyBlue);
    c.fillRect(1, 1, 4, 3);
    EXPECT_EQ(Picture(c), ".....\n"
                          ".www.\n"
                          ".www.\n"
                          ".....\n");
}

// --- Far end points ---

TEST(Canvas, ThinLinesBetweenTheFarthestEndPointsStayExact) {
    // End points 2^32 apart: the diamond rule's products need more than 64 bits.
    Canvas c = Blank(10, 10);
    Line(c, -2147483647 - 1, -2147483647 + 4, 2147483647, 2147483647);
    Canvas d = Blank(10, 10);
    Line(d, 2147483647, 2147483647, -2147483647 - 1, -2147483647 + 4);
    // The ideal row at column x is x + 2 less about 2^-31: pixels (x, x + 2) for x = 0 .. 7.
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool expected = y == x + 2;
            ASSERT_EQ(c.pixel(x, y) == Colors::Black, expected) << x << "," << y;
            ASSERT_EQ(d.pixel(x, y), c.pixel(x, y)) << x << "," << y;
        }
}
