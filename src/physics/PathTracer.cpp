// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: path signatures; the carried weight; the nearest piece; the ray's derivatives; the
// events of a walk; the clearances; the walk of one ray; what a scattering surface does at a
// reflection.
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

// --- The carried weight ---

// The ray's weight: one number until the water first reflects part of it, then split over the
// psi nodes because the Fresnel share depends on psi.
struct Weight {
    bool split = false;
    double whole = 1.0;
    std::array<double, FresnelTable::kPsiNodes> psi{};
    // The psi nodes' sum, summed again after each change: a walk asks for it several times a
    // step.
    double psiSum = 0.0;

    double total() const { return split ? psiSum : whole; }
    // After the psi nodes changed.
    void resum() {
        double sum = 0.0;
        for (double w : psi) {
            sum += w;
        }
        psiSum = sum;
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
            resum();
        }
        return before - total();
    }
};

// The class of a step carrying `weight`.
std::size_t WeightClass(double weight) {
    std::size_t c = 0;
    while (c + 1 < RayOutcome::kClasses && weight <= RayOutcome::kClassWeight[c + 1]) {
        ++c;
    }
    return c;
}

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

std::array<std::uint64_t, RayOutcome::kClasses> Seeds() {
    std::array<std::uint64_t, RayOutcome::kClasses> seeds{};
    seeds.fill(kSeed);
    return seeds;
}

// One ray's walk: where it is and goes, what it still carries, what it met, and the pieces it
// just left (a tube it passed, a flat mirror it left), which rounding must not meet again. A
// glossy reflection splits a walk into branches, each going on from the event reached.
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
    int event = 0;
    int glossSplits = 0;
    // The sign of the tilt the walk last took at a glossy reflection (0 for none or tilt 0):
    // beyond the split reflections it goes on with the opposite one.
    int glossSign = 0;
    bool following = true;   // its clearances are still followed
    bool unresolved = false; // its gloss is no longer followed
    bool comparing = false;  // split by the cruder gloss rule, for the error estimate
    // What the walk carries at each further albedo, as a share of its weight.
    std::array<double, RayOutcome::kMaxAlike> alike{};
    // The signature through the steps of each weight class and the heavier ones, and the
    // latest step's class (a walk's weight only falls, so its steps' classes only rise).
    std::array<std::uint64_t, RayOutcome::kClasses> prefix = Seeds();
    std::size_t stepClass = 0;

    // After a step of class stepClass mixed into the signature.
    void stepped() {
        for (std::size_t c = stepClass; c < prefix.size(); ++c) {
            prefix[c] = signature;
        }
    }
};

// The paths a ray splits into (at glossy reflections) each end with a signature; the ray's is
// the first path's, mixed with the later ones' in order, and so is each class's.
void Finish(RayOutcome& out, const Walk& walk, std::uint64_t signature, int& leaves) {
    std::array<std::uint64_t, RayOutcome::kClasses> prefix = walk.prefix;
    for (std::size_t c = walk.stepClass; c < prefix.size(); ++c) {
        prefix[c] = signature;
    }
    out.signature = leaves == 0 ? signature : (out.signature ^ signature) * 0x100000001b3ULL;
    for (std::size_t c = 0; c < prefix.size(); ++c) {
        out.classSignature[c] =
            leaves == 0 ? prefix[c] : (out.classSignature[c] ^ prefix[c]) * 0x100000001b3ULL;
    }
    ++leaves;
}

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

// The direction's derivative once the walk's direction is mirrored about the unit normal
// (nx, ny) of a mirror with signed curvature kappa (positive where it turns toward the normal),
// the walk's point derivative already being the hit point's, before the direction turns.
void TurnDerivative(Walk& w, double nx, double ny, double kappa) {
    // The unit tangent (ny, -nx) turns the normal by -kappa per millimetre along it.
    const double along = w.dpx * ny - w.dpy * nx;
    const double dnx = -kappa * along * ny;
    const double dny = kappa * along * nx;
    const double dn = w.ray.dx * nx + w.ray.dy * ny;
    const double ddn = w.ddx * nx + w.ddy * ny + w.ray.dx * dnx + w.ray.dy * dny;
    w.ddx -= 2.0 * (ddn * nx + dn * dnx);
    w.ddy -= 2.0 * (ddn * ny + dn * dny);
}

