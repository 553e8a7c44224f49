// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's options of the whole tank. Sections: parsing; checks between options; the
// help text.
#include "TankCommandLine.h"

#include "NumberFormat.h"

namespace kavrol::TankCommandLine {

namespace {

namespace D = InputDomain;

// --- Parsing ---

std::string Option(std::string_view word) {
    return "--" + std::string(word);
}

// "A,B": two fields of one value, each parsed on its own.
std::pair<std::string, std::string> Pair(const std::string& name, const std::string& text,
                                         const std::string& shape) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos)
        throw UsageError(name + ": expected " + shape + ", got '" + text + "'");
    return {text.substr(0, comma), text.substr(comma + 1)};
}

std::string Number(long double value) {
    return NumberFormat::shortest(static_cast<double>(value));
}

std::string Models() {
    std::string text;
    for (const D::TubeModel& m : D::TubeCatalogue)
        text += (text.empty() ? "" : ", ") + std::string(m.word);
    return text;
}

} // namespace

namespace {

// The floor's cells and the PPFD levels counted over it; false for another option.
bool ParseFloorOption(ArgumentReader& reader, TankOptions& options) {
    const std::string name = reader.name();
    if (name == Option(D::FloorCellsX.option)) {
        const std::string text = reader.value();
        if (text.find(',') == std::string::npos) {
            options.cellsX = ParseInput(name, text, D::FloorCellsX);
            options.cellsZ = 0;
        } else {
            const auto [x, z] = Pair(name, text, "NX or NX,NZ");
            options.cellsX = ParseInput(name, x, D::FloorCellsX);
            options.cellsZ = ParseInput(name, z, D::FloorCellsZ);
        }
    } else if (name == Option(D::PpfdLevel.option)) {
        const auto [a, b] = Pair(name, reader.value(), "A,B");
        options.levels = {
            static_cast<double>(ParseReal(name, a, D::PpfdLevel.minimum, D::PpfdLevel.maximum)),
            static_cast<double>(ParseReal(name, b, D::PpfdLevel.minimum, D::PpfdLevel.maximum))};
    } else {
        return false;
    }
    return true;
}

} // namespace

bool ParseOption(ArgumentReader& reader, TankOptions& options, std::string& needsTank) {
    const std::string name = reader.name();
    const auto real = [&](const RealInput& input) {
        return static_cast<double>(ParseReal(name, reader.value(), input.minimum, input.maximum));
    };
    if (name == "--tank") {
        reader.noValue();
        options.enabled = true;
        return true;
    }
    if (name == Option(D::TankLength.option))
        options.tankLength = ParseInput(name, reader.value(), D::TankLength);
    else if (name == Option(D::WaterDepth.option))
        options.waterDepth = ParseInput(name, reader.value(), D::WaterDepth);
    else if (name == "--tube-model") {
        const std::string word = reader.value();
        if (D::FindTubeModel(word) == nullptr)
            throw UsageError(name + ": expected one of " + Models() + ", got '" + word + "'");
        options.tubeModel = word;
    } else if (name == Option(D::LitLength.option))
        options.litLength = ParseInput(name, reader.value(), D::LitLength);
    else if (name == Option(D::Lumens.option))
        options.lumens = real(D::Lumens);
    else if (name == Option(D::PhotonFlux.option))
        options.photonFlux = real(D::PhotonFlux);
    else if (name == Option(D::PhotonFactor.option))
        options.photonFactor = real(D::PhotonFactor);
    else if (name == Option(D::OutputFactor.option))
        options.outputFactor = real(D::OutputFactor);
    else if (name == Option(D::ReflectorLength.option))
        options.reflectorLength = ParseInput(name, reader.value(), D::ReflectorLength);
    else if (name == Option(D::TubeCentre.option))
        options.tubeCentre = ParseInput(name, reader.value(), D::TubeCentre);
    else if (name == Option(D::ReflectorEnds.option)) {
        const std::string text = reader.value();
        const int index = D::ReflectorEnds.indexOf(text);
        if (index < 0)
            throw UsageError(name + ": expected open or closed, got '" + text + "'");
        options.closedEnds = index == 1;
    } else if (name == Option(D::WaterAttenuation.option))
        options.attenuation = real(D::WaterAttenuation);
    else if (!ParseFloorOption(reader, options))
        return false;
    if (needsTank.empty())
        needsTank = name;
    return true;
}

