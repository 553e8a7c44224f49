// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's options of the physical model. Sections: the settings; the single build's
// options; the help texts.

#include "PhysicalCommandLine.h"

#include "InputDomain.h"
#include "NumberFormat.h"
#include "PhysicalSearch.h"

#include <string_view>

namespace kavrol::PhysicalCommandLine {

namespace {

namespace D = InputDomain;

std::string Option(std::string_view word) {
    return "--" + std::string(word);
}

int ParseSwitch(const std::string& option, const std::string& text, const SwitchInput& input) {
    const int index = input.indexOf(text);
    if (index < 0)
        throw UsageError(option + ": expected " + std::string(input.word(0)) + " or " +
                         std::string(input.word(1)) + ", got '" + text + "'");
    return index;
}

// A preset's word, as the input table lists them.
std::string SurfaceWord(const std::string& option, const std::string& text) {
    if (text == D::MirrorSurface || D::SurfacePresetOf(text) != nullptr)
        return text;
    std::string words(D::MirrorSurface);
    for (const SurfacePreset& preset : D::SurfacePresets)
        words += ", " + std::string(preset.word);
    throw UsageError(option + ": expected one of " + words + ", got '" + text + "'");
}

// A file name option's value; empty names are refused here rather than by the file system.
std::string FileName(ArgumentReader& reader) {
    std::string name = reader.value();
    if (name.empty())
        throw UsageError(reader.name() + ": expected a file name");
    return name;
}

// A number as the command line takes numbers, plain decimal without trailing zeros: "0.0005",
// "0.4", "2".
std::string Number(long double value) {
    return NumberFormat::trimmed(value);
}

// The presets' words with their figures, one a line under --surface.
std::string SurfaceWordsHelp(std::size_t column) {
    std::string text = std::string(column + 2, ' ') + std::string(D::MirrorSurface) +
                       ": diffuse share 0, gloss spread 0\n";
    for (const SurfacePreset& preset : D::SurfacePresets)
        text += std::string(column + 2, ' ') + std::string(preset.word) + ": diffuse share " +
                Number(preset.diffuseShare) + ", gloss spread " + Number(preset.glossSpreadDeg) +
                ", typical albedo " + Number(preset.typicalAlbedo) + "\n";
    return text;
}

} // namespace

// --- The settings ---

bool ParseSetting(ArgumentReader& reader, PhysicalSettings& settings) {
    const std::string& name = reader.name();
    const auto real = [&](const RealInput& input) {
        return static_cast<double>(ParseReal(name, reader.value(), input.minimum, input.maximum));
    };
    if (name == Option(D::Tolerance.option))
        settings.tolerance = real(D::Tolerance);
    else if (name == Option(D::Bins.option))
        settings.bins = ParseInput(name, reader.value(), D::Bins);
    else if (name == Option(D::WaterReflection.option))
        settings.waterReflection = ParseSwitch(name, reader.value(), D::WaterReflection);
    else if (name == Option(D::TubeTransmission.option))
        settings.tubeTransmission = real(D::TubeTransmission);
    else if (name == "--surface")
        settings.surfaceWord = SurfaceWord(name, reader.value());
    else if (name == Option(D::DiffuseShare.option))
        settings.diffuseShare = real(D::DiffuseShare);
    else if (name == Option(D::GlossSpread.option))
        settings.glossSpread = real(D::GlossSpread);
    else
        return false;
    return true;
}

// --- The single build's options ---

bool ParseBuildOption(ArgumentReader& reader, PhysicalOptions& options,
                      std::string& needsEstimate) {
    const std::string name = reader.name();
    if (name == "--physical") {
        reader.noValue();
        options.estimate = true;
        return true;
    }
    if (name == "--template") {
        options.templatePath = FileName(reader);
        return true;
    }
    if (name == "--plot")
        options.plotPath = FileName(reader);
    else if (name == "--profile-csv")
        options.profileCsvPath = FileName(reader);
    else if (!ParseSetting(reader, options.settings))
        return false;
    if (needsEstimate.empty())
        needsEstimate = name;
    return true;
}

void CheckBuild(const PhysicalOptions& options, const std::string& needsEstimate) {
    if (!options.estimate && !needsEstimate.empty())
        throw UsageError(needsEstimate + ": only with --physical");
}

bool ParseSearchOption(ArgumentReader& reader, PhysicalObjective& objective,
                       std::string& needsPhysical) {
    const std::string name = reader.name();
    if (name == Option(D::Objective.option)) {
        objective.physical = ParseSwitch(name, reader.value(), D::Objective) == 1;
        return true;
    }
    if (name == Option(D::MinUniformity.option))
        objective.minUniformity = static_cast<double>(
            ParseReal(name, reader.value(), D::MinUniformity.minimum, D::MinUniformity.maximum));
    else if (!ParseSetting(reader, objective.settings))
        return false;
    if (needsPhysical.empty())
        needsPhysical = name;
    return true;
}

void CheckSearch(const PhysicalObjective& objective, const std::string& needsPhysical,
                 bool lampVisible) {
    if (!objective.physical && !needsPhysical.empty())
        throw UsageError(needsPhysical + ": only with --objective physical");
    if (objective.physical && !lampVisible)
        throw UsageError("--no-lamp: the physical model always has its tube; only with "
                         "--objective pixel");
}

// --- The help texts ---

std::string SettingsHelp(std::size_t column) {
    const auto line = [column](const std::string& option, std::string_view description,
                               const std::string& span) {
        return OptionLine(option, column, description, span);
    };
    const SwitchInput& w = D::WaterReflection;
    // The refinement can stop short of the tolerance; the help does not promise it.
    return line("--tolerance X", D::Tolerance.description, RealSpan(D::Tolerance)) +
           std::string(column, ' ') + "(when it stops short, the report says so)\n" +
           line("--bins N", D::Bins.description, Span(D::Bins)) +
           line(Option(w.option) + " " + std::string(w.word(0)) + "|" + std::string(w.word(1)),
                w.description, "(" + std::string(w.word(w.initial)) + ")") +
           line("--tube-transmission X", D::TubeTransmission.description,
                RealSpan(D::TubeTransmission)) +
           line("--surface WORD", "the reflector's sheet, a preset setting the two below",
                "(" + std::string(D::MirrorSurface) + ")") +
           SurfaceWordsHelp(column) +
           line("--diffuse-share D", D::DiffuseShare.description, RealSpan(D::DiffuseShare)) +
           line("--gloss-spread DEG", D::GlossSpread.description, RealSpan(D::GlossSpread));
}

std::string BuildHelp() {
    return R"(
Physical model:
  --physical          add the physical estimate to the report: the share of the tube's light
                      entering the water with its error bound, where the rest goes, the gain
                      over a bare tube and the light across the water; with --json as the
                      object "physical". A design the physical model refuses (C not below A,
                      the reflector cutting the tube or reaching the water, the tube behind
                      the reflector) is still built and reported, its physical part giving
                      the reason instead of figures; the exit status stays 0.
)" + SettingsHelp(20) +
           R"(  --plot FILE         write the irradiance chart as the analysis window draws it,
                      as PNG or SVG by the name's ending (.png, .svg); with --physical
  --profile-csv FILE  write the irradiance bins as CSV; with --physical
  --template FILE     write the reflector's cutting template at 1:1, as SVG or PDF by the
                      name's ending (.svg, .pdf); also without --physical
)";
}

