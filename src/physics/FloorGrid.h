// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

namespace kavrol::physics {

// Cells over the tank's floor and how light landing on the unfolded floor spreads over them.
// Millimetres: x from -width/2 across, z from 0 along; cells are cellsZ rows of cellsX. On
// each axis light is spread over a box moved evenly over a range of shifts (a trapezoid, the
// image of two independent even spreads); whatever lies beyond a wall is mirrored back into
// the tank, as the walls mirror the light itself.
class FloorGrid {
public:
    FloorGrid(double width, double length, int cellsX, int cellsZ);

    int cellsX() const { return cellsX_; }
    int cellsZ() const { return cellsZ_; }
    int cells() const { return cellsX_ * cellsZ_; }
    double width() const { return width_; }
    double length() const { return length_; }
    double cellWidth() const { return width_ / cellsX_; }
    double cellLength() const { return length_ / cellsZ_; }

    // A spread on one axis: the box [a0 + s, a1 + s] for s evenly over [s0, s1].
    struct Spread {
        double a0 = 0.0; // box
        double a1 = 0.0;
        double s0 = 0.0; // shifts
        double s1 = 0.0;
        double cdf(double u) const;
        double low() const { return a0 + s0; }
        double high() const { return a1 + s1; }
    };

    // Adds `share` spread over x in [x0, x1] and z in [z0 + s, z1 + s] for s evenly over
    // [s0, s1] to `cells` (row-major, z rows).
    void deposit(double x0, double x1, double z0, double z1, double s0, double s1, double share,
                 std::vector<double>& cells) const {
        deposit({x0, x1, 0.0, 0.0}, {z0, z1, s0, s1}, share, cells);
    }
    void deposit(const Spread& x, const Spread& z, double share, std::vector<double>& cells) const;

    // The part of the same spread landing in the rectangle [xa, xb] x [za, zb] of the tank.
    double within(double x0, double x1, double z0, double z1, double s0, double s1, double xa,
                  double xb, double za, double zb) const {
        return within({x0, x1, 0.0, 0.0}, {z0, z1, s0, s1}, xa, xb, za, zb);
    }
    double within(const Spread& x, const Spread& z, double xa, double xb, double za,
                  double zb) const;
    // Its two factors: the part of a spread across landing in [xa, xb], of one along in
    // [za, zb].
    double acrossWithin(const Spread& x, double xa, double xb) const { return Mass(x_, x, xa, xb); }
    double alongWithin(const Spread& z, double za, double zb) const { return Mass(z_, z, za, zb); }

private:
    // One axis: the shares of each cell (from `first`, `count` of them).
    struct Axis {
        double lo = 0.0;
        double period = 1.0;
        int cells = 1;
    };
    static void Fractions(const Axis& axis, const Spread& spread, std::vector<double>& out,
                          int& first, int& last);
    static double Mass(const Axis& axis, const Spread& spread, double a, double b);

    double width_;
    double length_;
    int cellsX_;
    int cellsZ_;
    Axis x_;
    Axis z_;
    mutable std::vector<double> fx_;
    mutable std::vector<double> fz_;
    // The last deposit's spread across and its cells: the pieces of one landing along the
    // tank share it.
    mutable Spread lastX_{0.0, 0.0, 0.0, 0.0};
    mutable int xFirst_ = 0;
    mutable int xLast_ = -1;
};

} // namespace kavrol::physics
