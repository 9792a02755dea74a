#pragma once

#include "iff/spr2_sprite.h"
#include "sprites/render_target.h"

#include <cstdint>

namespace vorn {

class CIffFileRef;

// Draws one placed frame: the target already holds x, y, depth bias and the
// mirror flag for it. The palette is the PALT chunk named by the frame's
// palette id, else the one named by `fallbackPaletteId` (the sprite's own).
// False for a target without planes, no palette chunk, one that does not
// load, whose version is not 1 or 0 or count not 256 or that is too short for
// 256 colours, an unknown bits per pixel, or a frame that fails to decode.
// With target.hideTransparentIndex the frame's transparent colour index draws nothing.
bool DrawSprite(CIffFileRef& file, const Spr2Frame& frame, RenderTarget& target, uint16_t fallbackPaletteId);

} // namespace vorn
