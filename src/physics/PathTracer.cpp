// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: path signatures; the carried weight; the nearest piece; the ray's derivatives; the
// events of a walk; the clearances; the walk of one ray.
#include "PathTracer.h"

#include "Direction.h"
#include "PieceHit.h"
#include "Ray.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace kavrol::physics {

namespace {

// --- Path signatures ---

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

// --- The carried weight ---

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

// --- The nearest piece ---

// The piece a ray meets first: its kind, its index among the scene's pieces of that kind (0 for
// the water) and the piece's answer.
struct Hit {
    Kind kind = Kind::None;
    int index = -1;
    PieceHit piece;
};

// Offers each piece but `skip` the ray; the nearest crossing so far stays in hit.
template <class Piece>
void Nearest(const std::vector<Piece>& pieces, Kind kind, int skip, const Ray& ray, Hit& hit) {
    const int count = static_cast<int>(pieces.size());
    for (int i = 0; i < count; ++i) {
        if (i != skip && pieces[static_cast<std::size_t>(i)].hit(ray, kMinDistance, hit.piece)) {
            hit.kind = kind;
            hit.index = i;
        }
    }
}

// One ray's walk: where it is and goes, what it still carries, what it met, and the pieces it
// just left (a tube it passed, a flat mirror it left), which rounding must not meet again.
struct Walk {
    Ray ray;
    // d/da of the ray's point and direction at fixed p; only the point's part across the
    // direction matters: sliding it along the line changes nothing.
    double dpx = 0.0;
    double dpy = 0.0;
    double ddx = 0.0;
    double ddy = 0.0;
    Weight weight;
    std::uint64_t signature = kSeed;
    int skipTube = -1;
    int skipSegment = -1;
};

// Pieces of equal distance go to the kind offered first: mirrors, then tubes, then the water.
Hit NearestHit(const Scene& scene, const Walk& walk) {
    Hit hit;
    Nearest(scene.segments, Kind::Segment, walk.skipSegment, walk.ray, hit);
    Nearest(scene.arcs, Kind::Arc, -1, walk.ray, hit);
    Nearest(scene.curves, Kind::Curve, -1, walk.ray, hit);
    Nearest(scene.tubes, Kind::Tube, walk.skipTube, walk.ray, hit);
    if (scene.water.hit(walk.ray, kMinDistance, hit.piece)) {
        hit.kind = Kind::Water;
        hit.index = 0;
    }
    return hit;
}

Direction MirrorNormal(const Scene& scene, const Hit& hit, double x, double y) {
    const auto i = static_cast<std::size_t>(hit.index);
    switch (hit.kind) {
    case Kind::Segment:
        return scene.segments[i].normal(hit.piece, x, y);
    case Kind::Arc:
        return scene.arcs[i].normal(hit.piece, x, y);
    default:
        return scene.curves[i].normal(hit.piece, x, y);
    }
}

// --- The ray's derivatives ---

// The derivative of the point where the walk's line meets, at distance t, a surface with unit
// normal (nx, ny): the point stays on the surface as the line turns.
void HitDerivative(const Walk& w, double t, double nx, double ny, double& hx, double& hy) {
    const double wx = w.dpx + t * w.ddx;
    const double wy = w.dpy + t * w.ddy;
    const double k = (wx * nx + wy * ny) / (w.ray.dx * nx + w.ray.dy * ny);
    hx = wx - k * w.ray.dx;
    hy = wy - k * w.ray.dy;
}

// The derivatives after a mirror with unit normal (nx, ny) and signed curvature kappa (positive
// where it turns toward the normal) reflects the line at distance t, before the direction turns.
void ReflectDerivatives(Walk& w, double t, double nx, double ny, double kappa) {
    double hx = 0.0;
    double hy = 0.0;
    HitDerivative(w, t, nx, ny, hx, hy);
    // The unit tangent (ny, -nx) turns the normal by -kappa per millimetre along it.
    const double along = hx * ny - hy * nx;
    const double dnx = -kappa * along * ny;
    const double dny = kappa * along * nx;
    const double dn = w.ray.dx * nx + w.ray.dy * ny;
    const double ddn = w.ddx * nx + w.ddy * ny + w.ray.dx * dnx + w.ray.dy * dny;
    w.ddx -= 2.0 * (ddn * nx + dn * dnx);
    w.ddy -= 2.0 * (ddn * ny + dn * dny);
    w.dpx = hx;
    w.dpy = hy;
}

// --- The events of a walk ---

// The ray meets the water line at (x, y): beside the tank it ends; over the water the Fresnel
// share enters, and the rest is lost or goes on upward. False when the ray ends here.
bool MeetWater(const Scene& scene, const FresnelTable& fresnel, double t, double x, double y,
               Walk& walk, RayOutcome& out) {
    Weight& weight = walk.weight;
    if (!scene.water.overWater(x)) {
        out.share[RayOutcome::BesideAquarium] += weight.total();
        out.signature = Mix(walk.signature, Kind::None, 1);
        return false;
    }
    double entered = 0.0;
    if (!weight.split) {
        entered = fresnel.enterFirst(walk.ray.dy, weight.whole, weight.psi);
        weight.split = true;
        weight.whole = 0.0;
    } else {
        entered = fresnel.enterAgain(walk.ray.dy, weight.psi);
    }
    out.share[RayOutcome::Water] += entered;
    double slopeX = 0.0;
    double slopeY = 0.0;
    HitDerivative(walk, t, 0.0, 1.0, slopeX, slopeY);
    const int slot = std::min(out.entries, RayOutcome::kMaxEntries - 1);
    if (out.entries < RayOutcome::kMaxEntries) {
        out.entryX[static_cast<std::size_t>(slot)] = x;
        out.entrySlope[static_cast<std::size_t>(slot)] = slopeX;
        ++out.entries;
    }
    out.entryAmount[static_cast<std::size_t>(slot)] += entered;
    if (scene.materials.waterReflection == WaterReflection::Lost) {
        out.share[RayOutcome::ReflectedAtWater] += weight.total();
        out.signature = walk.signature;
        return false;
    }
    walk.ray = {x, y, walk.ray.dx, -walk.ray.dy};
    walk.ddy = -walk.ddy;
    walk.dpx = slopeX;
    walk.dpy = slopeY;
    walk.skipTube = -1;
    walk.skipSegment = -1;
    return true;
}

// The ray meets a tube: the share the tube does not pass returns to it; what passes goes on in
// a straight line from the tube's far side.
void PassTube(const Scene& scene, const Hit& hit, Walk& walk, RayOutcome& out) {
    out.share[RayOutcome::ReturnedToTube] += walk.weight.keep(scene.materials.tubeTransmission);
    walk.ray.px += hit.piece.tFar * walk.ray.dx;
    walk.ray.py += hit.piece.tFar * walk.ray.dy;
    walk.dpx += hit.piece.tFar * walk.ddx;
    walk.dpy += hit.piece.tFar * walk.ddy;
    walk.skipTube = hit.index;
    walk.skipSegment = -1;
}

// The ray meets a mirror at (x, y): the albedo's share goes on, reflected about the normal.
void Reflect(const Scene& scene, const Hit& hit, double x, double y, Walk& walk, RayOutcome& out) {
    out.share[RayOutcome::Absorbed] += walk.weight.keep(scene.materials.albedo);
    const Direction n = MirrorNormal(scene, hit, x, y);
    double kappa = hit.piece.curvature;
    if (hit.kind == Kind::Arc) {
        const MirrorArc& arc = scene.arcs[static_cast<std::size_t>(hit.index)];
        const double slope = 2.0 * (x - arc.vertexX) / arc.m;
        const double stretch = 1.0 + slope * slope;
        kappa = (2.0 / arc.m) / (stretch * std::sqrt(stretch));
    }
    const double norm = std::sqrt(n.x * n.x + n.y * n.y);
    ReflectDerivatives(walk, hit.piece.t, n.x / norm, n.y / norm, kappa);
    double dx = walk.ray.dx;
    double dy = walk.ray.dy;
    const double dot = (dx * n.x + dy * n.y) / (n.x * n.x + n.y * n.y);
    dx -= 2.0 * dot * n.x;
    dy -= 2.0 * dot * n.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    walk.ray = {x, y, dx / length, dy / length};
    walk.skipSegment = hit.kind == Kind::Segment ? hit.index : -1;
    walk.skipTube = -1;
}

// --- The clearances ---

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

int Code(Kind kind, int index) {
    return (static_cast<int>(kind) << 20) + index;
}

} // namespace

