// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: polynomials; the ray's slabs and roots; building; evaluation; the ray's crossing
// (box test, the cubic's roots on monotone stretches); distance; symmetry and moving.
#include "MirrorCurve.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kavrol::physics {

namespace {

// --- Polynomials ---

double Horner(const std::array<double, 4>& c, double s) {
    return c[0] + s * (c[1] + s * (c[2] + s * c[3]));
}

double Bend(const std::array<double, 4>& c, double s) {
    return 2.0 * c[2] + 6.0 * c[3] * s;
}

double Slope(const std::array<double, 4>& c, double s) {
    return c[1] + s * (2.0 * c[2] + s * 3.0 * c[3]);
}

// Signed curvature of a piece at s: positive where it turns toward its normal (-y', x').
double Curvature(const MirrorCurve::Piece& piece, double s) {
    const double xs = Slope(piece.cx, s);
    const double ys = Slope(piece.cy, s);
    const double speed = std::sqrt(xs * xs + ys * ys);
    if (speed == 0.0) {
        return 0.0;
    }
    return (xs * Bend(piece.cy, s) - ys * Bend(piece.cx, s)) / (speed * speed * speed);
}

// The Bezier control values of a cubic in power basis: the piece lies within their range.
void Range(const std::array<double, 4>& c, double& low, double& high) {
    const double b[4] = {c[0], c[0] + c[1] / 3.0, c[0] + (2.0 * c[1] + c[2]) / 3.0,
                         c[0] + c[1] + c[2] + c[3]};
    low = std::min({b[0], b[1], b[2], b[3]});
    high = std::max({b[0], b[1], b[2], b[3]});
}

} // namespace

// --- The ray's slabs and roots ---

// The ray's start and reciprocal direction, computed once for every box it is tested against
// (divisions cost more than the rest of a test).
struct MirrorCurve::Slabs {
    double px;
    double py;
    double inverseX;
    double inverseY;
    bool alongY; // dx == 0
    bool alongX; // dy == 0

    Slabs(double x, double y, double dx, double dy)
        : px(x), py(y), inverseX(dx != 0.0 ? 1.0 / dx : 0.0), inverseY(dy != 0.0 ? 1.0 / dy : 0.0),
          alongY(dx == 0.0), alongX(dy == 0.0) {}

    // Whether the ray meets the box for some t in (tMin, tMax) (slab test).
    bool meets(double tMin, double tMax, const Box& box) const {
        if (alongY) {
            if (px < box.xMin || px > box.xMax) {
                return false;
            }
        } else {
            double t0 = (box.xMin - px) * inverseX;
            double t1 = (box.xMax - px) * inverseX;
            if (t0 > t1) {
                std::swap(t0, t1);
            }
            tMin = std::max(tMin, t0);
            tMax = std::min(tMax, t1);
        }
        if (alongX) {
            return py >= box.yMin && py <= box.yMax && tMin <= tMax;
        }
        double t0 = (box.yMin - py) * inverseY;
        double t1 = (box.yMax - py) * inverseY;
        if (t0 > t1) {
            std::swap(t0, t1);
        }
        return std::max(tMin, t0) <= std::min(tMax, t1);
    }
};

