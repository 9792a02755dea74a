#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vorn::testing {

// BMP files built byte by byte from the file format, for the bitmap loader's
// tests: a 14-byte file header, the information header, optional bit-field
// masks, the colour table, optional gap bytes and the pixel data as given.
struct BmpLayout {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bitsPerPixel = 24;
    uint32_t compression = 0;     // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
    uint32_t coloursUsed = 0;
    uint32_t headerSize = 40;     // written to the size field; bytes past 40 are zero
    std::vector<uint32_t> masks;  // written right after a 40-byte header (bit fields)
    std::vector<uint32_t> colours; // 0x00RRGGBB, stored blue, green, red, 0
    uint32_t gapBeforePixels = 0;
    std::vector<uint8_t> pixels;
    // The file header's pixel offset; the true one when not given.
    std::optional<uint32_t> pixelOffset;
};

std::vector<uint8_t> BuildBmp(const BmpLayout& layout);

// Uncompressed rows padded to 4 bytes each, in the order given.
std::vector<uint8_t> PadRows(const std::vector<std::vector<uint8_t>>& rows);

} // namespace vorn::testing
