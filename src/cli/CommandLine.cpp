#include "CommandLine.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace kavrol {

namespace {

struct Choice {
    const char* word;
    int index;
};

const Choice Shapes[] = {{"trapezoid", 0}, {"parabola", 1}, {"zefo", 2}};
const Choice Tubes[] = {{"T4", 0}, {"T5", 1}, {"T8", 2}};
const Choice Scales[] = {{"1:1", 0}, {"2:1", 1}, {"3:1", 2}};

template <std::size_t N>
int ParseChoice(const std::string& option, const std::string& text, const Choice (&choices)[N]) {
    std::string accepted;
    for (const Choice& c : choices) {
        if (text == c.word)
            return c.index;
        accepted += accepted.empty() ? "" : ", ";
        accepted += c.word;
    }
    throw UsageError(option + ": expected one of " + accepted + ", got '" + text + "'");
}

} // namespace

int ParseInteger(const std::string& option, const std::string& text, int minimum, int maximum,
                 const char* unit) {
    int value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc() || end != last || value < minimum || value > maximum) {
        std::ostringstream message;
        message << option << ": expected a whole number from " << minimum << " to " << maximum
                << unit << ", got '" << text << "'";
        throw UsageError(message.str());
    }
    return value;
}

long double ParseReal(const std::string& option, const std::string& text, long double minimum,
                      long double maximum) {
    errno = 0;
    char* end = nullptr;
    const long double value = std::strtold(text.c_str(), &end);
    const bool whole = !text.empty() && end == text.c_str() + text.size() && errno == 0;
    if (!whole || !std::isfinite(value) || value < minimum || value > maximum) {
        std::ostringstream message;
        message << option << ": expected a number from " << static_cast<double>(minimum) << " to "
                << static_cast<double>(maximum) << ", got '" << text << "'";
        throw UsageError(message.str());
    }
    return value;
}

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
    return true;
}

std::string ArgumentReader::value() {
    if (hasAttached_)
        return attached_;
    if (index_ + 1 >= args_.size())
        throw UsageError(name_ + ": a value is missing");
    return args_[++index_];
}

void ArgumentReader::noValue() const {
    if (hasAttached_)
        throw UsageError(name_ + ": takes no value");
}

CliOptions ParseCommandLine(const std::vector<std::string>& args) {
    CliOptions options;
    BuildInputs& in = options.inputs;
    ArgumentReader reader(args);
    while (reader.next()) {
        const std::string& name = reader.name();
        auto flag = [&]() { reader.noValue(); };
        auto next = [&]() { return reader.value(); };
        if (name == "--help" || name == "-h") {
            flag();
            options.help = true;
        } else if (name == "--shape") {
            in.shape = ParseChoice(name, next(), Shapes);
        } else if (name == "--tube") {
            in.tube = ParseChoice(name, next(), Tubes);
        } else if (name == "--scale") {
            in.scale = ParseChoice(name, next(), Scales);
        } else if (name == "--a") {
            in.refA = ParseInteger(name, next(), 20, 200, " (mm)");
        } else if (name == "--b") {
            in.refB = ParseInteger(name, next(), 10, 200, " (mm)");
        } else if (name == "--c") {
            in.refC = ParseInteger(name, next(), 10, 200, " (mm)");
        } else if (name == "--lamp-distance") {
            in.lamp = ParseInteger(name, next(), 10, 100, " (mm)");
        } else if (name == "--water-distance") {
            in.lampH = ParseInteger(name, next(), 50, 1000, " (mm)");
        } else if (name == "--aquarium-width") {
            in.aquaW = ParseInteger(name, next(), 100, 1000, " (mm)");
        } else if (name == "--albedo") {
            in.albedo = ParseReal(name, next(), 0.1L, 1.0L);
        } else if (name == "--dpi") {
            options.dotsPerInch = ParseInteger(name, next(), 1, 600, " (dots per inch)");
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
            options.savePath = next();
            if (options.savePath.empty())
                throw UsageError("--save: expected a file name");
        } else if (name == "--json") {
            flag();
            options.json = true;
        } else {
            throw UsageError("unknown option '" + reader.raw() + "' (see --help)");
        }
    }
    return options;
}

std::string UsageText() {
    return R"(Usage: kavrol-cli [options]

Builds one lamp design exactly as Kavrol's window does and reports how much of the
tube's light reaches the water (the efficiency, a fraction from 0 to 1).

Design (defaults are the window's start-up values):
  --shape trapezoid|parabola|zefo   reflector cross-section (parabola)
  --a MM              reflector width A, 20 to 200 (200)
  --b MM              reflector height B, 10 to 200 (100)
  --c MM              dimension C of the trapezoid and "ZeFo", 10 to 200 (50)
  --tube T4|T5|T8     tube type (T5)
  --lamp-distance MM  reflector top line to the tube's centre, 10 to 100 (50)
  --water-distance MM tube's centre to the water, 50 to 1000 (200)
  --aquarium-width MM aquarium width, 100 to 1000 (500)
  --albedo X          share of the light a reflection keeps, 0.1 to 1.0 (0.8)

Picture:
  --scale 1:1|2:1|3:1 view scale (3:1)
  --dpi N             screen density the picture is sized for, 1 to 600 (96)
  --no-grid           draw no grid
  --no-lamp           draw no tube (rays then cross its place)
  --no-rays           trace no rays (the efficiency is then 0: no fan was traced)
  --save FILE         write the picture as an uncompressed 24-bit BMP file

Output:
  --json              one JSON object: efficiency, the 72 ray powers, the loss breakdown,
                      every pixel quantity and the profile entries 0 to RefAPx
  --help              this text

Exit status: 0 built, 1 the build or the save failed (message on stderr),
2 the command line was refused.
)";
}

} // namespace kavrol
