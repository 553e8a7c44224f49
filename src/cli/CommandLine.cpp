// SPDX-License-Identifier: GPL-3.0-or-later
// The single build's command line. Sections: strict parsing of numbers and list words; walking
// the arguments; the options; the help text and its pieces from the input table.

#include "CommandLine.h"

#include "NumberFormat.h"

#include "InputDomain.h"
#include "PhysicalCommandLine.h"
#include "TankCommandLine.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string_view>

namespace kavrol {

namespace {

// --- Strict parsing of numbers and list words ---

// The list index of a command-line word, or UsageError naming every word the list takes.
int ParseWord(const std::string& option, const std::string& text, const ChoiceInput& list) {
    const int index = list.indexOf(text);
    if (index >= 0)
        return index;
    std::string accepted;
    for (const std::string_view word : list.words) {
        accepted += accepted.empty() ? "" : ", ";
        accepted += word;
    }
    throw UsageError(option + ": expected one of " + accepted + ", got '" + text + "'");
}

// One rule for every number: decimal digits, and for a real a point with digits after it; no
// sign, blank, exponent, hexadecimal or other notation, so the same text means the same to all.
bool IsPlainDecimal(const std::string& text, bool point) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i > from;
    };
    if (!digits())
        return false;
    if (point && i < text.size() && text[i] == '.') {
        ++i;
        if (!digits())
            return false;
    }
    return i == text.size();
}

// The picture is written as BMP whatever the name; a name that says otherwise is refused.
bool EndsInBmp(const std::string& name) {
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".bmp";
}

} // namespace

int ParseInteger(const std::string& option, const std::string& text, int minimum, int maximum,
                 const char* unit) {
    int value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (!IsPlainDecimal(text, false) || error != std::errc() || end != last || value < minimum ||
        value > maximum) {
        std::ostringstream message;
        message << option << ": expected a whole number from " << minimum << " to " << maximum
                << unit << ", got '" << text << "'";
        throw UsageError(message.str());
    }
    return value;
}

int ParseInput(const std::string& option, const std::string& text, const IntegerInput& input) {
    return ParseInteger(option, text, input.minimum, input.maximum,
                        (" (" + std::string(input.unit) + ")").c_str());
}

double ParseRealInput(const std::string& option, const std::string& text, const RealInput& input) {
    return static_cast<double>(ParseReal(option, text, input.minimum, input.maximum));
}

int ParseChoice(const std::string& option, const std::string& text, const ChoiceInput& list) {
    return ParseWord(option, text, list);
}

long double ParseReal(const std::string& option, const std::string& text, long double minimum,
                      long double maximum) {
    errno = 0;
    char* end = nullptr;
    const bool plain = IsPlainDecimal(text, true);
    const long double value = plain ? std::strtold(text.c_str(), &end) : 0;
    const bool whole = plain && end == text.c_str() + text.size() && errno == 0;
    if (!whole || !std::isfinite(value) || value < minimum || value > maximum) {
        throw UsageError(option + ": expected a number from " +
                         NumberFormat::general(static_cast<double>(minimum)) + " to " +
                         NumberFormat::general(static_cast<double>(maximum)) + ", got '" + text +
                         "'");
    }
    return value;
}

// --- Walking the arguments ---

bool ArgumentReader::next() {
    if (started_)
        ++index_;
    started_ = true;
    if (index_ >= args_.size())
        return false;
    name_ = args_[index_];
    hasAttached_ = false;
    if (const auto eq = name_.find('='); name_.rfind("--", 0) == 0 && eq != std::string::npos) {
        attached_ = name_.substr(eq + 1);
        name_ = name_.substr(0, eq);
        hasAttached_ = true;
    }
    // An option given twice would silently take the last value.
    if (name_.rfind("--", 0) == 0 || name_ == "-h") {
        const std::string key = name_ == "-h" ? "--help" : name_;
        for (const std::string& earlier : seen_)
            if (earlier == key)
                throw UsageError(name_ + ": given more than once");
        seen_.push_back(key);
    }
    return true;
}

// A value that begins with "--" is another option, its own value forgotten; a file of such a
// name is still reachable as "./--name".
std::string ArgumentReader::value() {
    if (hasAttached_ && attached_.rfind("--", 0) != 0)
        return attached_;
    if (hasAttached_ || index_ + 1 >= args_.size() || args_[index_ + 1].rfind("--", 0) == 0)
        throw UsageError(name_ + ": a value is missing");
    return args_[++index_];
}

