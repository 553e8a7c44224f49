// SPDX-License-Identifier: GPL-3.0-or-later
// The exit rules every command shares, and the one line each failure leaves on standard error.
#include "CommandRunner.h"
#include "CommandLine.h"
#include "PictureFile.h"

#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <new>
#include <sstream>
#include <stdexcept>

namespace {

using namespace kavrol;

TEST(CommandRunner, EachFailureHasItsStatusAndOneLine) {
    struct Case {
        const char* name;
        std::function<int()> body;
        bool outOfMemoryText;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {"done", [] { return 0; }, false, 0, ""},
        {"stopped by a signal", [] { return 130; }, false, 130, ""},
        {"refused command line", []() -> int { throw UsageError("--a: expected a number"); }, false,
         2, "kavrol-cli test: --a: expected a number\n"},
        {"file with its detail",
         []() -> int { throw SaveError(QStringLiteral("short"), QStringLiteral("the detail")); },
         false, 1, "kavrol-cli test: the detail\n"},
        {"out of memory, told", []() -> int { throw std::bad_alloc(); }, true, 1,
         "kavrol-cli test: no memory left\n"},
        {"out of memory, untold", []() -> int { throw std::bad_alloc(); }, false, 1,
         "kavrol-cli test: std::bad_alloc\n"},
        {"any other failure", []() -> int { throw std::runtime_error("it broke"); }, false, 1,
         "kavrol-cli test: it broke\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ostringstream err;
        std::streambuf* const saved = std::cerr.rdbuf(err.rdbuf());
        const int status = c.outOfMemoryText ? CommandRunner::Run("kavrol-cli test", c.body,
                                                                  [] { return "no memory left"; })
                                             : CommandRunner::Run("kavrol-cli test", c.body);
        std::cerr.rdbuf(saved);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(err.str(), c.err);
    }
}

} // namespace