namespace {

// A root of the cubic f in [lo, hi] where f(lo) and f(hi) differ in sign: Newton's steps kept
// inside a shrinking bracket, bisection where a step would leave it or stall.
double BracketedRoot(const std::array<double, 4>& f, double lo, double hi, double fLo) {
    double s = 0.5 * (lo + hi);
    double step = hi - lo;
    for (int iteration = 0; iteration < 100; ++iteration) {
        const double value = Horner(f, s);
        if (value == 0.0) {
            return s;
        }
        if ((value < 0.0) == (fLo < 0.0)) {
            lo = s;
            fLo = value;
        } else {
            hi = s;
        }
        const double slope = Slope(f, s);
        double next = slope != 0.0 ? s - value / slope : lo - 1.0;
        const double previousStep = step;
        if (next <= lo || next >= hi || std::abs(next - s) > 0.5 * previousStep) {
            next = 0.5 * (lo + hi);
        }
        step = std::abs(next - s);
        if (std::abs(next - s) <= 2.0 * std::numeric_limits<double>::epsilon() ||
            hi - lo <= 4.0 * std::numeric_limits<double>::epsilon()) {
            return next;
        }
        s = next;
    }
    return s;
}

// The stretches of [0, 1] on which the cubic f is monotone, between cuts[k - 1] and cuts[k] for
// k = 1 .. the count returned: its slope 3 f3 s^2 + 2 f2 s + f1 vanishes at most twice inside.
int MonotoneStretches(const std::array<double, 4>& f, std::array<double, 4>& cuts) {
    cuts = {0.0, 1.0, 1.0, 1.0};
    int count = 1;
    const double qa = 3.0 * f[3];
    const double qb = 2.0 * f[2];
    const double qc = f[1];
    if (qa != 0.0) {
        const double discriminant = qb * qb - 4.0 * qa * qc;
        if (discriminant > 0.0) {
            const double q = -0.5 * (qb + std::copysign(std::sqrt(discriminant), qb));
            double r0 = q / qa;
            double r1 = q != 0.0 ? qc / q : r0;
            if (r0 > r1) {
                std::swap(r0, r1);
            }
            for (double r : {r0, r1}) {
                if (r > cuts[static_cast<std::size_t>(count - 1)] && r < 1.0) {
                    cuts[static_cast<std::size_t>(count++)] = r;
                }
            }
        }
    } else if (qb != 0.0) {
        const double r = -qc / qb;
        if (r > 0.0 && r < 1.0) {
            cuts[static_cast<std::size_t>(count++)] = r;
        }
    }
    cuts[static_cast<std::size_t>(count)] = 1.0;
    return count;
}

} // namespace

// --- Building ---

void MirrorCurve::addPiece(const std::array<double, 4>& cx, const std::array<double, 4>& cy,
                           double endX, double endY) {
    Piece piece;
    piece.cx = cx;
    piece.cy = cy;
    piece.endX = endX;
    piece.endY = endY;
    Range(cx, piece.xMin, piece.xMax);
    Range(cy, piece.yMin, piece.yMax);
    piece.xMin = std::min(piece.xMin, endX);
    piece.xMax = std::max(piece.xMax, endX);
    piece.yMin = std::min(piece.yMin, endY);
    piece.yMax = std::max(piece.yMax, endY);
    // A little room, so that rounding in a box test never loses a ray that meets the piece at
    // the edge of its box (through a joint, say).
    const double room = 1e-9 * (1.0 + std::max({std::abs(piece.xMin), std::abs(piece.xMax),
                                                std::abs(piece.yMin), std::abs(piece.yMax)}));
    piece.xMin -= room;
    piece.xMax += room;
    piece.yMin -= room;
    piece.yMax += room;
    if (pieces.size() % kBlock == 0) {
        blocks.push_back({piece.xMin, piece.xMax, piece.yMin, piece.yMax});
    } else {
        Box& box = blocks.back();
        box.xMin = std::min(box.xMin, piece.xMin);
        box.xMax = std::max(box.xMax, piece.xMax);
        box.yMin = std::min(box.yMin, piece.yMin);
        box.yMax = std::max(box.yMax, piece.yMax);
    }
    if (pieces.empty()) {
        xMin = piece.xMin;
        xMax = piece.xMax;
        yMin = piece.yMin;
        yMax = piece.yMax;
    } else {
        xMin = std::min(xMin, piece.xMin);
        xMax = std::max(xMax, piece.xMax);
        yMin = std::min(yMin, piece.yMin);
        yMax = std::max(yMax, piece.yMax);
    }
    pieces.push_back(piece);
}

// --- Evaluation ---

double MirrorCurve::xAt(int piece, double s) const {
    const Piece& p = pieces[static_cast<std::size_t>(piece)];
    return s == 1.0 ? p.endX : Horner(p.cx, s);
}

