// SPDX-License-Identifier: GPL-3.0-or-later
// The strict JSON reader: values with their places, and malformed text refused with the line
// and column of the fault.
#include "JsonReader.h"
#include "FixtureError.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace kavrol::physics {
namespace {

TEST(JsonReader, ReadsEveryKindOfValueWithItsPlace) {
    const JsonValue v = JsonReader::Parse(
        "\xEF\xBB\xBF{\"a\": [1, -2.5e2, 0.125],\n \"b\": {\"c\": true, \"d\": null},\n"
        "  \"\\u00e9\\ud83d\\ude00\\n\": \"x\\ty\"}",
        "f.json");
    ASSERT_EQ(v.type, JsonValue::Type::Object);
    ASSERT_EQ(v.keys.size(), 3u);
    ASSERT_EQ(v.items.size(), 3u);
    const JsonValue* a = v.find("a");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->items.size(), 3u);
    EXPECT_EQ(a->items[1].number, -250.0);
    EXPECT_EQ(a->items[2].number, 0.125);
    EXPECT_EQ(a->items[2].column, 19);
    const JsonValue* b = v.find("b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->line, 2);
    EXPECT_EQ(b->column, 7);
    EXPECT_TRUE(b->find("c")->boolean);
    EXPECT_EQ(b->find("d")->type, JsonValue::Type::Null);
    EXPECT_EQ(v.keys[2], "\xC3\xA9\xF0\x9F\x98\x80\n");
    EXPECT_EQ(v.items[2].text, "x\ty");
    EXPECT_EQ(v.items[2].line, 3);
    EXPECT_EQ(v.find("zz"), nullptr);
}

TEST(JsonReader, RefusesMalformedTextAtItsLineAndColumn) {
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"", "f.json: line 1, column 1: the file is empty"},
        {"{\"a\": 1,}", "f.json: line 1, column 9: expected a key in double quotes"},
        {"{\"a\": 1\n \"b\": 2}", "f.json: line 2, column 2: expected ',' or '}' after a member"},
        {"[1, 2", "f.json: line 1, column 6: the text ends where ',' or ']' after an element "
                  "was expected"},
        {"{\"a\": 1, \"a\": 2}", "f.json: line 1, column 10: the key \"a\" appears twice"},
        {"{\"a\": 01}", "f.json: line 1, column 8: a number may not start with 0"},
        {"{\"a\": 1.}", "f.json: line 1, column 9: expected a digit after the decimal point"},
        {"{\"a\": 1e999}", "f.json: line 1, column 7: the number 1e999 is out of range"},
        {"{\"a\": tru}", "f.json: line 1, column 10: expected 'true'"},
        {"{\"a\": 'x'}", "f.json: line 1, column 7: unexpected character ''' where a value was "
                         "expected"},
        {"{\"a\": \"x\\q\"}", "f.json: line 1, column 10: unknown escape '\\q'"},
        {"{\"a\": \"\\ud800\"}", "f.json: line 1, column 14: a lone surrogate in a \\u escape"},
        {"{\"a\": \"x\ny\"}", "f.json: line 1, column 9: a control character inside a string "
                              "(write it as an escape)"},
        {"{\"\xC3\xA9\": 1} x", "f.json: line 1, column 10: unexpected text after the end of "
                                "the document"},
        {"{\"a\" 1}", "f.json: line 1, column 6: expected ':' after the key"},
        {"// note\n{}", "f.json: line 1, column 1: unexpected character '/' where a value was "
                        "expected"},
        {"\"abc", "f.json: line 1, column 5: the text ends inside a string"},
        // Bytes that are not printable are named by escapes, never written raw.
        {std::string("{\"a\": \0}", 9), "f.json: line 1, column 7: unexpected character "
                                        "'\\x00' where a value was expected"},
        {"{\"a\": \x1B}", "f.json: line 1, column 7: unexpected character '\\x1B' where a "
                          "value was expected"},
        {"{\"a\": \"\\\x01\"}", "f.json: line 1, column 9: unknown escape '\\\\x01'"},
        {"{\"a\": 1" + std::string(1000, '0') + "e400}",
         "f.json: line 1, column 7: the number 1" + std::string(59, '0') + "... is out of range"},
        // Text that is not UTF-8, at its line and column.
        {"{\"a\":\n \"\xC3\xA9\xC0\xAF\"}", "f.json: line 2, column 4: the text is not valid "
                                            "UTF-8 here (the byte \\xC0)"},
        {"[\"\xED\xA0\x80\"]", "f.json: line 1, column 3: the text is not valid UTF-8 here (the "
                               "byte \\xED)"},
        {"[\"\xF4\x90\x80\x80\"]", "f.json: line 1, column 3: the text is not valid UTF-8 here "
                                   "(the byte \\xF4)"},
        {"[\"\xE2\x82\"]", "f.json: line 1, column 3: the text is not valid UTF-8 here (the byte "
                           "\\xE2)"},
        {"\xFF\xFE[\0]\0", "f.json: line 1, column 1: the file is UTF-16 (by its byte order "
                           "mark), not UTF-8"},
        {"\xFE\xFF\0[\0]", "f.json: line 1, column 1: the file is UTF-16 (by its byte order "
                           "mark), not UTF-8"},
        {std::string("\xFF\xFE\0\0[\0\0\0", 8), "f.json: line 1, column 1: the file is UTF-32 "
                                                "(by its byte order mark), not UTF-8"},
    };
    for (const auto& c : cases) {
        try {
            (void)JsonReader::Parse(c.text, "f.json");
            ADD_FAILURE() << "accepted: " << c.text.substr(0, 80);
        } catch (const FixtureError& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.text.substr(0, 80);
        }
    }
}

