// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "JsonWriter.h"
#include "OptimiseOptions.h"
#include "PhysicalSearchOutcome.h"
#include "SurfaceContrast.h"

#include <optional>
#include <string>

namespace kavrol {

// "optimise --objective physical --json": the report as one JSON object on one line.
namespace PhysicalSearchJson {

// {"searched", "screened", "reestimated", "stopped", "surface" (only when one is given, as the
// single build's "physical.surface"), "best" (rank order: "shape", "A", "B", "C" or null,
// "lamp", "physical", "error", "minOverMean", "maxOverMean", "tolerance"), "refused" (the count)
// and "againstMirror" (SurfaceContrast::json, only when the contrast was asked for)}.
// One ranked design: {"shape", "A", "B", "C" or null, "lamp", then the figures}.
void WriteDesign(JsonWriter& json, const PhysicalSearchOutcome::Scored& scored);
// The members "physical", "error", "minOverMean", "maxOverMean", "tolerance", into an open
// object.
void WriteFigures(JsonWriter& json, const PhysicalScore& score);

std::string Report(const OptimiseOptions& options, const PhysicalSearchOutcome& outcome,
                   const std::optional<SurfaceContrast>& contrast);

} // namespace PhysicalSearchJson

} // namespace kavrol
