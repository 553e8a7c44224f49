// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildInputs.h"
#include "PhysicalDesign.h"

namespace kavrol::physics {

// The physical design of the window's inputs: the same shape, dimensions, tube, distances,
// tank and albedo; the view's scale and check boxes play no part. Throws PhysicalDesignError
// when a list has nothing or something unknown selected.
PhysicalDesign DesignFromInputs(const BuildInputs& inputs);

} // namespace kavrol::physics
