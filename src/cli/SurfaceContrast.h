// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "JsonWriter.h"
#include "OptimiseOptions.h"
#include "PhysicalSearch.h"
#include "PhysicalSearchOutcome.h"

#include <functional>
#include <optional>
#include <string>

namespace kavrol {

// How the best shape a search by the physical share found for a scattering surface differs from
// the best shape of the same search with a perfect mirror (the same context, space, albedo,
// settings and uniformity floor): the mirror's best with its own figures and with the surface's,
// and how the two designs differ.
struct SurfaceContrast {
    std::string surfaceName;
    physics::ReflectorSurface surface;
    PhysicalSearchOutcome::Scored surfaceBest; // the surface search's best
    bool mirrorStopped = false;                // the mirror's search was stopped: nothing below
    bool mirrorRanked = false;                 // the mirror's search ranked a design
    PhysicalSearchOutcome::Scored mirrorBest;  // its best, by its figures with the mirror
    PhysicalScore mirrorBestOnSurface;         // the same design made of the surface

    bool sameDesign() const;

    // Runs a search on the surface's settings; the caller's own run shows progress.
    using SearchRunner =
        std::function<PhysicalSearchOutcome(PhysicalSearch&, const PhysicalSearch::RunOptions&)>;
    // Whether options ask for the contrast: a surface given that is not a perfect mirror.
    static bool Wanted(const OptimiseOptions& options);
    // Runs the mirror's search with run's threads and stop flag, and estimates its best with the
    // surface at the full tolerance. surfaceSearch is the search that found surfaceBest.
    static SurfaceContrast Find(const OptimiseOptions& options, const PhysicalSearch& surfaceSearch,
                                const PhysicalSearchOutcome::Scored& surfaceBest,
                                const PhysicalSearch::RunOptions& run, const SearchRunner& runner);

    // The report's paragraph, starting with an empty line.
    std::string text() const;
    // The JSON object: "surface" {"name", "diffuseShare", "glossSpread"}, "best" and
    // "mirrorBest" (designs with their figures; "mirrorBest" null when the mirror's search
    // ranked none), "mirrorBestOnSurface" (its figures made of the surface), "sameDesign",
    // "gainOverMirrorShape" (the surface's best share less the mirror's best made of the
    // surface) and "differences" {"shape" (the mirror's word, or null when the same), "A",
    // "B", "C" (null unless both use it), "lamp" (the surface's less the mirror's, mm)};
    // "stopped" true and the rest left out when the mirror's search was stopped.
    std::string json() const;
    // The same object written as a value where the writer stands.
    void write(JsonWriter& json) const;
};

} // namespace kavrol
