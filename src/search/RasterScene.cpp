// SPDX-License-Identifier: GPL-3.0-or-later
#include "RasterScene.h"

#include <bit>

namespace kavrol {

namespace {

// A jump over free space stops this far inside the square, far more than a double estimate's
// error, so that the sample it lands on is surely inside.
constexpr double JumpMargin = 1e-6;

// Slot of a direction in the caches of values that depend on the direction alone.
inline std::size_t CacheSlot(double t, std::size_t slots) {
    const auto bits = std::bit_cast<std::uint64_t>(t);
    return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> 40) & (slots - 1);
}

inline bool SameDirection(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

} // namespace

RasterScene::RasterScene(std::size_t profileSize)
    : profile_(profileSize), angle_(profile_.size(), 0), angleStamp_(profile_.size(), 0),
      directions_(CacheSlots), refractions_(CacheSlots) {
    paths_.reserve(Tracer::RayCount);
}

void RasterScene::setBase(const Canvas& picture, std::int64_t spanLeft, std::int64_t spanRight) {
    raster_.setBase(picture);
    spanLeft_ = spanLeft;
    spanRight_ = spanRight;
}

void RasterScene::startDesign() {
    raster_.restore();
    paths_.clear();
    // A fresh stamp invalidates every cached angle; a wrap clears the stamps instead.
    if (++stamp_ == 0) {
        std::fill(angleStamp_.begin(), angleStamp_.end(), 0);
        stamp_ = 1;
    }
}

void RasterScene::drawOutline() {
    for (std::int32_t i = 1; i <= refAPx_; ++i) {
        const auto k = static_cast<std::size_t>(i);
        raster_.wideLine(profile_[k - 1].PX, profile_[k - 1].PY, profile_[k].PX, profile_[k].PY,
                         MaterialRaster::Reflector);
    }
}

std::int64_t RasterScene::freeSteps(int px, int py, std::int64_t i, const Tracer::Leg& leg) const {
    if (!raster_.contains(px, py))
        return 0;
    const int shift = raster_.freeSquareShift(px, py);
    if (shift == 0)
        return 0;
    const double low = ((px >> shift) << shift) - 0.5 + JumpMargin;
    const double high = (((px >> shift) + 1) << shift) - 0.5 - JumpMargin;
    const double top = ((py >> shift) << shift) - 0.5 + JumpMargin;
    const double bottom = (((py >> shift) + 1) << shift) - 0.5 - JumpMargin;
    const double fx = leg.column.estimate(i);
    const double fy = leg.row.estimate(i);
    double steps = static_cast<double>(leg.lastStep - i);
    if (legSin_ > 0)
        steps = std::min(steps, (high - fx) * perColumn_);
    else if (legSin_ < 0)
        steps = std::min(steps, (low - fx) * perColumn_);
    if (legCos_ > 0)
        steps = std::min(steps, (bottom - fy) * perRow_);
    else if (legCos_ < 0)
        steps = std::min(steps, (top - fy) * perRow_);
    const auto jump = static_cast<std::int64_t>(steps);
    return jump >= 2 ? jump - 1 : 0;
}

// The surface angle the tracer reads for a hit index entries right of RefLeft: the nearest
// entry of the table, whose angle is computed on first use by the rule that sets it last.
double RasterScene::angleAt(std::int64_t index) {
    if (index < 0)
        index = 0;
    const auto last = static_cast<std::int64_t>(profile_.size()) - 1;
    if (index > last)
        index = last;
    if (!profileBuilt_ || index > refAPx_)
        return 0;
    const auto k = static_cast<std::size_t>(index);
    if (angleStamp_[k] == stamp_)
        return angle_[k];
    const double angle = profile_.chordAngle(index, refAPx_);
    angle_[k] = angle;
    angleStamp_[k] = stamp_;
    return angle;
}

// A refracted path has overwritten (x, y) when one of its samples lands there: the path draws
// every sample that lies in the tank's span and in the picture, and those form an unbroken
// run from its start because both coordinates move monotonically.
bool RasterScene::overwrittenInWater(int x, int y) const {
    if (!(spanLeft_ < x && x < spanRight_))
        return false;
    for (const WaterPath& path : paths_) {
        if (y < path.y0)
            continue;
        const double rows = y - path.y0;
        // A sample in row y lies within 1.1 columns of the ideal line there.
        if (std::abs(x - (path.x0 + rows * path.slope)) > 2.0)
            continue;
        const auto cosR = static_cast<double>(path.cosR);
        const auto first = std::max<std::int64_t>(
            static_cast<std::int64_t>(std::floor((rows - 0.5) / cosR)) - 1, 0);
        const auto last = static_cast<std::int64_t>(std::ceil((rows + 0.5) / cosR)) + 1;
        for (std::int64_t v = first; v <= last; ++v) {
            if (Round(path.cosR * static_cast<Extended>(v) + path.y0) == y &&
                Round(path.sinR * static_cast<Extended>(v) + path.x0) == x)
                return true;
        }
    }
    return false;
}

const Tracer::SinCos& RasterScene::direction(double t) {
    CachedDirection& d = directions_[CacheSlot(t, directions_.size())];
    if (!d.valid || !SameDirection(d.t, t)) {
        d.t = t;
        d.value = {std::sin(static_cast<Extended>(t)), std::cos(static_cast<Extended>(t))};
        d.valid = true;
    }
    return d.value;
}

const Refraction& RasterScene::refraction(double t) {
    CachedRefraction& w = refractions_[CacheSlot(t, refractions_.size())];
    if (!w.valid || !SameDirection(w.t, t)) {
        w.t = t;
        w.value = Refraction::IntoWater(t);
        w.valid = true;
    }
    return w.value;
}

} // namespace kavrol
