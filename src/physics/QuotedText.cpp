// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuotedText.h"

namespace kavrol::physics {

namespace {

void AppendByteEscape(std::string& out, unsigned char byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

// Appends the character starting at text[at] escaped when needed; returns its length in bytes.
std::size_t AppendCharacter(std::string& out, std::string_view text, std::size_t at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const std::size_t length = QuotedText::Utf8Length(text, at);
    if (length == 0) {
        AppendByteEscape(out, byte);
        return 1;
    }
    if (length == 1) {
        if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendByteEscape(out, byte);
        } else {
            out += static_cast<char>(byte);
        }
        return 1;
    }
    // U+0080 to U+009F (C1 controls, CSI among them) are C2 80 to C2 9F in UTF-8.
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (byte == 0xC2 && second < 0xA0) {
        AppendByteEscape(out, byte);
        AppendByteEscape(out, second);
        return 2;
    }
    out.append(text.substr(at, length));
    return length;
}

} // namespace

std::size_t QuotedText::Utf8Length(std::string_view text, std::size_t at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned code = 0;
    if ((byte & 0xE0) == 0xC0) {
        length = 2;
        code = byte & 0x1Fu;
    } else if ((byte & 0xF0) == 0xE0) {
        length = 3;
        code = byte & 0x0Fu;
    } else if ((byte & 0xF8) == 0xF0) {
        length = 4;
        code = byte & 0x07u;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (next & 0x3Fu);
    }
    static constexpr unsigned kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
        return 0;
    }
    return length;
}

std::string QuotedText::Escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        at += AppendCharacter(out, text, at);
    }
    return out;
}

std::string QuotedText::Excerpt(std::string_view text) {
    std::string out;
    std::size_t at = 0;
    for (std::size_t characters = 0; at < text.size() && characters < kExcerptLength;
         ++characters) {
        at += AppendCharacter(out, text, at);
    }
    if (at < text.size()) {
        out += "...";
    }
    return out;
}

std::string QuotedText::Name(std::string_view text) {
    return text.size() <= kLongestName ? Escaped(text) : Excerpt(text);
}

} // namespace kavrol::physics