// The derivatives after a mirror reflects the line at distance t, before the direction turns.
void ReflectDerivatives(Walk& w, double t, double nx, double ny, double kappa) {
    double hx = 0.0;
    double hy = 0.0;
    HitDerivative(w, t, nx, ny, hx, hy);
    w.dpx = hx;
    w.dpy = hy;
    TurnDerivative(w, nx, ny, kappa);
}

// Turns a walk's mirrored direction and its derivative by the angle of cosine c and sine s
// (twice a tilt of the normal (nx, ny), which the incoming direction met with dot product
// inDot, not normalised). A direction that then points into the sheet is mirrored once more
// about the true tangent; the derivative follows that only while it is followed.
void TurnMirrored(Walk& w, double c, double s, double nx, double ny, double inDot, double kappa,
                  bool follow) {
    const double norm2 = nx * nx + ny * ny;
    const double rx = w.ray.dx;
    const double ry = w.ray.dy;
    double bx = c * rx - s * ry;
    double by = s * rx + c * ry;
    const double outDot = (bx * nx + by * ny) / norm2;
    // A turn by a fixed angle turns the direction's derivative alike.
    const double bdx = c * w.ddx - s * w.ddy;
    const double bdy = s * w.ddx + c * w.ddy;
    w.ddx = bdx;
    w.ddy = bdy;
    if (outDot * inDot > 0.0) {
        if (follow) {
            const double norm = std::sqrt(norm2);
            w.ray.dx = bx;
            w.ray.dy = by;
            TurnDerivative(w, nx / norm, ny / norm, kappa);
        }
        bx -= 2.0 * outDot * nx;
        by -= 2.0 * outDot * ny;
    }
    w.ray.dx = bx;
    w.ray.dy = by;
}

// --- The events of a walk ---

