// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace kavrol::physics {

// A parsed JSON value with the place it began in its text, so that later checks can point at it.
struct JsonValue {
    enum class Type { Null, Boolean, Number, String, Array, Object };

    Type type = Type::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;              // a string's contents, UTF-8
    std::vector<JsonValue> items;  // an array's elements, or an object's values in file order
    std::vector<std::string> keys; // an object's keys, one for each of items
    int line = 1;                  // from 1
    int column = 1;                // from 1, in characters

    // The member named `key`, or nullptr.
    const JsonValue* find(const std::string& key) const {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == key) {
                return &items[i];
            }
        }
        return nullptr;
    }
};

} // namespace kavrol::physics
