// SPDX-License-Identifier: GPL-3.0-or-later
// The JSON writer: layouts and spacing as the reports use them, escapes, numbers, and misuse
// refused rather than written.
#include "JsonWriter.h"
#include "CommaLocale.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>
#include <string>

namespace {

using kavrol::JsonWriter;
using Layout = JsonWriter::Layout;
using Spacing = JsonWriter::Spacing;

TEST(JsonWriter, WritesEachLayoutAndSpacing) {
    struct Case {
        const char* name;
        Spacing spacing;
        std::function<void(JsonWriter&)> write;
        const char* expected;
    };
    const std::vector<double> list = {0.5, 0.25};
    const Case cases[] = {
        {"compact nested", Spacing::Compact,
         [&](JsonWriter& j) {
             j.beginObject().member("a", 1).key("b").beginArray().value(true).value("x").null();
             j.beginObject().endObject().endArray().member("c", list).endObject();
         },
         R"({"a":1,"b":[true,"x",null,{}],"c":[0.5,0.25]})"},
        {"spaced", Spacing::Spaced,
         [&](JsonWriter& j) { j.beginObject().member("a", 0.1).member("b", false).endObject(); },
         R"({"a": 0.10000000000000001, "b": false})"},
        {"lines within inline", Spacing::Spaced,
         [&](JsonWriter& j) {
             j.beginObject(Layout::Lines).member("n", std::int64_t{-3});
             j.key("o").beginObject().member("p", 2).member("q", 3).endObject();
             j.key("l").beginArray(Layout::Lines);
             j.beginObject().member("u", 1).endObject().beginObject().member("u", 2).endObject();
             j.endArray().endObject();
         },
         "{\n  \"n\": -3,\n  \"o\": {\"p\": 2, \"q\": 3},\n  \"l\": [\n    {\"u\": 1},\n    "
         "{\"u\": 2}\n  ]\n}"},
        {"compact inside spaced", Spacing::Spaced,
         [&](JsonWriter& j) {
             j.beginObject().member("a", 1).key("t").spacing(Spacing::Compact);
             j.beginObject().member("b", 2).member("c", 3).endObject();
             j.spacing(Spacing::Spaced).member("d", 4).endObject();
         },
         R"({"a": 1, "t": {"b":2,"c":3}, "d": 4})"},
        {"empty lines", Spacing::Spaced,
         [&](JsonWriter& j) {
             j.beginObject(Layout::Lines).key("t").beginArray(Layout::Lines);
             j.endArray().endObject();
         },
         "{\n  \"t\": [\n  ]\n}"},
        {"non-finite as null", Spacing::Compact,
         [&](JsonWriter& j) {
             j.beginArray().value(std::numeric_limits<double>::quiet_NaN());
             j.value(std::numeric_limits<long double>::infinity()).value(1e300).endArray();
         },
         "[null,null,1.0000000000000001e+300]"},
        {"long double", Spacing::Compact,
         [&](JsonWriter& j) { j.beginArray().value(1.0L / 3.0L).value(2.0L).endArray(); },
         "[0.33333333333333333,2]"},
        {"top-level string", Spacing::Compact, [&](JsonWriter& j) { j.value("a\"b\\c\n\x1f\x7f"); },
         "\"a\\\"b\\\\c\\u000a\\u001f\x7f\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JsonWriter json(c.spacing);
        c.write(json);
        EXPECT_EQ(json.text(), c.expected);
        EXPECT_TRUE(json.complete());
    }
}

TEST(JsonWriter, RefusesMisuse) {
    const std::function<void(JsonWriter&)> misuses[] = {
        [](JsonWriter& j) { j.beginObject().value(1); },
        [](JsonWriter& j) { j.beginArray().key("a"); },
        [](JsonWriter& j) { j.key("a"); },
        [](JsonWriter& j) { j.beginObject().key("a").key("b"); },
        [](JsonWriter& j) { j.beginObject().endArray(); },
        [](JsonWriter& j) { j.beginArray().endObject(); },
        [](JsonWriter& j) { j.beginObject().key("a").endObject(); },
        [](JsonWriter& j) { j.endArray(); },
        [](JsonWriter& j) { j.value(1).value(2); },
    };
    for (std::size_t i = 0; i < std::size(misuses); ++i) {
        SCOPED_TRACE(i);
        JsonWriter json;
        EXPECT_THROW(misuses[i](json), std::logic_error);
    }
    JsonWriter open;
    open.beginObject();
    EXPECT_FALSE(open.complete());
}

TEST(JsonWriter, KeepsItsPointUnderACommaLocale) {
    kavrol::test::CommaLocale comma;
    if (!comma.active())
        GTEST_SKIP() << "no comma-decimal locale could be made here";
    JsonWriter json;
    json.beginArray().value(0.5).value(1234.5L).value(1e-7).endArray();
    EXPECT_EQ(json.text(), "[0.5,1234.5,9.9999999999999995e-08]");
}

} // namespace
