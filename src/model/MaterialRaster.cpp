#include "MaterialRaster.h"

#include "Numerics.h"

#include <algorithm>
#include <cstdlib>

namespace kavrol {

namespace {

__extension__ typedef __int128 Int128;

// Below this every product of the band test fits 64 bits, and a cross product of 2^31 or more
// already lies beyond the band (3 * length < 2^31); larger segments take 128 bits.
constexpr std::int64_t SmallCoordinate = std::int64_t{1} << 26;

} // namespace

MaterialRaster::Code MaterialRaster::CodeOf(Rgb color) {
    switch (color) {
    case Colors::Black:
        return Reflector;
    case Colors::Yellow:
        return Lamp;
    case Colors::SkyBlue:
        return Water;
    default:
        return Free;
    }
}

void MaterialRaster::setBase(const Canvas& picture) {
    width_ = picture.width();
    height_ = picture.height();
    base_.resize(picture.pixels().size());
    std::transform(picture.pixels().begin(), picture.pixels().end(), base_.begin(),
                   [](Rgb c) { return static_cast<std::uint8_t>(CodeOf(c)); });
    codes_ = base_;
    changed_.clear();
    const auto w = static_cast<std::size_t>(width_);
    const auto h = static_cast<std::size_t>(height_);
    blockColumns_ = (w >> BlockShift) + 1;
    superColumns_ = (w >> SuperShift) + 1;
    blocks_.assign(blockColumns_ * ((h >> BlockShift) + 1), 0);
    supers_.assign(superColumns_ * ((h >> SuperShift) + 1), 0);
    for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x)
            if (base_[y * w + x] != Free)
                mark(x, y);
    baseBlocks_ = blocks_;
    baseSupers_ = supers_;
    changedBlocks_.clear();
    changedSupers_.clear();
}

void MaterialRaster::restore() {
    for (const std::uint32_t i : changed_)
        codes_[i] = base_[i];
    changed_.clear();
    for (const std::uint32_t b : changedBlocks_)
        blocks_[b] = baseBlocks_[b];
    changedBlocks_.clear();
    for (const std::uint32_t s : changedSupers_)
        supers_[s] = baseSupers_[s];
    changedSupers_.clear();
}

// The same pixels as Canvas::lineTo with a 1-pixel pen: one pixel per column (x-major) or per
// row (y-major), the end pixel left out, the minor coordinate rounded with halves going up (left).
void MaterialRaster::thinLine(int x0, int y0, int x1, int y1, Code code) {
    const std::int64_t dx = std::int64_t{x1} - x0;
    const std::int64_t dy = std::int64_t{y1} - y0;
    if (dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) {
        if (dx != 0 || dy != 0)
            set(x0, y0, code);
        return;
    }
    const std::int64_t adx = std::llabs(dx);
    const std::int64_t ady = std::llabs(dy);
    const bool xMajor = adx >= ady;
    const std::int64_t count = xMajor ? adx : ady;
    const std::int64_t major0 = xMajor ? x0 : y0;
    const std::int64_t step = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const std::int64_t limit = xMajor ? width_ : height_;
    std::int64_t kFirst = 0;
    std::int64_t kLast = count - 1;
    if (step > 0) {
        kFirst = std::max(kFirst, -major0);
        kLast = std::min(kLast, limit - 1 - major0);
    } else {
        kFirst = std::max(kFirst, major0 - (limit - 1));
        kLast = std::min(kLast, major0);
    }
    const std::int64_t minor0 = xMajor ? y0 : x0;
    const std::int64_t dMajor = xMajor ? dx : dy;
    const std::int64_t dMinor = xMajor ? dy : dx;
    for (std::int64_t k = kFirst; k <= kLast; ++k) {
        const std::int64_t offset = k * step;
        const std::int64_t minor =
            minor0 + (dMinor == 0 ? 0 : RoundHalfDown(offset * dMinor, dMajor));
        const std::int64_t m = major0 + offset;
        if (xMajor)
            set(m, minor, code);
        else
            set(minor, m, code);
    }
}

// The same pixels as Canvas::lineTo with a 3-pixel pen: 4 * distance^2 <= 9 to the closed
// segment, tested exactly in integers.
void MaterialRaster::wideLine(int x0, int y0, int x1, int y1, Code code) {
    const std::int64_t left = std::max<std::int64_t>(std::min(x0, x1) - 1, 0);
    const std::int64_t right = std::min<std::int64_t>(std::max(x0, x1) + 1, width_ - 1);
    const std::int64_t top = std::max<std::int64_t>(std::min(y0, y1) - 1, 0);
    const std::int64_t bottom = std::min<std::int64_t>(std::max(y0, y1) + 1, height_ - 1);
    if (left > right || top > bottom)
        return;
    const std::int64_t dx = std::int64_t{x1} - x0;
    const std::int64_t dy = std::int64_t{y1} - y0;
    const bool small = std::llabs(x0) < SmallCoordinate && std::llabs(y0) < SmallCoordinate &&
                       std::llabs(x1) < SmallCoordinate && std::llabs(y1) < SmallCoordinate;
    const Int128 length2 = Int128{dx} * dx + Int128{dy} * dy;
    for (std::int64_t y = top; y <= bottom; ++y) {
        for (std::int64_t x = left; x <= right; ++x) {
            const std::int64_t px = x - x0;
            const std::int64_t py = y - y0;
            bool inside;
            if (small) {
                const std::int64_t along = px * dx + py * dy;
                const auto len2 = static_cast<std::int64_t>(length2);
                if (len2 == 0 || along <= 0) {
                    inside = 4 * (px * px + py * py) <= 9;
                } else if (along >= len2) {
                    const std::int64_t qx = px - dx;
                    const std::int64_t qy = py - dy;
                    inside = 4 * (qx * qx + qy * qy) <= 9;
                } else {
                    const std::int64_t cross = px * dy - py * dx;
                    const std::int64_t twice = cross < 0 ? -2 * cross : 2 * cross;
                    inside = twice < (std::int64_t{1} << 31) && twice * twice <= 9 * len2;
                }
            } else {
                const Int128 along = Int128{px} * dx + Int128{py} * dy;
                if (length2 == 0 || along <= 0) {
                    inside = 4 * (Int128{px} * px + Int128{py} * py) <= 9;
                } else if (along >= length2) {
                    const Int128 qx = Int128{px} - dx;
                    const Int128 qy = Int128{py} - dy;
                    inside = 4 * (qx * qx + qy * qy) <= 9;
                } else {
                    const Int128 cross = Int128{px} * dy - Int128{py} * dx;
                    const Int128 twice = cross < 0 ? -2 * cross : 2 * cross;
                    inside = twice < (Int128{1} << 62) && twice * twice <= 9 * length2;
                }
            }
            if (inside)
                set(x, y, code);
        }
    }
}

} // namespace kavrol
