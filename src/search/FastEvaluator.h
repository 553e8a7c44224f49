#pragma once

#include "Design.h"
#include "Evaluation.h"
#include "EvaluationContext.h"
#include "LossBreakdown.h"
#include "MaterialRaster.h"
#include "Profile.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kavrol {

// Evaluates designs in a fixed context far faster than a build pass, with the same efficiency
// and loss breakdown bit for bit, and the same refusals with the same messages.
//
// It keeps a picture of material codes instead of colours, draws no grid and no ray path that no
// later ray can read, draws the tube and the water once per lamp distance and, per design, only
// the outline, which it takes away again before the next design. Ray paths can still overwrite
// codes that later rays read: the first line of every leg (over the tube's edge or across the
// outline) is drawn as free space, and the refracted paths in the water are kept as lines that a
// later ray's read of a code pixel is checked against. Surface angles are computed only for the
// columns that rays hit. One evaluator serves one thread.
class FastEvaluator {
public:
    static constexpr int RayCount = 72;

    // Throws std::invalid_argument for a density or view scale the model does not take.
    explicit FastEvaluator(const EvaluationContext& context);

    Evaluation evaluate(const Design& design);

    const EvaluationContext& context() const { return context_; }
    // The codes the last evaluation left: tube, water and outline, less what the rays overwrote
    // (refracted paths not included).
    const MaterialRaster& raster() const { return raster_; }

private:
    struct WaterPath {
        int x0 = 0;
        int y0 = 0;
        long double sinR = 0;
        long double cosR = 1;
        double slope = 0; // columns per row, to pass over paths far from a pixel quickly
    };
    // Values that depend on a direction alone, kept for the directions met most recently.
    static constexpr std::size_t CacheSlots = 4096;
    struct Direction {
        double t = 0;
        long double sinT = 0;
        long double cosT = 1;
        bool valid = false;
    };
    struct Refraction {
        double t = 0;
        double r = 0;
        double factor = 1;
        long double sinR = 0;
        long double cosR = 1;
        bool valid = false;
    };
    struct Ray {
        int x = 0;
        int y = 0;
        double t = 0;
    };

    void prepareLamp(int lamp);
    void buildProfile(int shape);
    void drawOutline();
    double angleAt(std::int64_t index);
    void traceFan();
    double trace(const Ray& ray);
    double enterWater(int px, int py, double t, double power);
    bool overwrittenInWater(int x, int y) const;
    // The code a ray reads: free where an earlier refracted path has painted over a code.
    MaterialRaster::Code read(int x, int y) const {
        const MaterialRaster::Code code = raster_.at(x, y);
        if (code != MaterialRaster::Free && !paths_.empty() && overwrittenInWater(x, y))
            return MaterialRaster::Free;
        return code;
    }
    const Direction& direction(double t);
    const Refraction& refraction(double t);

    EvaluationContext context_;
    int side_ = 0;
    std::int32_t pixelsPerMm_ = 0;
    std::int32_t scale_ = 0;
    std::int32_t centerX_ = 0;
    std::int32_t topY_ = 0;
    std::int32_t lampR_ = 0;
    std::int32_t lampY_ = 0;
    std::int32_t waterY_ = 0;
    std::int32_t aquaWPx_ = 0;
    std::int64_t spanLeft_ = 0;
    std::int64_t spanRight_ = 0;
    int preparedLamp_ = -1;
    bool lampReady_ = false;
    std::array<Ray, RayCount> rays_{};

    // The current design's pixel quantities.
    std::int32_t refAPx_ = 0;
    std::int32_t refBPx_ = 0;
    std::int32_t refCPx_ = 0;
    std::int32_t refSidePx_ = 0;
    std::int32_t refLeft_ = 0;
    bool profileBuilt_ = false; // false: no shape selected, every entry stays zero

    // The profile's samples; its angles are taken only where a ray hits, and cached.
    Profile profile_{0};
    std::vector<double> angle_;
    std::vector<std::uint32_t> angleStamp_;
    std::uint32_t stamp_ = 0;

    std::vector<Direction> directions_;
    std::vector<Refraction> refractions_;
    MaterialRaster raster_;
    std::vector<WaterPath> paths_;
    int penX_ = 0;
    int penY_ = 0;
    std::array<double, RayCount> rayPower_{};
    LossBreakdown losses_;
};

} // namespace kavrol
