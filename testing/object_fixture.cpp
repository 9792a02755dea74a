#include "testing/object_fixture.h"

namespace vorn::testing {

Spr2ChunkFrame SolidFrame(uint16_t width, uint16_t height, uint8_t colour, std::optional<uint8_t> depth,
                          uint16_t paletteId)
{
    Spr2SourceFrame source;
    source.width = width;
    source.height = height;
    const size_t pixels = static_cast<size_t>(width) * height;
    source.colour.assign(pixels, colour);
    source.hasDepth = depth.has_value();
    source.depth.assign(pixels, depth.value_or(0));
    // Nothing of the picture is transparent.
    source.transparentIndex = static_cast<uint8_t>(colour + 1);
    Spr2ChunkFrame frame;
    frame.width = width;
    frame.height = height;
    frame.paletteId = paletteId;
    frame.transparentIndex = source.transparentIndex;
    frame.pixels = EncodeSpr2Pixels(source);
    return frame;
}

IffChunkDesc Chunk(const std::string& type, uint16_t id, std::vector<uint8_t> data, const std::string& label)
{
    IffChunkDesc chunk;
    chunk.type = type;
    chunk.id = id;
    chunk.label = label;
    chunk.data = std::move(data);
    return chunk;
}

IffChunkDesc ObjdChunk(uint16_t id, const std::string& label, uint16_t baseGraphicId, uint16_t graphicCount,
                       uint16_t masterId, int16_t subIndex)
{
    ObjdFields fields;
    fields.baseGraphicId = baseGraphicId;
    fields.graphicCount = graphicCount;
    fields.masterId = masterId;
    fields.subIndex = subIndex;
    return Chunk("OBJD", id, BuildObjd(fields), label);
}

DgrpSpriteDesc Placement(uint32_t spriteId, uint32_t frame, int32_t x, int32_t y, uint32_t flags)
{
    DgrpSpriteDesc sprite;
    sprite.spriteId = spriteId;
    sprite.frameIndex = frame;
    sprite.x = x;
    sprite.y = y;
    sprite.flags = flags;
    return sprite;
}

IffChunkDesc DgrpChunk(uint16_t id, uint32_t directionMask, uint32_t zoom, std::vector<DgrpSpriteDesc> sprites)
{
    DgrpImageDesc image;
    image.directionMask = directionMask;
    image.zoom = zoom;
    image.sprites = std::move(sprites);
    return Chunk("DGRP", id, BuildDgrp(20004, {image}));
}

} // namespace vorn::testing
