#pragma once

#include "LossComparison.h"

#include <QChart>
#include <memory>
#include <vector>

namespace kavrol::LossesChart {

// Where the light goes in both models as two stacked bars of 100 %, one segment per fate in
// the rows' order: the 72-ray model's bar above the physical model's (category 1 and 0).
std::unique_ptr<QChart> create(const std::vector<LossComparison>& rows);

} // namespace kavrol::LossesChart
