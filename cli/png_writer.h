#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorn {

// An 8-bit RGB PNG of width x height pixels from `rgb` (R, G, B bytes, top
// row first, width * 3 bytes per row). Empty on failure (sizes that do not
// match, or libpng refusing).
std::vector<uint8_t> EncodeRgbPng(std::span<const uint8_t> rgb, uint32_t width, uint32_t height);

} // namespace vorn
