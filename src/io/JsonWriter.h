// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kavrol {

// A JSON text written value by value: objects with their keys in the order given, arrays, and
// numbers through NumberFormat (reals with 17 significant digits, so they read back as the very
// doubles; infinities and NaN as null). Nothing finished is ever spliced: a report adds members
// while its object is still open. Misuse (a key inside an array, a value in an object without
// its key, closing what is not open) is a programming fault and throws std::logic_error.
class JsonWriter {
public:
    // Compact writes "," and ":" between items, Spaced ", " and ": ".
    enum class Spacing { Compact, Spaced };
    // Inline keeps a container on its line; Lines puts each item on a line of its own, indented
    // two blanks a level, and the closing bracket on a line of its own.
    enum class Layout { Inline, Lines };

    explicit JsonWriter(Spacing spacing = Spacing::Compact);

    // The spacing of the containers opened from here on; those open keep theirs.
    JsonWriter& spacing(Spacing spacing);

    JsonWriter& beginObject(Layout layout = Layout::Inline);
    JsonWriter& endObject();
    JsonWriter& beginArray(Layout layout = Layout::Inline);
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);

    JsonWriter& value(double number);
    JsonWriter& value(long double number);
    JsonWriter& value(bool flag);
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text);
    JsonWriter& null();
    template <std::integral Integer>
    requires(!std::same_as<Integer, bool>) JsonWriter& value(Integer number) {
        return raw(std::to_string(number));
    }
    // An array of reals on one line.
    JsonWriter& value(const std::vector<double>& numbers);

    template <typename Value> JsonWriter& member(std::string_view name, const Value& item) {
        key(name);
        return value(item);
    }

    // The text so far; whole once every container is closed.
    const std::string& text() const;
    bool complete() const;

    // A JSON string literal of UTF-8 text: quotes and backslashes escaped, control characters
    // as \u00XX, every other byte as it is.
    static std::string quoted(std::string_view text);

private:
    struct Level {
        bool object = false;
        Layout layout = Layout::Inline;
        Spacing spacing = Spacing::Compact;
        std::size_t items = 0;
    };

    JsonWriter& raw(std::string_view token);
    // The separator and line break before a new item of the innermost container.
    void separate();
    // Where a value may stand: at the top once, after a key, or as an array's item.
    void beginItem();
    JsonWriter& end(bool object);

    std::string text_;
    std::vector<Level> levels_;
    Spacing spacing_;
    bool afterKey_ = false;
    bool topWritten_ = false;
};

} // namespace kavrol
