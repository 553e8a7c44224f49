#pragma once

#include "InputDomain.h"

namespace kavrol {

// What stays fixed while a search varies the reflector: the screen, the view, the tube, the water
// and the reflector's material. The values mean what the matching BuildInputs fields mean.
struct EvaluationContext {
    int dotsPerInch = InputDomain::DotsPerInch.initial;
    int scale = InputDomain::Scale.initial; // 0 "1:1", 1 "2:1", 2 "3:1"
    int tube = InputDomain::Tube.initial;   // 0 T4, 1 T5, 2 T8; any other leaves the radius at 0
    int lampH = InputDomain::LampH.initial;
    int aquaW = InputDomain::AquaW.initial;
    long double albedo = InputDomain::Albedo.initial;
    bool lampVisible = true;
    // The pen width the tube and the water are drawn with. A single build draws them 1 pixel wide
    // (the grid, or the fresh work image, leaves the pen at 1); 3 reproduces a pass without grid
    // that follows a pass which set the outline pen and traced no rays.
    int figurePenWidth = 1;
    // Must equal the limit of the OpticalModel that results are compared with.
    int maxReflections = 10000;
};

} // namespace kavrol
