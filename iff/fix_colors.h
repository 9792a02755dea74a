#pragma once

#include <cstdint>
#include <vector>

namespace vorn {

class CIffFileRef;

// The palette id Fix Colors gives every frame. No PALT chunk of the game's
// files carries it, so drawing falls back to the sprite's own palette.
constexpr uint16_t kFixedPaletteId = 0xA3A3;

struct FixColorsResult {
    // Frames whose palette id was changed.
    uint32_t changedFrames = 0;
    // Chunk ids of the SPR2 chunks that could not be parsed (left as they were),
    // in container order; the caller reports each one.
    std::vector<uint16_t> unloadableSprites;

    bool Changed() const { return changedFrames != 0; }
};

// Switches every frame of every SPR2 chunk of `file` to its sprite's own
// palette: a frame whose palette id is not kFixedPaletteId gets it. Every
// sprite that parses is stored back into its chunk, changed or not. The
// edits stay in the container's chunks until the container is written.
FixColorsResult FixColors(CIffFileRef& file);

} // namespace vorn
