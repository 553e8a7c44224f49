#include "Canvas.h"

#include "Numerics.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kavrol {

namespace {

__extension__ typedef __int128 Int128;

} // namespace

Canvas::Canvas(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), Colors::White) {
}

void Canvas::lineFrom(int x0, int y0, int x1, int y1) {
    if (penWidth_ > 1)
        wideLine(x0, y0, x1, y1);
    else
        thinLine(x0, y0, x1, y1);
}

// One pixel per column (x-major) or per row (y-major), the end pixel left out; each pixel's row
// (column) is the ideal one rounded to nearest with halves going up (left). The loop runs only
// over the columns (rows) inside the picture, so clipping happens here and nowhere else.
void Canvas::thinLine(int x0, int y0, int x1, int y1) {
    const std::int64_t dx = std::int64_t{x1} - x0;
    const std::int64_t dy = std::int64_t{y1} - y0;
    const std::int64_t adx = std::llabs(dx);
    const std::int64_t ady = std::llabs(dy);
    if (adx == 0 && ady == 0)
        return;
    const bool xMajor = adx >= ady;
    // Steps k = 0 .. count-1 along the major axis.
    const std::int64_t count = xMajor ? adx : ady;
    const std::int64_t major0 = xMajor ? x0 : y0;
    const std::int64_t step = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const std::int64_t limit = xMajor ? width_ : height_;
    // Clip the major axis: major0 + k*step must lie in 0 .. limit-1.
    std::int64_t kFirst = 0;
    std::int64_t kLast = count - 1;
    if (step > 0) {
        kFirst = std::max(kFirst, -major0);
        kLast = std::min(kLast, limit - 1 - major0);
    } else {
        kFirst = std::max(kFirst, major0 - (limit - 1));
        kLast = std::min(kLast, major0);
    }
    if (kFirst > kLast)
        return;
    if (ady == 0 || adx == 0) {
        // Horizontal or vertical: a straight run, written directly.
        const std::int64_t from = major0 + (step > 0 ? kFirst : -kLast);
        const std::int64_t to = major0 + (step > 0 ? kLast : -kFirst);
        if (xMajor) {
            if (y0 < 0 || y0 >= height_)
                return;
            Rgb* row = pixels_.data() + index(0, y0);
            std::fill(row + from, row + to + 1, penColor_);
        } else {
            if (x0 < 0 || x0 >= width_)
                return;
            for (std::int64_t m = from; m <= to; ++m)
                pixels_[index(x0, static_cast<int>(m))] = penColor_;
        }
        return;
    }
    const std::int64_t minor0 = xMajor ? y0 : x0;
    const std::int64_t dMajor = xMajor ? dx : dy;
    const std::int64_t dMinor = xMajor ? dy : dx;
    for (std::int64_t k = kFirst; k <= kLast; ++k) {
        const std::int64_t offset = k * step;
        // The diagonal is exact; a tie cannot arise there.
        const std::int64_t minor = minor0 + RoundHalfDown(offset * dMinor, dMajor);
        const std::int64_t m = major0 + offset;
        if (minor < 0 || minor > (xMajor ? height_ : width_) - 1)
            continue;
        if (xMajor)
            plot(static_cast<int>(m), static_cast<int>(minor), penColor_);
        else
            plot(static_cast<int>(minor), static_cast<int>(m), penColor_);
    }
}

// Every pixel whose centre lies within w/2 of the closed segment: a band with round caps. The
// distance test is exact: 4 * dist^2 <= w^2 in 128-bit integers.
void Canvas::wideLine(int x0, int y0, int x1, int y1) {
    const std::int64_t reach = penWidth_ / 2;
    const std::int64_t left = std::max<std::int64_t>(std::min(x0, x1) - reach, 0);
    const std::int64_t right = std::min<std::int64_t>(std::max(x0, x1) + reach, width_ - 1);
    const std::int64_t top = std::max<std::int64_t>(std::min(y0, y1) - reach, 0);
    const std::int64_t bottom = std::min<std::int64_t>(std::max(y0, y1) + reach, height_ - 1);
    if (left > right || top > bottom)
        return;
    const Int128 dx = Int128{x1} - x0;
    const Int128 dy = Int128{y1} - y0;
    const Int128 length2 = dx * dx + dy * dy;
    const Int128 w2 = Int128{penWidth_} * penWidth_;
    // Beyond this a cross product cannot be inside the band, and its square would overflow.
    const Int128 crossLimit = Int128{1} << 62;
    for (std::int64_t y = top; y <= bottom; ++y) {
        Rgb* row = pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
        for (std::int64_t x = left; x <= right; ++x) {
            const Int128 px = Int128{x} - x0;
            const Int128 py = Int128{y} - y0;
            const Int128 along = px * dx + py * dy;
            bool inside;
            if (length2 == 0 || along <= 0) {
                inside = 4 * (px * px + py * py) <= w2;
            } else if (along >= length2) {
                const Int128 qx = px - dx;
                const Int128 qy = py - dy;
                inside = 4 * (qx * qx + qy * qy) <= w2;
            } else {
                // Distance to the line: cross^2 / length2 (Lagrange's identity).
                const Int128 cross = px * dy - py * dx;
                const Int128 twice = cross < 0 ? -2 * cross : 2 * cross;
                inside = twice < crossLimit && twice * twice <= w2 * length2;
            }
            if (inside)
                row[x] = penColor_;
        }
    }
}

void Canvas::rectangle(int x1, int y1, int x2, int y2) {
    figure(Figure::Box, x1, y1, x2, y2);
}

void Canvas::ellipse(int x1, int y1, int x2, int y2) {
    figure(Figure::Ellipse, x1, y1, x2, y2);
}

// The figure on the box grown by (w-1)/2 on every side. Its pixels within w 4-neighbour steps of
// a pixel outside it form the border (pen); the rest takes the brush when the brush is solid.
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
