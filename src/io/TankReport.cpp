// SPDX-License-Identifier: GPL-3.0-or-later
#include "TankReport.h"

#include "NumberFormat.h"

#include <algorithm>
#include <sstream>

namespace kavrol::TankReport {

using NumberFormat::fixed;

namespace {

// Rows of `columns` reals each, `rows` of them, from a row-major list.
void WriteRows(JsonWriter& json, const std::vector<double>& values, int columns, int rows) {
    json.beginArray();
    for (int j = 0; j < rows; ++j) {
        json.beginArray();
        for (int i = 0; i < columns; ++i)
            json.value(values[static_cast<std::size_t>(j * columns + i)]);
        json.endArray();
    }
    json.endArray();
}

} // namespace

std::string levelKey(double level) {
    return NumberFormat::shortest(level);
}

std::string text(const physics::TankEstimate& e, const TubeLine& tube) {
    const physics::TankEstimate::Losses& l = e.losses;
    std::ostringstream out;
    out << "Whole tank (shares of the tube's photons, error bound about 95 %; PPFD in umol m^-2 "
           "s^-1):\n";
    if (tube.count == 1)
        out << "  tube                    " << tube.model << ", lit length "
            << fixed(tube.litLength, 0) << " mm, " << fixed(e.photonFlux, 2) << " umol/s\n";
    else
        out << "  " << tube.count << " tubes" << std::string(tube.count < 10 ? 17 : 16, ' ')
            << tube.model << "; together " << fixed(e.photonFlux, 2) << " umol/s\n";
    out << "  on the floor            " << fixed(e.floorShare, 6) << " +/- " << fixed(e.error, 6)
        << '\n';
    out << "  absorbed by reflector   " << fixed(l.absorbed, 6) << '\n';
    out << "  returned to the tube    " << fixed(l.returnedToTube, 6) << '\n';
    out << "  beside the tank         " << fixed(l.besideTank, 6) << '\n';
    out << "  front and back glass    " << fixed(l.frontBackGlass, 6) << '\n';
    out << "  end glass               " << fixed(l.endGlass, 6) << '\n';
    out << "  absorbed by the water   " << fixed(l.water, 6) << '\n';
    const double worst =
        e.cellErrors.empty() ? 0.0 : *std::max_element(e.cellErrors.begin(), e.cellErrors.end());
    out << "  PPFD on the floor       mean " << fixed(e.mean, 1) << ", min " << fixed(e.min, 1)
        << ", max " << fixed(e.max, 1) << ", min/mean " << fixed(e.minOverMean, 3) << " over "
        << e.cellsX << " x " << e.cellsZ << " cells, each within +/- " << fixed(worst, 2) << '\n';
    for (const auto& [level, share] : e.atLeast)
        out << "  at or above " << levelKey(level)
            << std::string(12 - std::min<std::size_t>(levelKey(level).size(), 11), ' ')
            << fixed(100.0 * share, 1) << " % of the floor\n";
    out << "  PPFD under the centre  ";
    for (std::size_t d = 0; d < e.depthProfile.size(); ++d)
        out << (d % 5 == 0 && d > 0 ? "\n                         " : "") << ' '
            << fixed(e.depthProfile[d].first, 0) << " mm " << fixed(e.depthProfile[d].second, 1)
            << (d + 1 < e.depthProfile.size() ? "," : "");
    out << '\n';
    return out.str();
}

std::string refusedText(const std::string& reason) {
    return "Whole tank: refused: " + reason + "\n";
}

void writeObject(JsonWriter& json, const physics::TankEstimate& e) {
    json.beginObject();
    writeMembers(json, e);
    json.endObject();
}

void writeMembers(JsonWriter& json, const physics::TankEstimate& e) {
    const physics::TankEstimate::Losses& l = e.losses;
    json.member("floorShare", e.floorShare).member("error", e.error);
    json.member("photonFlux", e.photonFlux);
    json.key("ppfd")
        .beginObject()
        .member("mean", e.mean)
        .member("min", e.min)
        .member("max", e.max)
        .member("minOverMean", e.minOverMean)
        .member("cellsX", e.cellsX)
        .member("cellsZ", e.cellsZ)
        .member("edgesXmm", e.edgesXmm)
        .member("edgesZmm", e.edgesZmm);
    json.key("cells");
    WriteRows(json, e.cells, e.cellsX, e.cellsZ);
    json.key("cellErrors");
    WriteRows(json, e.cellErrors, e.cellsX, e.cellsZ);
    json.key("atLeast").beginObject();
    for (const auto& [level, share] : e.atLeast)
        json.member(levelKey(level), share);
    json.endObject().endObject();
    json.key("depthProfile").beginArray();
    for (const auto& [depth, ppfd] : e.depthProfile)
        json.beginObject().member("depthMm", depth).member("ppfd", ppfd).endObject();
    json.endArray();
    json.key("losses")
        .beginObject()
        .member("absorbed", l.absorbed)
        .member("returnedToTube", l.returnedToTube)
        .member("besideTank", l.besideTank)
        .member("frontBackGlass", l.frontBackGlass)
        .member("endGlass", l.endGlass)
        .member("water", l.water)
        .endObject();
}

void writeRefusedMember(JsonWriter& json, const std::string& reason) {
    json.key("tank").beginObject().member("refused", reason).endObject();
}

} // namespace kavrol::TankReport
