#pragma once

#include <cstdint>

namespace kavrol {

// The integer quantities a build pass derives, in pixels (PixelsPerMm and Scale in pixels per
// millimetre). They keep their values between passes.
struct PixelQuantities {
    std::int32_t PixelsPerMm = 0;
    std::int32_t Scale = 0;
    std::int32_t CenterX = 0;
    std::int32_t TopY = 0;
    std::int32_t LampX = 0;
    std::int32_t LampY = 0;
    std::int32_t LampR = 0;
    std::int32_t WaterY = 0;
    std::int32_t AquaWPx = 0;
    std::int32_t RefAPx = 0;
    std::int32_t RefBPx = 0;
    std::int32_t RefCPx = 0;
    std::int32_t RefSidePx = 0;
    std::int32_t RefLeft = 0;
    std::int32_t RefRight = 0;
};

} // namespace kavrol
