// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildInputs.h"
#include "CarriedState.h"
#include "Design.h"
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
    // What the pass before the one compared with left: a single build on a fresh model draws the
    // tube and the water 1 pixel wide (the grid, or the fresh work image, leaves the pen at 1)
    // and knows no tube radius before its tube is known.
    CarriedState carried;
    // Must equal the limit of the OpticalModel that results are compared with.
    int maxReflections = 10000;

    // A single build's inputs for a design in this context (grid and rays as BuildInputs has
    // them), the physical estimate's as well.
    BuildInputs inputs(const Design& d) const {
        BuildInputs in;
        in.shape = d.shape;
        in.refA = d.refA;
        in.refB = d.refB;
        in.refC = d.refC;
        in.lamp = d.lamp;
        in.tube = tube;
        in.scale = scale;
        in.lampH = lampH;
        in.aquaW = aquaW;
        in.albedo = albedo;
        in.lampVisible = lampVisible;
        return in;
    }
};

} // namespace kavrol
