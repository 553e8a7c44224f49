// SPDX-License-Identifier: GPL-3.0-or-later
// Sections (each under a banner "// ---- name ----"): the sheet and its path key; the nearest
// in-plane hit; z along the in-plane path and the end plates; the events at a mirror, a tube
// and the water; the gloss of a sheet; the walk of one direction.
#include "TankTracer.h"

#include "FresnelTable.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

// ---- The sheet and its path key ----
namespace kavrol::physics {

namespace {

// Hits closer than this (mm) to a sheet's start are the start itself, met again by rounding.
constexpr double kMinDistance = 1e-9;

enum class Kind { None, Mirror, Tube, Water };

std::uint64_t Mix(std::uint64_t key, int kind, int index, int code) {
    const auto word = (static_cast<std::uint64_t>(kind) << 40) ^
                      (static_cast<std::uint64_t>(index + 1) << 8) ^
                      static_cast<std::uint64_t>(code + 128);
    return (key ^ word) * 0x100000001b3ULL;
}

constexpr std::uint64_t kSeed = 0xcbf29ce484222325ULL;

// Records that a piece of the sheet with this path ended in `fate`; the order does not count.
void End(TankRay& out, std::uint64_t path, int fate) {
    out.signature += Mix(path, 9, fate, 0);
}

double Length(double z0, double z1) {
    return std::max(z1 - z0, 0.0);
}

} // namespace

// A sheet: rays at (px, py) going along (dx, dy) in the plane, at every z of its pieces, each
// moving along z by its sign, `density` of the ray's share per millimetre of z.
struct TankTracer::Sheet {
    double px = 0.0;
    double py = 0.0;
    double dx = 0.0;
    double dy = 1.0;
    std::vector<Interval> pieces;
    double density = 0.0;
    int events = 0;
    int skipTube = -1;
    double inPlaneLength = 0.0;
    std::uint64_t path = kSeed;
    // Its gloss: the glossy reflections split so far, which estimate its light belongs to, and
    // whether its weight was already counted as unresolved.
    int glossSplits = 0;
    GlossRole role = GlossRole::Shared;
    bool unresolved = false;

    // A sheet going on from this one's event keeps its gloss.
    void inherit(const Sheet& from) {
        glossSplits = from.glossSplits;
        role = from.role;
        unresolved = from.unresolved;
    }

    double weight() const {
        double length = 0.0;
        for (const Interval& i : pieces) {
            length += i.z1 - i.z0;
        }
        return density * length;
    }
};

struct TankTracer::Hit {
    Kind kind = Kind::None;
    int index = -1;
    double t = std::numeric_limits<double>::infinity();
    double tFar = 0.0;
    double nx = 0.0;
    double ny = 0.0;
};

struct TankTracer::Direction {
    double cosPsi = 1.0;
    double sinPsi = 0.0; // of |psi|
    double tanPsi = 0.0; // of |psi|
};

// Where a sheet's fates count: the compared rule's light apart from the estimate's.
static std::array<double, kTankFates>& Shares(TankRay& out, GlossRole role) {
    return role == GlossRole::Compared ? out.comparedShare : out.share;
}

TankTracer::Turns::Turns(GlossRule r) : rule(std::move(r)) {
    for (double tilt : rule.tilts) {
        cos.push_back(std::cos(2.0 * tilt));
        sin.push_back(std::sin(2.0 * tilt));
    }
}

TankTracer::TankTracer(const TankScene& scene) : scene_(scene) {
    const auto& units = scene.units();
    for (std::size_t u = 0; u < units.size(); ++u) {
        if (units[u].closedLow || units[u].closedHigh) {
            platedUnits_.push_back(static_cast<int>(u));
        }
    }
    for (const TankScene::Mirror& mirror : scene.mirrors()) {
        const double degrees = mirror.surface.glossSpreadDeg;
        if (degrees > 0.0 && spreadOf(degrees) == nullptr) {
            const double sigma = degrees * std::numbers::pi / 180.0;
            spreads_.push_back({degrees, Turns(GlossRule::HalfRadau(sigma)),
                                Turns(GlossRule::HalfMeans(sigma)),
                                Turns(GlossRule::HalfMeans(sigma))});
        }
    }
}

const TankTracer::Spread* TankTracer::spreadOf(double sigmaDeg) const {
    for (const Spread& spread : spreads_) {
        if (spread.sigmaDeg == sigmaDeg) {
            return &spread;
        }
    }
    return nullptr;
}

} // namespace kavrol::physics

