// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Numerics.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace kavrol {

// The pixels of one line-to on a width x height picture, for any picture that stores them: each
// function calls plot(x, y) once for every pixel of the line that lies inside the picture.
// Clipping happens here and nowhere else: it never changes which inside pixels a line sets.
namespace LineRaster {

// A 1-pixel line by the diamond rule: one pixel per column (x-major) or per row (y-major), the
// end pixel left out; each pixel's row (column) is the ideal one rounded to nearest, an exact half
// going to the upper row (left column). Exact integer arithmetic throughout.
template <class Plot>
void Thin(int x0, int y0, int x1, int y1, int width, int height, Plot&& plot) {
    const std::int64_t dx = std::int64_t{x1} - x0;
    const std::int64_t dy = std::int64_t{y1} - y0;
    const std::int64_t adx = std::llabs(dx);
    const std::int64_t ady = std::llabs(dy);
    if (adx == 0 && ady == 0)
        return;
    const bool xMajor = adx >= ady;
    // Steps k = 0 .. count-1 along the major axis, clipped to the picture.
    const std::int64_t count = xMajor ? adx : ady;
    const std::int64_t major0 = xMajor ? x0 : y0;
    const std::int64_t step = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const std::int64_t majorLimit = xMajor ? width : height;
    const std::int64_t minorLimit = xMajor ? height : width;
    std::int64_t kFirst = 0;
    std::int64_t kLast = count - 1;
    if (step > 0) {
        kFirst = std::max(kFirst, -major0);
        kLast = std::min(kLast, majorLimit - 1 - major0);
    } else {
        kFirst = std::max(kFirst, major0 - (majorLimit - 1));
        kLast = std::min(kLast, major0);
    }
    const std::int64_t minor0 = xMajor ? y0 : x0;
    const std::int64_t dMajor = xMajor ? dx : dy;
    const std::int64_t dMinor = xMajor ? dy : dx;
    // Below 2^30 every product fits 64 bits; end points farther apart take 128.
    const bool small = count < (std::int64_t{1} << 30);
    for (std::int64_t k = kFirst; k <= kLast; ++k) {
        const std::int64_t offset = k * step;
        std::int64_t minor = minor0;
        if (dMinor != 0)
            minor += small ? RoundHalfDown(offset * dMinor, dMajor)
                           : RoundHalfDown(Int128{offset} * dMinor, Int128{dMajor});
        if (minor < 0 || minor >= minorLimit)
            continue;
        const auto m = static_cast<int>(major0 + offset);
        if (xMajor)
            plot(m, static_cast<int>(minor));
        else
            plot(static_cast<int>(minor), m);
    }
}

// A line of pen width w > 1: every pixel whose centre lies within w/2 of the closed segment, a band
// with round caps. The test 4 * distance^2 <= w^2 is exact: in 64 bits for the pictures' own
// coordinates and a pen up to 3 pixels wide, in 128 bits otherwise.
template <class Plot>
void Wide(int x0, int y0, int x1, int y1, int penWidth, int width, int height, Plot&& plot) {
    const std::int64_t reach = penWidth / 2;
    const std::int64_t left = std::max<std::int64_t>(std::min(x0, x1) - reach, 0);
    const std::int64_t right = std::min<std::int64_t>(std::max(x0, x1) + reach, width - 1);
    const std::int64_t top = std::max<std::int64_t>(std::min(y0, y1) - reach, 0);
    const std::int64_t bottom = std::min<std::int64_t>(std::max(y0, y1) + reach, height - 1);
    if (left > right || top > bottom)
        return;
    constexpr std::int64_t Small = std::int64_t{1} << 26;
    const bool small = penWidth <= 3 && std::llabs(x0) < Small && std::llabs(y0) < Small &&
                       std::llabs(x1) < Small && std::llabs(y1) < Small;
    const std::int64_t w2 = std::int64_t{penWidth} * penWidth;
    const std::int64_t dx = std::int64_t{x1} - x0;
    const std::int64_t dy = std::int64_t{y1} - y0;
    const Int128 length2 = Int128{dx} * dx + Int128{dy} * dy;
    for (std::int64_t y = top; y <= bottom; ++y) {
        for (std::int64_t x = left; x <= right; ++x) {
            const std::int64_t px = x - x0;
            const std::int64_t py = y - y0;
            bool inside;
            if (small) {
                // Every product stays below 2^60; a cross product of 2^31 or more already lies
                // beyond the band.
                const auto len2 = static_cast<std::int64_t>(length2);
                const std::int64_t along = px * dx + py * dy;
                if (len2 == 0 || along <= 0) {
                    inside = 4 * (px * px + py * py) <= w2;
                } else if (along >= len2) {
                    const std::int64_t qx = px - dx;
                    const std::int64_t qy = py - dy;
                    inside = 4 * (qx * qx + qy * qy) <= w2;
                } else {
                    // Distance to the line: cross^2 / length^2 (Lagrange's identity).
                    const std::int64_t cross = px * dy - py * dx;
                    const std::int64_t twice = cross < 0 ? -2 * cross : 2 * cross;
                    inside = twice < (std::int64_t{1} << 31) && twice * twice <= w2 * len2;
                }
            } else {
                const Int128 along = Int128{px} * dx + Int128{py} * dy;
                if (length2 == 0 || along <= 0) {
                    inside = 4 * (Int128{px} * px + Int128{py} * py) <= w2;
                } else if (along >= length2) {
                    const Int128 qx = Int128{px} - dx;
                    const Int128 qy = Int128{py} - dy;
                    inside = 4 * (qx * qx + qy * qy) <= w2;
                } else {
                    // Beyond 2^62 the square would overflow, and the pixel lies outside anyway.
                    const Int128 cross = Int128{px} * dy - Int128{py} * dx;
                    const Int128 twice = cross < 0 ? -2 * cross : 2 * cross;
                    inside = twice < (Int128{1} << 62) && twice * twice <= w2 * length2;
                }
            }
            if (inside)
                plot(static_cast<int>(x), static_cast<int>(y));
        }
    }
}

} // namespace LineRaster

} // namespace kavrol
