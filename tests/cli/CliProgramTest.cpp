// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRun.h"
#include "OpticalModel.h"

#include <QImage>
#include <cstdio>
#include <gtest/gtest.h>

using kavrol::test::Cli;
using kavrol::test::CliRun;

namespace {

std::size_t Count(const std::string& text, const std::string& word) {
    std::size_t n = 0;
    for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(CliProgram, PrintsTheDefaultDesignsEfficiencyWithSixDecimals) {
    kavrol::OpticalModel model(96);
    model.PaintRef(kavrol::BuildInputs{});
    char expected[64];
    std::snprintf(expected, sizeof expected, "Efficiency: %.6f\n", model.efficiency());
    const CliRun run = Cli({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(0, run.out.find('\n') + 1), expected);
    EXPECT_TRUE(run.err.empty());
}

TEST(CliProgram, JsonCarriesRaysQuantitiesAndTheWholeProfile) {
    const CliRun run = Cli({"--json", "--shape", "trapezoid", "--a", "100", "--c", "30"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.front(), '{');
    EXPECT_NE(run.out.find("\"RefAPx\":100,"), std::string::npos);
    EXPECT_NE(run.out.find("\"RefLeft\":360,"), std::string::npos);
    EXPECT_EQ(Count(run.out, "\"PX\":"), 101u);
    const auto rays = run.out.substr(run.out.find("\"rays\":["));
    EXPECT_EQ(Count(rays.substr(0, rays.find(']')), ","), 71u);
    // Reals carry 17 significant digits: the flat top's depth is exactly 10.
    EXPECT_NE(run.out.find("\"Y\":10,"), std::string::npos);
    EXPECT_NE(run.out.find("\"Angle\":1.5707963267948966"), std::string::npos);
}

TEST(CliProgram, SavedPictureReadsBackPixelForPixel) {
    const auto path = std::filesystem::temp_directory_path() / "kavrol cli test.bmp";
    std::filesystem::remove(path);
    const CliRun run = Cli({"--shape", "zefo", "--tube", "T8", "--save", path.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string bytes = kavrol::test::Slurp(path);
    ASSERT_GT(bytes.size(), 54u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24); // bits per pixel
    EXPECT_EQ(bytes[30], 0);                              // no compression

    kavrol::OpticalModel model(96);
    kavrol::BuildInputs in;
    in.shape = 2;
    in.tube = 2;
    model.PaintRef(in);
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(path.string())));
    ASSERT_EQ(image.width(), 820);
    ASSERT_EQ(image.height(), 820);
    for (int y = 0; y < 820; ++y)
        for (int x = 0; x < 820; ++x)
            ASSERT_EQ(image.pixel(x, y) & 0xFFFFFFu, model.workImage().pixel(x, y))
                << x << "," << y;
    std::filesystem::remove(path);
}

TEST(CliProgram, RefusedOptionsExitWithStatusTwo) {
    const std::vector<std::vector<std::string>> refused = {
        {"--a", "201"}, {"--albedo", "abc"}, {"--frobnicate"}, {"--tube", "T6"}, {"--dpi"}};
    for (const auto& args : refused) {
        SCOPED_TRACE(args.front());
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_EQ(run.err.rfind("kavrol-cli: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(args.front()), std::string::npos) << run.err;
    }
}

// Failed saves are checked, one per reason, with the save failures.
TEST(CliProgram, BuildFailureExitsWithStatusOne) {
    const CliRun build = Cli({"--a", "20", "--b", "102"});
    EXPECT_EQ(build.status, 1);
    EXPECT_EQ(build.err, "kavrol-cli: Floating point division by zero\n");
    EXPECT_TRUE(build.out.empty());
}

// --version answers wherever it stands, before any other option is read, in every command.
TEST(CliProgram, VersionAnswersBeforeAnyOtherOption) {
    const std::vector<std::vector<std::string>> lines = {{"--version"},
                                                         {"--shape", "zefo", "--version"},
                                                         {"--no-such-option", "--version"},
                                                         {"optimise", "--version"},
                                                         {"fixture", "--version"}};
    for (const auto& args : lines) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 0) << args.front();
        EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
                  "kavrol-cli (Kavrol) " KAVROL_PROJECT_VERSION);
        EXPECT_NE(run.out.find("License GPL-3.0-or-later"), std::string::npos);
        EXPECT_TRUE(run.err.empty()) << run.err;
    }
}

TEST(CliProgram, HelpDocumentsEveryOption) {
    const CliRun run = Cli({"--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* option :
         {"--shape", "--a", "--b", "--c", "--tube", "--lamp-distance", "--water-distance",
          "--aquarium-width", "--albedo", "--scale", "--dpi", "--no-grid", "--no-lamp", "--no-rays",
          "--save", "--json", "--version"})
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
}
