// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace kavrol {

// A file that could not be created or written: the text names the file and the system's reason,
// "cannot create 'x.csv': Permission denied" or "cannot write 'x.csv': No space left on device".
class FileError : public std::runtime_error {
public:
    enum class Stage { Create, Write };

    FileError(Stage stage, const std::string& path, int errorNumber);

    Stage stage() const { return stage_; }
    const std::string& path() const { return path_; }
    int errorNumber() const { return errorNumber_; }

    // The system's description of an error number, without trailing full stops and blanks.
    static std::string Reason(int errorNumber);

private:
    Stage stage_;
    std::string path_;
    int errorNumber_;
};

} // namespace kavrol
