// SPDX-License-Identifier: GPL-3.0-or-later
#include "MaterialRaster.h"

#include "LineRaster.h"

#include <algorithm>
#include <cstdlib>

namespace kavrol {

MaterialRaster::Code MaterialRaster::CodeOf(Rgb color) {
    switch (color) {
    case Colors::Black:
        return Reflector;
    case Colors::Yellow:
        return Lamp;
    case Colors::SkyBlue:
        return Water;
    default:
        return Free;
    }
}

void MaterialRaster::setBase(const Canvas& picture) {
    width_ = picture.width();
    height_ = picture.height();
    base_.resize(picture.pixels().size());
    std::transform(picture.pixels().begin(), picture.pixels().end(), base_.begin(),
                   [](Rgb c) { return static_cast<std::uint8_t>(CodeOf(c)); });
    codes_ = base_;
    changed_.clear();
    const auto w = static_cast<std::size_t>(width_);
    const auto h = static_cast<std::size_t>(height_);
    blockColumns_ = (w >> BlockShift) + 1;
    superColumns_ = (w >> SuperShift) + 1;
    blocks_.assign(blockColumns_ * ((h >> BlockShift) + 1), 0);
    supers_.assign(superColumns_ * ((h >> SuperShift) + 1), 0);
    for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x)
            if (base_[y * w + x] != Free)
                mark(x, y);
    baseBlocks_ = blocks_;
    baseSupers_ = supers_;
    changedBlocks_.clear();
    changedSupers_.clear();
}

void MaterialRaster::restore() {
    for (const std::uint32_t i : changed_)
        codes_[i] = base_[i];
    changed_.clear();
    for (const std::uint32_t b : changedBlocks_)
        blocks_[b] = baseBlocks_[b];
    changedBlocks_.clear();
    for (const std::uint32_t s : changedSupers_)
        supers_[s] = baseSupers_[s];
    changedSupers_.clear();
}

// The same pixels as Canvas::lineTo with a 1-pixel pen.
void MaterialRaster::thinLine(int x0, int y0, int x1, int y1, Code code) {
    LineRaster::Thin(x0, y0, x1, y1, width_, height_, [&](int x, int y) { set(x, y, code); });
}

// The same pixels as Canvas::lineTo with a 3-pixel pen.
void MaterialRaster::wideLine(int x0, int y0, int x1, int y1, Code code) {
    LineRaster::Wide(x0, y0, x1, y1, 3, width_, height_, [&](int x, int y) { set(x, y, code); });
}

} // namespace kavrol
