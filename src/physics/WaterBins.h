// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <vector>

namespace kavrol::physics {

// The light entering the water, binned across [xMin, xMax] by where it lands, with a bound on
// each bin's error. Light landing outside the span goes to the nearest end bin, so nothing is
// lost (it can only come from rounding at the water's edges).
class WaterBins {
public:
    // One water entry followed along a stretch of directions of one path, in the stretch's own
    // coordinate tau in [-1, 1]: at each point its place x (mm) and dx/dtau, and the amount
    // entering per unit tau as two polynomials in tau (coefficients from the constant up), the
    // rule's and a lower-order one whose difference bounds the rule's error over any part.
    struct Track {
        static constexpr int kMaxPoints = 9;
        int points = 0;
        std::array<double, kMaxPoints> tau{};
        std::array<double, kMaxPoints> x{};
        std::array<double, kMaxPoints> slope{};
        std::array<double, kMaxPoints> high{}; // degree < kMaxPoints
        std::array<double, kMaxPoints> low{};
        double scale = 1.0;     // directions (radians) per unit tau
        double errorRate = 0.0; // an error bound per unit of light, beside the rules' difference
    };

    WaterBins(double xMin, double xMax, int count);

    int count() const { return static_cast<int>(light_.size()); }
    const std::vector<double>& light() const { return light_; }
    // Each bin's bound, including what may land anywhere.
    std::vector<double> errors() const;

    // Places a track's light, following x(tau) by cubic Hermite pieces between its points.
    void add(const Track& track);
    // Light entering at one place, with its error.
    void addAt(double x, double amount, double error);
    // An error that may fall into any bin.
    void addAnywhere(double error) { anywhere_ += error; }

    // The coefficients of the polynomial through (nodes[i], values[i]), i < n (n <= 9).
    static std::array<double, Track::kMaxPoints> Interpolate(const double* nodes,
                                                             const double* values, int n);
    // The same for nodes that never change, as a linear map of the values: one elimination per
    // node and set of nodes instead of one per track.
    class Interpolation {
    public:
        Interpolation(const double* nodes, int n);
        std::array<double, Track::kMaxPoints> coefficients(const double* values) const;

    private:
        int n_;
        std::array<std::array<double, Track::kMaxPoints>, Track::kMaxPoints> basis_{};
    };

private:
    // A cubic Hermite piece of x(tau) from t0 to t0 + h: places and slopes per unit of its
    // own coordinate.
    struct Piece {
        double x0;
        double m0;
        double x1;
        double m1;
        double t0;
        double h;
    };
    // The part of a track landing in one bin, from tau on, with the polynomials' antiderivatives
    // there.
    struct Run {
        int bin = 0;
        double tau = 0.0;
        double high = 0.0;
        double low = 0.0;
    };
    int binOf(double u) const;
    void cross(const Track& track, const Piece& piece, double tau0, double tau1, double x0,
               double x1, Run& run);
    void finish(const Track& track, double tau, Run& run);

    double xMin_;
    double width_;
    std::vector<double> light_;
    std::vector<double> error_;
    double anywhere_ = 0.0;
};

} // namespace kavrol::physics
