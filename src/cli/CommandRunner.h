// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kavrol::CommandRunner {

// Runs one command's body and holds the exit rules every command shares: the body's own status
// when it returns (0 done, 128 + n stopped by signal n), 2 for a refused command line
// (UsageError), 1 for any other failure. Each failure is reported here, and only here, as one
// line on standard error after `prefix` ("kavrol-cli optimise"): a file's failure with its
// detail, running out of memory with `outOfMemory()` when given (else as any other failure),
// anything else with its message.
int Run(std::string_view prefix, const std::function<int()>& body,
        const std::function<std::string()>& outOfMemory = {});

} // namespace kavrol::CommandRunner
