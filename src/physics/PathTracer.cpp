// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: path signatures; the carried weight; the nearest piece; the events of a walk; the
// walk of one ray; what a scattering surface does at a reflection.
#include "PathTracer.h"

#include "Direction.h"
#include "PieceHit.h"
#include "Ray.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
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

// The paths a ray splits into (at glossy reflections) each end with a signature; the ray's is
// the first path's, mixed with the later ones' in order.
void Finish(RayOutcome& out, std::uint64_t signature, int& leaves) {
    out.signature = leaves == 0 ? signature : (out.signature ^ signature) * 0x100000001b3ULL;
    ++leaves;
}

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
// just left (a tube it passed, a flat mirror it left), which rounding must not meet again. A
// glossy reflection splits a walk into branches, each going on from the event reached.
struct Walk {
    Ray ray;
    Weight weight;
    std::uint64_t signature = kSeed;
    int skipTube = -1;
    int skipSegment = -1;
    int event = 0;
    int glossSplits = 0;
    bool unresolved = false; // its gloss is no longer followed
    bool comparing = false;  // split by the 2-point gloss rule, for the error estimate
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
               RayOutcome& out, int& leaves) {
    Weight& weight = walk.weight;
    if (!scene.water.overWater(x)) {
        out.share[RayOutcome::BesideAquarium] += weight.total();
        Finish(out, Mix(walk.signature, Kind::None, 1), leaves);
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
        Finish(out, walk.signature, leaves);
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

// Follows a ray and the branches it splits into, for one tracer.
class PathWalk {
public:
    PathWalk(const PathTracer& tracer, RayOutcome& out) : tracer_(tracer), out_(out) {}

    void walk(Walk walk);

private:
    bool scatter(Walk& walk, const Hit& hit, double hx, double hy);
    const ReflectorSurface& surfaceOf(const Hit& hit) const;

    const PathTracer& tracer_;
    RayOutcome& out_;
    int leaves_ = 0;
};

PathTracer::Turns::Turns(GlossRule r) : rule(std::move(r)) {
    for (double tilt : rule.tilts) {
        cos.push_back(std::cos(2.0 * tilt));
        sin.push_back(std::sin(2.0 * tilt));
    }
}

PathTracer::PathTracer(const Scene& scene, const FresnelTable& fresnel,
                       const SurfacePatches* patches, int glossPanels)
    : scene_(scene), fresnel_(fresnel), patches_(patches), mirror_(!scene.anyScattering()) {
    const auto add = [&](const ReflectorSurface& surface) {
        const double degrees = surface.glossSpreadDeg;
        if (degrees > 0.0 && spreadOf(degrees) == nullptr) {
            const double sigma = degrees * std::numbers::pi / 180.0;
            spreads_.push_back({degrees, Turns(GlossRule::ForSpread(sigma, glossPanels)),
                                Turns(GlossRule::TwoPoint(sigma))});
        }
    };
    add(scene.materials.surface);
    for (const auto* list : {&scene.segmentSurfaces, &scene.arcSurfaces, &scene.curveSurfaces}) {
        for (const ReflectorSurface& surface : *list) {
            add(surface);
        }
    }
}

const PathTracer::Spread* PathTracer::spreadOf(double sigmaDeg) const {
    for (const Spread& spread : spreads_) {
        if (spread.sigmaDeg == sigmaDeg) {
            return &spread;
        }
    }
    return nullptr;
}

int PathTracer::sourceCount() const {
    return tubeCount() + (patches_ != nullptr ? patches_->sideCount() : 0);
}

void PathTracer::trace(int source, double a, double p, RayOutcome& out) const {
    out = RayOutcome{};
    Walk walk;
    if (source < tubeCount()) {
        const Tube& tube = scene_.tubes[static_cast<std::size_t>(source)];
        const double dx = std::sin(a);
        const double dy = std::cos(a);
        // The line leaves the tube where it crosses the circle going forward.
        const double along = std::sqrt(std::max(tube.radius * tube.radius - p * p, 0.0));
        walk.ray = {tube.x + p * dy + along * dx, tube.y - p * dx + along * dy, dx, dy};
        walk.skipTube = source;
    } else {
        const int side = source - tubeCount();
        const SurfacePatches::Piece& piece = patches_->pieceOf(side);
        const SurfacePatches::Point at = patches_->pointAt(piece, p);
        const double sign = side % 2 == 0 ? 1.0 : -1.0;
        const double u = std::clamp(2.0 * a / std::numbers::pi, -1.0, 1.0);
        const double along = std::sqrt(std::max(1.0 - u * u, 0.0));
        // The normal turned by asin(u): cos along it, sin along the tangent (ny, -nx).
        walk.ray = {at.x, at.y, sign * (along * at.nx + u * at.ny),
                    sign * (along * at.ny - u * at.nx)};
        walk.skipSegment = piece.kind == SurfacePatches::PieceKind::Segment ? piece.index : -1;
    }
    PathWalk(*this, out).walk(walk);
}

void PathWalk::walk(Walk walk) {
    const Scene& scene = tracer_.scene_;
    RayOutcome& out = out_;
    for (; walk.event < PathTracer::kMaxEvents; ++walk.event) {
        const Hit hit = NearestHit(scene, walk);
        walk.signature = Mix(walk.signature, hit.kind, hit.index);
        if (hit.kind == Kind::None) {
            out.share[RayOutcome::Escaped] += walk.weight.total();
            Finish(out, walk.signature, leaves_);
            return;
        }
        const double hx = walk.ray.px + hit.piece.t * walk.ray.dx;
        const double hy = walk.ray.py + hit.piece.t * walk.ray.dy;
        if (hit.kind == Kind::Water) {
            if (!MeetWater(scene, tracer_.fresnel_, hx, hy, walk, out, leaves_)) {
                return;
            }
        } else if (hit.kind == Kind::Tube) {
            PassTube(scene, hit, walk, out);
        } else if (tracer_.mirror_) {
            Reflect(scene, hit, hx, hy, walk, out);
        } else if (!scatter(walk, hit, hx, hy)) {
            return;
        }
        if (walk.weight.total() == 0.0) {
            Finish(out, walk.signature, leaves_);
            return;
        }
    }
    // The bound on events was reached: what is left counts as absorbed.
    out.share[RayOutcome::Absorbed] += walk.weight.total();
    Finish(out, Mix(walk.signature, Kind::None, 2), leaves_);
}

// --- What a scattering surface does at a reflection ---

const ReflectorSurface& PathWalk::surfaceOf(const Hit& hit) const {
    const Scene& scene = tracer_.scene_;
    const auto index = static_cast<std::size_t>(hit.index);
    switch (hit.kind) {
    case Kind::Segment:
        return scene.segmentSurface(index);
    case Kind::Arc:
        return scene.arcSurface(index);
    default:
        return scene.curveSurface(index);
    }
}

// A reflection on a scattering surface at (hx, hy): the albedo's rest is absorbed, the diffuse
// share is handed to the patch met, and the specular rest is mirrored about the normal tilted by
// each of the gloss rule's tilts in turn (one branch each). A tilted mirror turns the reflected
// direction by twice the tilt; a direction that then points into the sheet is mirrored once
// more about the true tangent. Returns true when the walk goes on (no split).
bool PathWalk::scatter(Walk& walk, const Hit& hit, double hx, double hy) {
    const Scene& scene = tracer_.scene_;
    RayOutcome& out = out_;
    Weight& weight = walk.weight;
    out.share[RayOutcome::Absorbed] += weight.keep(scene.materials.albedo);
    const Direction n = MirrorNormal(scene, hit, hx, hy);
    const double nx = n.x;
    const double ny = n.y;
    walk.skipSegment = hit.kind == Kind::Segment ? hit.index : -1;
    walk.skipTube = -1;
    const ReflectorSurface& surface = surfaceOf(hit);
    const double d = surface.diffuseShare;
    if (d > 0.0 && weight.total() > 0.0) {
        const double taken = weight.keep(1.0 - d);
        out.share[RayOutcome::Diffused] += taken;
        double g = hit.piece.g;
        SurfacePatches::PieceKind kind = SurfacePatches::PieceKind::Curve;
        if (hit.kind == Kind::Segment) {
            const MirrorSegment& s = scene.segments[static_cast<std::size_t>(hit.index)];
            const double ex = s.x1 - s.x0;
            const double ey = s.y1 - s.y0;
            g = ((hx - s.x0) * ex + (hy - s.y0) * ey) / (ex * ex + ey * ey);
            kind = SurfacePatches::PieceKind::Segment;
        } else if (hit.kind == Kind::Arc) {
            g = hx;
            kind = SurfacePatches::PieceKind::Arc;
        }
        out.deposits.emplace_back(
            tracer_.patches_->sideAt(kind, hit.index, g, walk.ray.dx, walk.ray.dy, nx, ny), taken);
    }
    if (weight.total() == 0.0) {
        Finish(out, walk.signature, leaves_);
        return false;
    }
    const double inDot = walk.ray.dx * nx + walk.ray.dy * ny;
    const double norm2 = nx * nx + ny * ny;
    const double dot = inDot / norm2;
    double rx = walk.ray.dx - 2.0 * dot * nx;
    double ry = walk.ray.dy - 2.0 * dot * ny;
    const double length = std::sqrt(rx * rx + ry * ry);
    rx /= length;
    ry /= length;
    walk.ray = {hx, hy, rx, ry};
    const PathTracer::Spread* spread = tracer_.spreadOf(surface.glossSpreadDeg);
    if (spread == nullptr) {
        return true;
    }
    if (walk.glossSplits >= PathTracer::kMaxGlossSplits) {
        // Followed as a mirror from here on; its fate no longer counts as known.
        if (!walk.unresolved) {
            out.unresolved += weight.total();
            walk.unresolved = true;
        }
        return true;
    }
    // The first split also follows the 2-point rule's branches, apart: the difference of what
    // the two rules bring into the water (or hand to the patches) estimates the 3-point rule's
    // error.
    const bool compare = !walk.comparing && walk.glossSplits == 0;
    const double waterBefore = out.share[RayOutcome::Water];
    const double diffusedBefore = out.share[RayOutcome::Diffused];
    const Walk& parent = walk;
    const auto branchOut = [&](const PathTracer::Turns& turns, bool comparing, PathWalk& into) {
        const GlossRule& rule = turns.rule;
        for (std::size_t i = 0; i < rule.tilts.size(); ++i) {
            Walk branch = parent;
            branch.glossSplits = parent.glossSplits + 1;
            branch.comparing = comparing;
            branch.weight.keep(rule.weights[i]);
            const double c = turns.cos[i];
            const double s = turns.sin[i];
            double bx = c * rx - s * ry;
            double by = s * rx + c * ry;
            const double outDot = (bx * nx + by * ny) / norm2;
            if (outDot * inDot > 0.0) {
                bx -= 2.0 * outDot * nx;
                by -= 2.0 * outDot * ny;
            }
            branch.ray.dx = bx;
            branch.ray.dy = by;
            branch.signature = Mix(parent.signature, Kind::None, static_cast<int>(3 + i));
            ++branch.event;
            into.walk(branch);
        }
    };
    if (walk.comparing) {
        branchOut(spread->compare, true, *this);
        return false;
    }
    branchOut(spread->main, false, *this);
    if (compare) {
        RayOutcome apart;
        PathWalk apartWalk(tracer_, apart);
        branchOut(spread->compare, true, apartWalk);
        out.glossWaterDelta +=
            out.share[RayOutcome::Water] - waterBefore - apart.share[RayOutcome::Water];
        out.glossDiffusedDelta +=
            out.share[RayOutcome::Diffused] - diffusedBefore - apart.share[RayOutcome::Diffused];
    }
    return false;
}

} // namespace kavrol::physics
