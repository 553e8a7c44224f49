// SPDX-License-Identifier: GPL-3.0-or-later
// The bounded heap of the best values: the same as sorting everything and keeping the first,
// whatever the capacity, the order of the offers and the merges.

#include "BoundedTop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

namespace kavrol {
namespace {

using Top = BoundedTop<int, std::greater<int>>;

std::vector<int> FirstOfSorted(std::vector<int> values, std::size_t count) {
    std::sort(values.begin(), values.end(), std::greater<int>());
    values.resize(std::min(count, values.size()));
    return values;
}

TEST(BoundedTop, KeepsTheBestInOrderForEveryCapacity) {
    std::mt19937 random(7);
    std::vector<int> values(1000);
    for (int& v : values)
        v = static_cast<int>(random() % 5000);
    for (const std::size_t capacity : {0u, 1u, 2u, 10u, 999u, 1000u, 5000u}) {
        SCOPED_TRACE(capacity);
        Top top(capacity);
        for (const int v : values)
            top.offer(v);
        EXPECT_LE(top.size(), capacity);
        EXPECT_EQ(top.takeSorted(), FirstOfSorted(values, capacity));
        EXPECT_EQ(top.size(), 0u);
    }
}

TEST(BoundedTop, MergedHeapsKeepWhatOneHeapWould) {
    std::mt19937 random(11);
    std::vector<int> values(600);
    for (int& v : values)
        v = static_cast<int>(random() % 100000);
    for (const std::size_t capacity : {1u, 25u, 700u}) {
        SCOPED_TRACE(capacity);
        std::vector<Top> parts(3, Top(capacity));
        for (std::size_t i = 0; i < values.size(); ++i)
            parts[i % 3].offer(values[i]);
        Top all(capacity);
        for (Top& part : parts) {
            all.merge(part);
            EXPECT_EQ(part.size(), 0u);
        }
        EXPECT_EQ(all.takeSorted(), FirstOfSorted(values, capacity));
    }
}

} // namespace
} // namespace kavrol
