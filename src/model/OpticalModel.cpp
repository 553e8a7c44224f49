// SPDX-License-Identifier: GPL-3.0-or-later
// The build pass. Sections: construction; the pass step by step; the background and grid; the
// outline; the ray fan (traced by Tracer over the picture); the efficiency.

#include "OpticalModel.h"

#include "BuildError.h"
#include "Numerics.h"
#include "PictureScene.h"
#include "SceneFigures.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace kavrol {

// --- Construction ---

// The profile table holds an entry for every column of the picture, so any reflector the picture
// can show fits it; never fewer than the classic 2001 entries.
OpticalModel::OpticalModel(int dotsPerInch, int maxReflections)
    : workImage_(PixelQuantities::PictureSide(PixelQuantities::PixelsPerMmFor(dotsPerInch)),
                 PixelQuantities::PictureSide(PixelQuantities::PixelsPerMmFor(dotsPerInch))),
      shown_(workImage_), profile_(static_cast<std::size_t>(workImage_.width()) + 1),
      maxReflections_(maxReflections) {
    q_.PixelsPerMm = PixelQuantities::PixelsPerMmFor(dotsPerInch);
}

// --- The pass step by step ---

void OpticalModel::PaintRef(const BuildInputs& in) {
    const int side = workImage_.width();
    Canvas& canvas = workImage_;

    // A reflector cannot give back more light than it receives, and a power that is not a
    // number would spread into the efficiency; refused before anything is drawn.
    if (!(in.albedo >= 0 && in.albedo <= 1))
        throw BuildError(Messages::AlbedoOutOfRange);
    // 1-2: scale and centre.
    q_.setView(in.scale, side);
    // 3: a cleared profile.
    profile_.clear();
    // 4-5: white background and grid.
    paintBackground(in.gridVisible);
    // 6-7: the tube and its disc; an unknown tube keeps the previous radius.
    q_.placeTube(in.lamp, in.tube);
    if (in.lampVisible)
        SceneFigures::Tube(canvas, q_);
    // 8: water, always, from the water line to the bottom edge.
    SceneFigures::WaterColours(canvas);
    q_.placeWater(in.lampH, in.aquaW);
    SceneFigures::Water(canvas, q_);
    // 9: the outline pen.
    canvas.setBrushStyle(Canvas::BrushStyle::Clear);
    canvas.setPenColor(Colors::Black);
    canvas.setPenWidth(3);
    // 10: reflector quantities.
    q_.placeReflector(in.refA, in.refB, in.refC);
    // 11-12: profile and outline.
    profile_.build(in.shape, q_);
    drawOutline();
    // 13: the ray fan.
    albedo_ = in.albedo;
    if (in.rayVisible)
        traceFan();
    // 14-15: show the picture and the efficiency.
    shown_.copyFrom(workImage_);
    computeEfficiency();
}

// --- The background and grid ---

// The white background and the silver grid lines at CenterX + j * 10 mm in both directions,
// symmetric about the picture's centre point, with none at 0. Silver lines over white give the
// same pixels in any order, so the picture is written in one sweep over its rows: a grid row is
// all silver, every other row a copy of one pattern row. The pen ends as line-by-line drawing
// leaves it: silver, 1 pixel wide, at the end of the last horizontal line.
void OpticalModel::paintBackground(bool grid) {
    Canvas& canvas = workImage_;
    canvas.setBrushColor(Colors::White);
    if (!grid) {
        canvas.fillAll();
        return;
    }
    const int side = canvas.width();
    const int step = q_.Scale * 10;
    gridRow_.assign(static_cast<std::size_t>(side), Colors::White);
    gridLines_.assign(static_cast<std::size_t>(side), false);
    int last = q_.CenterX;
    for (int a = q_.CenterX % step; a < side; a += step) {
        if (a <= 0)
            continue;
        gridRow_[static_cast<std::size_t>(a)] = Colors::Silver;
        gridLines_[static_cast<std::size_t>(a)] = true;
        last = a;
    }
    for (int y = 0; y < side; ++y) {
        Rgb* row = canvas.row(y);
        if (gridLines_[static_cast<std::size_t>(y)])
            std::fill(row, row + side, Colors::Silver);
        else
            std::copy(gridRow_.begin(), gridRow_.end(), row);
    }
    canvas.setPenColor(Colors::Silver);
    canvas.setPenWidth(1);
    canvas.moveTo(side, last);
}

// --- The outline ---

void OpticalModel::drawOutline() {
    Canvas& canvas = workImage_;
    canvas.moveTo(profile_[0].PX, profile_[0].PY);
    for (std::int32_t i = 1; i <= q_.RefAPx; ++i)
        canvas.lineTo(profile_[static_cast<std::size_t>(i)].PX,
                      profile_[static_cast<std::size_t>(i)].PY);
}

// --- The ray fan (traced by Tracer over the picture) ---

// 72 rays, one every 5 degrees, each leaving the tube's circle radially.
void OpticalModel::traceFan() {
    // Checked before the ray table is touched, so that a refused fan leaves the previous fan's
    // powers whole.
    CheckFanReach(q_.LampX, q_.LampY, q_.LampR, q_.RefAPx);
    Canvas& canvas = workImage_;
    canvas.setPenColor(Colors::Red);
    canvas.setPenWidth(1);
    fanLosses_ = LossBreakdown{};
    rayIndex_ = 0;
    for (int k = 0; k < RayCount; ++k) {
        const Point start = RayStart(k);
        canvas.moveTo(start.x, start.y);
        Vector(start.x, start.y, Tracer::FanDirection(k));
        ++rayIndex_;
    }
    losses_ = fanLosses_;
}

OpticalModel::Point OpticalModel::RayStart(int k) const {
    return Tracer::FanStart(k, q_.LampX, q_.LampY, q_.LampR);
}

void OpticalModel::Vector(int x, int y, double t) {
    if (rayIndex_ < 0 || rayIndex_ >= RayCount)
        throw std::logic_error("Vector needs a ray slot from 0 to 71");
    PictureScene scene(workImage_, profile_, q_.RefLeft, q_.aquariumLeft(), q_.aquariumRight());
    const Tracer tracer(albedo_, maxReflections_, q_.RefAPx);
    rayPower_[static_cast<std::size_t>(rayIndex_)] = tracer.trace(scene, x, y, t, fanLosses_);
}

// --- The efficiency ---

// The mean power of the last traced fan; 0 before any fan was traced.
void OpticalModel::computeEfficiency() {
    rayPower_[RayCount] = MeanPower(rayPower_.data(), rayIndex_);
    kpd_ = rayPower_[RayCount];
}

} // namespace kavrol
