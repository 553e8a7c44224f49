// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileError.h"

#include <cstring>

namespace kavrol {

FileError::FileError(Stage stage, const std::string& path, int errorNumber)
    : std::runtime_error(
          std::string(stage == Stage::Create ? "cannot create '" : "cannot write '") + path +
          "': " + Reason(errorNumber)),
      stage_(stage), path_(path), errorNumber_(errorNumber) {}

std::string FileError::Reason(int errorNumber) {
    std::string reason = std::strerror(errorNumber);
    while (!reason.empty() && (reason.back() == '.' || reason.back() == ' '))
        reason.pop_back();
    return reason;
}

} // namespace kavrol
