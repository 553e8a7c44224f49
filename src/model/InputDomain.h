// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ChoiceInput.h"
#include "IntegerInput.h"
#include "RealInput.h"
#include "SurfacePreset.h"
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
// albedo; the screen density; the physical estimate's settings; the reflector's surface; the
// whole tank and the tube catalogue.
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
// Irradiance bins across the tank's width; the uniformity is taken over them.
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

// --- The whole tank (command line --tank and fixture files; millimetres unless said) ---

inline constexpr IntegerInput TankLength{
    "tank-length", "inner length of the tank along the tube", 100, 5000, 1, 1200, "mm"};
inline constexpr IntegerInput WaterDepth{
    "water-depth", "depth of the water from its surface to the floor", 20, 2000, 1, 450, "mm"};
// 0 in `initial` means "taken from elsewhere": the lit length from the tube model, the
// reflector's length from the lit length, the tube's centre from the tank's middle.
inline constexpr IntegerInput LitLength{"lit-length", "the tube's lit length", 50, 3000, 1, 0,
                                        "mm"};
inline constexpr IntegerInput ReflectorLength{
    "reflector-length", "the reflector's length along the tube", 50, 5000, 1, 0, "mm"};
inline constexpr IntegerInput TubeCentre{
    "tube-centre", "the tube's and reflector's middle along the tank", 0, 5000, 1, 0, "mm"};
inline constexpr RealInput Lumens{"lumens", "the tube's luminous flux, lm", 1.0L, 100000.0L, 1.0L,
                                  0.0L};
inline constexpr RealInput PhotonFlux{
    "photon-flux", "the tube's photon output, umol/s (400-700 nm)", 0.01L, 2000.0L, 0.01L, 0.0L};
// Micromoles per second per lumen for a cool-daylight triphosphor tube: a quantum meter maker's
// tables give about 74 lux per umol m^-2 s^-1 for cool-white fluorescent light.
inline constexpr RealInput PhotonFactor{"photon-factor", "umol/s per lumen", 0.005L, 0.05L, 0.0001L,
                                        0.0135L};
inline constexpr RealInput OutputFactor{
    "output-factor", "ballast and ageing factor on the tube's output", 0.1L, 1.5L, 0.01L, 1.0L};
inline constexpr SwitchInput ReflectorEnds{
    "reflector-ends", "the reflector's ends", {"open", "closed"}, 0};
inline constexpr RealInput WaterAttenuation{
    "water-attenuation", "the water's attenuation, per metre", 0.0L, 100.0L, 0.01L, 0.0L};
// The floor's cells: across (--floor-cells NX), along in proportion unless given (NX,NZ).
inline constexpr IntegerInput FloorCellsX{"floor-cells", "floor cells across", 1, 200, 1, 20,
                                          "cells"};
inline constexpr IntegerInput FloorCellsZ{"floor-cells", "floor cells along", 1, 400, 1, 0,
                                          "cells"};
// The levels whose share of the floor is reported, umol m^-2 s^-1.
inline constexpr RealInput PpfdLevel{
    "ppfd-levels", "PPFD levels, umol m^-2 s^-1", 0.0L, 5000.0L, 0.1L, 30.0L};
inline constexpr std::array<double, 2> PpfdLevels{30.0, 50.0};

