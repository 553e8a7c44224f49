#pragma once

namespace kavrol {

// The control values one build pass reads. Dimensions are millimetres; a list index of -1 means
// that nothing is selected in that list.
struct BuildInputs {
    int shape = 1; // 0 trapezoid, 1 parabola, 2 "ZeFo"
    int tube = 1;  // 0 T4, 1 T5, 2 T8
    int scale = 2; // 0 "1:1", 1 "2:1", 2 "3:1"
    int refA = 200;
    int refB = 100;
    int refC = 50;
    int lamp = 50;   // top line to the tube's centre
    int lampH = 200; // tube's centre to the water
    int aquaW = 500;
    // The albedo is an extended real, exactly as the field parses it.
    long double albedo = 0.8L;
    bool gridVisible = true;
    bool lampVisible = true;
    bool rayVisible = true;
};

} // namespace kavrol
