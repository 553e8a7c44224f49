#pragma once

#include "CliOptions.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace kavrol {

// A command line that cannot be run: the text names the option and what it accepts.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// Parses the arguments after the program name, "--name value" or "--name=value". Every option
// defaults to the window's start-up value, and every value is held to the window's range.
CliOptions ParseCommandLine(const std::vector<std::string>& args);

// The text of --help.
std::string UsageText();

// Strict number parsing shared by the front end's commands: the whole text must be a number in
// the range, or UsageError names the option and the range.
int ParseInteger(const std::string& option, const std::string& text, int minimum, int maximum,
                 const char* unit);
long double ParseReal(const std::string& option, const std::string& text, long double minimum,
                      long double maximum);

} // namespace kavrol
