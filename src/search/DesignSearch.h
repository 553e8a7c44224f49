// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Design.h"
#include "EvaluationContext.h"
#include "SearchOptions.h"
#include "SearchOutcome.h"
#include "SearchSpace.h"

#include <cstdint>

namespace kavrol {

// Evaluates every design of a search space in a fixed context on several threads, each with its
// own FastEvaluator and its own bounded heap of the best designs (merged at the end), and keeps
// every refused one. The search order is shape,
// then lamp distance, then A, B and C, C varying fastest.
class DesignSearch {
public:
    // Designs handed to a worker at a time.
    static constexpr std::int64_t BatchSize = 256;

    DesignSearch(const EvaluationContext& context, const SearchSpace& space);

    std::int64_t size() const { return size_; }
    Design designAt(std::int64_t index) const;

    // Runs the search; may be called again. Exceptions other than refusals (which are results)
    // end the search and are rethrown here.
    SearchOutcome run(const SearchOptions& options);

    // True when a ranks above b: higher efficiency, then earlier in the search order.
    static bool Better(const ScoredDesign& a, const ScoredDesign& b);

private:
    EvaluationContext context_;
    SearchSpace space_;
    std::int64_t size_ = 0;
};

} // namespace kavrol
