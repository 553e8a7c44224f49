// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace kavrol {

// Keeps the best `capacity` values of those offered, by a strict ranking: better(a, b) is true
// when a ranks above b. The values sit in a heap whose front is the worst kept, so an offer that
// does not make the cut costs one comparison and one that does O(log capacity) moves; nothing is
// shifted however large the capacity. The heap grows with the offers, never beyond capacity.
template <class T, class Better> class BoundedTop {
public:
    explicit BoundedTop(std::size_t capacity, Better better = Better())
        : capacity_(capacity), better_(better) {}

    void offer(const T& value) {
        if (capacity_ == 0)
            return;
        if (heap_.size() < capacity_) {
            heap_.push_back(value);
            std::push_heap(heap_.begin(), heap_.end(), better_);
        } else if (better_(value, heap_.front())) {
            std::pop_heap(heap_.begin(), heap_.end(), better_);
            heap_.back() = value;
            std::push_heap(heap_.begin(), heap_.end(), better_);
        }
    }

    // Offers every value other kept, leaving it empty.
    void merge(BoundedTop& other) {
        for (const T& value : other.heap_)
            offer(value);
        other.heap_.clear();
    }

    std::size_t size() const { return heap_.size(); }

    // The kept values, best first; the heap is left empty.
    std::vector<T> takeSorted() {
        std::sort_heap(heap_.begin(), heap_.end(), better_);
        std::vector<T> sorted;
        sorted.swap(heap_);
        return sorted;
    }

private:
    std::size_t capacity_;
    Better better_;
    std::vector<T> heap_;
};

} // namespace kavrol