// --- Checks between options ---

void Check(const TankOptions& options, const std::string& needsTank, int tube) {
    if (!options.enabled) {
        if (!needsTank.empty())
            throw UsageError(needsTank + ": only with --tank");
        return;
    }
    if (options.lumens > 0.0 && options.photonFlux > 0.0)
        throw UsageError("--lumens, --photon-flux: give the tube's output one way, not both");
    if (!options.tubeModel.empty()) {
        const D::TubeModel& m = *D::FindTubeModel(options.tubeModel);
        if (m.tube != tube)
            throw UsageError("--tube-model: " + options.tubeModel + " is a " +
                             std::string(D::Tube.word(m.tube)) + " tube and the design's is " +
                             std::string(D::Tube.word(tube)) + " (--tube)");
    }
    if (options.tubeCentre > options.tankLength)
        throw UsageError("--tube-centre: expected a place along the tank, 0 to " +
                         std::to_string(options.tankLength) + " (mm), got '" +
                         std::to_string(options.tubeCentre) + "'");
}

// --- The help text ---

std::string Help() {
    const auto line = [](const std::string& option, std::string_view description,
                         const std::string& span) {
        return OptionLine(option, 24, description, span);
    };
    const auto integer = [](const IntegerInput& input, const std::string& initial) {
        return std::to_string(input.minimum) + " to " + std::to_string(input.maximum) + " " +
               std::string(input.unit) + " (" + initial + ")";
    };
    const auto decimal = [](const RealInput& input, const std::string& initial) {
        return Number(input.minimum) + " to " + Number(input.maximum) + " (" + initial + ")";
    };
    return R"(
Whole tank:
  --tank                  add the light over the whole tank: the share of the tube's photons
                          reaching the floor with its error bound, PPFD on the floor's cells
                          (umol m^-2 s^-1) with each cell's bound, its mean, least and largest,
                          the share of the floor at or above the levels, PPFD under the
                          centre from the surface to the floor, and where the rest goes
                          (the object "tank" with --json); the floor map and its cells are
                          then what --plot and --profile-csv write, instead of the light
                          across the water.
)" +
           line("--tank-length MM", D::TankLength.description,
                integer(D::TankLength, std::to_string(D::TankLength.initial))) +
           line("--water-depth MM", D::WaterDepth.description,
                integer(D::WaterDepth, std::to_string(D::WaterDepth.initial))) +
           line("--tube-model WORD", "tube from the catalogue",
                "(T4-24, T5-HO-54 or T8-36 by --tube)") +
           "                          " + Models() + "\n" +
           line("--lit-length MM", D::LitLength.description,
                integer(D::LitLength, "the tube model's")) +
           line("--lumens LM", D::Lumens.description, decimal(D::Lumens, "the tube model's")) +
           line("--photon-flux UMOL_S", D::PhotonFlux.description,
                decimal(D::PhotonFlux, "lumens x photon factor x output factor")) +
           line("--photon-factor K", D::PhotonFactor.description,
                decimal(D::PhotonFactor, Number(D::PhotonFactor.initial))) +
           line("--output-factor F", D::OutputFactor.description,
                decimal(D::OutputFactor, Number(D::OutputFactor.initial))) +
           line("--reflector-length MM", D::ReflectorLength.description,
                integer(D::ReflectorLength, "the lit length")) +
           line("--tube-centre MM", D::TubeCentre.description,
                integer(D::TubeCentre, "the tank's middle")) +
           line("--reflector-ends open|closed", D::ReflectorEnds.description, "(open)") +
           line("--water-attenuation PER_M", D::WaterAttenuation.description,
                decimal(D::WaterAttenuation, "0")) +
           line("--floor-cells NX[,NZ]", "floor cells across and along",
                "1 to 200, 1 to 400 (20, along in proportion)") +
           line("--ppfd-levels A,B", D::PpfdLevel.description, "0 to 5000 each (30,50)") +
           "  With --tank, the tolerance bounds the floor share, and every cell's bound reaches\n"
           "  20 times it of the mean cell.\n";
}

} // namespace kavrol::TankCommandLine