double MirrorCurve::yAt(int piece, double s) const {
    const Piece& p = pieces[static_cast<std::size_t>(piece)];
    return s == 1.0 ? p.endY : Horner(p.cy, s);
}

// --- The ray's crossing ---

// On each piece f(s) = n . (P(s) - p) with n = (-dy, dx) is a cubic whose roots are the
// crossings. Its slope's roots cut [0, 1] into stretches where f is monotone; a stretch whose
// ends differ in sign holds exactly one root. The ends of a piece are evaluated from the stored
// points, so a ray through a joint is found by one of the two pieces whatever the rounding.
bool MirrorCurve::firstHit(double px, double py, double dx, double dy, double tMin, double tMax,
                           Hit& hit) const {
    const Slabs ray(px, py, dx, dy);
    if (pieces.empty() || !ray.meets(tMin, tMax, {xMin, xMax, yMin, yMax})) {
        return false;
    }
    bool found = false;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const Box& box = blocks[b];
        if (!ray.meets(tMin, tMax, box)) {
            continue;
        }
        const std::size_t end = std::min(pieces.size(), (b + 1) * kBlock);
        for (std::size_t i = b * kBlock; i < end; ++i) {
            found = pieceHit(i, ray, dx, dy, tMin, tMax, hit) || found;
        }
    }
    return found;
}

bool MirrorCurve::pieceHit(std::size_t i, const Slabs& ray, double dx, double dy, double tMin,
                           double& tMax, Hit& hit) const {
    const Piece& piece = pieces[i];
    if (!ray.meets(tMin, tMax, {piece.xMin, piece.xMax, piece.yMin, piece.yMax})) {
        return false;
    }
    const double px = ray.px;
    const double py = ray.py;
    bool found = false;
    const std::array<double, 4> f{
        -dy * (piece.cx[0] - px) + dx * (piece.cy[0] - py), -dy * piece.cx[1] + dx * piece.cy[1],
        -dy * piece.cx[2] + dx * piece.cy[2], -dy * piece.cx[3] + dx * piece.cy[3]};
    const double fEnd = -dy * (piece.endX - px) + dx * (piece.endY - py);
    // f lies within the range of its Bezier control values: when they share a sign, the line
    // misses the piece.
    const double b1 = f[0] + f[1] / 3.0;
    const double b2 = f[0] + (2.0 * f[1] + f[2]) / 3.0;
    if ((f[0] > 0.0 && b1 > 0.0 && b2 > 0.0 && fEnd > 0.0) ||
        (f[0] < 0.0 && b1 < 0.0 && b2 < 0.0 && fEnd < 0.0)) {
        return false;
    }
    std::array<double, 4> cuts{};
    const int count = MonotoneStretches(f, cuts);
    double sLo = 0.0;
    double fLo = f[0];
    for (int k = 1; k <= count; ++k) {
        const double sHi = cuts[static_cast<std::size_t>(k)];
        const double fHi = k == count ? fEnd : Horner(f, sHi);
        double s = -1.0;
        if (fLo == 0.0) {
            s = sLo;
        } else if (fHi == 0.0) {
            s = sHi;
        } else if ((fLo < 0.0) != (fHi < 0.0)) {
            s = BracketedRoot(f, sLo, sHi, fLo);
        }
        if (s >= 0.0) {
            const double x = s == 1.0 ? piece.endX : Horner(piece.cx, s);
            const double y = s == 1.0 ? piece.endY : Horner(piece.cy, s);
            const double t = dx * (x - px) + dy * (y - py);
            if (t > tMin && t < tMax) {
                tMax = t;
                hit.t = t;
                hit.nx = -Slope(piece.cy, s);
                hit.ny = Slope(piece.cx, s);
                hit.curvature = Curvature(piece, s);
                hit.piece = static_cast<int>(i);
                hit.s = s;
                found = true;
            }
        }
        sLo = sHi;
        fLo = fHi;
    }
    return found;
}

