// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "JsonValue.h"

#include <string>

namespace kavrol::physics {

// A strict JSON reader (RFC 8259: no comments, no trailing commas, no repeated keys, UTF-8 only).
// Errors are FixtureError messages "SOURCE: line L, column C: what is wrong", quoting at most a
// short excerpt of the text with its control characters escaped.
class JsonReader {
public:
    // Nesting deeper than this is refused rather than risking the stack.
    static constexpr int kMaxDepth = 64;
    // Documents of more values than this are refused, which bounds the memory a file within
    // its size cap can take (about 120 bytes a value); 32 units of 4000 inline points need
    // 384,400.
    static constexpr int kMaxValues = 500000;

    static JsonValue Parse(const std::string& text, const std::string& source);

private:
    JsonReader(const std::string& text, const std::string& source);

    JsonValue value(int depth);
    JsonValue object(int depth);
    JsonValue array(int depth);
    std::string string();
    void escape(std::string& out);
    double number();
    void literal(const char* word);
    unsigned hex4();
    void skipSpace();
    char peek() const;
    void advance();
    void expect(char c, const char* what);
    std::string characterHere() const;
    [[noreturn]] void fail(const std::string& what) const;
    [[noreturn]] void failAt(int line, int column, const std::string& what) const;

    const std::string& text_;
    const std::string& source_;
    std::size_t at_ = 0;
    int line_ = 1;
    int column_ = 1;
    int values_ = 0;
};

} // namespace kavrol::physics
