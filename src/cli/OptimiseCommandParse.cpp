// SPDX-License-Identifier: GPL-3.0-or-later
// "kavrol-cli optimise": parsing its options. Sections: the shapes; the search space, the
// fixed context and the output; the whole command line.
#include "OptimiseCommand.h"

#include "CommandLine.h"
#include "InputDomain.h"
#include "PhysicalCommandLine.h"

namespace kavrol::OptimiseCommand {

namespace {

namespace D = InputDomain;

// --- The shapes ---

std::vector<int> ParseShapes(const std::string& option, const std::string& text) {
    std::vector<int> shapes;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = std::min(text.find(',', from), text.size());
        const std::string word = text.substr(from, comma - from);
        // "zefo," or "zefo,,parabola" is a slip, not a list of one or two.
        if (word.empty())
            throw UsageError(option + ": expected a comma-separated list of shapes, got '" + text +
                             "'");
        shapes.push_back(ParseChoice(option, word, D::Shape));
        if (comma == text.size())
            break;
        from = comma + 1;
    }
    for (std::size_t i = 0; i < shapes.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (shapes[i] == shapes[j])
                throw UsageError(option + ": shape '" + std::string(D::Shape.word(shapes[i])) +
                                 "' given twice");
    return shapes;
}

} // namespace

// --- The search space, the fixed context and the output ---

namespace {

// What the options of the lamp distance leave: a fixed distance, or a range once any end or step
// of it is given (the rest then default to the window's range and step).
struct LampChoice {
    int distance = D::Lamp.initial;
    IntRange range = SearchSpace::Whole(D::Lamp);
    bool ranged = false;
    bool fixed = false;
};

// A step of a searched range: at least 1 and at most the width of the input's range.
int ParseStep(const std::string& option, const std::string& text, const IntegerInput& input) {
    return ParseInteger(option, text, 1, input.maximum - input.minimum,
                        (" (" + std::string(input.unit) + ")").c_str());
}

// The options that shape the search space; false when the option is none of them.
bool ParseSpaceOption(ArgumentReader& reader, SearchSpace& s, LampChoice& lamp) {
    const std::string& name = reader.name();
    const auto value = [&](const IntegerInput& input) {
        return ParseInput(name, reader.value(), input);
    };
    const auto step = [&](const IntegerInput& input) {
        return ParseStep(name, reader.value(), input);
    };
    if (name == "--shapes")
        s.shapes = ParseShapes(name, reader.value());
    else if (name == "--a-min")
        s.a.first = value(D::RefA);
    else if (name == "--a-max")
        s.a.last = value(D::RefA);
    else if (name == "--a-step")
        s.a.step = step(D::RefA);
    else if (name == "--b-min")
        s.b.first = value(D::RefB);
    else if (name == "--b-max")
        s.b.last = value(D::RefB);
    else if (name == "--b-step")
        s.b.step = step(D::RefB);
    else if (name == "--c-min")
        s.c.first = value(D::RefC);
    else if (name == "--c-max")
        s.c.last = value(D::RefC);
    else if (name == "--c-step")
        s.c.step = step(D::RefC);
    else if (name == "--lamp-min")
        lamp.range.first = value(D::Lamp);
    else if (name == "--lamp-max")
        lamp.range.last = value(D::Lamp);
    else if (name == "--lamp-step")
        lamp.range.step = step(D::Lamp);
    else if (name == "--lamp-distance")
        lamp.distance = value(D::Lamp);
    else
        return false;
    if (name.rfind("--lamp-", 0) == 0)
        (name == "--lamp-distance" ? lamp.fixed : lamp.ranged) = true;
    // A fixed distance beside a range would be dropped without a word.
    if (lamp.fixed && lamp.ranged)
        throw UsageError("--lamp-distance fixes the lamp distance; it cannot be combined with "
                         "--lamp-min, --lamp-max or --lamp-step");
    return true;
}

// The options of the fixed context; false when the option is none of them.
bool ParseContextOption(ArgumentReader& reader, EvaluationContext& c) {
    const std::string& name = reader.name();
    if (name == "--tube")
        c.tube = ParseChoice(name, reader.value(), D::Tube);
    else if (name == "--scale")
        c.scale = ParseChoice(name, reader.value(), D::Scale);
    else if (name == "--water-distance")
        c.lampH = ParseInput(name, reader.value(), D::LampH);
    else if (name == "--aquarium-width")
        c.aquaW = ParseInput(name, reader.value(), D::AquaW);
    else if (name == "--albedo")
        c.albedo = ParseReal(name, reader.value(), D::Albedo.minimum, D::Albedo.maximum);
    else if (name == "--dpi")
        c.dotsPerInch = ParseInput(name, reader.value(), D::CommandLineDotsPerInch);
    else if (name == "--no-lamp") {
        reader.noValue();
        c.lampVisible = false;
    } else if (name == "--no-grid")
        reader.noValue(); // The grid is free space: it changes no efficiency.
    else
        return false;
    return true;
}

// The options of what is printed and written; false when the option is none of them.
bool ParseOutputOption(ArgumentReader& reader, OptimiseOptions& o) {
    const std::string& name = reader.name();
    if (name == "--help" || name == "-h") {
        reader.noValue();
        o.help = true;
    } else if (name == "--top") {
        o.top = static_cast<std::size_t>(ParseInteger(name, reader.value(), 0, 1000000, ""));
    } else if (name == "--list-refused") {
        o.listRefused =
            static_cast<std::size_t>(ParseInteger(name, reader.value(), 0, 100000000, ""));
    } else if (name == "--threads") {
        o.threads = ParseInteger(name, reader.value(), 1, 256, "");
    } else if (name == "--csv") {
        o.csvPath = reader.value();
        if (o.csvPath.empty())
            throw UsageError("--csv: expected a file name");
    } else if (name == "--json") {
        reader.noValue();
        o.json = true;
    } else if (name == "--no-progress") {
        reader.noValue();
        o.progress = false;
    } else {
        return false;
    }
    return true;
}

} // namespace

// --- The whole command line ---

OptimiseOptions Parse(const std::vector<std::string>& args) {
    OptimiseOptions o;
    SearchSpace& s = o.space;
    LampChoice lamp;
    std::string needsPhysical;
    ArgumentReader reader(args);
    while (reader.next()) {
        if (!ParseOutputOption(reader, o) && !ParseSpaceOption(reader, s, lamp) &&
            !ParseContextOption(reader, o.context) &&
            !PhysicalCommandLine::ParseSearchOption(reader, o.objective, needsPhysical))
            throw UsageError("unknown option '" + reader.raw() + "' (see optimise --help)");
    }
    PhysicalCommandLine::CheckSearch(o.objective, needsPhysical, o.context.lampVisible);
    if (o.json && !o.objective.physical)
        throw UsageError("--json: only with --objective physical");
    s.lamp = lamp.ranged ? lamp.range : IntRange{lamp.distance, lamp.distance, 1};
    auto check = [](const IntRange& r, const char* what) {
        if (r.first > r.last)
            throw UsageError(std::string("--") + what + "-min must not exceed --" + what + "-max");
    };
    check(s.a, "a");
    check(s.b, "b");
    check(s.c, "c");
    check(s.lamp, "lamp");
    return o;
}

} // namespace kavrol::OptimiseCommand
