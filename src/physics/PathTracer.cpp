// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: intersections with each kind of piece; the carried weight; the ray's derivatives;
// the clearances; the walk of one ray.
#include "PathTracer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kavrol::physics {

namespace {

// Hits closer than this (mm) to a ray's start are the start itself, met again by rounding.
constexpr double kMinDistance = 1e-9;

enum class Kind { None, Segment, Arc, Tube, Water, Curve };

// Mixes one event into a path signature (FNV-1a style over 32-bit codes).
std::uint64_t Mix(std::uint64_t signature, Kind kind, int index) {
    const auto code = static_cast<std::uint64_t>(static_cast<int>(kind) << 20) +
                      static_cast<std::uint64_t>(index + 1);
    return (signature ^ code) * 0x100000001b3ULL;
}

constexpr std::uint64_t kSeed = 0xcbf29ce484222325ULL;

int Code(Kind kind, int index) {
    return (static_cast<int>(kind) << 20) + index;
}

} // namespace

// The ray's weight: one number until the water first reflects part of it, then split over the
// psi nodes because the Fresnel share depends on psi.
struct PathTracer::Weight {
    bool split = false;
    double whole = 1.0;
    std::array<double, FresnelTable::kPsiNodes> psi{};

    double total() const {
        if (!split) {
            return whole;
        }
        double sum = 0.0;
        for (double w : psi) {
            sum += w;
        }
        return sum;
    }
    // Keeps `factor` of the weight and returns what was taken.
    double keep(double factor) {
        const double before = total();
        if (!split) {
            whole *= factor;
        } else {
            for (double& w : psi) {
                w *= factor;
            }
        }
        return before - total();
    }
};

struct PathTracer::Hit {
    Kind kind = Kind::None;
    int index = -1;
    double t = std::numeric_limits<double>::infinity();
    double tFar = 0.0; // where the ray leaves a tube it passes through
    double nx = 0.0;   // a curve's normal where the ray meets it
    double ny = 0.0;
    double curvature = 0.0; // a curve's, signed as MirrorCurve::Hit's
};

PathTracer::PathTracer(const Scene& scene, const FresnelTable& fresnel)
    : scene_(scene), fresnel_(fresnel), followsClearances_(scene.curves.empty()) {
    for (std::size_t i = 0; i < scene.segments.size(); ++i) {
        const MirrorSegment& s = scene.segments[i];
        const int owner = Code(Kind::Segment, static_cast<int>(i));
        rims_.push_back({s.x0, s.y0, owner});
        rims_.push_back({s.x1, s.y1, owner});
    }
    for (std::size_t i = 0; i < scene.arcs.size(); ++i) {
        const MirrorArc& arc = scene.arcs[i];
        const int owner = Code(Kind::Arc, static_cast<int>(i));
        rims_.push_back({arc.xMin, arc.yAt(arc.xMin), owner});
        rims_.push_back({arc.xMax, arc.yAt(arc.xMax), owner});
    }
    for (std::size_t i = 0; i < scene.curves.size(); ++i) {
        const MirrorCurve& curve = scene.curves[i];
        if (curve.pieces.empty()) {
            continue;
        }
        const int owner = Code(Kind::Curve, static_cast<int>(i));
        rims_.push_back({curve.xAt(0, 0.0), curve.yAt(0, 0.0), owner});
        const int last = static_cast<int>(curve.pieces.size()) - 1;
        rims_.push_back({curve.xAt(last, 1.0), curve.yAt(last, 1.0), owner});
    }
    const int water = Code(Kind::Water, 0);
    rims_.push_back({scene.water.xMin, scene.water.y, water});
    rims_.push_back({scene.water.xMax, scene.water.y, water});
}

