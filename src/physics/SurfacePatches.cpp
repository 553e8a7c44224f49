// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: building the patches; points of a piece; sides of a hit; the mirror map.
#include "SurfacePatches.h"

#include "QuadratureRule.h"

#include <algorithm>
#include <cmath>

namespace kavrol::physics {

// --- Building the patches ---

namespace {

double Derivative(const std::array<double, 4>& c, double s) {
    return c[1] + s * (2.0 * c[2] + 3.0 * s * c[3]);
}

} // namespace

SurfacePatches::SurfacePatches(const Scene& scene, int patches) : scene_(&scene) {
    for (std::size_t i = 0; i < scene.segments.size(); ++i) {
        pieceOfSegment_.push_back(static_cast<int>(pieces_.size()));
        pieces_.push_back({PieceKind::Segment, static_cast<int>(i), 0.0, 1.0, 0, 2});
    }
    for (std::size_t i = 0; i < scene.arcs.size(); ++i) {
        pieceOfArc_.push_back(static_cast<int>(pieces_.size()));
        const MirrorArc& arc = scene.arcs[i];
        pieces_.push_back({PieceKind::Arc, static_cast<int>(i), arc.xMin, arc.xMax, 0, 2});
    }
    for (std::size_t i = 0; i < scene.curves.size(); ++i) {
        pieceOfCurve_.push_back(static_cast<int>(pieces_.size()));
        const double end = static_cast<double>(scene.curves[i].pieces.size());
        pieces_.push_back({PieceKind::Curve, static_cast<int>(i), 0.0, end, 0, 2});
    }
    std::vector<double> lengths;
    double total = 0.0;
    for (const Piece& piece : pieces_) {
        lengths.push_back(lengthOf(piece));
        total += lengths.back();
    }
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        Piece& piece = pieces_[i];
        const double share = total > 0.0 ? lengths[i] / total : 1.0;
        const int pairs = std::max(1, static_cast<int>(std::lround(0.5 * patches * share)));
        piece.patches = 2 * pairs;
        piece.firstPatch = static_cast<int>(patches_.size());
        const double step = (piece.g1 - piece.g0) / piece.patches;
        for (int k = 0; k < piece.patches; ++k) {
            const double g0 = piece.g0 + k * step;
            const double g1 = k + 1 == piece.patches ? piece.g1 : piece.g0 + (k + 1) * step;
            patches_.push_back({static_cast<int>(i), g0, g1});
        }
    }
}

// --- Points of a piece ---

// The length by 8-point Gauss-Legendre on 16 panels (per curve piece): only the patches'
// shares depend on it.
double SurfacePatches::lengthOf(const Piece& piece) const {
    static const QuadratureRule rule = QuadratureRule::GaussLegendre(8);
    const int panels =
        piece.kind == PieceKind::Curve ? 2 * static_cast<int>(std::ceil(piece.g1 - piece.g0)) : 16;
    const double half = (piece.g1 - piece.g0) / (2.0 * panels);
    double length = 0.0;
    for (int p = 0; p < panels; ++p) {
        const double centre = piece.g0 + (2 * p + 1) * half;
        for (std::size_t i = 0; i < rule.nodes.size(); ++i) {
            length += half * rule.weights[i] * pointAt(piece, centre + half * rule.nodes[i]).speed;
        }
    }
    return length;
}

SurfacePatches::Point SurfacePatches::pointAt(const Piece& piece, double g) const {
    Point point;
    double tx = 0.0;
    double ty = 0.0;
    switch (piece.kind) {
    case PieceKind::Segment: {
        const MirrorSegment& s = scene_->segments[static_cast<std::size_t>(piece.index)];
        point.x = s.x0 + g * (s.x1 - s.x0);
        point.y = s.y0 + g * (s.y1 - s.y0);
        tx = s.x1 - s.x0;
        ty = s.y1 - s.y0;
        break;
    }
    case PieceKind::Arc: {
        const MirrorArc& arc = scene_->arcs[static_cast<std::size_t>(piece.index)];
        point.x = g;
        point.y = arc.yAt(g);
        tx = 1.0;
        ty = 2.0 * (g - arc.vertexX) / arc.m;
        break;
    }
    case PieceKind::Curve: {
        const MirrorCurve& curve = scene_->curves[static_cast<std::size_t>(piece.index)];
        const int last = static_cast<int>(curve.pieces.size()) - 1;
        const int i = std::clamp(static_cast<int>(std::floor(g)), 0, last);
        const double s = std::clamp(g - i, 0.0, 1.0);
        const MirrorCurve::Piece& p = curve.pieces[static_cast<std::size_t>(i)];
        point.x = curve.xAt(i, s);
        point.y = curve.yAt(i, s);
        tx = Derivative(p.cx, s);
        ty = Derivative(p.cy, s);
        break;
    }
    }
    point.speed = std::sqrt(tx * tx + ty * ty);
    // The tracer's normals: (-ty, tx) for every kind (an arc's (-f', 1) is the same).
    point.nx = point.speed > 0.0 ? -ty / point.speed : 0.0;
    point.ny = point.speed > 0.0 ? tx / point.speed : 1.0;
    return point;
}

// --- Sides of a hit ---

int SurfacePatches::sideAt(PieceKind kind, int index, double g, double dx, double dy, double nx,
                           double ny) const {
    const std::vector<int>& of = kind == PieceKind::Segment ? pieceOfSegment_
                                 : kind == PieceKind::Arc   ? pieceOfArc_
                                                            : pieceOfCurve_;
    const Piece& piece = pieces_[static_cast<std::size_t>(of[static_cast<std::size_t>(index)])];
    const double at = (g - piece.g0) / (piece.g1 - piece.g0) * piece.patches;
    const int k = std::clamp(static_cast<int>(std::floor(at)), 0, piece.patches - 1);
    // Light travelling against the normal arrives on the normal's side.
    const int side = dx * nx + dy * ny < 0.0 ? 0 : 1;
    return 2 * (piece.firstPatch + k) + side;
}

// --- The mirror map ---

std::vector<int> SurfacePatches::mirrorMap() const {
    const int sides = sideCount();
    std::vector<int> map(static_cast<std::size_t>(sides), -1);
    struct Mid {
        double x, y, nx, ny, scale;
    };
    std::vector<Mid> mids;
    for (int side = 0; side < sides; ++side) {
        const Patch& patch = patchOf(side);
        const Point p =
            pointAt(pieces_[static_cast<std::size_t>(patch.piece)], 0.5 * (patch.g0 + patch.g1));
        const double sign = side % 2 == 0 ? 1.0 : -1.0;
        const Point end0 = pointAt(pieces_[static_cast<std::size_t>(patch.piece)], patch.g0);
        const double scale = std::hypot(p.x - end0.x, p.y - end0.y);
        mids.push_back({p.x, p.y, sign * p.nx, sign * p.ny, scale});
    }
    for (int side = 0; side < sides; ++side) {
        const Mid& m = mids[static_cast<std::size_t>(side)];
        const double near = 1e-6 * std::max(m.scale, 1e-9);
        for (int other = 0; other < sides; ++other) {
            const Mid& o = mids[static_cast<std::size_t>(other)];
            if (std::abs(o.x + m.x) <= near && std::abs(o.y - m.y) <= near &&
                std::abs(o.nx + m.nx) <= 1e-6 && std::abs(o.ny - m.ny) <= 1e-6) {
                map[static_cast<std::size_t>(side)] = other;
                break;
            }
        }
        if (map[static_cast<std::size_t>(side)] < 0) {
            return {};
        }
    }
    return map;
}

} // namespace kavrol::physics
