#pragma once

#include <cstdint>
#include <vector>

namespace vorn {

// How one pixel of a frame is stored, by the row command that draws it.
enum class Spr2PixelKind : uint8_t {
    Transparent, // command 3 (or nothing at a row's end)
    Plain,       // command 6: colour only, no depth test or store
    Depth,       // command 1: depth-tested colour
    Blended,     // command 2: depth-tested colour blended by its alpha
};

// A picture to encode: rows top to bottom, one entry per pixel in each plane.
// `alpha` is the stored blend weight of blended pixels (0 paints the colour,
// 255 keeps what was there).
struct Spr2PixelPlanes {
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<Spr2PixelKind> kind;
    std::vector<uint8_t> colour;
    std::vector<uint8_t> depth;
    std::vector<uint8_t> alpha;
};

// The row commands of one frame, as the frame decoders read them: 16-bit
// words with the command in the top 3 bits and a count in the low 13; runs
// of one kind become commands 1, 2, 3 or 6 (split at 8191 pixels), each
// pixel run followed by a pad byte when it leaves the length odd; a row
// start (command 0, its count the row's byte length) opens each row with
// pixels, empty rows become command 4, trailing transparent pixels and rows
// are left out, and command 5 ends the frame. Empty when the planes do not
// hold width x height entries.
std::vector<uint8_t> EncodeSpr2Frame(const Spr2PixelPlanes& planes);

} // namespace vorn
