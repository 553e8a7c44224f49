// SPDX-License-Identifier: GPL-3.0-or-later
#include "Canvas.h"

#include "LineRaster.h"
#include "Numerics.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kavrol {

Canvas::Canvas(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), Colors::White) {
}

void Canvas::lineFrom(int x0, int y0, int x1, int y1) {
    auto set = [this](int x, int y) { pixels_[index(x, y)] = penColor_; };
    if (penWidth_ > 1)
        LineRaster::Wide(x0, y0, x1, y1, penWidth_, width_, height_, set);
    else
        LineRaster::Thin(x0, y0, x1, y1, width_, height_, set);
}

void Canvas::rectangle(int x1, int y1, int x2, int y2) {
    figure(Figure::Box, x1, y1, x2, y2);
}

void Canvas::ellipse(int x1, int y1, int x2, int y2) {
    figure(Figure::Ellipse, x1, y1, x2, y2);
}

// The figure on the box grown by (w-1)/2 on every side. Its pixels within w 4-neighbour steps of
// a pixel outside it form the border (pen); the rest takes the brush when the brush is solid.
// Kept whole though over 60 lines: it is one raster rule, read against the rule step by step.
void Canvas::figure(Figure kind, int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1)
        return;
    const std::int64_t grow = (penWidth_ - 1) / 2;
    const std::int64_t X1 = std::int64_t{x1} - grow;
    const std::int64_t Y1 = std::int64_t{y1} - grow;
    const std::int64_t X2 = std::int64_t{x2} + grow;
    const std::int64_t Y2 = std::int64_t{y2} + grow;
    const std::int64_t left = std::max<std::int64_t>(X1, 0);
    const std::int64_t right = std::min<std::int64_t>(X2 - 1, width_ - 1);
    const std::int64_t top = std::max<std::int64_t>(Y1, 0);
    const std::int64_t bottom = std::min<std::int64_t>(Y2 - 1, height_ - 1);
    if (left > right || top > bottom)
        return;

    const Int128 w = X2 - X1;
    const Int128 h = Y2 - Y1;
    const bool exact = w < (Int128{1} << 31) && h < (Int128{1} << 31);
    auto inside = [&](std::int64_t x, std::int64_t y) {
        if (x < X1 || x >= X2 || y < Y1 || y >= Y2)
            return false;
        if (kind == Figure::Box)
            return true;
        // ((2x+1-X1-X2)/w)^2 + ((2y+1-Y1-Y2)/h)^2 <= 1, multiplied out.
        const Int128 a = Int128{2} * x + 1 - X1 - X2;
        const Int128 b = Int128{2} * y + 1 - Y1 - Y2;
        if (exact)
            return a * a * h * h + b * b * w * w <= w * w * h * h;
        const long double fa = static_cast<long double>(a) / static_cast<long double>(w);
        const long double fb = static_cast<long double>(b) / static_cast<long double>(h);
        return fa * fa + fb * fb <= 1.0L;
    };

    const bool solid = brushStyle_ == BrushStyle::Solid;
    // When pen and brush agree, only the figure as a whole matters (the tube and the water).
    const bool uniform = solid && brushColor_ == penColor_;
    if (uniform && kind == Figure::Box) {
        for (std::int64_t y = top; y <= bottom; ++y) {
            Rgb* row = pixels_.data() + index(0, static_cast<int>(y));
            std::fill(row + left, row + right + 1, penColor_);
        }
        return;
    }
    const std::int64_t border = penWidth_;
    auto onBorder = [&](std::int64_t x, std::int64_t y) {
        if (kind == Figure::Box)
            return std::min({x - X1 + 1, X2 - x, y - Y1 + 1, Y2 - y}) <= border;
        for (std::int64_t dy = -border; dy <= border; ++dy) {
            const std::int64_t span = border - std::llabs(dy);
            for (std::int64_t dx = -span; dx <= span; ++dx)
                if (!inside(x + dx, y + dy))
                    return true;
        }
        return false;
    };

    for (std::int64_t y = top; y <= bottom; ++y) {
        Rgb* row = pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
        for (std::int64_t x = left; x <= right; ++x) {
            if (!inside(x, y))
                continue;
            if (uniform)
                row[x] = penColor_;
            else if (onBorder(x, y))
                row[x] = penColor_;
            else if (solid)
                row[x] = brushColor_;
        }
    }
}

void Canvas::fillRect(int x1, int y1, int x2, int y2) {
    const int left = std::max(x1, 0);
    const int right = std::min(x2, width_);
    const int top = std::max(y1, 0);
    const int bottom = std::min(y2, height_);
    if (left >= right || top >= bottom)
        return;
    for (int y = top; y < bottom; ++y) {
        Rgb* row = pixels_.data() + index(0, y);
        std::fill(row + left, row + right, brushColor_);
    }
}

void Canvas::fillAll() {
    std::fill(pixels_.begin(), pixels_.end(), brushColor_);
}

void Canvas::copyFrom(const Canvas& other) {
    width_ = other.width_;
    height_ = other.height_;
    pixels_ = other.pixels_;
}

} // namespace kavrol
