#include "OpticalModel.h"

#include "BuildError.h"
#include "Numerics.h"
#include "StepRounder.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace kavrol {

namespace {

std::int32_t PixelsPerMmFor(int dotsPerInch) {
    if (dotsPerInch < OpticalModel::MinDotsPerInch || dotsPerInch > OpticalModel::MaxDotsPerInch)
        throw std::invalid_argument("dots per inch must lie between " +
                                    std::to_string(OpticalModel::MinDotsPerInch) + " and " +
                                    std::to_string(OpticalModel::MaxDotsPerInch));
    return Round(static_cast<Extended>(dotsPerInch) / 25.4L);
}

int PictureSide(std::int32_t pixelsPerMm) {
    return pixelsPerMm * 200 + 20;
}

} // namespace

// The profile table holds an entry for every column of the picture, so any reflector the picture
// can show fits it; never fewer than the classic 2001 entries.
OpticalModel::OpticalModel(int dotsPerInch, int maxReflections)
    : workImage_(PictureSide(PixelsPerMmFor(dotsPerInch)),
                 PictureSide(PixelsPerMmFor(dotsPerInch))),
      shown_(workImage_), profile_(static_cast<std::size_t>(workImage_.width()) + 1),
      maxReflections_(maxReflections) {
    q_.PixelsPerMm = PixelsPerMmFor(dotsPerInch);
}

void OpticalModel::SetCas() {
    profile_.SetCas(q_.RefAPx);
}

void OpticalModel::MirrorHalf() {
    profile_.MirrorHalf(q_);
}

void OpticalModel::deriveScale(const BuildInputs& in) {
    // The view scale divides the screen's pixels per millimetre; no selection divides by zero.
    const std::int64_t divisor = std::int64_t{in.scale} + 1;
    if (divisor == 0)
        throw BuildError(Messages::DivisionByZero);
    // A scale of 0 (screens below 64 dots per inch) would make the grid step 0.
    q_.Scale = static_cast<std::int32_t>(std::max<std::int64_t>(q_.PixelsPerMm / divisor, 1));
}

void OpticalModel::PaintRef(const BuildInputs& in) {
    const int side = workImage_.width();
    Canvas& canvas = workImage_;

    // A reflector cannot give back more light than it receives, and a power that is not a
    // number would spread into the efficiency; refused before anything is drawn.
    if (!(in.albedo >= 0 && in.albedo <= 1))
        throw BuildError(Messages::AlbedoOutOfRange);
    // 1-2: scale and centre.
    deriveScale(in);
    q_.CenterX = side / 2;
    q_.TopY = CheckedMul(q_.Scale, 10);
    // 3: a cleared profile.
    profile_.clear();
    // 4-5: white background and grid.
    paintBackground(in.gridVisible);
    // 6-7: the tube and its disc; an unknown tube keeps the previous radius.
    q_.LampX = q_.CenterX;
    q_.LampY = CheckedAdd(std::int64_t{in.lamp} * q_.Scale, q_.TopY);
    if (in.tube >= 0 && in.tube < ChoiceInput::Count)
        q_.LampR =
            CheckedMul(q_.Scale, InputDomain::TubeRadiusMm[static_cast<std::size_t>(in.tube)]);
    if (in.lampVisible) {
        canvas.setBrushColor(Colors::Yellow);
        canvas.setPenColor(Colors::Yellow);
        canvas.setBrushStyle(Canvas::BrushStyle::Solid);
        canvas.ellipse(CheckedAdd(q_.LampX, -std::int64_t{q_.LampR}),
                       CheckedAdd(q_.LampY, -std::int64_t{q_.LampR}),
                       CheckedAdd(q_.LampX, q_.LampR), CheckedAdd(q_.LampY, q_.LampR));
    }
    // 8: water, always, from the water line to the bottom edge.
    canvas.setBrushColor(Colors::SkyBlue);
    canvas.setPenColor(Colors::SkyBlue);
    q_.WaterY = CheckedAdd(std::int64_t{in.lampH} * q_.Scale, q_.LampY);
    q_.AquaWPx = CheckedMul(in.aquaW, q_.Scale);
    canvas.rectangle(CheckedAdd(q_.LampX, -std::int64_t{q_.AquaWPx / 2}), q_.WaterY,
                     CheckedAdd(q_.LampX, q_.AquaWPx / 2), side);
    // 9: the outline pen.
    canvas.setBrushStyle(Canvas::BrushStyle::Clear);
    canvas.setPenColor(Colors::Black);
    canvas.setPenWidth(3);
    // 10: reflector quantities.
    q_.RefBPx = CheckedMul(in.refB, q_.Scale);
    q_.RefAPx = CheckedMul(in.refA, q_.Scale);
    q_.RefCPx = CheckedMul(in.refC, q_.Scale);
    q_.RefSidePx = CheckedAdd(q_.RefAPx, -std::int64_t{q_.RefCPx});
    q_.RefLeft = CheckedAdd(q_.CenterX, -std::int64_t{q_.RefAPx / 2});
    q_.RefRight = CheckedAdd(q_.CenterX, q_.RefAPx / 2);
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

void OpticalModel::drawOutline() {
    Canvas& canvas = workImage_;
    canvas.moveTo(profile_[0].PX, profile_[0].PY);
    for (std::int32_t i = 1; i <= q_.RefAPx; ++i)
        canvas.lineTo(profile_[static_cast<std::size_t>(i)].PX,
                      profile_[static_cast<std::size_t>(i)].PY);
}

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
        Vector(start.x, start.y, Direction(k));
        ++rayIndex_;
    }
    losses_ = fanLosses_;
}

