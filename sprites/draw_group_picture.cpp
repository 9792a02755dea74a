#include "sprites/draw_group_picture.h"

#include "sprites/object_renderer.h"
#include "sprites/render_target.h"
#include "sprites/rgb_image.h"

namespace vorn {

std::optional<DrawGroupPicture> DrawDrawGroupImage(CIffFileRef& file, const CDrawGroup& group, int imageIndex,
                                                   const uint8_t background[3], int32_t maxSide, DrawReport& report)
{
    const BoundsRect bounds = ImageBounds(file, group, imageIndex);
    if (bounds.IsEmpty())
        return std::nullopt;
    const int64_t width = int64_t{bounds.right} - bounds.left;
    const int64_t height = int64_t{bounds.bottom} - bounds.top;
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide)
        return std::nullopt;
    RenderTarget target;
    if (!target.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height), 32))
        return std::nullopt;
    target.FillColour(background[0], background[1], background[2]);
    target.FillDepth(255);
    DrawImage(file, group, imageIndex, target, WrapSub(0, bounds.left), WrapSub(0, bounds.top), 0, &report);
    return DrawGroupPicture{static_cast<int32_t>(width), static_cast<int32_t>(height), ColourPlaneToRgb(target)};
}

} // namespace vorn