// The ray is (px, py) + t (dx, dy) with |(dx, dy)| = 1.
void PathTracer::nearestHit(double px, double py, double dx, double dy, int skipTube,
                            int skipSegment, Hit& hit) const {
    const int segments = static_cast<int>(scene_.segments.size());
    for (int i = 0; i < segments; ++i) {
        if (i == skipSegment) {
            continue;
        }
        const MirrorSegment& s = scene_.segments[static_cast<std::size_t>(i)];
        const double ex = s.x1 - s.x0;
        const double ey = s.y1 - s.y0;
        const double denominator = dx * ey - dy * ex;
        if (denominator == 0.0) {
            continue;
        }
        const double wx = s.x0 - px;
        const double wy = s.y0 - py;
        const double t = (wx * ey - wy * ex) / denominator;
        const double along = (wx * dy - wy * dx) / denominator;
        if (t > kMinDistance && t < hit.t && along >= 0.0 && along <= 1.0) {
            hit = {Kind::Segment, i, t, 0.0};
        }
    }
    const int arcs = static_cast<int>(scene_.arcs.size());
    for (int i = 0; i < arcs; ++i) {
        const MirrorArc& arc = scene_.arcs[static_cast<std::size_t>(i)];
        // (x0 + t dx)^2 = m (y0 + t dy) in the arc's vertex frame.
        const double x0 = px - arc.vertexX;
        const double y0 = py - arc.vertexY;
        const double qa = dx * dx;
        const double qb = 2.0 * x0 * dx - arc.m * dy;
        const double qc = x0 * x0 - arc.m * y0;
        double roots[2] = {-1.0, -1.0};
        if (qa == 0.0) {
            if (qb != 0.0) {
                roots[0] = -qc / qb;
            }
        } else {
            const double discriminant = qb * qb - 4.0 * qa * qc;
            if (discriminant < 0.0) {
                continue;
            }
            const double q = -0.5 * (qb + std::copysign(std::sqrt(discriminant), qb));
            roots[0] = q / qa;
            if (q != 0.0) {
                roots[1] = qc / q;
            }
        }
        for (double t : roots) {
            if (t > kMinDistance && t < hit.t) {
                const double x = px + t * dx;
                if (x >= arc.xMin && x <= arc.xMax) {
                    hit = {Kind::Arc, i, t, 0.0};
                }
            }
        }
    }
    const int curves = static_cast<int>(scene_.curves.size());
    for (int i = 0; i < curves; ++i) {
        MirrorCurve::Hit h;
        if (scene_.curves[static_cast<std::size_t>(i)].firstHit(px, py, dx, dy, kMinDistance, hit.t,
                                                                h)) {
            hit = {Kind::Curve, i, h.t, 0.0, h.nx, h.ny, h.curvature};
        }
    }
    const int tubes = static_cast<int>(scene_.tubes.size());
    for (int i = 0; i < tubes; ++i) {
        if (i == skipTube) {
            continue;
        }
        const Tube& tube = scene_.tubes[static_cast<std::size_t>(i)];
        const double ox = px - tube.x;
        const double oy = py - tube.y;
        const double b = ox * dx + oy * dy;
        const double c = ox * ox + oy * oy - tube.radius * tube.radius;
        const double discriminant = b * b - c;
        if (discriminant <= 0.0) {
            continue;
        }
        const double root = std::sqrt(discriminant);
        const double t = -b - root;
        if (t > kMinDistance && t < hit.t) {
            hit = {Kind::Tube, i, t, -b + root};
        }
    }
    if (dy > 0.0) {
        const double t = (scene_.water.y - py) / dy;
        if (t > kMinDistance && t < hit.t) {
            hit = {Kind::Water, 0, t, 0.0};
        }
    }
}

// ================================================================ the ray's derivatives
// A ray as a point and a unit direction, with their derivatives in a at fixed p. Only the part
// of (dpx, dpy) across the direction matters: sliding the point along the line changes nothing.
struct PathTracer::Line {
    double px = 0.0;
    double py = 0.0;
    double dx = 0.0;
    double dy = 0.0;
    double dpx = 0.0;
    double dpy = 0.0;
    double ddx = 0.0;
    double ddy = 0.0;

    // The derivative of the point where the line meets, at distance t, a surface with unit
    // normal (nx, ny): the point stays on the surface as the line turns.
    void hitDerivative(double t, double nx, double ny, double& hx, double& hy) const {
        const double wx = dpx + t * ddx;
        const double wy = dpy + t * ddy;
        const double k = (wx * nx + wy * ny) / (dx * nx + dy * ny);
        hx = wx - k * dx;
        hy = wy - k * dy;
    }

    // The derivatives after a mirror with unit normal (nx, ny) and signed curvature kappa
    // (positive where it turns toward the normal) reflects the line at distance t; the point
    // and direction themselves are moved by the caller.
    void reflectDerivatives(double t, double nx, double ny, double kappa) {
        double hx = 0.0;
        double hy = 0.0;
        hitDerivative(t, nx, ny, hx, hy);
        // The unit tangent (ny, -nx) turns the normal by -kappa per millimetre along it.
        const double along = hx * ny - hy * nx;
        const double dnx = -kappa * along * ny;
        const double dny = kappa * along * nx;
        const double dn = dx * nx + dy * ny;
        const double ddn = ddx * nx + ddy * ny + dx * dnx + dy * dny;
        ddx -= 2.0 * (ddn * nx + dn * dnx);
        ddy -= 2.0 * (ddn * ny + dn * dny);
        dpx = hx;
        dpy = hy;
    }
};

