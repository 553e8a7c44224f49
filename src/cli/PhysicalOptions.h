// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PhysicalSettings.h"

#include <string>

namespace kavrol {

// What a single build asks of the physical model: the estimate in the report and the files
// drawn from it and from the design's exact curve. Empty paths write nothing.
struct PhysicalOptions {
    bool estimate = false; // --physical
    PhysicalSettings settings;
    std::string plotPath;       // the irradiance chart, .png or .svg; needs the estimate
    std::string profileCsvPath; // the irradiance bins; needs the estimate
    std::string templatePath;   // the cutting template, .svg or .pdf
};

} // namespace kavrol