// ---- The nearest in-plane hit ----
namespace kavrol::physics {

void TankTracer::nearestHit(const Sheet& s, Hit& hit) const {
    const auto& mirrors = scene_.mirrors();
    for (std::size_t i = 0; i < mirrors.size(); ++i) {
        MirrorCurve::Hit h;
        if (mirrors[i].curve.firstHit(s.px, s.py, s.dx, s.dy, kMinDistance, hit.t, h)) {
            hit = {Kind::Mirror, static_cast<int>(i), h.t, 0.0, h.nx, h.ny};
        }
    }
    const auto& tubes = scene_.scene().tubes;
    for (std::size_t i = 0; i < tubes.size(); ++i) {
        if (static_cast<int>(i) == s.skipTube) {
            continue;
        }
        const Tube& tube = tubes[i];
        const double ox = s.px - tube.x;
        const double oy = s.py - tube.y;
        const double b = ox * s.dx + oy * s.dy;
        const double c = ox * ox + oy * oy - tube.radius * tube.radius;
        const double discriminant = b * b - c;
        if (discriminant <= 0.0) {
            continue;
        }
        const double root = std::sqrt(discriminant);
        const double t = -b - root;
        if (t > kMinDistance && t < hit.t) {
            hit = {Kind::Tube, static_cast<int>(i), t, -b + root, 0.0, 0.0};
        }
    }
    if (s.dy > 0.0) {
        const double t = (scene_.scene().water.y - s.py) / s.dy;
        if (t > kMinDistance && t < hit.t) {
            hit = {Kind::Water, 0, t, 0.0, 0.0, 0.0};
        }
    }
}

} // namespace kavrol::physics

