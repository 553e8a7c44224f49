// SPDX-License-Identifier: GPL-3.0-or-later
#include "PhysicalReport.h"

#include "NumberFormat.h"

#include <sstream>

namespace kavrol::PhysicalReport {

using NumberFormat::fixed;

std::string text(const physics::PhysicalEstimate& e) {
    const physics::PhysicalEstimate::Losses& l = e.losses;
    std::ostringstream out;
    out << "Physical estimate (share of the tube's light, error bound about 95 %):\n";
    out << "  into the water          " << fixed(e.efficiency, 6) << " +/- " << fixed(e.error, 6)
        << '\n';
    if (!e.toleranceReached)
        out << "  the tolerance asked for was not reached: the refinement stopped first\n";
    out << "  absorbed by reflector   " << fixed(l.absorbed, 6) << '\n';
    out << "  returned to the tube    " << fixed(l.returnedToTube, 6) << '\n';
    out << "  beside the aquarium     " << fixed(l.besideAquarium, 6) << '\n';
    out << "  escaped                 " << fixed(l.escaped, 6) << '\n';
    out << "  reflected off the water " << fixed(l.reflectedAtWater, 6) << '\n';
    if (e.hasBareTube) {
        out << "  bare tube               " << fixed(e.bareTube.efficiency, 6) << " +/- "
            << fixed(e.bareTube.error, 6) << '\n';
        out << "  gain over the bare tube " << fixed(e.gain, 4) << '\n';
    }
    if (!e.relative.empty())
        out << "  uniformity (min/mean)   " << fixed(e.uniformity.minOverMean, 4) << ", max/mean "
            << fixed(e.uniformity.maxOverMean, 4) << " over " << e.relative.size() << " bins\n";
    if (!e.relative.empty())
        out << "  within their bounds     min/mean " << fixed(e.uniformity.minOverMeanLow, 4)
            << " to " << fixed(e.uniformity.minOverMeanHigh, 4) << ", max/mean "
            << fixed(e.uniformity.maxOverMeanLow, 4) << " to "
            << fixed(e.uniformity.maxOverMeanHigh, 4) << '\n';
    return out.str();
}

std::string refusedText(const std::string& reason) {
    return "Physical estimate: refused: " + reason + "\n";
}

std::string surfaceText(const std::string& name, double diffuseShare, double glossSpreadDeg) {
    return "  reflector surface       " + name + " (diffuse share " + fixed(diffuseShare, 2) +
           ", gloss spread " + fixed(glossSpreadDeg, 1) + " degrees)\n";
}

void writeLosses(JsonWriter& json, const physics::PhysicalEstimate::Losses& l) {
    json.key("losses")
        .beginObject()
        .member("absorbed", l.absorbed)
        .member("returnedToTube", l.returnedToTube)
        .member("besideAquarium", l.besideAquarium)
        .member("escaped", l.escaped)
        .member("reflectedAtWater", l.reflectedAtWater)
        .endObject();
}

void writeBareTube(JsonWriter& json, const physics::PhysicalEstimate& e) {
    json.key("bareTube")
        .beginObject()
        .member("efficiency", e.bareTube.efficiency)
        .member("error", e.bareTube.error)
        .endObject();
}

void writeIrradiance(JsonWriter& json, const physics::PhysicalEstimate& e, Bounds bounds) {
    json.key("irradiance")
        .beginObject()
        .member("edgesMm", e.edgesMm)
        .member("relative", e.relative)
        .member("perMm", e.perMm);
    if (bounds == Bounds::With)
        json.member("errors", e.perMmError);
    json.endObject();
}

void writeUniformity(JsonWriter& json, const physics::PhysicalEstimate& e, Bounds bounds) {
    const physics::PhysicalEstimate::Uniformity& u = e.uniformity;
    json.key("uniformity")
        .beginObject()
        .member("minOverMean", u.minOverMean)
        .member("maxOverMean", u.maxOverMean);
    if (bounds == Bounds::With) {
        json.member("minOverMeanBounds", std::vector<double>{u.minOverMeanLow, u.minOverMeanHigh});
        json.member("maxOverMeanBounds", std::vector<double>{u.maxOverMeanLow, u.maxOverMeanHigh});
    }
    json.endObject();
}

void writeMembers(JsonWriter& json, const physics::PhysicalEstimate& e) {
    json.member("efficiency", e.efficiency).member("error", e.error);
    json.member("toleranceReached", e.toleranceReached);
    writeLosses(json, e.losses);
    writeBareTube(json, e);
    json.member("gain", e.gain);
    writeIrradiance(json, e, Bounds::With);
    writeUniformity(json, e, Bounds::With);
}

void writeSurface(JsonWriter& json, const std::string& name, double diffuseShare,
                  double glossSpreadDeg) {
    json.key("surface")
        .beginObject()
        .member("name", name)
        .member("diffuseShare", diffuseShare)
        .member("glossSpread", glossSpreadDeg)
        .endObject();
}

} // namespace kavrol::PhysicalReport
