// SPDX-License-Identifier: GPL-3.0-or-later
#include "PixelQuantities.h"

#include "BuildError.h"
#include "InputDomain.h"
#include "Numerics.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace kavrol {

std::int32_t PixelQuantities::PixelsPerMmFor(int dotsPerInch) {
    if (!InputDomain::DotsPerInch.contains(dotsPerInch))
        throw std::invalid_argument("dots per inch must lie between " +
                                    std::to_string(InputDomain::DotsPerInch.minimum) + " and " +
                                    std::to_string(InputDomain::DotsPerInch.maximum));
    return Round(static_cast<Extended>(dotsPerInch) / 25.4L);
}

void PixelQuantities::setView(std::int64_t scaleIndex, int side) {
    // The view scale divides the screen's pixels per millimetre; no selection divides by zero.
    const std::int64_t divisor = scaleIndex + 1;
    if (divisor == 0)
        throw BuildError(Messages::DivisionByZero);
    // A scale of 0 (screens below 64 dots per inch) would make the grid step 0.
    Scale = static_cast<std::int32_t>(std::max<std::int64_t>(PixelsPerMm / divisor, 1));
    CenterX = side / 2;
    TopY = CheckedMul(Scale, 10);
}

void PixelQuantities::placeTube(int lamp, int tube) {
    LampX = CenterX;
    LampY = CheckedAdd(std::int64_t{lamp} * Scale, TopY);
    if (tube >= 0 && tube < ChoiceInput::Count)
        LampR = CheckedMul(Scale, InputDomain::TubeRadiusMm[static_cast<std::size_t>(tube)]);
}

void PixelQuantities::placeWater(int lampH, int aquaW) {
    WaterY = CheckedAdd(std::int64_t{lampH} * Scale, LampY);
    AquaWPx = CheckedMul(aquaW, Scale);
}

void PixelQuantities::placeReflector(int refA, int refB, int refC) {
    RefBPx = CheckedMul(refB, Scale);
    RefAPx = CheckedMul(refA, Scale);
    RefCPx = CheckedMul(refC, Scale);
    RefSidePx = CheckedAdd(RefAPx, -std::int64_t{RefCPx});
    RefLeft = CheckedAdd(CenterX, -std::int64_t{RefAPx / 2});
    RefRight = CheckedAdd(CenterX, RefAPx / 2);
}

} // namespace kavrol
