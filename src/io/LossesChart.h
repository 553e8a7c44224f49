// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LossComparison.h"

#include <QChart>
#include <QColor>
#include <memory>
#include <vector>

namespace kavrol::LossesChart {

// The colour of the row-th fate's segments; the window's table wears the same colours as the
// chart's legend.
QColor colour(int row);

// Where the light goes in both models as two stacked bars of 100 %, one segment per fate in
// the rows' order: the 72-ray model's bar above the physical model's (category 1 and 0).
// Without withRays only the physical model's bar is drawn (a whole fixture has no 72-ray
// figures). The chart has no legend of its own: the fates are named beside it in the colours
// above. Each segment is labelled with its share in percent, one decimal, inside the segment
// and only where the label fits; the labels are placed again whenever the plot area changes.
std::unique_ptr<QChart> create(const std::vector<LossComparison>& rows, bool withRays = true);

// Object name of the value labels (QGraphicsSimpleTextItem children of the chart carry it as
// their data(0)), for whoever reads them back.
inline constexpr const char* kValueLabel = "value";

} // namespace kavrol::LossesChart
