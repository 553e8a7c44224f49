// SPDX-License-Identifier: GPL-3.0-or-later
#include "FastEvaluator.h"

#include "BuildError.h"
#include "Canvas.h"
#include "InputDomain.h"
#include "Numerics.h"
#include "SceneFigures.h"

#include <stdexcept>

namespace kavrol {

namespace {

// The picture's side for the context's density; std::invalid_argument outside the model's range.
int PictureSideFor(int dotsPerInch) {
    return PixelQuantities::PictureSide(PixelQuantities::PixelsPerMmFor(dotsPerInch));
}

} // namespace

// The profile table has the build pass's size for the same picture: one entry per column and one
// more.
FastEvaluator::FastEvaluator(const EvaluationContext& context)
    : context_(context), side_(PictureSideFor(context.dotsPerInch)),
      scene_(static_cast<std::size_t>(side_) + 1) {
    if (context.scale < 0 || context.scale >= ChoiceInput::Count)
        throw std::invalid_argument("the view scale index must lie between 0 and 2");
    if (context.carried.penWidth != 1 && context.carried.penWidth != 3)
        throw std::invalid_argument("the tube and the water are drawn 1 or 3 pixels wide");
    q_.PixelsPerMm = PixelQuantities::PixelsPerMmFor(context.dotsPerInch);
    q_.setView(context.scale, side_);
    q_.LampR = context.carried.tubeRadius;
}

std::uint64_t FastEvaluator::MemoryNeed(int dotsPerInch) {
    const auto side = static_cast<std::uint64_t>(PictureSideFor(dotsPerInch));
    return side * side * (4 + 1 + 1);
}

bool FastEvaluator::WaterInPicture(const EvaluationContext& context, int lamp) {
    PixelQuantities q;
    const int side = PictureSideFor(context.dotsPerInch);
    q.PixelsPerMm = PixelQuantities::PixelsPerMmFor(context.dotsPerInch);
    q.setView(context.scale, side);
    q.placeTube(lamp, context.tube);
    q.placeWater(context.lampH, context.aquaW);
    return q.WaterY < side;
}

// The tube's disc and the water, drawn on a colour picture with the build pass's own calls, and
// the ray fan's start points; they depend on the lamp distance only.
void FastEvaluator::prepareLamp(int lamp) {
    if (lampReady_ && lamp == preparedLamp_)
        return;
    lampReady_ = false;
    q_.placeTube(lamp, context_.tube);
    Canvas picture(side_, side_);
    picture.setBrushColor(Colors::White);
    picture.fillAll();
    picture.setPenWidth(context_.carried.penWidth);
    if (context_.lampVisible)
        SceneFigures::Tube(picture, q_);
    SceneFigures::WaterColours(picture);
    q_.placeWater(context_.lampH, context_.aquaW);
    SceneFigures::Water(picture, q_);
    scene_.setBase(picture, q_.aquariumLeft(), q_.aquariumRight());
    for (int k = 0; k < RayCount; ++k) {
        const Tracer::Point start = Tracer::FanStart(k, q_.LampX, q_.LampY, q_.LampR);
        rays_[static_cast<std::size_t>(k)] = {start.x, start.y, Tracer::FanDirection(k)};
    }
    preparedLamp_ = lamp;
    lampReady_ = true;
}

Evaluation FastEvaluator::evaluate(const Design& design) {
    Evaluation result;
    scene_.startDesign();
    try {
        // The build pass refuses such an albedo before anything else.
        if (!(context_.albedo >= 0 && context_.albedo <= 1))
            throw BuildError(Messages::AlbedoOutOfRange);
        prepareLamp(design.lamp);
        q_.placeReflector(design.refA, design.refB, design.refC);
        buildProfile(design.shape);
        scene_.drawOutline();
        traceFan();
    } catch (const BuildError& error) {
        result.refusal = error.what();
        return result;
    }
    result.efficiency = MeanPower(rayPower_.data(), RayCount);
    result.losses = losses_;
    return result;
}

void FastEvaluator::buildProfile(int shape) {
    // The build pass clears the table before a generator runs; angles come later, on demand.
    Profile& profile = scene_.profile();
    profile.clear();
    const bool built = profile.fill(shape, q_);
    scene_.setReflector(q_.RefAPx, q_.RefLeft, built);
}

void FastEvaluator::traceFan() {
    CheckFanReach(q_.LampX, q_.LampY, q_.LampR, q_.RefAPx);
    losses_ = LossBreakdown{};
    const Tracer tracer(context_.albedo, context_.maxReflections, q_.RefAPx);
    for (std::size_t k = 0; k < rays_.size(); ++k) {
        const Ray& ray = rays_[k];
        scene_.beginRay(ray.x, ray.y);
        rayPower_[k] = tracer.trace(scene_, ray.x, ray.y, ray.t, losses_);
    }
}

} // namespace kavrol
