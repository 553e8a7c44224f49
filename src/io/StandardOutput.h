// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace kavrol {

// Standard output written straight to the system, so that a full disk, a closed pipe or a
// reader gone away is seen at once rather than lost in a buffer.
namespace StandardOutput {

// Writes every byte to standard output; throws std::runtime_error "cannot write standard output:
// <reason>" when the system refuses them.
void Write(std::string_view text);

// Makes a write to a pipe whose reader went away fail with "Broken pipe" instead of ending the
// program without a word. Call once at start-up.
void IgnoreBrokenPipes();

} // namespace StandardOutput

} // namespace kavrol
