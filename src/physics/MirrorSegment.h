// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kavrol::physics {

// A straight, zero-thickness specular mirror from (x0, y0) to (x1, y1); both sides reflect.
struct MirrorSegment {
    double x0 = 0.0;
    double y0 = 0.0;
    double x1 = 0.0;
    double y1 = 0.0;
};

} // namespace kavrol::physics
