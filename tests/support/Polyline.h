// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <cmath>
#include <vector>

namespace kavrol::test {

// The length of an open polyline.
inline double PolylineLength(const std::vector<QPointF>& points) {
    double length = 0.0;
    for (std::size_t i = 1; i < points.size(); ++i)
        length += std::hypot(points[i].x() - points[i - 1].x(), points[i].y() - points[i - 1].y());
    return length;
}

} // namespace kavrol::test
