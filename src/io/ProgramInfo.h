// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace kavrol {

// What both programs say about themselves: the version (the build's project version), the
// licence and where the installed documentation lies.
namespace ProgramInfo {

// The project's version, "0.1.0".
std::string_view Version();

// The text of --version: "<program> (Kavrol) <version>", the copyright and the licence, laid out
// as help2man reads it.
std::string VersionText(std::string_view program);

// The folder the install puts README.md, docs/ and examples/ in, "/usr/share/doc/kavrol".
std::string_view DocumentationFolder();

} // namespace ProgramInfo

} // namespace kavrol
