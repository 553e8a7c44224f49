// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kavrol {

// The integer quantities a build pass derives, in pixels (PixelsPerMm and Scale in pixels per
// millimetre). They keep their values between passes. The build pass and the search derive them
// with the same functions below, in the build pass's order; every sum and product is checked to
// fit 32 bits, or BuildError.
struct PixelQuantities {
    std::int32_t PixelsPerMm = 0;
    std::int32_t Scale = 0;
    std::int32_t CenterX = 0;
    std::int32_t TopY = 0;
    std::int32_t LampX = 0;
    std::int32_t LampY = 0;
    std::int32_t LampR = 0;
    std::int32_t WaterY = 0;
    std::int32_t AquaWPx = 0;
    std::int32_t RefAPx = 0;
    std::int32_t RefBPx = 0;
    std::int32_t RefCPx = 0;
    std::int32_t RefSidePx = 0;
    std::int32_t RefLeft = 0;
    std::int32_t RefRight = 0;

    // The screen's pixels per millimetre, rounded; std::invalid_argument outside the input
    // table's density range.
    static std::int32_t PixelsPerMmFor(int dotsPerInch);
    // The side of the square picture: 200 mm and 20 pixels.
    static int PictureSide(std::int32_t pixelsPerMm) { return pixelsPerMm * 200 + 20; }

    // Scale from PixelsPerMm and the view scale's list index (-1: none selected), CenterX and
    // TopY for a picture of this side.
    void setView(std::int64_t scaleIndex, int side);
    // The tube's centre lamp millimetres below the top line; its radius from the tube's list
    // index, or the last known tube's radius for an index outside the list.
    void placeTube(int lamp, int tube);
    // The water line lampH millimetres below the tube's centre and the tank's width.
    void placeWater(int lampH, int aquaW);
    // The reflector's width A, height B and C in pixels and its outer columns.
    void placeReflector(int refA, int refB, int refC);
    // The tank's outer columns, exclusive: a refracted path is drawn between them.
    std::int64_t aquariumLeft() const { return std::int64_t{CenterX} - AquaWPx / 2; }
    std::int64_t aquariumRight() const { return std::int64_t{CenterX} + AquaWPx / 2; }
};

} // namespace kavrol
