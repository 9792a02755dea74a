#pragma once

#include "sprites/render_target.h"

#include <cstdint>
#include <vector>

namespace vorn {

// The colour plane as 8-bit R, G, B bytes, top row first, Width() * 3 bytes
// per row with no padding: 24- and 32-bit pixels byte for byte, 5- and 6-bit
// channels of 15- and 16-bit pixels widened by repeating their high bits
// (5 bits v become (v << 3) | (v >> 2), 6 bits (v << 2) | (v >> 4)). Empty for
// a target without planes. For showing a plane whose layout the display does
// not have, and for writing pictures.
std::vector<uint8_t> ColourPlaneToRgb(const RenderTarget& target);

// A picture with transparency: 8-bit R, G, B, A (straight, not
// premultiplied), top row first, width * 4 bytes per row with no padding.
struct RgbaImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;
};

} // namespace vorn
