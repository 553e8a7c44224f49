// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: settings from the options; the integral over a tube's offsets; the whole scene;
// the irradiance and the result.
#include "LightEstimator.h"

#include "DirectionIntegrator.h"
#include "FresnelTable.h"
#include "PathTracer.h"
#include "PhysicalDesignError.h"
#include "QuadratureRule.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace kavrol::physics {

namespace {

constexpr int kFates = RayOutcome::kFates;

struct TubeLight {
    std::array<double, kFates> mean{};
    double error = 0.0;
    std::vector<double> histogram;
    std::vector<double> histogramError; // a bound on each bin's error
    std::int64_t rays = 0;
    // False once a refinement stopped at its limit before its part of the budget was met.
    bool reached = true;
    // The share entering the water at each node of the rule over offsets, and where (t).
    std::vector<double> nodeT;
    std::vector<double> nodeShare;
};

// Inner integrals done and foreseen over the whole estimate, bare tube included.
struct Progress {
    int done = 0;
    int expected = 1;
    double reported = 0.0;
};

struct Work {
    const Scene& scene;
    const PathTracer& tracer;
    const EstimateOptions& options;
    DirectionIntegrator::Settings settings;
    DirectionIntegrator::Bins bins;
    double offsetBudget = 0.0;
    QuadratureRule offsetRule;
    int minOffsetDepth = 1; // halvings before a comparison may settle a range
    // How much more than its budget a range's stray may weigh before the range is halved.
    double strayFactor = 4.0;
    int maxOffsetDepth = 8; // halvings of a tube's offsets at most
    int cellsPerHalfTurn = 32;
    Progress& progress;
};

// Refinement adds work as it goes, so the fraction is held from going back.
void Report(Work& work) {
    Progress& p = work.progress;
    ++p.done;
    if (work.options.progress) {
        p.reported = std::max(p.reported, std::min(0.99, double(p.done) / p.expected));
        work.options.progress(p.reported);
    }
}

// The first samples over half a turn of directions: looser bounds need fewer to begin with
// (every stretch between them gets the 7-point rule at least once).
int CellsPerHalfTurn(double tolerance) {
    if (tolerance >= 0.008) {
        return 8;
    }
    return tolerance >= 0.002 ? 16 : 32;
}

// Offsets p = R (3t - t^3) / 2 for t in [-1, 1]: the substitution gathers nodes toward the
// tube's limbs (p = +-R), where grazing rays make the light vary fastest. The tube's light is
// (1/2R) of the integral over p, that is the integral over t with weight (3/4)(1 - t^2).
double OffsetAt(double radius, double t) {
    return radius * (3.0 * t - t * t * t) / 2.0;
}
// The weight's integral from -1 to t.
double OffsetMass(double t) {
    return 0.5 + 0.75 * t - 0.25 * t * t * t;
}

// The Gauss rule over t in [t0, t1]: each node's light integrated over all directions.
TubeLight GaussOverOffsets(Work& work, int tube, double t0, double t1, double aMin, double aMax) {
    const double radius = work.scene.tubes[static_cast<std::size_t>(tube)].radius;
    const double centre = 0.5 * (t0 + t1);
    const double half = 0.5 * (t1 - t0);
    TubeLight part;
    part.histogram.assign(static_cast<std::size_t>(work.bins.count), 0.0);
    part.histogramError.assign(static_cast<std::size_t>(work.bins.count), 0.0);
    for (std::size_t i = 0; i < work.offsetRule.nodes.size(); ++i) {
        const double t = centre + half * work.offsetRule.nodes[i];
        const double weight = half * work.offsetRule.weights[i] * 0.75 * (1.0 - t * t);
        DirectionIntegrator directions(work.tracer, tube, OffsetAt(radius, t), work.settings);
        const DirectionIntegrator::Result r = directions.integrate(aMin, aMax, work.bins);
        Report(work);
        for (std::size_t f = 0; f < kFates; ++f) {
            part.mean[f] += weight * r.mean[f];
        }
        for (std::size_t b = 0; b < r.histogram.size(); ++b) {
            part.histogram[b] += weight * r.histogram[b];
            part.histogramError[b] += weight * r.histogramError[b];
        }
        part.error += weight * r.error;
        part.rays += r.rays;
        part.reached = part.reached && r.reached;
        part.nodeT.push_back(t);
        part.nodeShare.push_back(r.mean[RayOutcome::Water]);
    }
    return part;
}

void Add(TubeLight& total, const TubeLight& part) {
    for (std::size_t f = 0; f < kFates; ++f) {
        total.mean[f] += part.mean[f];
    }
    for (std::size_t b = 0; b < part.histogram.size(); ++b) {
        total.histogram[b] += part.histogram[b];
        total.histogramError[b] += part.histogramError[b];
    }
    total.error += part.error;
    total.reached = total.reached && part.reached;
}

// The light over offsets [t0, t1], whose Gauss rule gave `whole`: the rule over both halves is
// compared with it, and the halves are refined in turn until the difference is within the
// range's part of the budget. The difference bounds the halves' error generously: halving
// shrinks a smooth integrand's error some sixty-fold and even a square-root kink's (where a
// path appears at a fold) nearly three-fold.
void RefineOffsets(Work& work, int tube, double t0, double t1, const TubeLight& whole, double aMin,
                   double aMax, int depth, TubeLight& light) {
    const double middle = 0.5 * (t0 + t1);
    const TubeLight left = GaussOverOffsets(work, tube, t0, middle, aMin, aMax);
    const TubeLight right = GaussOverOffsets(work, tube, middle, t1, aMin, aMax);
    light.rays += left.rays + right.rays;
    const double difference =
        std::abs(left.mean[RayOutcome::Water] + right.mean[RayOutcome::Water] -
                 whole.mean[RayOutcome::Water]);
    const double mass = OffsetMass(t1) - OffsetMass(t0);
    const double budget = work.offsetBudget * mass;
    // How far the halves' nodes stray from the polynomial through the whole range's nodes:
    // large where the light jumps or kinks between nodes, however well the sums happen to
    // agree.
    double stray = 0.0;
    for (const TubeLight* half : {&left, &right}) {
        for (std::size_t i = 0; i < half->nodeT.size(); ++i) {
            double value = 0.0;
            for (std::size_t j = 0; j < whole.nodeT.size(); ++j) {
                double basis = 1.0;
                for (std::size_t k = 0; k < whole.nodeT.size(); ++k) {
                    if (k != j) {
                        basis *=
                            (half->nodeT[i] - whole.nodeT[k]) / (whole.nodeT[j] - whole.nodeT[k]);
                    }
                }
                value += basis * whole.nodeShare[j];
            }
            stray = std::max(stray, std::abs(half->nodeShare[i] - value));
        }
    }
    const bool settled = work.options.budget.differenceSafety * difference <= budget &&
                         stray * mass <= work.strayFactor * budget;
    if ((settled && depth >= work.minOffsetDepth) || depth >= work.maxOffsetDepth) {
        Add(light, left);
        Add(light, right);
        light.reached = light.reached && settled;
        light.error += work.options.budget.differenceSafety * difference;
        // Each bin's light is compared the same way.
        for (std::size_t b = 0; b < whole.histogram.size(); ++b) {
            light.histogramError[b] +=
                work.options.budget.differenceSafety *
                std::abs(left.histogram[b] + right.histogram[b] - whole.histogram[b]);
        }
        return;
    }
    work.progress.expected += 4 * static_cast<int>(work.offsetRule.nodes.size());
    RefineOffsets(work, tube, t0, middle, left, aMin, aMax, depth + 1, light);
    RefineOffsets(work, tube, middle, t1, right, aMin, aMax, depth + 1, light);
}

// A tube on the axis of a mirror-symmetric scene sends its light to x < 0 as the mirror image
// of what it sends to x > 0: f(-a, -p) = f(a, p). Integrating a over [0, pi] with every
// offset covers it all; the histogram is then mirrored.
TubeLight IntegrateTube(Work& work, int tube, bool symmetric) {
    const Tube& t = work.scene.tubes[static_cast<std::size_t>(tube)];
    const bool halfTurn = symmetric && t.x == 0.0;
    TubeLight light;
    light.histogram.assign(static_cast<std::size_t>(work.bins.count), 0.0);
    light.histogramError.assign(static_cast<std::size_t>(work.bins.count), 0.0);
    work.settings.gridCells = work.cellsPerHalfTurn * (halfTurn ? 1 : 2);
    const double pi = std::numbers::pi;
    const double aMin = halfTurn ? 0.0 : -pi;
    const TubeLight whole = GaussOverOffsets(work, tube, -1.0, 1.0, aMin, pi);
    light.rays += whole.rays;
    RefineOffsets(work, tube, -1.0, 1.0, whole, aMin, pi, 1, light);
    if (halfTurn) {
        const std::vector<double> once = light.histogram;
        const std::vector<double> onceError = light.histogramError;
        for (std::size_t b = 0; b < once.size(); ++b) {
            light.histogram[b] = 0.5 * (once[b] + once[once.size() - 1 - b]);
            light.histogramError[b] = 0.5 * (onceError[b] + onceError[once.size() - 1 - b]);
        }
    }
    return light;
}

// In a mirror-symmetric scene the tube at -x sends the mirror image of the light of its partner
// at +x: its figures are the partner's and its histogram the partner's reversed. -1 when the
// tube has to be integrated itself.
int MirrorPartner(const Scene& scene, std::size_t tube, bool symmetric) {
    const Tube& t = scene.tubes[tube];
    if (!symmetric || !(t.x < 0.0)) {
        return -1;
    }
    const double scale = std::max({1.0, std::abs(scene.water.y), std::abs(scene.water.xMax)});
    for (std::size_t j = 0; j < scene.tubes.size(); ++j) {
        const Tube& o = scene.tubes[j];
        if (o.x > 0.0 && std::abs(o.x + t.x) <= 1e-12 * scale &&
            std::abs(o.y - t.y) <= 1e-12 * scale && o.radius == t.radius && o.power == t.power) {
            return static_cast<int>(j);
        }
    }
    return -1;
}

TubeLight Mirrored(const TubeLight& light) {
    TubeLight mirrored = light;
    mirrored.rays = 0;
    std::reverse(mirrored.histogram.begin(), mirrored.histogram.end());
    std::reverse(mirrored.histogramError.begin(), mirrored.histogramError.end());
    return mirrored;
}

TubeLight IntegrateScene(const Scene& scene, const EstimateOptions& options, int bins,
                         Progress& progress, std::vector<TubeLight>* perTube = nullptr) {
    const auto fresnel = FresnelTable::ForIndex(scene.materials.refractiveIndex);
    const PathTracer tracer(scene, *fresnel);
    Work work{scene, tracer, options, {}, {}, 0.0, {}, 1, 4.0, 8, 32, progress};
    const bool symmetric = scene.mirrorSymmetric();
    work.cellsPerHalfTurn = CellsPerHalfTurn(options.tolerance);
    work.offsetRule = QuadratureRule::GaussLegendre(3);
    work.settings.budget = options.budget.directions * options.tolerance;
    work.settings.followWeight = options.budget.follow * work.settings.budget;
    work.settings.cancel = options.cancel;
    work.offsetBudget = options.budget.offsets * options.tolerance;
    work.bins = {scene.water.xMin, scene.water.xMax, bins};
    TubeLight total;
    total.histogram.assign(static_cast<std::size_t>(bins), 0.0);
    total.histogramError.assign(static_cast<std::size_t>(bins), 0.0);
    double power = 0.0;
    for (const Tube& t : scene.tubes) {
        power += t.power;
    }
    std::vector<TubeLight> lights(scene.tubes.size());
    std::vector<int> partners(scene.tubes.size());
    for (std::size_t i = 0; i < scene.tubes.size(); ++i) {
        partners[i] = MirrorPartner(scene, i, symmetric);
        if (partners[i] < 0) {
            lights[i] = IntegrateTube(work, static_cast<int>(i), symmetric);
        }
    }
    for (std::size_t i = 0; i < scene.tubes.size(); ++i) {
        if (partners[i] >= 0) {
            lights[i] = Mirrored(lights[static_cast<std::size_t>(partners[i])]);
        }
    }
    for (std::size_t i = 0; i < scene.tubes.size(); ++i) {
        const TubeLight& light = lights[i];
        const double share = scene.tubes[i].power / power;
        for (std::size_t f = 0; f < kFates; ++f) {
            total.mean[f] += share * light.mean[f];
        }
        for (std::size_t b = 0; b < total.histogram.size(); ++b) {
            total.histogram[b] += share * light.histogram[b];
            total.histogramError[b] += share * light.histogramError[b];
        }
        total.error += share * light.error;
        total.rays += light.rays;
        total.reached = total.reached && light.reached;
    }
    total.error += fresnel->interpolationError();
    // The Fresnel table's error falls on each bin in proportion to its light, or less.
    const double entered = total.mean[RayOutcome::Water];
    for (std::size_t b = 0; b < total.histogram.size(); ++b) {
        total.histogramError[b] +=
            entered > 0.0 ? fresnel->interpolationError() * total.histogram[b] / entered : 0.0;
    }
    if (perTube != nullptr) {
        for (TubeLight& light : lights) {
            light.error += fresnel->interpolationError();
        }
        *perTube = std::move(lights);
    }
    return total;
}

void Validate(const Scene& scene, const EstimateOptions& options) {
    if (scene.tubes.empty()) {
        throw PhysicalDesignError("The scene has no tube");
    }
    for (const Tube& t : scene.tubes) {
        if (!(t.radius > 0.0) || !(t.power > 0.0)) {
            throw PhysicalDesignError("Every tube needs a positive radius and power");
        }
    }
    if (!(scene.water.xMax > scene.water.xMin)) {
        throw PhysicalDesignError("The water's span must have a positive width");
    }
    if (!(options.tolerance > 0.0) || options.bins < 0) {
        throw PhysicalDesignError("The tolerance must be positive and the bins at least 0");
    }
    const EstimateOptions::ErrorBudget& b = options.budget;
    if (!(b.directions > 0.0) || !(b.offsets > 0.0) || !(b.directions + b.offsets <= 1.0) ||
        !(b.differenceSafety >= 1.0) || !(b.follow >= 0.0 && b.follow < 1.0)) {
        throw PhysicalDesignError("The error budget's shares must be positive and add up to at "
                                  "most 1, the difference's safety at least 1 and the followed "
                                  "share below 1");
    }
}

// The bins' edges, light per millimetre with its bounds, and the uniformity with its bounds:
// each bin and the mean may lie anywhere within their bounds.
void Irradiance(const Scene& scene, const TubeLight& light, PhysicalEstimate& result) {
    const auto bins = light.histogram.size();
    const double span = scene.water.xMax - scene.water.xMin;
    const double width = span / static_cast<double>(bins);
    const double meanPerMm = result.efficiency / span;
    const double meanError = result.error / span;
    result.edgesMm.resize(bins + 1);
    result.perMm.resize(bins);
    result.perMmError.resize(bins);
    result.relative.resize(bins);
    for (std::size_t b = 0; b <= bins; ++b) {
        result.edgesMm[b] =
            b == bins ? scene.water.xMax : scene.water.xMin + static_cast<double>(b) * width;
    }
    PhysicalEstimate::Uniformity& u = result.uniformity;
    const auto ratio = [](double value, double mean) { return mean > 0.0 ? value / mean : 0.0; };
    for (std::size_t b = 0; b < bins; ++b) {
        result.perMm[b] = light.histogram[b] / width;
        result.perMmError[b] = light.histogramError[b] / width;
        result.relative[b] = ratio(result.perMm[b], meanPerMm);
        const double low =
            ratio(std::max(result.perMm[b] - result.perMmError[b], 0.0), meanPerMm + meanError);
        const double high = meanPerMm > meanError
                                ? (result.perMm[b] + result.perMmError[b]) / (meanPerMm - meanError)
                                : std::numeric_limits<double>::infinity();
        const bool first = b == 0;
        u.minOverMean = first ? result.relative[b] : std::min(u.minOverMean, result.relative[b]);
        u.maxOverMean = first ? result.relative[b] : std::max(u.maxOverMean, result.relative[b]);
        u.minOverMeanLow = first ? low : std::min(u.minOverMeanLow, low);
        u.minOverMeanHigh = first ? high : std::min(u.minOverMeanHigh, high);
        u.maxOverMeanLow = first ? low : std::max(u.maxOverMeanLow, low);
        u.maxOverMeanHigh = first ? high : std::max(u.maxOverMeanHigh, high);
    }
}

} // namespace

