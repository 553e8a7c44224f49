// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FresnelTable.h"
#include "GlossRule.h"
#include "RayOutcome.h"
#include "Scene.h"
#include "SurfacePatches.h"

#include <vector>

namespace kavrol::physics {

// Follows one emitted ray through a scene in its cross-section. A ray is named by its tube, its
// in-plane direction a (radians from the downward vertical toward +x) and its offset p (mm) from
// the tube's axis, measured along (cos a, -sin a): the oriented lines (a, p) with |p| < R are
// exactly the rays a Lambertian tube emits, with uniform density in a and p.
//
// A scene whose reflector is not a plain mirror (ReflectorSurface) needs its patches when it
// scatters diffusely: the diffuse share of a reflection is handed to the patch it meets (as
// RayOutcome::Diffused and its deposits) rather than followed. Sources after the tubes are then
// the patches' sides, each emitting Lambertian light of its own: for them a in [-pi/2, pi/2]
// stands for the angle asin(2a / pi) from the side's normal (uniform in a, as Lambertian light
// is uniform in the sine of that angle) and p for the parameter g on the patch's piece.
class PathTracer {
public:
    // Bound on the events (reflections, passages, water arrivals) of one ray; what a ray still
    // carries when it reaches the bound counts as absorbed.
    static constexpr int kMaxEvents = 256;
    // Glossy reflections along one path that are split over the gloss rule's tilts: in an
    // estimate the first over three (the Radau rule) and the second over two (the halves'
    // means), up to 3 x 2 = 6 branches; each branch then goes on with one tilt of the halves'
    // means at every later glossy reflection, the opposite of its last (a branch of tilt 0
    // splits once more first). Much finer runs and wide spreads split up to kMaxGlossSplits
    // reflections and take later ones as mirrors, their weight as unresolved.
    static constexpr int kSplitReflections = 2;
    // Only spreads up to this (degrees) go on with one tilt: what it misses grows as the
    // spread's square, and beyond it (crumpled foil and rougher) a much finer run missed by more
    // than the bound; wider spreads split up to kMaxGlossSplits reflections, as finer runs do.
    static constexpr double kOneTiltSpreadDeg = 10.0;
    static constexpr int kMaxGlossSplits = 3;

    // `patches` is needed when a surface scatters diffusely and must outlive the tracer;
    // glossPanels > 0 replaces the Radau gloss rule by the composite one (finer runs).
    // `alikeAlbedos` (at most RayOutcome::kMaxAlike, each from 0 to the scene's albedo, which
    // must be positive; only in scenes that scatter) are further albedos of the reflector's
    // sheet whose figures each ray also gives (RayOutcome::alike): a reflection on the sheet only
    // weighs the light, so the same branches serve every albedo. The scene's albedo, the
    // largest, sets the weights that decide how far changes of path are followed, which is then
    // enough for the others.
    PathTracer(const Scene& scene, const FresnelTable& fresnel,
               const SurfacePatches* patches = nullptr, int glossPanels = 0,
               const std::vector<double>& alikeAlbedos = {});

    // Also follows the ray's derivatives in a, for the entries' slopes and the clearances; the
    // clearances only while a branch carries at least `followWeight`, only for the tubes' rays
    // and only in scenes without profile curves (elsewhere stretches are judged by their
    // samples).
    void trace(int source, double a, double p, RayOutcome& out, double followWeight = 0.0) const;

    // Tubes, then the patches' sides when there are patches.
    int sourceCount() const;
    int tubeCount() const { return static_cast<int>(scene_.tubes.size()); }
    const SurfacePatches* patches() const { return patches_; }
    bool mirrorSurface() const { return mirror_; }
    bool followsClearances() const { return followsClearances_; }
    int alikeCount() const { return static_cast<int>(alikeRatios_.size()); }

private:
    // The walk of one ray and its branches, in the source.
    friend class PathWalk;

    // An end point of a reflector piece or of the water's span, with its owner's code.
    struct Rim {
        double x = 0.0;
        double y = 0.0;
        int owner = 0;
    };
    // The clearances of one step of a walk (the tracer's own walk state) toward what it meets.
    void clear(const void* walk, int hitKind, int hitIndex, double hitT, RayOutcome& out) const;

    const Scene& scene_;
    const FresnelTable& fresnel_;
    const SurfacePatches* patches_;
    // A gloss rule with the turns of the reflected direction, twice each tilt.
    struct Turns {
        GlossRule rule;
        std::vector<double> cos;
        std::vector<double> sin;
        explicit Turns(GlossRule r);
    };
    // The rules of one gloss spread: the one followed at a path's first glossy reflection, the
    // one followed at later ones, and the cruder one the error estimate compares the first with.
    struct Spread {
        double sigmaDeg = 0.0;
        Turns first;
        Turns later;
        Turns compare;
    };
    const Spread* spreadOf(double sigmaDeg) const;

    bool mirror_;
    // Branches go on with one tilt beyond the split reflections (estimates, not finer runs).
    bool continues_;
    // Each further albedo over the scene's: what a reflection on the sheet weighs the light by
    // beyond the scene's albedo.
    std::vector<double> alikeRatios_;
    std::vector<Spread> spreads_; // one per distinct spread of the scene's pieces
    std::vector<Rim> rims_;
    // Profile curves of one's own lack their tangents among the conditions, and their many
    // grazing rays made the clearances cost a hundred times the rays: scenes with them keep
    // judging stretches by their samples alone (see docs/physical-estimate.md).
    bool followsClearances_ = true;
};

} // namespace kavrol::physics
