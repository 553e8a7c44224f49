// kavrol-cli: one build pass of a lamp design without a window, reported on standard output.

#include "BuildError.h"
#include "CommandLine.h"
#include "OpticalModel.h"
#include "OptimiseCommand.h"
#include "PhysicalBuild.h"
#include "PictureFile.h"
#include "Report.h"

#include <QString>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace kavrol;
    const std::vector<std::string> args(argv + 1, argv + argc);
    // "optimise" searches the design space; anything else is the single build.
    if (!args.empty() && args[0] == "optimise")
        return OptimiseCommand::Run(std::vector<std::string>(args.begin() + 1, args.end()));
    CliOptions options;
    try {
        options = ParseCommandLine(args);
    } catch (const UsageError& e) {
        std::cerr << "kavrol-cli: " << e.what() << '\n';
        return 2;
    }
    if (options.help) {
        std::cout << UsageText()
                  << "\nTo search shapes and dimensions for the best design: kavrol-cli optimise "
                     "--help\n";
        return 0;
    }
    // Failures of the build and of the files are reported here, and only here.
    try {
        OpticalModel model(options.dotsPerInch);
        model.PaintRef(options.inputs);
        const PhysicalBuild physical(options.inputs, options.physical);
        if (!options.savePath.empty())
            PictureFile::save(model.workImage(), PictureFile::nameFromBytes(options.savePath),
                              options.dotsPerInch);
        physical.writeFiles();
        std::cout << (options.json ? physical.json(Report::json(model))
                                   : Report::text(model) + physical.text());
    } catch (const std::exception& e) {
        std::cerr << "kavrol-cli: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
