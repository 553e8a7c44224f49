// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: running the mirror's search; the text; the JSON object.
#include "SurfaceContrast.h"

#include "InputDomain.h"
#include "NumberFormat.h"
#include "PhysicalReport.h"
#include "PhysicalSearchJson.h"

#include <sstream>

namespace kavrol {

namespace {

namespace D = InputDomain;

// Shares with 6 decimals, as the report's table writes them.
std::string Share(double value) {
    return NumberFormat::fixed(value, 6);
}

std::string Signed(int value) {
    return (value > 0 ? "+" : "") + std::to_string(value);
}

std::string Figures(const PhysicalScore& p) {
    return Share(p.efficiency) + " +/- " + Share(p.error);
}

} // namespace

// --- Running the mirror's search ---

bool SurfaceContrast::Wanted(const OptimiseOptions& options) {
    const PhysicalSettings& s = options.objective.settings;
    return options.objective.physical && s.surfaceGiven() && !s.surface().isMirror();
}

SurfaceContrast SurfaceContrast::Find(const OptimiseOptions& options,
                                      const PhysicalSearch& surfaceSearch,
                                      const PhysicalSearchOutcome::Scored& surfaceBest,
                                      const PhysicalSearch::RunOptions& run,
                                      const SearchRunner& runner) {
    SurfaceContrast contrast;
    contrast.surfaceName = options.objective.settings.surfaceName();
    contrast.surface = options.objective.settings.surface();
    contrast.surfaceBest = surfaceBest;
    PhysicalSettings mirror = options.objective.settings;
    mirror.surfaceWord.clear();
    mirror.diffuseShare = -1.0;
    mirror.glossSpread = -1.0;
    PhysicalSearch search(options.context, options.space, mirror, options.objective.minUniformity);
    PhysicalSearch::RunOptions mirrorRun = run;
    mirrorRun.top = 1;
    mirrorRun.listRefused = 0;
    mirrorRun.keepAll = false;
    const PhysicalSearchOutcome outcome = runner(search, mirrorRun);
    contrast.mirrorStopped = outcome.stopped;
    if (outcome.stopped || outcome.best.empty())
        return contrast;
    contrast.mirrorRanked = true;
    contrast.mirrorBest = outcome.best.front();
    contrast.mirrorBestOnSurface =
        contrast.sameDesign()
            ? surfaceBest.score
            : surfaceSearch.score(contrast.mirrorBest.design, options.objective.settings.tolerance);
    return contrast;
}

bool SurfaceContrast::sameDesign() const {
    const Design& p = surfaceBest.design;
    const Design& q = mirrorBest.design;
    return p.shape == q.shape && p.refA == q.refA && p.refB == q.refB && p.lamp == q.lamp &&
           (!D::UsesC(p.shape) || p.refC == q.refC);
}

// --- The text ---

std::string SurfaceContrast::text() const {
    std::ostringstream out;
    out << "\nAgainst a perfect mirror (the same search with --surface mirror), for " << surfaceName
        << " (diffuse share " << NumberFormat::fixed(surface.diffuseShare, 2) << ", gloss spread "
        << NumberFormat::fixed(surface.glossSpreadDeg, 1) << " degrees):\n";
    if (mirrorStopped) {
        out << "  the mirror's search was stopped: no comparison\n";
        return out.str();
    }
    if (!mirrorRanked) {
        out << "  the mirror's search ranked no design\n";
        return out.str();
    }
    out << "  best for the surface: " << Describe(surfaceBest.design) << ", "
        << Figures(surfaceBest.score) << "\n";
    out << "  best for the mirror:  " << Describe(mirrorBest.design) << ", "
        << Figures(mirrorBest.score) << " as a mirror,\n"
        << "                        " << Figures(mirrorBestOnSurface) << " made of the surface\n";
    if (sameDesign()) {
        out << "  The same shape is best for both: the surface changes the share, not the "
               "shape.\n";
        return out.str();
    }
    const Design& s = surfaceBest.design;
    const Design& m = mirrorBest.design;
    out << "  Differences (the surface's best less the mirror's): ";
    if (s.shape != m.shape)
        out << "shape " << D::Shape.word(s.shape) << " instead of " << D::Shape.word(m.shape)
            << ", ";
    out << "A " << Signed(s.refA - m.refA) << " mm, B " << Signed(s.refB - m.refB) << " mm, ";
    if (D::UsesC(s.shape) && D::UsesC(m.shape))
        out << "C " << Signed(s.refC - m.refC) << " mm, ";
    out << "lamp " << Signed(s.lamp - m.lamp) << " mm\n";
    const double gain = surfaceBest.score.efficiency - mirrorBestOnSurface.efficiency;
    out << "  Made of the surface, the surface's best delivers " << Share(gain)
        << " more of the tube's light than the mirror's best"
        << (gain < surfaceBest.score.error + mirrorBestOnSurface.error
                ? ",\n  within their error bounds (a smaller --tolerance tells them apart)\n"
                : "\n");
    return out.str();
}

// --- The JSON object ---

void SurfaceContrast::write(JsonWriter& json) const {
    json.beginObject();
    PhysicalReport::writeSurface(json, surfaceName, surface.diffuseShare, surface.glossSpreadDeg);
    json.member("stopped", mirrorStopped);
    if (mirrorStopped) {
        json.endObject();
        return;
    }
    json.key("best");
    PhysicalSearchJson::WriteDesign(json, surfaceBest);
    json.key("mirrorBest");
    if (!mirrorRanked) {
        json.null().endObject();
        return;
    }
    PhysicalSearchJson::WriteDesign(json, mirrorBest);
    const Design& s = surfaceBest.design;
    const Design& m = mirrorBest.design;
    json.key("mirrorBestOnSurface").beginObject();
    PhysicalSearchJson::WriteFigures(json, mirrorBestOnSurface);
    json.endObject();
    json.member("sameDesign", sameDesign());
    json.member("gainOverMirrorShape",
                surfaceBest.score.efficiency - mirrorBestOnSurface.efficiency);
    json.key("differences").beginObject().key("shape");
    if (s.shape == m.shape)
        json.null();
    else
        json.value(D::Shape.word(m.shape));
    json.member("A", s.refA - m.refA).member("B", s.refB - m.refB).key("C");
    if (D::UsesC(s.shape) && D::UsesC(m.shape))
        json.value(s.refC - m.refC);
    else
        json.null();
    json.member("lamp", s.lamp - m.lamp).endObject();
    json.endObject();
}

std::string SurfaceContrast::json() const {
    JsonWriter json;
    write(json);
    return json.text();
}

} // namespace kavrol
