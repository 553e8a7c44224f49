// SPDX-License-Identifier: GPL-3.0-or-later
// Sections (each under a banner "// --- name ---"): settings from the options; the integral
// over a tube's offsets; the light of the reflector's patches; the whole scene; the irradiance
// and the result.
#include "LightEstimator.h"

#include "AdaptiveGauss.h"
#include "DiffuseTransfer.h"
#include "DirectionIntegrator.h"
#include "FresnelTable.h"
#include "PathTracer.h"
#include "PhysicalDesignError.h"
#include "QuadratureRule.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <optional>

namespace kavrol::physics {

namespace {

// --- Settings from the options ---

constexpr int kFates = RayOutcome::kFates;

// Light reaching reflector patches too faintly to be worth tracing, as a share of the
// tolerance: it counts as absorbed and joins the bound whole.
constexpr double kUntracedShare = 0.05;

struct TubeLight {
    std::array<double, kFates> mean{};
    double error = 0.0;
    std::vector<double> histogram;
    std::vector<double> histogramError; // a bound on each bin's error
    std::int64_t rays = 0;
    // False once a refinement stopped at its limit before its part of the budget was met.
    bool reached = true;
    // With a scattering surface: what went to each patch side, and the unresolved gloss.
    std::vector<double> deposits;
    double unresolved = 0.0;
    double glossWaterDelta = 0.0; // signed; see RayOutcome
    double glossDiffusedDelta = 0.0;
    // The same at each further albedo the tracer follows: the share entering the water
    // (mean[Water]), its bound and the scattered light, without the losses and the bins.
    std::vector<TubeLight> alike;
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
    int cellsPerHalfTurn = 32;
    Progress& progress;
    const SurfacePatches* patches = nullptr;
    std::vector<int> mirrorMap; // of the patches' sides, when the scene is symmetric
    // Each traced side's light at the further albedos, kept for their own transfers.
    std::vector<std::vector<PatchLight>> sideAlike;
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

// --- The integral over a tube's offsets ---

// Offsets p = R (3t - t^3) / 2 for t in [-1, 1]: the substitution gathers nodes toward the
// tube's limbs (p = +-R), where grazing rays make the light vary fastest. The tube's light is
// (1/2R) of the integral over p, that is the integral over t with weight (3/4)(1 - t^2).
double OffsetAt(double radius, double t) {
    return radius * (3.0 * t - t * t * t) / 2.0;
}
// A tube's light as one vector, the integrand over offsets: the fates, the directions' bound,
// each bin's light and bound, what went to each patch side, and the gloss figures.
struct LightLayout {
    std::size_t bins = 0;
    std::size_t sides = 0;
    std::size_t alike = 0;
    // Each further albedo's water, bound, unresolved weight, gloss differences and deposits.
    static constexpr std::size_t kAlikeFigures = 5;

    static constexpr std::size_t error() { return kFates; }
    static constexpr std::size_t histogram() { return kFates + 1; }
    std::size_t histogramError() const { return histogram() + bins; }
    std::size_t deposits() const { return histogramError() + bins; }
    std::size_t gloss() const { return deposits() + sides; } // unresolved, water, diffused
    std::size_t alikeAt(std::size_t k) const { return gloss() + 3 + k * (kAlikeFigures + sides); }
    std::size_t size() const { return alikeAt(alike); }

