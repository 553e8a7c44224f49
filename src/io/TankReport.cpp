// SPDX-License-Identifier: GPL-3.0-or-later
#include "TankReport.h"

#include "PhysicalReport.h"
#include "Report.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace kavrol::TankReport {

namespace {

std::string Fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

std::string Array(const std::vector<double>& values, std::size_t from, std::size_t count) {
    std::string text = "[";
    for (std::size_t i = 0; i < count; ++i)
        text += (i ? "," : "") + Report::real(values[from + i]);
    return text + "]";
}

std::string Rows(const std::vector<double>& values, int columns, int rows) {
    std::string text = "[";
    for (int j = 0; j < rows; ++j)
        text += (j ? "," : "") + Array(values, static_cast<std::size_t>(j * columns),
                                       static_cast<std::size_t>(columns));
    return text + "]";
}

} // namespace

std::string levelKey(double level) {
    char buffer[48];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, level);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::string text(const physics::TankEstimate& e, const TubeLine& tube) {
    const physics::TankEstimate::Losses& l = e.losses;
    std::ostringstream out;
    out << "Whole tank (shares of the tube's photons, error bound about 95 %; PPFD in umol m^-2 "
           "s^-1):\n";
    if (tube.count == 1)
        out << "  tube                    " << tube.model << ", lit length "
            << Fixed(tube.litLength, 0) << " mm, " << Fixed(e.photonFlux, 2) << " umol/s\n";
    else
        out << "  " << tube.count << " tubes" << std::string(tube.count < 10 ? 17 : 16, ' ')
            << tube.model << "; together " << Fixed(e.photonFlux, 2) << " umol/s\n";
    out << "  on the floor            " << Fixed(e.floorShare, 6) << " +/- " << Fixed(e.error, 6)
        << '\n';
    out << "  absorbed by reflector   " << Fixed(l.absorbed, 6) << '\n';
    out << "  returned to the tube    " << Fixed(l.returnedToTube, 6) << '\n';
    out << "  beside the tank         " << Fixed(l.besideTank, 6) << '\n';
    out << "  front and back glass    " << Fixed(l.frontBackGlass, 6) << '\n';
    out << "  end glass               " << Fixed(l.endGlass, 6) << '\n';
    out << "  absorbed by the water   " << Fixed(l.water, 6) << '\n';
    const double worst =
        e.cellErrors.empty() ? 0.0 : *std::max_element(e.cellErrors.begin(), e.cellErrors.end());
    out << "  PPFD on the floor       mean " << Fixed(e.mean, 1) << ", min " << Fixed(e.min, 1)
        << ", max " << Fixed(e.max, 1) << ", min/mean " << Fixed(e.minOverMean, 3) << " over "
        << e.cellsX << " x " << e.cellsZ << " cells, each within +/- " << Fixed(worst, 2) << '\n';
    for (const auto& [level, share] : e.atLeast)
        out << "  at or above " << levelKey(level)
            << std::string(12 - std::min<std::size_t>(levelKey(level).size(), 11), ' ')
            << Fixed(100.0 * share, 1) << " % of the floor\n";
    out << "  PPFD under the centre  ";
    for (std::size_t d = 0; d < e.depthProfile.size(); ++d)
        out << (d % 5 == 0 && d > 0 ? "\n                         " : "") << ' '
            << Fixed(e.depthProfile[d].first, 0) << " mm " << Fixed(e.depthProfile[d].second, 1)
            << (d + 1 < e.depthProfile.size() ? "," : "");
    out << '\n';
    return out.str();
}

std::string refusedText(const std::string& reason) {
    return "Whole tank: refused: " + reason + "\n";
}

std::string json(const physics::TankEstimate& e) {
    const physics::TankEstimate::Losses& l = e.losses;
    std::ostringstream out;
    out << "{\"floorShare\":" << Report::real(e.floorShare)
        << ",\"error\":" << Report::real(e.error)
        << ",\"photonFlux\":" << Report::real(e.photonFlux);
    out << ",\"ppfd\":{\"mean\":" << Report::real(e.mean) << ",\"min\":" << Report::real(e.min)
        << ",\"max\":" << Report::real(e.max) << ",\"minOverMean\":" << Report::real(e.minOverMean)
        << ",\"cellsX\":" << e.cellsX << ",\"cellsZ\":" << e.cellsZ
        << ",\"edgesXmm\":" << Array(e.edgesXmm, 0, e.edgesXmm.size())
        << ",\"edgesZmm\":" << Array(e.edgesZmm, 0, e.edgesZmm.size())
        << ",\"cells\":" << Rows(e.cells, e.cellsX, e.cellsZ)
        << ",\"cellErrors\":" << Rows(e.cellErrors, e.cellsX, e.cellsZ) << ",\"atLeast\":{";
    for (std::size_t i = 0; i < e.atLeast.size(); ++i)
        out << (i ? "," : "") << '"' << levelKey(e.atLeast[i].first)
            << "\":" << Report::real(e.atLeast[i].second);
    out << "}},\"depthProfile\":[";
    for (std::size_t d = 0; d < e.depthProfile.size(); ++d)
        out << (d ? "," : "") << "{\"depthMm\":" << Report::real(e.depthProfile[d].first)
            << ",\"ppfd\":" << Report::real(e.depthProfile[d].second) << "}";
    out << "],\"losses\":{\"absorbed\":" << Report::real(l.absorbed)
        << ",\"returnedToTube\":" << Report::real(l.returnedToTube)
        << ",\"besideTank\":" << Report::real(l.besideTank)
        << ",\"frontBackGlass\":" << Report::real(l.frontBackGlass)
        << ",\"endGlass\":" << Report::real(l.endGlass) << ",\"water\":" << Report::real(l.water)
        << "}}";
    return out.str();
}

std::string refusedJson(const std::string& reason) {
    return "{\"refused\":" + PhysicalReport::quoted(reason) + "}";
}

std::string withTank(const std::string& objectJson, const std::string& tank) {
    const std::size_t end = objectJson.rfind('}');
    if (end == std::string::npos)
        throw std::logic_error("the report is not a JSON object");
    return objectJson.substr(0, end) + ",\"tank\":" + tank + objectJson.substr(end);
}

} // namespace kavrol::TankReport
