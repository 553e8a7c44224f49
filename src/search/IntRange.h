// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kavrol {

// The values first, first + step, ... up to last inclusive; empty when last < first.
struct IntRange {
    int first = 0;
    int last = 0;
    int step = 1;

    int count() const { return last < first || step <= 0 ? 0 : (last - first) / step + 1; }
    int at(int k) const { return first + k * step; }
};

} // namespace kavrol
