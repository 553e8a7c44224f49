// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Color.h"

#include <cstdint>
#include <vector>

namespace kavrol {

// A raster picture with exact 24-bit colours and one pen and one brush, drawn with the pixel
// rules of the classic Windows graphics interface: 1-pixel lines by the diamond rule with the
// end point left out, wider lines as round-capped bands, figures whose border grows with the pen.
// Pixel (x, y) is centred on the integer point (x, y), x to the right, y down. Everything drawn
// outside the picture is clipped pixel by pixel.
class Canvas {
public:
    enum class BrushStyle { Solid, Clear };

    Canvas() = default;
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<Rgb>& pixels() const { return pixels_; }

    // The colour of one pixel; outside the picture, Colors::Invalid.
    Rgb pixel(int x, int y) const {
        if (!contains(x, y))
            return Colors::Invalid;
        return pixels_[index(x, y)];
    }
    bool contains(int x, int y) const {
        return static_cast<unsigned>(x) < static_cast<unsigned>(width_) &&
               static_cast<unsigned>(y) < static_cast<unsigned>(height_);
    }

    int penWidth() const { return penWidth_; }
    int penX() const { return penX_; }
    int penY() const { return penY_; }

    void setPenColor(Rgb color) { penColor_ = color; }
    void setPenWidth(int width) { penWidth_ = width < 1 ? 1 : width; }
    // Setting the brush colour also makes the brush solid.
    void setBrushColor(Rgb color) {
        brushColor_ = color;
        brushStyle_ = BrushStyle::Solid;
    }
    void setBrushStyle(BrushStyle style) { brushStyle_ = style; }

    void moveTo(int x, int y) {
        penX_ = x;
        penY_ = y;
    }
    void lineTo(int x, int y) {
        const int x0 = penX_;
        const int y0 = penY_;
        penX_ = x;
        penY_ = y;
        // A 1-pixel step to a neighbouring pixel sets only the start pixel; rays move this way.
        const std::int64_t dx = std::int64_t{x} - x0;
        const std::int64_t dy = std::int64_t{y} - y0;
        if (penWidth_ == 1 && dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) {
            if (dx != 0 || dy != 0)
                plot(x0, y0, penColor_);
            return;
        }
        lineFrom(x0, y0, x, y);
    }
    // Figures on the box x1 <= x < x2, y1 <= y < y2, grown by the pen as the border widens.
    void rectangle(int x1, int y1, int x2, int y2);
    void ellipse(int x1, int y1, int x2, int y2);
    // The box exactly, in the brush colour, without border or growth.
    void fillRect(int x1, int y1, int x2, int y2);
    // The whole picture in the brush colour.
    void fillAll();

    // Direct access to one row of pixels, for sweeps that write whole rows.
    Rgb* row(int y) { return pixels_.data() + index(0, y); }

    // Replaces this picture by a copy of another; reuses the storage when the sizes agree.
    void copyFrom(const Canvas& other);

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }
    void plot(int x, int y, Rgb color) {
        if (contains(x, y))
            pixels_[index(x, y)] = color;
    }
    void lineFrom(int x0, int y0, int x1, int y1);
    enum class Figure { Box, Ellipse };
    void figure(Figure kind, int x1, int y1, int x2, int y2);

    int width_ = 0;
    int height_ = 0;
    std::vector<Rgb> pixels_;
    Rgb penColor_ = Colors::Black;
    int penWidth_ = 1;
    int penX_ = 0;
    int penY_ = 0;
    Rgb brushColor_ = Colors::White;
    BrushStyle brushStyle_ = BrushStyle::Solid;
};

} // namespace kavrol
