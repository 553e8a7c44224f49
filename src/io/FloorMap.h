// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ChartFile.h"
#include "TankEstimate.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace kavrol::FloorMap {

// A tube seen from above: its axis across (x, from the tank's centre line) and its lit range
// along the tank, millimetres.
struct TubeSpan {
    double x = 0.0;
    double radius = 8.0;
    double z0 = 0.0;
    double z1 = 0.0;
};

// The floor's PPFD as a colour map with its colour bar in umol m^-2 s^-1, the tank's outline
// and the tubes to scale, contour lines at the estimate's levels; length along the picture's
// width. PNG or SVG.
QByteArray render(const physics::TankEstimate& estimate, const std::vector<TubeSpan>& tubes,
                  ChartFile::Format format);

// Writes the map whole or not at all in the format its name asks for (.png, .svg); throws
// SaveError as ChartFile::write does.
void write(const physics::TankEstimate& estimate, const std::vector<TubeSpan>& tubes,
           const QString& path);

// The cells as CSV: x_left_mm, x_right_mm, z_left_mm, z_right_mm, ppfd, error; one line a
// cell, row by row along the tank.
QByteArray csv(const physics::TankEstimate& estimate);
void writeCsv(const physics::TankEstimate& estimate, const QString& path);

} // namespace kavrol::FloorMap