// The ray meets the water line at (x, y): beside the tank it ends; over the water the Fresnel
// share enters, and the rest is lost or goes on upward. False when the ray ends here.
bool MeetWater(const Scene& scene, const FresnelTable& fresnel, double t, double x, double y,
               Walk& walk, RayOutcome& out, int& leaves, int alike) {
    Weight& weight = walk.weight;
    if (!scene.water.overWater(x)) {
        out.share[RayOutcome::BesideAquarium] += weight.total();
        Finish(out, walk, Mix(walk.signature, Kind::None, 1), leaves);
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
    weight.resum();
    out.share[RayOutcome::Water] += entered;
    for (std::size_t v = 0; v < static_cast<std::size_t>(alike); ++v) {
        out.alike[v].water += entered * walk.alike[v];
    }
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
        Finish(out, walk, walk.signature, leaves);
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

// The signed curvature of the mirror met at (x, y), as ReflectDerivatives takes it, given the
// squared length and the length of its normal there (as MirrorNormal gives it). An arc's normal
// (-slope, 1) has the squared length 1 + slope^2 to the bit, so its square root is the normal's.
double MirrorCurvature(const Scene& scene, const Hit& hit, double norm2, double norm) {
    if (hit.kind == Kind::Arc) {
        const MirrorArc& arc = scene.arcs[static_cast<std::size_t>(hit.index)];
        return (2.0 / arc.m) / (norm2 * norm);
    }
    return hit.piece.curvature;
}

// The ray meets a mirror at (x, y): the albedo's share goes on, reflected about the normal.
void Reflect(const Scene& scene, const Hit& hit, double x, double y, Walk& walk, RayOutcome& out) {
    out.share[RayOutcome::Absorbed] += walk.weight.keep(scene.materials.albedo);
    const Direction n = MirrorNormal(scene, hit, x, y);
    const double norm2 = n.x * n.x + n.y * n.y;
    const double norm = std::sqrt(norm2);
    const double kappa = MirrorCurvature(scene, hit, norm2, norm);
    ReflectDerivatives(walk, hit.piece.t, n.x / norm, n.y / norm, kappa);
    double dx = walk.ray.dx;
    double dy = walk.ray.dy;
    const double dot = (dx * n.x + dy * n.y) / norm2;
    dx -= 2.0 * dot * n.x;
    dy -= 2.0 * dot * n.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    walk.ray = {x, y, dx / length, dy / length};
    walk.skipSegment = hit.kind == Kind::Segment ? hit.index : -1;
    walk.skipTube = -1;
}

// --- The clearances ---

// The nearest changes of path ahead and behind that one step's conditions foresee, joined to the
// ray's clearances of the step's class at its end (minima, so in any order alike).
struct StepClearance {
    double ahead = RayOutcome::kNever;
    double behind = RayOutcome::kNever;

    // The clearance of one condition g(a) whose sign change changes the path: none where the
    // slope is 0 or not finite, both sides 0 where g is.
    void limit(double g, double slope) {
        if (g == 0.0) {
            ahead = 0.0;
            behind = 0.0;
            return;
        }
        if (slope == 0.0 || !std::isfinite(slope)) {
            return;
        }
        const double distance = std::abs(g / slope);
        double& side = (g > 0.0) == (slope < 0.0) ? ahead : behind;
        side = std::min(side, distance);
    }
};

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
    const std::size_t c = w.stepClass;
    const double cross = w.dpx * r.dy - w.dpy * r.dx; // d/da of P x D, first part
    const int hitOwner = Code(static_cast<Kind>(hitKind), hitIndex);
    StepClearance step;
    for (const Rim& rim : rims_) {
        const double ex = rim.x - r.px;
        const double ey = rim.y - r.py;
        const double along = ex * r.dx + ey * r.dy;
        if (along <= 0.0 || (along >= hitT && rim.owner != hitOwner)) {
            continue;
        }
        step.limit(ex * r.dy - ey * r.dx, -cross + ex * w.ddy - ey * w.ddx);
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
        step.limit(std::abs(side) - tube.radius, side < 0.0 ? -slope : slope);
    }
    for (const MirrorArc& arc : scene_.arcs) {
        const double x0 = r.px - arc.vertexX;
        const double qa = r.dx * r.dx;
        if (qa < 1e-12) {
            continue;
        }
        const double qb = 2.0 * x0 * r.dx - arc.m * r.dy;
        const double tangent = -qb / (2.0 * qa);
        const double x = r.px + tangent * r.dx;
        if (tangent <= 0.0 || tangent >= hitT || x < arc.xMin || x > arc.xMax) {
            continue;
        }
        const double y0 = r.py - arc.vertexY;
        const double qc = x0 * x0 - arc.m * y0;
        const double dqa = 2.0 * r.dx * w.ddx;
        const double dqb = 2.0 * (w.dpx * r.dx + x0 * w.ddx) - arc.m * w.ddy;
        const double dqc = 2.0 * x0 * w.dpx - arc.m * w.dpy;
        step.limit(qb * qb - 4.0 * qa * qc, 2.0 * qb * dqb - 4.0 * (dqa * qc + qa * dqc));
    }
    out.clearAhead[c] = std::min(out.clearAhead[c], step.ahead);
    out.clearBehind[c] = std::min(out.clearBehind[c], step.behind);
}

// --- The walk of one ray ---

// Follows a ray and the branches it splits into, for one tracer.
class PathWalk {
public:
    // Clearances are followed only when `follow` is set, while a branch carries followWeight.
    PathWalk(const PathTracer& tracer, RayOutcome& out, bool follow = false,
             double followWeight = 0.0)
        : tracer_(tracer), out_(out), follow_(follow), followWeight_(followWeight) {}

    void walk(Walk walk);

private:
    bool scatter(Walk& walk, const Hit& hit, double hx, double hy);
    void handDiffuse(Walk& walk, const Hit& hit, double hx, double hy, double nx, double ny,
                     double diffuseShare);
    void splitGloss(const Walk& walk, const PathTracer::Spread& spread, double nx, double ny,
                    double inDot, double kappa);
    void goOnTilted(Walk& walk, const PathTracer::Turns& turns, double nx, double ny, double inDot,
                    double kappa);
    const ReflectorSurface& surfaceOf(const Hit& hit) const;

    const PathTracer& tracer_;
    RayOutcome& out_;
    bool follow_;
    double followWeight_;
    int leaves_ = 0;
};

PathTracer::Turns::Turns(GlossRule r) : rule(std::move(r)) {
    for (double tilt : rule.tilts) {
        cos.push_back(std::cos(2.0 * tilt));
        sin.push_back(std::sin(2.0 * tilt));
    }
}

PathTracer::PathTracer(const Scene& scene, const FresnelTable& fresnel,
                       const SurfacePatches* patches, int glossPanels,
                       const std::vector<double>& alikeAlbedos)
    : scene_(scene), fresnel_(fresnel), patches_(patches), mirror_(!scene.anyScattering()),
      continues_(glossPanels <= 0), followsClearances_(scene.curves.empty()) {
    for (double albedo : alikeAlbedos) {
        alikeRatios_.push_back(albedo / scene.materials.albedo);
    }
    // Estimates follow the Radau rule at a path's first glossy reflection and the halves' means
    // at later ones, and compare with the halves' means; finer runs follow the composite rule
    // first and the Radau rule later, and compare with the Radau rule (see GlossRule).
    const auto add = [&](const ReflectorSurface& surface) {
        const double degrees = surface.glossSpreadDeg;
        if (degrees > 0.0 && spreadOf(degrees) == nullptr) {
            const double sigma = degrees * std::numbers::pi / 180.0;
            if (glossPanels > 0) {
                spreads_.push_back({degrees, Turns(GlossRule::ForSpread(sigma, glossPanels)),
                                    Turns(GlossRule::HalfRadau(sigma)),
                                    Turns(GlossRule::HalfRadau(sigma))});
            } else {
                spreads_.push_back({degrees, Turns(GlossRule::HalfRadau(sigma)),
                                    Turns(GlossRule::HalfMeans(sigma)),
                                    Turns(GlossRule::HalfMeans(sigma))});
            }
        }
    };
    add(scene.materials.surface);
    for (const auto* list : {&scene.segmentSurfaces, &scene.arcSurfaces, &scene.curveSurfaces}) {
        for (const ReflectorSurface& surface : *list) {
            add(surface);
        }
    }
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

void PathTracer::trace(int source, double a, double p, RayOutcome& out, double followWeight) const {
    out = RayOutcome{};
    Walk walk;
    walk.alike.fill(1.0);
    if (source < tubeCount()) {
        const Tube& tube = scene_.tubes[static_cast<std::size_t>(source)];
        const double dx = std::sin(a);
        const double dy = std::cos(a);
        // The line leaves the tube where it crosses the circle going forward.
        const double along = std::sqrt(std::max(tube.radius * tube.radius - p * p, 0.0));
        walk.ray = {tube.x + p * dy + along * dx, tube.y - p * dx + along * dy, dx, dy};
        // d/da of the direction is (dy, -dx); of the start, -p times the direction plus along
        // times that.
        walk.ddx = dy;
        walk.ddy = -dx;
        walk.dpx = -p * dx + along * walk.ddx;
        walk.dpy = -p * dy + along * walk.ddy;
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
    // The patches' sides emit over directions whose derivative grows without bound at grazing:
    // their light keeps being judged by its samples.
    PathWalk(*this, out, followsClearances_ && source < tubeCount(), followWeight).walk(walk);
}

void PathWalk::walk(Walk walk) {
    const Scene& scene = tracer_.scene_;
    RayOutcome& out = out_;
    for (; walk.event < PathTracer::kMaxEvents; ++walk.event) {
        const Hit hit = NearestHit(scene, walk);
        walk.stepClass = WeightClass(walk.weight.total());
        if (follow_ && walk.following) {
            // Each branch stops being followed on its own; what they carried then adds up.
            const double carried = walk.weight.total();
            if (carried >= followWeight_) {
                tracer_.clear(&walk, static_cast<int>(hit.kind), hit.index, hit.piece.t, out);
            } else {
                out.unfollowed += carried;
                walk.following = false;
            }
        }
        walk.signature = Mix(walk.signature, hit.kind, hit.index);
        walk.stepped();
        if (hit.kind == Kind::None) {
            out.share[RayOutcome::Escaped] += walk.weight.total();
            Finish(out, walk, walk.signature, leaves_);
            return;
        }
        const double hx = walk.ray.px + hit.piece.t * walk.ray.dx;
        const double hy = walk.ray.py + hit.piece.t * walk.ray.dy;
        if (hit.kind == Kind::Water) {
            if (!MeetWater(scene, tracer_.fresnel_, hit.piece.t, hx, hy, walk, out, leaves_,
                           tracer_.alikeCount())) {
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
            Finish(out, walk, walk.signature, leaves_);
            return;
        }
    }
    // The bound on events was reached: what is left counts as absorbed.
    out.share[RayOutcome::Absorbed] += walk.weight.total();
    Finish(out, walk, Mix(walk.signature, Kind::None, 2), leaves_);
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

// The diffuse share of a reflection at (hx, hy) on a piece of normal (nx, ny): taken from the
// walk and handed to the patch side it meets.
void PathWalk::handDiffuse(Walk& walk, const Hit& hit, double hx, double hy, double nx, double ny,
                           double diffuseShare) {
    const Scene& scene = tracer_.scene_;
    const double taken = walk.weight.keep(1.0 - diffuseShare);
    out_.share[RayOutcome::Diffused] += taken;
    const auto alike = static_cast<std::size_t>(tracer_.alikeCount());
    if (alike > 0) {
        std::array<double, RayOutcome::kMaxAlike> amounts{};
        for (std::size_t v = 0; v < alike; ++v) {
            amounts[v] = taken * walk.alike[v];
            out_.alike[v].diffused += amounts[v];
        }
        out_.alikeDeposits.push_back(amounts);
    }
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
    out_.deposits.emplace_back(
        tracer_.patches_->sideAt(kind, hit.index, g, walk.ray.dx, walk.ray.dy, nx, ny), taken);
}

// The specular rest of a glossy reflection, already mirrored about the normal (nx, ny) that the
// incoming direction met with dot product inDot: one branch per tilt of the gloss rule, each
// walked to its end.
void PathWalk::splitGloss(const Walk& walk, const PathTracer::Spread& spread, double nx, double ny,
                          double inDot, double kappa) {
    RayOutcome& out = out_;
    const bool first = walk.glossSplits == 0;
    const double waterBefore = out.share[RayOutcome::Water];
    const double diffusedBefore = out.share[RayOutcome::Diffused];
    const std::array<RayOutcome::Alike, RayOutcome::kMaxAlike> alikeBefore = out.alike;
    const auto branchOut = [&](const PathTracer::Turns& turns, bool comparing, PathWalk& into) {
        const GlossRule& rule = turns.rule;
        for (std::size_t i = 0; i < rule.tilts.size(); ++i) {
            Walk branch = walk;
            branch.glossSplits = walk.glossSplits + 1;
            branch.glossSign = (rule.tilts[i] > 0.0) - (rule.tilts[i] < 0.0);
            branch.comparing = comparing;
            branch.weight.keep(rule.weights[i]);
            TurnMirrored(branch, turns.cos[i], turns.sin[i], nx, ny, inDot, kappa, into.follow_);
            branch.signature = Mix(walk.signature, Kind::None, static_cast<int>(3 + i));
            ++branch.event;
            into.walk(branch);
        }
    };
    branchOut(first ? spread.first : spread.later, false, *this);
    if (!first) {
        return;
    }
    // The cruder rule's branches, walked apart: the difference of what the two bring into the
    // water (or hand to the patches) estimates the cruder rule's error, a generous estimate of
    // the followed one's.
    RayOutcome apart;
    PathWalk apartWalk(tracer_, apart, follow_, followWeight_);
    branchOut(spread.compare, true, apartWalk);
    out.glossWaterDelta +=
        out.share[RayOutcome::Water] - waterBefore - apart.share[RayOutcome::Water];
    out.glossDiffusedDelta +=
        out.share[RayOutcome::Diffused] - diffusedBefore - apart.share[RayOutcome::Diffused];
    for (std::size_t v = 0; v < static_cast<std::size_t>(tracer_.alikeCount()); ++v) {
        RayOutcome::Alike& alike = out.alike[v];
        alike.glossWaterDelta += alike.water - alikeBefore[v].water - apart.alike[v].water;
        alike.glossDiffusedDelta +=
            alike.diffused - alikeBefore[v].diffused - apart.alike[v].diffused;
    }
    // Its paths change where the followed ones do not; the direction integral cuts there too, or
    // the difference, rough where the followed light is smooth, would be integrated across its
    // jumps.
    out.signature = (out.signature ^ apart.signature) * 0x100000001b3ULL;
    for (std::size_t c = 0; c < out.classSignature.size(); ++c) {
        out.classSignature[c] =
            (out.classSignature[c] ^ apart.classSignature[c]) * 0x100000001b3ULL;
        out.clearAhead[c] = std::min(out.clearAhead[c], apart.clearAhead[c]);
        out.clearBehind[c] = std::min(out.clearBehind[c], apart.clearBehind[c]);
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
    for (std::size_t v = 0; v < tracer_.alikeRatios_.size(); ++v) {
        walk.alike[v] *= tracer_.alikeRatios_[v];
    }
    const Direction n = MirrorNormal(scene, hit, hx, hy);
    const double nx = n.x;
    const double ny = n.y;
    walk.skipSegment = hit.kind == Kind::Segment ? hit.index : -1;
    walk.skipTube = -1;
    const ReflectorSurface& surface = surfaceOf(hit);
    if (surface.diffuseShare > 0.0 && weight.total() > 0.0) {
        handDiffuse(walk, hit, hx, hy, nx, ny, surface.diffuseShare);
    }
    if (weight.total() == 0.0) {
        Finish(out, walk, walk.signature, leaves_);
        return false;
    }
    const double inDot = walk.ray.dx * nx + walk.ray.dy * ny;
    const double norm2 = nx * nx + ny * ny;
    const double norm = std::sqrt(norm2);
    const double kappa = MirrorCurvature(scene, hit, norm2, norm);
    if (follow_) {
        ReflectDerivatives(walk, hit.piece.t, nx / norm, ny / norm, kappa);
    }
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
    if (walk.comparing) {
        // The cruder rule's walk splits only at the first glossy reflection and takes later ones
        // as mirrors: its difference then also estimates the error of the later reflections'
        // rule.
        return true;
    }
    if (tracer_.continues_ && surface.glossSpreadDeg <= PathTracer::kOneTiltSpreadDeg &&
        walk.glossSplits >= PathTracer::kSplitReflections && walk.glossSign != 0) {
        goOnTilted(walk, spread->later, nx, ny, inDot, kappa);
        return true;
    }
    if (walk.glossSplits >= PathTracer::kMaxGlossSplits) {
        // Followed as a mirror from here on; its fate no longer counts as known.
        if (!walk.unresolved) {
            out.unresolved += weight.total();
            for (std::size_t v = 0; v < tracer_.alikeRatios_.size(); ++v) {
                out.alike[v].unresolved += weight.total() * walk.alike[v];
            }
            walk.unresolved = true;
        }
        return true;
    }
    splitGloss(walk, *spread, nx, ny, inDot, kappa);
    return false;
}

// Beyond the split reflections a walk goes on with one tilt of the halves' means, the opposite
// of the one it took last: the two walks of a split take opposite tilts at every later
// reflection, so over them each later tilt's rule stays exact for 1, |tilt| and tilt (the mean
// tilt 0), as the split would be, while the walks no longer multiply.
void PathWalk::goOnTilted(Walk& walk, const PathTracer::Turns& turns, double nx, double ny,
                          double inDot, double kappa) {
    walk.glossSign = -walk.glossSign;
    const std::size_t i = walk.glossSign < 0 ? 0 : 1;
    TurnMirrored(walk, turns.cos[i], turns.sin[i], nx, ny, inDot, kappa, follow_);
    walk.signature = Mix(walk.signature, Kind::None, static_cast<int>(3 + i));
    ++walk.glossSplits;
}

} // namespace kavrol::physics