OpticalModel::Point OpticalModel::RayStart(int k, int lampX, int lampY, int lampR) {
    const Extended a = (k * 5) * Pi / 180;
    return {Round(std::sin(a) * lampR + lampX), Round(std::cos(a) * lampR + lampY)};
}

double OpticalModel::Direction(int k) {
    return static_cast<double>((k * 5) * Pi / 180);
}

// Steps along the ray one pixel at a time, each sample computed from the leg's start and the step
// count, and acts on the colour found there: the reflector mirrors the ray about its tangent and
// costs the albedo, the tube ends it, the water refracts it; anything else is free space, on
// which the path is drawn. A leg starts 4 pixels out, so no ray meets its own start pixel.
void OpticalModel::Vector(int x, int y, double t) {
    if (rayIndex_ < 0 || rayIndex_ >= RayCount)
        throw std::logic_error("Vector needs a ray slot from 0 to 71");
    Canvas& canvas = workImage_;
    const int side = canvas.width();
    const int height = canvas.height();
    const std::int64_t lastStep = std::max<std::int32_t>(q_.RefAPx, 900);
    canvas.setPenColor(Colors::Red);
    double power = 1.0;
    int x0 = x;
    int y0 = y;
    int reflections = 0;
    for (;;) {
        const StepRounder column(std::sin(static_cast<Extended>(t)), x0);
        const StepRounder row(std::cos(static_cast<Extended>(t)), y0);
        // The leg's last sample; the samples' columns and rows move monotonically toward it.
        const int endX = column.at(lastStep);
        const int endY = row.at(lastStep);
        bool reflected = false;
        int px = x0;
        int py = y0;
        for (std::int64_t i = 4; i <= lastStep; ++i) {
            px = column.at(i);
            py = row.at(i);
            const Rgb color = canvas.pixel(px, py);
            if (color == Colors::Black) {
                const double angle = profile_.angleAt(std::int64_t{px} - q_.RefLeft);
                t = static_cast<double>(2 * static_cast<Extended>(angle) - t);
                fanLosses_.absorbed += power - static_cast<double>(power * albedo_);
                power = static_cast<double>(power * albedo_);
                reflected = true;
                break;
            }
            if (color == Colors::Yellow) {
                fanLosses_.returnedToTube += power;
                rayPower_[static_cast<std::size_t>(rayIndex_)] = 0;
                return;
            }
            if (color == Colors::SkyBlue) {
                enterWater(px, py, t, power);
                rayPower_[static_cast<std::size_t>(rayIndex_)] = power;
                return;
            }
            canvas.lineTo(px, py);
            // Outside the picture and heading away from it, the rest of the leg is free space
            // that draws nothing, so the ray can only use up its steps.
            if (!canvas.contains(px, py) &&
                ((px < 0 && endX < 0) || (py < 0 && endY < 0) || (px >= side && endX >= side) ||
                 (py >= height && endY >= height))) {
                canvas.moveTo(endX, endY);
                break;
            }
        }
        if (!reflected)
            break;
        if (++reflections > maxReflections_)
            break;
        canvas.setPenColor(Colors::Blue);
        x0 = px;
        y0 = py;
    }
    // Steps used up without meeting the water (or too many reflections).
    fanLosses_.escaped += power;
    rayPower_[static_cast<std::size_t>(rayIndex_)] = 0;
}

// Refraction into the water, whose surface counts as horizontal: Snell's law with index 1.33 and
// the s-polarised Fresnel transmission. The refracted path is drawn, not traced.
void OpticalModel::enterWater(int px, int py, double t, double& power) {
    Canvas& canvas = workImage_;
    const double r = static_cast<double>(std::asin(std::sin(static_cast<Extended>(t)) / 1.33L));
    const Extended incidence = IncidenceOnWater(t);
    const Extended sum = incidence + r;
    double factor = 1.0;
    if (sum != 0) {
        const Extended difference = incidence - r;
        const Extended sd = std::sin(difference);
        const Extended ss = std::sin(sum);
        factor = static_cast<double>(1 - (sd * sd) / (ss * ss));
    }
    const double before = power;
    power = static_cast<double>(static_cast<Extended>(power) * factor);
    fanLosses_.delivered += power;
    fanLosses_.reflectedAtWater += before - power;

    const StepRounder column(std::sin(static_cast<Extended>(r)), px);
    const StepRounder row(std::cos(static_cast<Extended>(r)), py);
    const std::int64_t spanLeft = std::int64_t{q_.CenterX} - q_.AquaWPx / 2;
    const std::int64_t spanRight = std::int64_t{q_.CenterX} + q_.AquaWPx / 2;
    for (std::int64_t v = 0; spanLeft < px && px < spanRight && py < canvas.height(); ++v) {
        px = column.at(v);
        py = row.at(v);
        canvas.lineTo(px, py);
    }
}

// The mean power of the last traced fan; 0 before any fan was traced.
void OpticalModel::computeEfficiency() {
    rayPower_[RayCount] = MeanPower(rayPower_.data(), rayIndex_);
    kpd_ = rayPower_[RayCount];
}

} // namespace kavrol
