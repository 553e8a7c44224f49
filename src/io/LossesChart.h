// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LossComparison.h"

#include <QChart>
#include <memory>
#include <vector>

namespace kavrol::LossesChart {

// Where the light goes in both models as two stacked bars of 100 %, one segment per fate in
// the rows' order: the 72-ray model's bar above the physical model's (category 1 and 0).
// Without withRays only the physical model's bar is drawn (a whole fixture has no 72-ray
// figures).
std::unique_ptr<QChart> create(const std::vector<LossComparison>& rows, bool withRays = true);

} // namespace kavrol::LossesChart
