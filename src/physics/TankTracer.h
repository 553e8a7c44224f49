// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GlossRule.h"
#include "TankRay.h"
#include "TankScene.h"

#include <cstdint>
#include <vector>

namespace kavrol::physics {

// Follows the light a tube emits in one 3D direction above the water, for every point of its
// lit length at once. The direction is named as PathTracer names it, by its in-plane angle a
// and offset p, with the elevation psi out of the cross-section added. All rays of one
// direction share their in-plane path; along the tank they form an interval of z that moves by
// |tan psi| per millimetre of in-plane path, is folded by closed end plates and is cut where a
// surface ends. The ray's share is spread evenly over the lit length.
//
// A glossy sheet mirrors about its normal tilted in the plane; the elevation is kept, so each
// tilt of the gloss rule is a sheet of its own, going on from the reflection with its weight.
// The rules are the cross-section's (PathTracer): the Radau rule on each half at a path's first
// glossy reflection, the halves' means at the next two, mirrors after (their weight unresolved);
// the halves' means at the first, walked apart with mirrors after, are what it is compared
// with (GlossRole).
class TankTracer {
public:
    // Bound on the events of one piece of the sheet; what it still carries then counts as
    // absorbed by the reflector.
    static constexpr int kMaxEvents = 256;
    // Bound on the pieces a sheet may be cut into; further pieces count as absorbed too.
    static constexpr int kMaxSheets = 4096;
    // Glossy reflections along one path split over the gloss rule's tilts, as PathTracer's.
    static constexpr int kMaxGlossSplits = 3;

    explicit TankTracer(const TankScene& scene);

    void trace(int tube, double a, double p, double psi, TankRay& out) const;

    // Whether some sheet has a gloss spread: the rays then carry compared light too.
    bool glossy() const { return !spreads_.empty(); }

private:
    // A gloss rule with the turns of the mirrored direction, twice each tilt.
    struct Turns {
        GlossRule rule;
        std::vector<double> cos;
        std::vector<double> sin;
        explicit Turns(GlossRule r);
    };
    // The rules of one spread: at a path's first glossy reflection, at later ones, and the one
    // the first is compared with.
    struct Spread {
        double sigmaDeg = 0.0;
        Turns first;
        Turns later;
        Turns compare;
    };
    const Spread* spreadOf(double sigmaDeg) const;

    struct Sheet;
    struct Interval {
        double z0 = 0.0;
        double z1 = 0.0;
        int sign = 0; // of the rays' motion along z
    };
    struct Hit;
    struct Direction;

    Sheet emitted(int tube, double a, double p, double psi) const;
    void nearestHit(const Sheet& sheet, Hit& hit) const;
    // The sheet's pieces after `length` of in-plane path, folded where they run through a
    // unit's closed end plates; pieces that come to touch again are joined.
    void advance(const Sheet& sheet, double length, double tanPsi,
                 std::vector<Interval>& out) const;
    int regionAt(double x, double y) const;
    void fold(const Interval& in, double shift, int unit, std::vector<Interval>& out) const;
    static void foldBetweenPlates(double lo, double hi, double lower, double upper, int s,
                                  std::vector<Interval>& out);
    static void joinPieces(std::vector<Interval>& pieces, std::vector<Interval>& out);

    void atMirror(const Sheet& sheet, const Hit& hit, const std::vector<Interval>& at, TankRay& out,
                  std::vector<Sheet>& stack) const;
    // What the reflector's surface does with the light meeting it within its length.
    void reflect(const Sheet& sheet, const Hit& hit, double inside, Sheet& reflected, TankRay& out,
                 std::vector<Sheet>& stack) const;
    // The glossy sheet's branches, one per tilt of the rule, mirrored about the tilted normal.
    void splitGloss(const Sheet& sheet, const Hit& hit, const Spread& spread, Sheet& reflected,
                    std::vector<Sheet>& stack) const;
    void atTube(const Sheet& sheet, const Hit& hit, const std::vector<Interval>& at, double tanPsi,
                TankRay& out, std::vector<Sheet>& stack) const;
    void atWater(const Sheet& sheet, const Hit& hit, const std::vector<Interval>& at,
                 const Direction& d, TankRay& out, std::vector<Sheet>& stack) const;

    const TankScene& scene_;
    std::vector<int> platedUnits_; // units with at least one closed end
    std::vector<Spread> spreads_;  // one per distinct gloss spread of the sheets
};

} // namespace kavrol::physics
