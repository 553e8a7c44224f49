// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InputDomain.h"

namespace kavrol {

// One point of the design space: the reflector's shape and dimensions (millimetres) and the
// distance from the reflector's top line to the tube's centre.
struct Design {
    int shape = InputDomain::Shape.initial; // 0 trapezoid, 1 parabola, 2 "ZeFo"
    int refA = InputDomain::RefA.initial;
    int refB = InputDomain::RefB.initial;
    int refC = InputDomain::RefC.initial;
    int lamp = InputDomain::Lamp.initial;
};

} // namespace kavrol