    // One offset's light.
    void pack(const DirectionIntegrator::Result& r, std::vector<double>& v) const {
        v.assign(size(), 0.0);
        for (std::size_t f = 0; f < kFates; ++f) {
            v[f] = r.mean[f];
        }
        v[error()] = r.error;
        for (std::size_t b = 0; b < r.histogram.size() && b < bins; ++b) {
            v[histogram() + b] = r.histogram[b];
            v[histogramError() + b] = r.histogramError[b];
        }
        for (std::size_t k = 0; k < r.deposits.size() && k < sides; ++k) {
            v[deposits() + k] = r.deposits[k];
        }
        v[gloss()] = r.unresolved;
        v[gloss() + 1] = r.glossWaterDelta;
        v[gloss() + 2] = r.glossDiffusedDelta;
        for (std::size_t k = 0; k < alike; ++k) {
            const DirectionIntegrator::Result::Alike& a = r.alike[k];
            const std::size_t at = alikeAt(k);
            v[at] = a.water;
            v[at + 1] = a.error;
            v[at + 2] = a.unresolved;
            v[at + 3] = a.glossWaterDelta;
            v[at + 4] = a.glossDiffusedDelta;
            for (std::size_t j = 0; j < a.deposits.size() && j < sides; ++j) {
                v[at + kAlikeFigures + j] = a.deposits[j];
            }
        }
    }

