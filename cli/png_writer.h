#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorn {

// An 8-bit RGB PNG of width x height pixels from `rgb` (R, G, B bytes, top
// row first, width * 3 bytes per row). Empty on failure (sizes that do not
// match, or libpng refusing).
std::vector<uint8_t> EncodeRgbPng(std::span<const uint8_t> rgb, uint32_t width, uint32_t height);

// The same for 8-bit grey (1 byte per pixel) and RGBA (4 bytes per pixel).
std::vector<uint8_t> EncodeGreyPng(std::span<const uint8_t> grey, uint32_t width, uint32_t height);
std::vector<uint8_t> EncodeRgbaPng(std::span<const uint8_t> rgba, uint32_t width, uint32_t height);

} // namespace vorn