namespace {

// The clearance of one condition g(a) whose sign change changes the path, at a step of weight
// class c.
inline void Limit(double g, double slope, std::size_t c, RayOutcome& out) {
    if (g == 0.0) {
        out.clearAhead[c] = 0.0;
        out.clearBehind[c] = 0.0;
        return;
    }
    if (slope == 0.0 || !std::isfinite(slope)) {
        return;
    }
    const double distance = std::abs(g / slope);
    double& side = (g > 0.0) == (slope < 0.0) ? out.clearAhead[c] : out.clearBehind[c];
    side = std::min(side, distance);
}

// The class of a step carrying `weight`.
std::size_t WeightClass(double weight) {
    std::size_t c = 0;
    while (c + 1 < RayOutcome::kClasses && weight <= RayOutcome::kClassWeight[c + 1]) {
        ++c;
    }
    return c;
}

} // namespace

// ====================================================================== the clearances
// Between the line's start and what it meets, the path changes where the line crosses a rim
// (its hit piece's rims also beyond), touches a tube or becomes tangent to an arc.
void PathTracer::clear(const Line& line, const Hit& hit, int skipTube, double weight,
                       RayOutcome& out) const {
    const std::size_t c = WeightClass(weight);
    const double cross = line.dpx * line.dy - line.dpy * line.dx; // d/da of P x D, first part
    const int hitOwner = Code(hit.kind, hit.index);
    for (const Rim& rim : rims_) {
        const double ex = rim.x - line.px;
        const double ey = rim.y - line.py;
        const double along = ex * line.dx + ey * line.dy;
        if (along <= 0.0 || (along >= hit.t && rim.owner != hitOwner)) {
            continue;
        }
        Limit(ex * line.dy - ey * line.dx, -cross + ex * line.ddy - ey * line.ddx, c, out);
    }
    for (std::size_t i = 0; i < scene_.tubes.size(); ++i) {
        const Tube& tube = scene_.tubes[i];
        const double ex = tube.x - line.px;
        const double ey = tube.y - line.py;
        const double along = ex * line.dx + ey * line.dy;
        if (static_cast<int>(i) == skipTube || along + tube.radius <= 0.0 ||
            along - tube.radius >= hit.t) {
            continue;
        }
        const double side = ex * line.dy - ey * line.dx;
        const double slope = -cross + ex * line.ddy - ey * line.ddx;
        Limit(std::abs(side) - tube.radius, side < 0.0 ? -slope : slope, c, out);
    }
    for (const MirrorArc& arc : scene_.arcs) {
        const double x0 = line.px - arc.vertexX;
        const double y0 = line.py - arc.vertexY;
        const double qa = line.dx * line.dx;
        const double qb = 2.0 * x0 * line.dx - arc.m * line.dy;
        const double qc = x0 * x0 - arc.m * y0;
        if (qa < 1e-12) {
            continue;
        }
        const double tangent = -qb / (2.0 * qa);
        const double x = line.px + tangent * line.dx;
        if (tangent <= 0.0 || tangent >= hit.t || x < arc.xMin || x > arc.xMax) {
            continue;
        }
        const double dqa = 2.0 * line.dx * line.ddx;
        const double dqb = 2.0 * (line.dpx * line.dx + x0 * line.ddx) - arc.m * line.ddy;
        const double dqc = 2.0 * x0 * line.dpx - arc.m * line.dpy;
        Limit(qb * qb - 4.0 * qa * qc, 2.0 * qb * dqb - 4.0 * (dqa * qc + qa * dqc), c, out);
    }
}

} // namespace kavrol::physics

