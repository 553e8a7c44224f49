// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Numerics.h"

#include <cmath>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kavrol {

// Round(slope * i + origin) for integer steps i, where slope is an extended real and the
// expression is evaluated in extended precision: the tracer's sample positions. The value is
// first estimated in doubles, which is exact enough to decide the rounding unless it lies within
// 1e-7 of a half; only then, rarely, the extended expression is evaluated itself. The results
// are those of the extended expression, always.
class StepRounder {
public:
    StepRounder(Extended slope, std::int32_t origin)
        : slope_(slope), slopeD_(static_cast<double>(slope)), origin_(origin), originD_(origin) {}

    // The double estimate of slope * step + origin, within 1e-9 of it below 1e6 in magnitude.
    double estimate(std::int64_t step) const {
        return slopeD_ * static_cast<double>(step) + originD_;
    }

    std::int32_t at(std::int64_t step) const {
        const double estimate = this->estimate(step);
        // The estimate's error stays below 1e-9 while it is below 1e6 in magnitude.
        if (estimate > -1e6 && estimate < 1e6) {
            const double nearest = RoundDouble(estimate);
            const double offset = std::fabs(estimate - nearest);
            if (offset < 0.5 - 1e-7)
                return static_cast<std::int32_t>(nearest);
        }
        return Round(slope_ * static_cast<Extended>(step) + origin_);
    }

private:
    static double RoundDouble(double value) {
#if defined(__SSE2__)
        // SSE conversion rounds by MXCSR, round half to even by default.
        return static_cast<double>(_mm_cvtsd_si32(_mm_set_sd(value)));
#else
        return std::nearbyint(value);
#endif
    }

    Extended slope_;
    double slopeD_;
    std::int32_t origin_;
    double originD_;
};

} // namespace kavrol
