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
#include <numbers>

namespace kavrol::physics {

namespace {

constexpr int kFates = RayOutcome::kFates;
// Halvings of a tube's offset range at most; each halving doubles the work there.
constexpr int kMaxOffsetDepth = 6;

// How the error bound is shared out: the directions' integrals get this much of it, the
// integral over offsets the rest but a little kept for the Fresnel table.
constexpr double kDirectionShare = 0.4;
constexpr double kOffsetShare = 0.55;

struct TubeLight {
    std::array<double, kFates> mean{};
    double error = 0.0;
    std::vector<double> histogram;
    std::int64_t rays = 0;
};

struct Work {
    const Scene& scene;
    const PathTracer& tracer;
    const EstimateOptions& options;
    DirectionIntegrator::Settings settings;
    DirectionIntegrator::Bins bins;
    double offsetBudget = 0.0;
    int cellsPerHalfTurn = 32;
    int done = 0;
    int expected = 1;
};

void Report(Work& work) {
    ++work.done;
    if (work.options.progress) {
        work.options.progress(std::min(0.99, double(work.done) / work.expected));
    }
}

// The 7-point rule over the tube's offsets p = R (3t - t^3) / 2 for t in [t0, t1], halving the
// range where the 3-point rule disagrees with it by more than the range's part of the budget.
// The substitution gathers nodes toward the tube's limbs (p = +-R), where grazing rays make
// the integrand vary fastest; the tube's light is (1/2R) of the integral over p, that is the
// integral over t with weight (3/4)(1 - t^2).
void IntegrateOffsets(Work& work, int tube, double t0, double t1, double aMin, double aMax,
                      int depth, TubeLight& light) {
    const double radius = work.scene.tubes[static_cast<std::size_t>(tube)].radius;
    const double centre = 0.5 * (t0 + t1);
    const double half = 0.5 * (t1 - t0);
    TubeLight part;
    part.histogram.assign(static_cast<std::size_t>(work.bins.count), 0.0);
    double gauss = 0.0;
    for (std::size_t i = 0; i < 7; ++i) {
        const double t = centre + half * GaussKronrod7::kNodes[i];
        const double p = radius * (3.0 * t - t * t * t) / 2.0;
        const double scale = half * 0.75 * (1.0 - t * t);
        DirectionIntegrator directions(work.tracer, tube, p, work.settings);
        const DirectionIntegrator::Result r = directions.integrate(aMin, aMax, work.bins);
        Report(work);
        const double k = scale * GaussKronrod7::kKronrodWeights[i];
        for (std::size_t f = 0; f < kFates; ++f) {
            part.mean[f] += k * r.mean[f];
        }
        for (std::size_t b = 0; b < r.histogram.size(); ++b) {
            part.histogram[b] += k * r.histogram[b];
        }
        gauss += scale * GaussKronrod7::kGaussWeights[i] * r.mean[RayOutcome::Water];
        part.error += k * r.error;
        part.rays += r.rays;
    }
    const double offsetError = std::abs(part.mean[RayOutcome::Water] - gauss);
    if (offsetError > work.offsetBudget * half && depth < kMaxOffsetDepth) {
        work.expected += 14;
        light.rays += part.rays;
        IntegrateOffsets(work, tube, t0, centre, aMin, aMax, depth + 1, light);
        IntegrateOffsets(work, tube, centre, t1, aMin, aMax, depth + 1, light);
        return;
    }
    for (std::size_t f = 0; f < kFates; ++f) {
        light.mean[f] += part.mean[f];
    }
    for (std::size_t b = 0; b < part.histogram.size(); ++b) {
        light.histogram[b] += part.histogram[b];
    }
    light.error += part.error + offsetError;
    light.rays += part.rays;
}

// A tube on the axis of a mirror-symmetric scene sends its light to x < 0 as the mirror image
// of what it sends to x > 0: f(-a, -p) = f(a, p). Integrating a over [0, pi] with every
// offset covers it all; the histogram is then mirrored.
TubeLight IntegrateTube(Work& work, int tube, bool symmetric) {
    const Tube& t = work.scene.tubes[static_cast<std::size_t>(tube)];
    const bool halfTurn = symmetric && t.x == 0.0;
    TubeLight light;
    light.histogram.assign(static_cast<std::size_t>(work.bins.count), 0.0);
    work.settings.gridCells = work.cellsPerHalfTurn * (halfTurn ? 1 : 2);
    const double pi = std::numbers::pi;
    IntegrateOffsets(work, tube, -1.0, 1.0, halfTurn ? 0.0 : -pi, pi, 0, light);
    if (halfTurn) {
        const std::vector<double> once = light.histogram;
        for (std::size_t b = 0; b < once.size(); ++b) {
            light.histogram[b] = 0.5 * (once[b] + once[once.size() - 1 - b]);
        }
    }
    return light;
}

TubeLight IntegrateScene(const Scene& scene, const EstimateOptions& options, int bins, int& done,
                         int expected) {
    const auto fresnel = FresnelTable::ForIndex(scene.refractiveIndex);
    const PathTracer tracer(scene, *fresnel);
    Work work{scene, tracer, options, {}, {}, 0.0, 32, done, expected};
    const bool symmetric = scene.mirrorSymmetric();
    work.cellsPerHalfTurn = options.tolerance >= 0.002 ? 16 : 32;
    work.settings.budget = kDirectionShare * options.tolerance;
    work.settings.cancel = options.cancel;
    work.offsetBudget = kOffsetShare * options.tolerance;
    work.bins = {scene.water.xMin, scene.water.xMax, bins};
    TubeLight total;
    total.histogram.assign(static_cast<std::size_t>(bins), 0.0);
    double power = 0.0;
    for (const Tube& t : scene.tubes) {
        power += t.power;
    }
    for (std::size_t i = 0; i < scene.tubes.size(); ++i) {
        const TubeLight light = IntegrateTube(work, static_cast<int>(i), symmetric);
        const double share = scene.tubes[i].power / power;
        for (std::size_t f = 0; f < kFates; ++f) {
            total.mean[f] += share * light.mean[f];
        }
        for (std::size_t b = 0; b < total.histogram.size(); ++b) {
            total.histogram[b] += share * light.histogram[b];
        }
        total.error += share * light.error;
        total.rays += light.rays;
    }
    total.error += fresnel->interpolationError();
    done = work.done;
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
}

} // namespace

LightEstimator::LightEstimator(EstimateOptions options) : options_(std::move(options)) {}

PhysicalEstimate LightEstimator::estimate(const PhysicalDesign& design) const {
    return estimate(Scene::FromDesign(design));
}

PhysicalEstimate LightEstimator::estimate(const Scene& scene) const {
    Validate(scene, options_);
    const int perScene = 7 * static_cast<int>(scene.tubes.size());
    const int expected = perScene * (options_.bareTube ? 2 : 1);
    int done = 0;
    const TubeLight light = IntegrateScene(scene, options_, options_.bins, done, expected);
    PhysicalEstimate result;
    result.efficiency = light.mean[RayOutcome::Water];
    result.error = light.error;
    result.losses.absorbed = light.mean[RayOutcome::Absorbed];
    result.losses.returnedToTube = light.mean[RayOutcome::ReturnedToTube];
    result.losses.besideAquarium = light.mean[RayOutcome::BesideAquarium];
    result.losses.escaped = light.mean[RayOutcome::Escaped];
    result.losses.reflectedAtWater = light.mean[RayOutcome::ReflectedAtWater];
    result.raysTraced = light.rays;
    if (options_.bareTube) {
        const TubeLight bare =
            IntegrateScene(scene.withoutReflector(), options_, 0, done, expected);
        result.hasBareTube = true;
        result.bareTube = {bare.mean[RayOutcome::Water], bare.error};
        result.gain = bare.mean[RayOutcome::Water] > 0.0
                          ? result.efficiency / bare.mean[RayOutcome::Water]
                          : 0.0;
        result.raysTraced += bare.rays;
    }
    const int bins = options_.bins;
    if (bins > 0) {
        const double width = (scene.water.xMax - scene.water.xMin) / bins;
        const double meanPerMm = result.efficiency / (scene.water.xMax - scene.water.xMin);
        result.edgesMm.resize(static_cast<std::size_t>(bins) + 1);
        result.perMm.resize(static_cast<std::size_t>(bins));
        result.relative.resize(static_cast<std::size_t>(bins));
        for (int b = 0; b <= bins; ++b) {
            result.edgesMm[static_cast<std::size_t>(b)] =
                b == bins ? scene.water.xMax : scene.water.xMin + b * width;
        }
        double lowest = 0.0;
        double highest = 0.0;
        for (std::size_t b = 0; b < result.perMm.size(); ++b) {
            result.perMm[b] = light.histogram[b] / width;
            result.relative[b] = meanPerMm > 0.0 ? result.perMm[b] / meanPerMm : 0.0;
            lowest = b == 0 ? result.relative[b] : std::min(lowest, result.relative[b]);
            highest = b == 0 ? result.relative[b] : std::max(highest, result.relative[b]);
        }
        result.uniformity = {lowest, highest};
    }
    if (options_.progress) {
        options_.progress(1.0);
    }
    return result;
}

} // namespace kavrol::physics