// ---- z along the in-plane path and the end plates ----
namespace kavrol::physics {

int TankTracer::regionAt(double x, double y) const {
    for (int u : platedUnits_) {
        if (scene_.inRegion(u, x, y)) {
            return u;
        }
    }
    return -1;
}

// Between two plates a gap G apart, the unfolded interval [lo, hi] crosses images of width G;
// even images keep the direction, odd ones turn it.
void TankTracer::foldBetweenPlates(double lo, double hi, double lower, double upper, int s,
                                   std::vector<Interval>& out) {
    const double gap = upper - lower;
    const auto first = static_cast<long long>(std::floor((lo - lower) / gap));
    const auto last = static_cast<long long>(std::floor((hi - lower) / gap));
    for (long long k = first; k <= last; ++k) {
        const double start = lower + static_cast<double>(k) * gap;
        const double r0 = std::max(lo, start) - start;
        const double r1 = std::min(hi, start + gap) - start;
        if (!(r1 > r0)) {
            continue;
        }
        if (k % 2 == 0) {
            out.push_back({lower + r0, lower + r1, s});
        } else {
            out.push_back({upper - r1, upper - r0, -s});
        }
    }
}

// Pieces cut apart by a plate come together again further on: joining them keeps their number
// as small as the folded interval needs.
void TankTracer::joinPieces(std::vector<Interval>& pieces, std::vector<Interval>& out) {
    std::sort(pieces.begin(), pieces.end(), [](const Interval& p, const Interval& q) {
        return p.sign != q.sign ? p.sign < q.sign : p.z0 < q.z0;
    });
    out.clear();
    for (const Interval& in : pieces) {
        if (!out.empty() && out.back().sign == in.sign &&
            in.z0 <= out.back().z1 + 1e-9 * (1.0 + std::abs(in.z0))) {
            out.back().z1 = std::max(out.back().z1, in.z1);
        } else {
            out.push_back(in);
        }
    }
}

// Rays move by `shift` along their sign. Within a unit's region a closed plate mirrors every
// ray reaching its plane, from either face.
void TankTracer::fold(const Interval& in, double shift, int unit,
                      std::vector<Interval>& out) const {
    std::array<double, 2> planes{};
    int count = 0;
    if (unit >= 0) {
        const TankUnit& u = scene_.units()[static_cast<std::size_t>(unit)];
        if (u.closedLow) {
            planes[static_cast<std::size_t>(count++)] = u.centre - u.reflectorLength / 2.0;
        }
        if (u.closedHigh) {
            planes[static_cast<std::size_t>(count++)] = u.centre + u.reflectorLength / 2.0;
        }
    }
    const int s = in.sign;
    // Cut the interval where a plane runs through it: each part meets other planes.
    std::array<double, 4> cuts{in.z0, 0.0, 0.0, 0.0};
    int cutCount = 1;
    for (int k = 0; k < count; ++k) {
        const double plane = planes[static_cast<std::size_t>(k)];
        if (plane > in.z0 && plane < in.z1) {
            cuts[static_cast<std::size_t>(cutCount++)] = plane;
        }
    }
    cuts[static_cast<std::size_t>(cutCount++)] = in.z1;
    for (int c = 0; c + 1 < cutCount; ++c) {
        const double a = cuts[static_cast<std::size_t>(c)];
        const double b = cuts[static_cast<std::size_t>(c + 1)];
        if (!(b > a)) {
            continue;
        }
        const double middle = 0.5 * (a + b);
        double lower = -std::numeric_limits<double>::infinity();
        double upper = std::numeric_limits<double>::infinity();
        for (int k = 0; k < count; ++k) {
            const double plane = planes[static_cast<std::size_t>(k)];
            if (plane <= middle) {
                lower = std::max(lower, plane);
            } else {
                upper = std::min(upper, plane);
            }
        }
        const double lo = a + s * shift;
        const double hi = b + s * shift;
        if (std::isfinite(lower) && std::isfinite(upper)) {
            foldBetweenPlates(lo, hi, lower, upper, s, out);
        } else if ((s > 0 && std::isfinite(upper)) || (s < 0 && std::isfinite(lower))) {
            const double plane = s > 0 ? upper : lower;
            const double keep0 = s > 0 ? lo : std::max(lo, plane);
            const double keep1 = s > 0 ? std::min(hi, plane) : hi;
            if (keep1 > keep0) {
                out.push_back({keep0, keep1, s});
            }
            const double over0 = s > 0 ? std::max(lo, plane) : lo;
            const double over1 = s > 0 ? hi : std::min(hi, plane);
            if (over1 > over0) {
                out.push_back({2.0 * plane - over1, 2.0 * plane - over0, -s});
            }
        } else {
            out.push_back({lo, hi, s});
        }
    }
}

// The in-plane path is cut where it crosses a plated unit's chord; each part lies wholly in or
// out of that unit's region (the path ends where it meets the profile).
void TankTracer::advance(const Sheet& sheet, double length, double tanPsi,
                         std::vector<Interval>& out) const {
    out = sheet.pieces;
    if (tanPsi == 0.0) {
        return;
    }
    std::array<double, 18> cuts{};
    std::size_t cutCount = 0;
    cuts[cutCount++] = 0.0;
    for (int u : platedUnits_) {
        const TankScene::Region& r = scene_.region(u);
        const double ax = r.x.front();
        const double ay = r.y.front();
        const double ex = r.x.back() - ax;
        const double ey = r.y.back() - ay;
        const double denominator = sheet.dx * ey - sheet.dy * ex;
        if (denominator == 0.0 || cutCount + 2 > cuts.size()) {
            continue;
        }
        const double wx = ax - sheet.px;
        const double wy = ay - sheet.py;
        const double t = (wx * ey - wy * ex) / denominator;
        const double along = (wx * sheet.dy - wy * sheet.dx) / denominator;
        if (t > 0.0 && t < length && along >= 0.0 && along <= 1.0) {
            cuts[cutCount++] = t;
        }
    }
    cuts[cutCount++] = length;
    std::sort(cuts.begin(), cuts.begin() + static_cast<std::ptrdiff_t>(cutCount));
    std::vector<Interval> next;
    for (std::size_t c = 0; c + 1 < cutCount; ++c) {
        const double piece = cuts[c + 1] - cuts[c];
        if (!(piece > 0.0)) {
            continue;
        }
        const double middle = 0.5 * (cuts[c] + cuts[c + 1]);
        const int unit = platedUnits_.empty()
                             ? -1
                             : regionAt(sheet.px + middle * sheet.dx, sheet.py + middle * sheet.dy);
        next.clear();
        for (const Interval& in : out) {
            if (in.sign == 0) {
                next.push_back(in);
            } else {
                fold(in, piece * tanPsi, unit, next);
            }
        }
        joinPieces(next, out);
    }
}

} // namespace kavrol::physics

