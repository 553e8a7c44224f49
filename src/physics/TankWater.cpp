// SPDX-License-Identifier: GPL-3.0-or-later
// Sections (each under a banner "// ---- name ----"): the wall crossings of one line; Fresnel
// at a wall; the descent of an entry.
#include "TankWater.h"

#include <algorithm>
#include <array>
#include <cmath>

// ---- The wall crossings of one line ----
namespace kavrol::physics {

namespace {

// The mean of exp(-c f) over f running linearly from f0 to f1.
double MeanDecay(double c, double f0, double f1) {
    const double span = c * (f1 - f0);
    if (std::abs(span) < 1e-9) {
        return std::exp(-c * 0.5 * (f0 + f1));
    }
    return std::exp(-c * f0) * -std::expm1(-span) / span;
}

// Where the line from `from` moving by `delta` crosses the planes offset + k * period, as
// fractions of the way (ascending), at most TankWater::kMaxWallEvents + 1 of them.
int Crossings(double from, double delta, double offset, double period, double* fractions) {
    if (delta == 0.0) {
        return 0;
    }
    const double to = from + delta;
    int count = 0;
    if (delta > 0.0) {
        double k = std::floor((from - offset) / period) + 1.0;
        for (double plane = offset + k * period; plane <= to; plane = offset + (++k) * period) {
            if (plane > from) {
                fractions[count++] = (plane - from) / delta;
            }
            if (count > TankWater::kMaxWallEvents) {
                break;
            }
        }
    } else {
        double k = std::ceil((from - offset) / period) - 1.0;
        for (double plane = offset + k * period; plane >= to; plane = offset + (--k) * period) {
            if (plane < from) {
                fractions[count++] = (plane - from) / delta;
            }
            if (count > TankWater::kMaxWallEvents) {
                break;
            }
        }
    }
    return count;
}

} // namespace

} // namespace kavrol::physics

// ---- Fresnel at a wall ----
namespace kavrol::physics {

TankWater::TankWater(double width, double length, double refractiveIndex, double attenuationPerM)
    : width_(width), length_(length), n_(refractiveIndex),
      attenuationPerMm_(attenuationPerM / 1000.0) {}

double TankWater::WallTransmittance(double cosTheta, double n) {
    if (n == 1.0) {
        return 1.0;
    }
    const double ci = std::clamp(cosTheta, 0.0, 1.0);
    const double sinT2 = n * n * (1.0 - ci * ci);
    if (sinT2 >= 1.0) {
        return 0.0; // total reflection
    }
    const double ct = std::sqrt(1.0 - sinT2);
    const double rs = (n * ci - ct) / (n * ci + ct);
    const double rp = (ci - n * ct) / (ci + n * ct);
    return 1.0 - 0.5 * (rs * rs + rp * rp);
}

} // namespace kavrol::physics

