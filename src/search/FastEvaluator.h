// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Design.h"
#include "Evaluation.h"
#include "EvaluationContext.h"
#include "LossBreakdown.h"
#include "PixelQuantities.h"
#include "RasterScene.h"
#include "Tracer.h"

#include <array>
#include <cstdint>

namespace kavrol {

// Evaluates designs in a fixed context far faster than a build pass, with the same efficiency
// and loss breakdown bit for bit, and the same refusals with the same messages.
//
// The rays are followed by the build pass's own tracer, over a RasterScene instead of the colour
// picture: no grid and no ray path that no later ray can read is drawn, the tube and the water
// are drawn once per lamp distance and, per design, only the outline, which is taken away again
// before the next design. One evaluator serves one thread.
class FastEvaluator {
public:
    static constexpr int RayCount = Tracer::RayCount;

    // Throws std::invalid_argument for a density or view scale the model does not take.
    explicit FastEvaluator(const EvaluationContext& context);

    Evaluation evaluate(const Design& design);

    // The bytes one evaluator holds at its peak for a density: the colour picture drawn per lamp
    // distance (4 bytes a pixel) beside the raster's two planes of material codes (1 byte each).
    static std::uint64_t MemoryNeed(int dotsPerInch);

    // True when the water line of the context, with the tube lamp millimetres below the top
    // line, lies inside the picture; when it does not, no ray can reach the water.
    static bool WaterInPicture(const EvaluationContext& context, int lamp);

private:
    struct Ray {
        int x = 0;
        int y = 0;
        double t = 0;
    };

    void prepareLamp(int lamp);
    void buildProfile(int shape);
    void traceFan();

    EvaluationContext context_;
    int side_ = 0;
    // The pixel quantities of the context and of the current design, derived as the build
    // pass derives them.
    PixelQuantities q_;
    int preparedLamp_ = -1;
    bool lampReady_ = false;
    std::array<Ray, RayCount> rays_{};

    RasterScene scene_;
    std::array<double, RayCount> rayPower_{};
    LossBreakdown losses_;
};

} // namespace kavrol
