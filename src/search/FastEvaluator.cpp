#include "FastEvaluator.h"

#include "OpticalModel.h"
#include "StepRounder.h"

#include "BuildError.h"
#include "Canvas.h"
#include "InputDomain.h"
#include "Numerics.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <stdexcept>
#include <string>

namespace kavrol {

namespace {

// A jump over free space stops this far inside the square, far more than a double estimate's
// error, so that the sample it lands on is surely inside.
constexpr double JumpMargin = 1e-6;

// Slot of a direction in the caches of values that depend on the direction alone.
inline std::size_t CacheSlot(double t, std::size_t slots) {
    const auto bits = std::bit_cast<std::uint64_t>(t);
    return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> 40) & (slots - 1);
}

} // namespace

FastEvaluator::FastEvaluator(const EvaluationContext& context) : context_(context) {
    if (!InputDomain::DotsPerInch.contains(context.dotsPerInch))
        throw std::invalid_argument("dots per inch must lie between " +
                                    std::to_string(InputDomain::DotsPerInch.minimum) + " and " +
                                    std::to_string(InputDomain::DotsPerInch.maximum));
    if (context.scale < 0 || context.scale >= ChoiceInput::Count)
        throw std::invalid_argument("the view scale index must lie between 0 and 2");
    if (context.figurePenWidth != 1 && context.figurePenWidth != 3)
        throw std::invalid_argument("the tube and the water are drawn 1 or 3 pixels wide");
    pixelsPerMm_ = Round(static_cast<Extended>(context.dotsPerInch) / 25.4L);
    side_ = pixelsPerMm_ * 200 + 20;
    // The same lower bound as the build pass: a scale of 0 would make the grid step 0.
    scale_ = std::max<std::int32_t>(pixelsPerMm_ / (context.scale + 1), 1);
    centerX_ = side_ / 2;
    topY_ = CheckedMul(scale_, 10);
    // Any other tube keeps a fresh model's radius, 0.
    lampR_ = 0;
    if (context.tube >= 0 && context.tube < ChoiceInput::Count)
        lampR_ =
            CheckedMul(scale_, InputDomain::TubeRadiusMm[static_cast<std::size_t>(context.tube)]);
    // The same table size as the build pass's.
    profile_ = Profile(static_cast<std::size_t>(side_) + 1);
    angle_.assign(profile_.size(), 0);
    angleStamp_.assign(profile_.size(), 0);
    paths_.reserve(RayCount);
    directions_.resize(CacheSlots);
    refractions_.resize(CacheSlots);
}

// The tube's disc and the water, drawn on a colour picture with the build pass's own calls, and
// the ray fan's start points; they depend on the lamp distance only.
void FastEvaluator::prepareLamp(int lamp) {
    if (lampReady_ && lamp == preparedLamp_)
        return;
    lampReady_ = false;
    lampY_ = CheckedAdd(std::int64_t{lamp} * scale_, topY_);
    Canvas picture(side_, side_);
    picture.setBrushColor(Colors::White);
    picture.fillAll();
    picture.setPenWidth(context_.figurePenWidth);
    if (context_.lampVisible) {
        picture.setBrushColor(Colors::Yellow);
        picture.setPenColor(Colors::Yellow);
        picture.setBrushStyle(Canvas::BrushStyle::Solid);
        picture.ellipse(CheckedAdd(centerX_, -std::int64_t{lampR_}),
                        CheckedAdd(lampY_, -std::int64_t{lampR_}), CheckedAdd(centerX_, lampR_),
                        CheckedAdd(lampY_, lampR_));
    }
    picture.setBrushColor(Colors::SkyBlue);
    picture.setPenColor(Colors::SkyBlue);
    waterY_ = CheckedAdd(std::int64_t{context_.lampH} * scale_, lampY_);
    aquaWPx_ = CheckedMul(context_.aquaW, scale_);
    picture.rectangle(CheckedAdd(centerX_, -std::int64_t{aquaWPx_ / 2}), waterY_,
                      CheckedAdd(centerX_, aquaWPx_ / 2), side_);
    spanLeft_ = std::int64_t{centerX_} - aquaWPx_ / 2;
    spanRight_ = std::int64_t{centerX_} + aquaWPx_ / 2;
    raster_.setBase(picture);
    for (int k = 0; k < RayCount; ++k) {
        const OpticalModel::Point start = OpticalModel::RayStart(k, centerX_, lampY_, lampR_);
        rays_[static_cast<std::size_t>(k)] = {start.x, start.y, OpticalModel::Direction(k)};
    }
    preparedLamp_ = lamp;
    lampReady_ = true;
}

