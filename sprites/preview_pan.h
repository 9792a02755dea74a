#pragma once

#include "sprites/bounds_rect.h"

#include <cstdint>

namespace vorn {

// Where the previewed object's origin lies in the control's client area.
struct PreviewPan {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const PreviewPan&) const = default;
};

// The pan that centres `bounds` in a client area of `width` x `height`:
// (width / 2 - (left + right) / 2, height / 2 - (top + bottom) / 2) in 32-bit
// arithmetic that wraps, dividing toward zero. The empty rectangle centres
// the origin. 400 x 300 with bounds (-20, -90, 30, 0) gives (195, 195).
PreviewPan RecentrePan(int32_t width, int32_t height, const BoundsRect& bounds);

// The pan without an object to show: (width / 2, height - 10).
PreviewPan RecentrePanWithoutObject(int32_t width, int32_t height);

// The pan after the client area changed from `oldWidth` x `oldHeight` to
// `newWidth` x `newHeight`: the object keeps its offset from the centre, so
// a centred object is centred again (the pan RecentrePan would give) and a
// dragged one stays where the user put it relative to the middle.
PreviewPan FollowResize(PreviewPan pan, int32_t oldWidth, int32_t oldHeight, int32_t newWidth, int32_t newHeight);

// Dragging: the last mouse position seen, (-1, -1) before the first.
struct MouseTrack {
    int32_t lastX = -1;
    int32_t lastY = -1;
};

// One mouse move to (x, y). With the left button down and a last position
// known (neither coordinate -1), the pan moves by the movement since it
// (wrapping in 32 bits) and the result is true: repaint. The position is
// remembered either way. From (10, 10) to (15, 8) the object moves 5 pixels
// right and 2 up.
bool DragPan(PreviewPan& pan, MouseTrack& track, int32_t x, int32_t y, bool leftButtonDown);

} // namespace vorn
