// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ChoiceInput.h"
#include "CliOptions.h"
#include "IntegerInput.h"
#include "RealInput.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kavrol {

// A command line that cannot be run: the text names the option and what it accepts.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// Walks a command line one option at a time, "--name value" or "--name=value".
class ArgumentReader {
public:
    explicit ArgumentReader(const std::vector<std::string>& args) : args_(args) {}

    // Moves to the next option; false when none is left.
    bool next();
    // The option's name, without an attached "=value".
    const std::string& name() const { return name_; }
    // The argument as it was given.
    const std::string& raw() const { return args_[index_]; }
    // The option's value, attached or the following argument; UsageError when it is missing or
    // begins with "--". UsageError from next() when an option comes a second time.
    std::string value();
    // UsageError when a value was attached to an option that takes none.
    void noValue() const;

private:
    const std::vector<std::string>& args_;
    std::size_t index_ = 0;
    bool started_ = false;
    std::string name_;
    std::string attached_;
    bool hasAttached_ = false;
    std::vector<std::string> seen_;
};

// Parses the arguments after the program name, "--name value" or "--name=value". Every option
// defaults to the window's start-up value, and every value is held to the window's range.
CliOptions ParseCommandLine(const std::vector<std::string>& args);

// The text of --help.
std::string UsageText();

// The help's paragraph on the rules every option follows: number syntax, once only, values.
std::string OptionRules();

// Strict number parsing shared by the front end's commands: the whole text must be a number in
// the range, or UsageError names the option and the range.
int ParseInteger(const std::string& option, const std::string& text, int minimum, int maximum,
                 const char* unit);
long double ParseReal(const std::string& option, const std::string& text, long double minimum,
                      long double maximum);
// The same over one input of the input table, with its range and unit.
int ParseInput(const std::string& option, const std::string& text, const IntegerInput& input);
// The same over one real input of the input table, with its range.
double ParseRealInput(const std::string& option, const std::string& text, const RealInput& input);
// The list index of a command-line word of one list of the input table.
int ParseChoice(const std::string& option, const std::string& text, const ChoiceInput& list);

// Pieces of the help texts, from the input table: "20 to 200 (200)", "(parabola)",
// "trapezoid|parabola|zefo", and one option's line with its description from the given column
// (on the next line when the option leaves fewer than two blanks before it).
std::string Span(const IntegerInput& input);
std::string Span(const RealInput& input);
// "0.0001 to 0.1 (0.0005)": the bounds and default in their shortest plain decimals.
std::string RealSpan(const RealInput& input);
std::string Default(const ChoiceInput& list);
std::string Alternatives(const ChoiceInput& list, char separator = '|');
std::string OptionLine(const std::string& option, std::size_t column, std::string_view description,
                       const std::string& span);

} // namespace kavrol
