#pragma once

namespace kavrol {

// One point of the design space: the reflector's shape and dimensions (millimetres) and the
// distance from the reflector's top line to the tube's centre.
struct Design {
    int shape = 1; // 0 trapezoid, 1 parabola, 2 "ZeFo"
    int refA = 200;
    int refB = 100;
    int refC = 50;
    int lamp = 50;
};

} // namespace kavrol
