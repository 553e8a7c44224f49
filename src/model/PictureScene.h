// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Canvas.h"
#include "Material.h"
#include "Profile.h"
#include "Refraction.h"
#include "Tracer.h"

#include <cmath>
#include <cstdint>

namespace kavrol {

// The build pass's scene for the tracer: the colour picture, read back as materials and drawn
// on with the canvas's pen. Ray paths are red, blue after a reflection; the refracted path in the
// water is drawn in full, across the tank's span.
class PictureScene {
public:
    // spanLeft and spanRight bound the tank's columns, exclusive.
    PictureScene(Canvas& canvas, const Profile& profile, std::int32_t refLeft,
                 std::int64_t spanLeft, std::int64_t spanRight)
        : canvas_(canvas), profile_(profile), refLeft_(refLeft), spanLeft_(spanLeft),
          spanRight_(spanRight) {}

    Material at(int x, int y) const {
        const Rgb color = canvas_.pixel(x, y);
        if (color == Colors::Black)
            return Material::Reflector;
        if (color == Colors::Yellow)
            return Material::Tube;
        if (color == Colors::SkyBlue)
            return Material::Water;
        return Material::Free;
    }
    static Tracer::SinCos direction(double t) {
        return {std::sin(static_cast<Extended>(t)), std::cos(static_cast<Extended>(t))};
    }
    const Refraction& refraction(double t) {
        refraction_ = Refraction::IntoWater(t);
        return refraction_;
    }
    double surfaceAngle(int x) const { return profile_.angleAt(std::int64_t{x} - refLeft_); }
    int width() const { return canvas_.width(); }
    int height() const { return canvas_.height(); }

    void beginLeg(const Tracer::Leg& leg) {
        canvas_.setPenColor(leg.reflections == 0 ? Colors::Red : Colors::Blue);
    }
    void drawTo(int x, int y, bool /*first*/) { canvas_.lineTo(x, y); }
    void leaveLeg(const Tracer::Leg& leg) { canvas_.moveTo(leg.endX, leg.endY); }
    static std::int64_t freeSteps(int, int, std::int64_t, const Tracer::Leg&) { return 0; }
    // The refracted path is drawn, not traced, down to the bottom or out of the tank's span.
    void enterWater(int px, int py, const Refraction& w) {
        const StepRounder column(w.sinR, px);
        const StepRounder row(w.cosR, py);
        for (std::int64_t v = 0; spanLeft_ < px && px < spanRight_ && py < canvas_.height(); ++v) {
            px = column.at(v);
            py = row.at(v);
            canvas_.lineTo(px, py);
        }
    }

private:
    Canvas& canvas_;
    const Profile& profile_;
    std::int32_t refLeft_;
    std::int64_t spanLeft_;
    std::int64_t spanRight_;
    Refraction refraction_;
};

} // namespace kavrol