// Between the line's start and what it meets, the path changes where the line crosses a rim
// (its hit piece's rims also beyond), touches a tube or becomes tangent to an arc.
void PathTracer::clear(const void* walkPointer, int hitKind, int hitIndex, double hitT,
                       RayOutcome& out) const {
    const Walk& w = *static_cast<const Walk*>(walkPointer);
    const Ray& r = w.ray;
    const std::size_t c = WeightClass(w.weight.total());
    const double cross = w.dpx * r.dy - w.dpy * r.dx; // d/da of P x D, first part
    const int hitOwner = Code(static_cast<Kind>(hitKind), hitIndex);
    for (const Rim& rim : rims_) {
        const double ex = rim.x - r.px;
        const double ey = rim.y - r.py;
        const double along = ex * r.dx + ey * r.dy;
        if (along <= 0.0 || (along >= hitT && rim.owner != hitOwner)) {
            continue;
        }
        Limit(ex * r.dy - ey * r.dx, -cross + ex * w.ddy - ey * w.ddx, c, out);
    }
    for (std::size_t i = 0; i < scene_.tubes.size(); ++i) {
        const Tube& tube = scene_.tubes[i];
        const double ex = tube.x - r.px;
        const double ey = tube.y - r.py;
        const double along = ex * r.dx + ey * r.dy;
        if (static_cast<int>(i) == w.skipTube || along + tube.radius <= 0.0 ||
            along - tube.radius >= hitT) {
            continue;
        }
        const double side = ex * r.dy - ey * r.dx;
        const double slope = -cross + ex * w.ddy - ey * w.ddx;
        Limit(std::abs(side) - tube.radius, side < 0.0 ? -slope : slope, c, out);
    }
    for (const MirrorArc& arc : scene_.arcs) {
        const double x0 = r.px - arc.vertexX;
        const double y0 = r.py - arc.vertexY;
        const double qa = r.dx * r.dx;
        const double qb = 2.0 * x0 * r.dx - arc.m * r.dy;
        const double qc = x0 * x0 - arc.m * y0;
        if (qa < 1e-12) {
            continue;
        }
        const double tangent = -qb / (2.0 * qa);
        const double x = r.px + tangent * r.dx;
        if (tangent <= 0.0 || tangent >= hitT || x < arc.xMin || x > arc.xMax) {
            continue;
        }
        const double dqa = 2.0 * r.dx * w.ddx;
        const double dqb = 2.0 * (w.dpx * r.dx + x0 * w.ddx) - arc.m * w.ddy;
        const double dqc = 2.0 * x0 * w.dpx - arc.m * w.dpy;
        Limit(qb * qb - 4.0 * qa * qc, 2.0 * qb * dqb - 4.0 * (dqa * qc + qa * dqc), c, out);
    }
}

