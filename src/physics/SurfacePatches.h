// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Scene.h"

#include <vector>

namespace kavrol::physics {

// The reflector cut into short patches for the diffuse transfer. Each piece of the scene
// (segment, arc, curve) is split into an even number of patches of equal parameter g: a
// segment's g runs from 0 to 1 along it, an arc's is x, a curve's is its piece's number plus
// the parameter within the piece. Every patch has two sides: side 0 faces where the tracer's
// normal of the piece points, side 1 the other way. Light a side receives diffusely it
// re-emits from that side, spread evenly over the patch's length.
class SurfacePatches {
public:
    enum class PieceKind { Segment, Arc, Curve };
    struct Piece {
        PieceKind kind = PieceKind::Segment;
        int index = 0; // in the scene's list of that kind
        double g0 = 0.0;
        double g1 = 1.0;
        int firstPatch = 0;
        int patches = 2;
    };
    struct Patch {
        int piece = 0;
        double g0 = 0.0;
        double g1 = 0.0;
    };
    // A point of a piece: its place, the unit normal the tracer uses and d(length)/dg.
    struct Point {
        double x = 0.0;
        double y = 0.0;
        double nx = 0.0;
        double ny = 0.0;
        double speed = 0.0;
    };

    SurfacePatches() = default;
    // About `patches` patches over all pieces, shared by length (at least 2 a piece, always an
    // even number so that neighbours pair up into the coarse patches).
    SurfacePatches(const Scene& scene, int patches);

    int sideCount() const { return 2 * static_cast<int>(patches_.size()); }
    const Patch& patchOf(int side) const { return patches_[static_cast<std::size_t>(side / 2)]; }
    const Piece& pieceOf(int side) const {
        return pieces_[static_cast<std::size_t>(patchOf(side).piece)];
    }

    // The side receiving light that meets piece `index` of `kind` at parameter g travelling
    // along (dx, dy), with the normal (nx, ny) there.
    int sideAt(PieceKind kind, int index, double g, double dx, double dy, double nx,
               double ny) const;

    Point pointAt(const Piece& piece, double g) const;

    // Pairs of neighbouring patches on one piece: the coarse side holding a side.
    static int CoarseSide(int side) { return 2 * (side / 4) + side % 2; }

    // The side each side is mapped onto by x -> -x; empty when some side has no partner.
    std::vector<int> mirrorMap() const;

private:
    double lengthOf(const Piece& piece) const;

    const Scene* scene_ = nullptr;
    std::vector<Piece> pieces_;
    std::vector<Patch> patches_;
    std::vector<int> pieceOfSegment_;
    std::vector<int> pieceOfArc_;
    std::vector<int> pieceOfCurve_;
};

} // namespace kavrol::physics