// ---- The events at a mirror, a tube and the water ----
namespace kavrol::physics {

void TankTracer::atMirror(const Sheet& sheet, const Hit& hit, const std::vector<Interval>& at,
                          TankRay& out, std::vector<Sheet>& stack) const {
    const TankScene::Mirror& mirror = scene_.mirrors()[static_cast<std::size_t>(hit.index)];
    const TankUnit& unit = scene_.units()[static_cast<std::size_t>(mirror.unit)];
    const double r0 = unit.centre - unit.reflectorLength / 2.0;
    const double r1 = unit.centre + unit.reflectorLength / 2.0;
    Sheet next;
    next.px = sheet.px + hit.t * sheet.dx;
    next.py = sheet.py + hit.t * sheet.dy;
    next.dx = sheet.dx;
    next.dy = sheet.dy;
    next.density = sheet.density;
    next.events = sheet.events + 1;
    next.inPlaneLength = sheet.inPlaneLength + hit.t;
    next.inherit(sheet);
    // Beside the reflector's ends the rays pass on.
    Sheet pass = next;
    Sheet reflected = next;
    double inside = 0.0;
    for (const Interval& i : at) {
        if (i.z0 < r0) {
            pass.pieces.push_back({i.z0, std::min(i.z1, r0), i.sign});
        }
        if (i.z1 > r1) {
            pass.pieces.push_back({std::max(i.z0, r1), i.z1, i.sign});
        }
        const double z0 = std::max(i.z0, r0);
        const double z1 = std::min(i.z1, r1);
        if (z1 > z0) {
            reflected.pieces.push_back({z0, z1, i.sign});
            inside += z1 - z0;
        }
    }
    if (!pass.pieces.empty()) {
        pass.path = Mix(sheet.path, 1, hit.index, 1);
        stack.push_back(std::move(pass));
    }
    if (reflected.pieces.empty()) {
        return;
    }
    reflect(sheet, hit, inside, reflected, out, stack);
}

// The reflector's surface: the albedo's rest is absorbed, and what it keeps is mirrored, about
// the normal or, on a glossy sheet, about the normal tilted by each of the gloss rule's tilts.
// `reflected` holds the sheet's pieces that met the reflector within its length (`inside`
// millimetres of z together) at the hit's point; what the surface keeps goes on from there on
// the stack.
void TankTracer::reflect(const Sheet& sheet, const Hit& hit, double inside, Sheet& reflected,
                         TankRay& out, std::vector<Sheet>& stack) const {
    const double albedo = scene_.scene().materials.albedo;
    Shares(out, sheet.role)[ReflectorAbsorbed] += (1.0 - albedo) * sheet.density * inside;
    if (albedo == 0.0) {
        End(out, Mix(sheet.path, 1, hit.index, 0), ReflectorAbsorbed);
        return;
    }
    reflected.density = sheet.density * albedo;
    const double dot =
        (sheet.dx * hit.nx + sheet.dy * hit.ny) / (hit.nx * hit.nx + hit.ny * hit.ny);
    const double dx = sheet.dx - 2.0 * dot * hit.nx;
    const double dy = sheet.dy - 2.0 * dot * hit.ny;
    const double length = std::sqrt(dx * dx + dy * dy);
    reflected.dx = dx / length;
    reflected.dy = dy / length;
    reflected.path = Mix(sheet.path, 1, hit.index, 0);
    const double sigma =
        scene_.mirrors()[static_cast<std::size_t>(hit.index)].surface.glossSpreadDeg;
    const Spread* spread = sigma > 0.0 ? spreadOf(sigma) : nullptr;
    // The compared rule's sheets take later glossy reflections as mirrors, so their difference
    // also estimates the later reflections' rule; beyond the splits a sheet is a mirror too.
    if (spread != nullptr && reflected.role != GlossRole::Compared) {
        if (reflected.glossSplits < kMaxGlossSplits) {
            splitGloss(sheet, hit, *spread, reflected, stack);
            return;
        }
        if (!reflected.unresolved) {
            out.unresolved += reflected.weight();
            reflected.unresolved = true;
        }
    }
    stack.push_back(std::move(reflected));
}

// The tube is solid over its range: its side returns what meets it (less the transmission),
// and rays crossing its circle beside the range that reach an end disc's plane within it meet
// the disc and are returned too.
void TankTracer::atTube(const Sheet& sheet, const Hit& hit, const std::vector<Interval>& at,
                        double tanPsi, TankRay& out, std::vector<Sheet>& stack) const {
    const TankUnit& unit = scene_.units()[static_cast<std::size_t>(hit.index)];
    const double r0 = unit.centre - unit.litLength / 2.0;
    const double r1 = unit.centre + unit.litLength / 2.0;
    const double chord = hit.tFar - hit.t;
    Sheet next;
    next.px = sheet.px + hit.tFar * sheet.dx;
    next.py = sheet.py + hit.tFar * sheet.dy;
    next.dx = sheet.dx;
    next.dy = sheet.dy;
    next.density = sheet.density;
    next.events = sheet.events + 1;
    next.skipTube = hit.index;
    next.inPlaneLength = sheet.inPlaneLength + hit.tFar;
    next.inherit(sheet);
    Sheet pass = next;
    Sheet through = next;
    const double transmission = scene_.scene().materials.tubeTransmission;
    through.density = sheet.density * transmission;
    double returned = 0.0;
    for (const Interval& i : at) {
        const double shift = i.sign * chord * tanPsi;
        const auto keep = [&](Sheet& s, double z0, double z1) {
            if (z1 > z0) {
                s.pieces.push_back({z0 + shift, z1 + shift, i.sign});
            }
        };
        // Below the range: rays moving up by more than their distance to it meet the disc.
        {
            const double z1 = std::min(i.z1, r0);
            const double reach = i.sign > 0 ? r0 - shift : r0;
            returned += Length(std::max(i.z0, reach), z1);
            keep(pass, i.z0, std::min(z1, reach));
        }
        {
            const double z0 = std::max(i.z0, r1);
            const double reach = i.sign < 0 ? r1 - shift : r1;
            returned += Length(z0, std::min(i.z1, reach));
            keep(pass, std::max(z0, reach), i.z1);
        }
        const double z0 = std::max(i.z0, r0);
        const double z1 = std::min(i.z1, r1);
        if (z1 > z0) {
            returned += (1.0 - transmission) * (z1 - z0);
            if (transmission > 0.0) {
                keep(through, z0, z1);
            }
        }
    }
    Shares(out, sheet.role)[ReturnedToTube] += returned * sheet.density;
    if (returned > 0.0) {
        End(out, Mix(sheet.path, 2, hit.index, 0), ReturnedToTube);
    }
    if (!pass.pieces.empty()) {
        pass.path = Mix(sheet.path, 2, hit.index, 1);
        stack.push_back(std::move(pass));
    }
    if (!through.pieces.empty()) {
        through.path = Mix(sheet.path, 2, hit.index, 2);
        stack.push_back(std::move(through));
    }
}

void TankTracer::atWater(const Sheet& sheet, const Hit& hit, const std::vector<Interval>& at,
                         const Direction& d, TankRay& out, std::vector<Sheet>& stack) const {
    const Scene& scene = scene_.scene();
    const double hx = sheet.px + hit.t * sheet.dx;
    const double length = scene_.tank().length;
    const double n = scene.materials.refractiveIndex;
    const double transmitted = FresnelTable::Transmittance(d.cosPsi * sheet.dy, n);
    const double reflected = sheet.density * (1.0 - transmitted);
    const bool traced = scene.materials.waterReflection == WaterReflection::Traced;
    Sheet up;
    up.px = hx;
    up.py = scene.water.y;
    up.dx = sheet.dx;
    up.dy = -sheet.dy;
    up.density = reflected;
    up.events = sheet.events + 1;
    up.inPlaneLength = sheet.inPlaneLength + hit.t;
    up.path = Mix(sheet.path, 3, 1, 0);
    up.inherit(sheet);
    std::array<double, kTankFates>& shares = Shares(out, sheet.role);
    double beside = 0.0;
    int ordinal = 0;
    for (const Interval& i : at) {
        beside += Length(i.z0, std::min(i.z1, 0.0)) + Length(std::max(i.z0, length), i.z1);
        const double z0 = std::max(i.z0, 0.0);
        const double z1 = std::min(i.z1, length);
        if (!(z1 > z0)) {
            continue;
        }
        WaterEntry entry;
        entry.x = hx;
        entry.z0 = z0;
        entry.z1 = z1;
        entry.density = sheet.density * transmitted;
        const double across = d.cosPsi * sheet.dx / n;
        const double along = i.sign * d.sinPsi / n;
        const double down = std::sqrt(std::max(1.0 - across * across - along * along, 0.0));
        entry.slopeX = across / down;
        entry.slopeZ = along / down;
        entry.lengthPerDepth = 1.0 / down;
        entry.inPlaneLength = sheet.inPlaneLength + hit.t;
        entry.sinPsi = i.sign * d.sinPsi;
        entry.inPlaneDx = sheet.dx;
        entry.path = Mix(sheet.path, 3, ordinal++, i.sign);
        entry.role = sheet.role;
        if (entry.density > 0.0) {
            out.entries.push_back(entry);
            End(out, entry.path, Floor);
        }
        if (reflected > 0.0) {
            if (traced) {
                up.pieces.push_back({z0, z1, i.sign});
            } else {
                shares[BesideTank] += reflected * (z1 - z0);
            }
        }
    }
    if (beside > 0.0) {
        shares[BesideTank] += sheet.density * beside;
        End(out, Mix(sheet.path, 3, 2, 0), BesideTank);
    }
    if (!up.pieces.empty()) {
        stack.push_back(std::move(up));
    }
}

} // namespace kavrol::physics

