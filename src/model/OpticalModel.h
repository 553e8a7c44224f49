// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildInputs.h"
#include "Canvas.h"
#include "CarriedState.h"
#include "InputDomain.h"
#include "LossBreakdown.h"
#include "PixelQuantities.h"
#include "Profile.h"
#include "Tracer.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kavrol {

// The optical model of one lamp design: the work image that a build pass draws and the tracer
// reads, its pixel quantities, the reflector profile, the ray powers and the copy of the picture
// that is shown. One object lives as long as the window (or the command) that owns it; nothing
// is allocated per pass once the first pass has run.
class OpticalModel {
public:
    static constexpr int RayCount = Tracer::RayCount;
    // A ray reflected more often than this ends with power 0; real designs stay far below it.
    static constexpr int DefaultMaxReflections = 10000;
    static constexpr int MinDotsPerInch = InputDomain::DotsPerInch.minimum;
    static constexpr int MaxDotsPerInch = InputDomain::DotsPerInch.maximum;

    // Sizes the work image for a screen of this density: PixelsPerMm * 200 + 20 pixels square.
    // Throws std::invalid_argument outside MinDotsPerInch..MaxDotsPerInch.
    explicit OpticalModel(int dotsPerInch, int maxReflections = DefaultMaxReflections);

    // The build pass. On a BuildError the work image holds what was drawn up to the failing
    // step, while the shown picture and the efficiency keep those of the previous pass.
    void PaintRef(const BuildInputs& inputs);

    // Traces one ray from (x, y) in direction t into slot RayIndex of RayPower, drawing its path.
    // The pen must stand at (x, y), 1 pixel wide.
    void Vector(int x, int y, double t);

    // Where ray k (leaving at 5k degrees) starts: its point on the tube's circle of the last pass.
    using Point = Tracer::Point;
    Point RayStart(int k) const;

    const Canvas& workImage() const { return workImage_; }
    // The picture of the last pass that ran to its end.
    const Canvas& shownImage() const { return shown_; }
    // The efficiency shown: the mean power of the last traced fan, 0 before any fan.
    double efficiency() const { return kpd_; }
    const PixelQuantities& quantities() const { return q_; }
    const Profile& profile() const { return profile_; }
    const std::array<double, RayCount + 1>& rayPower() const { return rayPower_; }
    int rayIndex() const { return rayIndex_; }
    // Where the power of the last traced fan went.
    const LossBreakdown& losses() const { return losses_; }
    // What this model's last pass, finished or failed, leaves to the next one.
    CarriedState carried() const { return {workImage_.penWidth(), q_.LampR}; }

private:
    void paintBackground(bool grid);
    void drawOutline();
    void traceFan();
    void computeEfficiency();

    Canvas workImage_;
    Canvas shown_;
    PixelQuantities q_;
    Profile profile_;
    std::array<double, RayCount + 1> rayPower_{};
    int rayIndex_ = 0;
    double kpd_ = 0;
    long double albedo_ = InputDomain::Albedo.initial;
    int maxReflections_ = DefaultMaxReflections;
    LossBreakdown losses_;
    // Scratch rows of the grid sweep, sized on the first pass and reused.
    std::vector<Rgb> gridRow_;
    std::vector<bool> gridLines_;
    LossBreakdown fanLosses_;
};

} // namespace kavrol
