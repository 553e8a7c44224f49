// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "JsonWriter.h"
#include "OpticalModel.h"

#include <string>

namespace kavrol {

// What the command line prints about a finished build pass.
namespace Report {

// The efficiency with 6 decimals and where the rest of the light went.
std::string text(const OpticalModel& model);

// One JSON object: "efficiency", "rays" (the 72 final powers), "losses", "quantities" (every
// pixel quantity by name) and "profile" (entries 0 to RefAPx). Reals carry 17 significant digits.
std::string json(const OpticalModel& model);
// The same members, written into an object the caller has open, so that other parts of the
// report (the physical estimate, the whole tank) can follow before it is closed.
void writeMembers(JsonWriter& json, const OpticalModel& model);

// A real with 17 significant digits, as JSON allows it.
std::string real(long double value);

} // namespace Report

} // namespace kavrol
