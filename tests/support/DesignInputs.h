// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildInputs.h"
#include "InputDomain.h"

namespace kavrol::testing_support {

// A window design's inputs: its shape (0 trapezoid, 1 parabola, 2 "ZeFo"), dimensions and lamp
// distance (mm), everything else as the window starts.
inline BuildInputs DesignInputs(int shape, int a, int b, int c,
                                int lamp = InputDomain::Lamp.initial) {
    BuildInputs in;
    in.shape = shape;
    in.refA = a;
    in.refB = b;
    in.refC = c;
    in.lamp = lamp;
    return in;
}

} // namespace kavrol::testing_support