// ---- The descent of an entry ----
namespace kavrol::physics {

namespace {

// Cuts of the entry's interval: where a line starts or stops crossing a plane k L, and where
// its crossing passes one across (at the fractions `fx` of the way).
void CutsAlong(const WaterEntry& entry, double deltaZ, double length, const double* fx, int crossX,
               std::vector<double>& cuts) {
    cuts.assign({entry.z0, entry.z1});
    if (deltaZ != 0.0) {
        const double low = std::min(entry.z0, entry.z0 + deltaZ);
        const double high = std::max(entry.z1, entry.z1 + deltaZ);
        const double firstK = std::floor(low / length);
        const double lastK =
            std::min(std::ceil(high / length), firstK + TankWater::kMaxWallEvents + 2);
        for (double k = firstK; k <= lastK; k += 1.0) {
            const double plane = k * length;
            cuts.push_back(plane);
            cuts.push_back(plane - deltaZ);
            for (int i = 0; i < crossX; ++i) {
                cuts.push_back(plane - fx[i] * deltaZ);
            }
        }
    }
    std::sort(cuts.begin(), cuts.end());
}

// What one line's walls do on its way down: the share each wall reflects, the planes across it
// crosses (as fractions of the way) and its motion along the tank.
struct Walls {
    double reflectX = 0.0;
    double reflectZ = 0.0;
    double decay = 0.0; // attenuation over the whole way
    double deltaZ = 0.0;
    double length = 0.0;
    const double* fx = nullptr;
    int crossX = 0;
};

// The lines starting in [u0, u1] (one cut, `weight` of the share) meet the same walls in the
// same order: each wall's loss is the share before it times (1 - R) times the mean attenuation
// up to it. Adds the losses to `out`; returns what arrives.
double CrossWalls(const Walls& walls, double u0, double u1, double weight,
                  TankWater::Descent& out) {
    struct Event {
        double f0 = 0.0; // the fraction of the way at the cut's ends
        double f1 = 0.0;
        bool alongZ = false;
    };
    constexpr int kMax = TankWater::kMaxWallEvents;
    std::array<Event, 2 * kMax + 4> events{};
    const double middle = 0.5 * (u0 + u1);
    std::size_t count = 0;
    for (int k = 0; k < walls.crossX && count < kMax; ++k) {
        const double f = walls.fx[k];
        events[count++] = {f, f, false};
    }
    std::array<double, kMax + 2> fz{};
    const int crossZ = Crossings(middle, walls.deltaZ, 0.0, walls.length, fz.data());
    for (int k = 0; k < crossZ && count < 2 * kMax; ++k) {
        // The plane this line crosses, and the fraction at the cut's ends.
        const double plane = middle + fz[static_cast<std::size_t>(k)] * walls.deltaZ;
        events[count++] = {(plane - u0) / walls.deltaZ, (plane - u1) / walls.deltaZ, true};
    }
    std::sort(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(count),
              [](const Event& p, const Event& q) { return p.f0 + p.f1 < q.f0 + q.f1; });
    double factor = 1.0;
    const bool capped = walls.crossX > kMax || crossZ > kMax;
    for (std::size_t e = 0; e < count; ++e) {
        const Event& ev = events[e];
        const double reflect = ev.alongZ ? walls.reflectZ : walls.reflectX;
        const double lost =
            weight * factor * (1.0 - reflect) * MeanDecay(walls.decay, ev.f0, ev.f1);
        (ev.alongZ ? out.endGlass : out.frontBackGlass) += lost;
        factor *= reflect;
        if (factor == 0.0) {
            break;
        }
    }
    return capped ? 0.0 : weight * factor * std::exp(-walls.decay);
}

// Whether the unfolded stretch [a, b] of z, folded into the tank of this length, meets the
// window [w0, w1].
bool Meets(double a, double b, double w0, double w1, double length) {
    if (b - a >= 2.0 * length) {
        return true;
    }
    const auto first = static_cast<long long>(std::floor(a / length));
    const auto last = static_cast<long long>(std::floor(b / length));
    for (long long k = first; k <= last; ++k) {
        const double start = static_cast<double>(k) * length;
        const double r0 = std::max(a, start) - start;
        const double r1 = std::min(b, start + length) - start;
        const bool mirrored = (k % 2) != 0;
        const double f0 = mirrored ? length - r1 : r0;
        const double f1 = mirrored ? length - r0 : r1;
        if (f0 <= w1 && f1 >= w0) {
            return true;
        }
    }
    return false;
}

} // namespace

void TankWater::descend(const WaterEntry& entry, double depth, Descent& out) const {
    follow(entry, depth, nullptr, out);
}

void TankWater::descend(const WaterEntry& entry, double depth, const Window& window,
                        Descent& out) const {
    follow(entry, depth, &window, out);
}

// The entry's z-interval is cut where the set or the order of its wall crossings changes;
// within a cut every line meets the same walls in the same order, and each loss is a closed
// form.
void TankWater::follow(const WaterEntry& entry, double depth, const Window* window,
                       Descent& out) const {
    out.pieces.clear();
    out.arrived = out.frontBackGlass = out.endGlass = out.absorbed = 0.0;
    const double deltaX = depth * entry.slopeX;
    const double deltaZ = depth * entry.slopeZ;
    out.x = entry.x + deltaX;
    const double down = 1.0 / entry.lengthPerDepth;
    std::array<double, kMaxWallEvents + 2> fx{};
    Walls walls;
    walls.decay = attenuationPerMm_ * depth * entry.lengthPerDepth;
    walls.reflectX = 1.0 - WallTransmittance(std::abs(entry.slopeX) * down, n_);
    walls.reflectZ = 1.0 - WallTransmittance(std::abs(entry.slopeZ) * down, n_);
    walls.crossX = Crossings(entry.x, deltaX, -width_ / 2.0, width_, fx.data());
    walls.fx = fx.data();
    walls.deltaZ = deltaZ;
    walls.length = length_;
    std::vector<double>& cuts = out.cuts;
    CutsAlong(entry, deltaZ, length_, fx.data(), walls.crossX, cuts);
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        const double u0 = std::max(cuts[i], entry.z0);
        const double u1 = std::min(cuts[i + 1], entry.z1);
        if (!(u1 > u0)) {
            continue;
        }
        if (window != nullptr && !Meets(u0 + deltaZ + window->shift0, u1 + deltaZ + window->shift1,
                                        window->z0, window->z1, length_)) {
            continue;
        }
        const double weight = entry.density * (u1 - u0);
        const double arrived = CrossWalls(walls, u0, u1, weight, out);
        if (arrived > 0.0) {
            const double share = arrived;
            const double z0 = u0 + deltaZ;
            const double z1 = u1 + deltaZ;
            if (!out.pieces.empty() && out.pieces.back().z1 == z0 &&
                out.pieces.back().share / (out.pieces.back().z1 - out.pieces.back().z0) ==
                    share / (z1 - z0)) {
                out.pieces.back().z1 = z1;
                out.pieces.back().share += share;
            } else {
                out.pieces.push_back({z0, z1, share});
            }
            out.arrived += share;
        }
        out.absorbed += weight - arrived;
    }
    out.absorbed -= out.frontBackGlass + out.endGlass;
}

} // namespace kavrol::physics
