// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ChartFile.h"
#include "TankEstimate.h"

#include <QByteArray>
#include <QChar>
#include <QRectF>
#include <QSize>
#include <QString>
#include <vector>

class QPainter;

namespace kavrol::FloorMap {

// A tube seen from above: its axis across (x, from the tank's centre line) and its lit range
// along the tank, millimetres.
struct TubeSpan {
    double x = 0.0;
    double radius = 8.0;
    double z0 = 0.0;
    double z1 = 0.0;
};

// The words on the map: its title (%1 the mean PPFD, %2 min/mean) and the line under it (%1
// the tank's length, %2 its width), and how numbers are written. English with a point by
// default, as the command line writes them; the window gives Russian ones.
struct Captions {
    QString title = QStringLiteral("PPFD on the floor, umol m^-2 s^-1: mean %1, min/mean %2");
    QString axes = QStringLiteral("along the tank, %1 mm; across, %2 mm");
    QChar decimalPoint = QLatin1Char('.');
};

// The picture's size in pixels for this floor: 900 wide, as high as the floor's proportions
// need (260 to 900).
QSize size(const physics::TankEstimate& estimate);
// Where the floor lies in the picture: z (along the tank) runs to the right from its left
// edge, x (across) downward from its top edge.
QRectF floorRect(const physics::TankEstimate& estimate);

// Draws the map onto a painter whose device is at least size(estimate) (or scaled to it).
void draw(QPainter& painter, const physics::TankEstimate& estimate,
          const std::vector<TubeSpan>& tubes, const Captions& captions = {});

// The floor's PPFD as a colour map with its colour bar in umol m^-2 s^-1, the tank's outline
// and the tubes to scale, contour lines at the estimate's levels; length along the picture's
// width. PNG or SVG.
QByteArray render(const physics::TankEstimate& estimate, const std::vector<TubeSpan>& tubes,
                  ChartFile::Format format, const Captions& captions = {});

// Writes the map whole or not at all in the format its name asks for (.png, .svg); throws
// SaveError as ChartFile::write does.
void write(const physics::TankEstimate& estimate, const std::vector<TubeSpan>& tubes,
           const QString& path, const Captions& captions = {});

// The cells as CSV: x_left_mm, x_right_mm, z_left_mm, z_right_mm, ppfd, error; one line a
// cell, row by row along the tank.
QByteArray csv(const physics::TankEstimate& estimate);
void writeCsv(const physics::TankEstimate& estimate, const QString& path);

} // namespace kavrol::FloorMap
