// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

namespace kavrol {

// One list of a lamp design: the words the command line takes and the window's captions (UTF-8),
// both by list index, and the index selected at start-up.
struct ChoiceInput {
    static constexpr int Count = 3;
    std::string_view option;
    std::array<std::string_view, Count> words;
    std::array<std::string_view, Count> captions;
    int initial = 0;

    // The list index of a command-line word, -1 for none.
    constexpr int indexOf(std::string_view word) const {
        for (int i = 0; i < Count; ++i)
            if (words[static_cast<std::size_t>(i)] == word)
                return i;
        return -1;
    }
    // The command-line word of a list index, which must lie in the list.
    constexpr std::string_view word(int index) const {
        return words[static_cast<std::size_t>(index)];
    }
};

} // namespace kavrol
