// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: messages; pieces as curves; building a unit; checks of one unit; checks between
// units; the whole fixture.
#include "FixtureScene.h"
#include "RefusalText.h"

#include "FixtureError.h"
#include "PhysicalDesignError.h"
#include "ProfileCurve.h"
#include "QuotedText.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

namespace kavrol::physics {

namespace {

// --- Messages ---

using RefusalText::Mm;

// --- Pieces as curves ---

// Samples per curve piece for the checks: enough to see a loop of a smooth piece.
constexpr int kCheckSamples = 64;

MirrorCurve SegmentCurve(const MirrorSegment& s) {
    MirrorCurve curve;
    curve.addPiece({s.x0, s.x1 - s.x0, 0.0, 0.0}, {s.y0, s.y1 - s.y0, 0.0, 0.0}, s.x1, s.y1);
    return curve;
}

// x = xMin + s w, y = vertexY + (d + s w)^2 / m with d = xMin - vertexX.
MirrorCurve ArcCurve(const MirrorArc& arc) {
    const double w = arc.xMax - arc.xMin;
    const double d = arc.xMin - arc.vertexX;
    MirrorCurve curve;
    curve.addPiece({arc.xMin, w, 0.0, 0.0},
                   {arc.vertexY + d * d / arc.m, 2.0 * d * w / arc.m, w * w / arc.m, 0.0}, arc.xMax,
                   arc.yAt(arc.xMax));
    return curve;
}

std::vector<Fixture::Point> Samples(const std::vector<MirrorCurve>& outline) {
    std::vector<Fixture::Point> all;
    for (const MirrorCurve& curve : outline) {
        for (const Fixture::Point& p : ProfileCurve::Sample(curve, kCheckSamples)) {
            // Pieces that join share their end points; one of each pair is kept.
            if (all.empty() || p.x != all.back().x || p.y != all.back().y) {
                all.push_back(p);
            }
        }
    }
    return all;
}

// The distance from (x, y) to the outline when it is below `limit`; infinity or a distance of
// at least `limit` otherwise.
double Distance(const std::vector<MirrorCurve>& outline, double x, double y, double limit) {
    double nearest = std::numeric_limits<double>::infinity();
    for (const MirrorCurve& curve : outline) {
        nearest = std::min(nearest, curve.distanceTo(x, y, std::min(nearest, limit)));
    }
    return nearest;
}

double Cross(const Fixture::Point& o, const Fixture::Point& a, const Fixture::Point& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Whether segments pq and rs meet (touching counts).
bool Meet(const Fixture::Point& p, const Fixture::Point& q, const Fixture::Point& r,
          const Fixture::Point& s) {
    if (std::max(p.x, q.x) < std::min(r.x, s.x) || std::max(r.x, s.x) < std::min(p.x, q.x) ||
        std::max(p.y, q.y) < std::min(r.y, s.y) || std::max(r.y, s.y) < std::min(p.y, q.y)) {
        return false;
    }
    const double d1 = Cross(p, q, r);
    const double d2 = Cross(p, q, s);
    const double d3 = Cross(r, s, p);
    const double d4 = Cross(r, s, q);
    return ((d1 <= 0.0 && d2 >= 0.0) || (d1 >= 0.0 && d2 <= 0.0)) &&
           ((d3 <= 0.0 && d4 >= 0.0) || (d3 >= 0.0 && d4 <= 0.0));
}

// A run of consecutive segments of a polyline behind one box, so that only runs whose boxes
// overlap have their segments tested against each other.
struct Run {
    std::size_t first; // the run's first segment: points[first] to points[first + 1]
    std::size_t end;   // one past its last segment
    double xMin;
    double xMax;
    double yMin;
    double yMax;
};

// Segments to a run: long enough that runs are few, short enough that testing two runs'
// segments pairwise stays cheap.
constexpr std::size_t kRunLength = 32;

bool BoxesMeet(const Run& a, const Run& b) {
    return a.xMin <= b.xMax && b.xMin <= a.xMax && a.yMin <= b.yMax && b.yMin <= a.yMax;
}

bool SegmentMeetsBox(const Fixture::Point& p, const Fixture::Point& q, const Run& box) {
    return std::min(p.x, q.x) <= box.xMax && std::max(p.x, q.x) >= box.xMin &&
           std::min(p.y, q.y) <= box.yMax && std::max(p.y, q.y) >= box.yMin;
}

std::vector<Run> Runs(const std::vector<Fixture::Point>& points) {
    std::vector<Run> runs;
    const std::size_t segments = points.size() < 2 ? 0 : points.size() - 1;
    for (std::size_t first = 0; first < segments; first += kRunLength) {
        Run run{first,           std::min(first + kRunLength, segments),
                points[first].x, points[first].x,
                points[first].y, points[first].y};
        for (std::size_t k = first + 1; k <= run.end; ++k) {
            run.xMin = std::min(run.xMin, points[k].x);
            run.xMax = std::max(run.xMax, points[k].x);
            run.yMin = std::min(run.yMin, points[k].y);
            run.yMax = std::max(run.yMax, points[k].y);
        }
        runs.push_back(run);
    }
    return runs;
}

// The pairs of runs whose boxes overlap (a run with itself included), found by sweeping the
// boxes from left to right: about linear for a profile, whose runs mostly follow one another.
std::vector<std::pair<std::size_t, std::size_t>> OverlappingRuns(const std::vector<Run>& runs) {
    std::vector<std::size_t> order(runs.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return runs[a].xMin < runs[b].xMin; });
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    std::vector<std::size_t> active;
    for (const std::size_t r : order) {
        std::erase_if(active, [&](std::size_t a) { return runs[a].xMax < runs[r].xMin; });
        pairs.emplace_back(r, r);
        for (const std::size_t a : active) {
            if (BoxesMeet(runs[a], runs[r])) {
                pairs.emplace_back(std::min(a, r), std::max(a, r));
            }
        }
        active.push_back(r);
    }
    return pairs;
}

// Where the polyline through `points` first meets itself away from neighbouring pieces: of the
// pairs of segments i < j - 1 that meet, the one with the smallest i, then the smallest j; the
// crossing of the two (or, where they overlap along a line, the later one's start).
bool CrossesItself(const std::vector<Fixture::Point>& points, Fixture::Point& where) {
    const std::vector<Run> runs = Runs(points);
    std::size_t bestI = points.size();
    std::size_t bestJ = points.size();
    std::vector<std::size_t> fromA;
    std::vector<std::size_t> fromB;
    for (const auto& [ra, rb] : OverlappingRuns(runs)) {
        const Run& a = runs[ra];
        const Run& b = runs[rb];
        fromA.clear();
        fromB.clear();
        for (std::size_t i = a.first; i < a.end; ++i) {
            if (SegmentMeetsBox(points[i], points[i + 1], b)) {
                fromA.push_back(i);
            }
        }
        for (std::size_t j = b.first; j < b.end; ++j) {
            if (SegmentMeetsBox(points[j], points[j + 1], a)) {
                fromB.push_back(j);
            }
        }
        for (const std::size_t i : fromA) {
            if (i > bestI) {
                break;
            }
            for (const std::size_t j : fromB) {
                if (j < i + 2 || (i == bestI && j >= bestJ)) {
                    continue;
                }
                if (Meet(points[i], points[i + 1], points[j], points[j + 1])) {
                    bestI = i;
                    bestJ = j;
                    break;
                }
            }
        }
    }
    if (bestI == points.size()) {
        return false;
    }
    const Fixture::Point& p = points[bestI];
    const Fixture::Point& q = points[bestI + 1];
    const Fixture::Point& r = points[bestJ];
    const Fixture::Point& s = points[bestJ + 1];
    const double denominator = (q.x - p.x) * (s.y - r.y) - (q.y - p.y) * (s.x - r.x);
    const double t = denominator == 0.0 ? 0.0 : Cross(p, r, s) / denominator;
    where = denominator == 0.0 ? r : Fixture::Point{p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)};
    return true;
}

// The deepest y at which the polyline crosses the vertical line x; -infinity when it does not.
double DeepestCrossing(const std::vector<Fixture::Point>& points, double x) {
    double deepest = -std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const Fixture::Point& p = points[i];
        const Fixture::Point& q = points[i + 1];
        if ((p.x <= x && q.x >= x) || (q.x <= x && p.x >= x)) {
            const double y =
                p.x == q.x ? std::max(p.y, q.y) : p.y + (q.y - p.y) * (x - p.x) / (q.x - p.x);
            deepest = std::max(deepest, y);
        }
    }
    return deepest;
}

