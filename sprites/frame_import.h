#pragma once

#include "iff/spr2_frame_encoder.h"
#include "iff/spr2_sprite.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vorn {

// What a frame held before an import: pixels less than opaque, stored depth.
// A frame beyond the export limit is taken to have both.
struct FrameContent {
    bool translucent = false;
    bool depth = false;
};
FrameContent ContentOf(const Spr2Frame& frame);

// Pictures to bring into a frame, as ExportFrame gives them: RGBA (4 bytes
// a pixel) and 8-bit depth (255: none), rows top to bottom.
struct FramePictures {
    uint32_t width = 0;
    uint32_t height = 0;
    std::span<const uint8_t> rgba;
    std::span<const uint8_t> depth;
};

enum class FrameImportStatus {
    Unchanged,  // the frame already draws these pictures: it keeps its own commands
    Encoded,    // `commands` holds the new pixel commands
    RowTooLong, // a row takes more bytes than an SPR2 row can state (see `encode`)
    WrongSizes, // the pictures do not hold width x height pixels
};

// How far the colours an import draws lie from the picture's, as a recolour
// the palette cannot follow shows: the drawn pixels whose palette colour is
// more than kTolerance away (straight-line distance in RGB, 0 to 441), and
// the largest distance.
struct ColourDrift {
    static constexpr uint32_t kTolerance = 8;
    uint32_t pixels = 0;
    uint32_t largest = 0;
};

struct FrameImport {
    FrameImportStatus status = FrameImportStatus::Unchanged;
    Spr2EncodeResult encode;
    std::vector<uint8_t> commands;
    ColourDrift drift; // of the pixels encoded
};

// The pixel commands that draw `pictures` with the 256 colours `colours`
// (768 bytes): each colour to its first exact index, else to the nearest as
// the eye sees it. Alpha 255 draws opaque (depth-tested where a depth below
// 255 is given), alpha 0 draws nothing unless a depth is given, anything
// between blends. A picture `frame` already draws comes back Unchanged, so an
// unedited export imports byte for byte.
FrameImport ImportFramePictures(const Spr2Frame& frame, const uint8_t* colours, const FramePictures& pictures);

} // namespace vorn
