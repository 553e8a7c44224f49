// SPDX-License-Identifier: GPL-3.0-or-later
// The refinement of a screened top list against an exhaustive ranking by the full figures, over
// synthetic figures whose screening and full errors stay within their bounds.
#include "TopListRefinement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

namespace kavrol {
namespace {

struct Figures {
    double screening = 0;
    double screeningError = 0;
    double full = 0;
    bool qualifies = true;
};

// Designs with a true value, a screening figure within its bound of it and a full figure within
// fullError of it; ties among the true values are common, as on a coarse grid.
std::vector<Figures> Synthetic(unsigned seed, std::size_t count, double fullError,
                               double qualifying) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Figures> designs(count);
    for (Figures& f : designs) {
        const double truth = std::round(unit(random) * 400.0) / 1000.0 + 0.4;
        f.screeningError = 0.002 + 0.008 * unit(random);
        f.screening = truth + (2.0 * unit(random) - 1.0) * f.screeningError;
        f.full = truth + (2.0 * unit(random) - 1.0) * fullError;
        f.qualifies = unit(random) < qualifying;
    }
    return designs;
}

// The indices of the best qualifying designs by their full figures, ties by index.
std::vector<std::int64_t> Ranked(const std::vector<Figures>& designs,
                                 const std::vector<std::int64_t>& among, std::size_t top) {
    std::vector<std::int64_t> order;
    for (const std::int64_t i : among)
        if (designs[static_cast<std::size_t>(i)].qualifies)
            order.push_back(i);
    std::sort(order.begin(), order.end(), [&](std::int64_t a, std::int64_t b) {
        const double fa = designs[static_cast<std::size_t>(a)].full;
        const double fb = designs[static_cast<std::size_t>(b)].full;
        return fa != fb ? fa > fb : a < b;
    });
    order.resize(std::min(order.size(), top));
    return order;
}

// Runs the refinement in rounds of `round`, returning the visited indices.
std::vector<std::int64_t> Refine(const std::vector<Figures>& designs, std::size_t top,
                                 double fullError, double safety, std::size_t round) {
    std::vector<TopListRefinement::Candidate> candidates;
    for (std::size_t i = 0; i < designs.size(); ++i)
        candidates.push_back(
            {static_cast<std::int64_t>(i), designs[i].screening, designs[i].screeningError});
    TopListRefinement refinement(candidates, top, fullError, safety);
    std::vector<std::int64_t> visited;
    for (std::vector<std::int64_t> next = refinement.next(round); !next.empty();
         next = refinement.next(round)) {
        for (const std::int64_t i : next) {
            const Figures& f = designs[static_cast<std::size_t>(i)];
            refinement.settle(f.full, fullError, f.qualifies);
            visited.push_back(i);
        }
    }
    EXPECT_TRUE(refinement.done());
    EXPECT_EQ(refinement.visited(), visited.size());
    return visited;
}

TEST(TopListRefinement, LosesNoDesignOfTheExhaustiveTopList) {
    struct Case {
        unsigned seed;
        std::size_t count;
        std::size_t top;
        double qualifying;
        std::size_t round;
    };
    const std::vector<Case> cases = {
        {1, 2000, 10, 1.0, 32}, {2, 2000, 1, 1.0, 1},   {3, 5000, 50, 1.0, 32},
        {4, 2000, 10, 0.3, 32}, {5, 2000, 10, 0.02, 7}, {6, 300, 500, 1.0, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed);
        const double fullError = 0.0005;
        const std::vector<Figures> designs = Synthetic(c.seed, c.count, fullError, c.qualifying);
        std::vector<std::int64_t> all(designs.size());
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = static_cast<std::int64_t>(i);
        const std::vector<std::int64_t> visited = Refine(designs, c.top, fullError, 1.0, c.round);
        EXPECT_EQ(Ranked(designs, visited, c.top), Ranked(designs, all, c.top));
        // The point of it: far fewer visits than designs when the list is short.
        if (c.top <= 10 && c.qualifying >= 0.3) {
            EXPECT_LT(visited.size(), designs.size() / 4) << visited.size();
        }
    }
}

TEST(TopListRefinement, VisitsByUpperBoundAndStopsOnlyBelowTheThreshold) {
    // Upper bounds 0.9, 0.8, 0.7, 0.6 with safety 2; full figures equal the screening values.
    const std::vector<TopListRefinement::Candidate> candidates = {
        {3, 0.58, 0.01}, {0, 0.88, 0.01}, {2, 0.68, 0.01}, {1, 0.78, 0.01}};
    TopListRefinement refinement(candidates, 1, 0.0, 2.0);
    EXPECT_EQ(refinement.threshold(), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(refinement.next(1), std::vector<std::int64_t>{0});
    refinement.settle(0.88, 0.0, false); // does not qualify: the list is still empty
    EXPECT_EQ(refinement.next(1), std::vector<std::int64_t>{1});
    refinement.settle(0.70, 0.0, true);
    EXPECT_EQ(refinement.threshold(), 0.70);
    // 0.68 + 2 * 0.01 = 0.70 could tie with the listed design and come earlier: visited.
    EXPECT_EQ(refinement.next(5), std::vector<std::int64_t>{2});
    refinement.settle(0.68, 0.0, true);
    EXPECT_TRUE(refinement.done());
    EXPECT_TRUE(refinement.next(5).empty());
    EXPECT_EQ(refinement.visited(), 3u);
    // A full figure's larger error widens what is still visited: 0.70 + 0.2 reaches the listed
    // 0.88, 0.60 + 0.2 does not.
    TopListRefinement wide(candidates, 1, 0.0, 2.0);
    ASSERT_EQ(wide.next(2).size(), 2u);
    wide.settle(0.88, 0.2, true);
    wide.settle(0.78, 0.0, true);
    EXPECT_FALSE(wide.done());
    EXPECT_EQ(wide.next(5), std::vector<std::int64_t>{2});
    EXPECT_TRUE(wide.done());
}

TEST(TopListRefinement, AnEmptyListVisitsNothing) {
    TopListRefinement refinement({{0, 0.5, 0.01}}, 0, 0.0005);
    EXPECT_TRUE(refinement.done());
    EXPECT_TRUE(refinement.next(4).empty());
    TopListRefinement none({}, 5, 0.0005);
    EXPECT_TRUE(none.done());
}

} // namespace
} // namespace kavrol
