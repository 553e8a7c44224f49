// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace kavrol {

// What "kavrol-cli fixture" was asked to do.
struct FixtureOptions {
    std::string file;
    bool help = false;
    bool json = false;
    double tolerance = 0.0005; // the physical estimate's default
    int bins = 50;
    bool bareTube = true;
    bool optimiseSpacing = false;
    bool optimiseLamp = false;
    double minUniformity = 0.0;
    int steps = 16;
    bool progress = true;
    std::string plotPath;       // the irradiance chart, .png or .svg
    std::string profileCsvPath; // the irradiance bins as CSV
    std::string templatePath;   // the cutting templates, .svg or .pdf
};

} // namespace kavrol
