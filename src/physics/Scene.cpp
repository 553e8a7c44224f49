// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: distance from a point to the pieces; checks of a design (their messages through
// RefusalText); building the scene; symmetry.
#include "Scene.h"
#include "RefusalText.h"

#include "PhysicalDesignError.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <type_traits>

namespace kavrol::physics {

namespace {

using RefusalText::Mm;
using RefusalText::Require;

// Throws the refusal when the condition fails, its message written only then: a search checks
// every design it takes, and writing the lengths cost about a twentieth of a coarse estimate.
template <class Message>
requires std::is_invocable_r_v<std::string, Message>
void Require(bool condition, Message&& message) {
    if (!condition) {
        throw PhysicalDesignError(message());
    }
}

// --- Distance from a point to the pieces ---

double DistanceToSegment(const MirrorSegment& s, double px, double py) {
    const double ex = s.x1 - s.x0;
    const double ey = s.y1 - s.y0;
    const double length2 = ex * ex + ey * ey;
    double t = length2 > 0.0 ? ((px - s.x0) * ex + (py - s.y0) * ey) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double dx = s.x0 + t * ex - px;
    const double dy = s.y0 + t * ey - py;
    return std::sqrt(dx * dx + dy * dy);
}

// A coarse scan followed by a golden-section search around the best sample.
double DistanceToArc(const MirrorArc& arc, double px, double py) {
    const auto distance = [&](double x) {
        const double dy = arc.yAt(x) - py;
        return std::sqrt((x - px) * (x - px) + dy * dy);
    };
    constexpr int kSamples = 256;
    const double step = (arc.xMax - arc.xMin) / kSamples;
    int best = 0;
    double bestDistance = distance(arc.xMin);
    for (int i = 1; i <= kSamples; ++i) {
        const double d = distance(arc.xMin + i * step);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    double lo = arc.xMin + std::max(best - 1, 0) * step;
    double hi = arc.xMin + std::min(best + 1, kSamples) * step;
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    for (int iteration = 0; iteration < 80; ++iteration) {
        const double x1 = hi - ratio * (hi - lo);
        const double x2 = lo + ratio * (hi - lo);
        if (distance(x1) < distance(x2)) {
            hi = x2;
        } else {
            lo = x1;
        }
    }
    return std::min(bestDistance, distance(0.5 * (lo + hi)));
}

// True when the arc surely keeps at least `radius` from (px, py), judged by boxes: the arc cut
// into 32 pieces, each within the box of its ends (and of the vertex when it holds it), widened by
// a billionth of the scene's size for the rounding of the heights. DistanceToArc could then only
// find the arc that far too, so a design passes without its close search.
bool SurelyClear(const MirrorArc& arc, double px, double py, double radius) {
    constexpr int kPieces = 32;
    const double scale = 1.0 + std::abs(px) + std::abs(py) + std::abs(arc.xMin) +
                         std::abs(arc.xMax) + std::abs(arc.vertexY) + std::abs(arc.yAt(arc.xMin)) +
                         std::abs(arc.yAt(arc.xMax));
    const double margin = 1e-9 * scale;
    const double step = (arc.xMax - arc.xMin) / kPieces;
    for (int i = 0; i < kPieces; ++i) {
        const double x0 = arc.xMin + i * step;
        const double x1 = i + 1 == kPieces ? arc.xMax : arc.xMin + (i + 1) * step;
        const double y0 = arc.yAt(x0);
        const double y1 = arc.yAt(x1);
        const double yLow = x0 <= arc.vertexX && arc.vertexX <= x1 ? arc.vertexY : std::min(y0, y1);
        const double yHigh = std::max(y0, y1);
        const double gx = std::max({0.0, x0 - margin - px, px - x1 - margin});
        const double gy = std::max({0.0, yLow - margin - py, py - yHigh - margin});
        if (gx * gx + gy * gy < radius * radius * (1.0 + 1e-6)) {
            return false;
        }
    }
    return true;
}

double DistanceToReflector(const Scene& scene, double px, double py) {
    double nearest = std::numeric_limits<double>::infinity();
    for (const MirrorSegment& s : scene.segments) {
        nearest = std::min(nearest, DistanceToSegment(s, px, py));
    }
    for (const MirrorArc& arc : scene.arcs) {
        nearest = std::min(nearest, DistanceToArc(arc, px, py));
    }
    return nearest;
}

// --- Checks of a design ---

bool Finite(double value) {
    return std::isfinite(value);
}

void CheckMaterialsAndSizes(const PhysicalDesign& d) {
    Require(Finite(d.a) && d.a > 0.0,
            [&] { return "A must be a positive length, got " + Mm(d.a); });
    Require(Finite(d.b) && d.b > 0.0,
            [&] { return "B must be a positive length, got " + Mm(d.b); });
    if (d.shape != ReflectorShape::Parabola) {
        Require(Finite(d.c) && d.c >= 0.0,
                [&] { return "C must not be negative, got " + Mm(d.c); });
        Require(d.c < d.a, [&] {
            return "C (" + Mm(d.c) + ") must be below A (" + Mm(d.a) +
                   ") for the trapezoid and the twin arc";
        });
    }
    Require(Finite(d.tubeRadius) && d.tubeRadius > 0.0,
            [&] { return "The tube's radius must be positive, got " + Mm(d.tubeRadius); });
    Require(Finite(d.lampDistance), "The lamp distance must be a finite length");
    Require(Finite(d.waterDistance) && d.waterDistance > 0.0,
            [&] { return "The water distance must be positive, got " + Mm(d.waterDistance); });
    Require(Finite(d.aquariumWidth) && d.aquariumWidth > 0.0,
            [&] { return "The aquarium's width must be positive, got " + Mm(d.aquariumWidth); });
    const Materials& m = d.materials;
    Require(m.albedo >= 0.0 && m.albedo <= 1.0, "The albedo must lie from 0 to 1");
    Require(m.tubeTransmission >= 0.0 && m.tubeTransmission <= 1.0,
            "The tube transmission must lie from 0 to 1");
    Require(Finite(m.refractiveIndex) && m.refractiveIndex >= 1.0,
            "The water's refractive index must be at least 1");
    Require(m.surface.diffuseShare >= 0.0 && m.surface.diffuseShare <= 1.0,
            "The diffuse share must lie from 0 to 1");
    Require(m.surface.glossSpreadDeg >= 0.0 && m.surface.glossSpreadDeg <= 30.0,
            "The gloss spread must lie from 0 to 30 degrees");
}

// Depth of the reflector on the tube's axis: its deepest point right above the tube.
double DepthOnAxis(const PhysicalDesign& d) {
    if (d.shape == ReflectorShape::TwinArc) {
        const double ratio = d.c / (d.a - d.c);
        return d.b * ratio * ratio;
    }
    return 0.0;
}

void CheckPlacement(const PhysicalDesign& d, const Scene& scene) {
    const double waterY = d.lampDistance + d.waterDistance;
    Require(d.b < waterY, [&] {
        return "The reflector reaches the water line: it is " + Mm(d.b) +
               " deep and the water lies " + Mm(waterY) + " below its top line";
    });
    Require(d.tubeRadius < d.waterDistance, [&] {
        return "The tube reaches the water line: its radius is " + Mm(d.tubeRadius) +
               " and the water lies " + Mm(d.waterDistance) + " below its axis";
    });
    const double onAxis = DepthOnAxis(d);
    if (d.lampDistance <= onAxis) {
        if (d.shape == ReflectorShape::TwinArc) {
            throw PhysicalDesignError(
                "The tube lies behind the reflector: the twin arc's ridge lies " + Mm(onAxis) +
                " deep, not above the tube's axis at " + Mm(d.lampDistance));
        }
        throw PhysicalDesignError("The tube lies behind the reflector: its axis at " +
                                  Mm(d.lampDistance) + " is not below the reflector's top line");
    }
    // Most designs keep far from the tube: their arcs' boxes show it without the close search.
    const bool surelyClear =
        std::all_of(scene.segments.begin(), scene.segments.end(),
                    [&](const MirrorSegment& s) {
                        return DistanceToSegment(s, 0.0, d.lampDistance) >= d.tubeRadius;
                    }) &&
        std::all_of(scene.arcs.begin(), scene.arcs.end(), [&](const MirrorArc& arc) {
            return SurelyClear(arc, 0.0, d.lampDistance, d.tubeRadius);
        });
    if (surelyClear) {
        return;
    }
    const double nearest = DistanceToReflector(scene, 0.0, d.lampDistance);
    Require(nearest >= d.tubeRadius, [&] {
        return "The reflector cuts through the tube: it passes " + Mm(nearest) +
               " from the tube's axis, within its radius of " + Mm(d.tubeRadius);
    });
}

// --- Building the scene ---

void AddReflector(const PhysicalDesign& d, Scene& scene) {
    const double halfA = d.a / 2.0;
    const double halfC = d.c / 2.0;
    switch (d.shape) {
    case ReflectorShape::Parabola:
        scene.arcs.push_back({0.0, 0.0, halfA * halfA / d.b, -halfA, halfA});
        break;
    case ReflectorShape::TwinArc: {
        const double m = (halfA - halfC) * (halfA - halfC) / d.b;
        scene.arcs.push_back({-halfC, 0.0, m, -halfA, 0.0});
        scene.arcs.push_back({halfC, 0.0, m, 0.0, halfA});
        break;
    }
    case ReflectorShape::Trapezoid:
        scene.segments.push_back({-halfA, d.b, -halfC, 0.0});
        if (halfC > 0.0) {
            scene.segments.push_back({-halfC, 0.0, halfC, 0.0});
        }
        scene.segments.push_back({halfC, 0.0, halfA, d.b});
        break;
    }
}

bool Near(double p, double q, double scale) {
    return std::abs(p - q) <= 1e-12 * scale;
}

} // namespace

Scene Scene::FromDesign(const PhysicalDesign& design) {
    CheckMaterialsAndSizes(design);
    Scene scene;
    scene.tubes.push_back({0.0, design.lampDistance, design.tubeRadius, 1.0});
    AddReflector(design, scene);
    const double waterY = design.lampDistance + design.waterDistance;
    scene.water = {waterY, -design.aquariumWidth / 2.0, design.aquariumWidth / 2.0};
    scene.materials = design.materials;
    CheckPlacement(design, scene);
    return scene;
}

Scene Scene::withoutReflector() const {
    Scene bare = *this;
    bare.segments.clear();
    bare.arcs.clear();
    bare.curves.clear();
    bare.segmentSurfaces.clear();
    bare.arcSurfaces.clear();
    bare.curveSurfaces.clear();
    return bare;
}

namespace {

// --- Symmetry ---

template <typename Test> bool AnyPiece(const Scene& scene, Test test) {
    const bool ownLists = !scene.segmentSurfaces.empty() || !scene.arcSurfaces.empty() ||
                          !scene.curveSurfaces.empty();
    if (!ownLists) {
        return test(scene.materials.surface);
    }
    for (const auto* list : {&scene.segmentSurfaces, &scene.arcSurfaces, &scene.curveSurfaces}) {
        if (std::any_of(list->begin(), list->end(), test)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool Scene::anyScattering() const {
    return AnyPiece(*this, [](const ReflectorSurface& s) { return !s.isMirror(); });
}

bool Scene::anyDiffuse() const {
    return AnyPiece(*this, [](const ReflectorSurface& s) { return s.diffuseShare > 0.0; });
}

bool Scene::hasGlossSpread() const {
    return AnyPiece(*this, [](const ReflectorSurface& s) { return s.glossSpreadDeg > 0.0; });
}

bool Scene::mirrorSymmetric() const {
    double scale = std::max({1.0, std::abs(water.y), std::abs(water.xMin), std::abs(water.xMax)});
    if (!Near(water.xMin, -water.xMax, scale)) {
        return false;
    }
    const auto hasTube = [&](const Tube& t) {
        return std::any_of(tubes.begin(), tubes.end(), [&](const Tube& o) {
            return Near(o.x, -t.x, scale) && Near(o.y, t.y, scale) &&
                   Near(o.radius, t.radius, scale) && o.power == t.power;
        });
    };
    const auto alike = [](const ReflectorSurface& p, const ReflectorSurface& q) {
        return p.diffuseShare == q.diffuseShare && p.glossSpreadDeg == q.glossSpreadDeg;
    };
    const auto hasSegment = [&](const MirrorSegment& s) {
        const ReflectorSurface& own =
            segmentSurface(static_cast<std::size_t>(&s - segments.data()));
        return std::any_of(segments.begin(), segments.end(), [&](const MirrorSegment& o) {
            if (!alike(own, segmentSurface(static_cast<std::size_t>(&o - segments.data())))) {
                return false;
            }
            const bool same = Near(o.x0, -s.x0, scale) && Near(o.y0, s.y0, scale) &&
                              Near(o.x1, -s.x1, scale) && Near(o.y1, s.y1, scale);
            const bool reversed = Near(o.x1, -s.x0, scale) && Near(o.y1, s.y0, scale) &&
                                  Near(o.x0, -s.x1, scale) && Near(o.y0, s.y1, scale);
            return same || reversed;
        });
    };
    const auto hasArc = [&](const MirrorArc& a) {
        const ReflectorSurface& own = arcSurface(static_cast<std::size_t>(&a - arcs.data()));
        return std::any_of(arcs.begin(), arcs.end(), [&](const MirrorArc& o) {
            return alike(own, arcSurface(static_cast<std::size_t>(&o - arcs.data()))) &&
                   Near(o.vertexX, -a.vertexX, scale) && Near(o.vertexY, a.vertexY, scale) &&
                   Near(o.m, a.m, scale) && Near(o.xMin, -a.xMax, scale) &&
                   Near(o.xMax, -a.xMin, scale);
        });
    };
    const auto hasCurve = [&](const MirrorCurve& c) {
        const ReflectorSurface& own = curveSurface(static_cast<std::size_t>(&c - curves.data()));
        return std::any_of(curves.begin(), curves.end(), [&](const MirrorCurve& o) {
            return alike(own, curveSurface(static_cast<std::size_t>(&o - curves.data()))) &&
                   c.mirrors(o, 1e-12 * scale);
        });
    };
    return std::all_of(tubes.begin(), tubes.end(), hasTube) &&
           std::all_of(segments.begin(), segments.end(), hasSegment) &&
           std::all_of(arcs.begin(), arcs.end(), hasArc) &&
           std::all_of(curves.begin(), curves.end(), hasCurve);
}

} // namespace kavrol::physics
