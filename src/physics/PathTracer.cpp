// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: intersections with each kind of piece; the carried weight; the walk of one ray.
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

// The ray's weight: one number until the water first reflects part of it, then split over the
// psi nodes because the Fresnel share depends on psi.
struct Weight {
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

} // namespace

struct PathTracer::Hit {
    Kind kind = Kind::None;
    int index = -1;
    double t = std::numeric_limits<double>::infinity();
    double tFar = 0.0; // where the ray leaves a tube it passes through
    double nx = 0.0;   // a curve's normal where the ray meets it
    double ny = 0.0;
};

PathTracer::PathTracer(const Scene& scene, const FresnelTable& fresnel)
    : scene_(scene), fresnel_(fresnel) {}

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
            hit = {Kind::Curve, i, h.t, 0.0, h.nx, h.ny};
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

void PathTracer::trace(int tubeIndex, double a, double p, RayOutcome& out) const {
    out = RayOutcome{};
    const Tube& tube = scene_.tubes[static_cast<std::size_t>(tubeIndex)];
    double dx = std::sin(a);
    double dy = std::cos(a);
    // The line leaves the tube where it crosses the circle going forward.
    const double along = std::sqrt(std::max(tube.radius * tube.radius - p * p, 0.0));
    double px = tube.x + p * dy + along * dx;
    double py = tube.y - p * dx + along * dy;
    std::uint64_t signature = kSeed;
    Weight weight;
    int skipTube = tubeIndex;
    int skipSegment = -1;
    const bool waterLost = scene_.waterReflection == WaterReflection::Lost;
    for (int event = 0; event < kMaxEvents; ++event) {
        Hit hit;
        nearestHit(px, py, dx, dy, skipTube, skipSegment, hit);
        signature = Mix(signature, hit.kind, hit.index);
        if (hit.kind == Kind::None) {
            out.share[RayOutcome::Escaped] += weight.total();
            out.signature = signature;
            return;
        }
        const double hx = px + hit.t * dx;
        const double hy = py + hit.t * dy;
        if (hit.kind == Kind::Water) {
            if (hx < scene_.water.xMin || hx > scene_.water.xMax) {
                out.share[RayOutcome::BesideAquarium] += weight.total();
                out.signature = Mix(signature, Kind::None, 1);
                return;
            }
            double entered = 0.0;
            if (!weight.split) {
                entered = fresnel_.enterFirst(dy, weight.whole, weight.psi);
                weight.split = true;
                weight.whole = 0.0;
            } else {
                entered = fresnel_.enterAgain(dy, weight.psi);
            }
            out.share[RayOutcome::Water] += entered;
            const int slot = std::min(out.entries, RayOutcome::kMaxEntries - 1);
            if (out.entries < RayOutcome::kMaxEntries) {
                out.entryX[static_cast<std::size_t>(slot)] = hx;
                ++out.entries;
            }
            out.entryAmount[static_cast<std::size_t>(slot)] += entered;
            if (waterLost) {
                out.share[RayOutcome::ReflectedAtWater] += weight.total();
                out.signature = signature;
                return;
            }
            dy = -dy;
            skipTube = -1;
            skipSegment = -1;
        } else if (hit.kind == Kind::Tube) {
            out.share[RayOutcome::ReturnedToTube] += weight.keep(scene_.tubeTransmission);
            // Transmitted light goes on in a straight line from the tube's far side.
            px += hit.tFar * dx;
            py += hit.tFar * dy;
            skipTube = hit.index;
            skipSegment = -1;
            if (weight.total() == 0.0) {
                out.signature = signature;
                return;
            }
            continue;
        } else {
            out.share[RayOutcome::Absorbed] += weight.keep(scene_.albedo);
            double nx = 0.0;
            double ny = 0.0;
            if (hit.kind == Kind::Segment) {
                const MirrorSegment& s = scene_.segments[static_cast<std::size_t>(hit.index)];
                nx = -(s.y1 - s.y0);
                ny = s.x1 - s.x0;
                skipSegment = hit.index;
            } else if (hit.kind == Kind::Curve) {
                nx = hit.nx;
                ny = hit.ny;
                skipSegment = -1;
            } else {
                const MirrorArc& arc = scene_.arcs[static_cast<std::size_t>(hit.index)];
                nx = -2.0 * (hx - arc.vertexX) / arc.m;
                ny = 1.0;
                skipSegment = -1;
            }
            const double dot = (dx * nx + dy * ny) / (nx * nx + ny * ny);
            dx -= 2.0 * dot * nx;
            dy -= 2.0 * dot * ny;
            const double length = std::sqrt(dx * dx + dy * dy);
            dx /= length;
            dy /= length;
            skipTube = -1;
        }
        px = hx;
        py = hy;
        if (weight.total() == 0.0) {
            out.signature = signature;
            return;
        }
    }
    // The bound on events was reached: what is left counts as absorbed.
    out.share[RayOutcome::Absorbed] += weight.total();
    out.signature = Mix(signature, Kind::None, 2);
}

} // namespace kavrol::physics
