// SPDX-License-Identifier: GPL-3.0-or-later
#include "PhysicalReport.h"

#include "Report.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace kavrol::PhysicalReport {

namespace {

std::string Fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

std::string Array(const std::vector<double>& values) {
    std::string text = "[";
    for (std::size_t i = 0; i < values.size(); ++i)
        text += (i ? "," : "") + Report::real(values[i]);
    return text + "]";
}

} // namespace

std::string text(const physics::PhysicalEstimate& e) {
    const physics::PhysicalEstimate::Losses& l = e.losses;
    std::ostringstream out;
    out << "Physical estimate (share of the tube's light, error bound about 95 %):\n";
    out << "  into the water          " << Fixed(e.efficiency, 6) << " +/- " << Fixed(e.error, 6)
        << '\n';
    if (!e.toleranceReached)
        out << "  the tolerance asked for was not reached: the refinement stopped first\n";
    out << "  absorbed by reflector   " << Fixed(l.absorbed, 6) << '\n';
    out << "  returned to the tube    " << Fixed(l.returnedToTube, 6) << '\n';
    out << "  beside the aquarium     " << Fixed(l.besideAquarium, 6) << '\n';
    out << "  escaped                 " << Fixed(l.escaped, 6) << '\n';
    out << "  reflected off the water " << Fixed(l.reflectedAtWater, 6) << '\n';
    if (e.hasBareTube) {
        out << "  bare tube               " << Fixed(e.bareTube.efficiency, 6) << " +/- "
            << Fixed(e.bareTube.error, 6) << '\n';
        out << "  gain over the bare tube " << Fixed(e.gain, 4) << '\n';
    }
    if (!e.relative.empty())
        out << "  uniformity (min/mean)   " << Fixed(e.uniformity.minOverMean, 4) << ", max/mean "
            << Fixed(e.uniformity.maxOverMean, 4) << " over " << e.relative.size() << " bins\n";
    if (!e.relative.empty())
        out << "  within their bounds     min/mean " << Fixed(e.uniformity.minOverMeanLow, 4)
            << " to " << Fixed(e.uniformity.minOverMeanHigh, 4) << ", max/mean "
            << Fixed(e.uniformity.maxOverMeanLow, 4) << " to "
            << Fixed(e.uniformity.maxOverMeanHigh, 4) << '\n';
    return out.str();
}

std::string refusedText(const std::string& reason) {
    return "Physical estimate: refused: " + reason + "\n";
}

std::string json(const physics::PhysicalEstimate& e) {
    const physics::PhysicalEstimate::Losses& l = e.losses;
    std::ostringstream out;
    out << "{\"efficiency\":" << Report::real(e.efficiency)
        << ",\"error\":" << Report::real(e.error)
        << ",\"toleranceReached\":" << (e.toleranceReached ? "true" : "false")
        << ",\"losses\":{\"absorbed\":" << Report::real(l.absorbed)
        << ",\"returnedToTube\":" << Report::real(l.returnedToTube)
        << ",\"besideAquarium\":" << Report::real(l.besideAquarium)
        << ",\"escaped\":" << Report::real(l.escaped)
        << ",\"reflectedAtWater\":" << Report::real(l.reflectedAtWater) << "}";
    out << ",\"bareTube\":{\"efficiency\":" << Report::real(e.bareTube.efficiency)
        << ",\"error\":" << Report::real(e.bareTube.error) << "}";
    out << ",\"gain\":" << Report::real(e.gain);
    out << ",\"irradiance\":{\"edgesMm\":" << Array(e.edgesMm)
        << ",\"relative\":" << Array(e.relative) << ",\"perMm\":" << Array(e.perMm)
        << ",\"errors\":" << Array(e.perMmError) << "}";
    out << ",\"uniformity\":{\"minOverMean\":" << Report::real(e.uniformity.minOverMean)
        << ",\"maxOverMean\":" << Report::real(e.uniformity.maxOverMean)
        << ",\"minOverMeanBounds\":"
        << Array({e.uniformity.minOverMeanLow, e.uniformity.minOverMeanHigh})
        << ",\"maxOverMeanBounds\":"
        << Array({e.uniformity.maxOverMeanLow, e.uniformity.maxOverMeanHigh}) << "}}";
    return out.str();
}

std::string surfaceJson(const std::string& name, double diffuseShare, double glossSpreadDeg) {
    return "{\"name\":" + quoted(name) + ",\"diffuseShare\":" + Report::real(diffuseShare) +
           ",\"glossSpread\":" + Report::real(glossSpreadDeg) + "}";
}

std::string withMember(const std::string& objectJson, const std::string& key,
                       const std::string& valueJson) {
    const std::size_t end = objectJson.rfind('}');
    if (end == std::string::npos)
        throw std::logic_error("not a JSON object");
    return objectJson.substr(0, end) + "," + quoted(key) + ":" + valueJson + objectJson.substr(end);
}

std::string surfaceText(const std::string& name, double diffuseShare, double glossSpreadDeg) {
    return "  reflector surface       " + name + " (diffuse share " + Fixed(diffuseShare, 2) +
           ", gloss spread " + Fixed(glossSpreadDeg, 1) + " degrees)\n";
}

std::string refusedJson(const std::string& reason) {
    return "{\"refused\":" + quoted(reason) + "}";
}

std::string withPhysical(const std::string& buildJson, const std::string& physical) {
    const std::size_t end = buildJson.rfind('}');
    if (end == std::string::npos)
        throw std::logic_error("the build's report is not a JSON object");
    return buildJson.substr(0, end) + ",\"physical\":" + physical + buildJson.substr(end);
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace kavrol::PhysicalReport
