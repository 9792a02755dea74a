#pragma once

#include "iff/spr2_sprite.h"
#include "sprites/frame_decoder.h"

#include <cstdint>
#include <vector>

namespace vorn {

// The most pixels a frame may have to be exported or imported: 4096 x 4096.
// The game's frames are a few hundred pixels a side. Exporting or importing
// takes about 20 bytes a pixel, some 340 MB at the limit, where the 65535 x
// 65535 a frame header can claim would ask for some 80 GB.
constexpr uint64_t kMaxFramePixels = uint64_t{1} << 24;

enum class FrameExportResult {
    Complete,
    Partial,  // the decoder failed; the pictures hold what was drawn
    TooLarge, // more than kMaxFramePixels: nothing was allocated
};

// One frame as pictures: RGBA (the palette colour; alpha 255 for pixels
// drawn opaque, 255 minus the stored alpha for blended ones, 0 where nothing
// is drawn, with black colour there) and an 8-bit depth plane (255 where
// nothing is drawn or no depth is stored), rows top to bottom.
struct ExportedFrame {
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<uint8_t> rgba;
    std::vector<uint8_t> depth;
};

// Draws the frame with the previewer's decoders and reads the colour index
// and alpha of every pixel back. A blend hides its colour, so the frame is
// drawn three times onto white with palettes that carry three bits of each
// index and, in one channel, none (showing the alpha).
FrameExportResult ExportFrame(const Spr2Frame& frame, PaletteColours colours, ExportedFrame& out);

} // namespace vorn
