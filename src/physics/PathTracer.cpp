// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: path signatures; the carried weight; the nearest piece; the events of a walk; the
// walk of one ray.
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

// --- The events of a walk ---

// The ray meets the water line at (x, y): beside the tank it ends; over the water the Fresnel
// share enters, and the rest is lost or goes on upward. False when the ray ends here.
bool MeetWater(const Scene& scene, const FresnelTable& fresnel, double x, double y, Walk& walk,
               RayOutcome& out) {
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
    const int slot = std::min(out.entries, RayOutcome::kMaxEntries - 1);
    if (out.entries < RayOutcome::kMaxEntries) {
        out.entryX[static_cast<std::size_t>(slot)] = x;
        ++out.entries;
    }
    out.entryAmount[static_cast<std::size_t>(slot)] += entered;
    if (scene.materials.waterReflection == WaterReflection::Lost) {
        out.share[RayOutcome::ReflectedAtWater] += weight.total();
        out.signature = walk.signature;
        return false;
    }
    walk.ray = {x, y, walk.ray.dx, -walk.ray.dy};
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
    walk.skipTube = hit.index;
    walk.skipSegment = -1;
}

// The ray meets a mirror at (x, y): the albedo's share goes on, reflected about the normal.
void Reflect(const Scene& scene, const Hit& hit, double x, double y, Walk& walk, RayOutcome& out) {
    out.share[RayOutcome::Absorbed] += walk.weight.keep(scene.materials.albedo);
    const Direction n = MirrorNormal(scene, hit, x, y);
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

} // namespace

// --- The walk of one ray ---

PathTracer::PathTracer(const Scene& scene, const FresnelTable& fresnel)
    : scene_(scene), fresnel_(fresnel) {}

void PathTracer::trace(int tubeIndex, double a, double p, RayOutcome& out) const {
    out = RayOutcome{};
    const Tube& tube = scene_.tubes[static_cast<std::size_t>(tubeIndex)];
    const double dx = std::sin(a);
    const double dy = std::cos(a);
    // The line leaves the tube where it crosses the circle going forward.
    const double along = std::sqrt(std::max(tube.radius * tube.radius - p * p, 0.0));
    Walk walk;
    walk.ray = {tube.x + p * dy + along * dx, tube.y - p * dx + along * dy, dx, dy};
    walk.skipTube = tubeIndex;
    for (int event = 0; event < kMaxEvents; ++event) {
        const Hit hit = NearestHit(scene_, walk);
        walk.signature = Mix(walk.signature, hit.kind, hit.index);
        if (hit.kind == Kind::None) {
            out.share[RayOutcome::Escaped] += walk.weight.total();
            out.signature = walk.signature;
            return;
        }
        const double hx = walk.ray.px + hit.piece.t * walk.ray.dx;
        const double hy = walk.ray.py + hit.piece.t * walk.ray.dy;
        if (hit.kind == Kind::Water) {
            if (!MeetWater(scene_, fresnel_, hx, hy, walk, out)) {
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