void ArgumentReader::noValue() const {
    if (hasAttached_)
        throw UsageError(name_ + ": takes no value");
}

namespace {

// --- The options ---

// The design's inputs: shape, tube, scale, dimensions, distances, albedo. False for another option.
bool ParseDesignOption(ArgumentReader& reader, BuildInputs& in) {
    const std::string& name = reader.name();
    auto next = [&]() { return reader.value(); };
    if (name == "--shape") {
        in.shape = ParseChoice(name, next(), InputDomain::Shape);
    } else if (name == "--tube") {
        in.tube = ParseChoice(name, next(), InputDomain::Tube);
    } else if (name == "--scale") {
        in.scale = ParseChoice(name, next(), InputDomain::Scale);
    } else if (name == "--a") {
        in.refA = ParseInput(name, next(), InputDomain::RefA);
    } else if (name == "--b") {
        in.refB = ParseInput(name, next(), InputDomain::RefB);
    } else if (name == "--c") {
        in.refC = ParseInput(name, next(), InputDomain::RefC);
    } else if (name == "--lamp-distance") {
        in.lamp = ParseInput(name, next(), InputDomain::Lamp);
    } else if (name == "--water-distance") {
        in.lampH = ParseInput(name, next(), InputDomain::LampH);
    } else if (name == "--aquarium-width") {
        in.aquaW = ParseInput(name, next(), InputDomain::AquaW);
    } else if (name == "--albedo") {
        in.albedo =
            ParseReal(name, next(), InputDomain::Albedo.minimum, InputDomain::Albedo.maximum);
    } else {
        return false;
    }
    return true;
}

// The picture and the output: density, what is drawn, the BMP file, JSON, help. False for
// another option.
bool ParseOutputOption(ArgumentReader& reader, CliOptions& options) {
    const std::string& name = reader.name();
    BuildInputs& in = options.inputs;
    auto flag = [&]() { reader.noValue(); };
    if (name == "--help" || name == "-h") {
        flag();
        options.help = true;
    } else if (name == "--dpi") {
        options.dotsPerInch = ParseInput(name, reader.value(), InputDomain::CommandLineDotsPerInch);
    } else if (name == "--no-grid") {
        flag();
        in.gridVisible = false;
    } else if (name == "--no-lamp") {
        flag();
        in.lampVisible = false;
    } else if (name == "--no-rays") {
        flag();
        in.rayVisible = false;
    } else if (name == "--save") {
        options.savePath = reader.value();
        if (options.savePath.empty())
            throw UsageError("--save: expected a file name");
        if (!EndsInBmp(options.savePath))
            throw UsageError("--save: the picture is a BMP file; give a name ending in .bmp, "
                             "got '" +
                             options.savePath + "'");
    } else if (name == "--json") {
        flag();
        options.json = true;
    } else {
        return false;
    }
    return true;
}

// The subcommands' words out of place: they are commands, not options of the single build.
void RefuseMisplacedCommand(const ArgumentReader& reader) {
    const std::string& name = reader.name();
    if (name == "optimise")
        throw UsageError("'optimise' must come first: kavrol-cli optimise [options]");
    if (name == "fixture")
        throw UsageError("'fixture' must come first: kavrol-cli fixture FILE [options]");
    if (name == "optimize" || name == "--optimise" || name == "--optimize")
        throw UsageError("unknown option '" + reader.raw() +
                         "' (to search designs: kavrol-cli optimise [options])");
}

} // namespace

CliOptions ParseCommandLine(const std::vector<std::string>& args) {
    CliOptions options;
    std::string needsEstimate;
    std::string needsTank;
    ArgumentReader reader(args);
    while (reader.next()) {
        if (ParseDesignOption(reader, options.inputs) || ParseOutputOption(reader, options))
            continue;
        RefuseMisplacedCommand(reader);
        if (!TankCommandLine::ParseOption(reader, options.tank, needsTank) &&
            !PhysicalCommandLine::ParseBuildOption(reader, options.physical, needsEstimate))
            throw UsageError("unknown option '" + reader.raw() + "' (see --help)");
    }
    // --tank takes the estimate's settings too, and with it --plot and --profile-csv draw the
    // floor.
    if (!options.tank.enabled)
        PhysicalCommandLine::CheckBuild(options.physical, needsEstimate);
    TankCommandLine::Check(options.tank, needsTank, options.inputs.tube);
    return options;
}

