// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InputDomain.h"

#include <string>

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

// "zefo A 160 B 80 C 40 lamp 50": a design as the reports name it, C only for the shapes that
// have one.
inline std::string Describe(const Design& d) {
    std::string text = std::string(InputDomain::Shape.word(d.shape)) + " A " +
                       std::to_string(d.refA) + " B " + std::to_string(d.refB);
    if (InputDomain::UsesC(d.shape))
        text += " C " + std::to_string(d.refC);
    return text + " lamp " + std::to_string(d.lamp);
}

} // namespace kavrol
