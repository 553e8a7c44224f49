#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kavrol::physics {

// A parsed JSON value with the place it began in its text, so that later checks can point at it.
struct JsonValue {
    enum class Type { Null, Boolean, Number, String, Array, Object };

    Type type = Type::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;                                       // a string's contents, UTF-8
    std::vector<JsonValue> items;                           // an array's elements
    std::vector<std::pair<std::string, JsonValue>> members; // an object's, in file order
    int line = 1;                                           // from 1
    int column = 1;                                         // from 1, in characters

    // The member named `key`, or nullptr.
    const JsonValue* find(const std::string& key) const {
        for (const auto& member : members) {
            if (member.first == key) {
                return &member.second;
            }
        }
        return nullptr;
    }
};

} // namespace kavrol::physics
