// SPDX-License-Identifier: GPL-3.0-or-later
#include "Report.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace kavrol::Report {

std::string real(long double value) {
    if (!std::isfinite(value))
        return "null";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17Lg", value);
    return buffer;
}

namespace {

std::string fixed6(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6f", value);
    return buffer;
}

} // namespace

std::string text(const OpticalModel& model) {
    const LossBreakdown& l = model.losses();
    const double rays = OpticalModel::RayCount;
    std::ostringstream out;
    out << "Efficiency: " << fixed6(model.efficiency()) << '\n';
    out << "Where the light went (share of the tube's output):\n";
    out << "  into the water          " << fixed6(l.delivered / rays) << '\n';
    out << "  absorbed by reflector   " << fixed6(l.absorbed / rays) << '\n';
    out << "  reflected off the water " << fixed6(l.reflectedAtWater / rays) << '\n';
    out << "  returned to the tube    " << fixed6(l.returnedToTube / rays) << '\n';
    out << "  escaped                 " << fixed6(l.escaped / rays) << '\n';
    return out.str();
}

std::string json(const OpticalModel& model) {
    std::ostringstream out;
    out << "{\"efficiency\":" << real(model.efficiency());
    out << ",\"rayIndex\":" << model.rayIndex();
    out << ",\"rays\":[";
    for (int k = 0; k < OpticalModel::RayCount; ++k)
        out << (k ? "," : "") << real(model.rayPower()[static_cast<std::size_t>(k)]);
    out << "]";
    const LossBreakdown& l = model.losses();
    out << ",\"losses\":{\"delivered\":" << real(l.delivered)
        << ",\"absorbed\":" << real(l.absorbed)
        << ",\"reflectedAtWater\":" << real(l.reflectedAtWater)
        << ",\"returnedToTube\":" << real(l.returnedToTube) << ",\"escaped\":" << real(l.escaped)
        << "}";
    const PixelQuantities& q = model.quantities();
    out << ",\"quantities\":{"
        << "\"PixelsPerMm\":" << q.PixelsPerMm << ",\"Scale\":" << q.Scale
        << ",\"CenterX\":" << q.CenterX << ",\"TopY\":" << q.TopY << ",\"LampX\":" << q.LampX
        << ",\"LampY\":" << q.LampY << ",\"LampR\":" << q.LampR << ",\"WaterY\":" << q.WaterY
        << ",\"AquaWPx\":" << q.AquaWPx << ",\"RefAPx\":" << q.RefAPx << ",\"RefBPx\":" << q.RefBPx
        << ",\"RefCPx\":" << q.RefCPx << ",\"RefSidePx\":" << q.RefSidePx
        << ",\"RefLeft\":" << q.RefLeft << ",\"RefRight\":" << q.RefRight << "}";
    out << ",\"picture\":{\"width\":" << model.workImage().width()
        << ",\"height\":" << model.workImage().height() << "}";
    out << ",\"profile\":[";
    for (std::int32_t i = 0; i <= q.RefAPx; ++i) {
        const ProfilePoint& p = model.profile()[static_cast<std::size_t>(i)];
        out << (i ? "," : "") << "{\"X\":" << real(p.X) << ",\"Y\":" << real(p.Y)
            << ",\"PX\":" << p.PX << ",\"PY\":" << p.PY << ",\"Angle\":" << real(p.Angle) << "}";
    }
    out << "]}\n";
    return out.str();
}

} // namespace kavrol::Report
