#include "sprites/preview_pan.h"

namespace vorn {

PreviewPan RecentrePan(int32_t width, int32_t height, const BoundsRect& bounds)
{
    return {WrapSub(width / 2, WrapAdd(bounds.left, bounds.right) / 2),
            WrapSub(height / 2, WrapAdd(bounds.top, bounds.bottom) / 2)};
}

PreviewPan RecentrePanWithoutObject(int32_t width, int32_t height) { return {width / 2, WrapSub(height, 10)}; }

PreviewPan FollowResize(PreviewPan pan, int32_t oldWidth, int32_t oldHeight, int32_t newWidth, int32_t newHeight)
{
    // Halved as RecentrePan halves: a centred pan becomes exactly its pan
    // for the new size.
    return {WrapAdd(pan.x, WrapSub(newWidth / 2, oldWidth / 2)), WrapAdd(pan.y, WrapSub(newHeight / 2, oldHeight / 2))};
}

bool DragPan(PreviewPan& pan, MouseTrack& track, int32_t x, int32_t y, bool leftButtonDown)
{
    bool moved = false;
    if (leftButtonDown && track.lastX != -1 && track.lastY != -1) {
        pan.x = WrapAdd(pan.x, WrapSub(x, track.lastX));
        pan.y = WrapAdd(pan.y, WrapSub(y, track.lastY));
        moved = true;
    }
    track.lastX = x;
    track.lastY = y;
    return moved;
}

} // namespace vorn
