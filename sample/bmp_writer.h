#pragma once

#include <cstdint>
#include <vector>

namespace vorn::sample {

// BMP files as the game ships them. Pixels are given top row first.

// 8 bits per pixel, compressed as RLE8 runs (what the game's pictures use),
// with a 256-colour table of RGB triples. `coloursUsed` 0 leaves the field
// at 0 (all 256 colours).
std::vector<uint8_t> WriteBmpRle8(int width, int height, const std::vector<uint8_t>& indices,
                                  const std::vector<uint8_t>& rgbPalette, uint32_t coloursUsed = 0);
// 8 bits per pixel without compression, rows padded to 4 bytes.
std::vector<uint8_t> WriteBmp8(int width, int height, const std::vector<uint8_t>& indices,
                               const std::vector<uint8_t>& rgbPalette);
// 24 bits per pixel, `rgb` as R, G, B triples.
std::vector<uint8_t> WriteBmp24(int width, int height, const std::vector<uint8_t>& rgb);

} // namespace vorn::sample