// --- The help text and its pieces from the input table ---

// The defaults and ranges in the help come from the input table; the option words and their
// descriptions are the table's too, the layout is this text's own.
std::string UsageText() {
    namespace D = InputDomain;
    const auto line = [](std::string_view option, std::string_view description,
                         const std::string& span) {
        return OptionLine(std::string("--") + std::string(option), 20, description, span);
    };
    return std::string(R"(Usage: kavrol-cli [options]

Builds one lamp design exactly as Kavrol's window does and reports how much of the
tube's light reaches the water (the efficiency, a fraction from 0 to 1).

Design (defaults are the window's start-up values):
)") +
           OptionLine("--shape " + Alternatives(D::Shape), 34, "reflector cross-section",
                      Default(D::Shape)) +
           line("a MM", D::RefA.description, Span(D::RefA)) +
           line("b MM", D::RefB.description, Span(D::RefB)) +
           line("c MM", D::RefC.description, Span(D::RefC)) +
           OptionLine("--tube " + Alternatives(D::Tube), 20, "tube type", Default(D::Tube)) +
           line("lamp-distance MM", D::Lamp.description, Span(D::Lamp)) +
           line("water-distance MM", D::LampH.description, Span(D::LampH)) +
           line("aquarium-width MM", D::AquaW.description, Span(D::AquaW)) +
           line("albedo X", D::Albedo.description, Span(D::Albedo)) + R"(
Picture:
)" + OptionLine("--scale " + Alternatives(D::Scale), 20, "view scale", Default(D::Scale)) +
           line("dpi N", D::CommandLineDotsPerInch.description, Span(D::CommandLineDotsPerInch)) +
           R"(  --no-grid           draw no grid
  --no-lamp           draw no tube (rays then cross its place)
  --no-rays           trace no rays (the efficiency is then 0: no fan was traced)
  --save FILE         write the picture as an uncompressed 24-bit BMP file; the name must
                      end in .bmp, and an existing file is replaced whole or not at all
)" + PhysicalCommandLine::BuildHelp() +
           TankCommandLine::Help() +
           R"(
Output:
  --json              one JSON object: efficiency, the 72 ray powers, the loss breakdown,
                      every pixel quantity and the profile entries 0 to RefAPx
  --help              this text
  --version           the version and the licence

)" + OptionRules() +
           R"(
Every file is written whole or not at all. Exit status: 0 built (also when the physical
model refuses the design), 1 the build, a file or writing the output failed (message on
stderr), 2 the command line was refused.
)";
}

std::string OptionRules() {
    return R"(Numbers are plain decimals: digits, and for the albedo a point and digits (0.85); no sign,
blank, exponent or other notation. Each option may be given once; a value that begins with
"--" counts as missing (write ./--name for such a file).
)";
}

std::string Span(const IntegerInput& input) {
    return std::to_string(input.minimum) + " to " + std::to_string(input.maximum) + " (" +
           std::to_string(input.initial) + ")";
}

// The albedo's bounds and start-up value have one decimal.
std::string RealSpan(const RealInput& input) {
    // "0.4", "2": nine decimals at most, trailing zeros dropped.
    const auto number = [](long double value) { return NumberFormat::trimmed(value); };
    return number(input.minimum) + " to " + number(input.maximum) + " (" + number(input.initial) +
           ")";
}

std::string Span(const RealInput& input) {
    const auto decimal = [](long double value) {
        return NumberFormat::fixed(static_cast<double>(value), 1);
    };
    return decimal(input.minimum) + " to " + decimal(input.maximum) + " (" +
           decimal(input.initial) + ")";
}

std::string Default(const ChoiceInput& list) {
    return "(" + std::string(list.word(list.initial)) + ")";
}

std::string Alternatives(const ChoiceInput& list, char separator) {
    std::string text;
    for (const std::string_view word : list.words) {
        if (!text.empty())
            text += separator;
        text += word;
    }
    return text;
}

// Two blanks at least part an option from its description, or readers such as help2man take the
// description for part of the option.
std::string OptionLine(const std::string& option, std::size_t column, std::string_view description,
                       const std::string& span) {
    std::string text = "  " + option;
    if (option.size() + 2 <= column)
        text += std::string(column - option.size(), ' ');
    else
        text += "\n" + std::string(column + 2, ' ');
    text += description;
    if (!span.empty())
        text += (span.front() == '(' ? " " : ", ") + span;
    return text + "\n";
}

} // namespace kavrol
