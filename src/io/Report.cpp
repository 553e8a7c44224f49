// SPDX-License-Identifier: GPL-3.0-or-later
#include "Report.h"

#include "NumberFormat.h"

#include <cmath>
#include <sstream>

namespace kavrol::Report {

std::string real(long double value) {
    if (!std::isfinite(value))
        return "null";
    return NumberFormat::exact(value);
}

std::string text(const OpticalModel& model) {
    const LossBreakdown& l = model.losses();
    const double rays = OpticalModel::RayCount;
    const auto share = [](double value) { return NumberFormat::fixed(value, 6); };
    std::ostringstream out;
    out << "Efficiency: " << share(model.efficiency()) << '\n';
    out << "Where the light went (share of the tube's output):\n";
    out << "  into the water          " << share(l.delivered / rays) << '\n';
    out << "  absorbed by reflector   " << share(l.absorbed / rays) << '\n';
    out << "  reflected off the water " << share(l.reflectedAtWater / rays) << '\n';
    out << "  returned to the tube    " << share(l.returnedToTube / rays) << '\n';
    out << "  escaped                 " << share(l.escaped / rays) << '\n';
    return out.str();
}

void writeMembers(JsonWriter& json, const OpticalModel& model) {
    json.member("efficiency", model.efficiency()).member("rayIndex", model.rayIndex());
    json.key("rays").beginArray();
    for (int k = 0; k < OpticalModel::RayCount; ++k)
        json.value(model.rayPower()[static_cast<std::size_t>(k)]);
    json.endArray();
    const LossBreakdown& l = model.losses();
    json.key("losses")
        .beginObject()
        .member("delivered", l.delivered)
        .member("absorbed", l.absorbed)
        .member("reflectedAtWater", l.reflectedAtWater)
        .member("returnedToTube", l.returnedToTube)
        .member("escaped", l.escaped)
        .endObject();
    const PixelQuantities& q = model.quantities();
    json.key("quantities")
        .beginObject()
        .member("PixelsPerMm", q.PixelsPerMm)
        .member("Scale", q.Scale)
        .member("CenterX", q.CenterX)
        .member("TopY", q.TopY)
        .member("LampX", q.LampX)
        .member("LampY", q.LampY)
        .member("LampR", q.LampR)
        .member("WaterY", q.WaterY)
        .member("AquaWPx", q.AquaWPx)
        .member("RefAPx", q.RefAPx)
        .member("RefBPx", q.RefBPx)
        .member("RefCPx", q.RefCPx)
        .member("RefSidePx", q.RefSidePx)
        .member("RefLeft", q.RefLeft)
        .member("RefRight", q.RefRight)
        .endObject();
    json.key("picture")
        .beginObject()
        .member("width", model.workImage().width())
        .member("height", model.workImage().height())
        .endObject();
    json.key("profile").beginArray();
    for (std::int32_t i = 0; i <= q.RefAPx; ++i) {
        const ProfilePoint& p = model.profile()[static_cast<std::size_t>(i)];
        json.beginObject()
            .member("X", p.X)
            .member("Y", p.Y)
            .member("PX", p.PX)
            .member("PY", p.PY)
            .member("Angle", p.Angle)
            .endObject();
    }
    json.endArray();
}

std::string json(const OpticalModel& model) {
    JsonWriter json;
    json.beginObject();
    writeMembers(json, model);
    json.endObject();
    return json.text() + "\n";
}

} // namespace kavrol::Report