void Fail(const Fixture& fixture, int unit, const std::string& reason) {
    throw FixtureError(FixtureScene::UnitName(fixture, unit) + ": " + reason);
}

} // namespace

// --- Building a unit ---

std::string FixtureScene::UnitName(const Fixture& fixture, int unit) {
    std::string name = "unit " + std::to_string(unit + 1);
    const std::string& given = fixture.units[static_cast<std::size_t>(unit)].name;
    return given.empty() ? name : name + " (\"" + QuotedText::Excerpt(given) + "\")";
}

PhysicalDesign FixtureScene::UnitDesign(const Fixture& fixture, int unit) {
    const Fixture::Unit& u = fixture.units[static_cast<std::size_t>(unit)];
    PhysicalDesign design;
    design.shape = u.reflector.shape;
    design.a = u.reflector.a;
    design.b = u.reflector.b;
    design.c = u.reflector.c;
    design.tubeRadius = u.tubeRadius;
    design.lampDistance = u.lampDistance;
    design.waterDistance = fixture.waterDistance;
    design.aquariumWidth = fixture.width;
    design.materials = fixture.materials;
    design.materials.surface = u.surface;
    return design;
}

// A shape is built and checked as the single design would be, in the unit's own frame, and
// moved into place; the move is skipped when it is none, so that one unit at x = 0 keeps the
// design's numbers to the bit.
void FixtureScene::addShape(const Fixture& fixture, int unit, double top,
                            std::vector<MirrorCurve>& outline) {
    const Fixture::Unit& u = fixture.units[static_cast<std::size_t>(unit)];
    Scene own;
    try {
        own = Scene::FromDesign(UnitDesign(fixture, unit));
    } catch (const PhysicalDesignError& e) {
        // "The tube lies ..." reads on after the unit's name as "the tube lies ...".
        std::string reason = e.what();
        if (reason.rfind("The ", 0) == 0) {
            reason[0] = 't';
        }
        Fail(fixture, unit, reason);
    }
    const bool moved = u.x != 0.0 || top != 0.0;
    for (MirrorSegment s : own.segments) {
        if (moved) {
            s = {s.x0 + u.x, s.y0 + top, s.x1 + u.x, s.y1 + top};
        }
        scene_.segments.push_back(s);
        outline.push_back(SegmentCurve(s));
    }
    for (MirrorArc a : own.arcs) {
        if (moved) {
            a = {a.vertexX + u.x, a.vertexY + top, a.m, a.xMin + u.x, a.xMax + u.x};
        }
        scene_.arcs.push_back(a);
        outline.push_back(ArcCurve(a));
    }
}

