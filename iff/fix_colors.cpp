#include "iff/fix_colors.h"

#include "iff/iff_file_ref.h"
#include "iff/spr2_sprite.h"
#include "iff/type_codes.h"

namespace vorn {

FixColorsResult FixColors(CIffFileRef& file)
{
    FixColorsResult result;
    for (CIffChunk* chunk : file.ChunksOfType(kTypeSpr2)) {
        CSpr2Sprite sprite;
        if (!sprite.Load(file, chunk)) {
            result.unloadableSprites.push_back(chunk->Id());
            continue;
        }
        for (int index = 0; index < sprite.FrameCount(); ++index) {
            Spr2Frame frame;
            if (!sprite.GetFrame(index, frame) || frame.paletteId == kFixedPaletteId)
                continue;
            frame.paletteId = kFixedPaletteId;
            if (sprite.SetFrame(index, frame))
                ++result.changedFrames;
        }
        // Stored even when nothing changed, as the previewer does: the chunk
        // then always holds the writer's layout.
        sprite.Store();
    }
    return result;
}

} // namespace vorn
