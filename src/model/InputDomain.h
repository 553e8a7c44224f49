// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ChoiceInput.h"
#include "IntegerInput.h"
#include "RealInput.h"
#include "SwitchInput.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace kavrol {

// The input domain of a lamp design, the one place that states every input's range, step,
// start-up value and unit. The window builds its fields from it; the command line's parsers and
// help texts, the search space, the build pass and the tests read it.
//
// Sections: the lists (shape, tube, scale) and the tube radii; the dimensions and distances; the
// albedo; the screen density; the physical estimate's settings.
namespace InputDomain {

// --- The lists ---

inline constexpr ChoiceInput Shape{
    "shape", {"trapezoid", "parabola", "zefo"}, {"Трапеция", "Парабола", "ZeFo"}, 1};
inline constexpr int Trapezoid = 0;
inline constexpr int Parabola = 1;
inline constexpr int ZeFo = 2;
// The twin arc's older word, still read from fixture files written with it.
inline constexpr std::string_view ZeFoAlias = "twin-arc";
// The trapezoid's flat top and the gap between the "ZeFo" arcs are C; the parabola has none.
constexpr bool UsesC(int shape) {
    return shape != Parabola;
}

// The window's captions are the Cyrillic letter Te with the diameter in eighths of an inch.
inline constexpr ChoiceInput Tube{"tube", {"T4", "T5", "T8"}, {"Т4", "Т5", "Т8"}, 1};
// The tube radii in millimetres (list index T4, T5, T8); the picture's radius is this times the
// view's pixels per millimetre.
inline constexpr std::array<std::int32_t, ChoiceInput::Count> TubeRadiusMm{6, 8, 13};

// The view scale: how many times the picture is enlarged over the screen's pixels per millimetre.
inline constexpr ChoiceInput Scale{"scale", {"1:1", "2:1", "3:1"}, {"1:1", "2:1", "3:1"}, 2};

// --- Dimensions and distances, millimetres ---

inline constexpr IntegerInput RefA{"a", "reflector width A", 20, 200, 2, 200, "mm"};
inline constexpr IntegerInput RefB{"b", "reflector height B", 10, 200, 2, 100, "mm"};
inline constexpr IntegerInput RefC{"c", "dimension C of the trapezoid and \"ZeFo\"", 10, 200, 2, 50,
                                   "mm"};
inline constexpr IntegerInput Lamp{
    "lamp-distance", "reflector top line to the tube's centre", 10, 100, 1, 50, "mm"};
inline constexpr IntegerInput LampH{
    "water-distance", "tube's centre to the water", 50, 1000, 1, 200, "mm"};
inline constexpr IntegerInput AquaW{"aquarium-width", "aquarium width", 100, 1000, 1, 500, "mm"};

// --- The reflector's material ---

inline constexpr RealInput Albedo{
    "albedo", "share of the light a reflection keeps", 0.1L, 1.0L, 0.01L, 0.8L};

// --- The screen density, dots per inch ---

// What the pixel model takes: the picture is PixelsPerMm * 200 + 20 pixels square at 4 bytes a
// pixel, 9,420 pixels (355 MB a copy) at 1200 dots per inch.
inline constexpr IntegerInput DotsPerInch{
    "dpi", "screen density the picture is sized for", 1, 1200, 1, 96, "dots per inch"};
// Both commands of the command line take at most 600 dots per inch (4,820 pixels, 93 MB a copy),
// less than the model takes from the window's screen.
inline constexpr IntegerInput CommandLineDotsPerInch{
    "dpi", DotsPerInch.description, DotsPerInch.minimum, 600,
    1,     DotsPerInch.initial,     DotsPerInch.unit};

// --- The physical estimate (command line only; the window uses the defaults) ---

// The bound the estimate reaches on the share entering the water (absolute, about 95 %). Every
// bound here is written without an exponent, as the command line takes numbers.
inline constexpr RealInput Tolerance{
    "tolerance", "error bound the physical estimate reaches", 0.0001L, 0.1L, 0.0001L, 0.0005L};
// Irradiance bins across the aquarium's width; the uniformity is taken over them.
inline constexpr IntegerInput Bins{"bins", "irradiance bins across the aquarium", 1, 1000, 1, 50,
                                   "bins"};
// Words by index as the physical model's WaterReflection: 0 traced, 1 lost.
inline constexpr SwitchInput WaterReflection{
    "water-reflection", "light the water surface reflects", {"traced", "lost"}, 0};
inline constexpr RealInput TubeTransmission{
    "tube-transmission", "share of light meeting a tube that passes it", 0.0L, 1.0L, 0.01L, 0.0L};
// What the search ranks designs by: 0 the 72-ray efficiency, 1 the physical share.
inline constexpr SwitchInput Objective{
    "objective", "what the designs are ranked by", {"pixel", "physical"}, 0};
// The least uniformity (min/mean of the irradiance bins) a design must reach to be ranked by the
// physical share; 0 keeps every design.
inline constexpr RealInput MinUniformity{
    "min-uniformity", "least min/mean of the light across the water", 0.0L, 1.0L, 0.01L, 0.0L};

// Grid points per value the fixture search tries (spacing, lamp distance).
inline constexpr IntegerInput FixtureSteps{"steps", "grid points per searched value", 3, 100, 1, 16,
                                           "points"};

} // namespace InputDomain

} // namespace kavrol