void FixtureScene::addUnit(const Fixture& fixture, int unit, double axisY) {
    const Fixture::Unit& u = fixture.units[static_cast<std::size_t>(unit)];
    const double top = axisY - u.lampDistance;
    scene_.tubes.push_back({u.x, axisY, u.tubeRadius, u.power});
    std::vector<MirrorCurve> outline;
    const Fixture::Reflector& r = u.reflector;
    if (!r.hasProfile) {
        addShape(fixture, unit, top, outline);
    } else if (r.join == Fixture::Join::Straight) {
        for (const MirrorSegment& s : ProfileCurve::Straight(r.points)) {
            const MirrorSegment moved{s.x0 + u.x, s.y0 + top, s.x1 + u.x, s.y1 + top};
            scene_.segments.push_back(moved);
            outline.push_back(SegmentCurve(moved));
        }
    } else {
        const MirrorCurve curve = ProfileCurve::Smooth(r.points).translated(u.x, top);
        scene_.curves.push_back(curve);
        outline.push_back(curve);
    }
    // This unit's pieces take its sheet.
    scene_.segmentSurfaces.resize(scene_.segments.size(), u.surface);
    scene_.arcSurfaces.resize(scene_.arcs.size(), u.surface);
    scene_.curveSurfaces.resize(scene_.curves.size(), u.surface);
    outlines_.push_back(outline);
    const std::vector<Fixture::Point> samples = Samples(outline);
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    double bottom = -low;
    for (const Fixture::Point& p : samples) {
        low = std::min(low, p.x);
        high = std::max(high, p.x);
        bottom = std::max(bottom, p.y);
    }
    extents_.emplace_back(low, high);
    bottoms_.push_back(bottom);
}

// --- Checks of one unit ---

