// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kavrol::physics {

// Text from a file shown to a person: in messages and reports it must neither flood the
// terminal nor drive it. Control characters (C0, DEL and C1), and bytes that are not UTF-8,
// become escapes: "\n", "\t", "\r", "\x1B"; the rest of UTF-8 is kept.
struct QuotedText {
    // Messages quote at most this many characters of the offending text.
    static constexpr std::size_t kExcerptLength = 60;

    // `text` with every control character and every byte that is not UTF-8 escaped.
    static std::string Escaped(std::string_view text);

    // The first kExcerptLength characters of `text`, escaped, followed by "..." when cut.
    static std::string Excerpt(std::string_view text);

    // A file's name for a message: escaped whole up to kLongestName bytes (the longest path
    // the system opens), as an excerpt beyond that.
    static constexpr std::size_t kLongestName = 4096;
    static std::string Name(std::string_view text);

    // The length of the UTF-8 sequence starting at text[at] when it is one (1 to 4, no overlong
    // forms, no surrogates, at most U+10FFFF), 0 when it is not.
    static std::size_t Utf8Length(std::string_view text, std::size_t at);
};

} // namespace kavrol::physics