Evaluation FastEvaluator::evaluate(const Design& design) {
    Evaluation result;
    raster_.restore();
    paths_.clear();
    try {
        // The build pass refuses such an albedo before anything else.
        if (!(context_.albedo >= 0 && context_.albedo <= 1))
            throw BuildError(Messages::AlbedoOutOfRange);
        prepareLamp(design.lamp);
        refBPx_ = CheckedMul(design.refB, scale_);
        refAPx_ = CheckedMul(design.refA, scale_);
        refCPx_ = CheckedMul(design.refC, scale_);
        refSidePx_ = CheckedAdd(refAPx_, -std::int64_t{refCPx_});
        refLeft_ = CheckedAdd(centerX_, -std::int64_t{refAPx_ / 2});
        CheckedAdd(centerX_,
                   refAPx_ / 2); // RefRight: unused here, but its overflow refuses the design.
        buildProfile(design.shape);
        drawOutline();
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
    // A fresh stamp invalidates every cached angle; a wrap clears the stamps instead.
    if (++stamp_ == 0) {
        std::fill(angleStamp_.begin(), angleStamp_.end(), 0);
        stamp_ = 1;
    }
    // The build pass clears the table before a generator runs; angles come later, on demand.
    profile_.clear();
    PixelQuantities q;
    q.CenterX = centerX_;
    q.TopY = topY_;
    q.RefAPx = refAPx_;
    q.RefBPx = refBPx_;
    q.RefCPx = refCPx_;
    q.RefSidePx = refSidePx_;
    profileBuilt_ = profile_.fill(shape, q);
}

// The black outline, 3 pixels wide, through the profile's pixel points.
void FastEvaluator::drawOutline() {
    for (std::int32_t i = 1; i <= refAPx_; ++i) {
        const auto k = static_cast<std::size_t>(i);
        raster_.wideLine(profile_[k - 1].PX, profile_[k - 1].PY, profile_[k].PX, profile_[k].PY,
                         MaterialRaster::Reflector);
    }
}

// The surface angle the tracer reads for a hit index entries right of RefLeft: the nearest
// entry of the table, whose angle is computed on first use by the rule that sets it last.
double FastEvaluator::angleAt(std::int64_t index) {
    if (index < 0)
        index = 0;
    const auto last = static_cast<std::int64_t>(profile_.size()) - 1;
    if (index > last)
        index = last;
    if (!profileBuilt_ || index > refAPx_)
        return 0;
    const auto k = static_cast<std::size_t>(index);
    if (angleStamp_[k] == stamp_)
        return angle_[k];
    const double angle = profile_.chordAngle(index, refAPx_);
    angle_[k] = angle;
    angleStamp_[k] = stamp_;
    return angle;
}

void FastEvaluator::traceFan() {
    CheckFanReach(centerX_, lampY_, lampR_, refAPx_);
    losses_ = LossBreakdown{};
    for (std::size_t k = 0; k < rays_.size(); ++k)
        rayPower_[k] = trace(rays_[k]);
}

// A refracted path has overwritten (x, y) when one of its samples lands there: the path draws
// every sample that lies in the aquarium's span and in the picture, and those form an unbroken
// run from its start because both coordinates move monotonically.
bool FastEvaluator::overwrittenInWater(int x, int y) const {
    if (!(spanLeft_ < x && x < spanRight_))
        return false;
    for (const WaterPath& path : paths_) {
        if (y < path.y0)
            continue;
        const double rows = y - path.y0;
        // A sample in row y lies within 1.1 columns of the ideal line there.
        if (std::abs(x - (path.x0 + rows * path.slope)) > 2.0)
            continue;
        const auto cosR = static_cast<double>(path.cosR);
        const auto first = std::max<std::int64_t>(
            static_cast<std::int64_t>(std::floor((rows - 0.5) / cosR)) - 1, 0);
        const auto last = static_cast<std::int64_t>(std::ceil((rows + 0.5) / cosR)) + 1;
        for (std::int64_t v = first; v <= last; ++v) {
            if (Round(path.cosR * static_cast<Extended>(v) + path.y0) == y &&
                Round(path.sinR * static_cast<Extended>(v) + path.x0) == x)
                return true;
        }
    }
    return false;
}

const FastEvaluator::Direction& FastEvaluator::direction(double t) {
    Direction& d = directions_[CacheSlot(t, directions_.size())];
    if (!d.valid || std::bit_cast<std::uint64_t>(d.t) != std::bit_cast<std::uint64_t>(t)) {
        d.t = t;
        d.sinT = std::sin(static_cast<Extended>(t));
        d.cosT = std::cos(static_cast<Extended>(t));
        d.valid = true;
    }
    return d;
}

// Refraction angle and Fresnel transmission, exactly as the build pass computes them; they depend
// on the direction alone.
const FastEvaluator::Refraction& FastEvaluator::refraction(double t) {
    Refraction& w = refractions_[CacheSlot(t, refractions_.size())];
    if (!w.valid || std::bit_cast<std::uint64_t>(w.t) != std::bit_cast<std::uint64_t>(t)) {
        w.t = t;
        w.r = static_cast<double>(std::asin(std::sin(static_cast<Extended>(t)) / 1.33L));
        const Extended incidence = IncidenceOnWater(t);
        const Extended sum = incidence + w.r;
        w.factor = 1.0;
        if (sum != 0) {
            const Extended difference = incidence - w.r;
            const Extended sd = std::sin(difference);
            const Extended ss = std::sin(sum);
            w.factor = static_cast<double>(1 - (sd * sd) / (ss * ss));
        }
        w.sinR = std::sin(static_cast<Extended>(w.r));
        w.cosR = std::cos(static_cast<Extended>(w.r));
        w.valid = true;
    }
    return w;
}

// One ray, as the build pass's tracer follows it. Drawing a free sample's line from the previous
// sample only repaints that free pixel, so the only lines drawn here are each leg's first one.
double FastEvaluator::trace(const Ray& ray) {
    const long double albedo = context_.albedo;
    const int side = side_;
    const std::int64_t lastStep = std::max<std::int32_t>(refAPx_, 900);
    penX_ = ray.x;
    penY_ = ray.y;
    double t = ray.t;
    double power = 1.0;
    int x0 = ray.x;
    int y0 = ray.y;
    int reflections = 0;
    for (;;) {
        const Direction& dir = direction(t);
        const Extended sinT = dir.sinT;
        const Extended cosT = dir.cosT;
        const auto sd = static_cast<double>(sinT);
        const auto cd = static_cast<double>(cosT);
        const StepRounder column(sinT, x0);
        const StepRounder row(cosT, y0);
        // Steps per column and per row; their rounding is far below the jumps' margin.
        const double perColumn = sd != 0 ? 1 / sd : 0;
        const double perRow = cd != 0 ? 1 / cd : 0;
        bool reflected = false;
        int px = x0;
        int py = y0;
        for (std::int64_t i = 4; i <= lastStep; ++i) {
            px = column.at(i);
            py = row.at(i);
            const MaterialRaster::Code code = read(px, py);
            if (code == MaterialRaster::Reflector) {
                const double angle = angleAt(std::int64_t{px} - refLeft_);
                t = static_cast<double>(2 * static_cast<Extended>(angle) - t);
                losses_.absorbed += power - static_cast<double>(power * albedo);
                power = static_cast<double>(power * albedo);
                reflected = true;
                break;
            }
            if (code == MaterialRaster::Lamp) {
                losses_.returnedToTube += power;
                return 0;
            }
            if (code == MaterialRaster::Water)
                return enterWater(px, py, t, power);
            if (i == 4)
                raster_.thinLine(penX_, penY_, px, py, MaterialRaster::Free);
            penX_ = px;
            penY_ = py;
            // Outside the picture and moving away from it, no later sample can be read.
            if ((px < 0 && sinT <= 0) || (py < 0 && cosT <= 0) || (px >= side && sinT >= 0) ||
                (py >= side && cosT >= 0))
                break;
            if (!raster_.contains(px, py))
                continue;
            // In a square without codes, every sample up to the one before the ray leaves it
            // is free space and changes nothing; go on from the last sample surely inside.
            const int shift = raster_.freeSquareShift(px, py);
            if (shift == 0)
                continue;
            const double low = ((px >> shift) << shift) - 0.5 + JumpMargin;
            const double high = (((px >> shift) + 1) << shift) - 0.5 - JumpMargin;
            const double top = ((py >> shift) << shift) - 0.5 + JumpMargin;
            const double bottom = (((py >> shift) + 1) << shift) - 0.5 - JumpMargin;
            const double fx = column.estimate(i);
            const double fy = row.estimate(i);
            double steps = static_cast<double>(lastStep - i);
            if (sd > 0)
                steps = std::min(steps, (high - fx) * perColumn);
            else if (sd < 0)
                steps = std::min(steps, (low - fx) * perColumn);
            if (cd > 0)
                steps = std::min(steps, (bottom - fy) * perRow);
            else if (cd < 0)
                steps = std::min(steps, (top - fy) * perRow);
            const auto jump = static_cast<std::int64_t>(steps);
            if (jump >= 2)
                i += jump - 1;
        }
        if (!reflected)
            break;
        if (++reflections > context_.maxReflections)
            break;
        x0 = px;
        y0 = py;
    }
    losses_.escaped += power;
    return 0;
}

// Refraction and the Fresnel share exactly as the build pass computes them. Of the refracted path
// only its first line is drawn here; the rest is kept as a line that later reads check.
double FastEvaluator::enterWater(int px, int py, double t, double power) {
    const Refraction& w = refraction(t);
    const double before = power;
    power = static_cast<double>(static_cast<Extended>(power) * w.factor);
    losses_.delivered += power;
    losses_.reflectedAtWater += before - power;

    if (spanLeft_ < px && px < spanRight_ && py < side_) {
        raster_.thinLine(penX_, penY_, px, py, MaterialRaster::Free);
        paths_.push_back({px, py, w.sinR, w.cosR, static_cast<double>(w.sinR / w.cosR)});
    }
    return power;
}

} // namespace kavrol