// A profile's own checks (the three shapes had theirs as a design), in the profile's frame
// for the messages: x from the tube's axis, y from the unit's top line.
void FixtureScene::checkUnit(const Fixture& fixture, int unit, double axisY) const {
    const Fixture::Unit& u = fixture.units[static_cast<std::size_t>(unit)];
    if (u.tubeRadius >= fixture.waterDistance) {
        Fail(fixture, unit,
             "the tube reaches the water line: its radius is " + Mm(u.tubeRadius) +
                 " and the water lies " + Mm(fixture.waterDistance) + " below its axis");
    }
    if (!u.reflector.hasProfile) {
        return;
    }
    const double top = axisY - u.lampDistance;
    const std::vector<MirrorCurve>& own = outline(unit);
    const std::vector<Fixture::Point> samples = Samples(own);
    Fixture::Point where;
    if (CrossesItself(samples, where)) {
        Fail(fixture, unit,
             "the profile crosses itself at (" + Mm(where.x - u.x) + ", " + Mm(where.y - top) +
                 ")");
    }
    const std::vector<Fixture::Point>& points = u.reflector.points;
    if (!(points.front().x < 0.0 && points.back().x > 0.0)) {
        Fail(fixture, unit,
             "the tube's axis (x = 0 in the profile) must lie between the rims, which lie at x "
             "= " +
                 Mm(points.front().x) + " and x = " + Mm(points.back().x));
    }
    const double above = DeepestCrossing(samples, u.x) - top;
    if (!(u.lampDistance > above)) {
        Fail(fixture, unit,
             "the tube lies behind the reflector: the profile lies " + Mm(above) +
                 " deep above the tube, not above its axis at " + Mm(u.lampDistance));
    }
    const double nearest = Distance(own, u.x, axisY, u.tubeRadius);
    if (nearest < u.tubeRadius) {
        Fail(fixture, unit,
             "the reflector cuts through the tube: it passes " + Mm(nearest) +
                 " from the tube's axis, within its radius of " + Mm(u.tubeRadius));
    }
    const double deepest = bottom(unit) - top;
    const double water = u.lampDistance + fixture.waterDistance;
    if (!(deepest < water)) {
        Fail(fixture, unit,
             "the reflector reaches the water line: it is " + Mm(deepest) +
                 " deep and the water lies " + Mm(water) + " below its top line");
    }
}

// --- Checks between units ---

void FixtureScene::checkNeighbours(const Fixture& fixture) const {
    const int n = static_cast<int>(fixture.units.size());
    for (int i = 0; i < n; ++i) {
        const Tube& ti = scene_.tubes[static_cast<std::size_t>(i)];
        for (int j = i + 1; j < n; ++j) {
            const Tube& tj = scene_.tubes[static_cast<std::size_t>(j)];
            if (std::max(left(i), left(j)) < std::min(right(i), right(j))) {
                Fail(fixture, j,
                     "overlaps " + UnitName(fixture, i) +
                         ": their reflectors span x = " + Mm(left(j)) + " to " + Mm(right(j)) +
                         " and x = " + Mm(left(i)) + " to " + Mm(right(i)));
            }
            const double apart = std::hypot(tj.x - ti.x, tj.y - ti.y);
            if (apart < ti.radius + tj.radius) {
                Fail(fixture, j,
                     "its tube overlaps that of " + UnitName(fixture, i) + ": their axes lie " +
                         Mm(apart) + " apart");
            }
        }
        for (int j = 0; j < n; ++j) {
            const Tube& tj = scene_.tubes[static_cast<std::size_t>(j)];
            const double nearest = j == i ? tj.radius : Distance(outline(i), tj.x, tj.y, tj.radius);
            if (nearest < tj.radius) {
                Fail(fixture, i,
                     "the reflector cuts through the tube of " + UnitName(fixture, j) +
                         ": it passes " + Mm(nearest) +
                         " from that tube's axis, within its "
                         "radius of " +
                         Mm(tj.radius));
            }
        }
    }
}

// --- The whole fixture ---

FixtureScene::FixtureScene(const Fixture& fixture) {
    if (fixture.units.empty()) {
        throw FixtureError("the fixture has no unit");
    }
    double axisY = 0.0;
    for (const Fixture::Unit& u : fixture.units) {
        axisY = std::max(axisY, u.lampDistance);
    }
    const int n = static_cast<int>(fixture.units.size());
    for (int i = 0; i < n; ++i) {
        addUnit(fixture, i, axisY);
    }
    scene_.water = {axisY + fixture.waterDistance, -fixture.width / 2.0, fixture.width / 2.0};
    scene_.materials = fixture.materials;
    // One sheet for every unit is the scene's own surface, as for a single design.
    const ReflectorSurface& first = fixture.units.front().surface;
    const bool oneSurface = std::all_of(fixture.units.begin(), fixture.units.end(),
                                        [&](const Fixture::Unit& u) { return u.surface == first; });
    if (oneSurface) {
        scene_.materials.surface = first;
        scene_.segmentSurfaces.clear();
        scene_.arcSurfaces.clear();
        scene_.curveSurfaces.clear();
    }
    for (int i = 0; i < n; ++i) {
        checkUnit(fixture, i, axisY);
    }
    checkNeighbours(fixture);
}

} // namespace kavrol::physics
