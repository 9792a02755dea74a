#include "iff/draw_group.h"

#include <algorithm>
#include <new>

namespace vorn {

namespace {

int32_t Extend16(uint16_t value) { return static_cast<int16_t>(value); }
uint32_t Extend8(uint8_t value) { return static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(value))); }

// Never reserve more entries than the remaining bytes could describe.
size_t BoundedReserve(uint32_t count, const CIffChunk& chunk, size_t bytesEach)
{
    const size_t remaining = chunk.Size() > chunk.Position() ? chunk.Size() - chunk.Position() : 0;
    return std::min<size_t>(count, remaining / bytesEach);
}

} // namespace

bool CDrawGroup::ReadShort(CIffChunk& chunk, bool withExtra)
{
    uint16_t imageCount = 0;
    if (!chunk.Read16(imageCount))
        return false;
    images_.reserve(BoundedReserve(imageCount, chunk, 4));
    for (uint16_t i = 0; i < imageCount; ++i) {
        uint16_t spriteCount = 0;
        uint8_t mask = 0;
        uint8_t zoom = 0;
        if (!chunk.Read16(spriteCount) || !chunk.Read8(mask) || !chunk.Read8(zoom))
            return false;
        DrawGroupImage image;
        image.directionMask = Extend8(mask);
        image.zoom = Extend8(zoom);
        for (uint16_t s = 0; s < spriteCount; ++s) {
            uint16_t type = 0, spriteId = 0, frame = 0, flags = 0, x = 0, y = 0;
            uint32_t extra1 = 0;
            if (!chunk.Read16(type) || !chunk.Read16(spriteId) || !chunk.Read16(frame) || !chunk.Read16(flags) ||
                !chunk.Read16(x) || !chunk.Read16(y))
                return false;
            if (withExtra && !chunk.Read32(extra1))
                return false;
            if (static_cast<int16_t>(type) != kKeptSpriteType)
                continue;
            SpritePlacement placement;
            placement.spriteId = static_cast<uint32_t>(Extend16(spriteId));
            placement.frameIndex = static_cast<uint32_t>(Extend16(frame));
            placement.x = Extend16(x);
            placement.y = Extend16(y);
            placement.extra1 = extra1;
            placement.flags = static_cast<uint32_t>(Extend16(flags));
            image.sprites.push_back(placement);
        }
        images_.push_back(std::move(image));
    }
    return true;
}

bool CDrawGroup::ReadLong(CIffChunk& chunk, bool withExtras)
{
    uint32_t imageCount = 0;
    if (!chunk.Read32(imageCount))
        return false;
    images_.reserve(BoundedReserve(imageCount, chunk, 12));
    for (uint32_t i = 0; i < imageCount; ++i) {
        DrawGroupImage image;
        uint32_t spriteCount = 0;
        if (!chunk.Read32(image.directionMask) || !chunk.Read32(image.zoom) || !chunk.Read32(spriteCount))
            return false;
        image.sprites.reserve(BoundedReserve(spriteCount, chunk, withExtras ? 32 : 24));
        for (uint32_t s = 0; s < spriteCount; ++s) {
            SpritePlacement p;
            uint32_t x = 0, y = 0;
            if (!chunk.Read32(p.spriteId) || !chunk.Read32(p.frameIndex) || !chunk.Read32(x) || !chunk.Read32(y) ||
                !chunk.Read32(p.extra1) || !chunk.Read32(p.flags))
                return false;
            if (withExtras && (!chunk.Read32(p.extra2) || !chunk.Read32(p.extra3)))
                return false;
            p.x = static_cast<int32_t>(x);
            p.y = static_cast<int32_t>(y);
            image.sprites.push_back(p);
        }
        images_.push_back(std::move(image));
    }
    return true;
}

bool CDrawGroup::Read()
{
    images_.clear();
    CIffChunk* chunk = Chunk();
    if (chunk == nullptr || !chunk->Read16(version_))
        return false;
    const auto version = static_cast<int16_t>(version_);
    try {
        if (version < static_cast<int16_t>(kLongVersion))
            return ReadShort(*chunk, version >= static_cast<int16_t>(kShortExtraVersion));
        return ReadLong(*chunk, version >= static_cast<int16_t>(kWriteVersion));
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CDrawGroup::Write()
{
    CIffChunk* chunk = Chunk();
    if (chunk == nullptr || !chunk->SetSize(0))
        return false;
    version_ = kWriteVersion;
    if (!chunk->Write16(version_) || !chunk->Write32(static_cast<uint32_t>(images_.size())))
        return false;
    for (const DrawGroupImage& image : images_) {
        if (!chunk->Write32(image.directionMask) || !chunk->Write32(image.zoom) ||
            !chunk->Write32(static_cast<uint32_t>(image.sprites.size())))
            return false;
        for (const SpritePlacement& p : image.sprites) {
            if (!chunk->Write32(p.spriteId) || !chunk->Write32(p.frameIndex) || !chunk->Write32(static_cast<uint32_t>(p.x)) ||
                !chunk->Write32(static_cast<uint32_t>(p.y)) || !chunk->Write32(p.extra1) || !chunk->Write32(p.flags) ||
                !chunk->Write32(p.extra2) || !chunk->Write32(p.extra3))
                return false;
        }
    }
    return true;
}

int CDrawGroup::FindImage(int direction, int zoom) const
{
    if (direction < 0 || direction > 7 || zoom < 1 || zoom > 3)
        return -1;
    for (size_t i = 0; i < images_.size(); ++i)
        if ((images_[i].directionMask & (1u << direction)) != 0 && images_[i].zoom == static_cast<uint32_t>(zoom))
            return static_cast<int>(i);
    return -1;
}

bool CDrawGroup::GetImage(int index, DrawGroupImage& image) const
{
    if (index < 0 || index >= ImageCount())
        return false;
    image = images_[static_cast<size_t>(index)];
    return true;
}

} // namespace vorn
