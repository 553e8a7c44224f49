// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PhysicalEstimate.h"

#include <QByteArray>
#include <QString>

namespace kavrol::IrradianceCsv {

// The irradiance bins as comma-separated text, one bin a line after a header line:
//   left_mm,right_mm,centre_mm,relative,share_per_mm
// positions across the tank from the tube's axis, the bin's irradiance relative to the mean
// over the span and as the share of the tube's light per millimetre of span. Numbers in the C
// locale with 17 significant digits, so they read back to the same doubles.
QByteArray text(const physics::PhysicalEstimate& estimate);

// Writes text(estimate) whole or not at all (WholeFile); throws SaveError as it does.
void write(const physics::PhysicalEstimate& estimate, const QString& path);

} // namespace kavrol::IrradianceCsv
