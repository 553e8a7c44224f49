// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramInfo.h"

// The build defines both from CMake's project version and install folders.
#ifndef KAVROL_VERSION
#error "KAVROL_VERSION must be defined by the build"
#endif
#ifndef KAVROL_DOC_DIR
#error "KAVROL_DOC_DIR must be defined by the build"
#endif

namespace kavrol::ProgramInfo {

std::string_view Version() {
    return KAVROL_VERSION;
}

std::string VersionText(std::string_view program) {
    return std::string(program) + " (Kavrol) " + std::string(Version()) +
           "\nCopyright (C) 2026 the Kavrol developers\n"
           "License GPL-3.0-or-later: GNU GPL version 3 or later "
           "<https://www.gnu.org/licenses/gpl-3.0.html>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}

std::string_view DocumentationFolder() {
    return KAVROL_DOC_DIR;
}

} // namespace kavrol::ProgramInfo
