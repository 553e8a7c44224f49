// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BuildInputs.h"
#include "JsonWriter.h"
#include "PhysicalSettings.h"
#include "TankEstimate.h"
#include "TankOptions.h"
#include "TankReport.h"

#include <optional>
#include <string>

namespace kavrol {

// The whole tank under a single build's design: the estimate, or the reason the design or
// tank cannot exist, the report's lines and JSON object, and the files drawn from it.
class TankBuild {
public:
    TankBuild(const BuildInputs& inputs, const PhysicalSettings& settings,
              const TankOptions& options);

    bool enabled() const { return options_.enabled; }
    const std::optional<physics::TankEstimate>& estimate() const { return estimate_; }
    const std::optional<std::string>& refusal() const { return refusal_; }

    // Nothing without --tank.
    std::string text() const;
    // The member "tank" into the report's open JSON object.
    void writeJson(JsonWriter& json) const;

    // The floor map (.png or .svg) and the cells as CSV, each whole or not at all; throws
    // SaveError naming the file, also when the tank was refused.
    void writeFiles(const std::string& plotPath, const std::string& csvPath) const;

private:
    TankOptions options_;
    TankReport::TubeLine tube_;
    double centre_ = 0.0;
    double radius_ = 8.0;
    std::optional<std::string> refusal_;
    std::optional<physics::TankEstimate> estimate_;
    // The reflector's sheet when one was given, as the physical estimate reports it.
    struct SurfaceLine {
        std::string name;
        physics::ReflectorSurface surface;
    };
    std::optional<SurfaceLine> surface_;
};

} // namespace kavrol