namespace kavrol::physics {

// ====================================================================== the walk of one ray
void PathTracer::trace(int tubeIndex, double a, double p, RayOutcome& out,
                       double followWeight) const {
    out = RayOutcome{};
    const Tube& tube = scene_.tubes[static_cast<std::size_t>(tubeIndex)];
    Line line;
    line.dx = std::sin(a);
    line.dy = std::cos(a);
    // The line leaves the tube where it crosses the circle going forward.
    const double along = std::sqrt(std::max(tube.radius * tube.radius - p * p, 0.0));
    line.px = tube.x + p * line.dy + along * line.dx;
    line.py = tube.y - p * line.dx + along * line.dy;
    // d/da of the direction is (dy, -dx); of the start, -p times the direction plus along times
    // that.
    line.ddx = line.dy;
    line.ddy = -line.dx;
    line.dpx = -p * line.dx + along * line.ddx;
    line.dpy = -p * line.dy + along * line.ddy;
    std::uint64_t signature = kSeed;
    Weight weight;
    int skipTube = tubeIndex;
    int skipSegment = -1;
    for (int event = 0; event < kMaxEvents; ++event) {
        Hit hit;
        nearestHit(line.px, line.py, line.dx, line.dy, skipTube, skipSegment, hit);
        if (out.unfollowed == 0.0 && followsClearances_) {
            const double carried = weight.total();
            if (carried >= followWeight) {
                clear(line, hit, skipTube, carried, out);
            } else {
                out.unfollowed = carried;
            }
        }
        signature = Mix(signature, hit.kind, hit.index);
        if (hit.kind == Kind::None) {
            out.share[RayOutcome::Escaped] += weight.total();
            out.signature = signature;
            return;
        }
        if (!follow(hit, line, weight, signature, skipTube, skipSegment, out)) {
            return;
        }
    }
    // The bound on events was reached: what is left counts as absorbed.
    out.share[RayOutcome::Absorbed] += weight.total();
    out.signature = Mix(signature, Kind::None, 2);
}

// One event of the walk: the ray meets what `hit` names. False when the ray ends there.
bool PathTracer::follow(const Hit& hit, Line& line, Weight& weight, std::uint64_t& signature,
                        int& skipTube, int& skipSegment, RayOutcome& out) const {
    const double hx = line.px + hit.t * line.dx;
    const double hy = line.py + hit.t * line.dy;
    if (hit.kind == Kind::Water) {
        if (hx < scene_.water.xMin || hx > scene_.water.xMax) {
            out.share[RayOutcome::BesideAquarium] += weight.total();
            out.signature = Mix(signature, Kind::None, 1);
            return false;
        }
        double entered = 0.0;
        if (!weight.split) {
            entered = fresnel_.enterFirst(line.dy, weight.whole, weight.psi);
            weight.split = true;
            weight.whole = 0.0;
        } else {
            entered = fresnel_.enterAgain(line.dy, weight.psi);
        }
        out.share[RayOutcome::Water] += entered;
        double slopeX = 0.0;
        double slopeY = 0.0;
        line.hitDerivative(hit.t, 0.0, 1.0, slopeX, slopeY);
        const int slot = std::min(out.entries, RayOutcome::kMaxEntries - 1);
        if (out.entries < RayOutcome::kMaxEntries) {
            out.entryX[static_cast<std::size_t>(slot)] = hx;
            out.entrySlope[static_cast<std::size_t>(slot)] = slopeX;
            ++out.entries;
        }
        out.entryAmount[static_cast<std::size_t>(slot)] += entered;
        if (scene_.waterReflection == WaterReflection::Lost) {
            out.share[RayOutcome::ReflectedAtWater] += weight.total();
            out.signature = signature;
            return false;
        }
        line.dy = -line.dy;
        line.ddy = -line.ddy;
        line.dpx = slopeX;
        line.dpy = slopeY;
        skipTube = -1;
        skipSegment = -1;
    } else if (hit.kind == Kind::Tube) {
        out.share[RayOutcome::ReturnedToTube] += weight.keep(scene_.tubeTransmission);
        // Transmitted light goes on in a straight line from the tube's far side.
        line.px += hit.tFar * line.dx;
        line.py += hit.tFar * line.dy;
        line.dpx += hit.tFar * line.ddx;
        line.dpy += hit.tFar * line.ddy;
        skipTube = hit.index;
        skipSegment = -1;
        if (weight.total() == 0.0) {
            out.signature = signature;
            return false;
        }
        return true;
    } else {
        out.share[RayOutcome::Absorbed] += weight.keep(scene_.albedo);
        reflect(hit, hx, line, skipSegment);
        skipTube = -1;
    }
    line.px = hx;
    line.py = hy;
    if (weight.total() == 0.0) {
        out.signature = signature;
        return false;
    }
    return true;
}

// Turns the line at a mirror it meets at x = hx, with its derivatives.
void PathTracer::reflect(const Hit& hit, double hx, Line& line, int& skipSegment) const {
    double nx = 0.0;
    double ny = 0.0;
    double kappa = 0.0;
    if (hit.kind == Kind::Segment) {
        const MirrorSegment& s = scene_.segments[static_cast<std::size_t>(hit.index)];
        nx = -(s.y1 - s.y0);
        ny = s.x1 - s.x0;
        skipSegment = hit.index;
    } else if (hit.kind == Kind::Curve) {
        nx = hit.nx;
        ny = hit.ny;
        kappa = hit.curvature;
        skipSegment = -1;
    } else {
        const MirrorArc& arc = scene_.arcs[static_cast<std::size_t>(hit.index)];
        const double slope = 2.0 * (hx - arc.vertexX) / arc.m;
        nx = -slope;
        ny = 1.0;
        const double stretch = 1.0 + slope * slope;
        kappa = (2.0 / arc.m) / (stretch * std::sqrt(stretch));
        skipSegment = -1;
    }
    const double norm = std::sqrt(nx * nx + ny * ny);
    line.reflectDerivatives(hit.t, nx / norm, ny / norm, kappa);
    const double dot = (line.dx * nx + line.dy * ny) / (nx * nx + ny * ny);
    line.dx -= 2.0 * dot * nx;
    line.dy -= 2.0 * dot * ny;
    const double length = std::sqrt(line.dx * line.dx + line.dy * line.dy);
    line.dx /= length;
    line.dy /= length;
}

} // namespace kavrol::physics
