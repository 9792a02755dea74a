#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// The 256 colours of a PALT chunk, red, green, blue each (index i at 3 * i).
using PaltColours = std::array<uint8_t, 768>;

// What a palette file gave: the colours it sets (the first `count`; the rest
// keep the palette's own), or why it cannot be read.
struct PaletteFileRead {
    bool read = false;
    size_t count = 0;
    PaltColours colours{};
    std::string problem; // "line 4: ..." when not read
};

// A palette as the files painters use hold it: a GIMP palette (.gpl, text)
// and a swatch picture, 16 x 16 cells a colour each, left to right and top
// to bottom.
class PaletteFiles {
public:
    // A palette file is small; anything larger is refused unread.
    static constexpr size_t kMaxGplBytes = 1 << 20;
    // The side of one cell of a written swatch, in pixels.
    static constexpr uint32_t kSwatchCell = 16;
    static constexpr uint32_t kSwatchSide = 16 * kSwatchCell;
    // The largest swatch picture read, a side; a painter's rescaled swatch
    // stays well below it.
    static constexpr uint32_t kMaxSwatchSide = 4096;

    // A name ending in ".gpl" (any letter case) is a GIMP palette; anything else a swatch PNG.
    static bool IsGplName(std::string_view name);

    // "GIMP Palette", its name, 16 columns and a line per colour named by its index.
    static std::string WriteGpl(const PaltColours& colours, std::string_view name);
    // At most 256 colours of "R G B [name]" lines after the "GIMP Palette"
    // header; "Name:", "Columns:", comments and blank lines are passed over.
    static PaletteFileRead ReadGpl(std::string_view text);

    // The swatch as RGB pixels, kSwatchSide a side.
    static std::vector<uint8_t> SwatchPixels(const PaltColours& colours);
    // The colours of a swatch picture (RGBA, rows top first) whose sides
    // are both 16 times one cell size, at most kMaxSwatchSide: the centre
    // pixel of each cell.
    static PaletteFileRead ReadSwatch(std::span<const uint8_t> rgba, uint32_t width, uint32_t height);
};

} // namespace vorn
