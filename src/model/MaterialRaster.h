#pragma once

#include "Canvas.h"

#include <cstdint>
#include <vector>

namespace kavrol {

// The work image reduced to what the tracer reads: one material code per pixel. It draws with the
// same pixel rules as Canvas, so a picture drawn here and one drawn on a Canvas read back the same
// codes. Every change is logged, so that the scene can be brought back to its base (tube and
// water) by touching only the pixels that one design changed.
class MaterialRaster {
public:
    enum Code : std::uint8_t { Free = 0, Reflector = 1, Lamp = 2, Water = 3 };

    MaterialRaster() = default;

    // Takes the codes of a Canvas picture as the base: black, yellow and sky blue are codes,
    // every other colour is free space.
    void setBase(const Canvas& picture);
    // The material code of a colour as the tracer reads it.
    static Code CodeOf(Rgb color);

    int width() const { return width_; }
    int height() const { return height_; }
    bool contains(int x, int y) const {
        return static_cast<unsigned>(x) < static_cast<unsigned>(width_) &&
               static_cast<unsigned>(y) < static_cast<unsigned>(height_);
    }
    // Outside the picture everything is free space.
    Code at(int x, int y) const {
        if (!contains(x, y))
            return Free;
        return static_cast<Code>(codes_[index(x, y)]);
    }

    // A line-to of a 1-pixel pen from (x0, y0) to (x1, y1) in code: the end pixel left out.
    void thinLine(int x0, int y0, int x1, int y1, Code code);
    // A line-to of a 3-pixel pen: every pixel within 1.5 of the closed segment.
    void wideLine(int x0, int y0, int x1, int y1, Code code);

    // Undoes every change since the last restore.
    void restore();

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }
    void set(std::int64_t x, std::int64_t y, Code code) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_)
            return;
        const std::size_t i = index(static_cast<int>(x), static_cast<int>(y));
        if (codes_[i] == code)
            return;
        codes_[i] = code;
        changed_.push_back(static_cast<std::uint32_t>(i));
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> base_;
    std::vector<std::uint8_t> codes_;
    std::vector<std::uint32_t> changed_;
};

} // namespace kavrol
