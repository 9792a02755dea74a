#pragma once

#include "sprites/rgb_image.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace vorn {

enum class ThumbnailResult {
    Drawn,
    // Not an ".iff" or ".bmp" name, bytes that do not read as one, no object
    // that draws anything, or a size outside 1..kMaxThumbnailSize: show the
    // file's icon instead.
    NothingToShow,
};

constexpr int32_t kMaxThumbnailSize = 1024;

// A small picture of an archive entry or a disk file, chosen by its name's
// ending (letter case aside), at most `size` pixels on a side and never
// enlarged:
// - an IFF file: its first displayable object that draws anything, graphic
//   0, direction 0, at the largest zoom that fits (when none does, the
//   smallest zoom shrunk to fit), cropped to the object, transparent around
//   it, without the pixels its frames mark with their transparent colour index;
// - a BMP picture: shrunk to fit, keeping its proportions, a row at a time,
//   so a large picture costs its bytes and a few rows, never a decoded copy.
// Uses no state shared between calls, so any number of threads may draw at
// once (IFF containers are opened in the calling thread's own table).
ThumbnailResult DrawEntryThumbnail(std::string_view name, std::span<const uint8_t> bytes, int32_t size,
                                   RgbaImage& picture);

} // namespace vorn
