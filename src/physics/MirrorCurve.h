// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Direction.h"
#include "PieceHit.h"
#include "Ray.h"

#include <array>
#include <limits>
#include <vector>

namespace kavrol::physics {

// A smooth, zero-thickness specular mirror made of parametric cubic pieces joined end to end;
// both sides reflect. Piece i is (x, y)(s) = c0 + s (c1 + s (c2 + s c3)) for s in [0, 1]; its
// end point is stored as well, equal to the next piece's start, so that neighbours agree to
// the bit where they meet and no ray slips between them.
struct MirrorCurve {
    struct Piece {
        std::array<double, 4> cx{};
        std::array<double, 4> cy{};
        double endX = 0.0;
        double endY = 0.0;
        // A box holding the piece (from its Bezier control points).
        double xMin = 0.0;
        double xMax = 0.0;
        double yMin = 0.0;
        double yMax = 0.0;
    };
    // Where a ray meets the curve: its distance along the ray, the normal (not unit length) and
    // the signed curvature there (positive where the curve turns toward the normal).
    struct Hit {
        double t = 0.0;
        double nx = 0.0;
        double ny = 0.0;
        double curvature = 0.0;
        int piece = 0; // which piece, and where on it
        double s = 0.0;
    };

    // A box holding pieces.
    struct Box {
        double xMin = 0.0;
        double xMax = 0.0;
        double yMin = 0.0;
        double yMax = 0.0;
    };
    // Consecutive pieces are tested in blocks of this many behind one box, so that a ray passes
    // most of a long profile's pieces after a few tests.
    static constexpr std::size_t kBlock = 8;

    std::vector<Piece> pieces;
    std::vector<Box> blocks; // block b holds pieces b * kBlock to (b + 1) * kBlock - 1
    // The box of every piece.
    double xMin = 0.0;
    double xMax = 0.0;
    double yMin = 0.0;
    double yMax = 0.0;

    // Appends the piece with these power-basis coefficients ending at (endX, endY), which the
    // next piece must take as its start, and updates the boxes.
    void addPiece(const std::array<double, 4>& cx, const std::array<double, 4>& cy, double endX,
                  double endY);

    double xAt(int piece, double s) const;
    double yAt(int piece, double s) const;

    // The nearest crossing of the ray (px, py) + t (dx, dy), |(dx, dy)| = 1, with
    // tMin < t < tMax; false when there is none.
    bool firstHit(double px, double py, double dx, double dy, double tMin, double tMax,
                  Hit& hit) const;

    // firstHit as every piece of a scene answers it: the crossing when tMin < t < hit.t, its
    // normal kept in hit.
    bool hit(const Ray& ray, double tMin, PieceHit& hit) const {
        Hit h;
        if (!firstHit(ray.px, ray.py, ray.dx, ray.dy, tMin, hit.t, h)) {
            return false;
        }
        hit = {h.t, 0.0, h.nx, h.ny, h.curvature, h.piece + h.s};
        return true;
    }

    // The normal (not unit length) at a crossing `hit` found.
    Direction normal(const PieceHit& hit, double /*x*/, double /*y*/) const {
        return {hit.nx, hit.ny};
    }

    // The distance from (px, py) to the curve. Pieces farther than `limit` are not measured,
    // so a distance beyond it may come back as infinity; one within it is exact.
    double distanceTo(double px, double py,
                      double limit = std::numeric_limits<double>::infinity()) const;

    // True when `other` is this curve mirrored by x -> -x, its pieces in the opposite order,
    // each point within `tolerance`.
    bool mirrors(const MirrorCurve& other, double tolerance) const;

    // The same curve moved by (dx, dy).
    MirrorCurve translated(double dx, double dy) const;

private:
    struct Slabs;
    // firstHit for piece i alone; on a hit tMax becomes its distance.
    bool pieceHit(std::size_t i, const Slabs& ray, double dx, double dy, double tMin, double& tMax,
                  Hit& hit) const;
};

} // namespace kavrol::physics
