// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: the carried weight; intersections with each kind of piece; the start of a ray;
// the walk of one ray; what a scattering surface does at a reflection.
#include "PathTracer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

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

// The paths a ray splits into (at glossy reflections) each end with a signature; the ray's is
// the first path's, mixed with the later ones' in order.
void Finish(RayOutcome& out, std::uint64_t signature, int& leaves) {
    out.signature = leaves == 0 ? signature : (out.signature ^ signature) * 0x100000001b3ULL;
    ++leaves;
}

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
    double g = 0.0; // a curve's piece number plus the parameter within it
};

// Where a ray stands on its walk, with what it still carries.
struct PathTracer::Path {
    double px = 0.0;
    double py = 0.0;
    double dx = 0.0;
    double dy = 1.0;
    Weight weight;
    std::uint64_t signature = kSeed;
    int skipTube = -1;
    int skipSegment = -1;
    int event = 0;
    int glossSplits = 0;
    bool unresolved = false; // its gloss is no longer followed
    bool comparing = false;  // split by the 2-point gloss rule, for the error estimate
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
    add(scene.surface);
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

const ReflectorSurface& PathTracer::surfaceOf(const Hit& hit) const {
    const auto index = static_cast<std::size_t>(hit.index);
    switch (hit.kind) {
    case Kind::Segment:
        return scene_.segmentSurface(index);
    case Kind::Arc:
        return scene_.arcSurface(index);
    default:
        return scene_.curveSurface(index);
    }
}

int PathTracer::sourceCount() const {
    return tubeCount() + (patches_ != nullptr ? patches_->sideCount() : 0);
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
            hit = {Kind::Curve, i, h.t, 0.0, h.nx, h.ny, h.piece + h.s};
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

void PathTracer::trace(int source, double a, double p, RayOutcome& out) const {
    out = RayOutcome{};
    Path path;
    if (source < tubeCount()) {
        const Tube& tube = scene_.tubes[static_cast<std::size_t>(source)];
        path.dx = std::sin(a);
        path.dy = std::cos(a);
        // The line leaves the tube where it crosses the circle going forward.
        const double along = std::sqrt(std::max(tube.radius * tube.radius - p * p, 0.0));
        path.px = tube.x + p * path.dy + along * path.dx;
        path.py = tube.y - p * path.dx + along * path.dy;
        path.skipTube = source;
    } else {
        const int side = source - tubeCount();
        const SurfacePatches::Piece& piece = patches_->pieceOf(side);
        const SurfacePatches::Point at = patches_->pointAt(piece, p);
        const double sign = side % 2 == 0 ? 1.0 : -1.0;
        const double u = std::clamp(2.0 * a / std::numbers::pi, -1.0, 1.0);
        const double along = std::sqrt(std::max(1.0 - u * u, 0.0));
        // The normal turned by asin(u): cos along it, sin along the tangent (ny, -nx).
        path.dx = sign * (along * at.nx + u * at.ny);
        path.dy = sign * (along * at.ny - u * at.nx);
        path.px = at.x;
        path.py = at.y;
        path.skipSegment = piece.kind == SurfacePatches::PieceKind::Segment ? piece.index : -1;
    }
    int leaves = 0;
    walk(path, out, leaves);
}

void PathTracer::walk(Path path, RayOutcome& out, int& leaves) const {
    double& px = path.px;
    double& py = path.py;
    double& dx = path.dx;
    double& dy = path.dy;
    Weight& weight = path.weight;
    std::uint64_t& signature = path.signature;
    const bool waterLost = scene_.waterReflection == WaterReflection::Lost;
    for (; path.event < kMaxEvents; ++path.event) {
        Hit hit;
        nearestHit(px, py, dx, dy, path.skipTube, path.skipSegment, hit);
        signature = Mix(signature, hit.kind, hit.index);
        if (hit.kind == Kind::None) {
            out.share[RayOutcome::Escaped] += weight.total();
            Finish(out, signature, leaves);
            return;
        }
        const double hx = px + hit.t * dx;
        const double hy = py + hit.t * dy;
        if (hit.kind == Kind::Water) {
            if (hx < scene_.water.xMin || hx > scene_.water.xMax) {
                out.share[RayOutcome::BesideAquarium] += weight.total();
                Finish(out, Mix(signature, Kind::None, 1), leaves);
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
                Finish(out, signature, leaves);
                return;
            }
            dy = -dy;
            path.skipTube = -1;
            path.skipSegment = -1;
        } else if (hit.kind == Kind::Tube) {
            out.share[RayOutcome::ReturnedToTube] += weight.keep(scene_.tubeTransmission);
            // Transmitted light goes on in a straight line from the tube's far side.
            px += hit.tFar * dx;
            py += hit.tFar * dy;
            path.skipTube = hit.index;
            path.skipSegment = -1;
            if (weight.total() == 0.0) {
                Finish(out, signature, leaves);
                return;
            }
            continue;
        } else {
            double nx = 0.0;
            double ny = 0.0;
            if (hit.kind == Kind::Segment) {
                const MirrorSegment& s = scene_.segments[static_cast<std::size_t>(hit.index)];
                nx = -(s.y1 - s.y0);
                ny = s.x1 - s.x0;
                path.skipSegment = hit.index;
            } else if (hit.kind == Kind::Curve) {
                nx = hit.nx;
                ny = hit.ny;
                path.skipSegment = -1;
            } else {
                const MirrorArc& arc = scene_.arcs[static_cast<std::size_t>(hit.index)];
                nx = -2.0 * (hx - arc.vertexX) / arc.m;
                ny = 1.0;
                path.skipSegment = -1;
            }
            path.skipTube = -1;
            if (!mirror_) {
                if (!scatter(path, hit, hx, hy, nx, ny, out, leaves)) {
                    return;
                }
                continue;
            }
            out.share[RayOutcome::Absorbed] += weight.keep(scene_.albedo);
            const double dot = (dx * nx + dy * ny) / (nx * nx + ny * ny);
            dx -= 2.0 * dot * nx;
            dy -= 2.0 * dot * ny;
            const double length = std::sqrt(dx * dx + dy * dy);
            dx /= length;
            dy /= length;
        }
        px = hx;
        py = hy;
        if (weight.total() == 0.0) {
            Finish(out, signature, leaves);
            return;
        }
    }
    // The bound on events was reached: what is left counts as absorbed.
    out.share[RayOutcome::Absorbed] += weight.total();
    Finish(out, Mix(signature, Kind::None, 2), leaves);
}

// A reflection on a scattering surface: the albedo's rest is absorbed, the diffuse share is
// handed to the patch met, and the specular rest is mirrored about the normal tilted by each of
// the gloss rule's tilts in turn (one path each). A tilted mirror turns the reflected direction
// by twice the tilt; a direction that then points into the sheet is mirrored once more about
// the true tangent. Returns true when the walk goes on along `path` (no split).
bool PathTracer::scatter(Path& path, const Hit& hit, double hx, double hy, double nx, double ny,
                         RayOutcome& out, int& leaves) const {
    Weight& weight = path.weight;
    out.share[RayOutcome::Absorbed] += weight.keep(scene_.albedo);
    const ReflectorSurface& surface = surfaceOf(hit);
    const double d = surface.diffuseShare;
    if (d > 0.0 && weight.total() > 0.0) {
        const double taken = weight.keep(1.0 - d);
        out.share[RayOutcome::Diffused] += taken;
        double g = hit.g;
        SurfacePatches::PieceKind kind = SurfacePatches::PieceKind::Curve;
        if (hit.kind == Kind::Segment) {
            const MirrorSegment& s = scene_.segments[static_cast<std::size_t>(hit.index)];
            const double ex = s.x1 - s.x0;
            const double ey = s.y1 - s.y0;
            g = ((hx - s.x0) * ex + (hy - s.y0) * ey) / (ex * ex + ey * ey);
            kind = SurfacePatches::PieceKind::Segment;
        } else if (hit.kind == Kind::Arc) {
            g = hx;
            kind = SurfacePatches::PieceKind::Arc;
        }
        out.deposits.emplace_back(patches_->sideAt(kind, hit.index, g, path.dx, path.dy, nx, ny),
                                  taken);
    }
    if (weight.total() == 0.0) {
        Finish(out, path.signature, leaves);
        return false;
    }
    const double inDot = path.dx * nx + path.dy * ny;
    const double norm2 = nx * nx + ny * ny;
    const double dot = inDot / norm2;
    double rx = path.dx - 2.0 * dot * nx;
    double ry = path.dy - 2.0 * dot * ny;
    const double length = std::sqrt(rx * rx + ry * ry);
    rx /= length;
    ry /= length;
    path.px = hx;
    path.py = hy;
    const Spread* spread = spreadOf(surface.glossSpreadDeg);
    if (spread == nullptr) {
        path.dx = rx;
        path.dy = ry;
        return true;
    }
    const bool split = path.glossSplits < kMaxGlossSplits;
    if (!split) {
        // Followed as a mirror from here on; its fate no longer counts as known.
        if (!path.unresolved) {
            out.unresolved += weight.total();
            path.unresolved = true;
        }
        path.dx = rx;
        path.dy = ry;
        return true;
    }
    // The first split also follows the 2-point rule's paths, apart: the difference of what the
    // two rules bring into the water (or hand to the patches) estimates the 3-point rule's error.
    const bool compare = !path.comparing && path.glossSplits == 0;
    const double waterBefore = out.share[RayOutcome::Water];
    const double diffusedBefore = out.share[RayOutcome::Diffused];
    const Path& parent = path;
    const auto branchOut = [&](const Turns& turns, bool comparing, RayOutcome& into,
                               int& intoLeaves) {
        const GlossRule& rule = turns.rule;
        for (std::size_t i = 0; i < rule.tilts.size(); ++i) {
            Path branch = parent;
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
            branch.dx = bx;
            branch.dy = by;
            branch.signature = Mix(parent.signature, Kind::None, static_cast<int>(3 + i));
            ++branch.event;
            walk(branch, into, intoLeaves);
        }
    };
    if (path.comparing) {
        branchOut(spread->compare, true, out, leaves);
        return false;
    }
    branchOut(spread->main, false, out, leaves);
    if (compare) {
        RayOutcome apart;
        int apartLeaves = 0;
        branchOut(spread->compare, true, apart, apartLeaves);
        out.glossWaterDelta +=
            out.share[RayOutcome::Water] - waterBefore - apart.share[RayOutcome::Water];
        out.glossDiffusedDelta +=
            out.share[RayOutcome::Diffused] - diffusedBefore - apart.share[RayOutcome::Diffused];
    }
    return false;
}

} // namespace kavrol::physics
