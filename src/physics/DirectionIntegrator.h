// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PathTracer.h"
#include "RayOutcome.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <queue>
#include <vector>

namespace kavrol::physics {

class WaterBins;

// The light of one tube along the lines of one offset p, integrated over the in-plane
// directions a in [aMin, aMax]. The directions are cut at the places where a ray's path changes
// (located by Newton steps on the rays' clearances, or by bisection) and each stretch of one path
// is integrated with a 7-point Gauss-Kronrod rule, refining where the estimated error is largest
// until the bound is met. A stretch counts as one path only when every sample in it clears its
// neighbours: no rim, tangent or water edge lies between them by the rays' own derivatives (see
// docs/physical-estimate.md), so a window of another path cannot hide between samples.
class DirectionIntegrator {
public:
    struct Settings {
        int gridCells = 32;            // first samples, evenly spread over the range
        double budget = 1e-4;          // bound to reach on the mean share entering the water
        double lossWeight = 1.0;       // how much the losses' accuracy weighs against the share's
        std::int64_t maxRays = 400000; // a stop for pathological scenes; the bound stays honest
        // The clearances of neighbouring samples must together cover this many times the gap
        // between them before it counts as explained: room for their second order.
        double clearanceFactor = 1.5;
        // Clearances are followed while a ray carries this much of its light; what changes of
        // path beyond could move counts in the bound whole.
        double followWeight = 0.0;
        const std::atomic<bool>* cancel = nullptr;
    };
    struct Result {
        std::array<double, RayOutcome::kFates> mean{}; // shares averaged over a
        double error = 0.0;                            // bound on mean[Water]'s error
        std::vector<double> histogram;      // light entering each bin (same units as mean)
        std::vector<double> histogramError; // a bound on each bin's error
        std::int64_t rays = 0;
        bool reached = true; // false when the ray budget ran out before the bound was met
        // With a scattering surface: the Diffused share by the patch side it went to, and the
        // weight whose gloss was no longer followed (same units as mean).
        std::vector<double> deposits;
        double unresolved = 0.0;
        double glossWaterDelta = 0.0; // signed, see RayOutcome
        double glossDiffusedDelta = 0.0;
        // The same at each further albedo the tracer follows (see PathTracer), without the
        // losses and the bins.
        struct Alike {
            double water = 0.0;
            double error = 0.0;
            std::vector<double> deposits;
            double unresolved = 0.0;
            double glossWaterDelta = 0.0;
            double glossDiffusedDelta = 0.0;
        };
        std::array<Alike, RayOutcome::kMaxAlike> alike;
    };
    // The histogram's bins split [xMin, xMax] evenly; bins may be 0.
    struct Bins {
        double xMin = 0.0;
        double xMax = 1.0;
        int count = 0;
    };

    DirectionIntegrator(const PathTracer& tracer, int tube, double p, const Settings& settings);

    Result integrate(double aMin, double aMax, const Bins& bins);

private:
    struct Sample {
        double a = 0.0;
        RayOutcome ray;
    };
    // Two neighbouring samples and the integral between them.
    struct Pair {
        int left = 0;
        int right = 0;
        bool alive = true;
        bool integrated = false; // by the 7-point rule, whose nodes start at firstNode
        int firstNode = -1;
        std::array<double, RayOutcome::kFates> value{};
        double shareError = 0.0;
        double openError = 0.0; // of an integrated pair: the part of shareError its gaps leave
        double key = 0.0;       // what refining would gain; infinite when it must be refined
        int slowCuts = 0;       // cuts in a row, down to this pair, that did not halve it
        // The share entering the water at each further albedo, and its bound.
        std::array<double, RayOutcome::kMaxAlike> alikeWater{};
        std::array<double, RayOutcome::kMaxAlike> alikeError{};
    };

    int addSample(double a);
    int addPair(int left, int right);
    void enqueue(int pairIndex);
    void retire(int pairIndex);
    void assess(Pair& pair);
    void refine(double aMin, double aMax, double budget);
    void integrateRule(int pairIndex);
    void traceNodes(const Pair& pair, std::array<RayOutcome, 7>& rays,
                    std::array<double, 7>& at) const;
    bool onePath(const Pair& pair, const std::array<RayOutcome, 7>& rays,
                 const std::array<double, 7>& at) const;
    void splitAtNodes(const Pair& pair, std::array<RayOutcome, 7>& rays,
                      const std::array<double, 7>& at);
    void keepRule(const Pair& pair, std::array<RayOutcome, 7>& rays,
                  const std::array<double, 7>& at);
    double cutPoint(const Pair& pair) const;
    void bisect(int pairIndex);
    void checkCancel() const;
    double unexplained(const RayOutcome& left, const RayOutcome& right, double gap,
                       int classes) const;
    double openError(const RayOutcome& left, const RayOutcome& right, double gap) const;
    bool clears(const RayOutcome& left, const RayOutcome& right, double gap) const;
    void deposit(Result& result, const Bins& bins) const;
    void depositStretch(WaterBins& water, const Pair& pair) const;
    bool sameEntries(const Pair& pair) const;
    void depositApart(WaterBins& water, const Pair& pair, double open) const;
    void gatherScattered(Result& result) const;
    void gatherAlike(Result& result, double range) const;

    const PathTracer& tracer_;
    int tube_;
    double p_;
    Settings settings_;
    bool followed_; // the rays' clearances are followed (else stretches are judged by samples)
    double trapezoidWidth_ = 0.0; // wider stretches of one path must get the full rule
    std::vector<Sample> samples_;
    std::vector<Pair> pairs_;
    std::vector<RayOutcome> nodes_; // 7 per integrated pair
    std::int64_t rays_ = 0;
    // Pairs by key, largest first; entries whose pair died or changed key are skipped.
    std::priority_queue<std::pair<double, int>> queue_;
    double finiteKeys_ = 0.0; // sum of the live pairs' finite keys
    int infiniteKeys_ = 0;    // live pairs that must be refined
};

} // namespace kavrol::physics
