// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LossBreakdown.h"
#include "Material.h"
#include "Numerics.h"
#include "Refraction.h"
#include "StepRounder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kavrol {

// The ray tracer of the build pass and of the search, written once over a scene. A ray steps
// along its leg one pixel at a time, each sample computed from the leg's start and the step
// count, and acts on the material found there: the reflector mirrors the ray about its tangent
// and costs the albedo, the tube ends it, the water refracts it with the Fresnel share; free
// space is drawn. The build pass's scene is the colour picture; the search's is a raster of
// material codes that may jump over squares it knows to be free.
//
// A Scene provides:
//   Material at(int x, int y)                 the material a sample reads
//   SinCos direction(double t)                sin t and cos t in extended precision
//   const Refraction& refraction(double t)    Refraction::IntoWater(t), perhaps kept
//   double surfaceAngle(int x)                the reflector's tangent angle in column x
//   int width(), int height()                 the picture's size
//   void beginLeg(const Leg& leg)             a leg starts (the first, or after a reflection)
//   void drawTo(int x, int y, bool first)     a free sample: draw the leg on to it
//   void leaveLeg(const Leg& leg)             the leg left the picture for good
//   std::int64_t freeSteps(int x, int y, std::int64_t i, const Leg& leg)
//                                             samples after step i that surely read free space
//                                             and need no drawing (0 when unknown)
//   void enterWater(int x, int y, const Refraction& w)
//                                             draw the refracted path from (x, y)
//
// Sections: the fan's start; the leg; the tracer.
class Tracer {
public:
    // --- The fan ---

    static constexpr int RayCount = 72;

    struct Point {
        int x = 0;
        int y = 0;
    };
    // Ray k (0 to 71) of the fan leaves the tube's circle radially at 5k degrees.
    static Point FanStart(int k, int lampX, int lampY, int lampR) {
        const Extended a = (k * 5) * Pi / 180;
        return {Round(std::sin(a) * lampR + lampX), Round(std::cos(a) * lampR + lampY)};
    }
    static double FanDirection(int k) { return static_cast<double>((k * 5) * Pi / 180); }

    // --- The leg ---

    struct SinCos {
        Extended sin = 0;
        Extended cos = 1;
    };
    // One straight stretch of a ray, from its start or a reflection up to its last step.
    struct Leg {
        StepRounder column;
        StepRounder row;
        Extended sinT;
        Extended cosT;
        // The leg's last sample; the samples' columns and rows move monotonically toward it.
        int endX;
        int endY;
        // The last step of every leg.
        std::int64_t lastStep;
        // 0 for the ray's first leg, one more after each reflection.
        int reflections;
    };

    // --- The tracer ---

    // A leg steps up to max(RefAPx, 900) pixels.
    Tracer(long double albedo, int maxReflections, std::int32_t refAPx)
        : albedo_(albedo), maxReflections_(maxReflections),
          lastStep_(std::max<std::int32_t>(refAPx, 900)) {}

    std::int64_t lastStep() const { return lastStep_; }

    // Follows one ray from (x, y) in direction t through the scene and returns the power it
    // brings into the water; where the rest went is added to losses. A leg starts 4 pixels out,
    // so no ray meets its own start pixel.
    // Kept whole though over 60 lines: one ray's walk is the model's rule in the order it is
    // stated, and both scenes must take the same steps to give the same bits.
    template <class Scene>
    double trace(Scene& scene, int x, int y, double t, LossBreakdown& losses) const {
        const int width = scene.width();
        const int height = scene.height();
        double power = 1.0;
        int x0 = x;
        int y0 = y;
        int reflections = 0;
        for (;;) {
            const SinCos d = scene.direction(t);
            const StepRounder column(d.sin, x0);
            const StepRounder row(d.cos, y0);
            const Leg leg{
                column,    row,        d.sin, d.cos, column.at(lastStep_), row.at(lastStep_),
                lastStep_, reflections};
            scene.beginLeg(leg);
            bool reflected = false;
            int px = x0;
            int py = y0;
            for (std::int64_t i = 4; i <= lastStep_; ++i) {
                px = leg.column.at(i);
                py = leg.row.at(i);
                const Material material = scene.at(px, py);
                if (material == Material::Reflector) {
                    const double angle = scene.surfaceAngle(px);
                    t = static_cast<double>(2 * static_cast<Extended>(angle) - t);
                    losses.absorbed += power - static_cast<double>(power * albedo_);
                    power = static_cast<double>(power * albedo_);
                    reflected = true;
                    break;
                }
                if (material == Material::Tube) {
                    losses.returnedToTube += power;
                    return 0;
                }
                if (material == Material::Water)
                    return enterWater(scene, px, py, t, power, losses);
                scene.drawTo(px, py, i == 4);
                // Outside the picture and heading away from it, the rest of the leg is free
                // space that draws nothing, so the ray can only use up its steps.
                if (static_cast<unsigned>(px) >= static_cast<unsigned>(width) ||
                    static_cast<unsigned>(py) >= static_cast<unsigned>(height)) {
                    if ((px < 0 && leg.endX < 0) || (py < 0 && leg.endY < 0) ||
                        (px >= width && leg.endX >= width) ||
                        (py >= height && leg.endY >= height)) {
                        scene.leaveLeg(leg);
                        break;
                    }
                }
                i += scene.freeSteps(px, py, i, leg);
            }
            if (!reflected)
                break;
            if (++reflections > maxReflections_)
                break;
            x0 = px;
            y0 = py;
        }
        // Steps used up without meeting the water (or too many reflections).
        losses.escaped += power;
        return 0;
    }

private:
    template <class Scene>
    static double enterWater(Scene& scene, int px, int py, double t, double power,
                             LossBreakdown& losses) {
        const Refraction& w = scene.refraction(t);
        const double before = power;
        power = static_cast<double>(static_cast<Extended>(power) * w.factor);
        losses.delivered += power;
        losses.reflectedAtWater += before - power;
        scene.enterWater(px, py, w);
        return power;
    }

    long double albedo_;
    int maxReflections_;
    std::int64_t lastStep_;
};

} // namespace kavrol
