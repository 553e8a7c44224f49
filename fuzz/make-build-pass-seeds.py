#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpus of the build-pass fuzz target: the window's start-up design, each shape,
scale and tube, the documented failures and a few designs outside the window's ranges. Layout
of an input: dots per inch - 1 (u16), passes - 1 (u8), then per pass nine little-endian int32
(shape, tube, scale, A, B, C, lamp distance, water distance, aquarium width), the albedo as a
double and a flags byte (1 grid, 2 lamp, 4 rays)."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "build_pass")


def design(shape=1, tube=1, scale=2, a=200, b=100, c=50, lamp=50, lamp_h=200, aqua_w=500,
           albedo=0.8, grid=True, lamp_on=True, rays=True):
    flags = (1 if grid else 0) | (2 if lamp_on else 0) | (4 if rays else 0)
    return struct.pack("<9id B".replace(" ", ""), shape, tube, scale, a, b, c, lamp, lamp_h,
                       aqua_w, albedo, flags)


def seed(name, dpi, *passes):
    data = struct.pack("<HB", dpi - 1, len(passes) - 1) + b"".join(passes)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


os.makedirs(HERE, exist_ok=True)
seed("start-up", 96, design())
seed("trapezoid-then-quiet-parabola", 96,
     design(shape=0, tube=2, scale=0, albedo=0.9),
     design(grid=False, rays=False))
seed("zefo-then-no-shape-then-no-lamp", 144,
     design(shape=2, tube=0, scale=1, a=160, b=80, c=40),
     design(shape=-1, tube=-1),
     design(lamp_on=False, albedo=1.0))
seed("wide-at-600-dpi", 600, design(scale=0, albedo=0.1))
seed("small-screen", 30, design(shape=0, scale=0, a=21, b=10, c=10, albedo=0.855))
seed("documented-failures", 96,
     design(a=20, b=102),
     design(shape=0, a=120, c=120),
     design(shape=2, a=120, c=120),
     design())
seed("no-scale-then-start-up", 96, design(scale=-1), design())
seed("deep-reflector", 96, design(shape=0, b=200, c=20, lamp=10, lamp_h=50, grid=False))
seed("outside-the-ranges", 300,
     design(shape=2, tube=7, scale=5, a=-40, b=-3, c=900, lamp=-20, lamp_h=-100, aqua_w=-10,
            albedo=0.0),
     design(shape=0, scale=0, a=2000, b=100000, c=-30, lamp=100000, lamp_h=0, aqua_w=1 << 30))
# Findings, kept so that every run replays them.
seed("finding-albedo-far-beyond-one", 96, design(shape=0, tube=2, scale=0, aqua_w=-50331148,
                                                 albedo=-1.6832491382796237e+212))
seed("finding-water-line-through-tube", 30, design(shape=0, scale=0, a=21, b=10, c=10,
                                                   lamp_h=0, albedo=0.855))
seed("finding-sample-rounding-past-int32", 96, design(shape=0, a=161, b=2134227565, c=0,
                                                      lamp_h=0, rays=False))
seed("finding-tube-beyond-int32", 96, design(), design(lamp=2147483647 - 10 - 300, lamp_h=-400),
     design(rays=False))
