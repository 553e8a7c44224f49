// SPDX-License-Identifier: GPL-3.0-or-later
#include "PhysicalSearchJson.h"

#include "InputDomain.h"
#include "PhysicalReport.h"
#include "Report.h"

namespace kavrol::PhysicalSearchJson {

namespace D = InputDomain;

std::string Figures(const PhysicalScore& p) {
    return "\"physical\":" + Report::real(p.efficiency) + ",\"error\":" + Report::real(p.error) +
           ",\"minOverMean\":" + Report::real(p.minOverMean) +
           ",\"maxOverMean\":" + Report::real(p.maxOverMean) +
           ",\"tolerance\":" + Report::real(p.tolerance);
}

std::string Design(const PhysicalSearchOutcome::Scored& s) {
    const kavrol::Design& d = s.design;
    return "{\"shape\":" + PhysicalReport::quoted(std::string(D::Shape.word(d.shape))) +
           ",\"A\":" + std::to_string(d.refA) + ",\"B\":" + std::to_string(d.refB) +
           ",\"C\":" + (D::UsesC(d.shape) ? std::to_string(d.refC) : std::string("null")) +
           ",\"lamp\":" + std::to_string(d.lamp) + "," + Figures(s.score) + "}";
}

std::string Report(const OptimiseOptions& options, const PhysicalSearchOutcome& outcome,
                   const std::optional<SurfaceContrast>& contrast) {
    const PhysicalSettings& settings = options.objective.settings;
    std::string text = "{\"searched\":" + std::to_string(outcome.total) +
                       ",\"screened\":" + std::to_string(outcome.screened) +
                       ",\"reestimated\":" + std::to_string(outcome.reestimated) +
                       ",\"stopped\":" + (outcome.stopped ? "true" : "false");
    if (settings.surfaceGiven()) {
        const physics::ReflectorSurface surface = settings.surface();
        text += ",\"surface\":" + PhysicalReport::surfaceJson(settings.surfaceName(),
                                                              surface.diffuseShare,
                                                              surface.glossSpreadDeg);
    }
    text += ",\"best\":[";
    for (std::size_t i = 0; i < outcome.best.size(); ++i)
        text += (i ? "," : "") + Design(outcome.best[i]);
    text += "],\"refused\":" + std::to_string(outcome.refusedCount);
    if (contrast)
        text += ",\"againstMirror\":" + contrast->json();
    return text + "}\n";
}

} // namespace kavrol::PhysicalSearchJson
