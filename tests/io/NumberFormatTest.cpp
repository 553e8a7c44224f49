// SPDX-License-Identifier: GPL-3.0-or-later
// The number writer against the C library's printf in the "C" locale, digit for digit, and the
// same text under a comma-decimal locale.
#include "NumberFormat.h"
#include "CommaLocale.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace kavrol;

const std::vector<double> Values = {0.0,
                                    -0.0,
                                    0.5,
                                    1.0,
                                    2.5,
                                    0.1,
                                    1.0 / 3.0,
                                    0.650530122305973,
                                    0.0005,
                                    1e-05,
                                    123456789.125,
                                    -42.4375,
                                    9.9999995,
                                    0.00099999,
                                    1e21,
                                    6.02214076e23,
                                    std::numeric_limits<double>::min(),
                                    std::numeric_limits<double>::max(),
                                    std::numeric_limits<double>::denorm_min()};

std::string Printf(const char* format, int precision, double value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, precision, value);
    return buffer;
}

// Every writer beside the printf conversion it replaces, over every value.
void ExpectAsPrintf() {
    for (const double v : Values) {
        SCOPED_TRACE(Printf("%.*g", 17, v));
        for (const int decimals : {0, 1, 2, 3, 4, 6, 9})
            EXPECT_EQ(NumberFormat::fixed(v, decimals), Printf("%.*f", decimals, v));
        EXPECT_EQ(NumberFormat::exact(v), Printf("%.*g", 17, v));
        EXPECT_EQ(NumberFormat::general(v), Printf("%.*g", 6, v));
        char longBuffer[64];
        std::snprintf(longBuffer, sizeof longBuffer, "%.17Lg", static_cast<long double>(v) / 3);
        EXPECT_EQ(NumberFormat::exact(static_cast<long double>(v) / 3), longBuffer);
        const std::string text = NumberFormat::shortest(v);
        double back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(back, v) << text;
    }
}

TEST(NumberFormat, WritesThePrintfDigitsOfTheCLocale) {
    ExpectAsPrintf();
}

TEST(NumberFormat, WritesAPointUnderACommaLocale) {
    std::vector<std::string> before;
    for (const double v : Values)
        before.push_back(NumberFormat::fixed(v, 6) + NumberFormat::exact(v) +
                         NumberFormat::general(v) + NumberFormat::shortest(v) +
                         NumberFormat::trimmed(v));
    test::CommaLocale comma;
    if (!comma.active())
        GTEST_SKIP() << "no comma-decimal locale could be made here";
    for (std::size_t i = 0; i < Values.size(); ++i) {
        const double v = Values[i];
        EXPECT_EQ(NumberFormat::fixed(v, 6) + NumberFormat::exact(v) + NumberFormat::general(v) +
                      NumberFormat::shortest(v) + NumberFormat::trimmed(v),
                  before[i]);
    }
    EXPECT_EQ(NumberFormat::fixed(0.5, 1), "0.5");
}

TEST(NumberFormat, ShortestAndTrimmedTexts) {
    struct Case {
        long double value;
        const char* shortest;
        const char* trimmed;
    };
    const Case cases[] = {{30.0L, "30", "30"},
                          {37.5L, "37.5", "37.5"},
                          {0.0005L, "5e-04", "0.0005"},
                          {1e-05L, "1e-05", "0.00001"},
                          {0.4L, "0.4", "0.4"},
                          {2.0L, "2", "2"},
                          {0.0L, "0", "0"},
                          {100000.0L, "1e+05", "100000"},
                          {0.85L, "0.85", "0.85"},
                          {1e-10L, "1e-10", "0"}};
    for (const Case& c : cases) {
        EXPECT_EQ(NumberFormat::shortest(static_cast<double>(c.value)), c.shortest);
        EXPECT_EQ(NumberFormat::trimmed(c.value), c.trimmed);
    }
    EXPECT_EQ(NumberFormat::trimmed(2.25L, 1), "2.2"); // "%.1f" rounds half to even
    EXPECT_EQ(NumberFormat::trimmed(7.0L, 0), "7");
}

TEST(NumberFormat, NonFiniteAndPadding) {
    EXPECT_EQ(NumberFormat::fixed(std::numeric_limits<double>::infinity(), 3),
              Printf("%.*f", 3, std::numeric_limits<double>::infinity()));
    EXPECT_EQ(NumberFormat::exact(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(NumberFormat::padLeft("1.5", 6), "   1.5");
    EXPECT_EQ(NumberFormat::padRight("zefo", 9), "zefo     ");
    EXPECT_EQ(NumberFormat::padLeft("123456", 3), "123456");
    EXPECT_EQ(NumberFormat::padRight("", 2), "  ");
}

} // namespace