// A scan of each piece followed by a golden-section search around its best sample.
namespace {

// --- Distance ---

// The distance from (px, py) to a box; every point of what the box holds lies at least this far.
double BoxDistance(double xMin, double xMax, double yMin, double yMax, double px, double py) {
    const double dx = std::max({xMin - px, 0.0, px - xMax});
    const double dy = std::max({yMin - py, 0.0, py - yMax});
    return std::sqrt(dx * dx + dy * dy);
}

// Points evaluated on a piece may stray from its box by rounding; boxes are judged with this
// margin (millimetres, far above the rounding of coordinates up to 10^4 mm).
constexpr double kBoxMargin = 1e-6;

} // namespace

double MirrorCurve::distanceTo(double px, double py, double limit) const {
    double nearest = std::numeric_limits<double>::infinity();
    // A piece whose box lies farther than the nearest distance found (or than the limit) cannot
    // bring a smaller one, so it is passed over: the result is the same as without the boxes.
    const auto beyond = [&](double boxDistance) {
        return boxDistance - kBoxMargin > std::min(nearest, limit);
    };
    if (beyond(BoxDistance(xMin, xMax, yMin, yMax, px, py))) {
        return nearest;
    }
    for (int i = 0; i < static_cast<int>(pieces.size()); ++i) {
        const std::size_t block = static_cast<std::size_t>(i) / kBlock;
        const Box& b = blocks[block];
        if (beyond(BoxDistance(b.xMin, b.xMax, b.yMin, b.yMax, px, py))) {
            i = static_cast<int>((block + 1) * kBlock) - 1;
            continue;
        }
        const Piece& piece = pieces[static_cast<std::size_t>(i)];
        if (beyond(BoxDistance(piece.xMin, piece.xMax, piece.yMin, piece.yMax, px, py))) {
            continue;
        }
        const auto distance = [&](double s) {
            const double ex = xAt(i, s) - px;
            const double ey = yAt(i, s) - py;
            return std::sqrt(ex * ex + ey * ey);
        };
        constexpr int kSamples = 64;
        int best = 0;
        double bestDistance = distance(0.0);
        for (int k = 1; k <= kSamples; ++k) {
            const double d = distance(double(k) / kSamples);
            if (d < bestDistance) {
                bestDistance = d;
                best = k;
            }
        }
        double lo = double(std::max(best - 1, 0)) / kSamples;
        double hi = double(std::min(best + 1, kSamples)) / kSamples;
        const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
        for (int iteration = 0; iteration < 60; ++iteration) {
            const double s1 = hi - ratio * (hi - lo);
            const double s2 = lo + ratio * (hi - lo);
            if (distance(s1) < distance(s2)) {
                hi = s2;
            } else {
                lo = s1;
            }
        }
        nearest = std::min({nearest, bestDistance, distance(0.5 * (lo + hi))});
    }
    return nearest;
}

// --- Symmetry and moving ---

bool MirrorCurve::mirrors(const MirrorCurve& other, double tolerance) const {
    if (other.pieces.size() != pieces.size()) {
        return false;
    }
    const int n = static_cast<int>(pieces.size());
    // Four points fix a cubic, so agreeing at four places is agreeing everywhere (nearly).
    for (int i = 0; i < n; ++i) {
        for (double s : {0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0}) {
            if (std::abs(xAt(i, s) + other.xAt(n - 1 - i, 1.0 - s)) > tolerance ||
                std::abs(yAt(i, s) - other.yAt(n - 1 - i, 1.0 - s)) > tolerance) {
                return false;
            }
        }
    }
    return true;
}

MirrorCurve MirrorCurve::translated(double dx, double dy) const {
    MirrorCurve moved;
    for (const Piece& p : pieces) {
        moved.addPiece({p.cx[0] + dx, p.cx[1], p.cx[2], p.cx[3]},
                       {p.cy[0] + dy, p.cy[1], p.cy[2], p.cy[3]}, p.endX + dx, p.endY + dy);
    }
    return moved;
}

} // namespace kavrol::physics
