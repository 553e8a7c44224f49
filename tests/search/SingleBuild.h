// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildError.h"
#include "BuildInputs.h"
#include "Design.h"
#include "Evaluation.h"
#include "EvaluationContext.h"
#include "OpticalModel.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace kavrol::test {

// The build pass's inputs for a design in a context, with grid and rays on.
inline BuildInputs InputsFor(const EvaluationContext& context, const Design& d) {
    BuildInputs in = context.inputs(d);
    in.gridVisible = true;
    in.rayVisible = true;
    return in;
}

// What a single build of the design gives: a fresh model, one pass.
inline Evaluation SingleBuild(const EvaluationContext& context, const Design& d) {
    OpticalModel model(context.dotsPerInch);
    Evaluation e;
    try {
        model.PaintRef(InputsFor(context, d));
    } catch (const BuildError& error) {
        e.refusal = error.what();
        return e;
    }
    e.efficiency = model.efficiency();
    e.losses = model.losses();
    return e;
}

// Everything an evaluation holds, reals to 17 digits, for the message of a mismatch.
inline std::string Describe(const Evaluation& e) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "refusal '%s' efficiency %.17g delivered %.17g absorbed %.17g "
                  "reflectedAtWater %.17g returnedToTube %.17g escaped %.17g",
                  e.refusal.c_str(), e.efficiency, e.losses.delivered, e.losses.absorbed,
                  e.losses.reflectedAtWater, e.losses.returnedToTube, e.losses.escaped);
    return text;
}

// The context in full, for the message of a mismatch.
inline std::string Describe(const EvaluationContext& c) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "dpi %d scale %d tube %d lampH %d aquaW %d albedo %.21Lg lampVisible %d "
                  "carried pen %d tube radius %d maxReflections %d",
                  c.dotsPerInch, c.scale, c.tube, c.lampH, c.aquaW, c.albedo, c.lampVisible ? 1 : 0,
                  c.carried.penWidth, c.carried.tubeRadius, c.maxReflections);
    return text;
}

inline bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace kavrol::test