LightEstimator::LightEstimator(EstimateOptions options) : options_(std::move(options)) {}

PhysicalEstimate LightEstimator::estimate(const PhysicalDesign& design) const {
    return estimate(Scene::FromDesign(design));
}

PhysicalEstimate LightEstimator::estimate(const Scene& scene) const {
    Validate(scene, options_);
    // Tubes taken as their mirror partner's image are not integrated.
    int integrated = 0;
    const bool symmetric = scene.mirrorSymmetric();
    for (std::size_t i = 0; i < scene.tubes.size(); ++i) {
        integrated += MirrorPartner(scene, i, symmetric) < 0 ? 1 : 0;
    }
    const int perScene = 9 * integrated;
    // Each tube's offsets start with the Gauss rule over the whole range and over both halves.
    Progress progress;
    progress.expected = perScene * (options_.bareTube ? 2 : 1);
    std::vector<TubeLight> perTube;
    const TubeLight light = IntegrateScene(scene, options_, options_.bins, progress, &perTube);
    PhysicalEstimate result;
    result.efficiency = light.mean[RayOutcome::Water];
    result.error = light.error;
    result.losses.absorbed = light.mean[RayOutcome::Absorbed];
    result.losses.returnedToTube = light.mean[RayOutcome::ReturnedToTube];
    result.losses.besideAquarium = light.mean[RayOutcome::BesideAquarium];
    result.losses.escaped = light.mean[RayOutcome::Escaped];
    result.losses.reflectedAtWater = light.mean[RayOutcome::ReflectedAtWater];
    result.raysTraced = light.rays;
    // Reached when no refinement stopped at its limit; the stated bound may then still exceed the
    // tolerance by the Fresnel table's interpolation error and the light of rays not followed.
    result.toleranceReached = light.reached;
    for (const TubeLight& t : perTube) {
        result.tubes.push_back({t.mean[RayOutcome::Water], t.error});
    }
    if (options_.bareTube) {
        const TubeLight bare = IntegrateScene(scene.withoutReflector(), options_, 0, progress);
        result.toleranceReached = result.toleranceReached && bare.reached;
        result.hasBareTube = true;
        result.bareTube = {bare.mean[RayOutcome::Water], bare.error};
        result.gain = bare.mean[RayOutcome::Water] > 0.0
                          ? result.efficiency / bare.mean[RayOutcome::Water]
                          : 0.0;
        result.raysTraced += bare.rays;
    }
    if (options_.bins > 0) {
        Irradiance(scene, light, result);
    }
    if (options_.progress) {
        options_.progress(1.0);
    }
    return result;
}

} // namespace kavrol::physics
