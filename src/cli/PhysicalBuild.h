// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildInputs.h"
#include "JsonWriter.h"
#include "PhysicalDesign.h"
#include "PhysicalEstimate.h"
#include "PhysicalOptions.h"

#include <optional>
#include <string>

namespace kavrol {

// The physical part of a single build: the estimate of the inputs' design, or the reason the
// physical model refuses it, the report's lines about it and the files drawn from it.
class PhysicalBuild {
public:
    // Estimates the design when the options ask for the estimate; a refusal is kept as a result.
    PhysicalBuild(const BuildInputs& inputs, const PhysicalOptions& options);

    bool refused() const { return refusal_.has_value(); }
    const std::string& refusal() const { return *refusal_; }
    const std::optional<physics::PhysicalEstimate>& estimate() const { return estimate_; }

    // Writes the files asked for, each whole or not at all, under a QApplication on the
    // offscreen platform (made here when none exists). Throws SaveError naming the file, also
    // when the physical model refuses the design the file would show.
    void writeFiles() const;

    // What the report adds: nothing without the estimate.
    std::string text() const;
    // The member "physical" into the build's open JSON object; nothing without the estimate.
    void writeJson(JsonWriter& json) const;

private:
    void writeTemplate() const;

    PhysicalOptions options_;
    std::optional<physics::PhysicalDesign> design_;
    std::optional<std::string> refusal_;
    std::optional<physics::PhysicalEstimate> estimate_;
};

} // namespace kavrol
