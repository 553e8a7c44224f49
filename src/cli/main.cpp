// SPDX-License-Identifier: GPL-3.0-or-later
// kavrol-cli: one build pass of a lamp design without a window, reported on standard output.

#include "BuildError.h"
#include "CommandLine.h"
#include "FixtureCommand.h"
#include "OpticalModel.h"
#include "OptimiseCommand.h"
#include "PhysicalBuild.h"
#include "PictureFile.h"
#include "ProgramInfo.h"
#include "Report.h"
#include "ResourceLimits.h"
#include "SignalGuard.h"
#include "StandardOutput.h"
#include "TankBuild.h"

#include <QString>
#include <algorithm>
#include <iostream>
#include <new>
#include <string>
#include <vector>

namespace {

// The single build, with the physical estimate when asked: exit status 0 built, 1 the build,
// a file or the output failed.
int Build(const kavrol::CliOptions& options) {
    using namespace kavrol;
    // Failures of the build, the files and the output are reported here, and only here.
    try {
        OpticalModel model(options.dotsPerInch);
        model.PaintRef(options.inputs);
        // With --tank, --plot and --profile-csv draw the floor rather than the water's line.
        PhysicalOptions physicalOptions = options.physical;
        if (options.tank.enabled) {
            physicalOptions.plotPath.clear();
            physicalOptions.profileCsvPath.clear();
        }
        const PhysicalBuild physical(options.inputs, physicalOptions);
        const TankBuild tank(options.inputs, options.physical.settings, options.tank);
        if (model.quantities().WaterY >= model.workImage().height())
            std::cerr << "kavrol-cli: warning: "
                      << ResourceLimits::WaterOutOfPicture(options.dotsPerInch) << '\n';
        if (!options.savePath.empty())
            PictureFile::save(model.workImage(), PictureFile::nameFromBytes(options.savePath),
                              options.dotsPerInch);
        physical.writeFiles();
        if (options.tank.enabled)
            tank.writeFiles(options.physical.plotPath, options.physical.profileCsvPath);
        if (options.json) {
            JsonWriter json;
            json.beginObject();
            Report::writeMembers(json, model);
            physical.writeJson(json);
            tank.writeJson(json);
            json.endObject();
            StandardOutput::Write(json.text() + "\n");
        } else {
            StandardOutput::Write(Report::text(model) + physical.text() + tank.text());
        }
    } catch (const SaveError& e) {
        std::cerr << "kavrol-cli: " << e.detail() << '\n';
        return 1;
    } catch (const std::bad_alloc&) {
        std::cerr << "kavrol-cli: " << ResourceLimits::OutOfMemory(options.dotsPerInch, false)
                  << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "kavrol-cli: " << e.what() << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    using namespace kavrol;
    StandardOutput::IgnoreBrokenPipes();
    SignalGuard::RemoveTemporaryFilesOnSignals();
    const std::vector<std::string> args(argv + 1, argv + argc);
    // --version answers wherever it stands, before any other option is looked at.
    if (std::find(args.begin(), args.end(), "--version") != args.end()) {
        try {
            StandardOutput::Write(ProgramInfo::VersionText("kavrol-cli"));
        } catch (const std::exception& e) {
            std::cerr << "kavrol-cli: " << e.what() << '\n';
            return 1;
        }
        return 0;
    }
    // "optimise" searches the design space; anything else is the single build.
    if (!args.empty() && args[0] == "optimise")
        return OptimiseCommand::Run(std::vector<std::string>(args.begin() + 1, args.end()));
    // "fixture" estimates a whole fixture file.
    if (!args.empty() && args[0] == "fixture")
        return FixtureCommand::Run(std::vector<std::string>(args.begin() + 1, args.end()));
    CliOptions options;
    try {
        options = ParseCommandLine(args);
    } catch (const UsageError& e) {
        std::cerr << "kavrol-cli: " << e.what() << '\n';
        return 2;
    }
    if (options.help) {
        try {
            StandardOutput::Write(
                UsageText() + "\nCommands, each with its own --help:\n" +
                OptionLine("optimise", 18, "search shapes and dimensions for the best design", "") +
                OptionLine("fixture FILE", 18, "estimate a whole fixture of several tubes", "") +
                "\nThe README, docs/ and examples/ are installed in " +
                std::string(ProgramInfo::DocumentationFolder()) + "/.\n");
        } catch (const std::exception& e) {
            std::cerr << "kavrol-cli: " << e.what() << '\n';
            return 1;
        }
        return 0;
    }
    return Build(options);
}
