// SPDX-License-Identifier: GPL-3.0-or-later
// "kavrol-cli fixture": parsing its options (the physical ones through the input table).
#include "FixtureCommand.h"

#include "CommandLine.h"
#include "InputDomain.h"

#include <sstream>

namespace kavrol::FixtureCommand {

namespace D = InputDomain;

namespace {

// "--optimise spacing,lamp-distance": what the search varies.
void ParseOptimise(const std::string& name, const std::string& value, FixtureOptions& options) {
    if (value.empty()) {
        throw UsageError(name + ": expected spacing, lamp-distance or both, separated by a "
                                "comma, got ''");
    }
    std::istringstream words(value);
    std::string word;
    while (std::getline(words, word, ',')) {
        if (word == "spacing") {
            options.optimiseSpacing = true;
        } else if (word == "lamp-distance") {
            options.optimiseLamp = true;
        } else {
            throw UsageError(name +
                             ": expected spacing, lamp-distance or both, "
                             "separated by a comma, got '" +
                             word + "'");
        }
    }
}

} // namespace

FixtureOptions Parse(const std::vector<std::string>& args) {
    FixtureOptions options;
    ArgumentReader reader(args);
    while (reader.next()) {
        const std::string& name = reader.name();
        if (name.rfind("--", 0) != 0) {
            if (!options.file.empty()) {
                throw UsageError("one fixture file only, got '" + options.file + "' and '" +
                                 reader.raw() + "'");
            }
            options.file = reader.raw();
        } else if (name == "--help") {
            reader.noValue();
            options.help = true;
        } else if (name == "--json") {
            reader.noValue();
            options.json = true;
        } else if (name == "--no-bare-tube") {
            reader.noValue();
            options.bareTube = false;
        } else if (name == "--no-tank") {
            reader.noValue();
            options.wholeTank = false;
        } else if (name == "--no-progress") {
            reader.noValue();
            options.progress = false;
        } else if (name == "--tolerance") {
            options.tolerance = ParseRealInput(name, reader.value(), D::Tolerance);
        } else if (name == "--bins") {
            options.bins = ParseInput(name, reader.value(), D::Bins);
        } else if (name == "--steps") {
            options.steps = ParseInput(name, reader.value(), D::FixtureSteps);
        } else if (name == "--min-uniformity") {
            options.minUniformity = ParseRealInput(name, reader.value(), D::MinUniformity);
        } else if (name == "--optimise" || name == "--optimize") {
            ParseOptimise(name, reader.value(), options);
        } else if (name == "--plot" || name == "--profile-csv" || name == "--template") {
            std::string value = reader.value();
            if (value.empty()) {
                throw UsageError(name + ": the file name is empty");
            }
            (name == "--plot"          ? options.plotPath
             : name == "--profile-csv" ? options.profileCsvPath
                                       : options.templatePath) = std::move(value);
        } else {
            throw UsageError("unknown option '" + name + "' (see kavrol-cli fixture --help)");
        }
    }
    if (options.file.empty() && !options.help) {
        throw UsageError("expected a fixture file (see kavrol-cli fixture --help)");
    }
    return options;
}

} // namespace kavrol::FixtureCommand
