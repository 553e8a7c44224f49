// SPDX-License-Identifier: GPL-3.0-or-later
#include "JsonWriter.h"

#include "NumberFormat.h"

#include <cmath>
#include <stdexcept>

namespace kavrol {

JsonWriter::JsonWriter(Spacing spacing) : spacing_(spacing) {}

void JsonWriter::separate() {
    Level& level = levels_.back();
    if (level.items > 0)
        text_ += level.layout == Layout::Lines || level.spacing == Spacing::Compact ? "," : ", ";
    if (level.layout == Layout::Lines)
        text_ += "\n" + std::string(2 * levels_.size(), ' ');
    ++level.items;
}

void JsonWriter::beginItem() {
    if (levels_.empty()) {
        if (topWritten_)
            throw std::logic_error("JSON: a second value at the top level");
        topWritten_ = true;
        return;
    }
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.back().object)
        throw std::logic_error("JSON: a value in an object without its key");
    separate();
}

JsonWriter& JsonWriter::key(std::string_view name) {
    if (levels_.empty() || !levels_.back().object || afterKey_)
        throw std::logic_error("JSON: a key outside an object or after another key");
    separate();
    text_ += quoted(name);
    text_ += levels_.back().spacing == Spacing::Compact ? ":" : ": ";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::spacing(Spacing spacing) {
    spacing_ = spacing;
    return *this;
}

JsonWriter& JsonWriter::beginObject(Layout layout) {
    beginItem();
    text_ += '{';
    levels_.push_back({true, layout, spacing_, 0});
    return *this;
}

JsonWriter& JsonWriter::beginArray(Layout layout) {
    beginItem();
    text_ += '[';
    levels_.push_back({false, layout, spacing_, 0});
    return *this;
}

JsonWriter& JsonWriter::end(bool object) {
    if (levels_.empty() || levels_.back().object != object || afterKey_)
        throw std::logic_error(object ? "JSON: no object to close" : "JSON: no array to close");
    const Layout layout = levels_.back().layout;
    levels_.pop_back();
    if (layout == Layout::Lines)
        text_ += "\n" + std::string(2 * levels_.size(), ' ');
    text_ += object ? '}' : ']';
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    return end(true);
}

JsonWriter& JsonWriter::endArray() {
    return end(false);
}

JsonWriter& JsonWriter::raw(std::string_view token) {
    beginItem();
    text_ += token;
    return *this;
}

JsonWriter& JsonWriter::value(double number) {
    return raw(std::isfinite(number) ? NumberFormat::exact(number) : "null");
}

JsonWriter& JsonWriter::value(long double number) {
    return raw(std::isfinite(number) ? NumberFormat::exact(number) : "null");
}

JsonWriter& JsonWriter::value(bool flag) {
    return raw(flag ? "true" : "false");
}

JsonWriter& JsonWriter::value(std::string_view text) {
    return raw(quoted(text));
}

JsonWriter& JsonWriter::value(const char* text) {
    return value(std::string_view(text));
}

JsonWriter& JsonWriter::null() {
    return raw("null");
}

JsonWriter& JsonWriter::value(const std::vector<double>& numbers) {
    beginArray();
    for (const double number : numbers)
        value(number);
    return endArray();
}

const std::string& JsonWriter::text() const {
    return text_;
}

bool JsonWriter::complete() const {
    return topWritten_ && levels_.empty();
}

std::string JsonWriter::quoted(std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace kavrol
