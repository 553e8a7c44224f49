// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandRunner.h"

#include "CommandLine.h"
#include "PictureFile.h"

#include <exception>
#include <iostream>
#include <new>

namespace kavrol::CommandRunner {

int Run(std::string_view prefix, const std::function<int()>& body,
        const std::function<std::string()>& outOfMemory) {
    try {
        return body();
    } catch (const UsageError& e) {
        std::cerr << prefix << ": " << e.what() << '\n';
        return 2;
    } catch (const SaveError& e) {
        std::cerr << prefix << ": " << e.detail() << '\n';
        return 1;
    } catch (const std::bad_alloc& e) {
        std::cerr << prefix << ": " << (outOfMemory ? outOfMemory() : std::string(e.what()))
                  << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << prefix << ": " << e.what() << '\n';
        return 1;
    }
}

} // namespace kavrol::CommandRunner