std::string SearchHelp() {
    const SwitchInput& o = D::Objective;
    return R"(
Objective:
)" +
           OptionLine(Option(o.option) + " " + std::string(o.word(0)) + "|" +
                          std::string(o.word(1)),
                      26, o.description, "(" + std::string(o.word(o.initial)) + ")") +
           R"(                            pixel: the 72-ray efficiency of the window's build;
                            physical: the physical share entering the water
)" +
           OptionLine("--min-uniformity U", 26, D::MinUniformity.description,
                      RealSpan(D::MinUniformity)) +
           SettingsHelp(26) +
           "\nWith --objective physical every design is screened by the physical model's cheap "
           "estimate\n(error bound " +
           Number(physics::EstimateOptions::Screening().tolerance) +
           ", or --tolerance when looser); the designs whose screening figures, within\n" +
           Number(PhysicalSearch::ScreeningSafety) +
           " times their error bound, could reach the top list are estimated again at\n"
           "--tolerance, round by round until no other could, and the list is ranked by those "
           "full\n"
           "figures. A design is left out for its uniformity at screening only when the upper\n"
           "bound on its screening min/mean, widened the same way, lies below U; others are\n"
           "decided at full tolerance. Without --csv and U a coarser estimate (error bound " +
           Number(physics::EstimateOptions::Coarse().tolerance) +
           ")\nscreens every design first, and only those it leaves within reach of the top list "
           "are\nscreened as above.\n" +
           R"(Designs the 72-ray build refuses are still ranked when the physical model takes them (its
figures do not depend on the picture); designs the physical model refuses are counted and
listed. The list shows each design's 72-ray efficiency beside its physical figures. With --csv
every design's line carries both models' figures (the 72-ray ones cost a build pass each) and
the tolerance its physical figures were estimated at; the file is written when the search ends.
)";
}

} // namespace kavrol::PhysicalCommandLine