    // The integral over offsets, each rule's error added to the bound of the share entering the
    // water and of each bin.
    void unpack(const AdaptiveGauss::Result& r, TubeLight& light) const {
        for (std::size_t f = 0; f < kFates; ++f) {
            light.mean[f] = r.value[f];
        }
        light.error = r.value[error()] + r.error[RayOutcome::Water];
        light.histogram.assign(bins, 0.0);
        light.histogramError.assign(bins, 0.0);
        for (std::size_t b = 0; b < bins; ++b) {
            light.histogram[b] = r.value[histogram() + b];
            light.histogramError[b] = r.value[histogramError() + b] + r.error[histogram() + b];
        }
        light.deposits.assign(r.value.begin() + static_cast<std::ptrdiff_t>(deposits()),
                              r.value.begin() + static_cast<std::ptrdiff_t>(gloss()));
        light.unresolved = r.value[gloss()];
        light.glossWaterDelta = r.value[gloss() + 1];
        light.glossDiffusedDelta = r.value[gloss() + 2];
        light.alike.assign(alike, TubeLight{});
        for (std::size_t k = 0; k < alike; ++k) {
            TubeLight& a = light.alike[k];
            const std::size_t at = alikeAt(k);
            a.mean[RayOutcome::Water] = r.value[at];
            a.error = r.value[at + 1] + r.error[at];
            a.unresolved = r.value[at + 2];
            a.glossWaterDelta = r.value[at + 3];
            a.glossDiffusedDelta = r.value[at + 4];
            const auto from = r.value.begin() + static_cast<std::ptrdiff_t>(at + kAlikeFigures);
            a.deposits.assign(from, from + static_cast<std::ptrdiff_t>(sides));
        }
    }
};

// The light over all offsets by the adaptive Gauss rule in t, each node's light integrated over
// all directions. The judged component is the share entering the water: the range that may still
// be most wrong in it is halved until the ranges are within the offsets' part of the budget.
TubeLight IntegrateOffsets(Work& work, int tube, double aMin, double aMax) {
    const double radius = work.scene.tubes[static_cast<std::size_t>(tube)].radius;
    const LightLayout layout{
        static_cast<std::size_t>(work.bins.count),
        static_cast<std::size_t>(work.tracer.sourceCount() - work.tracer.tubeCount()),
        static_cast<std::size_t>(work.tracer.alikeCount())};
    TubeLight light;
    const AdaptiveGauss::Integrand atOffset = [&](double t, std::vector<double>& value) {
        DirectionIntegrator directions(work.tracer, tube, OffsetAt(radius, t), work.settings);
        const DirectionIntegrator::Result r = directions.integrate(aMin, aMax, work.bins);
        Report(work);
        light.rays += r.rays;
        light.reached = light.reached && r.reached;
        layout.pack(r, value);
    };
    AdaptiveGauss::Settings settings;
    settings.budget = work.offsetBudget;
    settings.judged = RayOutcome::Water;
    settings.differenceSafety = work.options.budget.differenceSafety;
    // The offsets' density in t and its integral from -1.
    settings.density = [](double t) { return 0.75 * (1.0 - t * t); };
    settings.densityIntegral = [](double t) { return 0.5 + 0.75 * t - 0.25 * t * t * t; };
    settings.foresee = [&work](int evaluations) { work.progress.expected += evaluations; };
    const AdaptiveGauss::Result result = AdaptiveGauss(settings).integrate(atOffset, -1.0, 1.0);
    layout.unpack(result, light);
    light.reached = light.reached && result.reached;
    for (TubeLight& alike : light.alike) {
        alike.reached = light.reached;
    }
    return light;
}

// Light to the patches from half a turn made whole: each side's with its mirror image's.
void Symmetrise(std::vector<double>& deposits, const std::vector<int>& mirrorMap) {
    const std::vector<double> once = deposits;
    for (std::size_t k = 0; k < once.size(); ++k) {
        deposits[k] = 0.5 * (once[k] + once[static_cast<std::size_t>(mirrorMap[k])]);
    }
}

// A tube on the axis of a mirror-symmetric scene sends its light to x < 0 as the mirror image
// of what it sends to x > 0: f(-a, -p) = f(a, p). Integrating a over [0, pi] with every
// offset covers it all; the histogram is then mirrored.
TubeLight IntegrateTube(Work& work, int tube, bool symmetric) {
    const Tube& t = work.scene.tubes[static_cast<std::size_t>(tube)];
    const bool halfTurn = symmetric && t.x == 0.0;
    work.settings.gridCells = work.cellsPerHalfTurn * (halfTurn ? 1 : 2);
    const double pi = std::numbers::pi;
    TubeLight light = IntegrateOffsets(work, tube, halfTurn ? 0.0 : -pi, pi);
    if (halfTurn) {
        const std::vector<double> once = light.histogram;
        const std::vector<double> onceError = light.histogramError;
        for (std::size_t b = 0; b < once.size(); ++b) {
            light.histogram[b] = 0.5 * (once[b] + once[once.size() - 1 - b]);
            light.histogramError[b] = 0.5 * (onceError[b] + onceError[once.size() - 1 - b]);
        }
        Symmetrise(light.deposits, work.mirrorMap);
        for (TubeLight& alike : light.alike) {
            Symmetrise(alike.deposits, work.mirrorMap);
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

TubeLight Mirrored(const TubeLight& light, const std::vector<int>& mirrorMap) {
    TubeLight mirrored = light;
    mirrored.rays = 0;
    std::reverse(mirrored.histogram.begin(), mirrored.histogram.end());
    std::reverse(mirrored.histogramError.begin(), mirrored.histogramError.end());
    for (std::size_t k = 0; k < light.deposits.size(); ++k) {
        mirrored.deposits[static_cast<std::size_t>(mirrorMap[k])] = light.deposits[k];
    }
    for (std::size_t k = 0; k < light.alike.size(); ++k) {
        mirrored.alike[k] = Mirrored(light.alike[k], mirrorMap);
    }
    return mirrored;
}

// --- The light of the reflector's patches ---

// How many patches the reflector is cut into for the diffuse transfer, from the tolerance.
int PatchCount(const EstimateOptions& options) {
    if (options.surfacePatches > 0) {
        return options.surfacePatches;
    }
    if (options.tolerance >= 0.008) {
        return 16;
    }
    return options.tolerance >= 0.002 ? 24 : 32;
}

// One node's light at the further albedos, weighed by w, added to each albedo's side light
// (rays are counted once, with the first).
void AddSideAlike(const DirectionIntegrator::Result& r, double w, std::vector<PatchLight>& alike) {
    for (std::size_t k = 0; k < alike.size(); ++k) {
        const DirectionIntegrator::Result::Alike& from = r.alike[k];
        PatchLight& to = alike[k];
        to.mean[RayOutcome::Water] += w * from.water;
        for (std::size_t j = 0; j < from.deposits.size() && j < to.deposits.size(); ++j) {
            to.deposits[j] += w * from.deposits[j];
        }
        to.error +=
            w * (from.error + std::abs(from.glossWaterDelta) + std::abs(from.glossDiffusedDelta));
        to.unresolved += w * from.unresolved;
    }
}

// The diffuse light of one patch side, per unit it emits: 2-point Gauss-Legendre over the
// patch's parameter (weighed by length, as the light is spread evenly along the patch), each
// node's light integrated over the directions of its half plane.
PatchLight TraceSide(Work& work, int side) {
    static const QuadratureRule rule = QuadratureRule::GaussLegendre(2);
    const SurfacePatches& patches = *work.patches;
    const SurfacePatches::Patch& patch = patches.patchOf(side);
    const SurfacePatches::Piece& piece = patches.pieceOf(side);
    const double centre = 0.5 * (patch.g0 + patch.g1);
    const double half = 0.5 * (patch.g1 - patch.g0);
    std::array<double, 2> at{};
    std::array<double, 2> weight{};
    double sum = 0.0;
    for (std::size_t i = 0; i < 2; ++i) {
        at[i] = centre + half * rule.nodes[i];
        weight[i] = rule.weights[i] * patches.pointAt(piece, at[i]).speed;
        sum += weight[i];
    }
    PatchLight light;
    light.histogram.assign(static_cast<std::size_t>(work.bins.count), 0.0);
    light.deposits.assign(static_cast<std::size_t>(patches.sideCount()), 0.0);
    std::vector<PatchLight> alike(static_cast<std::size_t>(work.tracer.alikeCount()));
    for (PatchLight& a : alike) {
        a.deposits.assign(static_cast<std::size_t>(patches.sideCount()), 0.0);
    }
    DirectionIntegrator::Settings settings = work.settings;
    settings.gridCells = work.cellsPerHalfTurn;
    const double pi = std::numbers::pi;
    work.progress.expected += 2;
    for (std::size_t i = 0; i < 2; ++i) {
        const double w = sum > 0.0 ? weight[i] / sum : 0.5;
        DirectionIntegrator directions(work.tracer, work.tracer.tubeCount() + side, at[i],
                                       settings);
        const DirectionIntegrator::Result r = directions.integrate(-pi / 2, pi / 2, work.bins);
        Report(work);
        for (std::size_t f = 0; f < kFates; ++f) {
            light.mean[f] += w * r.mean[f];
        }
        for (std::size_t b = 0; b < r.histogram.size(); ++b) {
            light.histogram[b] += w * r.histogram[b];
        }
        for (std::size_t k = 0; k < r.deposits.size(); ++k) {
            light.deposits[k] += w * r.deposits[k];
        }
        light.error += w * r.error;
        light.unresolved += w * r.unresolved;
        // The gloss rule's error, as the difference from the cruder rule.
        light.error += w * (std::abs(r.glossWaterDelta) + std::abs(r.glossDiffusedDelta));
        light.rays += r.rays;
        light.reached = light.reached && r.reached;
        AddSideAlike(r, w, alike);
    }
    for (PatchLight& a : alike) {
        a.reached = light.reached;
    }
    work.sideAlike[static_cast<std::size_t>(side)] = std::move(alike);
    return light;
}

// Hands the light the tubes gave the patches through the diffuse transfer and adds what
// becomes of it to the total and to each tube's own light.
void AddPatchLight(Work& work, const DiffuseTransfer::SideTracer& trace,
                   const std::vector<double>& tubeShare, TubeLight& total,
                   std::vector<TubeLight>& lights) {
    const int sides = work.patches->sideCount();
    std::vector<double> source(static_cast<std::size_t>(sides), 0.0);
    std::vector<std::vector<double>> perTube;
    for (std::size_t i = 0; i < lights.size(); ++i) {
        lights[i].deposits.resize(static_cast<std::size_t>(sides), 0.0);
        for (int k = 0; k < sides; ++k) {
            source[static_cast<std::size_t>(k)] +=
                tubeShare[i] * lights[i].deposits[static_cast<std::size_t>(k)];
        }
        if (lights.size() > 1) {
            perTube.push_back(lights[i].deposits);
        }
    }
    DiffuseTransfer transfer(sides, work.mirrorMap, trace, work.bins.count,
                             kUntracedShare * work.options.tolerance);
    const DiffuseTransfer::Solution solution = transfer.solve(source, perTube);
    for (std::size_t f = 0; f < kFates; ++f) {
        total.mean[f] += solution.mean[f];
    }
    total.mean[RayOutcome::Diffused] = 0.0;
    for (std::size_t b = 0; b < total.histogram.size(); ++b) {
        total.histogram[b] += solution.histogram[b];
        // The patches' light is binned by its samples alone: its bound may fall into any bin.
        total.histogramError[b] += solution.error;
    }
    total.error += solution.error;
    total.rays += solution.rays;
    total.reached = total.reached && solution.reached;
    for (std::size_t i = 0; i < lights.size(); ++i) {
        const double patchWater =
            lights.size() > 1 ? solution.water[i] : solution.mean[RayOutcome::Water];
        lights[i].mean[RayOutcome::Water] += patchWater;
        lights[i].error += solution.error;
    }
}

// --- The whole scene ---

// Each tube's light: integrated, or its mirror partner's image.
std::vector<TubeLight> IntegrateTubes(Work& work, bool symmetric) {
    const Scene& scene = work.scene;
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
            lights[i] = Mirrored(lights[static_cast<std::size_t>(partners[i])], work.mirrorMap);
        }
    }
    return lights;
}

// The tubes' light weighed by their power; tubeShare gets each tube's share of the power.
TubeLight SumTubes(const Scene& scene, const std::vector<TubeLight>& lights, int bins,
                   std::vector<double>& tubeShare) {
    TubeLight total;
    total.histogram.assign(static_cast<std::size_t>(bins), 0.0);
    total.histogramError.assign(static_cast<std::size_t>(bins), 0.0);
    double power = 0.0;
    for (const Tube& t : scene.tubes) {
        power += t.power;
    }
    tubeShare.assign(scene.tubes.size(), 0.0);
    for (std::size_t i = 0; i < scene.tubes.size(); ++i) {
        const TubeLight& light = lights[i];
        const double share = scene.tubes[i].power / power;
        tubeShare[i] = share;
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
        total.unresolved += share * light.unresolved;
        total.glossWaterDelta += share * light.glossWaterDelta;
        total.glossDiffusedDelta += share * light.glossDiffusedDelta;
    }
    return total;
}

// Light whose gloss was no longer followed may have gone anywhere; the gloss rule's error is
// estimated by its difference from the cruder rule. Where that light lands is not followed: it
// may fall into any bin.
void AddGlossError(TubeLight& total, std::vector<TubeLight>& lights) {
    const double scattered =
        total.unresolved + std::abs(total.glossWaterDelta) + std::abs(total.glossDiffusedDelta);
    total.error += scattered;
    for (double& binError : total.histogramError) {
        binError += scattered;
    }
    for (TubeLight& light : lights) {
        light.error +=
            light.unresolved + std::abs(light.glossWaterDelta) + std::abs(light.glossDiffusedDelta);
    }
}

// The Fresnel table's error: whole on the share entering the water, and on each bin in
// proportion to its light, or less.
void AddFresnelError(double interpolationError, TubeLight& total) {
    total.error += interpolationError;
    const double entered = total.mean[RayOutcome::Water];
    for (std::size_t b = 0; b < total.histogram.size(); ++b) {
        total.histogramError[b] +=
            entered > 0.0 ? interpolationError * total.histogram[b] / entered : 0.0;
    }
}

// Each further albedo's whole light, as the first albedo's: the tubes' light summed, the gloss
// rule's error, the patches' transfer solved with that albedo's own light of the sides (traced
// with the first albedo's, or now when the first's transfer took a side's as its partner's image)
// and the Fresnel table's error.
std::vector<TubeLight> AlikeTotals(Work& work, const std::vector<TubeLight>& lights,
                                   double interpolationError) {
    std::vector<TubeLight> totals;
    for (std::size_t k = 0; k < static_cast<std::size_t>(work.tracer.alikeCount()); ++k) {
        std::vector<TubeLight> perTube;
        for (const TubeLight& light : lights) {
            perTube.push_back(light.alike[k]);
        }
        std::vector<double> tubeShare;
        TubeLight total = SumTubes(work.scene, perTube, 0, tubeShare);
        AddGlossError(total, perTube);
        if (work.patches != nullptr) {
            const auto trace = [&work, k](int side) {
                const auto s = static_cast<std::size_t>(side);
                if (work.sideAlike[s].empty()) {
                    TraceSide(work, side);
                }
                return work.sideAlike[s][k];
            };
            AddPatchLight(work, trace, tubeShare, total, perTube);
        }
        AddFresnelError(interpolationError, total);
        totals.push_back(std::move(total));
    }
    return totals;
}

TubeLight IntegrateScene(const Scene& scene, const EstimateOptions& options, int bins,
                         Progress& progress, std::vector<TubeLight>* perTube = nullptr,
                         const std::vector<double>& alikeAlbedos = {}) {
    const auto fresnel = FresnelTable::ForIndex(scene.materials.refractiveIndex);
    const bool hasReflector =
        !scene.segments.empty() || !scene.arcs.empty() || !scene.curves.empty();
    std::optional<SurfacePatches> patches;
    if (hasReflector && scene.anyDiffuse()) {
        patches.emplace(scene, PatchCount(options));
    }
    const PathTracer tracer(scene, *fresnel, patches ? &*patches : nullptr, options.glossPanels,
                            alikeAlbedos);
    Work work{scene, tracer, options, {}, {}, 0.0, 32, progress, nullptr, {}, {}};
    bool symmetric = scene.mirrorSymmetric();
    if (patches) {
        work.patches = &*patches;
        work.sideAlike.resize(static_cast<std::size_t>(patches->sideCount()));
        if (symmetric) {
            work.mirrorMap = patches->mirrorMap();
            symmetric = !work.mirrorMap.empty();
        }
    }
    work.cellsPerHalfTurn = options.cellsPerHalfTurn > 0 ? options.cellsPerHalfTurn
                                                         : CellsPerHalfTurn(options.tolerance);
    work.settings.budget = options.budget.directions * options.tolerance;
    work.settings.followWeight = options.budget.follow * work.settings.budget;
    work.settings.cancel = options.cancel;
    work.offsetBudget = options.budget.offsets * options.tolerance;
    work.bins = {scene.water.xMin, scene.water.xMax, bins};
    std::vector<TubeLight> lights = IntegrateTubes(work, symmetric);
    std::vector<double> tubeShare;
    TubeLight total = SumTubes(scene, lights, bins, tubeShare);
    if (scene.anyScattering()) {
        AddGlossError(total, lights);
    }
    if (patches) {
        AddPatchLight(
            work, [&work](int side) { return TraceSide(work, side); }, tubeShare, total, lights);
    }
    AddFresnelError(fresnel->interpolationError(), total);
    total.alike = AlikeTotals(work, lights, fresnel->interpolationError());
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
        !(b.differenceSafety >= 1.0) || !(b.follow >= 0.0 && b.follow < 1.0) || !(b.gloss >= 1.0)) {
        throw PhysicalDesignError("The error budget's shares must be positive and add up to at "
                                  "most 1, the difference's safety at least 1, the followed "
                                  "share below 1 and the gloss loosening at least 1");
    }
}

// --- The irradiance and the result ---

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

// The tolerance the integrals aim at. With a gloss spread the gloss rule's own error, which
// refining the integrals does not reduce, is carried by the specularly reflected light: the
// integrals aim at the budget's gloss loosening times the tolerance when a glossy surface
// reflects half its kept light or more specularly (share 1 - d), and proportionally less below
// that. One run: light of a white gloss paint (d = 0.9) is still integrated nearly to the
// tolerance, while polished sheet, whose rule error is some three times the default tolerance,
// is not refined for nothing.
double IntegralTolerance(const Scene& scene, const EstimateOptions& options) {
    double specular = 0.0;
    const auto take = [&specular](const ReflectorSurface& s) {
        if (s.glossSpreadDeg > 0.0) {
            specular = std::max(specular, 1.0 - s.diffuseShare);
        }
    };
    for (std::size_t i = 0; i < scene.segments.size(); ++i) {
        take(scene.segmentSurface(i));
    }
    for (std::size_t i = 0; i < scene.arcs.size(); ++i) {
        take(scene.arcSurface(i));
    }
    for (std::size_t i = 0; i < scene.curves.size(); ++i) {
        take(scene.curveSurface(i));
    }
    return options.tolerance * (1.0 + (options.budget.gloss - 1.0) * std::min(1.0, 2.0 * specular));
}

} // namespace

LightEstimator::LightEstimator(EstimateOptions options) : options_(std::move(options)) {}

PhysicalEstimate LightEstimator::estimate(const PhysicalDesign& design) const {
    return estimate(Scene::FromDesign(design));
}

PhysicalEstimate LightEstimator::estimate(const Scene& scene) const {
    std::vector<AlbedoShare> none;
    return estimate(scene, {}, none);
}

bool LightEstimator::TracedAlike(const Scene& scene, const std::vector<double>& alikeAlbedos) {
    if (!scene.anyScattering() || !(scene.materials.albedo > 0.0) ||
        alikeAlbedos.size() > static_cast<std::size_t>(RayOutcome::kMaxAlike)) {
        return false;
    }
    return std::all_of(alikeAlbedos.begin(), alikeAlbedos.end(), [&scene](double albedo) {
        return albedo >= 0.0 && albedo <= scene.materials.albedo;
    });
}

// Each further albedo estimated apart, as the scene's own would be without its bins and bare
// tube.
PhysicalEstimate LightEstimator::estimateApart(const Scene& scene,
                                               const std::vector<double>& alikeAlbedos,
                                               std::vector<AlbedoShare>& alike) const {
    const PhysicalEstimate first = estimate(scene);
    EstimateOptions apart = options_;
    apart.bareTube = false;
    apart.bins = 0;
    apart.progress = nullptr;
    for (double albedo : alikeAlbedos) {
        Scene other = scene;
        other.materials.albedo = albedo;
        const PhysicalEstimate e = LightEstimator(apart).estimate(other);
        alike.push_back({e.efficiency, e.error, e.toleranceReached});
    }
    return first;
}

PhysicalEstimate LightEstimator::estimate(const Scene& scene,
                                          const std::vector<double>& alikeAlbedos,
                                          std::vector<AlbedoShare>& alike) const {
    alike.clear();
    if (!alikeAlbedos.empty() && !TracedAlike(scene, alikeAlbedos)) {
        return estimateApart(scene, alikeAlbedos, alike);
    }
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
    EstimateOptions integrals = options_;
    integrals.tolerance = IntegralTolerance(scene, options_);
    const TubeLight light =
        IntegrateScene(scene, integrals, options_.bins, progress, &perTube, alikeAlbedos);
    for (const TubeLight& a : light.alike) {
        alike.push_back({a.mean[RayOutcome::Water], a.error, a.reached});
    }
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
