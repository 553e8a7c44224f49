// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildError.h"
#include "OpticalModel.h"

#include <string>

namespace kavrol::test {

// The message of a build pass that fails, or "built".
inline std::string BuildMessage(OpticalModel& model, const BuildInputs& in) {
    try {
        model.PaintRef(in);
    } catch (const BuildError& e) {
        return e.what();
    }
    return "built";
}

} // namespace kavrol::test