// One tube of the catalogue: its word, diameter (list index of Tube), power in watts, nominal
// length and lit length in millimetres and nominal luminous flux in lumens. Nominal typical
// values from makers' data sheets (cool white, T5 at 35 degrees C, T8 and T4 at 25); the lit
// length is the nominal length less the caps and electrode zones (see docs/tank.md).
struct TubeModel {
    std::string_view word;
    int tube = 1;
    int watts = 0;
    int nominalLengthMm = 0;
    int litLengthMm = 0;
    int lumens = 0;
};
inline constexpr std::array<TubeModel, 18> TubeCatalogue{{
    {"T4-12", 0, 12, 353, 313, 650},
    {"T4-16", 0, 16, 423, 383, 900},
    {"T4-20", 0, 20, 553, 513, 1200},
    {"T4-24", 0, 24, 623, 583, 1450},
    {"T4-30", 0, 30, 833, 793, 1900},
    {"T5-HE-14", 1, 14, 549, 499, 1350},
    {"T5-HE-21", 1, 21, 849, 799, 2100},
    {"T5-HE-28", 1, 28, 1149, 1099, 2900},
    {"T5-HE-35", 1, 35, 1449, 1399, 3650},
    {"T5-HO-24", 1, 24, 549, 499, 2000},
    {"T5-HO-39", 1, 39, 849, 799, 3500},
    {"T5-HO-49", 1, 49, 1449, 1399, 4900},
    {"T5-HO-54", 1, 54, 1149, 1099, 5000},
    {"T5-HO-80", 1, 80, 1449, 1399, 7000},
    {"T8-18", 2, 18, 590, 540, 1350},
    {"T8-30", 2, 30, 895, 845, 2400},
    {"T8-36", 2, 36, 1200, 1150, 3350},
    {"T8-58", 2, 58, 1500, 1450, 5200},
}};
// The model taken for each diameter (list index of Tube) when none is given.
inline constexpr std::array<std::string_view, ChoiceInput::Count> DefaultTubeModel{
    "T4-24", "T5-HO-54", "T8-36"};
// The catalogue's entry of a word, or null.
constexpr const TubeModel* FindTubeModel(std::string_view word) {
    for (const TubeModel& m : TubeCatalogue)
        if (m.word == word)
            return &m;
    return nullptr;
}
// Grid points per value the fixture search tries (spacing, lamp distance).
inline constexpr IntegerInput FixtureSteps{"steps", "grid points per searched value", 3, 100, 1, 16,
                                           "points"};

// --- The reflector's surface (physical model) ---

// Of the light a reflection keeps (the albedo), the share re-emitted diffusely.
inline constexpr RealInput DiffuseShare{"diffuse-share",
                                        "share of the kept light the reflector scatters diffusely",
                                        0.0L,
                                        1.0L,
                                        0.01L,
                                        0.0L};
// The spread (degrees) of the normal's tilt that blurs the specular rest.
inline constexpr RealInput GlossSpread{
    "gloss-spread", "spread of the sheet's normal, in degrees", 0.0L, 30.0L, 0.1L, 0.0L};
// The surface's name while no preset is chosen and neither figure is set: a perfect mirror
// (diffuse share 0, gloss spread 0); "custom" once either figure is set by hand.
inline constexpr std::string_view MirrorSurface = "mirror";
inline constexpr std::string_view CustomSurface = "custom";
// Typical sheets with rounded typical figures; docs/surfaces.md gives their sources. Order: from
// the most specular to the most diffuse, as the window lists them.
inline constexpr std::array<SurfacePreset, 7> SurfacePresets{{
    {"mirror-aluminium", "Зеркальный алюминий", 0.02, 1.0, 0.95},
    {"metallised-film", "Металлизированная плёнка", 0.02, 2.0, 0.92},
    {"polished-aluminium", "Полированный алюминий", 0.05, 3.0, 0.85},
    {"smooth-foil", "Гладкая фольга", 0.05, 5.0, 0.85},
    {"crumpled-foil", "Мятая фольга", 0.3, 15.0, 0.75},
    {"white-gloss-paint", "Белая глянцевая краска", 0.9, 1.0, 0.85},
    {"white-matte-paint", "Белая матовая краска", 1.0, 0.0, 0.85},
}};
// The preset of a command-line word, nullptr for none.
constexpr const SurfacePreset* SurfacePresetOf(std::string_view word) {
    for (const SurfacePreset& preset : SurfacePresets)
        if (preset.word == word)
            return &preset;
    return nullptr;
}

} // namespace InputDomain

} // namespace kavrol
