#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorn::testing {

// A picture to encode as SPR2 pixel commands: rows top to bottom, one entry
// per pixel. A pixel is transparent when its alpha is 0 (with alpha) or its
// colour equals `transparentIndex` (without alpha).
struct Spr2SourceFrame {
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<uint8_t> colour;
    std::vector<uint8_t> depth; // used when hasDepth
    std::vector<uint8_t> alpha; // used when hasAlpha
    bool hasDepth = true;
    bool hasAlpha = false;
    uint8_t transparentIndex = 0;
};

// The pixel commands of one frame, through the sprite library's encoder. Each command is a little-endian word with
// the command in the top 3 bits and a count in the low 13:
//   0 row start (count: the row's byte length, not needed by readers),
//   1 depth+colour pairs, 2 depth+colour+alpha triples, 6 colours only
//     (each followed by a pad byte when it leaves the position odd),
//   3 transparent pixels, 4 skipped rows, 5 end of frame.
// Opaque pixels use command 6 without depth, 2 when alpha is below 255,
// else 1. Fully transparent rows become command 4.
std::vector<uint8_t> EncodeSpr2Pixels(const Spr2SourceFrame& frame);

// True when every row start (command 0) of `commands` states the byte length
// of its row, its own word included, up to the next row start, row skip or
// end, and the commands end with command 5. The frame decoders ignore the
// count; readers that step over rows by it do not.
bool Spr2RowLengthsAgree(std::span<const uint8_t> commands);

// One frame as stored in an SPR2 chunk.
struct Spr2ChunkFrame {
    uint16_t width = 0;
    uint16_t height = 0;
    uint32_t flags = 0;
    uint16_t paletteId = 0;
    uint16_t transparentIndex = 0;
    uint16_t yOffset = 0;
    uint16_t xOffset = 0;
    std::vector<uint8_t> pixels;
    uint32_t gapBefore = 0; // filler bytes placed before this frame's header
};

// SPR2 chunk data. With `aligned` the first frame sits at the next 64-byte
// boundary after the offset table (0xA3 filler), as the game's writer puts
// it; otherwise right after the table.
std::vector<uint8_t> BuildSpr2(uint32_t paletteId, const std::vector<Spr2ChunkFrame>& frames, bool aligned = true,
                               uint32_t version = 1000);

// SPR2 chunk data in the version 1001 layout: 1001, palette id, frame count,
// then per frame 1001, the byte count of header and pixels, the 16-byte
// header and the pixels, with nothing between frames (gapBefore unused).
std::vector<uint8_t> BuildSpr2Sequential(uint32_t paletteId, const std::vector<Spr2ChunkFrame>& frames);

} // namespace vorn::testing
