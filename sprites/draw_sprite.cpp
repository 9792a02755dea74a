#include "sprites/draw_sprite.h"

#include "iff/palt_palette.h"
#include "sprites/frame_decoder.h"

namespace vorn {

bool DrawSprite(CIffFileRef& file, const Spr2Frame& frame, RenderTarget& target, uint16_t fallbackPaletteId)
{
    if (!target.HasPlanes())
        return false;
    target.ResetRowCursors();
    const CIffChunk* palette = PaltPalette::FindChunk(file, frame.paletteId, fallbackPaletteId);
    if (palette == nullptr)
        return false;
    // Null also for a chunk too short to hold all 256 colours.
    const uint8_t* colours = PaltPalette::Colours(*palette);
    if (colours == nullptr)
        return false;
    const std::span<const uint8_t> commands(frame.pixels, frame.pixels != nullptr ? frame.pixelLength : 0);
    return DecodeFrame(target, commands, PaletteColours(colours, 3 * PaltPalette::kColourCount), frame.width,
                       target.hideTransparentIndex ? frame.transparentIndex : kNoHiddenIndex);
}

} // namespace vorn
