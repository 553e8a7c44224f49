// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kavrol::physics {

// A direction in the cross-section, not necessarily of unit length (a piece's normal).
struct Direction {
    double x = 0.0;
    double y = 0.0;
};

} // namespace kavrol::physics