// ---- The gloss of a sheet ----
namespace kavrol::physics {

// A tilted mirror turns the mirrored direction by twice the tilt; a direction that then points
// into the sheet (to the side the light came from) is mirrored once more about the true tangent.
// The first glossy reflection of a path also sends the compared rule's branches.
void TankTracer::splitGloss(const Sheet& sheet, const Hit& hit, const Spread& spread,
                            Sheet& reflected, std::vector<Sheet>& stack) const {
    const bool first = reflected.glossSplits == 0;
    const double norm2 = hit.nx * hit.nx + hit.ny * hit.ny;
    const double inDot = sheet.dx * hit.nx + sheet.dy * hit.ny;
    const auto branchOut = [&](const Turns& turns, GlossRole role, int code) {
        for (std::size_t i = 0; i < turns.rule.tilts.size(); ++i) {
            Sheet branch = reflected;
            branch.density = reflected.density * turns.rule.weights[i];
            branch.glossSplits = reflected.glossSplits + 1;
            branch.role = role;
            double bx = turns.cos[i] * reflected.dx - turns.sin[i] * reflected.dy;
            double by = turns.sin[i] * reflected.dx + turns.cos[i] * reflected.dy;
            const double outDot = (bx * hit.nx + by * hit.ny) / norm2;
            if (outDot * inDot > 0.0) {
                bx -= 2.0 * outDot * hit.nx;
                by -= 2.0 * outDot * hit.ny;
            }
            const double length = std::sqrt(bx * bx + by * by);
            branch.dx = bx / length;
            branch.dy = by / length;
            branch.path = Mix(reflected.path, 4, static_cast<int>(i), code);
            stack.push_back(std::move(branch));
        }
    };
    if (!first) {
        branchOut(spread.later, reflected.role, 0);
        return;
    }
    branchOut(spread.compare, GlossRole::Compared, 1);
    branchOut(spread.first, GlossRole::Followed, 0);
}

} // namespace kavrol::physics

