#pragma once

#include "sprites/render_target.h"

#include <cstdint>
#include <span>

namespace vorn {

// The 256 colours of a palette, red, green, blue bytes per colour.
using PaletteColours = std::span<const uint8_t, 768>;

// The decoders' `hiddenIndex`: pixels of that colour index draw nothing,
// neither colour nor depth; with this value every pixel draws.
constexpr int kNoHiddenIndex = -1;

// Channel blend of the blended-pixel command: (old - fresh) * weight scaled
// by the single-precision constant 0x3B808081 (just above 1/255) in double
// precision, plus fresh, truncated; the low 8 bits. Weight 0 gives `fresh`,
// weight 255 (about) `old`.
uint8_t Blend(uint8_t old, uint8_t fresh, uint8_t weight);

// The frame decoders: one per colour layout, plain and mirrored. Each runs the
// row commands of one frame into `target` at target.x, target.y with
// target.depthBias, starting from the picture's top row (the row cursors are
// reset first). The mirrored ones draw right to left from x + frameWidth - 1.
//
// Commands: 16-bit words, command in the top 3 bits, count in the low 13.
//   0 row start, 1 depth-tested pixels (depth, colour), 2 depth-tested blended
//   pixels (depth, colour, alpha), 3 skip pixels, 4 skip rows, 5 end,
//   6 pixels without depth (colour), 7 failure; pixel runs are followed by a
//   pad byte when they leave the read position odd.
//
// True at command 5 and when the picture's bottom is passed; false at
// command 7. The decoders never read past `commands`: a frame whose bytes end
// between two commands counts as finished (true); one cut inside a command's
// word or pixel data draws the whole pixels that are there and fails. They
// never write outside the target's planes, whatever the position, frame
// width or commands, and a target without planes is a failure.
bool DecodeT555(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                int hiddenIndex = kNoHiddenIndex);
bool DecodeT555Mirrored(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                        uint32_t frameWidth, int hiddenIndex = kNoHiddenIndex);
bool DecodeT565(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                int hiddenIndex = kNoHiddenIndex);
bool DecodeT565Mirrored(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                        uint32_t frameWidth, int hiddenIndex = kNoHiddenIndex);
bool DecodeT24Bits(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                   int hiddenIndex = kNoHiddenIndex);
bool DecodeT24BitsMirrored(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                           uint32_t frameWidth, int hiddenIndex = kNoHiddenIndex);
bool DecodeT32Bits(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                   int hiddenIndex = kNoHiddenIndex);
bool DecodeT32BitsMirrored(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                           uint32_t frameWidth, int hiddenIndex = kNoHiddenIndex);

// Picks the decoder by the target's bits per pixel (15, 16, 24, 32; others
// fail) and mirror flag.
bool DecodeFrame(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                 uint32_t frameWidth, int hiddenIndex = kNoHiddenIndex);

} // namespace vorn
