// SPDX-License-Identifier: GPL-3.0-or-later
#include "TopListRefinement.h"

#include <algorithm>
#include <functional>
#include <limits>

namespace kavrol {

TopListRefinement::TopListRefinement(std::vector<Candidate> candidates, std::size_t top,
                                     double fullError, double safety)
    : order_(std::move(candidates)), top_(top), slack_(fullError), safety_(safety) {
    std::sort(order_.begin(), order_.end(), [this](const Candidate& a, const Candidate& b) {
        const double ua = upper(a);
        const double ub = upper(b);
        if (ua != ub)
            return ua > ub;
        return a.index < b.index;
    });
}

std::vector<std::int64_t> TopListRefinement::next(std::size_t count) {
    std::vector<std::int64_t> indices;
    while (indices.size() < count && !done()) {
        indices.push_back(order_[next_].index);
        ++next_;
    }
    return indices;
}

void TopListRefinement::settle(double value, double error, bool qualifies) {
    slack_ = std::max(slack_, error);
    if (!qualifies || top_ == 0)
        return;
    if (best_.size() < top_) {
        best_.push_back(value);
        std::push_heap(best_.begin(), best_.end(), std::greater<>());
    } else if (value > best_.front()) {
        std::pop_heap(best_.begin(), best_.end(), std::greater<>());
        best_.back() = value;
        std::push_heap(best_.begin(), best_.end(), std::greater<>());
    }
}

double TopListRefinement::threshold() const {
    if (top_ == 0)
        return std::numeric_limits<double>::infinity();
    if (best_.size() < top_)
        return -std::numeric_limits<double>::infinity();
    return best_.front();
}

// A candidate whose full figure could equal the threshold is still visited: it might rank
// above a listed design of equal value by coming earlier in the search order.
bool TopListRefinement::done() const {
    return next_ >= order_.size() || upper(order_[next_]) + slack_ < threshold();
}

} // namespace kavrol
