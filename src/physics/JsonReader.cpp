// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: positions and failures; values; objects and arrays; strings; numbers and literals.
#include "JsonReader.h"

#include "FixtureError.h"
#include "QuotedText.h"

#include <charconv>
#include <string_view>
#include <unordered_set>

namespace kavrol::physics {

JsonReader::JsonReader(const std::string& text, const std::string& source)
    : text_(text), source_(source) {}

JsonValue JsonReader::Parse(const std::string& text, const std::string& source) {
    JsonReader reader(text, source);
    const std::string_view start = std::string_view(text).substr(0, 4);
    // UTF-32's marks begin with UTF-16's, so they are tested first.
    if (start == std::string_view("\xFF\xFE\0\0", 4) ||
        start == std::string_view("\0\0\xFE\xFF", 4)) {
        reader.fail("the file is UTF-32 (by its byte order mark), not UTF-8");
    }
    if (start.substr(0, 2) == "\xFF\xFE" || start.substr(0, 2) == "\xFE\xFF") {
        reader.fail("the file is UTF-16 (by its byte order mark), not UTF-8");
    }
    // A byte order mark is not JSON, but editors write one; it is skipped.
    if (start.substr(0, 3) == "\xEF\xBB\xBF") {
        reader.at_ = 3;
    }
    reader.skipSpace();
    if (reader.at_ == text.size()) {
        reader.fail("the file is empty");
    }
    JsonValue root = reader.value(0);
    reader.skipSpace();
    if (reader.at_ != text.size()) {
        reader.fail("unexpected text after the end of the document");
    }
    return root;
}

// --- Positions and failures ---

char JsonReader::peek() const {
    return at_ < text_.size() ? text_[at_] : '\0';
}

// Columns count characters: UTF-8 continuation bytes do not start one.
void JsonReader::advance() {
    if (at_ >= text_.size()) {
        return;
    }
    const auto byte = static_cast<unsigned char>(text_[at_]);
    ++at_;
    if (byte == '\n') {
        ++line_;
        column_ = 1;
    } else if ((byte & 0xC0) != 0x80) {
        ++column_;
    }
}

void JsonReader::skipSpace() {
    while (at_ < text_.size()) {
        const char c = text_[at_];
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            return;
        }
        advance();
    }
}

// The character at the reading position for a message, escaped when it is not printable.
std::string JsonReader::characterHere() const {
    if (at_ >= text_.size()) {
        return "";
    }
    const std::size_t length = QuotedText::Utf8Length(text_, at_);
    return QuotedText::Escaped(std::string_view(text_).substr(at_, length == 0 ? 1 : length));
}

void JsonReader::fail(const std::string& what) const {
    failAt(line_, column_, what);
}

void JsonReader::failAt(int line, int column, const std::string& what) const {
    throw FixtureError(source_ + ": line " + std::to_string(line) + ", column " +
                       std::to_string(column) + ": " + what);
}

void JsonReader::expect(char c, const char* what) {
    skipSpace();
    if (peek() != c) {
        fail(at_ == text_.size() ? std::string("the text ends where ") + what + " was expected"
                                 : std::string("expected ") + what);
    }
    advance();
}

// --- Values ---

JsonValue JsonReader::value(int depth) {
    skipSpace();
    JsonValue result;
    result.line = line_;
    result.column = column_;
    const char c = peek();
    if (at_ == text_.size()) {
        fail("the text ends where a value was expected");
    }
    if (++values_ > kMaxValues) {
        fail("more than " + std::to_string(kMaxValues) + " values in the file");
    }
    if (c == '{' || c == '[') {
        if (depth >= kMaxDepth) {
            fail("nested more than " + std::to_string(kMaxDepth) + " deep");
        }
        JsonValue nested = c == '{' ? object(depth + 1) : array(depth + 1);
        nested.line = result.line;
        nested.column = result.column;
        return nested;
    }
    if (c == '"') {
        result.type = JsonValue::Type::String;
        result.text = string();
    } else if (c == '-' || (c >= '0' && c <= '9')) {
        result.type = JsonValue::Type::Number;
        result.number = number();
    } else if (c == 't' || c == 'f') {
        result.type = JsonValue::Type::Boolean;
        result.boolean = c == 't';
        literal(c == 't' ? "true" : "false");
    } else if (c == 'n') {
        literal("null");
    } else {
        fail("unexpected character '" + characterHere() + "' where a value was expected");
    }
    return result;
}

// --- Objects and arrays ---