// ---- The walk of one direction ----
namespace kavrol::physics {

// The rays a tube emits in one direction from every point of its lit length: one sheet on the
// tube's side, its share spread evenly over the length.
TankTracer::Sheet TankTracer::emitted(int tubeIndex, double a, double p, double psi) const {
    const Tube& tube = scene_.scene().tubes[static_cast<std::size_t>(tubeIndex)];
    const TankUnit& unit = scene_.units()[static_cast<std::size_t>(tubeIndex)];
    Sheet start;
    start.dx = std::sin(a);
    start.dy = std::cos(a);
    const double along = std::sqrt(std::max(tube.radius * tube.radius - p * p, 0.0));
    start.px = tube.x + p * start.dy + along * start.dx;
    start.py = tube.y - p * start.dx + along * start.dy;
    start.pieces.push_back({unit.centre - unit.litLength / 2.0, unit.centre + unit.litLength / 2.0,
                            psi > 0.0 ? 1 : (psi < 0.0 ? -1 : 0)});
    start.density = 1.0 / unit.litLength;
    start.skipTube = tubeIndex;
    return start;
}

void TankTracer::trace(int tubeIndex, double a, double p, double psi, TankRay& out) const {
    out.share = {};
    out.comparedShare = {};
    out.unresolved = 0.0;
    out.signature = 0;
    out.entries.clear();
    Direction d;
    d.cosPsi = std::cos(psi);
    d.sinPsi = std::abs(std::sin(psi));
    d.tanPsi = d.sinPsi / d.cosPsi;
    std::vector<Sheet> stack;
    stack.push_back(emitted(tubeIndex, a, p, psi));
    std::vector<Interval> at;
    int sheets = 1;
    const WaterLine& plane = scene_.scene().water;
    while (!stack.empty()) {
        const Sheet sheet = std::move(stack.back());
        stack.pop_back();
        const double weight = sheet.weight();
        if (sheet.events >= kMaxEvents || sheets > kMaxSheets) {
            Shares(out, sheet.role)[ReflectorAbsorbed] += weight;
            End(out, sheet.path, ReflectorAbsorbed);
            continue;
        }
        Hit hit;
        nearestHit(sheet, hit);
        // Light that meets nothing, or the water's plane beside the tank, leaves whatever its
        // z; a nearly level ray may meet the plane very far away, where z would lose its
        // precision.
        const double hx = sheet.px + hit.t * sheet.dx;
        if (hit.kind == Kind::None ||
            (hit.kind == Kind::Water && (hx < plane.xMin || hx > plane.xMax))) {
            Shares(out, sheet.role)[BesideTank] += weight;
            End(out, sheet.path, BesideTank);
            continue;
        }
        advance(sheet, hit.t, d.tanPsi, at);
        const std::size_t before = stack.size();
        switch (hit.kind) {
        case Kind::Mirror:
            atMirror(sheet, hit, at, out, stack);
            break;
        case Kind::Tube:
            atTube(sheet, hit, at, d.tanPsi, out, stack);
            break;
        default:
            atWater(sheet, hit, at, d, out, stack);
            break;
        }
        sheets += static_cast<int>(stack.size() - before);
    }
}

} // namespace kavrol::physics
