// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Design.h"
#include "Evaluation.h"

#include <cstdint>

namespace kavrol {

// A design with its place in the search order and what it yielded.
struct ScoredDesign {
    std::int64_t index = 0;
    Design design;
    Evaluation evaluation;
};

} // namespace kavrol
