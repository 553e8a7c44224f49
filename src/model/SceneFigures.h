// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Canvas.h"
#include "Numerics.h"
#include "PixelQuantities.h"

#include <cstdint>

namespace kavrol {

// The tube's disc and the water as the build pass draws them, with the canvas's current pen
// width; the search draws its base picture with the very same calls.
namespace SceneFigures {

// The tube: a yellow disc of radius LampR around (LampX, LampY).
inline void Tube(Canvas& canvas, const PixelQuantities& q) {
    canvas.setBrushColor(Colors::Yellow);
    canvas.setPenColor(Colors::Yellow);
    canvas.setBrushStyle(Canvas::BrushStyle::Solid);
    canvas.ellipse(CheckedAdd(q.LampX, -std::int64_t{q.LampR}),
                   CheckedAdd(q.LampY, -std::int64_t{q.LampR}), CheckedAdd(q.LampX, q.LampR),
                   CheckedAdd(q.LampY, q.LampR));
}

// The water: sky blue from the water line to the picture's bottom edge across the tank.
// The quantities of the water are placed between setting its colours and drawing it.
inline void WaterColours(Canvas& canvas) {
    canvas.setBrushColor(Colors::SkyBlue);
    canvas.setPenColor(Colors::SkyBlue);
}
inline void Water(Canvas& canvas, const PixelQuantities& q) {
    canvas.rectangle(CheckedAdd(q.LampX, -std::int64_t{q.AquaWPx / 2}), q.WaterY,
                     CheckedAdd(q.LampX, q.AquaWPx / 2), canvas.height());
}

} // namespace SceneFigures

} // namespace kavrol