TEST(JsonReader, RefusesNestingDeeperThanItsLimit) {
    const std::string deep(JsonReader::kMaxDepth + 1, '[');
    EXPECT_THROW((void)JsonReader::Parse(deep, "f.json"), FixtureError);
    const std::string fine =
        std::string(JsonReader::kMaxDepth, '[') + std::string(JsonReader::kMaxDepth, ']');
    EXPECT_EQ(JsonReader::Parse(fine, "f.json").type, JsonValue::Type::Array);
}

// What a file within the size cap can cost is bounded: repeated keys are found in linear time
// however many keys an object has, and the number of values is capped.
TEST(JsonReader, LargeDocumentsCostLinearTimeAndBoundedMemory) {
    std::string keys = "{";
    for (int i = 0; i < 100000; ++i) {
        keys += "\"k" + std::to_string(i) + "\": 0, ";
    }
    const std::string repeated = keys + "\"k99999\": 1}";
    keys += "\"last\": 1}";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(JsonReader::Parse(keys, "f.json").keys.size(), 100001u);
    try {
        (void)JsonReader::Parse(repeated, "f.json");
        ADD_FAILURE() << "a repeated key among 100,000 was accepted";
    } catch (const FixtureError& e) {
        EXPECT_EQ(std::string(e.what()), "f.json: line 1, column " +
                                             std::to_string(repeated.size() - 11) +
                                             ": the key \"k99999\" appears twice");
    }
    // A scan per key took half a minute here; linear time takes a small fraction of a second.
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              10.0);

    std::string zeros = "[0";
    for (int i = 1; i < JsonReader::kMaxValues - 1; ++i) {
        zeros += ",0";
    }
    EXPECT_EQ(JsonReader::Parse(zeros + "]", "f.json").items.size(),
              std::size_t(JsonReader::kMaxValues) - 1);
    try {
        (void)JsonReader::Parse(zeros + ",0]", "f.json");
        ADD_FAILURE() << "more values than the cap were accepted";
    } catch (const FixtureError& e) {
        EXPECT_EQ(std::string(e.what()), "f.json: line 1, column " +
                                             std::to_string(zeros.size() + 2) +
                                             ": more than 500000 values in the file");
    }
}

} // namespace
} // namespace kavrol::physics
