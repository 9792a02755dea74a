#pragma once

#include "testing/iff_fixtures.h"
#include "testing/spr2_encoder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorn::testing {

// Small pieces of object files for rendering tests.

// A width x height frame of one colour index: depth-tested pixels at `depth`,
// or pixels without depth when none is given.
Spr2ChunkFrame SolidFrame(uint16_t width, uint16_t height, uint8_t colour, std::optional<uint8_t> depth,
                          uint16_t paletteId = 0);

// A chunk with the default flags.
IffChunkDesc Chunk(const std::string& type, uint16_t id, std::vector<uint8_t> data, const std::string& label = "");

// An OBJD chunk of a single object, a multi-tile leader (subIndex -1) or a
// tile (x in the low byte, y in the high byte).
IffChunkDesc ObjdChunk(uint16_t id, const std::string& label, uint16_t baseGraphicId, uint16_t graphicCount,
                       uint16_t masterId = 0, int16_t subIndex = 0);

// One placement of frame `frame` of sprite `spriteId` at (x, y); bit 0 of
// `flags` mirrors it.
DgrpSpriteDesc Placement(uint32_t spriteId, uint32_t frame, int32_t x, int32_t y, uint32_t flags = 0);

// A DGRP chunk (long layout) with one image serving `directionMask` at `zoom`.
IffChunkDesc DgrpChunk(uint16_t id, uint32_t directionMask, uint32_t zoom, std::vector<DgrpSpriteDesc> sprites);

} // namespace vorn::testing
