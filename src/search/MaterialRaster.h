// SPDX-License-Identifier: GPL-3.0-or-later
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

    // The picture in blocks of 8 x 8 pixels and in superblocks of 32 x 32, each marked when it may
    // hold a code. An unmarked one holds free space only, so a ray can cross it without reading.
    static constexpr int BlockShift = 3;
    static constexpr int SuperShift = 5;
    // The log2 of the side of the largest unmarked square (superblock or block) around the pixel
    // (x, y), which must lie in the picture; 0 when its block is marked.
    int freeSquareShift(int x, int y) const {
        const auto sx = static_cast<std::size_t>(x >> SuperShift);
        const auto sy = static_cast<std::size_t>(y >> SuperShift);
        if (supers_[sy * superColumns_ + sx] == 0)
            return SuperShift;
        const auto bx = static_cast<std::size_t>(x >> BlockShift);
        const auto by = static_cast<std::size_t>(y >> BlockShift);
        return blocks_[by * blockColumns_ + bx] == 0 ? BlockShift : 0;
    }

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
        if (code != Free)
            mark(static_cast<std::size_t>(x), static_cast<std::size_t>(y));
    }

    void mark(std::size_t x, std::size_t y) {
        const std::size_t b = (y >> BlockShift) * blockColumns_ + (x >> BlockShift);
        if (blocks_[b] == 0) {
            blocks_[b] = 1;
            changedBlocks_.push_back(static_cast<std::uint32_t>(b));
        }
        const std::size_t s = (y >> SuperShift) * superColumns_ + (x >> SuperShift);
        if (supers_[s] == 0) {
            supers_[s] = 1;
            changedSupers_.push_back(static_cast<std::uint32_t>(s));
        }
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> base_;
    std::vector<std::uint8_t> codes_;
    std::vector<std::uint32_t> changed_;
    std::size_t blockColumns_ = 0;
    std::vector<std::uint8_t> baseBlocks_;
    std::vector<std::uint8_t> blocks_;
    std::vector<std::uint32_t> changedBlocks_;
    std::size_t superColumns_ = 0;
    std::vector<std::uint8_t> baseSupers_;
    std::vector<std::uint8_t> supers_;
    std::vector<std::uint32_t> changedSupers_;
};

} // namespace kavrol
