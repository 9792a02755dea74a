#pragma once

#include "sprites/draw_report.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vorn {

class CDrawGroup;
class CIffFileRef;

// One image of a draw group drawn on its own, as the preview draws it,
// cropped to its extent over a solid background: 8-bit R, G, B, top row
// first. None when the image draws nothing (no placements, or none of its
// frames can be had), or its extent is beyond `maxSide` on a side; what was
// left out is named in `report`.
struct DrawGroupPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
};
std::optional<DrawGroupPicture> DrawDrawGroupImage(CIffFileRef& file, const CDrawGroup& group, int imageIndex,
                                                   const uint8_t background[3], int32_t maxSide, DrawReport& report);

} // namespace vorn