JsonValue JsonReader::object(int depth) {
    JsonValue result;
    result.type = JsonValue::Type::Object;
    advance(); // {
    skipSpace();
    if (peek() == '}') {
        advance();
        return result;
    }
    // Keys seen so far, hashed once the object outgrows a scan, so that repeated keys are
    // found in linear time however many there are.
    constexpr std::size_t kScanned = 16;
    std::unordered_set<std::string> seen;
    for (;;) {
        skipSpace();
        const int keyLine = line_;
        const int keyColumn = column_;
        if (peek() != '"') {
            fail(at_ == text_.size() ? "the text ends inside an object"
                                     : "expected a key in double quotes");
        }
        std::string key = string();
        if (result.keys.size() == kScanned) {
            seen.insert(result.keys.begin(), result.keys.end());
        }
        const bool repeated =
            result.keys.size() < kScanned ? result.find(key) != nullptr : !seen.insert(key).second;
        if (repeated) {
            failAt(keyLine, keyColumn,
                   "the key \"" + QuotedText::Excerpt(key) + "\" appears twice");
        }
        expect(':', "':' after the key");
        JsonValue member = value(depth);
        result.keys.push_back(std::move(key));
        result.items.push_back(std::move(member));
        skipSpace();
        if (peek() == ',') {
            advance();
            continue;
        }
        expect('}', "',' or '}' after a member");
        return result;
    }
}

JsonValue JsonReader::array(int depth) {
    JsonValue result;
    result.type = JsonValue::Type::Array;
    advance(); // [
    skipSpace();
    if (peek() == ']') {
        advance();
        return result;
    }
    for (;;) {
        result.items.push_back(value(depth));
        skipSpace();
        if (peek() == ',') {
            advance();
            continue;
        }
        expect(']', "',' or ']' after an element");
        return result;
    }
}

// --- Strings ---

unsigned JsonReader::hex4() {
    unsigned code = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = peek();
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            fail("expected four hexadecimal digits after \\u");
        }
        code = code * 16 + digit;
        advance();
    }
    return code;
}

namespace {

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

std::string JsonReader::string() {
    advance(); // "
    std::string out;
    for (;;) {
        if (at_ == text_.size()) {
            fail("the text ends inside a string");
        }
        const char c = peek();
        if (c == '"') {
            advance();
            return out;
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            fail("a control character inside a string (write it as an escape)");
        }
        if (static_cast<unsigned char>(c) >= 0x80) {
            const std::size_t length = QuotedText::Utf8Length(text_, at_);
            if (length == 0) {
                fail("the text is not valid UTF-8 here (the byte " +
                     QuotedText::Escaped(text_.substr(at_, 1)) + ")");
            }
            out.append(text_, at_, length);
            for (std::size_t i = 0; i < length; ++i) {
                advance();
            }
            continue;
        }
        if (c != '\\') {
            out += c;
            advance();
            continue;
        }
        advance();
        escape(out);
    }
}

// After a backslash: a one-letter escape, or \uXXXX (a surrogate pair as two).
void JsonReader::escape(std::string& out) {
    const char e = peek();
    static constexpr std::string_view kFrom = "\"\\/bfnrt";
    static constexpr std::string_view kTo = "\"\\/\b\f\n\r\t";
    const std::size_t simple = kFrom.find(e);
    if (e != '\0' && simple != std::string_view::npos) {
        out += kTo[simple];
        advance();
        return;
    }
    if (e != 'u') {
        fail("unknown escape '\\" + characterHere() + "'");
    }
    advance();
    unsigned code = hex4();
    if (code >= 0xD800 && code < 0xDC00) {
        if (peek() != '\\') {
            fail("a lone surrogate in a \\u escape");
        }
        advance();
        if (peek() != 'u') {
            fail("a lone surrogate in a \\u escape");
        }
        advance();
        const unsigned low = hex4();
        if (low < 0xDC00 || low >= 0xE000) {
            fail("a lone surrogate in a \\u escape");
        }
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    } else if (code >= 0xDC00 && code < 0xE000) {
        fail("a lone surrogate in a \\u escape");
    }
    AppendUtf8(out, code);
}

// --- Numbers and literals ---

// The JSON grammar is checked here; from_chars then converts the accepted characters.
double JsonReader::number() {
    const int line = line_;
    const int column = column_;
    const std::size_t start = at_;
    const auto digits = [&] {
        const std::size_t before = at_;
        while (peek() >= '0' && peek() <= '9') {
            advance();
        }
        return at_ > before;
    };
    if (peek() == '-') {
        advance();
    }
    if (peek() == '0') {
        advance();
        if (peek() >= '0' && peek() <= '9') {
            fail("a number may not start with 0");
        }
    } else if (!digits()) {
        fail("expected a digit");
    }
    if (peek() == '.') {
        advance();
        if (!digits()) {
            fail("expected a digit after the decimal point");
        }
    }
    if (peek() == 'e' || peek() == 'E') {
        advance();
        if (peek() == '+' || peek() == '-') {
            advance();
        }
        if (!digits()) {
            fail("expected a digit in the exponent");
        }
    }
    // from_chars ignores the locale, unlike strtod.
    double parsed = 0.0;
    const auto [end, error] = std::from_chars(text_.data() + start, text_.data() + at_, parsed);
    if (error != std::errc() || end != text_.data() + at_) {
        failAt(line, column,
               "the number " +
                   QuotedText::Excerpt(std::string_view(text_).substr(start, at_ - start)) +
                   " is out of range");
    }
    return parsed;
}

void JsonReader::literal(const char* word) {
    for (const char* c = word; *c != '\0'; ++c) {
        if (peek() != *c) {
            fail(std::string("expected '") + word + "'");
        }
        advance();
    }
}

} // namespace kavrol::physics
