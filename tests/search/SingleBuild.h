#pragma once

#include "BuildError.h"
#include "BuildInputs.h"
#include "Design.h"
#include "Evaluation.h"
#include "EvaluationContext.h"
#include "OpticalModel.h"

#include <cstring>

namespace kavrol::test {

// The build pass's inputs for a design in a context, with grid and rays on.
inline BuildInputs InputsFor(const EvaluationContext& context, const Design& d) {
    BuildInputs in;
    in.shape = d.shape;
    in.refA = d.refA;
    in.refB = d.refB;
    in.refC = d.refC;
    in.lamp = d.lamp;
    in.tube = context.tube;
    in.scale = context.scale;
    in.lampH = context.lampH;
    in.aquaW = context.aquaW;
    in.albedo = context.albedo;
    in.lampVisible = context.lampVisible;
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

inline bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace kavrol::test
