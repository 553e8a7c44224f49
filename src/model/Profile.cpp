// SPDX-License-Identifier: GPL-3.0-or-later
#include "Profile.h"

#include "BuildError.h"
#include "Numerics.h"

#include <algorithm>
#include <cmath>

namespace kavrol {

Profile::Profile(std::size_t size) : entries_(std::max(size, MinimumSize)) {}

void Profile::clear() {
    std::fill_n(entries_.begin(), used_, ProfilePoint{});
    used_ = 0;
}

ProfilePoint& Profile::at(std::int64_t i) {
    if (i < 0 || i >= static_cast<std::int64_t>(entries_.size()))
        throw BuildError(Messages::ProfileTooWide);
    return entries_[static_cast<std::size_t>(i)];
}

void Profile::setPoint(std::int64_t i, long double x, long double y) {
    ProfilePoint& p = at(i);
    used_ = std::max(used_, static_cast<std::size_t>(i) + 1);
    p.X = x;
    p.Y = y;
    p.PX = Round(x);
    p.PY = Round(y);
}

// Straight sides rising from the open bottom (width A) to a flat top of width C. The slope comes
// from an angle held as a double, so it differs from 2b / (a - c) in its last bits.
void Profile::fillTrapezoid(const PixelQuantities& q) {
    const std::int64_t a = q.RefAPx;
    const std::int64_t b = q.RefBPx;
    const std::int64_t c = q.RefCPx;
    // A top wider than the opening would put the flat top in front of entry 0.
    if (c > a)
        throw BuildError(Messages::TrapezoidTopTooWide);
    const Extended left = q.CenterX - static_cast<Extended>(a) / 2;
    double theta = static_cast<double>(
        std::atan(Divide(static_cast<Extended>(b), static_cast<Extended>(a - c)) * 2) + Pi);
    const std::int64_t topFirst = (a - c) / 2;
    const std::int64_t rightFirst = (a + c) / 2;
    // Check the whole run before writing, so that a refused build leaves no half-written table.
    if (a >= static_cast<std::int64_t>(entries_.size()) || rightFirst < 0)
        throw BuildError(Messages::ProfileTooWide);
    // The tangent of the same double is the same extended value each time it is taken.
    const Extended leftSlope = std::tan(static_cast<Extended>(theta));
    for (std::int64_t i = 0; i <= topFirst - 1; ++i)
        setPoint(i, left + i, static_cast<Extended>(q.TopY + b) - leftSlope * i);
    for (std::int64_t i = topFirst; i <= rightFirst - 1; ++i)
        setPoint(i, left + i, q.TopY);
    theta = -theta;
    const Extended rightSlope = std::tan(static_cast<Extended>(theta));
    for (std::int64_t i = rightFirst; i <= a; ++i)
        setPoint(i, left + i, q.TopY - rightSlope * static_cast<Extended>(i - rightFirst));
}

bool Profile::fill(int shape, const PixelQuantities& q) {
    if (q.RefAPx >= static_cast<std::int64_t>(entries_.size()))
        throw BuildError(Messages::ProfileTooWide);
    switch (shape) {
    case 0:
        fillTrapezoid(q);
        return true;
    case 1:
        fillParabola(q);
        return true;
    case 2:
        fillZeFo(q);
        return true;
    default:
        return false; // No shape selected: the table stays as it was.
    }
}

bool Profile::build(int shape, const PixelQuantities& q) {
    if (!fill(shape, q))
        return false;
    SetCas(q.RefAPx);
    return true;
}

// A parabola with its vertex on the top line at the centre and its rims at width A.
void Profile::fillParabola(const PixelQuantities& q) {
    const std::int64_t a = q.RefAPx;
    const std::int32_t m = DepthDivisor(a / 2, q.RefBPx);
    for (std::int64_t i = 0; i <= a / 2; ++i) {
        const Extended u = i - static_cast<Extended>(a) / 2;
        setPoint(i, q.CenterX + u, q.TopY + Divide(std::pow(u, 2), m));
    }
    MirrorHalf(q);
}

// Two parabolic arcs with their vertices C apart on the top line, meeting at the centre in a ridge
// that points down toward the tube. The left half is one arc; the right half is its mirror image.
void Profile::fillZeFo(const PixelQuantities& q) {
    const std::int64_t a = q.RefAPx;
    const std::int64_t s = q.RefSidePx;
    const std::int64_t c = q.RefCPx;
    const std::int32_t m = DepthDivisor(s / 2, q.RefBPx);
    for (std::int64_t i = 0; i <= a / 2; ++i) {
        const Extended u = i - static_cast<Extended>(s) / 2;
        setPoint(i, (q.CenterX + u) - static_cast<Extended>(c / 2),
                 q.TopY + Divide(std::pow(u, 2), m));
    }
    MirrorHalf(q);
}

void Profile::MirrorHalf(const PixelQuantities& q) {
    const std::int64_t a = q.RefAPx;
    for (std::int64_t i = a / 2 + 1; i <= a; ++i) {
        const Extended y = at(a - i).Y;
        setPoint(i, static_cast<Extended>(q.CenterX + i - a / 2), y);
    }
}

// The surface direction of each sample from the chord over ten columns centred on it; the first
// five samples take the chord from entry 0 and the last six the chord to entry N (where the rules
// overlap, for N below 10, the last one wins). Equal depths mean a horizontal chord, which also
// guards every division.
double Profile::chordAngle(std::int64_t i, std::int64_t n) const {
    auto chord = [&](std::int64_t from, std::int64_t to) {
        const ProfilePoint& p = entries_[static_cast<std::size_t>(from)];
        const ProfilePoint& r = entries_[static_cast<std::size_t>(to)];
        if (r.Y == p.Y)
            return static_cast<double>(Pi / 2);
        return static_cast<double>(std::atan((r.X - p.X) / (r.Y - p.Y)));
    };
    if (i >= n - 5)
        return chord(i, n);
    if (i >= 5)
        return chord(i - 5, i + 5);
    return chord(0, i);
}

void Profile::SetCas(std::int32_t refAPx) {
    const std::int64_t n = refAPx;
    if (n < 0)
        return;
    if (n >= static_cast<std::int64_t>(entries_.size()))
        throw BuildError(Messages::ProfileTooWide);
    used_ = std::max(used_, static_cast<std::size_t>(n) + 1);
    for (std::int64_t i = 0; i <= n; ++i)
        entries_[static_cast<std::size_t>(i)].Angle = chordAngle(i, n);
}

} // namespace kavrol