// --- The walk of one ray ---

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
    const int water = Code(Kind::Water, 0);
    rims_.push_back({scene.water.xMin, scene.water.y, water});
    rims_.push_back({scene.water.xMax, scene.water.y, water});
}

void PathTracer::trace(int tubeIndex, double a, double p, RayOutcome& out,
                       double followWeight) const {
    out = RayOutcome{};
    const Tube& tube = scene_.tubes[static_cast<std::size_t>(tubeIndex)];
    const double dx = std::sin(a);
    const double dy = std::cos(a);
    // The line leaves the tube where it crosses the circle going forward.
    const double along = std::sqrt(std::max(tube.radius * tube.radius - p * p, 0.0));
    Walk walk;
    walk.ray = {tube.x + p * dy + along * dx, tube.y - p * dx + along * dy, dx, dy};
    // d/da of the direction is (dy, -dx); of the start, -p times the direction plus along times
    // that.
    walk.ddx = dy;
    walk.ddy = -dx;
    walk.dpx = -p * dx + along * walk.ddx;
    walk.dpy = -p * dy + along * walk.ddy;
    walk.skipTube = tubeIndex;
    for (int event = 0; event < kMaxEvents; ++event) {
        const Hit hit = NearestHit(scene_, walk);
        if (out.unfollowed == 0.0 && followsClearances_) {
            const double carried = walk.weight.total();
            if (carried >= followWeight) {
                clear(&walk, static_cast<int>(hit.kind), hit.index, hit.piece.t, out);
            } else {
                out.unfollowed = carried;
            }
        }
        walk.signature = Mix(walk.signature, hit.kind, hit.index);
        if (hit.kind == Kind::None) {
            out.share[RayOutcome::Escaped] += walk.weight.total();
            out.signature = walk.signature;
            return;
        }
        const double hx = walk.ray.px + hit.piece.t * walk.ray.dx;
        const double hy = walk.ray.py + hit.piece.t * walk.ray.dy;
        if (hit.kind == Kind::Water) {
            if (!MeetWater(scene_, fresnel_, hit.piece.t, hx, hy, walk, out)) {
                return;
            }
        } else if (hit.kind == Kind::Tube) {
            PassTube(scene_, hit, walk, out);
        } else {
            Reflect(scene_, hit, hx, hy, walk, out);
        }
        if (walk.weight.total() == 0.0) {
            out.signature = walk.signature;
            return;
        }
    }
    // The bound on events was reached: what is left counts as absorbed.
    out.share[RayOutcome::Absorbed] += walk.weight.total();
    out.signature = Mix(walk.signature, Kind::None, 2);
}

} // namespace kavrol::physics
