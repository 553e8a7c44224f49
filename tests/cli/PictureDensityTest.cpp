// SPDX-License-Identifier: GPL-3.0-or-later
// The density a saved picture records in its BMP header: pixels per metre from the dots per inch
// the picture was drawn for, the same from the command line as from the window.
#include "BmpDensity.h"
#include "CliRun.h"
#include "PictureFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using kavrol::PictureFile::pixelsPerMetre;
using kavrol::test::ReadBmpDensity;

struct Density {
    int dotsPerInch;
    int pixelsPerMetre;
};

// An inch is 0.0254 m: dpi / 0.0254, rounded to the nearest.
const Density Densities[] = {{1, 39},     {72, 2835},   {96, 3780},   {120, 4724},
                             {144, 5669}, {300, 11811}, {600, 23622}, {1200, 47244}};

TEST(PictureDensity, PixelsPerMetreAreDotsPerInchOverAnInchInMetres) {
    for (const Density& d : Densities)
        EXPECT_EQ(pixelsPerMetre(d.dotsPerInch), d.pixelsPerMetre) << d.dotsPerInch << " dpi";
}

TEST(PictureDensity, TheCommandLineWritesTheDensityOfItsDpi) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kavrol-density-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (const int dotsPerInch : {96, 72, 144}) {
        SCOPED_TRACE(dotsPerInch);
        const std::filesystem::path picture = dir / "lamp.bmp";
        const auto run = kavrol::test::Cli(
            {"--dpi", std::to_string(dotsPerInch), "--save", picture.string()}, dir);
        ASSERT_EQ(run.status, 0) << run.err;
        const auto density = ReadBmpDensity(picture.string());
        EXPECT_EQ(density.x, pixelsPerMetre(dotsPerInch));
        EXPECT_EQ(density.y, pixelsPerMetre(dotsPerInch));
    }
    // Without --dpi the picture is drawn for 96 dots per inch, and says so.
    const auto run = kavrol::test::Cli({"--save", (dir / "default.bmp").string()}, dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadBmpDensity((dir / "default.bmp").string()).x, 3780);
    std::filesystem::remove_all(dir);
}

} // namespace
