// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Canvas.h"

#include <map>
#include <string>

namespace kavrol::test {

// A small canvas as rows of characters, one per pixel: '.' for white and a letter per colour,
// so that a test states the exact pixels it expects.
inline std::string Picture(const Canvas& canvas,
                           const std::map<Rgb, char>& legend = {{Colors::Black, '#'},
                                                                {Colors::Red, 'r'},
                                                                {Colors::Yellow, 'y'},
                                                                {Colors::SkyBlue, 'w'}}) {
    std::string out;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Rgb c = canvas.pixel(x, y);
            if (c == Colors::White) {
                out += '.';
                continue;
            }
            const auto it = legend.find(c);
            out += it == legend.end() ? '?' : it->second;
        }
        out += '\n';
    }
    return out;
}

} // namespace kavrol::test
