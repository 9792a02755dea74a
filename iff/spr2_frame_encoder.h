#pragma once

#include <cstddef>
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

enum class Spr2EncodeStatus {
    Ok,
    WrongPlaneSizes, // a plane does not hold width x height entries
    RowTooLong,      // a row's commands take more bytes than its row start can state
};

struct Spr2EncodeResult {
    Spr2EncodeStatus status = Spr2EncodeStatus::Ok;
    uint32_t row = 0;    // RowTooLong: the first such row, 0 at the top
    size_t rowBytes = 0; // and the bytes it would take
};

// The most bytes one row's commands may take, row start included: its
// 13-bit count. About 8186 pixels without depth, 4093 with depth or 2728
// blended fit in a row; transparent runs take 2 bytes per 8191 pixels.
constexpr size_t kMaxSpr2RowBytes = 0x1FFF;

// The row commands of one frame, as the frame decoders read them: 16-bit
// words with the command in the top 3 bits and a count in the low 13; runs
// of one kind become commands 1, 2, 3 or 6 (split at 8191 pixels), each
// pixel run followed by a pad byte when it leaves the length odd; a row
// start (command 0, its count the row's byte length) opens each row with
// pixels, empty rows become command 4 (split at 8191 rows), trailing
// transparent pixels and rows are left out, and command 5 ends the frame.
// A row whose byte length its count cannot hold is refused rather than
// written with a wrong count: `commands` is then empty.
Spr2EncodeResult EncodeSpr2Frame(const Spr2PixelPlanes& planes, std::vector<uint8_t>& commands);
// The same, empty on any refusal.
std::vector<uint8_t> EncodeSpr2Frame(const Spr2PixelPlanes& planes);

} // namespace vorn
