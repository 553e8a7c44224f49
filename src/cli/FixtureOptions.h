// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "InputDomain.h"

#include <string>

namespace kavrol {

// What "kavrol-cli fixture" was asked to do.
struct FixtureOptions {
    std::string file;
    bool help = false;
    bool json = false;
    double tolerance = static_cast<double>(InputDomain::Tolerance.initial);
    int bins = InputDomain::Bins.initial;
    bool bareTube = true;
    bool wholeTank = true; // the whole tank's light when the file gives the tank's length
    bool optimiseSpacing = false;
    bool optimiseLamp = false;
    double minUniformity = static_cast<double>(InputDomain::MinUniformity.initial);
    int steps = InputDomain::FixtureSteps.initial;
    bool progress = true;
    std::string plotPath;       // the irradiance chart, .png or .svg
    std::string profileCsvPath; // the irradiance bins as CSV
    std::string templatePath;   // the cutting templates, .svg or .pdf
};

} // namespace kavrol
