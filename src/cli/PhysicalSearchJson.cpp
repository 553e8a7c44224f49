// SPDX-License-Identifier: GPL-3.0-or-later
#include "PhysicalSearchJson.h"

#include "InputDomain.h"
#include "PhysicalReport.h"

namespace kavrol::PhysicalSearchJson {

namespace D = InputDomain;

void WriteFigures(JsonWriter& json, const PhysicalScore& p) {
    json.member("physical", p.efficiency)
        .member("error", p.error)
        .member("minOverMean", p.minOverMean)
        .member("maxOverMean", p.maxOverMean)
        .member("tolerance", p.tolerance);
}

void WriteDesign(JsonWriter& json, const PhysicalSearchOutcome::Scored& s) {
    const kavrol::Design& d = s.design;
    json.beginObject()
        .member("shape", D::Shape.word(d.shape))
        .member("A", d.refA)
        .member("B", d.refB)
        .key("C");
    if (D::UsesC(d.shape))
        json.value(d.refC);
    else
        json.null();
    json.member("lamp", d.lamp);
    WriteFigures(json, s.score);
    json.endObject();
}

std::string Report(const OptimiseOptions& options, const PhysicalSearchOutcome& outcome,
                   const std::optional<SurfaceContrast>& contrast) {
    const PhysicalSettings& settings = options.objective.settings;
    JsonWriter json;
    json.beginObject()
        .member("searched", outcome.total)
        .member("screened", outcome.screened)
        .member("reestimated", outcome.reestimated)
        .member("stopped", outcome.stopped);
    if (settings.surfaceGiven()) {
        const physics::ReflectorSurface surface = settings.surface();
        PhysicalReport::writeSurface(json, settings.surfaceName(), surface.diffuseShare,
                                     surface.glossSpreadDeg);
    }
    json.key("best").beginArray();
    for (const PhysicalSearchOutcome::Scored& scored : outcome.best)
        WriteDesign(json, scored);
    json.endArray().member("refused", outcome.refusedCount);
    if (contrast) {
        json.key("againstMirror");
        contrast->write(json);
    }
    json.endObject();
    return json.text() + "\n";
}

} // namespace kavrol::PhysicalSearchJson
