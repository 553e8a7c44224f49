// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandLine.h"
#include "OptimiseCommand.h"

#include <string>
#include <vector>

// The message a command line is refused with, for the option tests of both commands.
namespace kavrol::testing_support {

// What `parse` refuses args with, or "accepted".
template <typename Parse>
std::string RefusalBy(const Parse& parse, const std::vector<std::string>& args) {
    try {
        parse(args);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "accepted";
}

// The single build's refusal.
inline std::string Refusal(const std::vector<std::string>& args) {
    return RefusalBy([](const std::vector<std::string>& a) { return ParseCommandLine(a); }, args);
}

// The refusal of "optimise" followed by args.
inline std::string OptimiseRefusal(const std::vector<std::string>& args) {
    return RefusalBy([](const std::vector<std::string>& a) { return OptimiseCommand::Parse(a); },
                     args);
}

} // namespace kavrol::testing_support
