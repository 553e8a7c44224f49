// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

namespace kavrol {

// A setting of the physical estimate chosen by one of two command-line words: its command-line
// word, its description in the help texts, the two words by index and the one chosen by default.
struct SwitchInput {
    static constexpr int Count = 2;
    std::string_view option;
    std::string_view description;
    std::array<std::string_view, Count> words;
    int initial = 0;

    // The index of a command-line word, -1 for none.
    constexpr int indexOf(std::string_view word) const {
        for (int i = 0; i < Count; ++i)
            if (words[static_cast<std::size_t>(i)] == word)
                return i;
        return -1;
    }
    // The command-line word of an index, which must be 0 or 1.
    constexpr std::string_view word(int index) const {
        return words[static_cast<std::size_t>(index)];
    }
};

} // namespace kavrol
