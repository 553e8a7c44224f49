// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavrol {

// Which designs a two-stage search estimates again at full precision, so that its top list,
// ranked by the full figures, loses no design the cheap screening could not rule out.
//
// Each screened candidate comes with its screening value and error bound. The candidates are
// visited by their upper bound (value + safety * error), highest first, then by index; each
// visited one is estimated at full precision and settled with its full value, that value's
// error and whether it qualifies for the list. The refinement is done once `top` qualifying
// designs are known and the next candidate's upper bound, plus the largest error of a full
// figure seen (at least fullError), lies below the top-th best qualifying full value: no
// unvisited candidate's full figure could then reach the list. The visits depend on the
// figures alone, never on how the estimates are spread over threads.
class TopListRefinement {
public:
    struct Candidate {
        std::int64_t index = 0;
        double value = 0;
        double error = 0;
    };

    TopListRefinement(std::vector<Candidate> candidates, std::size_t top, double fullError,
                      double safety = 1.0);

    // The indices of the next candidates to estimate at full precision, at most count of them,
    // in visiting order; empty once done.
    std::vector<std::int64_t> next(std::size_t count);
    // The full figures of a candidate handed out by next().
    void settle(double value, double error, bool qualifies);
    bool done() const;

    std::size_t visited() const { return next_; }
    std::size_t candidates() const { return order_.size(); }
    // The top-th best qualifying full value so far; minus infinity while fewer are known.
    double threshold() const;

private:
    double upper(const Candidate& c) const { return c.value + safety_ * c.error; }

    std::vector<Candidate> order_;
    std::size_t next_ = 0;
    std::size_t top_ = 0;
    double slack_ = 0;
    double safety_ = 1;
    std::vector<double> best_; // a min-heap of the best qualifying full values, at most top_
};

} // namespace kavrol
