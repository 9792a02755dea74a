#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace vorn {

enum class BmpCompression : uint32_t { None = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

// Where the parts of a BMP file lie, counted from the end of its 14-byte
// file header, and what its information header says about the picture.
struct BmpLayout {
    static constexpr size_t kFileHeaderSize = 14;
    static constexpr int32_t kMaxSide = 16384;
    // An RLE run of two bytes draws at most 255 pixels; a picture needing
    // more pixels per byte than this relies on skipping almost all of itself
    // and is taken as damaged rather than allocated.
    static constexpr uint64_t kMaxRlePixelsPerByte = 255;

    int64_t width = 0;
    int64_t height = 0; // negative for rows stored top first
    uint32_t bitsPerPixel = 0;
    BmpCompression compression = BmpCompression::None;
    uint32_t headerSize = 0;
    uint64_t colourCount = 0; // colours used, or 2 to the bits per pixel
    size_t tableOffset = 0;
    uint64_t tableEntries = 0;
    size_t pixelOffset = 0;

    int64_t Rows() const { return height < 0 ? -height : height; }

    // The layout of a whole BMP file (information header of 40 bytes or one
    // of the longer versions; 1, 4, 8, 16, 24 or 32 bits, uncompressed, RLE8,
    // RLE4 or bit fields). None when the file is not "BM"-typed, is cut short,
    // describes more pixels than its bytes hold, or is larger than kMaxSide
    // on a side, so nothing is ever read past its bytes.
    static std::optional<BmpLayout> Read(std::span<const uint8_t> file);
};

// A BMP decoded without any toolkit: 8-bit R, G, B, top row first. Pixels a
// compressed picture skips show colour 0 of its table.
struct DecodedBitmap {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;
};
std::optional<DecodedBitmap> DecodeBmp(std::span<const uint8_t> file);

// The same picture a row at a time, so a caller that shrinks it never holds
// it whole: the sink gets each row's index counted from the top and its
// width * 3 bytes (R, G, B), every row exactly once, in the order the file stores
// them (bottom row first for most BMPs). False, with no row given, when
// BmpLayout::Read refuses the file.
using BmpRowSink = std::function<void(uint32_t rowFromTop, std::span<const uint8_t> rgb)>;
bool DecodeBmpRows(std::span<const uint8_t> file, const BmpRowSink& sink);

} // namespace vorn
