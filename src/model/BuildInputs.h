// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InputDomain.h"

namespace kavrol {

// The control values one build pass reads. Dimensions are millimetres; a list index of -1 means
// that nothing is selected in that list. Every value starts as the window's start-up value.
struct BuildInputs {
    int shape = InputDomain::Shape.initial; // 0 trapezoid, 1 parabola, 2 "ZeFo"
    int tube = InputDomain::Tube.initial;   // 0 T4, 1 T5, 2 T8
    int scale = InputDomain::Scale.initial; // 0 "1:1", 1 "2:1", 2 "3:1"
    int refA = InputDomain::RefA.initial;
    int refB = InputDomain::RefB.initial;
    int refC = InputDomain::RefC.initial;
    int lamp = InputDomain::Lamp.initial;   // top line to the tube's centre
    int lampH = InputDomain::LampH.initial; // tube's centre to the water
    int aquaW = InputDomain::AquaW.initial;
    // The albedo is an extended real, exactly as the field parses it.
    long double albedo = InputDomain::Albedo.initial;
    bool gridVisible = true;
    bool lampVisible = true;
    bool rayVisible = true;
};

} // namespace kavrol
