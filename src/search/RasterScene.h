// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MaterialRaster.h"
#include "Profile.h"
#include "Refraction.h"
#include "Tracer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace kavrol {

// The search's scene for the tracer: a raster of material codes instead of colours, holding the
// tube, the water and one design's outline, and the reflector's profile with its surface angles
// taken only in the columns that rays hit.
//
// It draws only what a later ray can read. Drawing a free sample's line from the previous sample
// repaints only that free pixel, so of each leg only its first line is drawn (over the tube's
// edge or across the outline), as free space; of a refracted path only its first line is drawn,
// and the rest is kept as a line that a later ray's read of a code pixel is checked against.
// A ray crosses squares of the raster that hold no code without reading them.
//
// Sections: the design's set-up; the tracer's questions; the tracer's drawing; caches.
class RasterScene {
public:
    // A profile table of this many entries, as the build pass has for the same picture.
    explicit RasterScene(std::size_t profileSize);

    // --- The design's set-up ---

    // The tube's disc and the water as the base raster, and the tank's columns (exclusive).
    void setBase(const Canvas& picture, std::int64_t spanLeft, std::int64_t spanRight);
    // Brings the raster back to its base and forgets the last design's paths and angles.
    void startDesign();
    // The profile table, cleared by startDesign's caller before a generator fills it.
    Profile& profile() { return profile_; }
    // The reflector of the design: its width in pixels, its left column and whether a shape
    // was built (without one every entry stays zero).
    void setReflector(std::int32_t refAPx, std::int32_t refLeft, bool built) {
        refAPx_ = refAPx;
        refLeft_ = refLeft;
        profileBuilt_ = built;
    }
    // The black outline, 3 pixels wide, through the profile's pixel points.
    void drawOutline();
    // A ray starts at (x, y): the pen stands there.
    void beginRay(int x, int y) {
        penX_ = x;
        penY_ = y;
    }

    // --- The tracer's questions ---

    // The code a ray reads: free where an earlier refracted path has painted over a code.
    Material at(int x, int y) const {
        const MaterialRaster::Code code = raster_.at(x, y);
        if (code != MaterialRaster::Free && !paths_.empty() && overwrittenInWater(x, y))
            return Material::Free;
        return static_cast<Material>(code);
    }
    const Tracer::SinCos& direction(double t);
    const Refraction& refraction(double t);
    double surfaceAngle(int x) { return angleAt(std::int64_t{x} - refLeft_); }
    int width() const { return raster_.width(); }
    int height() const { return raster_.height(); }

    // --- The tracer's drawing ---

    void beginLeg(const Tracer::Leg& leg) {
        const auto sd = static_cast<double>(leg.sinT);
        const auto cd = static_cast<double>(leg.cosT);
        legSin_ = sd;
        legCos_ = cd;
        // Steps per column and per row; their rounding is far below the jumps' margin.
        perColumn_ = sd != 0 ? 1 / sd : 0;
        perRow_ = cd != 0 ? 1 / cd : 0;
    }
    void drawTo(int x, int y, bool first) {
        if (first)
            raster_.thinLine(penX_, penY_, x, y, MaterialRaster::Free);
        penX_ = x;
        penY_ = y;
    }
    static void leaveLeg(const Tracer::Leg&) {}
    // In a square without codes, every sample up to the one before the ray leaves it is free
    // space and changes nothing; the tracer goes on from the last sample surely inside.
    std::int64_t freeSteps(int px, int py, std::int64_t i, const Tracer::Leg& leg) const;
    void enterWater(int px, int py, const Refraction& w) {
        if (spanLeft_ < px && px < spanRight_ && py < raster_.height()) {
            raster_.thinLine(penX_, penY_, px, py, MaterialRaster::Free);
            paths_.push_back({px, py, w.sinR, w.cosR, static_cast<double>(w.sinR / w.cosR)});
        }
    }

private:
    struct WaterPath {
        int x0 = 0;
        int y0 = 0;
        long double sinR = 0;
        long double cosR = 1;
        double slope = 0; // columns per row, to pass over paths far from a pixel quickly
    };
    // --- Caches: values that depend on a direction alone, kept for the directions met most
    // recently, and the surface angles of the current design ---
    static constexpr std::size_t CacheSlots = 4096;
    struct CachedDirection {
        double t = 0;
        Tracer::SinCos value;
        bool valid = false;
    };
    struct CachedRefraction {
        double t = 0;
        Refraction value;
        bool valid = false;
    };

    bool overwrittenInWater(int x, int y) const;
    double angleAt(std::int64_t index);

    MaterialRaster raster_;
    std::vector<WaterPath> paths_;
    std::int64_t spanLeft_ = 0;
    std::int64_t spanRight_ = 0;
    int penX_ = 0;
    int penY_ = 0;
    double legSin_ = 0;
    double legCos_ = 1;
    double perColumn_ = 0;
    double perRow_ = 0;

    Profile profile_;
    std::int32_t refAPx_ = 0;
    std::int32_t refLeft_ = 0;
    bool profileBuilt_ = false;
    std::vector<double> angle_;
    std::vector<std::uint32_t> angleStamp_;
    std::uint32_t stamp_ = 0;

    std::vector<CachedDirection> directions_;
    std::vector<CachedRefraction> refractions_;
};

} // namespace kavrol
